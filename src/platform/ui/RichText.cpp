#include "platform/ui/RichText.h"

#include "platform/ui/RichTextEncoding.h"

#include <algorithm>
#include <iterator>
#include <cstring>
#include <string_view>
#include <vector>

namespace fw {

namespace {

// Deeper groups than this are read but their content is dropped, so hostile
// input cannot make the group stack grow without bound.
constexpr std::size_t MAX_GROUP_DEPTH = 200;
// Longer control words are not RTF; their letters are read and ignored.
constexpr std::size_t MAX_WORD_LENGTH = 32;
// Parameters saturate here instead of overflowing.
constexpr long long MAX_PARAMETER = 1'000'000'000;
constexpr std::size_t MAX_COLORS = 1024;
constexpr int MAX_HALF_POINTS = 3276;
constexpr int MAX_UNICODE_SKIP = 255;

// Groups whose content is not text of the document.
constexpr std::string_view SKIPPED_DESTINATIONS[] = {
    "aftncn", "aftnsep", "aftnsepc", "annotation", "atnauthor", "atnid", "author",
    "bkmkend", "bkmkstart", "buptim", "comment", "company", "creatim", "datastore",
    "doccomm", "fldinst", "fonttbl", "footer", "footerf", "footerl", "footerr",
    "footnote", "ftncn", "ftnsep", "ftnsepc", "header", "headerf", "headerl",
    "headerr", "info", "keywords", "listoverridetable", "listtable", "object",
    "operator", "pict", "printim", "revtbl", "revtim", "rsidtbl", "stylesheet",
    "subject", "template", "themedata", "title", "xmlnstbl"};

enum class Destination { Text, ColorTable, Skip };

struct GroupState {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int color_index = 0;
    int half_points = 0;  // 0: default size
    int unicode_skip = 1;
    Destination destination = Destination::Text;
};

bool is_letter(std::uint8_t c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool is_digit(std::uint8_t c)
{
    return c >= '0' && c <= '9';
}

int hex_value(std::uint8_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

class RtfReader {
public:
    RtfReader(const std::uint8_t* data, std::size_t length) : data_(data), length_(length) {}

    RichDocument read()
    {
        document_.format = RichTextFormat::Rich;
        while (pos_ < length_) {
            const std::uint8_t c = data_[pos_++];
            if (c == '{') {
                open_group();
            } else if (c == '}') {
                if (!close_group())
                    break;
            } else if (c == '\\') {
                read_control();
            } else if (c != '\r' && c != '\n') {
                character(windows1252_code_point(c));
            }
        }
        flush_surrogate();
        if (!paragraph_.runs.empty())
            document_.paragraphs.push_back(std::move(paragraph_));
        return std::move(document_);
    }

private:
    void open_group()
    {
        pending_skip_ = 0;
        if (stack_.size() >= MAX_GROUP_DEPTH) {
            ++excess_depth_;
            return;
        }
        stack_.push_back(state_);
    }

    // False when the outermost group closes: the document ends there.
    bool close_group()
    {
        pending_skip_ = 0;
        if (excess_depth_ > 0) {
            --excess_depth_;
            return true;
        }
        if (stack_.empty())
            return false;
        // A last colour written without its ';' still counts.
        if (state_.destination == Destination::ColorTable && color_given_)
            finish_color();
        state_ = stack_.back();
        stack_.pop_back();
        return !stack_.empty();
    }

    void read_control()
    {
        if (pos_ >= length_)
            return;
        const std::uint8_t c = data_[pos_];
        if (!is_letter(c)) {
            ++pos_;
            control_symbol(c);
            return;
        }
        const std::size_t start = pos_;
        while (pos_ < length_ && is_letter(data_[pos_]))
            ++pos_;
        const std::size_t word_length = pos_ - start;
        bool has_parameter = false;
        bool negative = false;
        long long value = 0;
        if (pos_ + 1 < length_ && data_[pos_] == '-' && is_digit(data_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        while (pos_ < length_ && is_digit(data_[pos_])) {
            has_parameter = true;
            value = std::min(value * 10 + (data_[pos_] - '0'), MAX_PARAMETER);
            ++pos_;
        }
        if (pos_ < length_ && data_[pos_] == ' ')
            ++pos_;
        if (word_length > MAX_WORD_LENGTH)
            return;
        const std::string_view word(reinterpret_cast<const char*>(data_ + start), word_length);
        control_word(word, has_parameter, static_cast<int>(negative ? -value : value));
    }

    void control_symbol(std::uint8_t c)
    {
        if (c == '\'') {
            if (pos_ + 1 < length_ && hex_value(data_[pos_]) >= 0 && hex_value(data_[pos_ + 1]) >= 0) {
                const int byte = hex_value(data_[pos_]) * 16 + hex_value(data_[pos_ + 1]);
                pos_ += 2;
                character(windows1252_code_point(static_cast<std::uint8_t>(byte)));
            }
            return;
        }
        pending_skip_ = 0;
        switch (c) {
        case '\\':
        case '{':
        case '}':
            character(c);
            break;
        case '~':
            character(0x00A0);
            break;
        case '_':
            character(0x2011);
            break;
        case '*':
            // An ignorable destination: none of them carries document text.
            state_.destination = Destination::Skip;
            break;
        case '\r':
        case '\n':
            paragraph_end();
            break;
        default:
            break;  // \- optional hyphen, \: index entry and the like
        }
    }

    void control_word(std::string_view word, bool has_parameter, int parameter)
    {
        if (word == "bin") {
            // Binary data follows; it is never text and may hold any byte.
            if (has_parameter && parameter > 0)
                pos_ += std::min<std::size_t>(static_cast<std::size_t>(parameter), length_ - pos_);
            return;
        }
        if (word == "u") {
            unicode(parameter);
            return;
        }
        pending_skip_ = 0;
        if (state_.destination == Destination::Skip)
            return;
        if (std::find(std::begin(SKIPPED_DESTINATIONS), std::end(SKIPPED_DESTINATIONS), word) != std::end(SKIPPED_DESTINATIONS)) {
            state_.destination = Destination::Skip;
            return;
        }
        if (word == "colortbl") {
            state_.destination = Destination::ColorTable;
            colors_.clear();
            color_ = {};
            color_given_ = false;
            return;
        }
        if (state_.destination == Destination::ColorTable) {
            color_component(word, parameter);
            return;
        }
        const bool on = !has_parameter || parameter != 0;
        if (word == "par" || word == "row") {
            paragraph_end();
        } else if (word == "line") {
            character('\n');
        } else if (word == "tab" || word == "cell") {
            character('\t');
        } else if (word == "b") {
            state_.bold = on;
        } else if (word == "i") {
            state_.italic = on;
        } else if (word == "ul") {
            state_.underline = on;
        } else if (word == "ulnone") {
            state_.underline = false;
        } else if (word == "plain") {
            state_.bold = state_.italic = state_.underline = false;
            state_.color_index = 0;
            state_.half_points = 0;
        } else if (word == "cf") {
            state_.color_index = has_parameter ? parameter : 0;
        } else if (word == "fs") {
            state_.half_points = has_parameter ? std::clamp(parameter, 0, MAX_HALF_POINTS) : 0;
        } else if (word == "uc") {
            state_.unicode_skip = std::clamp(parameter, 0, MAX_UNICODE_SKIP);
        } else if (word == "emdash") {
            character(0x2014);
        } else if (word == "endash") {
            character(0x2013);
        } else if (word == "bullet") {
            character(0x2022);
        } else if (word == "lquote") {
            character(0x2018);
        } else if (word == "rquote") {
            character(0x2019);
        } else if (word == "ldblquote") {
            character(0x201C);
        } else if (word == "rdblquote") {
            character(0x201D);
        }
        // \pard and every other word set layout this reader does not keep.
    }

    void color_component(std::string_view word, int parameter)
    {
        const auto component = static_cast<std::uint8_t>(std::clamp(parameter, 0, 255));
        if (word == "red")
            color_.red = component;
        else if (word == "green")
            color_.green = component;
        else if (word == "blue")
            color_.blue = component;
        else
            return;
        color_given_ = true;
    }

    void finish_color()
    {
        if (colors_.size() < MAX_COLORS)
            colors_.push_back(color_given_ ? std::optional(color_) : std::nullopt);
        color_ = {};
        color_given_ = false;
    }

    // \uN: N is a signed 16-bit value; characters outside the basic plane
    // come as a pair of surrogates.
    void unicode(int parameter)
    {
        const std::uint32_t unit = static_cast<std::uint32_t>(parameter < 0 ? parameter + 65536 : parameter) & 0xFFFF;
        if (unit >= 0xDC00 && unit <= 0xDFFF && high_surrogate_ != 0) {
            const std::uint32_t code_point = 0x10000 + ((high_surrogate_ - 0xD800) << 10) + (unit - 0xDC00);
            high_surrogate_ = 0;
            emit(code_point);
        } else if (unit >= 0xD800 && unit <= 0xDBFF) {
            flush_surrogate();
            if (state_.destination == Destination::Text && excess_depth_ == 0)
                high_surrogate_ = unit;
        } else {
            character(unit);
        }
        pending_skip_ = state_.unicode_skip;
    }

    // A character of the input: text in the text destination, a separator
    // in the colour table, nothing elsewhere. Characters that stand in for a
    // preceding \uN are dropped.
    void character(std::uint32_t code_point)
    {
        if (pending_skip_ > 0) {
            --pending_skip_;
            return;
        }
        if (state_.destination == Destination::ColorTable) {
            if (code_point == ';')
                finish_color();
            return;
        }
        flush_surrogate();
        emit(code_point);
    }

    void flush_surrogate()
    {
        if (high_surrogate_ != 0) {
            high_surrogate_ = 0;
            emit(0xFFFD);
        }
    }

    void emit(std::uint32_t code_point)
    {
        if (state_.destination != Destination::Text || excess_depth_ > 0)
            return;
        if (code_point < 0x20 && code_point != '\t' && code_point != '\n')
            return;
        RichTextRun format;
        format.bold = state_.bold;
        format.italic = state_.italic;
        format.underline = state_.underline;
        if (state_.color_index >= 0 && static_cast<std::size_t>(state_.color_index) < colors_.size())
            format.color = colors_[static_cast<std::size_t>(state_.color_index)];
        if (state_.half_points > 0)
            format.point_size = state_.half_points / 2.0;
        if (paragraph_.runs.empty() || !paragraph_.runs.back().same_format(format))
            paragraph_.runs.push_back(std::move(format));
        append_utf8(paragraph_.runs.back().text, code_point);
    }

    void paragraph_end()
    {
        if (state_.destination != Destination::Text || excess_depth_ > 0)
            return;
        flush_surrogate();
        document_.paragraphs.push_back(std::move(paragraph_));
        paragraph_ = {};
    }

    const std::uint8_t* data_;
    std::size_t length_;
    std::size_t pos_ = 0;
    GroupState state_;
    std::vector<GroupState> stack_;
    std::size_t excess_depth_ = 0;
    int pending_skip_ = 0;
    std::uint32_t high_surrogate_ = 0;
    std::vector<std::optional<RichTextColor>> colors_;
    RichTextColor color_;
    bool color_given_ = false;
    RichTextParagraph paragraph_;
    RichDocument document_;
};

void add_plain_line(RichDocument& document, std::string text)
{
    RichTextParagraph paragraph;
    if (!text.empty()) {
        paragraph.runs.emplace_back();
        paragraph.runs.back().text = std::move(text);
    }
    document.paragraphs.push_back(std::move(paragraph));
}

RichDocument read_plain(const std::uint8_t* data, std::size_t length)
{
    RichDocument document;
    document.format = RichTextFormat::Plain;
    const bool utf8 = is_valid_utf8(data, length);
    std::size_t i = 0;
    if (utf8 && length >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF)
        i = 3;
    std::string line;
    bool line_open = false;
    while (i < length) {
        const std::uint8_t c = data[i++];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i < length && data[i] == '\n')
                ++i;
            add_plain_line(document, std::move(line));
            line.clear();
            line_open = false;
            continue;
        }
        line_open = true;
        if (c == 0)
            continue;
        if (utf8 || c < 0x80)
            line += static_cast<char>(c);
        else
            append_utf8(line, windows1252_code_point(c));
    }
    if (line_open)
        add_plain_line(document, std::move(line));
    return document;
}

}  // namespace

RichDocument parse_rich_text(const std::uint8_t* data, std::size_t length)
{
    if (data == nullptr)
        length = 0;
    static constexpr char rtf_signature[] = "{\\rtf";
    const std::size_t signature_length = sizeof rtf_signature - 1;
    if (length >= signature_length && std::memcmp(data, rtf_signature, signature_length) == 0)
        return RtfReader(data, length).read();
    return read_plain(data, length);
}

std::string plain_text(const RichDocument& document)
{
    std::string text;
    for (std::size_t i = 0; i < document.paragraphs.size(); ++i) {
        if (i > 0)
            text += '\n';
        text += document.paragraphs[i].text();
    }
    return text;
}

}  // namespace fw
