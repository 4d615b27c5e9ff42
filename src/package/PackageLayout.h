#pragma once

#include "package/ByteOrder.h"
#include "package/ByteSource.h"
#include "package/PackageCheck.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace fw {

// A package lies at the very end of a file: entries back to back, then the
// offset table (one little-endian u32 per entry, the distance from the end of
// the file back to the entry's first byte), then the 14-byte trailer.

inline constexpr std::array<std::uint8_t, 8> PACKAGE_MAGIC = {'m', 'o', 'r', 'v', 'a', 'n', 'e', 0};

inline constexpr std::size_t PACKAGE_MAX_ENTRIES = 64;
inline constexpr std::size_t PACKAGE_TRAILER_SIZE = 14;

// Trailer fields, as distances back from the end of the file.
inline constexpr std::size_t PACKAGE_RESERVED_FROM_END = 14;  // u16 LE, never read
inline constexpr std::size_t PACKAGE_COUNT_FROM_END = 12;     // u16 LE entry_count
inline constexpr std::size_t PACKAGE_DISTANCE_FROM_END = 10;  // u16 LE table_distance
inline constexpr std::size_t PACKAGE_MAGIC_FROM_END = 8;

// Entry header fields, as offsets from the entry's first byte.
inline constexpr std::size_t PACKAGE_ENTRY_LENGTH_AT = 0;     // u32 LE, header included
inline constexpr std::size_t PACKAGE_ENTRY_ATTRIBUTE_AT = 4;  // u16 BE
inline constexpr std::size_t PACKAGE_ENTRY_NAME_AT = 6;       // 32 bytes, zero-terminated
inline constexpr std::size_t PACKAGE_ENTRY_NAME_SIZE = 32;
inline constexpr std::size_t PACKAGE_ENTRY_NAME_MAX = 31;
inline constexpr std::size_t PACKAGE_ENTRY_HEADER_SIZE = 38;

// The table_distance a package of `entry_count` entries carries.
constexpr std::size_t package_table_distance(std::size_t entry_count)
{
    return PACKAGE_TRAILER_SIZE + 4 * entry_count;
}

// True when the last eight bytes of the source are the magic, zero byte included.
bool has_package_magic(ByteSource& source);

// Tests an entry name as a writer would store it and a reader would make a
// file of it. Returns PackageError::None or the Name... fault.
PackageError check_entry_name(std::string_view name);

// Reads the trailer and walks every entry from entry_offset[0], as the
// extraction does, and refuses anything that would make it read outside the
// file or write a file outside the temporary folder. Reads only the trailer,
// entry_offset[0] and the entry headers, never the entry data.
PackageCheck validate_package(ByteSource& source);

}  // namespace fw
