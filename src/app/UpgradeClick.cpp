// The Upgrade command: checks the chosen device and starts the transfer its
// state calls for.
#include <algorithm>
#include <string>

#include "app/TUpgradeForm1.h"
#include "core/Texts.h"
#include "platform/runtime/Application.h"
#include "platform/ui/Dialogs.h"

namespace fw {
namespace {

// The address this computer should take to reach the device.
std::string subnet_advice(const std::string& address) {
    return "Please change your IP to " + subnet_prefix(address) + "XXX";
}

// Device states, as the device search records them.
constexpr int kRunningDuplicateUnreachable = -5;
constexpr int kLoaderDuplicateUnreachable = -4;
constexpr int kRunningDuplicate = -2;
constexpr int kLoaderDuplicate = -1;
constexpr int kLoader = 0;
constexpr int kRunning = 1;
constexpr int kRunningDefaultAddress = 2;
constexpr int kLoaderUnreachable = 3;
constexpr int kRunningNoPing = 4;

}  // namespace

void TUpgradeForm1::UpgradeClick() {
    Upgrade.set_enabled(false);
    const std::string address = first_word(IPComBox.text());
    progress_value = 0;
    Ping1->set_address(address);
    files_put = 0;

    if (address.empty() || Ping1->Ping() == 0) {
        if (same_subnet(address))
            message_box("Could not connect to this device. Please check IP connection again !!!", "Connection Error",
                        MB_OK);
        else
            message_box(subnet_advice(address), "Subnet IP Not the Same", MB_OK);
        Upgrade.set_enabled(true);
        return;
    }

    const int count = std::clamp<int>(routers.count, 0, router_list::kCapacity);
    int index = 0;
    while (index < count && routers.info[index].address != address) ++index;
    if (index == count) return;

    switch (routers.info[index].status) {
        case kRunningDuplicateUnreachable:
        case kLoaderDuplicateUnreachable:
            message_box("Found IP Duplication and Unreachable Error. Upgrade Not Continue !",
                        "Found IP Duplication and Unreachable", MB_OK);
            return;
        case kRunningDuplicate:
        case kLoaderDuplicate:
            message_box("Found IP Duplication Error. Upgrade Not Continue !", "Found IP Duplication", MB_OK);
            return;
        case kLoader:
            upgrade_over_tftp(index, address);
            return;
        case kRunning:
        case kRunningDefaultAddress:
            upgrade_over_ftp(index, address);
            return;
        case kLoaderUnreachable:
            if (same_subnet(address))
                message_box("Connection Not stable. Please check device's connection again !!!",
                            "Connection NOT stable", MB_OK);
            else
                message_box(subnet_advice(address), "Subnet IP Not the Same", MB_OK);
            Upgrade.set_enabled(true);
            return;
        case kRunningNoPing:
            if (same_subnet(address))
                message_box("Connection Not stable. Please check device's connection again !!!",
                            "Connection NOT stable", MB_OK);
            else
                application().dialogs().message_dialog(subnet_advice(address), MsgDlgType::mtWarning, mbYes);
            Upgrade.set_enabled(true);
            return;
        default:
            // A duplicate of a directed probe's device, or no known state: nothing to do.
            return;
    }
}

void TUpgradeForm1::upgrade_over_tftp(int index, const std::string& address) {
    notice_shown = false;
    tftp.tftp_job = 0;
    target_index = index;
    TFTPTimer.set_enabled(true);
    module_file_put = false;
    ProgressBar1.set_max(file_size / 512);
    ProgressBar1.set_position(0);
    // Ticks left over from an earlier run must not count towards this one.
    stop_counter = 0;
    StopTimer1.set_enabled(true);

    if (embedded) {
        const TForm::Guard self = guard();
        tftp.tftp_job = select_next_entry(0, index);
        // A notice shown on the way runs a nested loop; the window may be gone.
        if (!self.alive() || application().terminated()) return;
        if (tftp.tftp_job >= 0 && tftp.tftp_job < std::min<int>(file_list.count, ImbedFileList::kCapacity))
            tftp_send_file(address, file_list.name[tftp.tftp_job] + ".tmp");
        return;
    }
    file_list.count = 1;
    file_list.attribute[0] = 1;
    file_list.name[0] = UpdateFileName.text();
    tftp_send_file(address, UpdateFileName.text());
}

}  // namespace fw
