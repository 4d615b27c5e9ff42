#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/File.h"
#include "platform/files/FileBuffer.h"
#include "platform/files/FileRoutines.h"
#include "platform/runtime/Environment.h"
#include "support/TempDir.h"

namespace fw {
namespace {

struct TempFolderCase {
    const char* name;
    std::map<std::string, std::string> vars;
    std::string expected;
};

class TempFolderTest : public ::testing::TestWithParam<TempFolderCase> {};

TEST_P(TempFolderTest, FollowsTempThenTmpdirThenTmp) {
    MapEnvironment env(GetParam().vars);
    EXPECT_EQ(temp_folder(env), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Environment, TempFolderTest,
    ::testing::Values(TempFolderCase{"TempSet", {{"TEMP", "/var/t"}, {"TMPDIR", "/x"}}, "/var/t"},
                      TempFolderCase{"TempInOtherCase", {{"Temp", "/var/t2"}}, "/var/t2"},
                      TempFolderCase{"OnlyTmpdir", {{"TMPDIR", "/x"}}, "/x"},
                      TempFolderCase{"EmptyTempFallsBack", {{"TEMP", ""}, {"TMPDIR", "/x"}}, "/x"},
                      TempFolderCase{"Nothing", {}, "/tmp"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FileRoutines, FolderOfAPath) {
    EXPECT_EQ(folder_of("/opt/fw/fwupgrade"), "/opt/fw");
    EXPECT_EQ(folder_of("/fwupgrade"), "/");
    EXPECT_EQ(folder_of("fwupgrade"), "");
}

TEST(File, CreateNewRefusesAnExistingPathAndIsPrivate) {
    test::TempDir dir;
    const std::string p = dir.path() + "/a.tmp";
    File f = File::create_new(p);
    ASSERT_TRUE(f.is_open());
    struct stat st {};
    ASSERT_EQ(::stat(p.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_FALSE(File::create_new(p).is_open());
}

TEST(File, OpenExistingForWriteRefusesLinksAndNonRegularFiles) {
    test::TempDir dir;
    const std::string target = dir.write("target", "secret");
    const std::string link = dir.path() + "/link.tmp";
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    EXPECT_FALSE(File::open_existing_for_write(link).is_open());
    EXPECT_FALSE(File::open_existing_for_write(dir.path()).is_open());
    EXPECT_TRUE(File::open_existing_for_write(target).is_open());
}

TEST(File, ReadWriteSeekAndSize) {
    test::TempDir dir;
    const std::string p = dir.write("data", "0123456789");
    File f = File::open_existing_for_write(p);
    ASSERT_TRUE(f.is_open());
    EXPECT_EQ(f.size(), 10);
    EXPECT_EQ(f.seek(-4, SeekOrigin::End), 6);
    char buf[8] = {};
    EXPECT_EQ(f.read(buf, 8), 4);
    EXPECT_EQ(std::string(buf, 4), "6789");
    EXPECT_EQ(f.seek(0, SeekOrigin::Begin), 0);
    EXPECT_EQ(f.write("ab", 2), 2);
    EXPECT_TRUE(f.truncate(2));
    EXPECT_EQ(f.size(), 2);
    EXPECT_FALSE(File::open_read(dir.path() + "/missing").is_open());
}

class FileBufferSize : public ::testing::TestWithParam<std::size_t> {};

// Small buffers come from the heap, large ones are mapped on their own; every
// byte of either can be written and read back, and a whole file read into one.
TEST_P(FileBufferSize, HoldsAWholeFile) {
    const std::size_t size = GetParam();
    test::TempDir dir;
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 4096);
    File f = File::open_read(dir.write("data", bytes));
    ASSERT_TRUE(f.is_open());
    FileBuffer buffer(size + 1);
    ASSERT_NE(buffer.data(), nullptr);
    EXPECT_EQ(buffer.size(), size + 1);
    EXPECT_EQ(f.read(buffer.data(), static_cast<std::int64_t>(size)), static_cast<std::int64_t>(size));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.data()), size), bytes);
    buffer.data()[size] = 1;  // the spare byte belongs to the buffer too
}

INSTANTIATE_TEST_SUITE_P(Sizes, FileBufferSize, ::testing::Values(0, 1, 4096, (2u << 20) - 2, (2u << 20) + 12345),
                         [](const auto& info) { return "Bytes" + std::to_string(info.param); });

TEST(FileBuffer, MovesItsBytesAndLeavesNoneBehind) {
    FileBuffer a(3u << 20);
    ASSERT_NE(a.data(), nullptr);
    a.data()[0] = 42;
    std::uint8_t* bytes = a.data();
    FileBuffer b(std::move(a));
    EXPECT_EQ(a.data(), nullptr);
    EXPECT_EQ(a.size(), 0u);
    EXPECT_EQ(b.data(), bytes);
    EXPECT_EQ(b.data()[0], 42);
    FileBuffer c(10);
    c = std::move(b);
    EXPECT_EQ(c.data(), bytes);
    EXPECT_EQ(c.size(), 3u << 20);
}

}  // namespace
}  // namespace fw
