#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/File.h"
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

}  // namespace
}  // namespace fw
