#include "fwpack/FileByteSource.h"

#include <cerrno>
#include <cstring>
#include <limits>

namespace fwpack {

FileByteSource::FileByteSource(const std::filesystem::path& path)
{
    std::error_code status_error;
    const auto status = std::filesystem::status(path, status_error);
    if (status_error) {
        error_ = status_error.message();
        return;
    }
    if (!std::filesystem::is_regular_file(status)) {
        error_ = "not a regular file";
        return;
    }
    file_.open(path, std::ios::binary);
    if (!file_) {
        error_ = std::strerror(errno);
        return;
    }
    std::error_code size_error;
    size_ = std::filesystem::file_size(path, size_error);
    if (size_error) {
        error_ = size_error.message();
        return;
    }
    open_ = true;
}

bool FileByteSource::read_at(std::uint64_t offset, std::uint8_t* buffer, std::size_t length)
{
    if (!open_ || offset > size_ || length > size_ - offset)
        return false;
    if (length == 0)
        return true;
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<std::streamoff>::max()))
        return false;
    file_.clear();
    file_.seekg(static_cast<std::streamoff>(offset));
    file_.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(length));
    return file_.good() && static_cast<std::size_t>(file_.gcount()) == length;
}

}  // namespace fwpack
