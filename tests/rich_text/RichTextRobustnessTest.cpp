#include "platform/ui/RichText.h"
#include "platform/ui/RichTextEncoding.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// Whatever the input, the reader must end, stay inside it and give valid
// UTF-8 of a size in proportion to the input. The tests run under the
// address sanitizer in the sanitizer build, which is what catches a read
// past the end; a copy of each prefix on the heap puts that end exactly at
// the end of an allocation.
void expect_sound(const std::vector<std::uint8_t>& input)
{
    const std::vector<std::uint8_t> copy(input);
    const fw::RichDocument document = fw::parse_rich_text(copy.data(), copy.size());
    const std::string text = fw::plain_text(document);
    EXPECT_TRUE(fw::is_valid_utf8(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    // Four bytes of UTF-8 for each input byte at most, plus the separators.
    EXPECT_LE(text.size(), 4 * input.size() + document.paragraphs.size());
}

std::vector<std::uint8_t> bytes_of(const std::string& text)
{
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

const std::string SAMPLE =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\r\n"
    "{\\colortbl ;\\red0\\green0\\blue128;\\red192\\green0\\blue0;}\r\n"
    "{\\*\\generator Riched20;}{\\info{\\title T}}\\viewkind4\\uc1\\pard\\f0\\fs28\\cf1\\b Welcome\\b0\\par\r\n"
    "\\i Caf\\'e9\\i0  \\u8364? \\u-10179?\\u-8704? \\uc2\\u233\\'e9\\'e9 \\ul x\\ulnone\\tab y\\line z\\par\r\n"
    "{\\pict\\bin4 {}\\'}{\\plain\\cf2 a\\\\b\\{c\\}\\~d}\\fs-5 \\cf99999999999999 e\\par\r\n"
    "}";

TEST(RichTextRobustness, EveryPrefixOfASampleIsReadSafely)
{
    const auto sample = bytes_of(SAMPLE);
    for (std::size_t length = 0; length <= sample.size(); ++length)
        expect_sound(std::vector<std::uint8_t>(sample.begin(), sample.begin() + static_cast<long>(length)));
    const fw::RichDocument whole = fw::parse_rich_text(sample.data(), sample.size());
    EXPECT_EQ(fw::plain_text(whole),
              "Welcome\nCaf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xC3\xA9 x\ty\nz\na\\b{c}\xC2\xA0" "de");
}

TEST(RichTextRobustness, RandomBytesAreReadSafely)
{
    std::mt19937 random(20240611);
    const std::string alphabet = "{}\\'*;-0123456789abcdefuplrtbinxXZ \r\n\t";
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::uint8_t> input;
        if (round % 2 == 0)
            input = bytes_of("{\\rtf1");
        const std::size_t length = random() % 300;
        const bool raw = round % 3 == 0;
        for (std::size_t i = 0; i < length; ++i)
            input.push_back(raw ? static_cast<std::uint8_t>(random())
                                : static_cast<std::uint8_t>(alphabet[random() % alphabet.size()]));
        expect_sound(input);
    }
}

TEST(RichTextRobustness, DeepNestingIsBoundedAndReadToTheEnd)
{
    std::string deep = "{\\rtf1 a";
    deep += std::string(100000, '{') + "x" + std::string(100000, '}');
    deep += "b}";
    const fw::RichDocument document = fw::parse_rich_text(reinterpret_cast<const std::uint8_t*>(deep.data()), deep.size());
    // Text beyond the depth limit is dropped; the text after the deep part is kept.
    EXPECT_EQ(fw::plain_text(document), "ab");
}

TEST(RichTextRobustness, UnbalancedBracesAndHugeNumbers)
{
    const std::string inputs[] = {
        "{\\rtf1 }}}}}}x",
        "{\\rtf1 {{{{{{x",
        "{\\rtf1 \\fs99999999999999999999999 x\\cf-99999999999999 y\\uc99999999999 \\u65 zz}",
        "{\\rtf1 \\u99999999999999999999 \\u-99999999999999?}",
        "{\\rtf1 \\bin99999999999 abc}",
        "{\\rtf1 \\bin-5 abc}",
        "{\\rtf1 \\" + std::string(10000, 'a') + "1 x}",
        "{\\rtf1 \\'",
        "{\\rtf1 \\'4",
        "{\\rtf1 \\",
        "{\\rtf1 \\u",
        "{\\rtf1 \\u-",
        std::string("{\\rtf1 a\0b}", 11),
    };
    for (const std::string& input : inputs) {
        SCOPED_TRACE(input.substr(0, 60));
        expect_sound(bytes_of(input));
    }
}

}  // namespace
