// The notice rules in all three modes (start-up, FTP, TFTP) on any notice
// record, attribute word, device and notice_shown state, with the notice
// window built and run modally each time a rule shows it (the scripted "user"
// closes windows that do not close themselves).
//
// Input:
//   u8   mode: value % 4 gives start-up, FTP, TFTP, or the raw next byte
//   u16  attribute word
//   u8   device: value % 4 gives -1, 0, 1 (no record there) or 64
//   u8   flags: bit 0 notice_shown before; bit 1 the watchdog runs
//   u8   length of the device's module text, then its bytes
//   u8   length of the entry name, then its bytes
//   the rest: the notice record
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "app/TUpgradeForm1.h"
#include "support/HeadlessApp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput in(data, size);
    const std::uint8_t mode_pick = in.u8();
    int mode = fw::MENU_MODE + mode_pick % 4;
    if (mode_pick % 4 == 3) mode = in.u8();
    const std::uint16_t attribute = in.u16();
    static constexpr int kDevices[] = {-1, 0, 1, 64};
    const int device = kDevices[in.u8() % 4];
    const std::uint8_t flags = in.u8();
    const auto module = in.bytes(in.u8());
    const auto name = in.bytes(in.u8());
    // An exact-size copy: a read past the record is a heap overflow.
    const std::vector<std::uint8_t> record = in.rest();

    fw::test::HeadlessApp h;
    h.dialogs.set_modal_close_after(300);
    fw::TUpgradeForm1& w = h.app.CreateForm<fw::TUpgradeForm1>();
    w.routers.info[0] = fw::router_info{1, "192.168.0.1", std::string(module.begin(), module.end()), ""};
    w.routers.count = 1;
    w.file_list.name[0] = "/tmp/" + std::string(name.begin(), name.end());
    w.file_list.attribute[0] = attribute;
    w.file_list.count = 1;
    w.notice_shown = (flags & 1) != 0;
    const bool watchdog = (flags & 2) != 0;
    w.StopTimer1.set_enabled(watchdog);
    const fw::TForm::Guard alive = w.guard();

    w.process_message_file(record.empty() ? nullptr : record.data(), attribute,
                           static_cast<std::int64_t>(record.size()), mode, device, 0);

    // The watchdog is paused only while the rules run.
    if (alive.alive()) FUZZ_CHECK(w.StopTimer1.enabled() == watchdog);
    return 0;
}
