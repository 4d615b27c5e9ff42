#include "package_format/HandPackage.h"

#include "package/Attributes.h"
#include "package/MemoryByteSource.h"
#include "package/PackageLayout.h"

#include <gtest/gtest.h>

#include <ostream>
#include <functional>
#include <set>

namespace {

using fw::PackageError;

// 100 bytes standing for the program image, then three entries.
HandPackage sample_package()
{
    return HandPackage(std::vector<std::uint8_t>(100, 0x5A),
                       {{"WX2000.bin", 0x0802, std::vector<std::uint8_t>(20, 0x11)},
                        {"hello.msg", 0x0403, std::vector<std::uint8_t>(5, 0x22)},
                        {"empty", 0x0801, {}}});
}

fw::PackageCheck validate(const std::vector<std::uint8_t>& bytes)
{
    fw::MemoryByteSource source(bytes);
    return fw::validate_package(source);
}

TEST(PackageLayout, SoundPackageListsEveryEntryWithItsPlaceInTheFile)
{
    const HandPackage package = sample_package();
    const fw::PackageCheck check = validate(package.bytes);
    ASSERT_TRUE(check.ok()) << check.message;
    EXPECT_EQ(check.package_offset, 100u);
    EXPECT_EQ(check.package_size, package.bytes.size() - 100);
    ASSERT_EQ(check.entries.size(), 3u);

    EXPECT_EQ(check.entries[0].name, "WX2000.bin");
    EXPECT_EQ(check.entries[0].attribute, fw::ATTR_UPGRADE_FILE | fw::ATTR_IDCHECK);
    EXPECT_EQ(check.entries[0].entry_offset, 100u);
    EXPECT_EQ(check.entries[0].data_offset, 138u);
    EXPECT_EQ(check.entries[0].entry_length, 58u);
    EXPECT_EQ(check.entries[0].data_length, 20u);

    EXPECT_EQ(check.entries[1].name, "hello.msg");
    EXPECT_EQ(check.entries[1].attribute, 0x0403);
    EXPECT_EQ(check.entries[1].entry_offset, 158u);
    EXPECT_EQ(check.entries[1].data_length, 5u);

    EXPECT_EQ(check.entries[2].name, "empty");
    EXPECT_EQ(check.entries[2].entry_offset, 201u);
    EXPECT_EQ(check.entries[2].data_length, 0u);
    EXPECT_EQ(check.entries[2].entry_length, 38u);
}

TEST(PackageLayout, PackageWithoutEntriesIsTheTrailerAlone)
{
    const HandPackage package({1, 2, 3}, {});
    const fw::PackageCheck check = validate(package.bytes);
    ASSERT_TRUE(check.ok()) << check.message;
    EXPECT_TRUE(check.entries.empty());
    EXPECT_EQ(check.package_offset, 3u);
    EXPECT_EQ(check.package_size, 14u);
}

TEST(PackageLayout, OnlyTheFirstTableValueIsUsed)
{
    HandPackage package = sample_package();
    const fw::PackageCheck sound = validate(package.bytes);
    package.set32(package.table_start + 4, 0xFFFFFFFF);
    package.set32(package.table_start + 8, 0);
    const fw::PackageCheck check = validate(package.bytes);
    ASSERT_TRUE(check.ok()) << check.message;
    ASSERT_EQ(check.entries.size(), sound.entries.size());
    for (std::size_t i = 0; i < check.entries.size(); ++i) {
        EXPECT_EQ(check.entries[i].name, sound.entries[i].name);
        EXPECT_EQ(check.entries[i].data_offset, sound.entries[i].data_offset);
    }
}

TEST(PackageLayout, MagicIsTheSevenLettersAndTheirZeroByte)
{
    HandPackage package = sample_package();
    fw::MemoryByteSource sound(package.bytes);
    EXPECT_TRUE(fw::has_package_magic(sound));
    package.bytes.back() = 'X';
    fw::MemoryByteSource damaged(package.bytes);
    EXPECT_FALSE(fw::has_package_magic(damaged));
}

// Records every read so a test can tell which bytes the validator touched.
class RecordingSource final : public fw::ByteSource {
public:
    explicit RecordingSource(const std::vector<std::uint8_t>& bytes) : inner_(bytes) {}
    std::uint64_t size() const override { return inner_.size(); }
    bool read_at(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) override
    {
        for (std::size_t i = 0; i < length; ++i)
            touched.insert(offset + i);
        return inner_.read_at(offset, buffer, length);
    }
    std::set<std::uint64_t> touched;

private:
    fw::MemoryByteSource inner_;
};

TEST(PackageLayout, ReadsHeadersAndTrailerButNoEntryData)
{
    const HandPackage package = sample_package();
    RecordingSource source(package.bytes);
    const fw::PackageCheck check = fw::validate_package(source);
    ASSERT_TRUE(check.ok()) << check.message;
    for (const fw::PackageEntryInfo& entry : check.entries)
        for (std::uint64_t at = entry.data_offset; at < entry.data_offset + entry.data_length; ++at)
            EXPECT_EQ(source.touched.count(at), 0u) << "data byte " << at << " of " << entry.name;
    EXPECT_EQ(source.touched.count(package.table_start + 4), 0u) << "entry_offset[1] was read";
}

// A source whose reads all fail, as a file can after it was opened.
class FailingSource final : public fw::ByteSource {
public:
    explicit FailingSource(const std::vector<std::uint8_t>& bytes) : inner_(bytes) {}
    std::uint64_t size() const override { return inner_.size(); }
    bool read_at(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) override
    {
        // Let the magic through so the failure is met inside the package.
        if (offset + length == inner_.size() && length == 8)
            return inner_.read_at(offset, buffer, length);
        return false;
    }

private:
    fw::MemoryByteSource inner_;
};

TEST(PackageLayout, ReadFailureIsReportedNotTakenForData)
{
    const HandPackage package = sample_package();
    FailingSource source(package.bytes);
    const fw::PackageCheck check = fw::validate_package(source);
    EXPECT_EQ(check.error, PackageError::ReadFailed);
    EXPECT_TRUE(check.entries.empty());
}

struct Damage {
    const char* name;
    std::function<void(HandPackage&)> damage;
    PackageError error;
    std::string message;  // empty: only the error kind is checked
};

// Test names show the label, not the bytes of the case.
void PrintTo(const Damage& c, std::ostream* os)
{
    *os << c.name;
}

class PackageDamage : public testing::TestWithParam<Damage> {};

TEST_P(PackageDamage, IsRefusedWithItsOwnMessage)
{
    HandPackage package = sample_package();
    GetParam().damage(package);
    const fw::PackageCheck check = validate(package.bytes);
    EXPECT_EQ(check.error, GetParam().error) << check.message;
    EXPECT_FALSE(check.ok());
    EXPECT_TRUE(check.entries.empty());
    if (!GetParam().message.empty())
        EXPECT_EQ(check.message, GetParam().message);
    else
        EXPECT_FALSE(check.message.empty());
}

// The sample is 100 bytes of image, entries of 58, 43 and 38 bytes, a
// 12-byte table and the trailer: 265 bytes in all.
const Damage DAMAGES[] = {
    {"EntryCount65",
     [](HandPackage& p) {
         p.set16(p.entry_count_at(), 65);
         p.set16(p.table_distance_at(), 14 + 4 * 65);
     },
     PackageError::TooManyEntries, "trailer: entry_count 65 is above the limit of 64 entries"},
    {"TableDistanceNotMatchingCount", [](HandPackage& p) { p.set16(p.table_distance_at(), 30); },
     PackageError::BadTableDistance, "trailer: table_distance 30 does not match 14 + 4 * entry_count = 26"},
    {"TableDistanceOutsideFile",
     [](HandPackage& p) {
         p.bytes.erase(p.bytes.begin(), p.bytes.end() - 20);
         p.set16(p.entry_count_at(), 2);
         p.set16(p.table_distance_at(), 22);
     },
     PackageError::TableOutsideFile, "trailer: table_distance 22 points before the start of the file (20 bytes)"},
    {"FirstEntryOffsetOutsideFile", [](HandPackage& p) { p.set32(p.table_start, 266); },
     PackageError::FirstEntryOutsideFile,
     "offset table: entry_offset[0] 266 points before the start of the file (265 bytes)"},
    {"FirstEntryOffsetTooSmallForHeader", [](HandPackage& p) { p.set32(p.table_start, 20); },
     PackageError::EntryHeaderOutsideFile,
     "entry 0: the 38-byte header at offset 245 runs past the end of the file (265 bytes)"},
    {"EntryLength37", [](HandPackage& p) { p.set32(p.entry_starts[1], 37); }, PackageError::EntryLengthTooSmall,
     "entry 1: entry_length 37 is below the 38-byte header"},
    {"EntryLengthZero", [](HandPackage& p) { p.set32(p.entry_starts[0], 0); }, PackageError::EntryLengthTooSmall,
     "entry 0: entry_length 0 is below the 38-byte header"},
    {"EntryPastEnd", [](HandPackage& p) { p.set32(p.entry_starts[2], 65); }, PackageError::EntryPastEnd,
     "entry 2: entry_length 65 at offset 201 runs past the end of the file (265 bytes)"},
    {"EntryLengthHuge", [](HandPackage& p) { p.set32(p.entry_starts[0], 0xFFFFFFFF); }, PackageError::EntryPastEnd,
     ""},
    {"NextHeaderPastEnd", [](HandPackage& p) { p.set32(p.entry_starts[1], 43 + 38 + 12); },
     PackageError::EntryHeaderOutsideFile,
     "entry 2: the 38-byte header at offset 251 runs past the end of the file (265 bytes)"},
    {"NameWithoutZeroByte", [](HandPackage& p) { p.set_name_field(1, std::string(32, 'A')); },
     PackageError::NameNotTerminated, "entry 1: entry_name has no zero byte in its 32 bytes"},
    {"EmptyName", [](HandPackage& p) { p.set_name_field(0, ""); }, PackageError::NameEmpty,
     "entry 0: entry_name is empty"},
    {"DotName", [](HandPackage& p) { p.set_name_field(2, "."); }, PackageError::NameDotted,
     "entry 2: entry_name \".\" is not a file name"},
    {"DotDotName", [](HandPackage& p) { p.set_name_field(2, ".."); }, PackageError::NameDotted,
     "entry 2: entry_name \"..\" is not a file name"},
    {"NameWithSlash", [](HandPackage& p) { p.set_name_field(0, "../etc/x"); }, PackageError::NameHasSeparator,
     "entry 0: entry_name \"../etc/x\" holds a path separator"},
    {"NameWithBackslash", [](HandPackage& p) { p.set_name_field(0, "a\\b"); }, PackageError::NameHasSeparator,
     "entry 0: entry_name \"a\\\\b\" holds a path separator"},
    {"MagicSevenLettersThenNonZero", [](HandPackage& p) { p.bytes.back() = 'X'; }, PackageError::NoPackage, ""},
    {"MagicOtherLetters", [](HandPackage& p) { p.bytes[p.bytes.size() - 8] = 'M'; }, PackageError::NoPackage, ""},
    {"FileShorterThanMagic", [](HandPackage& p) { p.bytes.assign({'v', 'a', 'n', 'e', 0}); }, PackageError::NoPackage,
     ""},
    {"MagicAloneWithoutTrailer", [](HandPackage& p) { p.bytes.erase(p.bytes.begin(), p.bytes.end() - 13); },
     PackageError::TruncatedTrailer, "trailer: the file is 13 bytes, shorter than the 14-byte trailer"},
};

INSTANTIATE_TEST_SUITE_P(Refused, PackageDamage, testing::ValuesIn(DAMAGES),
                         [](const testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

struct NameCase {
    const char* label;
    std::string name;
    PackageError error;
};

// Test names show the label, not the bytes of the case.
void PrintTo(const NameCase& c, std::ostream* os)
{
    *os << c.label;
}

class EntryName : public testing::TestWithParam<NameCase> {};

TEST_P(EntryName, IsCheckedAsTheReaderWould)
{
    EXPECT_EQ(fw::check_entry_name(GetParam().name), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Names, EntryName,
    testing::Values(NameCase{"Plain", "WX2000.bin", PackageError::None},
                    NameCase{"ThirtyOneCharacters", std::string(31, 'n'), PackageError::None},
                    NameCase{"ThirtyTwoCharacters", std::string(32, 'n'), PackageError::NameTooLong},
                    NameCase{"DotsInside", "a..b", PackageError::None},
                    NameCase{"Empty", "", PackageError::NameEmpty},
                    NameCase{"ZeroByte", std::string("a\0b", 3), PackageError::NameNotTerminated},
                    NameCase{"Dot", ".", PackageError::NameDotted},
                    NameCase{"Slash", "a/b", PackageError::NameHasSeparator},
                    NameCase{"Backslash", "a\\b", PackageError::NameHasSeparator}),
    [](const testing::TestParamInfo<NameCase>& info) { return std::string(info.param.label); });

}  // namespace
