#include "rich_text/DocumentText.h"

#include "platform/ui/RichText.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

fw::RichDocument parse(const std::string& text)
{
    return fw::parse_rich_text(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

struct Case {
    const char* name;
    std::string input;
    fw::RichTextFormat format;
    std::string expected;  // as document_text shows it
};

// Test names show the label, not the bytes of the case.
void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

class RichTextReading : public testing::TestWithParam<Case> {};

TEST_P(RichTextReading, GivesTheExpectedDocument)
{
    const fw::RichDocument document = parse(GetParam().input);
    EXPECT_EQ(document.format, GetParam().format);
    EXPECT_EQ(document_text(document), GetParam().expected);
}

constexpr auto RTF = fw::RichTextFormat::Rich;
constexpr auto PLAIN = fw::RichTextFormat::Plain;

const Case RICH_CASES[] = {
    {"Paragraphs", R"({\rtf1 Hello\par World})", RTF, "Hello|World"},
    {"TrailingParAddsNoEmptyParagraph", "{\\rtf1 a\\par\r\n}", RTF, "a"},
    {"EmptyParagraphKept", R"({\rtf1 a\par\par b})", RTF, "a||b"},
    {"BackslashNewlineIsPar", "{\\rtf1 a\\\nb}", RTF, "a|b"},
    {"LiteralLineEndsIgnored", "{\\rtf1 a\r\nb}", RTF, "ab"},
    {"LineBreakInsideParagraph", R"({\rtf1 a\line b})", RTF, "a\nb"},
    {"Tab", R"({\rtf1 a\tab b})", RTF, "a\tb"},
    {"BoldOnAndOff", R"({\rtf1 a\b b\b0 c})", RTF, "a[b:b]c"},
    {"ItalicOnAndOff", R"({\rtf1 \i x\i0 y})", RTF, "[i:x]y"},
    {"UnderlineEndsWithUlnone", R"({\rtf1 \ul x\ulnone y})", RTF, "[u:x]y"},
    {"UnderlineEndsWithUl0", R"({\rtf1 \ul x\ul0 y})", RTF, "[u:x]y"},
    {"GroupRestoresFormat", R"({\rtf1 a{\b\i b}c})", RTF, "a[b,i:b]c"},
    {"PlainResetsCharacterFormat", R"({\rtf1\b\i\ul\fs30 x\plain y})", RTF, "[b,i,u,15pt:x]y"},
    {"PardKeepsCharacterFormat", R"({\rtf1\b x\pard y})", RTF, "[b:xy]"},
    {"SpaceAfterControlWordIsItsDelimiter", R"({\rtf1\b  x})", RTF, "[b: x]"},
    {"ColourTable", R"({\rtf1{\colortbl;\red255\green0\blue0;\red0\green0\blue255;}\cf1 r\cf2 b\cf0 n})", RTF,
     "[#ff0000:r][#0000ff:b]n"},
    {"ColourWithoutFinalSemicolon", R"({\rtf1{\colortbl;\red0\green255\blue0}\cf1 g})", RTF, "[#00ff00:g]"},
    {"ColourIndexBeyondTable", R"({\rtf1{\colortbl;\red255\green0\blue0;}\cf7 x})", RTF, "x"},
    {"ColourWithoutTable", R"({\rtf1\cf1 x})", RTF, "x"},
    {"FontSizeInHalfPoints", R"({\rtf1\fs28 big\fs21 half})", RTF, "[14pt:big][10.5pt:half]"},
    {"FontTableSkipped", R"({\rtf1{\fonttbl{\f0\fswiss Arial;}{\f1 Courier;}}\f0 x})", RTF, "x"},
    {"StylesheetInfoPictSkipped", R"({\rtf1{\stylesheet{\s0 Normal;}}{\info{\title T}}{\pict\wmetafile8 0a0b}x})",
     RTF, "x"},
    {"HeaderAndFooterSkipped", R"({\rtf1{\header h}{\footer f}x})", RTF, "x"},
    {"IgnorableDestinationSkipped", R"({\rtf1{\*\generator Riched20 10.0;}{\*\unknownthing {nested} y}x})", RTF,
     "x"},
    {"UnknownControlWordIgnored", R"({\rtf1\viewkind4\sa200\sl276\slmult1 x})", RTF, "x"},
    {"BinaryDataSkipped", "{\\rtf1{\\pict\\bin3 }}}}x}", RTF, "x"},
    {"HexEscapeIsWindows1252", R"({\rtf1 Caf\'e9 \'80 \'93q\'94})", RTF, "Caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D"},
    {"BrokenHexEscapeDropped", R"({\rtf1 a\'zzb})", RTF, "azzb"},
    {"UnicodeSkipsOneFallback", R"({\rtf1 \u8364?x})", RTF, "\xE2\x82\xAC" "x"},
    {"UnicodeSkipsHexFallback", R"({\rtf1 \u233\'e9x})", RTF, "\xC3\xA9x"},
    {"UnicodeSkipCountFromUc", R"({\rtf1\uc2 \u8364ab c})", RTF, "\xE2\x82\xAC c"},
    {"UnicodeWithoutFallback", R"({\rtf1\uc0 \u8364 x})", RTF, "\xE2\x82\xAC" "x"},
    {"UcIsRestoredWithTheGroup", R"({\rtf1{\uc0 \u65 }\u66 xy})", RTF, "ABy"},
    {"NegativeUnicode", R"({\rtf1 \u-4064?})", RTF, "\xEF\x80\xA0"},
    {"SurrogatePair", R"({\rtf1 \u-10179?\u-8704?})", RTF, "\xF0\x9F\x98\x80"},
    {"LoneSurrogateReplaced", R"({\rtf1 \u-10179?x})", RTF, "\xEF\xBF\xBDx"},
    {"EscapedSymbols", R"({\rtf1 a\\b\{c\}})", RTF, "a\\b{c}"},
    {"NonBreakingSpace", R"({\rtf1 a\~b})", RTF, "a\xC2\xA0" "b"},
    {"NamedPunctuation", R"({\rtf1 \emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote})", RTF,
     "\xE2\x80\x94\xE2\x80\x93\xE2\x80\xA2\xE2\x80\x98\xE2\x80\x99\xE2\x80\x9C\xE2\x80\x9D"},
    {"TextAfterTheDocumentIgnored", R"({\rtf1 a}b)", RTF, "a"},
    {"MissingClosingBrace", R"({\rtf1 a{\b b)", RTF, "a[b:b]"},
    {"EmptyDocument", R"({\rtf1})", RTF, ""},
    {"WordPadSample",
     "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat{\\fonttbl{\\f0\\fnil\\fcharset0 Calibri;}}\r\n"
     "{\\colortbl ;\\red0\\green0\\blue255;}\r\n"
     "{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \r\n"
     "\\pard\\sa200\\sl276\\slmult1\\f0\\fs22\\lang9 Hello \\cf1\\b World\\cf0\\b0\\par\r\n}\r\n",
     RTF, "[11pt:Hello ][b,#0000ff,11pt:World]"},
    {"PlainLines", "Hello\r\nWorld\n", PLAIN, "Hello|World"},
    {"PlainOldMacLines", "a\rb", PLAIN, "a|b"},
    {"PlainEmptyLineKept", "a\n\nb", PLAIN, "a||b"},
    {"PlainUtf8", "Caf\xC3\xA9", PLAIN, "Caf\xC3\xA9"},
    {"PlainUtf8ByteOrderMarkDropped", "\xEF\xBB\xBFHi", PLAIN, "Hi"},
    {"PlainWindows1252", "Caf\xE9 \x80", PLAIN, "Caf\xC3\xA9 \xE2\x82\xAC"},
    {"PlainKeepsBackslashesAndBraces", R"({\rt \b x})", PLAIN, R"({\rt \b x})"},
    {"PlainSignatureMustBeAtTheStart", R"( {\rtf1 x})", PLAIN, R"( {\rtf1 x})"},
    {"PlainEmpty", "", PLAIN, ""},
};

INSTANTIATE_TEST_SUITE_P(Features, RichTextReading, testing::ValuesIn(RICH_CASES),
                         [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(RichText, PlainTextPutsNewlinesBetweenParagraphs)
{
    EXPECT_EQ(fw::plain_text(parse(R"({\rtf1 {\b One}\par\par Two\line 2\par})")), "One\n\nTwo\n2");
    EXPECT_EQ(fw::plain_text(parse("a\r\nb\r\n")), "a\nb");
}

TEST(RichText, EmptyInputHasNoParagraphs)
{
    EXPECT_TRUE(fw::parse_rich_text(nullptr, 0).paragraphs.empty());
    EXPECT_TRUE(parse("").paragraphs.empty());
    EXPECT_TRUE(parse("{\\rtf1}").paragraphs.empty());
}

TEST(RichText, RunsOfTheSameFormatAreJoined)
{
    const fw::RichDocument document = parse(R"({\rtf1 a{b}\b0 c\i0 d})");
    ASSERT_EQ(document.paragraphs.size(), 1u);
    ASSERT_EQ(document.paragraphs[0].runs.size(), 1u);
    EXPECT_EQ(document.paragraphs[0].runs[0].text, "abcd");
}

}  // namespace
