#include "platform/net/curl/CurlFtpClient.h"

#include <curl/curl.h>

#include <cctype>
#include <cstring>
#include <deque>
#include <map>
#include <string_view>

#include "platform/files/File.h"
#include "platform/runtime/EventLoop.h"
#include "platform/runtime/Exception.h"

namespace fw {
namespace {

enum class Stage { Login, Upload };

// What a nested wait ended with.
enum class Outcome { Done, Abandoned, Gone };

// A report made inside one of curl's callbacks, delivered once curl has returned.
struct Report {
    enum class Kind { Status, PacketSent };
    Kind kind = Kind::Status;
    std::string text;
};

// Bytes read from the file and handed to curl at a time: one packet-sent report each.
constexpr long kUploadBlockBytes = 256 * 1024;

constexpr const char* kGoneText = "FTP exchange abandoned: the connection's owner has gone";

bool negative_reply(const std::string& line) {
    return line.size() >= 3 && (line[0] == '4' || line[0] == '5') &&
           std::isdigit(static_cast<unsigned char>(line[1])) && std::isdigit(static_cast<unsigned char>(line[2]));
}

// A host name or dotted address, nothing that could change the meaning of the URL.
bool plain_host(const std::string& host) {
    if (host.empty()) return false;
    for (char c : host)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-') return false;
    return true;
}

std::string system_error_text(long number) { return std::strerror(static_cast<int>(number)); }

}  // namespace

struct CurlFtpClient::Impl {
    // The handles are made at once: curl's one-time set-up then happens with
    // the window, not in the middle of the first login.
    Impl(CurlFtpClient& o, EventLoop& l) : owner(o), loop(l) { ensure_handles(); }
    ~Impl() { drop_connection(); if (easy) curl_easy_cleanup(easy); }

    CurlFtpClient& owner;
    EventLoop& loop;

    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    bool attached = false;  // the easy handle is in the multi handle
    std::map<curl_socket_t, EventLoop::Id> watches;
    EventLoop::Id timer = 0;
    std::uint64_t timer_generation = 0;
    std::deque<Report> reports;

    // The open connection.
    bool open = false;
    std::string host;
    int port = 21;
    std::string login_password;  // to blank it out of any text that is passed on

    // The transfer that runs or ran last.
    bool done = false;
    CURLcode result = CURLE_OK;
    bool connection_kept = false;
    long os_errno = 0;
    std::string last_command;  // verb of the last command sent
    std::string last_reply;    // last reply line to that command
    char errbuf[CURL_ERROR_SIZE] = {};

    File source;
    std::int64_t sent = 0;
    std::int64_t total = 0;
    bool read_failed = false;
    std::string read_error;

    std::weak_ptr<int> alive() const { return owner.alive_; }

    void ensure_handles() {
        if (!multi) {
            multi = curl_multi_init();
            if (!multi) throw EFtpFailure("FTP client could not be set up: out of memory");
            curl_multi_setopt(multi, CURLMOPT_SOCKETFUNCTION, &Impl::socket_callback);
            curl_multi_setopt(multi, CURLMOPT_SOCKETDATA, this);
            curl_multi_setopt(multi, CURLMOPT_TIMERFUNCTION, &Impl::timer_callback);
            curl_multi_setopt(multi, CURLMOPT_TIMERDATA, this);
        }
        if (!easy) {
            easy = curl_easy_init();
            if (!easy) throw EFtpFailure("FTP client could not be set up: out of memory");
        }
    }

    // Closes the control connection: curl sends QUIT while it is still usable.
    void drop_connection() {
        if (attached && multi) curl_multi_remove_handle(multi, easy);
        attached = false;
        if (multi) curl_multi_cleanup(multi);
        multi = nullptr;
        for (const auto& [socket, id] : watches) loop.unwatch_fd(id);
        watches.clear();
        cancel_timer();
        reports.clear();
        open = false;
    }

    std::string base_url() const { return "ftp://" + host + ":" + std::to_string(port) + "/"; }

    void set_options(const std::string& url) {
        curl_easy_reset(easy);
        curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "ftp");
        curl_easy_setopt(easy, CURLOPT_USERNAME, owner.user_id.c_str());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, login_password.c_str());
        // Active data connections: the device connects back to a port opened
        // on the address of the control connection, announced with PORT.
        curl_easy_setopt(easy, CURLOPT_FTPPORT, "-");
        curl_easy_setopt(easy, CURLOPT_FTP_USE_EPRT, 0L);
        // No CWD: STOR carries the remote name exactly as given.
        curl_easy_setopt(easy, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
        curl_easy_setopt(easy, CURLOPT_ACCEPTTIMEOUT_MS, kConnectTimeoutMs);
        curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, kResponseTimeoutMs / 1000);
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errbuf);
        // Verbose only so that the debug callback sees the reply lines; with a
        // debug callback curl writes nothing to standard error.
        curl_easy_setopt(easy, CURLOPT_DEBUGFUNCTION, &Impl::debug_callback);
        curl_easy_setopt(easy, CURLOPT_DEBUGDATA, this);
        curl_easy_setopt(easy, CURLOPT_VERBOSE, 1L);
    }

    // Runs the prepared transfer in a nested loop until it is over.
    Outcome run() {
        done = false;
        result = CURLE_OK;
        connection_kept = false;
        os_errno = 0;
        errbuf[0] = '\0';
        last_command.clear();
        last_reply.clear();
        const CURLMcode added = curl_multi_add_handle(multi, easy);
        if (added != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            done = true;
            return Outcome::Done;
        }
        attached = true;
        const std::weak_ptr<int> token = alive();
        loop.run_until([&] {
            if (token.expired() || done) return true;
            return owner.abandon_wait && owner.abandon_wait();
        });
        if (token.expired()) return Outcome::Gone;
        if (done) return Outcome::Done;
        // Quit or abandoned: stop at once; a half-done exchange leaves the connection unusable.
        drop_connection();
        return Outcome::Abandoned;
    }

    void after_curl() {
        collect_finished();
        deliver_reports();  // may end with this client destroyed: nothing after it
    }

    void collect_finished() {
        if (!multi) return;
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
            if (msg->msg != CURLMSG_DONE || msg->easy_handle != easy) continue;
            result = msg->data.result;
            curl_socket_t control = CURL_SOCKET_BAD;
            curl_easy_getinfo(easy, CURLINFO_ACTIVESOCKET, &control);
            connection_kept = control != CURL_SOCKET_BAD;
            long number = 0;
            curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &number);
            os_errno = number;
            curl_multi_remove_handle(multi, easy);
            attached = false;
            done = true;
            break;
        }
    }

    void deliver_reports() {
        const std::weak_ptr<int> token = alive();
        while (!reports.empty()) {
            Report report = std::move(reports.front());
            reports.pop_front();
            if (report.kind == Report::Kind::Status) {
                if (auto handler = owner.on_status) handler(report.text);
            } else if (auto handler = owner.on_packet_sent) {
                handler();
            }
            if (token.expired()) return;
        }
    }

    void on_socket(curl_socket_t socket, unsigned ready) {
        if (!multi) return;
        int flags = 0;
        if (ready & unsigned(FdEvent::Readable)) flags |= CURL_CSELECT_IN;
        if (ready & unsigned(FdEvent::Writable)) flags |= CURL_CSELECT_OUT;
        int running = 0;
        curl_multi_socket_action(multi, socket, flags, &running);
        after_curl();
    }

    void on_timeout() {
        if (!multi) return;
        int running = 0;
        curl_multi_socket_action(multi, CURL_SOCKET_TIMEOUT, 0, &running);
        after_curl();
    }

    void cancel_timer() {
        ++timer_generation;
        if (timer != 0) loop.stop_timer(timer);
        timer = 0;
    }

    // Blanks out every copy of the password after the reply code.
    std::string without_password(std::string text) const {
        const std::string& secret = login_password;
        if (secret.empty()) return text;
        std::size_t pos = text.find(secret, std::min<std::size_t>(3, text.size()));
        while (pos != std::string::npos) {
            text.replace(pos, secret.size(), std::string(secret.size(), '*'));
            pos = text.find(secret, pos + secret.size());
        }
        return text;
    }

    std::string failure_text(Stage stage) const {
        if (negative_reply(last_reply)) return without_password(last_reply);
        std::string text = stage == Stage::Login ? "FTP login to " : "FTP upload to ";
        text += host + " port " + std::to_string(port) + " failed: ";
        if (read_failed) text += "the local file could not be read (" + read_error + ")";
        else text += curl_easy_strerror(result);
        if (os_errno != 0) text += " (" + system_error_text(os_errno) + ")";
        return without_password(text);
    }

    // curl's callbacks. They only record and schedule; curl must not be
    // re-entered from them, so handlers run later from after_curl.
    static int socket_callback(CURL*, curl_socket_t socket, int what, void* userp, void*) {
        auto* self = static_cast<Impl*>(userp);
        if (auto it = self->watches.find(socket); it != self->watches.end()) {
            self->loop.unwatch_fd(it->second);
            self->watches.erase(it);
        }
        if (what == CURL_POLL_REMOVE) return 0;
        unsigned events = 0;
        if (what & CURL_POLL_IN) events |= unsigned(FdEvent::Readable);
        if (what & CURL_POLL_OUT) events |= unsigned(FdEvent::Writable);
        self->watches[socket] =
            self->loop.watch_fd(socket, events, [self, socket](unsigned ready) { self->on_socket(socket, ready); });
        return 0;
    }

    static int timer_callback(CURLM*, long timeout_ms, void* userp) {
        auto* self = static_cast<Impl*>(userp);
        self->cancel_timer();
        if (timeout_ms < 0) return 0;
        const std::uint64_t generation = self->timer_generation;
        if (timeout_ms == 0) {
            self->loop.post([self, generation, token = self->alive()] {
                if (token.expired() || generation != self->timer_generation) return;
                self->on_timeout();
            });
        } else {
            self->timer = self->loop.start_timer(static_cast<std::uint32_t>(timeout_ms), [self] {
                self->cancel_timer();
                self->on_timeout();
            });
        }
        return 0;
    }

    static int debug_callback(CURL*, curl_infotype type, char* data, std::size_t size, void* userp) {
        auto* self = static_cast<Impl*>(userp);
        const std::string_view text(data, size);
        if (type == CURLINFO_HEADER_OUT) {
            // Only the verb is kept: the argument of PASS is the password.
            std::string verb(text.substr(0, text.find_first_of(" \r\n")));
            for (char& c : verb) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            self->last_command = verb;
            self->last_reply.clear();
        } else if (type == CURLINFO_HEADER_IN) {
            std::string line(text);
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
            self->last_reply = line;
            self->reports.push_back({Report::Kind::Status, self->without_password(line)});
        }
        return 0;
    }

    static std::size_t read_callback(char* buffer, std::size_t size, std::size_t count, void* userp) {
        auto* self = static_cast<Impl*>(userp);
        const std::int64_t n = self->source.read(buffer, static_cast<std::int64_t>(size * count));
        if (n < 0) {
            self->read_failed = true;
            self->read_error = self->source.error();
            return CURL_READFUNC_ABORT;
        }
        self->sent += n;
        if (n > 0) self->reports.push_back({Report::Kind::PacketSent, {}});
        return static_cast<std::size_t>(n);
    }

    void connect() {
        if (open) disconnect();
        host = owner.host;
        port = owner.port;
        login_password = owner.password;
        const std::weak_ptr<int> token = alive();
        if (!plain_host(host)) {
            if (auto handler = owner.on_invalid_host) handler();
            throw EFtpFailure("FTP login failed: \"" + without_password(host) + "\" is not a host address");
        }
        ensure_handles();
        set_options(base_url());
        // Log in only: no listing, no transfer; the connection stays in the multi handle.
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
        read_failed = false;
        const Outcome outcome = run();
        if (outcome == Outcome::Gone) throw EFtpFailure(kGoneText);
        if (outcome == Outcome::Abandoned)
            throw EFtpFailure("FTP login to " + host + " port " + std::to_string(port) + " abandoned");
        if (result == CURLE_OK && connection_kept) {
            open = true;
            if (auto handler = owner.on_connect) handler();
            return;
        }
        if (result == CURLE_OK) result = CURLE_GOT_NOTHING;  // logged in, but the server closed at once
        const std::string text = failure_text(Stage::Login);
        const CURLcode code = result;
        const long number = os_errno;
        drop_connection();
        if (auto handler = owner.on_error; number != 0 && handler)
            handler(static_cast<int>(number), system_error_text(number));
        if (token.expired()) throw EFtpFailure(text);
        if (code == CURLE_COULDNT_RESOLVE_HOST) {
            if (auto handler = owner.on_invalid_host) handler();
        } else if (code == CURLE_COULDNT_CONNECT || !negative_reply(text)) {
            if (auto handler = owner.on_connection_failed) handler();
        }
        throw EFtpFailure(text);
    }

    void upload(const std::string& local_path, const std::string& remote_name) {
        const std::weak_ptr<int> token = alive();
        auto fail_before_start = [&](const std::string& text) {
            if (auto handler = owner.on_failure) handler(FtpCommand::Upload);
            throw EFtpFailure(text);
        };
        if (!open) fail_before_start("FTP upload of " + remote_name + " failed: not connected");
        source = File::open_read(local_path);
        if (!source.is_open())
            fail_before_start("FTP upload failed: cannot open " + local_path + " (" + source.error() + ")");
        total = source.size();
        sent = 0;
        read_failed = false;
        read_error.clear();

        char* escaped = curl_easy_escape(easy, remote_name.data(), static_cast<int>(remote_name.size()));
        // Every byte but letters, digits and -._~ is escaped, the separators
        // too, so curl sends the name back unchanged (a leading "/" included).
        const std::string url = base_url() + (escaped ? escaped : "");
        curl_free(escaped);
        set_options(url);
        curl_easy_setopt(easy, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(easy, CURLOPT_READFUNCTION, &Impl::read_callback);
        curl_easy_setopt(easy, CURLOPT_READDATA, this);
        curl_easy_setopt(easy, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(total));
        curl_easy_setopt(easy, CURLOPT_UPLOAD_BUFFERSIZE, kUploadBlockBytes);

        if (auto handler = owner.on_transaction_start) handler();
        if (token.expired()) throw EFtpFailure(kGoneText);
        const Outcome outcome = run();
        if (outcome == Outcome::Gone) throw EFtpFailure(kGoneText);
        source.close();
        if (outcome == Outcome::Abandoned)
            throw EFtpFailure("FTP upload to " + host + " port " + std::to_string(port) + " abandoned");

        const bool kept = connection_kept;
        const std::string text = failure_text(Stage::Upload);
        const CURLcode code = result;
        const long number = os_errno;
        const bool rejected_after_data =
            code == CURLE_PARTIAL_FILE && last_command == "STOR" && last_reply.rfind("429", 0) == 0;
        if (!kept) drop_connection();

        if (auto handler = owner.on_transaction_stop) handler();
        if (token.expired()) throw EFtpFailure(kGoneText);
        if (code == CURLE_OK) {
            if (auto handler = owner.on_success) handler();
            return;
        }
        // The device received the image and refused it: its reply went to
        // on_status like every other, and the upload itself is over.
        if (rejected_after_data) return;
        if (auto handler = owner.on_error; number != 0 && handler)
            handler(static_cast<int>(number), system_error_text(number));
        if (token.expired()) throw EFtpFailure(text);
        if (auto handler = owner.on_failure) handler(FtpCommand::Upload);
        throw EFtpFailure(text);
    }

    void disconnect() {
        if (!open) return;
        drop_connection();
        if (auto handler = owner.on_disconnect) handler();
    }
};

CurlFtpClient::CurlFtpClient(EventLoop& loop) : impl_(std::make_unique<Impl>(*this, loop)) {}

CurlFtpClient::~CurlFtpClient() = default;

void CurlFtpClient::Connect() { impl_->connect(); }

void CurlFtpClient::Upload(const std::string& local_path, const std::string& remote_name) {
    impl_->upload(local_path, remote_name);
}

void CurlFtpClient::Disconnect() { impl_->disconnect(); }

bool CurlFtpClient::connected() const { return impl_->open; }

std::int64_t CurlFtpClient::bytes_sent() const { return impl_->sent; }

std::int64_t CurlFtpClient::bytes_total() const { return impl_->total; }

std::unique_ptr<FtpClient> make_curl_ftp_client(EventLoop& loop) { return std::make_unique<CurlFtpClient>(loop); }

}  // namespace fw
