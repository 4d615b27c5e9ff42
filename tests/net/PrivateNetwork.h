#pragma once

#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>

namespace fw::test {

// Runs a function in a forked child inside a network namespace of its own,
// with only loopback (brought up), so a test may change sysctls, add
// interfaces or drop privileges without touching this machine's network.
// The namespace goes away with the child. Returns the child's text, or a
// text starting with "child failed" when it could not run.
inline std::string run_in_private_network(const std::function<std::string()>& body) {
    int pipe_fds[2];
    if (::pipe(pipe_fds) != 0)
        return "child failed: no pipe";
    const pid_t pid = ::fork();
    if (pid < 0)
        return "child failed: no fork";
    if (pid == 0) {
        ::close(pipe_fds[0]);
        std::string result;
        if (::unshare(CLONE_NEWNET) != 0) {
            result = "child failed: unshare";
        } else if (std::system("ip link set lo up") != 0) {
            result = "child failed: loopback";
        } else {
            try {
                result = body();
            } catch (const std::exception& error) {
                result = std::string("exception: ") + error.what();
            }
        }
        const ssize_t written = ::write(pipe_fds[1], result.data(), result.size());
        ::_exit(written == static_cast<ssize_t>(result.size()) ? 0 : 1);
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
    return result;
}

inline bool write_sysctl(const std::string& path, const std::string& value) {
    FILE* file = std::fopen(path.c_str(), "w");
    if (!file)
        return false;
    const bool ok = std::fputs(value.c_str(), file) >= 0;
    return std::fclose(file) == 0 && ok;
}

// Gives up root for the user and group "nobody".
inline bool become_nobody() { return ::setgid(65534) == 0 && ::setuid(65534) == 0; }

}  // namespace fw::test
