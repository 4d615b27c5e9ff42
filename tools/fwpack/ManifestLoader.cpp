#include "fwpack/ManifestLoader.h"

#include "package/NoticeRecord.h"

#include <fstream>
#include <iterator>
#include <optional>

namespace fwpack {

namespace {

std::optional<std::vector<std::uint8_t>> read_whole_file(const std::filesystem::path& path)
{
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(path, ignored))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

}  // namespace

std::vector<std::uint8_t> generated_data(const std::string& name, std::size_t size)
{
    std::uint32_t state = 2166136261u;  // FNV-1a of the name as the seed
    for (unsigned char c : name)
        state = (state ^ c) * 16777619u;
    if (state == 0)
        state = 1;
    std::vector<std::uint8_t> bytes(size);
    for (std::uint8_t& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

LoadedEntries load_entries(const std::vector<ManifestEntry>& entries, std::string_view source_name)
{
    LoadedEntries loaded;
    for (const ManifestEntry& entry : entries) {
        const std::string where = std::string(source_name) + ":" + std::to_string(entry.line) + ": ";
        std::vector<std::uint8_t> content;
        switch (entry.source) {
        case DataSource::File: {
            auto bytes = read_whole_file(entry.file);
            if (!bytes) {
                loaded.error = where + "cannot read file \"" + entry.file.string() + "\"";
                return loaded;
            }
            content = std::move(*bytes);
            loaded.inputs.push_back(entry.file);
            break;
        }
        case DataSource::Generated:
            content = generated_data(entry.name, entry.generated_size);
            break;
        case DataSource::Inline:
            content.assign(entry.inline_text.begin(), entry.inline_text.end());
            break;
        }

        PackageEntry package_entry;
        package_entry.name = entry.name;
        package_entry.attribute = entry.attribute;
        if (entry.kind == EntryKind::Notice) {
            if (content.size() > fw::NOTICE_TEXT_MAX) {
                loaded.error = where + "the notice text is " + std::to_string(content.size()) +
                               " bytes, more than the " + std::to_string(fw::NOTICE_TEXT_MAX) +
                               " a notice can carry";
                return loaded;
            }
            fw::NoticeRecord notice = entry.notice;
            notice.message_text = std::move(content);
            package_entry.data = fw::encode_notice_record(notice);
        } else {
            package_entry.data = std::move(content);
        }
        loaded.entries.push_back(std::move(package_entry));
    }
    return loaded;
}

}  // namespace fwpack
