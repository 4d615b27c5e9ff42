#include "fwpack/AttributeText.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

struct AttributeCase {
    const char* label;
    std::uint16_t attribute;
    std::string text;
};

// Test names show the label, not the bytes of the case.
void PrintTo(const AttributeCase& c, std::ostream* os)
{
    *os << c.label;
}

class AttributeText : public testing::TestWithParam<AttributeCase> {};

TEST_P(AttributeText, NamesKindAndSelection)
{
    EXPECT_EQ(fwpack::describe_attribute(GetParam().attribute), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Words, AttributeText,
    testing::Values(AttributeCase{"GeneralUpgrade", 0x0801, "0x0801 upgrade general"},
                    AttributeCase{"ModuleUpgrade", 0x0802, "0x0802 upgrade module"},
                    AttributeCase{"DefaultUpgrade", 0x0803, "0x0803 upgrade default"},
                    AttributeCase{"NoticeWithoutSelection", 0x0400, "0x0400 notice none"},
                    AttributeCase{"BothKinds", 0x0C03, "0x0C03 upgrade+notice default"},
                    AttributeCase{"NoKind", 0x0002, "0x0002 no-kind module"},
                    AttributeCase{"OtherBits", 0x8811, "0x8811 upgrade general +0x8010"}),
    [](const testing::TestParamInfo<AttributeCase>& info) { return std::string(info.param.label); });

TEST(QuoteText, EscapesQuotesBackslashesAndControlBytes)
{
    EXPECT_EQ(fwpack::quote_text("a\"b\\c\n\xff"), "\"a\\\"b\\\\c\\x0A\\xFF\"");
}

}  // namespace
