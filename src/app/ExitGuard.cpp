#include "app/TUpgradeForm1.h"
#include "platform/runtime/Application.h"

namespace fw {
namespace {

// A transfer is running while the FTP session is open or a recovery file is being sent.
bool transfer_running(const TUpgradeForm1& w) { return w.NMFTP1->connected() || w.tftp.transfer_open; }

}  // namespace

void TUpgradeForm1::FormClose(CloseAction&) { remove_temp_files(); }

void TUpgradeForm1::ExitClick() {
    if (!transfer_running(*this)) {
        Close();
        return;
    }
    StopTimer1.set_enabled(false);
    const Guard self = guard();
    message_box("Don't Exit Upgrade Program When Upgrade Not Complete", "Upgrade Not Complete", MB_OK);
    if (!self.alive()) return;
    StopTimer1.set_enabled(true);
}

void TUpgradeForm1::WndProc(WindowMessage& message) {
    if (message.msg == WM_SYSCOMMAND) {
        switch (message.wparam) {
            case SC_MAXIMIZE:
            case SC_MINIMIZE:
            case SC_SIZE:
            case SC_MOUSEMENU:
                message.wparam = SC_RESTORE;
                break;
            case SC_CLOSE:
                if (transfer_running(*this)) {
                    StopTimer1.set_enabled(false);
                    const Guard self = guard();
                    const int answer = message_box("Do you really want to EXIT?", "Upgrade Not Complete", MB_OKCANCEL);
                    if (!self.alive()) return;
                    if (answer == IDOK) {
                        remove_temp_files();
                        Release();
                    } else {
                        message.wparam = SC_RESTORE;
                        StopTimer1.set_enabled(true);
                    }
                }
                break;
            default:
                break;
        }
    }
    TForm::WndProc(message);
}

void TUpgradeForm1::ExitKeyDown(std::uint16_t& key, ShiftState shift) {
    if (!(shift & ssAlt)) return;
    if (key == VK_F1 && !service_mode) {
        SetFormMode(6);
        service_mode = true;
    }
    if (key == VK_F2 && service_mode) {
        SetFormMode(7);
        service_mode = false;
    }
    if (key == VK_F3 && !service_mode) {
        SetFormMode(1);
        embedded = false;
        service_mode = true;
    }
}

}  // namespace fw
