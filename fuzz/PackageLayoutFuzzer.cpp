// The package layout validator over a program file held in memory: it must
// refuse or accept any bytes without reading outside them, and what it accepts
// must be safe for the extraction to walk.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "FuzzCheck.h"
#include "package/MemoryByteSource.h"
#include "package/PackageLayout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A copy of exactly `size` bytes, so that AddressSanitizer sees any read past them.
    std::vector<std::uint8_t> file(data, data + size);
    fw::MemoryByteSource source(std::span<const std::uint8_t>(file.data(), file.size()));

    const bool magic = fw::has_package_magic(source);
    const fw::PackageCheck check = fw::validate_package(source);
    FUZZ_CHECK(magic == (check.error != fw::PackageError::NoPackage));
    if (!check.ok()) {
        FUZZ_CHECK(!check.message.empty());
        FUZZ_CHECK(check.entries.empty());
        return 0;
    }

    FUZZ_CHECK(check.entries.size() <= fw::PACKAGE_MAX_ENTRIES);
    FUZZ_CHECK(check.package_size <= size);
    FUZZ_CHECK(check.package_offset + check.package_size == size);
    std::uint64_t position = check.package_offset;
    std::vector<std::uint8_t> buffer;
    for (const fw::PackageEntryInfo& entry : check.entries) {
        // Entries follow one another from entry_offset[0] and lie inside the file.
        FUZZ_CHECK(entry.entry_offset == position);
        FUZZ_CHECK(entry.entry_length >= fw::PACKAGE_ENTRY_HEADER_SIZE);
        FUZZ_CHECK(entry.data_offset == entry.entry_offset + fw::PACKAGE_ENTRY_HEADER_SIZE);
        FUZZ_CHECK(entry.data_length == entry.entry_length - fw::PACKAGE_ENTRY_HEADER_SIZE);
        FUZZ_CHECK(entry.data_offset + entry.data_length <= size);
        // The name makes a file inside the temporary folder.
        FUZZ_CHECK(fw::check_entry_name(entry.name) == fw::PackageError::None);
        // The extraction reads every entry's data in one read; each must succeed.
        buffer.resize(entry.data_length);
        FUZZ_CHECK(source.read_at(entry.data_offset, buffer.data(), buffer.size()));
        position = entry.entry_offset + entry.entry_length;
    }
    return 0;
}
