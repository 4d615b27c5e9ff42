#pragma once

#include <cstddef>
#include <cstdint>

namespace fw {

// Random access to a run of bytes of known size. A package sits at the end
// of an executable, so it is checked in place instead of loading the file.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Reads exactly `length` bytes starting at `offset`. Returns false when
    // they do not all lie inside the source or the read fails.
    virtual bool read_at(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) = 0;
};

}  // namespace fw
