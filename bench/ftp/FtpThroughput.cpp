// Upload throughput of the tool's FTP client next to curl -T, to the same
// pyftpdlib server over the same lab link (network namespaces joined by a
// bridge). Each run is a whole session: connect, log in, one STOR; the time
// ends with the final reply to the STOR, as curl's time_total does.
//
//   ftp_throughput [--runs N] [--sizes-mb 8,64]
//
// Needs root (namespaces), /usr/bin/python3 with pyftpdlib, and curl. Prints
// the median and the best throughput of each and the ratios client / curl,
// and the median ratio of runs made back to back.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "FtpPeer.h"
#include "e2e/lab/LabNetwork.h"
#include "platform/net/curl/CurlFtpClient.h"
#include "platform/runtime/PollEventLoop.h"

namespace {

constexpr const char* kRouter = "192.168.0.1";
constexpr const char* kPassword = "bench-pw";

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string write_random_file(const std::string& dir, std::size_t megabytes) {
    const std::string path = dir + "/image-" + std::to_string(megabytes) + "mb.bin";
    std::ofstream out(path, std::ios::binary);
    std::mt19937_64 gen(megabytes);
    std::vector<std::uint64_t> block(1 << 14);
    for (std::size_t written = 0; written < megabytes << 20; written += block.size() * 8) {
        for (auto& w : block) w = gen();
        out.write(reinterpret_cast<const char*>(block.data()), std::streamsize(block.size() * 8));
    }
    return path;
}

// Seconds for one session of the tool's client, run inside the PC namespace.
double client_seconds(const fw::lab::LabNetwork& lab, const std::string& file, const std::string& remote) {
    const std::string out = lab.run_in_pc([&] {
        fw::PollEventLoop loop;
        auto ftp = fw::make_curl_ftp_client(loop);
        ftp->host = kRouter;
        ftp->port = 21;
        ftp->user_id = "root";
        ftp->password = kPassword;
        const auto t0 = std::chrono::steady_clock::now();
        ftp->Connect();
        ftp->Upload(file, remote);
        // curl's time_total ends with the transfer too; its QUIT comes after.
        const std::chrono::duration<double> d = std::chrono::steady_clock::now() - t0;
        ftp->Disconnect();
        return std::to_string(d.count());
    });
    if (out.rfind("child failed", 0) == 0 || out.rfind("exception", 0) == 0) throw std::runtime_error(out);
    return std::stod(out);
}

// Seconds for one session of curl -T, as curl measures it (its start-up not counted).
double curl_seconds(const fw::lab::LabNetwork& lab, const std::string& file, const std::string& remote,
                    const std::string& netrc) {
    const std::string url = std::string("ftp://") + kRouter + ":21/%2F" + remote.substr(1);
    const auto r = lab.exec("pc", {"curl", "-sS", "--netrc-file", netrc, "--ftp-port", "-", "--disable-eprt",
                                   "--ftp-method", "nocwd", "-T", file, "-w", "%{time_total}", "-o", "/dev/null", url});
    if (r.exit_code != 0) throw std::runtime_error("curl failed: " + r.output);
    return std::stod(r.output);
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 5;
    std::vector<std::size_t> sizes{8, 64};
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
        else if (option == "--sizes-mb") {
            sizes.clear();
            std::stringstream list(argv[i + 1]);
            std::string item;
            while (std::getline(list, item, ',')) sizes.push_back(std::stoul(item));
        }
    }
    const std::string reason = fw::lab::LabNetwork::unavailable_reason();
    std::string why;
    if (!reason.empty() || !fw::test::FtpPeer::available(&why) || std::system("curl --version >/dev/null 2>&1") != 0) {
        std::cerr << "ftp_throughput: cannot run here: " << (reason.empty() ? why : reason) << "\n";
        return 77;
    }

    char dir_pattern[] = "/tmp/fwftp-bench-XXXXXX";
    if (!::mkdtemp(dir_pattern)) return 1;
    const std::string dir = dir_pattern;
    const std::string netrc = dir + "/netrc";
    std::ofstream(netrc) << "machine " << kRouter << " login root password " << kPassword << "\n";

    int status = 0;
    try {
        fw::lab::LabConfig config;
        config.routers.push_back({"r1", std::string(kRouter) + "/24", {"--normal", "module=WX2000"}});
        fw::lab::LabNetwork lab(config);
        fw::test::FtpPeerOptions o;
        o.host = kRouter;
        o.port = 21;
        o.password = kPassword;
        o.netns = lab.namespace_of("r1");
        fw::test::FtpPeer peer(o);

        std::printf("%8s %14s %14s %8s %14s %14s %8s %12s\n", "size", "client MB/s", "curl -T MB/s", "ratio",
                    "client best", "curl -T best", "ratio", "pair ratio");
        for (std::size_t mb : sizes) {
            const std::string file = write_random_file(dir, mb);
            std::vector<double> ours, theirs;
            // Warm-up of both, then alternate so neither gains from the order.
            client_seconds(lab, file, "/bench/warm.bin");
            curl_seconds(lab, file, "/bench/warm.bin", netrc);
            for (int r = 0; r < runs; ++r) {
                ours.push_back(client_seconds(lab, file, "/bench/client.bin"));
                theirs.push_back(curl_seconds(lab, file, "/bench/curl.bin", netrc));
            }
            // The median, and the best run: on a busy machine the best says most about the code.
            const double ours_rate = double(mb) / median(ours);
            const double curl_rate = double(mb) / median(theirs);
            const double ours_best = double(mb) / *std::min_element(ours.begin(), ours.end());
            const double curl_best = double(mb) / *std::min_element(theirs.begin(), theirs.end());
            // Each client run and the curl run right after it saw much the same load.
            std::vector<double> pairs;
            for (std::size_t r = 0; r < ours.size(); ++r) pairs.push_back(theirs[r] / ours[r]);
            std::printf("%6zuMB %14.1f %14.1f %8.3f %14.1f %14.1f %8.3f %12.3f\n", mb, ours_rate, curl_rate,
                        ours_rate / curl_rate, ours_best, curl_best, ours_best / curl_best, median(pairs));
            std::remove(file.c_str());
        }
    } catch (const std::exception& e) {
        std::cerr << "ftp_throughput: " << e.what() << "\n";
        status = 1;
    }
    std::remove(netrc.c_str());
    ::rmdir(dir.c_str());
    return status;
}
