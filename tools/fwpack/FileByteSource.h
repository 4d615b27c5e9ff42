#pragma once

#include "package/ByteSource.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace fwpack {

// A ByteSource over a regular file, read in place.
class FileByteSource final : public fw::ByteSource {
public:
    // Opens the file; on failure is_open() is false and error() says why.
    explicit FileByteSource(const std::filesystem::path& path);

    bool is_open() const { return open_; }
    const std::string& error() const { return error_; }

    std::uint64_t size() const override { return size_; }
    bool read_at(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) override;

private:
    std::ifstream file_;
    std::uint64_t size_ = 0;
    bool open_ = false;
    std::string error_;
};

}  // namespace fwpack
