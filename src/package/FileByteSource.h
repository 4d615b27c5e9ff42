#pragma once

#include "package/ByteSource.h"

namespace fw {

class File;

// A ByteSource over an open file, read in place with seek and read. The file
// must stay open while the source is used; its size is taken once, when the
// source is made, so a package is checked against one fixed length.
class FileByteSource final : public ByteSource {
public:
    explicit FileByteSource(File& file);

    std::uint64_t size() const override { return size_; }
    bool read_at(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) override;

private:
    File& file_;
    std::uint64_t size_ = 0;
};

}  // namespace fw
