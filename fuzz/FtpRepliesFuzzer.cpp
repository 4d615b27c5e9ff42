// An FTP upgrade on the virtual clock against the fake FTP client, where the
// router's server answers with fuzzed reply lines: the login refusal, the
// STOR refusal and the final reply after each file's data reach the failure
// handling of the upload routines (by their first three characters) and the
// status handler NMFTP1Status; a connection may drop part way. Then the FTP
// component's handlers (status, failure, error) get fuzzed arguments directly.
//
// Input:
//   u8   flags: bit 0 a package (else a hand-picked file); bit 1 the package
//        starts with a notice; bit 2 service view; bit 3 the connection drops;
//        bit 4 a wrong password is typed
//   u16  file size (% 20000), u16 bytes after which the connection drops
//   text login refusal, text STOR refusal, then three final replies
//        (each text: u8 length, then its bytes)
//   then handler calls, each: u8 kind (0 status, 1 failure, 2 error), then
//        a text (status, error) or u8 (failure kind), and for an error a u16
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "FakeFtpClient.h"
#include "FakeFtpServer.h"
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "app/TUpgradeForm1.h"
#include "memnet/MemoryNetwork.h"
#include "package/NoticeRecord.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/Environment.h"
#include "platform/runtime/PollEventLoop.h"
#include "platform/runtime/VirtualClock.h"
#include "platform/ui/ScriptedDialogs.h"
#include "support/TempDir.h"

namespace {

constexpr const char* kAddress = "192.168.0.1";
constexpr const char* kPassword = "Ro0t!pw";

std::string text(fuzz::FuzzInput& in) {
    const auto bytes = in.bytes(in.u8());
    return std::string(bytes.begin(), bytes.end());
}

fw::test::TempDir& folder() {
    static fw::test::TempDir dir;
    return dir;
}

std::vector<unsigned char> pattern(std::size_t size) {
    std::vector<unsigned char> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(i * 31 + i / 512);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput in(data, size);
    const std::uint8_t flags = in.u8();
    const std::size_t file_size = in.u16() % 20000;
    const std::uint16_t drop_after = in.u16();
    std::vector<std::string> fuzzed;

    fw::VirtualClock clock;
    fw::PollEventLoop loop{clock};
    fw::ScriptedDialogs dialogs{&loop};
    dialogs.set_modal_close_after(300);
    fw::MapEnvironment env;
    env.set("TEMP", folder().path());
    fw::test::FakeFtpServer server;
    server.address = kAddress;
    server.users = {{"root", kPassword}};
    server.login_refusal = text(in);
    server.stor_refusal = text(in);
    std::vector<std::string> finals{text(in), text(in), text(in)};
    fuzzed = {server.login_refusal, server.stor_refusal, finals[0], finals[1], finals[2]};
    server.final_reply = [finals, n = std::size_t{0}](const std::string&) mutable {
        const std::string& reply = finals[n % finals.size()];
        ++n;
        return reply.empty() ? std::string("226 Transfer complete.") : reply;
    };
    if (flags & 8) server.drop_after = drop_after;

    memnet::MemoryNetwork net{loop, clock};
    net.add_normal_router(kAddress);
    net.set_ftp_client_maker([&] { return std::make_unique<fw::test::FakeFtpClient>(loop, server); });
    fw::Application app{fw::Services{loop, dialogs, net, env, "/nonexistent/fwupgrade"}};
    auto& w = app.CreateForm<fw::TUpgradeForm1>();
    const fw::TForm::Guard alive = w.guard();

    if (flags & 1) {
        auto add = [&](const std::string& name, std::uint16_t attribute, const std::vector<unsigned char>& bytes) {
            folder().write(name + ".tmp", bytes);
            fw::ImbedFileList& list = w.file_list;
            list.name[list.count] = w.temp_dir + name;
            list.attribute[list.count] = attribute;
            ++list.count;
            if (attribute & 0x0800) w.file_size += static_cast<std::int32_t>(bytes.size() + 38);
        };
        w.embedded = true;
        if (flags & 2) {
            fw::NoticeRecord notice;
            notice.title = "FTP";
            notice.close_after = 1;
            notice.ftp_only = 1;
            notice.message_text = {'H', 'i'};
            const auto record = fw::encode_notice_record(notice);
            add("notice.msg", 0x0401, std::vector<unsigned char>(record.begin(), record.end()));
        }
        add("WX2000.bin", 0x0802, pattern(file_size));
        add("general.bin", 0x0801, pattern(file_size / 2));
        add("default.bin", 0x0803, pattern(100));
    } else {
        w.embedded = false;
        w.UpdateFileName.set_text(folder().write("fw.bin", pattern(file_size)));
        w.file_size = static_cast<std::int32_t>(file_size);
    }
    w.service_mode = (flags & 4) != 0;
    w.routers.info[0] = fw::router_info{1, kAddress, "WX2000", ""};
    w.routers.count = 1;
    w.IPComBox.set_text(kAddress);
    w.PasswordComBox.set_text((flags & 16) ? "wrong" : kPassword);
    w.Upgrade.set_enabled(true);

    try {
        w.Upgrade.click();
        loop.run_for(20000);
    } catch (const std::exception&) {
        // Failures that reach the event loop are shown by the application; the fuzzer looks for worse.
    }

    if (alive.alive() && !app.terminated()) {
        for (int calls = 0; calls < 8 && !in.empty(); ++calls) {
            const std::uint8_t kind = in.u8() % 3;
            try {
                if (kind == 0) {
                    const std::string line = text(in);
                    fuzzed.push_back(line);
                    w.NMFTP1Status(line);
                } else if (kind == 1) {
                    w.NMFTP1Failure(static_cast<fw::FtpCommand>(in.u8()));
                } else {
                    const std::string line = text(in);
                    fuzzed.push_back(line);
                    w.NMFTP1Error(in.u16(), line);
                }
            } catch (const std::exception&) {
            }
            if (!alive.alive() || app.terminated()) break;
        }
    }

    // The password the user typed is never reported, unless a reply itself carried it.
    bool quoted = false;
    for (const auto& line : fuzzed) quoted = quoted || line.find(kPassword) != std::string::npos;
    if (!quoted && alive.alive()) {
        for (const auto& line : w.Memo1.lines()) FUZZ_CHECK(line.find(kPassword) == std::string::npos);
        FUZZ_CHECK(w.StatusBar1.simple_text().find(kPassword) == std::string::npos);
    }
    if (!quoted)
        for (const auto& call : dialogs.calls()) FUZZ_CHECK(call.text.find(kPassword) == std::string::npos);
    return 0;
}
