#pragma once

#include "package/ByteSource.h"

#include <cstring>
#include <span>

namespace fw {

// A ByteSource over bytes already in memory; the bytes must outlive it.
class MemoryByteSource final : public ByteSource {
public:
    explicit MemoryByteSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint64_t size() const override { return bytes_.size(); }

    bool read_at(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) override
    {
        if (offset > bytes_.size() || length > bytes_.size() - offset)
            return false;
        if (length > 0)
            std::memcpy(buffer, bytes_.data() + offset, length);
        return true;
    }

private:
    std::span<const std::uint8_t> bytes_;
};

}  // namespace fw
