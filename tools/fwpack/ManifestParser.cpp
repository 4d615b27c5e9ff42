#include "fwpack/ManifestParser.h"

#include "package/Attributes.h"
#include "package/PackageLayout.h"

#include <map>
#include <optional>

namespace fwpack {

namespace {

// Generated data is for demos and tests; keep it well inside a package.
constexpr std::size_t MAX_GENERATED_SIZE = 64u * 1024 * 1024;

struct Field {
    std::string value;
    bool used = false;
};

bool is_blank(char c)
{
    return c == ' ' || c == '\t';
}

// Splits a line into its kind word and key=value fields. A value is a bare
// word or a double-quoted text in which \" and \\ stand for " and \.
bool split_line(std::string_view line, std::string& kind, std::map<std::string, Field>& fields,
                std::string& error)
{
    std::size_t i = 0;
    while (true) {
        while (i < line.size() && is_blank(line[i]))
            ++i;
        if (i == line.size() || line[i] == '#')
            return true;
        const std::size_t key_start = i;
        while (i < line.size() && !is_blank(line[i]) && line[i] != '=')
            ++i;
        const std::string key(line.substr(key_start, i - key_start));
        if (i == line.size() || line[i] != '=') {
            if (kind.empty()) {
                kind = key;
                continue;
            }
            error = "expected key=value, got \"" + key + "\"";
            return false;
        }
        ++i;  // '='
        if (kind.empty()) {
            error = "the line must begin with upgrade, notice or raw";
            return false;
        }
        if (key.empty()) {
            error = "a field has no key before \"=\"";
            return false;
        }
        std::string value;
        if (i < line.size() && line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const char c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < line.size() && (line[i] == '"' || line[i] == '\\'))
                    value += line[i++];
                else
                    value += c;
            }
            if (!closed) {
                error = "the value of " + key + " has no closing quote";
                return false;
            }
            if (i < line.size() && !is_blank(line[i])) {
                error = "the value of " + key + " must be followed by a blank";
                return false;
            }
        } else {
            const std::size_t value_start = i;
            while (i < line.size() && !is_blank(line[i]))
                ++i;
            value = std::string(line.substr(value_start, i - value_start));
        }
        if (fields.count(key) != 0) {
            error = key + " is given twice";
            return false;
        }
        fields[key].value = std::move(value);
    }
}

std::optional<std::uint64_t> parse_number(const std::string& text)
{
    std::uint64_t value = 0;
    std::size_t i = 0;
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        i = 2;
    }
    if (i == text.size())
        return std::nullopt;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        unsigned digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return std::nullopt;
        if (value > (UINT64_MAX - digit) / base)
            return std::nullopt;
        value = value * base + digit;
    }
    return value;
}

// Reads the fields of one line. The first problem met is kept and later
// reads return their fallback, so a line is checked in one straight pass.
class FieldReader {
public:
    explicit FieldReader(std::map<std::string, Field>& fields) : fields_(fields) {}

    const std::string& problem() const { return problem_; }
    bool failed() const { return !problem_.empty(); }

    void fail(std::string problem)
    {
        if (problem_.empty())
            problem_ = std::move(problem);
    }

    const std::string* text(const std::string& key)
    {
        auto it = fields_.find(key);
        if (it == fields_.end())
            return nullptr;
        it->second.used = true;
        return &it->second.value;
    }

    std::uint64_t number(const std::string& key, std::uint64_t max, std::uint64_t fallback)
    {
        const std::string* value = text(key);
        if (value == nullptr)
            return fallback;
        const auto number = parse_number(*value);
        if (!number || *number > max) {
            fail(key + " \"" + *value + "\" is not a number from 0 to " + std::to_string(max));
            return fallback;
        }
        return *number;
    }

    std::string bounded_text(const std::string& key, std::size_t max)
    {
        const std::string* value = text(key);
        if (value == nullptr)
            return {};
        if (value->size() > max) {
            fail(key + " \"" + *value + "\" is longer than " + std::to_string(max) + " bytes");
            return {};
        }
        return *value;
    }

    std::string unused_key() const
    {
        for (const auto& [key, field] : fields_)
            if (!field.used)
                return key;
        return {};
    }

private:
    std::map<std::string, Field>& fields_;
    std::string problem_;
};

std::uint16_t selection_bits(FieldReader& fields)
{
    const std::string* select = fields.text("select");
    if (select == nullptr)
        fields.fail("missing select= (general, module, default or none)");
    else if (*select == "general")
        return fw::ATTR_NO_IDCHECK;
    else if (*select == "module")
        return fw::ATTR_IDCHECK;
    else if (*select == "default")
        return fw::ATTR_NO_IDCHECK | fw::ATTR_IDCHECK;
    else if (*select != "none")
        fields.fail("select \"" + *select + "\" is not general, module, default or none");
    return 0;
}

enum class Generate { Allowed, NotAllowed };
enum class Inline { Allowed, NotAllowed };

// Picks the one data source among the keys the kind allows.
void read_source(FieldReader& fields, ManifestEntry& entry, const std::filesystem::path& base_dir,
                 const std::string& file_key, Generate generate_rule, Inline inline_rule)
{
    const std::string* file = fields.text(file_key);
    const std::string* generate = generate_rule == Generate::Allowed ? fields.text("generate") : nullptr;
    const std::string* message = inline_rule == Inline::Allowed ? fields.text("message") : nullptr;
    const int given = (file != nullptr) + (generate != nullptr) + (message != nullptr);
    std::string choices = file_key + "=";
    if (generate_rule == Generate::Allowed)
        choices += " or generate=";
    if (inline_rule == Inline::Allowed)
        choices += " or message=";
    if (given != 1) {
        fields.fail(given == 0 ? "missing " + choices : "give only one of " + choices);
    } else if (file != nullptr) {
        if (file->empty())
            fields.fail(file_key + "= names no file");
        entry.source = DataSource::File;
        entry.file = base_dir / *file;
    } else if (generate != nullptr) {
        entry.source = DataSource::Generated;
        entry.generated_size = static_cast<std::size_t>(fields.number("generate", MAX_GENERATED_SIZE, 0));
    } else {
        entry.source = DataSource::Inline;
        entry.inline_text = *message;
        if (entry.inline_text.size() > fw::NOTICE_TEXT_MAX)
            fields.fail("message is longer than " + std::to_string(fw::NOTICE_TEXT_MAX) + " bytes");
    }
}

std::string name_problem(const std::string& name)
{
    switch (fw::check_entry_name(name)) {
    case fw::PackageError::None:
        return {};
    case fw::PackageError::NameEmpty:
        return "the entry name is empty";
    case fw::PackageError::NameTooLong:
        return "entry name \"" + name + "\" is " + std::to_string(name.size()) + " characters, longer than the " +
               std::to_string(fw::PACKAGE_ENTRY_NAME_MAX) + " allowed";
    case fw::PackageError::NameHasSeparator:
        return "entry name \"" + name + "\" holds a path separator";
    default:
        return "entry name \"" + name + "\" is not a file name";
    }
}

// Reads one entry line; on a problem `error` is set and the entry is unusable.
ManifestEntry read_entry(const std::string& kind, std::map<std::string, Field>& field_map,
                         const std::filesystem::path& base_dir, std::string& error)
{
    ManifestEntry entry;
    if (kind == "upgrade") {
        entry.kind = EntryKind::Upgrade;
    } else if (kind == "notice") {
        entry.kind = EntryKind::Notice;
    } else if (kind == "raw") {
        entry.kind = EntryKind::Raw;
    } else {
        error = "unknown entry kind \"" + kind + "\" (use upgrade, notice or raw)";
        return entry;
    }

    FieldReader fields(field_map);
    if (const std::string* name = fields.text("name"); name == nullptr) {
        fields.fail("missing name=");
    } else {
        entry.name = *name;
        if (std::string problem = name_problem(entry.name); !problem.empty())
            fields.fail(std::move(problem));
    }

    switch (entry.kind) {
    case EntryKind::Upgrade:
        entry.attribute = fw::ATTR_UPGRADE_FILE | selection_bits(fields);
        read_source(fields, entry, base_dir, "file", Generate::Allowed, Inline::NotAllowed);
        break;
    case EntryKind::Notice: {
        entry.attribute = fw::ATTR_MESSAGE_FILE | selection_bits(fields);
        fw::NoticeRecord& notice = entry.notice;
        notice.vendor = fields.bounded_text("vendor", fw::NOTICE_VENDOR_SIZE - 1);
        notice.title = fields.bounded_text("title", fw::NOTICE_TITLE_SIZE - 1);
        notice.close_after = static_cast<std::uint16_t>(fields.number("close_after", 0xFFFF, 0));
        notice.ftp_only = static_cast<std::uint8_t>(fields.number("ftp_only", 0xFF, 0));
        notice.tftp_only = static_cast<std::uint8_t>(fields.number("tftp_only", 0xFF, 0));
        notice.text_color = static_cast<std::uint32_t>(fields.number("color", 0xFFFFFFFF, 0x00FFFFFF));
        notice.no_blink = fields.number("blink", 1, 0) == 0 ? 1 : 0;
        read_source(fields, entry, base_dir, "text", Generate::NotAllowed, Inline::Allowed);
        break;
    }
    case EntryKind::Raw:
        if (fields.text("attribute") == nullptr)
            fields.fail("missing attribute=");
        entry.attribute = static_cast<std::uint16_t>(fields.number("attribute", 0xFFFF, 0));
        read_source(fields, entry, base_dir, "file", Generate::Allowed, Inline::NotAllowed);
        break;
    }
    if (const std::string key = fields.unused_key(); !key.empty())
        fields.fail("unknown key \"" + key + "\" for " + kind);
    error = fields.problem();
    return entry;
}

}  // namespace

ManifestParse parse_manifest(std::string_view text, const std::filesystem::path& base_dir,
                             std::string_view source_name)
{
    ManifestParse parse;
    std::map<std::string, int> name_lines;
    int line_number = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++line_number;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        const std::string where = std::string(source_name) + ":" + std::to_string(line_number) + ": ";
        std::string kind;
        std::map<std::string, Field> fields;
        std::string error;
        ManifestEntry entry;
        if (split_line(line, kind, fields, error) && !kind.empty())
            entry = read_entry(kind, fields, base_dir, error);
        if (error.empty() && !kind.empty()) {
            if (auto [it, fresh] = name_lines.emplace(entry.name, line_number); !fresh)
                error = "entry name \"" + entry.name + "\" is already used on line " + std::to_string(it->second);
            else if (parse.entries.size() == fw::PACKAGE_MAX_ENTRIES)
                error = "more than " + std::to_string(fw::PACKAGE_MAX_ENTRIES) +
                        " entries; a package holds at most that many";
        }
        if (!error.empty()) {
            parse.error = where + error;
            parse.entries.clear();
            return parse;
        }
        if (kind.empty())
            continue;
        entry.line = line_number;
        parse.entries.push_back(std::move(entry));
    }
    return parse;
}

}  // namespace fwpack
