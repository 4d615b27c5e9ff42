#pragma once

#include "fwpack/ManifestEntry.h"
#include "fwpack/PackageEntry.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace fwpack {

// The package entries a manifest stands for, with every file it read.
struct LoadedEntries {
    std::string error;
    std::vector<PackageEntry> entries;
    std::vector<std::filesystem::path> inputs;

    bool ok() const { return error.empty(); }
};

// Reads the files the entries name, generates pattern data and encodes the
// notice records. Errors name the manifest line as "<source>:<line>: ...".
LoadedEntries load_entries(const std::vector<ManifestEntry>& entries, std::string_view source_name);

// The bytes generate=N stands for: a fixed pseudo-random pattern seeded by
// the entry name, so different entries get different contents.
std::vector<std::uint8_t> generated_data(const std::string& name, std::size_t size);

}  // namespace fwpack
