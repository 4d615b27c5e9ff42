#pragma once

#include <cstdint>
#include <string>

namespace fw {

enum class SeekOrigin { Begin, Current, End };

// An open file, closed when the object goes. Failures are reported as values:
// a file that did not open is !is_open(), and read, write and seek return -1.
class File {
public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Read-only, the way the tool reads its own program file and firmware files.
    static File open_read(const std::string& path);
    // An existing regular file of this user for reading and writing, never through a symbolic link.
    static File open_existing_for_write(const std::string& path);
    // A new file, failing when anything exists at the path; readable by the user only.
    static File create_new(const std::string& path);

    bool is_open() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    // The system's text for the failure of the last open, read, write or seek.
    const std::string& error() const { return error_; }

    std::int64_t seek(std::int64_t offset, SeekOrigin origin);
    std::int64_t size();
    // Reads up to length bytes (fewer only at the end of the file); -1 on failure.
    std::int64_t read(void* buffer, std::int64_t length);
    // Writes all bytes; -1 on failure.
    std::int64_t write(const void* data, std::int64_t length);
    // Cuts the file to this length.
    bool truncate(std::int64_t length);
    // Gives the owner write permission (the file is no longer read-only).
    bool clear_read_only();
    void close();

private:
    explicit File(int fd) : fd_(fd) {}
    void remember_error();

    int fd_ = -1;
    std::string error_;
};

}  // namespace fw
