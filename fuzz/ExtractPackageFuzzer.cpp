// The real extraction at start-up on a fuzzed program file: the main window is
// created on a program file holding the input, extracts whatever package it
// finds into a temporary folder and shows its start-up notices (the scripted
// "user" closes every notice window). One folder serves the whole run and is
// emptied before each input.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "app/TUpgradeForm1.h"
#include "package/Attributes.h"
#include "package/MemoryByteSource.h"
#include "package/PackageLayout.h"
#include "support/HeadlessApp.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

struct Folder {
    fw::test::TempDir dir;
    std::string program = dir.path() + "/fwupgrade";
    std::string temp = dir.path() + "/temp";
    Folder() { fs::create_directory(temp); }
};

Folder& folder() {
    static Folder f;
    return f;
}

std::vector<std::uint8_t> read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Folder& f = folder();
    for (const auto& e : fs::directory_iterator(f.temp)) fs::remove_all(e.path());
    {
        std::ofstream out(f.program, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    fw::test::HeadlessApp h(f.program);
    h.env.set("TEMP", f.temp);
    h.dialogs.set_modal_close_after(200);
    fw::TUpgradeForm1& w = h.app.CreateForm<fw::TUpgradeForm1>();

    const std::vector<std::uint8_t> bytes(data, data + size);
    fw::MemoryByteSource source(std::span<const std::uint8_t>(bytes.data(), bytes.size()));
    const fw::PackageCheck check = fw::validate_package(source);

    FUZZ_CHECK(w.embedded == fw::has_package_magic(source));
    FUZZ_CHECK(w.file_list.count >= 0 && w.file_list.count <= fw::ImbedFileList::kCapacity);
    if (!check.ok()) {
        // A damaged package is refused before anything is written.
        FUZZ_CHECK(w.file_list.count == 0);
        FUZZ_CHECK(fs::is_empty(f.temp));
        return 0;
    }
    FUZZ_CHECK(static_cast<std::size_t>(w.file_list.count) <= check.entries.size());

    // Nothing is written anywhere but as an entry's file in the temporary folder.
    for (const auto& e : fs::directory_iterator(f.temp)) {
        const std::string name = e.path().filename().string();
        FUZZ_CHECK(std::any_of(check.entries.begin(), check.entries.end(),
                               [&](const fw::PackageEntryInfo& entry) { return entry.name + ".tmp" == name; }));
        FUZZ_CHECK(e.is_regular_file());
    }

    const std::vector<std::string>& log = w.Memo1.lines();
    const bool finished = !log.empty() && log.back().rfind("Upgrade file total length = ", 0) == 0;
    if (!finished) return 0;

    // A finished extraction: every entry recorded in order, each file holding
    // the data of the last entry of its name, and the upgrade bytes counted.
    FUZZ_CHECK(static_cast<std::size_t>(w.file_list.count) == check.entries.size());
    std::map<std::string, const fw::PackageEntryInfo*> last;
    std::int64_t upgrade_bytes = 0;
    for (std::size_t i = 0; i < check.entries.size(); ++i) {
        const fw::PackageEntryInfo& entry = check.entries[i];
        FUZZ_CHECK(w.file_list.name[i] == f.temp + "/" + entry.name);
        FUZZ_CHECK(w.file_list.attribute[i] == entry.attribute);
        last[entry.name] = &entry;
        if (!(entry.attribute & fw::ATTR_MESSAGE_FILE) && (entry.attribute & fw::ATTR_UPGRADE_FILE))
            upgrade_bytes += entry.entry_length;
    }
    FUZZ_CHECK(w.file_size == static_cast<std::int32_t>(std::min<std::int64_t>(upgrade_bytes, INT32_MAX)));
    for (const auto& [name, entry] : last) {
        const std::vector<std::uint8_t> written = read_all(f.temp + "/" + name + ".tmp");
        FUZZ_CHECK(written.size() == entry->data_length);
        FUZZ_CHECK(std::equal(written.begin(), written.end(), bytes.begin() + static_cast<long>(entry->data_offset)));
    }
    return 0;
}
