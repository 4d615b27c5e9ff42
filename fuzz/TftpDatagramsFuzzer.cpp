// A recovery transfer on the in-memory network whose loader answers every
// write request and DATA block as the fuzzer's script says: the datagram
// handling of the transfer socket (NMUDP1DataReceived) meets any bytes, any
// block number, ERROR packets, repeats and silence, while the run's timers
// and the watchdog tick on the virtual clock.
//
// Input:
//   u8   flags: bit 0 service view; bit 1 a package (else a hand-picked
//        file); bit 2 the package starts with a notice entry; bit 3 it has
//        a second upgrade entry
//   u16  size of the first file, u16 size of the second (each % 3000)
//   then the loader's script, one step per datagram it receives (see
//   FuzzTftpDevice)
#include <cstddef>
#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "FuzzTftpDevice.h"
#include "app/TUpgradeForm1.h"
#include "memnet/MemoryNetwork.h"
#include "package/NoticeRecord.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/Environment.h"
#include "platform/runtime/PollEventLoop.h"
#include "platform/runtime/VirtualClock.h"
#include "platform/ui/ScriptedDialogs.h"
#include "support/NullNetwork.h"
#include "support/TempDir.h"

namespace {

constexpr const char* kLoader = "192.168.0.50";

std::vector<unsigned char> pattern(std::size_t size, unsigned seed) {
    std::vector<unsigned char> bytes(size);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<unsigned char>(x >> 16);
    }
    return bytes;
}

// One folder for the whole fuzzing run; each input rewrites its files.
fw::test::TempDir& folder() {
    static fw::test::TempDir dir;
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput in(data, size);
    const std::uint8_t flags = in.u8();
    const std::size_t size1 = in.u16() % 3000;
    const std::size_t size2 = in.u16() % 3000;

    fw::VirtualClock clock;
    fw::PollEventLoop loop{clock};
    fw::ScriptedDialogs dialogs{&loop};
    dialogs.set_modal_close_after(300);
    fw::MapEnvironment env;
    memnet::MemoryNetwork net{loop, clock};
    net.set_ftp_client_maker([] { return fw::test::NullNetwork().make_ftp_client(); });
    net.add_device(kLoader, std::make_unique<fuzz::FuzzTftpDevice>(in));
    fw::Application app{fw::Services{loop, dialogs, net, env, "/nonexistent/fwupgrade"}};
    auto& w = app.CreateForm<fw::TUpgradeForm1>();
    const fw::TForm::Guard alive = w.guard();

    // What the loader must receive under each remote name.
    std::map<std::string, std::vector<unsigned char>> files;
    const std::string& dir = folder().path();
    if (flags & 2) {
        auto add = [&](const std::string& name, std::uint16_t attribute, const std::vector<unsigned char>& bytes) {
            folder().write(name + ".tmp", bytes);
            fw::ImbedFileList& list = w.file_list;
            list.name[list.count] = dir + "/" + name;
            list.attribute[list.count] = attribute;
            ++list.count;
            if (attribute & 0x0800) {
                w.file_size += static_cast<std::int32_t>(bytes.size() + 38);
                files[name + ".tmp"] = bytes;
            }
        };
        w.embedded = true;
        if (flags & 4) {
            fw::NoticeRecord notice;
            notice.title = "Recovery";
            notice.close_after = 1;
            notice.message_text = {'H', 'i'};
            const auto record = fw::encode_notice_record(notice);
            add("notice.msg", 0x0401, std::vector<unsigned char>(record.begin(), record.end()));
        }
        add("first.bin", 0x0801, pattern(size1, 1));
        if (flags & 8) add("second.bin", 0x0801, pattern(size2, 2));
    } else {
        folder().write("fw.bin", pattern(size1, 1));
        files["fw.bin"] = pattern(size1, 1);
        w.UpdateFileName.set_text(dir + "/fw.bin");
    }
    w.service_mode = (flags & 1) != 0;
    w.routers.info[0] = fw::router_info{0, kLoader, "$Plumet Boot Loader V1.0", ""};
    w.routers.count = 1;
    w.IPComBox.set_text(std::string(kLoader) + "  crash");
    w.Upgrade.set_enabled(true);

    try {
        w.Upgrade.click();
        loop.run_for(40000);
    } catch (const std::exception&) {
        // Socket failures reach the event loop by design; the fuzzer looks for worse.
    }

    // Every DATA block that went out carries the right bytes of the file its
    // write request named.
    const std::vector<unsigned char>* current = nullptr;
    for (const memnet::TrafficRecord& record : net.traffic()) {
        if (record.to_address != kLoader || record.bytes.size() < 2 || record.bytes[0] != 0) continue;
        if (record.bytes[1] == 2) {
            const auto name_end = std::find(record.bytes.begin() + 2, record.bytes.end(), 0);
            const auto it = files.find(std::string(record.bytes.begin() + 2, name_end));
            FUZZ_CHECK(it != files.end());
            current = &it->second;
        } else if (record.bytes[1] == 3) {
            FUZZ_CHECK(current != nullptr);
            FUZZ_CHECK(record.bytes.size() >= 4 && record.bytes.size() <= 516);
            const std::size_t block = static_cast<std::size_t>(record.bytes[2] << 8 | record.bytes[3]);
            FUZZ_CHECK(block >= 1);
            const std::size_t at = (block - 1) * 512;
            const std::size_t length = record.bytes.size() - 4;
            FUZZ_CHECK(at + length <= current->size());
            FUZZ_CHECK(std::equal(record.bytes.begin() + 4, record.bytes.end(), current->begin() + at));
            // Only the final block of a file is short.
            FUZZ_CHECK(length == 512 || at + length == current->size());
        }
    }
    if (alive.alive()) FUZZ_CHECK(w.ProgressBar1.position() >= 0);
    return 0;
}
