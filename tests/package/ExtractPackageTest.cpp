#include <gtest/gtest.h>

#include <ostream>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "package/MemoryByteSource.h"
#include "package/PackageLayout.h"
#include "package/PackageFixtures.h"
#include "package_format/HandPackage.h"

namespace fw {
namespace {

using test::filled;
using test::notice_bytes;
using Kind = ScriptedDialogs::Kind;

struct Extraction : ::testing::Test, test::PackagedProgram {};

TEST_F(Extraction, LogsEveryEntryKindInPackageOrder) {
    write_program({{"welcome.msg", ATTR_MESSAGE_FILE | ATTR_NO_IDCHECK, notice_bytes(1, 1, "", "Hello", 0, 1, "Welcome")},
                   {"general.bin", ATTR_UPGRADE_FILE | ATTR_NO_IDCHECK, filled(700, 0x11)},
                   {"odd.bin", ATTR_NO_IDCHECK | ATTR_IDCHECK, filled(10, 0x22)},
                   {"later.msg", ATTR_MESSAGE_FILE | ATTR_NO_IDCHECK, notice_bytes(1, 0)},
                   {"WX2000.bin", ATTR_UPGRADE_FILE | ATTR_IDCHECK, filled(300, 0x33)}});
    TUpgradeForm1& w = start();

    EXPECT_TRUE(w.embedded);
    EXPECT_EQ(log(), (std::vector<std::string>{
                         "Find Message :" + tmp("welcome.msg"),
                         "Find Upgrade File :" + tmp("general.bin"),
                         "Find Unknow Attribute File :" + tmp("odd.bin"),
                         "Find Message :" + tmp("later.msg"),
                         "Didn't Process this Message Attribute in Menu Mode",
                         "Find Upgrade File :" + tmp("WX2000.bin"),
                         "Upgrade file total length = 1076",
                     }));
    ASSERT_EQ(w.file_list.count, 5);
    const char* names[] = {"welcome.msg", "general.bin", "odd.bin", "later.msg", "WX2000.bin"};
    const std::uint16_t attributes[] = {0x0401, 0x0801, 0x0003, 0x0401, 0x0802};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(w.file_list.name[i], temp + "/" + names[i]) << i;
        EXPECT_EQ(w.file_list.attribute[i], attributes[i]) << i;
    }
    EXPECT_EQ(test::read_file(tmp("general.bin")), filled(700, 0x11));
    EXPECT_EQ(test::read_file(tmp("odd.bin")), filled(10, 0x22));
    EXPECT_EQ(test::read_file(tmp("welcome.msg")), notice_bytes(1, 1, "", "Hello", 0, 1, "Welcome"));
    // The start-up notice was shown, and only that one; no box.
    ASSERT_EQ(calls_of(Kind::ModalForm).size(), 1u);
    EXPECT_EQ(calls_of(Kind::ModalForm)[0].caption, "Welcome");
    EXPECT_TRUE(h->dialogs.boxes().empty());
}

TEST_F(Extraction, StartUpNoticeShowsBeforeTheMainWindow) {
    write_program({{"welcome.msg", ATTR_MESSAGE_FILE | ATTR_NO_IDCHECK, notice_bytes(1, 1)}});
    bool main_window_visible = true;
    bool seen = false;
    h = std::make_unique<test::HeadlessApp>(exe);
    h->env.set("TEMP", temp);
    h->dialogs.set_modal_close_after(1000);
    const EventLoop::Id probe = h->loop.start_timer(500, [&] {
        if (seen) return;
        seen = true;
        main_window_visible = h->app.main_form()->visible();
    });
    w = &h->app.CreateForm<TUpgradeForm1>();
    h->loop.stop_timer(probe);
    ASSERT_TRUE(seen);
    EXPECT_FALSE(main_window_visible);
    EXPECT_EQ(calls_of(Kind::ModalForm).size(), 1u);
}

TEST_F(Extraction, EmptyPackageLogsOnlyTheTotal) {
    write_program(std::vector<fwpack::PackageEntry>{});
    TUpgradeForm1& w = start();
    EXPECT_TRUE(w.embedded);
    EXPECT_EQ(log(), std::vector<std::string>{"Upgrade file total length = 0"});
    EXPECT_EQ(w.file_list.count, 0);
    EXPECT_EQ(w.file_size, 0);
    EXPECT_TRUE(temp_files().empty());
}

TEST_F(Extraction, TotalCountsTheHeadersButTheFilesHoldOnlyTheData) {
    write_program({{"a.bin", ATTR_UPGRADE_FILE | ATTR_NO_IDCHECK, filled(1000, 1)},
                   {"b.bin", ATTR_UPGRADE_FILE | ATTR_IDCHECK, filled(2000, 2)}});
    TUpgradeForm1& w = start();
    EXPECT_EQ(w.file_size, 3076);
    EXPECT_EQ(log().back(), "Upgrade file total length = 3076");
    EXPECT_EQ(std::filesystem::file_size(tmp("a.bin")), 1000u);
    EXPECT_EQ(std::filesystem::file_size(tmp("b.bin")), 2000u);
}

TEST_F(Extraction, NewTemporaryFilesAreForTheUserOnly) {
    ::umask(0);  // Whatever the umask allows, the files are made 0600.
    write_program({{"a.bin", ATTR_UPGRADE_FILE | ATTR_NO_IDCHECK, filled(10, 1)},
                   {"n.msg", ATTR_MESSAGE_FILE, notice_bytes(1, 1)}});
    start();
    ::umask(022);
    EXPECT_EQ(test::mode_bits(tmp("a.bin")), 0600u);
    EXPECT_EQ(test::mode_bits(tmp("n.msg")), 0600u);
}

TEST_F(Extraction, LeftoverFileIsReusedAndCutToTheData) {
    write_program({{"a.bin", ATTR_UPGRADE_FILE | ATTR_NO_IDCHECK, filled(100, 7)},
                   {"b.bin", ATTR_UPGRADE_FILE | ATTR_NO_IDCHECK, filled(50, 8)}});
    dir.write("temp/b.bin.tmp", std::vector<unsigned char>(5000, 'X'));
    ::chmod(tmp("b.bin").c_str(), 0400);  // read-only, as a crashed earlier run may leave it
    TUpgradeForm1& w = start();
    EXPECT_EQ(log(), (std::vector<std::string>{
                         "Find Upgrade File :" + tmp("a.bin"),
                         "Open Write File Handle " + tmp("b.bin"),
                         "Find Upgrade File :" + tmp("b.bin"),
                         "Upgrade file total length = 226",
                     }));
    EXPECT_EQ(test::read_file(tmp("b.bin")), filled(50, 8));
    EXPECT_EQ(w.file_list.count, 2);
    // The read-only attribute is cleared: the owner may write again.
    EXPECT_TRUE(test::mode_bits(tmp("b.bin")) & S_IWUSR);
}

TEST_F(Extraction, TemporaryFileThatCannotBeCreatedStopsTheExtraction) {
    write_program({{"a.bin", ATTR_UPGRADE_FILE | ATTR_NO_IDCHECK, filled(10, 1)}});
    h = std::make_unique<test::HeadlessApp>(exe);
    h->env.set("TEMP", dir.path() + "/no-such-folder");
    w = &h->app.CreateForm<TUpgradeForm1>();
    EXPECT_EQ(log(), std::vector<std::string>{"File Create Error :" + dir.path() + "/no-such-folder/a.bin.tmp"});
    const auto dialogs = calls_of(Kind::MessageDialog);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].text, "Create tmp file Error. Check Disk space !");
    EXPECT_EQ(dialogs[0].type, MsgDlgType::mtError);
    EXPECT_EQ(dialogs[0].buttons, unsigned(mbYes));
    EXPECT_EQ(w->file_list.count, 0);
    EXPECT_TRUE(w->embedded);
}

// Limits the size of files this process may write, for the span of a test.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        old_handler_ = ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of killing us
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        ::signal(SIGXFSZ, old_handler_);
    }

private:
    rlimit saved_{};
    sighandler_t old_handler_ = SIG_DFL;
};

TEST_F(Extraction, WriteFailureOnTheThirdOfFiveEntriesKeepsThreeSlots) {
    std::vector<fwpack::PackageEntry> entries;
    for (int i = 0; i < 5; ++i)
        entries.push_back({"e" + std::to_string(i) + ".bin", ATTR_UPGRADE_FILE | ATTR_NO_IDCHECK,
                           filled(i == 2 ? 64 * 1024 : 100, std::uint8_t(i))});
    write_program(entries);
    {
        // The program file is written already; now no file may grow beyond 16 KiB, so entry 2 fails for real.
        FileSizeLimit limit(16 * 1024);
        start();
    }
    EXPECT_EQ(log(), (std::vector<std::string>{
                         "Find Upgrade File :" + tmp("e0.bin"),
                         "Find Upgrade File :" + tmp("e1.bin"),
                         "File Write Failure :" + tmp("e2.bin"),
                     }));
    const auto dialogs = calls_of(Kind::MessageDialog);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].text, "Write tmp file Error. Check Disk space !");
    EXPECT_EQ(dialogs[0].type, MsgDlgType::mtError);
    EXPECT_EQ(dialogs[0].buttons, unsigned(mbYes));
    EXPECT_EQ(w->file_list.count, 3);
    EXPECT_EQ(w->file_list.name[2], temp + "/e2.bin");
    EXPECT_EQ(temp_files(), (std::vector<std::string>{"e0.bin.tmp", "e1.bin.tmp", "e2.bin.tmp"}));
    EXPECT_EQ(w->file_size, 276);
}

// A damaged package is refused by the structure check before anything is written.
struct HostileCase {
    const char* name;
    std::function<void(HandPackage&)> damage;
};
void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

HandPackage sound_package() {
    return HandPackage({}, {{"a.bin", 0x0801, std::vector<std::uint8_t>(20, 1)},
                            {"b.msg", 0x0401, notice_bytes(1, 1)},
                            {"c.bin", 0x0802, std::vector<std::uint8_t>(30, 3)}});
}

class HostilePackage : public Extraction, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostilePackage, IsRefusedWithNothingWritten) {
    HandPackage package = sound_package();
    GetParam().damage(package);
    write_program(package.bytes);
    // The validator's message names offsets in the program file, image included.
    std::vector<std::uint8_t> program = test::program_image();
    program.insert(program.end(), package.bytes.begin(), package.bytes.end());
    MemoryByteSource bytes(program);
    const PackageCheck check = validate_package(bytes);
    ASSERT_FALSE(check.ok());
    TUpgradeForm1& w = start();

    EXPECT_TRUE(w.embedded);
    EXPECT_EQ(log(), std::vector<std::string>{"Damaged package refused: " + check.message});
    EXPECT_EQ(h->dialogs.boxes(), std::vector<std::string>{"File Error|Error to open file"});
    EXPECT_EQ(h->dialogs.calls().at(0).flags, MB_OKCANCEL);
    EXPECT_EQ(w.file_list.count, 0);
    EXPECT_EQ(w.file_size, 0);
    EXPECT_TRUE(temp_files().empty());
    EXPECT_TRUE(calls_of(Kind::ModalForm).empty());
    // Nothing escaped the temporary folder either.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

const std::size_t kPrefix = 300;  // the program image written in front of the package

INSTANTIATE_TEST_SUITE_P(
    Cases, HostilePackage,
    ::testing::Values(
        HostileCase{"TooManyEntries", [](HandPackage& p) { p.set16(p.entry_count_at(), 65); }},
        HostileCase{"TableDistanceWrong", [](HandPackage& p) { p.set16(p.table_distance_at(), 30); }},
        HostileCase{"FirstEntryBeforeTheFile",
                    [](HandPackage& p) { p.set32(p.table_start, std::uint32_t(p.bytes.size() + kPrefix + 1)); }},
        HostileCase{"FirstEntryInsideTheTrailer", [](HandPackage& p) { p.set32(p.table_start, 10); }},
        HostileCase{"EntryLengthBelowHeader", [](HandPackage& p) { p.set32(p.entry_starts[1], 20); }},
        HostileCase{"EntryLengthPastTheEnd", [](HandPackage& p) { p.set32(p.entry_starts[2], 0x7FFFFFFF); }},
        HostileCase{"NameWithoutZeroByte",
                    [](HandPackage& p) { p.set_name_field(1, std::string(32, 'n')); }},
        HostileCase{"NameEmpty", [](HandPackage& p) { p.set_name_field(1, ""); }},
        HostileCase{"NameDot", [](HandPackage& p) { p.set_name_field(1, "."); }},
        HostileCase{"NameDotDot", [](HandPackage& p) { p.set_name_field(1, ".."); }},
        HostileCase{"NameClimbsOut", [](HandPackage& p) { p.set_name_field(2, "../escape"); }},
        HostileCase{"NameAbsolute", [](HandPackage& p) { p.set_name_field(0, "/etc/x"); }},
        HostileCase{"NameWithBackslash", [](HandPackage& p) { p.set_name_field(0, "..\\x"); }}),
    [](const auto& info) { return std::string(info.param.name); });

// Something already at a temporary path that is not a regular file of this
// user: it is never written through, and the extraction stops there.
struct UnusableCase {
    const char* name;
    // Returns false when this machine cannot make the case.
    std::function<bool(const std::string& path, const std::string& outside)> make;
};
void PrintTo(const UnusableCase& c, std::ostream* os) { *os << c.name; }

class UnusableTemporaryFile : public Extraction, public ::testing::WithParamInterface<UnusableCase> {};

TEST_P(UnusableTemporaryFile, IsLeftAloneAndStopsTheExtraction) {
    write_program({{"a.bin", ATTR_UPGRADE_FILE | ATTR_NO_IDCHECK, filled(10, 1)},
                   {"b.bin", ATTR_UPGRADE_FILE | ATTR_NO_IDCHECK, filled(20, 2)},
                   {"c.bin", ATTR_UPGRADE_FILE | ATTR_NO_IDCHECK, filled(30, 3)}});
    const std::string outside = dir.path() + "/precious";
    dir.write("precious", "keep me");
    if (!GetParam().make(tmp("b.bin"), outside)) GTEST_SKIP() << "this case cannot be made here";
    TUpgradeForm1& w = start();

    const auto lines = log();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Find Upgrade File :" + tmp("a.bin"));
    EXPECT_EQ(lines[1].rfind("Open Write File Handle Error :" + tmp("b.bin") + " (", 0), 0u) << lines[1];
    const auto dialogs = calls_of(Kind::MessageDialog);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].text, "Create tmp file Error. Check Disk space !");
    EXPECT_EQ(dialogs[0].type, MsgDlgType::mtError);
    // Slots stay the entries in package order: only the one before.
    EXPECT_EQ(w.file_list.count, 1);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(tmp("c.bin"))));
    EXPECT_EQ(test::read_file(outside), std::vector<unsigned char>({'k', 'e', 'e', 'p', ' ', 'm', 'e'}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnusableTemporaryFile,
    ::testing::Values(
        UnusableCase{"SymlinkToAFile",
                     [](const std::string& path, const std::string& outside) {
                         std::filesystem::create_symlink(outside, path);
                         return true;
                     }},
        UnusableCase{"DanglingSymlink",
                     [](const std::string& path, const std::string& outside) {
                         std::filesystem::create_symlink(outside + "-new", path);
                         return true;
                     }},
        UnusableCase{"Folder",
                     [](const std::string& path, const std::string&) {
                         return std::filesystem::create_directory(path);
                     }},
        UnusableCase{"Fifo", [](const std::string& path, const std::string&) { return ::mkfifo(path.c_str(), 0600) == 0; }},
        UnusableCase{"AnotherUsersFile",
                     [](const std::string& path, const std::string&) {
                         // Only a privileged test run can hand a file to another user.
                         return test::write_text(path, "theirs") && ::chown(path.c_str(), 65534, 65534) == 0;
                     }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Extraction, DanglingSymlinkTargetIsNeverCreated) {
    write_program({{"a.bin", ATTR_UPGRADE_FILE | ATTR_NO_IDCHECK, filled(10, 1)}});
    std::filesystem::create_symlink(dir.path() + "/created-through-link", tmp("a.bin"));
    start();
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/created-through-link"));
    EXPECT_EQ(w->file_list.count, 0);
}

}  // namespace
}  // namespace fw
