#include "fwpack/PackageWriter.h"

#include "package/MemoryByteSource.h"
#include "package/PackageLayout.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes name_field(const std::string& name)
{
    Bytes field(name.begin(), name.end());
    field.resize(32, 0);
    return field;
}

Bytes join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

const Bytes MAGIC = {'m', 'o', 'r', 'v', 'a', 'n', 'e', 0};

TEST(PackageWriter, OneEntryPackageByteForByte)
{
    const fwpack::PackageBytes package = fwpack::encode_package({{"a", 0x0801, {0xAA, 0xBB}}});
    ASSERT_TRUE(package.ok()) << package.error;
    // 40-byte entry, one table value, trailer: 58 bytes.
    const Bytes expected = join({
        {0x28, 0x00, 0x00, 0x00},  // entry_length 40, little-endian
        {0x08, 0x01},              // attribute 0x0801, big-endian
        name_field("a"),
        {0xAA, 0xBB},
        {0x3A, 0x00, 0x00, 0x00},  // entry_offset[0] = 58, the whole package
        {0x00, 0x00},              // trailer_reserved
        {0x01, 0x00},              // entry_count 1
        {0x12, 0x00},              // table_distance 18
        MAGIC,
    });
    EXPECT_EQ(package.bytes, expected);
}

TEST(PackageWriter, EveryTableValueIsTheDistanceFromTheEnd)
{
    const fwpack::PackageBytes package =
        fwpack::encode_package({{"a", 0x0801, {0xAA, 0xBB}}, {"bc", 0x0403, {}}, {"d", 0x0002, {0x01}}});
    ASSERT_TRUE(package.ok()) << package.error;
    // Entries of 40, 38 and 39 bytes, a 12-byte table, the trailer: 143 bytes.
    const Bytes expected = join({
        {0x28, 0x00, 0x00, 0x00}, {0x08, 0x01}, name_field("a"), {0xAA, 0xBB},
        {0x26, 0x00, 0x00, 0x00}, {0x04, 0x03}, name_field("bc"),
        {0x27, 0x00, 0x00, 0x00}, {0x00, 0x02}, name_field("d"), {0x01},
        {0x8F, 0x00, 0x00, 0x00},  // 143: entry 0 starts the package
        {0x67, 0x00, 0x00, 0x00},  // 103 = 143 - 40
        {0x41, 0x00, 0x00, 0x00},  // 65 = 103 - 38
        {0x00, 0x00}, {0x03, 0x00}, {0x1A, 0x00},  // reserved, count 3, distance 26
        MAGIC,
    });
    EXPECT_EQ(package.bytes, expected);
}

TEST(PackageWriter, PackageWithoutEntriesIsTheTrailer)
{
    const fwpack::PackageBytes package = fwpack::encode_package({});
    ASSERT_TRUE(package.ok());
    EXPECT_EQ(package.bytes, join({{0x00, 0x00, 0x00, 0x00, 0x0E, 0x00}, MAGIC}));
}

TEST(PackageWriter, WrittenPackageValidatesWithTheSameEntries)
{
    const std::vector<fwpack::PackageEntry> entries = {
        {"WX2000.bin", 0x0802, Bytes(1000, 0x42)}, {"hello.msg", 0x0401, Bytes(130, 0)}, {"x", 0, {}}};
    const fwpack::PackageBytes package = fwpack::encode_package(entries);
    ASSERT_TRUE(package.ok());
    fw::MemoryByteSource source(package.bytes);
    const fw::PackageCheck check = fw::validate_package(source);
    ASSERT_TRUE(check.ok()) << check.message;
    ASSERT_EQ(check.entries.size(), entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(check.entries[i].name, entries[i].name);
        EXPECT_EQ(check.entries[i].attribute, entries[i].attribute);
        EXPECT_EQ(check.entries[i].data_length, entries[i].data.size());
        EXPECT_TRUE(std::equal(entries[i].data.begin(), entries[i].data.end(),
                               package.bytes.begin() + static_cast<long>(check.entries[i].data_offset)));
    }
}

struct Refusal {
    const char* label;
    std::vector<fwpack::PackageEntry> entries;
    std::string error;
};

// Test names show the label, not the bytes of the case.
void PrintTo(const Refusal& c, std::ostream* os)
{
    *os << c.label;
}

class PackageWriterRefusal : public testing::TestWithParam<Refusal> {};

TEST_P(PackageWriterRefusal, NamesTheProblem)
{
    const fwpack::PackageBytes package = fwpack::encode_package(GetParam().entries);
    EXPECT_FALSE(package.ok());
    EXPECT_EQ(package.error, GetParam().error);
    EXPECT_TRUE(package.bytes.empty());
}

std::vector<fwpack::PackageEntry> numbered_entries(int count)
{
    std::vector<fwpack::PackageEntry> entries;
    for (int i = 0; i < count; ++i)
        entries.push_back({"e" + std::to_string(i), 0x0801, {}});
    return entries;
}

INSTANTIATE_TEST_SUITE_P(
    Refused, PackageWriterRefusal,
    testing::Values(
        Refusal{"SixtyFiveEntries", numbered_entries(65), "65 entries, more than the 64 a package can hold"},
        Refusal{"NameOf32Characters", {{std::string(32, 'n'), 0x0801, {}}},
                "entry name \"" + std::string(32, 'n') + "\" is longer than 31 characters"},
        Refusal{"EmptyName", {{"", 0x0801, {}}}, "entry name \"\" is empty"},
        Refusal{"DotDot", {{"..", 0x0801, {}}}, "entry name \"..\" is not a file name"},
        Refusal{"Slash", {{"fw/x.bin", 0x0801, {}}}, "entry name \"fw/x.bin\" holds a path separator"},
        Refusal{"SameNameTwice", {{"a", 0x0801, {}}, {"a", 0x0401, {}}}, "entry name \"a\" is used twice"}),
    [](const testing::TestParamInfo<Refusal>& info) { return std::string(info.param.label); });

TEST(PackageWriter, SixtyFourEntriesAreAccepted)
{
    EXPECT_TRUE(fwpack::encode_package(numbered_entries(64)).ok());
}

}  // namespace
