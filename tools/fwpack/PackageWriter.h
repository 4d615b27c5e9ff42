#pragma once

#include "fwpack/PackageEntry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fwpack {

// The bytes of a package, or why the entries cannot form one.
struct PackageBytes {
    std::string error;  // empty on success
    std::vector<std::uint8_t> bytes;

    bool ok() const { return error.empty(); }
};

// Lays out the entries back to back, then the full offset table (for each
// entry the distance from the end of the package back to its first byte),
// then the trailer: reserved 0, entry_count, table_distance = 14 + 4 * count
// and the magic. Refuses more than 64 entries, names that the reader would
// refuse or that are longer than 31 characters, a name used twice, and
// packages beyond the 32-bit offsets.
PackageBytes encode_package(const std::vector<PackageEntry>& entries);

}  // namespace fwpack
