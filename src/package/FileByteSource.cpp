#include "package/FileByteSource.h"

#include <cstdint>
#include <limits>

#include "platform/files/File.h"

namespace fw {

FileByteSource::FileByteSource(File& file) : file_(file) {
    const std::int64_t size = file_.size();
    size_ = size > 0 ? static_cast<std::uint64_t>(size) : 0;
}

bool FileByteSource::read_at(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) {
    if (offset > size_ || length > size_ - offset) return false;
    if (length == 0) return true;
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (offset > kMax || length > kMax) return false;
    if (file_.seek(static_cast<std::int64_t>(offset), SeekOrigin::Begin) != static_cast<std::int64_t>(offset))
        return false;
    return file_.read(buffer, static_cast<std::int64_t>(length)) == static_cast<std::int64_t>(length);
}

}  // namespace fw
