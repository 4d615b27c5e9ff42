#pragma once

#include "fwpack/ManifestEntry.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace fwpack {

// The entries of a manifest, or the first problem as "<source>:<line>: ...".
struct ManifestParse {
    std::string error;
    std::vector<ManifestEntry> entries;

    bool ok() const { return error.empty(); }
};

// Reads the line-based manifest format described in tools/fwpack/README.md.
// `base_dir` is the folder that relative paths start from; `source_name`
// names the manifest in error messages.
ManifestParse parse_manifest(std::string_view text, const std::filesystem::path& base_dir,
                             std::string_view source_name);

}  // namespace fwpack
