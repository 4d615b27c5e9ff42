#pragma once

#include <cstddef>
#include <cstdint>

namespace fw {

// Room for a whole file's bytes, for one read and one write. Its contents are
// left as the system gives them, not filled. Buffers of megabytes lie on huge
// pages where the system offers them, so filling one costs a few page faults
// rather than one for every 4 KiB page. A buffer that could not be had has
// no data() (failures are values, like File's).
class FileBuffer {
public:
    FileBuffer() = default;
    explicit FileBuffer(std::size_t size);
    ~FileBuffer();
    FileBuffer(FileBuffer&& other) noexcept;
    FileBuffer& operator=(FileBuffer&& other) noexcept;
    FileBuffer(const FileBuffer&) = delete;
    FileBuffer& operator=(const FileBuffer&) = delete;

    std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    void release();

    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    void* mapping_ = nullptr;     // the whole mapping, when the buffer is mapped
    std::size_t mapped_size_ = 0;
};

}  // namespace fw
