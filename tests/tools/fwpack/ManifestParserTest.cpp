#include "fwpack/ManifestParser.h"

#include "package/Attributes.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

fwpack::ManifestParse parse(const std::string& text)
{
    return fwpack::parse_manifest(text, "/base", "m.txt");
}

TEST(ManifestParser, ReadsEveryKindOfEntry)
{
    const fwpack::ManifestParse result = parse(
        "# a comment line\n"
        "\n"
        "upgrade name=general.bin file=fw/general.bin select=general   # trailing comment\r\n"
        "upgrade name=WX2000.bin generate=100 select=module\n"
        "upgrade name=default.bin file=d.bin select=default\n"
        "upgrade name=none.bin file=n.bin select=none\n"
        "  notice name=hello.msg vendor=ORBE1 title=\"Say \\\"hi\\\" \\\\ now\" close_after=50 ftp_only=1 "
        "tftp_only=0x02 color=0x00ABCDEF blink=1 select=default text=notes/hello.rtf\n"
        "notice name=quiet.msg select=module message=\"{\\rtf1 \\b Hi}\"\n"
        "raw name=odd attribute=0x0C03 generate=0\n");
    ASSERT_TRUE(result.ok()) << result.error;
    ASSERT_EQ(result.entries.size(), 7u);

    const auto& general = result.entries[0];
    EXPECT_EQ(general.line, 3);
    EXPECT_EQ(general.kind, fwpack::EntryKind::Upgrade);
    EXPECT_EQ(general.name, "general.bin");
    EXPECT_EQ(general.attribute, fw::ATTR_UPGRADE_FILE | fw::ATTR_NO_IDCHECK);
    EXPECT_EQ(general.source, fwpack::DataSource::File);
    EXPECT_EQ(general.file, std::filesystem::path("/base/fw/general.bin"));

    EXPECT_EQ(result.entries[1].attribute, 0x0802);
    EXPECT_EQ(result.entries[1].source, fwpack::DataSource::Generated);
    EXPECT_EQ(result.entries[1].generated_size, 100u);
    EXPECT_EQ(result.entries[2].attribute, 0x0803);
    EXPECT_EQ(result.entries[3].attribute, 0x0800);

    const auto& hello = result.entries[4];
    EXPECT_EQ(hello.kind, fwpack::EntryKind::Notice);
    EXPECT_EQ(hello.attribute, 0x0403);
    EXPECT_EQ(hello.notice.vendor, "ORBE1");
    EXPECT_EQ(hello.notice.title, "Say \"hi\" \\ now");
    EXPECT_EQ(hello.notice.close_after, 50);
    EXPECT_EQ(hello.notice.ftp_only, 1);
    EXPECT_EQ(hello.notice.tftp_only, 2);
    EXPECT_EQ(hello.notice.text_color, 0x00ABCDEFu);
    EXPECT_EQ(hello.notice.no_blink, 0);
    EXPECT_EQ(hello.file, std::filesystem::path("/base/notes/hello.rtf"));

    const auto& quiet = result.entries[5];
    EXPECT_EQ(quiet.attribute, 0x0402);
    EXPECT_EQ(quiet.source, fwpack::DataSource::Inline);
    EXPECT_EQ(quiet.inline_text, "{\\rtf1 \\b Hi}");
    EXPECT_EQ(quiet.notice.no_blink, 1);  // blink defaults to off
    EXPECT_EQ(quiet.notice.text_color, 0x00FFFFFFu);
    EXPECT_EQ(quiet.notice.close_after, 0);

    EXPECT_EQ(result.entries[6].kind, fwpack::EntryKind::Raw);
    EXPECT_EQ(result.entries[6].attribute, 0x0C03);
}

TEST(ManifestParser, SixtyFourEntriesFitAndTheSixtyFifthIsRefused)
{
    std::string text;
    for (int i = 0; i < 64; ++i)
        text += "upgrade name=e" + std::to_string(i) + " generate=1 select=general\n";
    EXPECT_TRUE(parse(text).ok());
    text += "upgrade name=last generate=1 select=general\n";
    EXPECT_EQ(parse(text).error, "m.txt:65: more than 64 entries; a package holds at most that many");
}

struct BadLine {
    const char* label;
    std::string text;
    std::string error;
};

// Test names show the label, not the bytes of the case.
void PrintTo(const BadLine& c, std::ostream* os)
{
    *os << c.label;
}

class ManifestRefusal : public testing::TestWithParam<BadLine> {};

TEST_P(ManifestRefusal, NamesTheLineAndTheProblem)
{
    const fwpack::ManifestParse result = parse(GetParam().text);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.error, GetParam().error);
    EXPECT_TRUE(result.entries.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Refused, ManifestRefusal,
    testing::Values(
        BadLine{"UnknownKind", "firmware name=a file=a", "m.txt:1: unknown entry kind \"firmware\" (use upgrade, notice or raw)"},
        BadLine{"KeyBeforeKind", "name=a upgrade", "m.txt:1: the line must begin with upgrade, notice or raw"},
        BadLine{"WordWithoutValue", "upgrade name=a stray", "m.txt:1: expected key=value, got \"stray\""},
        BadLine{"MissingName", "# x\nupgrade file=a select=general", "m.txt:2: missing name="},
        BadLine{"NameOf32Characters", "upgrade name=abcdefghijklmnopqrstuvwxyz012345 file=a select=general",
                "m.txt:1: entry name \"abcdefghijklmnopqrstuvwxyz012345\" is 32 characters, longer than the 31 allowed"},
        BadLine{"EmptyName", "upgrade name= file=a select=general", "m.txt:1: the entry name is empty"},
        BadLine{"NameWithSlash", "upgrade name=fw/a file=a select=general", "m.txt:1: entry name \"fw/a\" holds a path separator"},
        BadLine{"DotName", "upgrade name=. file=a select=general", "m.txt:1: entry name \".\" is not a file name"},
        BadLine{"SameNameTwice", "upgrade name=a file=a select=general\nnotice name=a message=x select=general",
                "m.txt:2: entry name \"a\" is already used on line 1"},
        BadLine{"MissingSelect", "upgrade name=a file=a", "m.txt:1: missing select= (general, module, default or none)"},
        BadLine{"UnknownSelect", "upgrade name=a file=a select=all", "m.txt:1: select \"all\" is not general, module, default or none"},
        BadLine{"MissingData", "upgrade name=a select=general", "m.txt:1: missing file= or generate="},
        BadLine{"TwoDataSources", "upgrade name=a file=a generate=3 select=general", "m.txt:1: give only one of file= or generate="},
        BadLine{"NoticeWithoutText", "notice name=a select=general", "m.txt:1: missing text= or message="},
        BadLine{"GenerateOnNotice", "notice name=a generate=4 select=general", "m.txt:1: unknown key \"generate\" for notice"},
        BadLine{"UnknownKey", "upgrade name=a file=a select=general colour=1", "m.txt:1: unknown key \"colour\" for upgrade"},
        BadLine{"KeyTwice", "upgrade name=a name=b file=a select=general", "m.txt:1: name is given twice"},
        BadLine{"UnclosedQuote", "notice name=a title=\"Hello select=general", "m.txt:1: the value of title has no closing quote"},
        BadLine{"TextAfterQuote", "notice name=a title=\"Hello\"x select=general message=m",
                "m.txt:1: the value of title must be followed by a blank"},
        BadLine{"NumberNotANumber", "notice name=a close_after=soon select=general message=m",
                "m.txt:1: close_after \"soon\" is not a number from 0 to 65535"},
        BadLine{"NumberTooBig", "notice name=a close_after=65536 select=general message=m",
                "m.txt:1: close_after \"65536\" is not a number from 0 to 65535"},
        BadLine{"BlinkNotBoolean", "notice name=a blink=2 select=general message=m", "m.txt:1: blink \"2\" is not a number from 0 to 1"},
        BadLine{"VendorTooLong", "notice name=a vendor=ABCDEFGHIJKLMNOP select=general message=m",
                "m.txt:1: vendor \"ABCDEFGHIJKLMNOP\" is longer than 15 bytes"},
        BadLine{"RawWithoutAttribute", "raw name=a file=a", "m.txt:1: missing attribute="},
        BadLine{"AttributeTooBig", "raw name=a attribute=0x10000 file=a", "m.txt:1: attribute \"0x10000\" is not a number from 0 to 65535"},
        BadLine{"GenerateTooBig", "upgrade name=a generate=99999999999 select=general",
                "m.txt:1: generate \"99999999999\" is not a number from 0 to 67108864"}),
    [](const testing::TestParamInfo<BadLine>& info) { return std::string(info.param.label); });

}  // namespace
