#pragma once

#include "package/NoticeRecord.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace fwpack {

enum class EntryKind { Upgrade, Notice, Raw };

// Where an entry's data (or a notice's text) comes from.
enum class DataSource {
    File,       // file=PATH or text=PATH, relative to the manifest's folder
    Generated,  // generate=N: N bytes of a fixed pattern derived from the name
    Inline,     // message="...": a notice text written in the manifest
};

// One line of a manifest, checked but not yet loaded.
struct ManifestEntry {
    int line = 0;
    EntryKind kind = EntryKind::Raw;
    std::string name;
    std::uint16_t attribute = 0;
    DataSource source = DataSource::File;
    std::filesystem::path file;
    std::size_t generated_size = 0;
    std::string inline_text;
    fw::NoticeRecord notice;  // header fields of a notice; its text is loaded later
};

}  // namespace fwpack
