#include "platform/files/FileBuffer.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>
#include <utility>

namespace fw {

namespace {

// The size of a transparent huge page on x86-64 and most other systems; a
// buffer of at least this size is mapped on its own and aligned to it.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

}  // namespace

FileBuffer::FileBuffer(std::size_t size) {
    if (size < kHugePage) {
        data_ = new (std::nothrow) std::uint8_t[size == 0 ? 1 : size];
        size_ = data_ ? size : 0;
        return;
    }
    const std::size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
    // One huge page more than needed, so that an aligned start fits in it.
    const std::size_t length = rounded + kHugePage;
    void* mapping = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) return;
    const auto start = (reinterpret_cast<std::uintptr_t>(mapping) + kHugePage - 1) & ~(kHugePage - 1);
    // Only advice: without huge pages the buffer works the same, page by page.
    ::madvise(reinterpret_cast<void*>(start), rounded, MADV_HUGEPAGE);
    mapping_ = mapping;
    mapped_size_ = length;
    data_ = reinterpret_cast<std::uint8_t*>(start);
    size_ = size;
}

FileBuffer::~FileBuffer() { release(); }

FileBuffer::FileBuffer(FileBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapping_(std::exchange(other.mapping_, nullptr)),
      mapped_size_(std::exchange(other.mapped_size_, 0)) {}

FileBuffer& FileBuffer::operator=(FileBuffer&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mapping_ = std::exchange(other.mapping_, nullptr);
        mapped_size_ = std::exchange(other.mapped_size_, 0);
    }
    return *this;
}

void FileBuffer::release() {
    if (mapping_)
        ::munmap(mapping_, mapped_size_);
    else
        delete[] data_;
    data_ = nullptr;
    size_ = 0;
    mapping_ = nullptr;
    mapped_size_ = 0;
}

}  // namespace fw
