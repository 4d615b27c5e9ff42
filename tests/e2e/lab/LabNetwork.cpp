#include "e2e/lab/LabNetwork.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fw::lab {

namespace {

constexpr const char* STATE_ROOT = "/run/fwlab";

// Labs of this process, for the signal handler. Fixed storage, so the handler
// needs no allocation.
constexpr int MAX_LABS = 8;
char active_labs[MAX_LABS][32] = {};

void remove_labs_and_die(int signal_number) {
    for (auto& prefix : active_labs) {
        if (prefix[0] == '\0')
            continue;
        const pid_t pid = ::fork();
        if (pid == 0) {
            char* const argv[] = {const_cast<char*>("/bin/bash"), const_cast<char*>(FW_LAB_SCRIPT),
                                  const_cast<char*>("cleanup"), prefix, nullptr};
            ::execv("/bin/bash", argv);
            ::_exit(127);
        }
        if (pid > 0)
            ::waitpid(pid, nullptr, 0);
        prefix[0] = '\0';
    }
    ::signal(signal_number, SIG_DFL);
    ::raise(signal_number);
}

void remember_lab(const std::string& prefix) {
    static bool handlers_installed = false;
    if (!handlers_installed) {
        struct sigaction action {};
        action.sa_handler = remove_labs_and_die;
        sigemptyset(&action.sa_mask);
        for (int signal_number : {SIGINT, SIGTERM, SIGHUP})
            ::sigaction(signal_number, &action, nullptr);
        handlers_installed = true;
    }
    for (auto& slot : active_labs) {
        if (slot[0] == '\0') {
            std::snprintf(slot, sizeof slot, "%s", prefix.c_str());
            return;
        }
    }
}

void forget_lab(const std::string& prefix) {
    for (auto& slot : active_labs) {
        if (prefix == slot)
            slot[0] = '\0';
    }
}

// Blocks the signals that remove labs; returns the mask to restore.
sigset_t block_lab_signals() {
    sigset_t block, previous;
    sigemptyset(&block);
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&block, signal_number);
    ::sigprocmask(SIG_BLOCK, &block, &previous);
    return previous;
}

// Runs a program; collects its stdout (and stderr when asked) and its exit code.
enum class Stderr { Collect, PassThrough };

CommandResult run_program(const std::vector<std::string>& argv, Stderr stderr_mode) {
    CommandResult result;
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0)
        return result;
    const pid_t pid = ::fork();
    if (pid < 0)
        return result;
    if (pid == 0) {
        ::dup2(pipe_fds[1], STDOUT_FILENO);
        if (stderr_mode == Stderr::Collect)
            ::dup2(pipe_fds[1], STDERR_FILENO);
        // The script and the routers it starts must not inherit signals blocked here.
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        const int null_fd = ::open("/dev/null", O_RDONLY);
        ::dup2(null_fd, STDIN_FILENO);
        ::setenv("FWLAB_ROUTERSIM", FW_ROUTERSIM_PATH, 1);
        std::vector<char*> args;
        for (const auto& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        std::fprintf(stderr, "cannot run %s: %s\n", args[0], std::strerror(errno));
        ::_exit(127);
    }
    ::close(pipe_fds[1]);
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0)
        result.output.append(buffer, static_cast<std::size_t>(n));
    ::close(pipe_fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// One config line word, quoted for the script's shell-like splitting.
std::string quoted(const std::string& word) {
    std::string out = "'";
    for (char c : word)
        out += c == '\'' ? std::string("'\"'\"'") : std::string(1, c);
    return out + "'";
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::string LabNetwork::unavailable_reason() {
    if (::geteuid() != 0)
        return "lab tests need root (network namespaces)";
    if (run_program({"ip", "netns", "list"}, Stderr::Collect).exit_code != 0)
        return "lab tests need iproute2 with \"ip netns\"";
    if (::access(FW_LAB_SCRIPT, R_OK) != 0)
        return std::string("lab script not found: ") + FW_LAB_SCRIPT;
    return {};
}

LabNetwork::LabNetwork(const LabConfig& config) {
    char config_path[] = "/tmp/fwlab-config-XXXXXX";
    const int fd = ::mkstemp(config_path);
    if (fd < 0)
        throw std::runtime_error("cannot write a lab config");
    std::string text = "pc";
    for (const auto& address : config.pc_addresses)
        text += " " + quoted(address);
    text += "\n";
    for (const auto& router : config.routers) {
        text += "router " + quoted(router.name) + " " + quoted(router.address);
        if (router.ping == PingReply::Ignored)
            text += " noping";
        for (const auto& arg : router.routersim_args)
            text += " " + quoted(arg);
        text += "\n";
    }
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);

    // Blocking the signals while the script runs leaves no moment in which a
    // lab exists that the handler does not know of.
    const sigset_t previous = block_lab_signals();
    const CommandResult up =
        written ? run_program({"/bin/bash", FW_LAB_SCRIPT, "up", "--owner", std::to_string(::getpid()), config_path},
                              Stderr::PassThrough)
                : CommandResult{};
    std::string prefix = up.output;
    while (!prefix.empty() && (prefix.back() == '\n' || prefix.back() == ' '))
        prefix.pop_back();
    if (up.exit_code == 0)
        remember_lab(prefix);
    ::sigprocmask(SIG_SETMASK, &previous, nullptr);
    ::unlink(config_path);
    if (up.exit_code != 0 || prefix.rfind("fwlab-", 0) != 0)
        throw std::runtime_error("lab.sh up failed (exit code " + std::to_string(up.exit_code) + "): " + up.output);
    prefix_ = prefix;
}

LabNetwork::~LabNetwork() {
    // A signal that comes while the lab is being removed waits until it is gone.
    const sigset_t previous = block_lab_signals();
    forget_lab(prefix_);
    run_program({"/bin/bash", FW_LAB_SCRIPT, "down", prefix_}, Stderr::PassThrough);
    ::sigprocmask(SIG_SETMASK, &previous, nullptr);
}

std::string LabNetwork::state_dir() const { return std::string(STATE_ROOT) + "/" + prefix_; }

std::string LabNetwork::router_log(const std::string& name) const { return read_file(state_dir() + "/" + name + ".log"); }

std::string LabNetwork::store_dir(const std::string& name) const { return state_dir() + "/" + name + ".store"; }

CommandResult LabNetwork::exec(const std::string& host, const std::vector<std::string>& argv) const {
    std::vector<std::string> command{"ip", "netns", "exec", namespace_of(host)};
    command.insert(command.end(), argv.begin(), argv.end());
    return run_program(command, Stderr::Collect);
}

std::string LabNetwork::run_in(const std::string& host, const std::function<std::string()>& body) const {
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0)
        return "child failed: no pipe";
    const pid_t pid = ::fork();
    if (pid < 0)
        return "child failed: no fork";
    if (pid == 0) {
        ::close(pipe_fds[0]);
        // The parent removes the lab on a signal; the child just ends.
        for (int signal_number : {SIGINT, SIGTERM, SIGHUP})
            ::signal(signal_number, SIG_DFL);
        std::string result;
        const int ns = ::open(("/run/netns/" + namespace_of(host)).c_str(), O_RDONLY | O_CLOEXEC);
        if (ns < 0 || ::setns(ns, CLONE_NEWNET) != 0) {
            result = "child failed: cannot enter " + namespace_of(host);
        } else {
            try {
                result = body();
            } catch (const std::exception& error) {
                result = std::string("exception: ") + error.what();
            }
        }
        const bool written = ::write(pipe_fds[1], result.data(), result.size()) == static_cast<ssize_t>(result.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(pipe_fds[1]);
    std::string result;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0)
        result.append(buffer, static_cast<std::size_t>(n));
    ::close(pipe_fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "child failed: " + result;
    return result;
}

}  // namespace fw::lab
