#include "platform/files/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace fw {

File::~File() { close(); }

File::File(File&& other) noexcept : fd_(other.fd_), error_(std::move(other.error_)) { other.fd_ = -1; }

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        error_ = std::move(other.error_);
        other.fd_ = -1;
    }
    return *this;
}

void File::remember_error() { error_ = std::strerror(errno); }

File File::open_read(const std::string& path) {
    File f(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!f.is_open()) f.remember_error();
    return f;
}

File File::open_existing_for_write(const std::string& path) {
    File f(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!f.is_open()) {
        f.remember_error();
        return f;
    }
    struct stat st {};
    if (::fstat(f.fd_, &st) != 0) {
        f.remember_error();
        f.close();
        return f;
    }
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        f.close();
        f.error_ = S_ISREG(st.st_mode) ? "the file belongs to another user" : "not a regular file";
        return f;
    }
    // Opened without blocking so a FIFO could not stall us; regular files need no such care.
    ::fcntl(f.fd_, F_SETFL, ::fcntl(f.fd_, F_GETFL) & ~O_NONBLOCK);
    return f;
}

File File::create_new(const std::string& path) {
    File f(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!f.is_open()) f.remember_error();
    return f;
}

std::int64_t File::seek(std::int64_t offset, SeekOrigin origin) {
    if (!is_open()) return -1;
    const int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
    const off_t r = ::lseek(fd_, offset, whence);
    if (r < 0) remember_error();
    return r;
}

std::int64_t File::size() {
    if (!is_open()) return -1;
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        remember_error();
        return -1;
    }
    return st.st_size;
}

std::int64_t File::read(void* buffer, std::int64_t length) {
    if (!is_open() || length < 0) return -1;
    auto* out = static_cast<char*>(buffer);
    std::int64_t done = 0;
    while (done < length) {
        const ssize_t n = ::read(fd_, out + done, static_cast<std::size_t>(length - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            remember_error();
            return -1;
        }
        if (n == 0) break;
        done += n;
    }
    return done;
}

std::int64_t File::write(const void* data, std::int64_t length) {
    if (!is_open() || length < 0) return -1;
    const auto* in = static_cast<const char*>(data);
    std::int64_t done = 0;
    while (done < length) {
        const ssize_t n = ::write(fd_, in + done, static_cast<std::size_t>(length - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            remember_error();
            return -1;
        }
        done += n;
    }
    return done;
}

bool File::truncate(std::int64_t length) {
    if (!is_open()) return false;
    if (::ftruncate(fd_, length) != 0) {
        remember_error();
        return false;
    }
    return true;
}

bool File::clear_read_only() {
    struct stat st {};
    if (!is_open() || ::fstat(fd_, &st) != 0) return false;
    return ::fchmod(fd_, (st.st_mode & 07777) | S_IWUSR) == 0;
}

void File::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

}  // namespace fw
