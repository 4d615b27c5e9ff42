#include "platform/files/FileRoutines.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <vector>

#include "platform/runtime/Environment.h"

namespace fw {

bool file_exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool delete_file(const std::string& path) { return ::unlink(path.c_str()) == 0; }

std::string own_executable_path() {
    std::vector<char> buf(PATH_MAX + 1);
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) return {};
    return std::string(buf.data(), static_cast<std::size_t>(n));
}

std::string temp_folder(const Environment& env) {
    if (auto temp = env.get_ignoring_case("TEMP"); temp && !temp->empty()) return *temp;
    if (auto tmpdir = env.get("TMPDIR"); tmpdir && !tmpdir->empty()) return *tmpdir;
    return "/tmp";
}

std::string folder_of(const std::string& path) {
    const auto pos = path.find_last_of(kPathSeparator);
    if (pos == std::string::npos) return {};
    if (pos == 0) return std::string(1, kPathSeparator);
    return path.substr(0, pos);
}

}  // namespace fw
