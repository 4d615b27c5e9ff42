#include "tools/fwpack/TempFolder.h"

#include "fwpack/Commands.h"
#include "fwpack/ExitCode.h"
#include "fwpack/PackageWriter.h"
#include "package/MemoryByteSource.h"
#include "package/PackageLayout.h"

#include <gtest/gtest.h>

#include <ostream>
#include <functional>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

struct RunResult {
    int code = -1;
    std::string out;
    std::string err;
};

RunResult fwpack_run(const std::vector<std::string>& args)
{
    std::ostringstream out;
    std::ostringstream err;
    RunResult run;
    run.code = fwpack::run_fwpack(args, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

std::string q(const fs::path& path)
{
    return "\"" + path.string() + "\"";
}

const char* const SMALL_MANIFEST =
    "upgrade name=fw.bin file=fw.bin select=module\n"
    "notice name=hi.msg vendor=ORBE1 title=\"Hi there\" close_after=50 ftp_only=1 tftp_only=0 "
    "color=0x00FFFFFF blink=1 select=general message=\"Hello\"\n"
    "raw name=odd attribute=0x1800 generate=3\n";

class FwpackCommand : public testing::Test {
protected:
    void SetUp() override
    {
        folder = fresh_test_folder();
        manifest = folder / "in" / "package.manifest";
        write_file(manifest, SMALL_MANIFEST);
        write_file(folder / "in" / "fw.bin", "0123456789");
    }

    fs::path folder;
    fs::path manifest;
};

TEST_F(FwpackCommand, BuildPackageThenListShowsEveryEntry)
{
    const fs::path output = folder / "out.fwpkg";
    const RunResult build = fwpack_run({"build-package", manifest.string(), output.string()});
    ASSERT_EQ(build.code, fwpack::FWPACK_EXIT_OK) << build.err;
    EXPECT_EQ(build.out, "fwpack: wrote " + q(output) + ": 3 entries, package 283 bytes\n");

    const Bytes bytes = read_file(output);
    fw::MemoryByteSource source(bytes);
    const fw::PackageCheck check = fw::validate_package(source);
    ASSERT_TRUE(check.ok()) << check.message;
    ASSERT_EQ(check.entries.size(), 3u);
    EXPECT_EQ(Bytes(bytes.begin() + 38, bytes.begin() + 48), Bytes({'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'}));

    const RunResult list = fwpack_run({"list", output.string()});
    EXPECT_EQ(list.code, fwpack::FWPACK_EXIT_OK) << list.err;
    EXPECT_EQ(list.err, "");
    EXPECT_EQ(list.out,
              "package: 3 entries, 283 bytes at offset 0\n"
              "entry 0: \"fw.bin\" 0x0802 upgrade module, entry_length 48, data 10 bytes\n"
              "entry 1: \"hi.msg\" 0x0401 notice general, entry_length 168, data 130 bytes\n"
              "  notice: vendor \"ORBE1\", title \"Hi there\", close_after 50, ftp_only 1, tftp_only 0, "
              "text_length 5, color 0x00FFFFFF, blink 1\n"
              "entry 2: \"odd\" 0x1800 upgrade none +0x1000, entry_length 41, data 3 bytes\n");
}

TEST_F(FwpackCommand, BuildAppendsThePackageToACopyOfTheExecutable)
{
    const fs::path executable = folder / "tool";
    Bytes image(1000);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 7);
    write_file(executable, image);
    fs::permissions(executable, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    const fs::path output = folder / "tool-packed";

    const RunResult build = fwpack_run({"build", manifest.string(), executable.string(), output.string()});
    ASSERT_EQ(build.code, fwpack::FWPACK_EXIT_OK) << build.err;
    EXPECT_EQ(build.out,
              "fwpack: wrote " + q(output) + ": 3 entries, package 283 bytes after 1000 bytes of " + q(executable) + "\n");

    const Bytes bytes = read_file(output);
    ASSERT_EQ(bytes.size(), 1283u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 1000), image);
    fw::MemoryByteSource source(bytes);
    const fw::PackageCheck check = fw::validate_package(source);
    ASSERT_TRUE(check.ok()) << check.message;
    EXPECT_EQ(check.package_offset, 1000u);
    EXPECT_EQ(fs::status(output).permissions(), fs::status(executable).permissions());
    EXPECT_EQ(read_file(executable), image);
}

TEST_F(FwpackCommand, BuildRefusesAnExecutableThatAlreadyCarriesAPackage)
{
    const fs::path packed = folder / "packed";
    write_file(packed, Bytes(50, 1));
    ASSERT_EQ(fwpack_run({"build", manifest.string(), (folder / "packed").string(), (folder / "first").string()}).code,
              fwpack::FWPACK_EXIT_OK);
    const fs::path output = folder / "second";
    const RunResult run = fwpack_run({"build", manifest.string(), (folder / "first").string(), output.string()});
    EXPECT_EQ(run.code, fwpack::FWPACK_EXIT_FAILURE);
    EXPECT_EQ(run.err, "fwpack: " + q(folder / "first") +
                           " already carries a package; build from the executable without one\n");
    EXPECT_FALSE(fs::exists(output));
}

TEST_F(FwpackCommand, FailedBuildLeavesAnExistingOutputAlone)
{
    write_file(manifest, "upgrade name=a-name-of-thirty-two-characters.bin generate=5 select=general\n");
    const fs::path output = folder / "out.fwpkg";
    write_file(output, "old contents");
    const RunResult run = fwpack_run({"build-package", manifest.string(), output.string()});
    EXPECT_EQ(run.code, fwpack::FWPACK_EXIT_FAILURE);
    EXPECT_EQ(run.err, "fwpack: " + manifest.string() +
                           ":1: entry name \"a-name-of-thirty-two-characters.bin\" is 35 characters, longer than the 31 "
                           "allowed\n");
    EXPECT_EQ(read_file(output), Bytes({'o', 'l', 'd', ' ', 'c', 'o', 'n', 't', 'e', 'n', 't', 's'}));
    EXPECT_FALSE(fs::exists(folder / "out.fwpkg.fwpack-tmp"));
}

TEST_F(FwpackCommand, MissingDataFileIsNamed)
{
    fs::remove(folder / "in" / "fw.bin");
    const RunResult run = fwpack_run({"build-package", manifest.string(), (folder / "out").string()});
    EXPECT_EQ(run.code, fwpack::FWPACK_EXIT_FAILURE);
    EXPECT_EQ(run.err, "fwpack: " + manifest.string() + ":1: cannot read file " + q(folder / "in" / "fw.bin") + "\n");
    EXPECT_FALSE(fs::exists(folder / "out"));
}

TEST_F(FwpackCommand, NoticeTextAboveItsSixteenBitLengthIsRefused)
{
    write_file(manifest, "notice name=big.msg select=general text=big.rtf\n");
    write_file(folder / "in" / "big.rtf", std::string(65536, 'x'));
    const RunResult run = fwpack_run({"build-package", manifest.string(), (folder / "out").string()});
    EXPECT_EQ(run.code, fwpack::FWPACK_EXIT_FAILURE);
    EXPECT_EQ(run.err, "fwpack: " + manifest.string() +
                           ":1: the notice text is 65536 bytes, more than the 65535 a notice can carry\n");
}

TEST_F(FwpackCommand, DepfileListsTheManifestAndEveryFileRead)
{
    const fs::path output = folder / "out.fwpkg";
    const fs::path depfile = folder / "out.d";
    const RunResult run = fwpack_run({"build-package", "--depfile", depfile.string(), manifest.string(), output.string()});
    ASSERT_EQ(run.code, fwpack::FWPACK_EXIT_OK) << run.err;
    const Bytes text = read_file(depfile);
    EXPECT_EQ(std::string(text.begin(), text.end()),
              output.string() + ": \\\n  " + manifest.string() + " \\\n  " + (folder / "in" / "fw.bin").string() + "\n");
}

struct ListCase {
    const char* label;
    std::function<Bytes()> contents;  // none: the path does not exist
    int code;
    std::string out_start;  // what stdout begins with
    std::string err;        // FILE stands for the quoted path
};

// Test names show the label, not the bytes of the case.
void PrintTo(const ListCase& c, std::ostream* os)
{
    *os << c.label;
}

class FwpackList : public testing::TestWithParam<ListCase> {};

Bytes small_package(const std::vector<fwpack::PackageEntry>& entries)
{
    return fwpack::encode_package(entries).bytes;
}

TEST_P(FwpackList, ExitCodeAndTexts)
{
    const fs::path file = fresh_test_folder() / "input";
    if (GetParam().contents)
        write_file(file, GetParam().contents());
    const RunResult run = fwpack_run({"list", file.string()});
    EXPECT_EQ(run.code, GetParam().code);
    EXPECT_EQ(run.out.substr(0, GetParam().out_start.size()), GetParam().out_start);
    std::string err = GetParam().err;
    if (const auto at = err.find("FILE"); at != std::string::npos)
        err.replace(at, 4, q(file));
    EXPECT_EQ(run.err, err);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FwpackList,
    testing::Values(
        ListCase{"SoundPackage", [] { return small_package({{"a.bin", 0x0801, Bytes(5, 0)}}); }, 0,
                 "package: 1 entries, 61 bytes at offset 0\nentry 0: \"a.bin\" 0x0801 upgrade general", ""},
        ListCase{"EmptyPackage", [] { return small_package({}); }, 0, "package: 0 entries, 14 bytes at offset 0\n", ""},
        ListCase{"EmptyFile", [] { return Bytes{}; }, 1, "", "fwpack: FILE carries no package\n"},
        ListCase{"OrdinaryFile", [] { return Bytes(4096, 0x7F); }, 1, "", "fwpack: FILE carries no package\n"},
        ListCase{"MagicWithoutZeroByte",
                 [] {
                     Bytes bytes = small_package({{"a", 0x0801, {}}});
                     bytes.back() = 'X';
                     return bytes;
                 },
                 1, "", "fwpack: FILE carries no package\n"},
        ListCase{"EntryLength37",
                 [] {
                     Bytes bytes = small_package({{"a", 0x0801, {1, 2, 3}}});
                     bytes[0] = 37;
                     return bytes;
                 },
                 2, "", "fwpack: FILE: damaged package: entry 0: entry_length 37 is below the 38-byte header\n"},
        ListCase{"EntryCount65",
                 [] {
                     Bytes bytes = small_package({});
                     bytes[2] = 65;
                     bytes[4] = 14 + 4 * 65 - 256;
                     bytes[5] = 1;
                     return bytes;
                 },
                 2, "", "fwpack: FILE: damaged package: trailer: entry_count 65 is above the limit of 64 entries\n"},
        ListCase{"ShortNoticeRecord", [] { return small_package({{"n.msg", 0x0401, Bytes(20, 0)}}); }, 2,
                 "package: 1 entries",
                 "fwpack: FILE: damaged package: entry 0: notice record: 20 bytes, shorter than the 125-byte header\n"},
        ListCase{"MissingFile", nullptr, 3, "", "fwpack: cannot open FILE: No such file or directory\n"}),
    [](const testing::TestParamInfo<ListCase>& info) { return std::string(info.param.label); });

TEST(FwpackListFolder, FolderIsNotAFile)
{
    const fs::path folder = fresh_test_folder();
    const RunResult run = fwpack_run({"list", folder.string()});
    EXPECT_EQ(run.code, fwpack::FWPACK_EXIT_FAILURE);
    EXPECT_EQ(run.err, "fwpack: cannot open " + q(folder) + ": not a regular file\n");
}

TEST(FwpackListCutText, NoticeWithCutTextIsListedWithTheCut)
{
    Bytes record(125, 0);
    record[118] = 50;  // text_length 50, but only 3 bytes follow
    record.insert(record.end(), {'a', 'b', 'c'});
    const fs::path file = fresh_test_folder() / "input";
    write_file(file, small_package({{"n.msg", 0x0401, record}}));
    const RunResult run = fwpack_run({"list", file.string()});
    EXPECT_EQ(run.code, fwpack::FWPACK_EXIT_OK);
    EXPECT_NE(run.out.find("text_length 50, color 0x00000000, blink 1, text cut to 3 bytes\n"), std::string::npos)
        << run.out;
}

struct UsageCase {
    const char* label;
    std::vector<std::string> args;
    std::string first_line;
};

// Test names show the label, not the bytes of the case.
void PrintTo(const UsageCase& c, std::ostream* os)
{
    *os << c.label;
}

class FwpackUsage : public testing::TestWithParam<UsageCase> {};

TEST_P(FwpackUsage, IsRefusedWithTheUsage)
{
    const RunResult run = fwpack_run(GetParam().args);
    EXPECT_EQ(run.code, fwpack::FWPACK_EXIT_FAILURE);
    EXPECT_EQ(run.err.substr(0, run.err.find('\n')), GetParam().first_line);
    EXPECT_NE(run.err.find("usage: fwpack build"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FwpackUsage,
    testing::Values(UsageCase{"NoCommand", {}, "fwpack: no command given"},
                    UsageCase{"UnknownCommand", {"pack"}, "fwpack: unknown command \"pack\""},
                    UsageCase{"ListWithoutFile", {"list"}, "fwpack: list takes one file"},
                    UsageCase{"ListWithTwoFiles", {"list", "a", "b"}, "fwpack: list takes one file"},
                    UsageCase{"BuildWithTwoFiles", {"build", "m", "o"}, "fwpack: build takes 3 file names"},
                    UsageCase{"BuildPackageWithThreeFiles", {"build-package", "m", "e", "o"},
                              "fwpack: build-package takes 2 file names"},
                    UsageCase{"DepfileWithoutName", {"build-package", "m", "o", "--depfile"},
                              "fwpack: --depfile needs a file name"}),
    [](const testing::TestParamInfo<UsageCase>& info) { return std::string(info.param.label); });

}  // namespace
