#pragma once

#include "package/PackageEntryInfo.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fw {

enum class PackageError {
    None,
    NoPackage,               // the last 8 bytes are not the magic
    ReadFailed,
    TruncatedTrailer,        // magic present, but the file is shorter than the trailer
    TooManyEntries,          // entry_count above 64
    BadTableDistance,        // table_distance is not 14 + 4 * entry_count
    TableOutsideFile,
    FirstEntryOutsideFile,   // entry_offset[0] points before the start of the file
    EntryHeaderOutsideFile,  // a 38-byte entry header runs past the end
    EntryLengthTooSmall,     // entry_length below 38
    EntryPastEnd,            // entry data runs past the end
    NameNotTerminated,       // no zero byte in the 32-byte name field
    NameEmpty,
    NameTooLong,             // more than 31 characters (only a writer can get this)
    NameDotted,              // "." or ".."
    NameHasSeparator,        // holds "/" or "\"
};

// The outcome of validate_package: the entries of a sound package, or the
// first fault found with a message that names the entry and the field.
struct PackageCheck {
    PackageError error = PackageError::None;
    std::string message;
    std::uint64_t package_offset = 0;  // first byte of entry 0
    std::uint64_t package_size = 0;    // entry_offset[0]
    std::vector<PackageEntryInfo> entries;

    bool ok() const { return error == PackageError::None; }
};

}  // namespace fw
