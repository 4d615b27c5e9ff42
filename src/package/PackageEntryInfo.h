#pragma once

#include <cstdint>
#include <string>

namespace fw {

// One entry of a package as found by validate_package. Offsets count from the
// start of the byte source.
struct PackageEntryInfo {
    std::uint64_t entry_offset = 0;  // first byte of the 38-byte header
    std::uint64_t data_offset = 0;   // first byte of the data
    std::uint32_t data_length = 0;   // entry_length - 38
    std::uint32_t entry_length = 0;  // header included
    std::uint16_t attribute = 0;     // host order
    std::string name;                // up to the first zero byte of entry_name
};

}  // namespace fw
