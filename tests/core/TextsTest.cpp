#include <gtest/gtest.h>

#include "core/RouterList.h"
#include "core/Texts.h"

namespace fw {
namespace {

struct TextCase {
    const char* name;
    std::string (*fn)(const std::string&);
    std::string input;
    std::string expected;
};

class TextHelpers : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextHelpers, GiveTheExpectedText) { EXPECT_EQ(GetParam().fn(GetParam().input), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Table, TextHelpers,
    ::testing::Values(
        TextCase{"FirstWordOfItem", first_word, "192.168.0.1  crash", "192.168.0.1"},
        TextCase{"FirstWordWithoutBlank", first_word, "192.168.0.1", "192.168.0.1"},
        TextCase{"FirstWordOfEmpty", first_word, "", ""},
        TextCase{"FirstWordLeadingBlank", first_word, " 10.0.0.1", ""},
        TextCase{"FirstWordVeryLong", first_word, std::string(100000, 'x') + " y", std::string(100000, 'x')},
        TextCase{"BaseNameOfPath", base_name, "/tmp/WX2000.bin", "WX2000.bin"},
        TextCase{"BaseNameWithoutFolder", base_name, "WX2000.bin", "WX2000.bin"},
        TextCase{"BaseNameOfFolder", base_name, "/tmp/", ""},
        TextCase{"PrefixOfAddress", subnet_prefix, "192.168.0.1", "192.168.0."},
        TextCase{"PrefixEndingInDot", subnet_prefix, "192.168.0.", "192.168.0."},
        TextCase{"PrefixWithoutDot", subnet_prefix, "router", ""},
        TextCase{"PrefixOfEmpty", subnet_prefix, "", ""},
        TextCase{"UpperCaseLettersOnly", upper_case, "wx-2000_\xe4z", "WX-2000_\xe4Z"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ModuleCase {
    const char* name;
    std::string module;
    std::string entry;
    bool matches;
};

class ModuleMatches : public ::testing::TestWithParam<ModuleCase> {};

TEST_P(ModuleMatches, ComparesTheStartOfTheBaseName) {
    router_info device;
    device.module = GetParam().module;
    EXPECT_EQ(module_matches(device, GetParam().entry), GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ModuleMatches,
    ::testing::Values(ModuleCase{"SameStartAnyCase", "wx", "/tmp/WX2000.bin", true},
                      ModuleCase{"ExactName", "WX2000.BIN", "/tmp/wx2000.bin", true},
                      ModuleCase{"Different", "AB", "/tmp/WX2000.bin", false},
                      ModuleCase{"EmptyModuleMatchesAll", "", "/tmp/anything", true},
                      ModuleCase{"BaseNameShorterThanModule", "WX2000-LONG", "/tmp/WX2000", false},
                      ModuleCase{"FolderIsNotPartOfTheName", "TMP", "/tmp/WX2000.bin", false},
                      ModuleCase{"TmpSuffixOnlyLengthens", "WX2000.BIN.T", "/tmp/WX2000.bin.tmp", true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace fw
