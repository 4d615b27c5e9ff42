// The refresh, the choice of a device from the list and the manual address entry.
#include <exception>

#include "app/TUpgradeForm1.h"
#include "core/Texts.h"
#include "discovery/DeviceTable.h"
#include "discovery/Probes.h"
#include "discovery/TRefreshForm.h"
#include "platform/runtime/Application.h"

namespace fw {

namespace {

constexpr char ENTER_KEY = 13;

}  // namespace

void TUpgradeForm1::FormActivate() { IPReFreshClick(); }

void TUpgradeForm1::IPReFreshClick() {
    // The search dialog runs a nested loop, in which the activation, a timer or
    // a recovery run could ask for another refresh; one at a time.
    if (refresh_running_) return;
    refresh_running_ = true;
    const Guard self = guard();
    struct Reset {
        const Guard& self;
        bool& flag;
        ~Reset() {
            if (self.alive()) flag = false;
        }
    } reset{self, refresh_running_};

    SetFormMode(embedded ? 4 : 2);
    empty_table(routers);
    if (refresh_form_) refresh_form_->ShowModal();
    // The window may have been released while the dialog's loop ran.
    if (!self.alive()) return;
    StopTimer1.set_enabled(false);
    IPComBoxChange();
    ProgressBar1.set_position(0);
    last_module.clear();
    last_info.clear();
    last_recovery_text.clear();
    notice_shown = false;
    TFTPTimer.set_enabled(false);
    service_mode = false;
    IPComBox.set_focus();
    status(device_count_text(routers.count));
}

void TUpgradeForm1::IPComBoxChange() {
    service_mode = false;
    const std::string address = first_word(IPComBox.text());
    for (int i = 0; i < routers.count && i < router_list::kCapacity; ++i) {
        const router_info& r = routers.info[i];
        if (r.address != address) continue;
        switch (r.status) {
            case STATE_CRASH:
                PasswordComBox.set_color(clMenu);
                PasswordComBox.set_enabled(false);
                Upgrade.set_enabled(true);
                SetFormMode(embedded ? 4 : 2);
                status("Press Upgrade Button To Upgrade Router");
                break;
            case STATE_NORMAL:
                PasswordComBox.set_color(clWhite);
                PasswordComBox.set_enabled(true);
                Upgrade.set_enabled(true);
                SetFormMode(embedded ? 5 : 3);
                status("Please Input the Root Password");
                break;
            case STATE_CRASH_UNREACHABLE:
                Upgrade.set_enabled(true);
                SetFormMode(embedded ? 4 : 2);
                break;
            case STATE_NORMAL_UNREACHABLE:
                Upgrade.set_enabled(true);
                SetFormMode(embedded ? 5 : 3);
                break;
            default:
                // A device found only at a default address, and every duplicate.
                break;
        }
    }
    IPComBox.set_focus();
}

void TUpgradeForm1::IPComBoxKeyPress(char& key) {
    if (key != ENTER_KEY) return;
    try {
        const std::string a = first_word(IPComBox.text());
        const int r1 = query_device(PROBE_QQ, std::to_string(PROBE_PORT), a);
        const int r2 = query_device(PROBE_VN, std::to_string(PROBE_TFTP_PORT), a);
        if (r1 > 1 || r2 > 1) {
            IPComBox.set_text(a + ITEM_ENTRY_FOUND_DUPLICATE);
            return;
        }
        Ping1->set_address(a);
        const bool reachable = Ping1->Ping() != 0;
        const bool qq = r1 == 1;
        const bool vn = r2 == 1;
        if (qq && vn) return;  // answered both ways: nothing to decide on
        if (!reachable) {
            IPComBox.set_text(a + (qq ? ITEM_UNREACHABLE : vn ? ITEM_CRASH_UNREACHABLE : ITEM_ENTRY_UNCONNECT));
            Upgrade.set_enabled(false);
            return;
        }
        if (!qq && !vn) {
            IPComBox.set_text(a + ITEM_ENTRY_UNKNOWN);
            Upgrade.set_enabled(false);
            return;
        }

        const int i = reserve_record(routers);
        if (i < 0) {
            log(TABLE_FULL_TEXT);
            status(TABLE_FULL_TEXT);
            return;
        }
        const bool duplicate = mark_duplicate(a);
        router_info& record = routers.info[i];
        std::string line;
        if (qq) {
            record.status = duplicate ? duplicate_state(STATE_NORMAL) : STATE_NORMAL;
            line = a + (duplicate ? ITEM_ENTRY_DUPLICATE : "");
            record.address = a;
            record.module = last_module;
            record.detail = last_info;
        } else {
            record.status = duplicate ? duplicate_state(STATE_CRASH) : STATE_CRASH;
            line = a + (duplicate ? ITEM_ENTRY_CRASH_DUPLICATE : ITEM_CRASH);
            record.address = a;
            record.module = last_recovery_text;
            record.detail.clear();
        }
        IPComBox.add_item(line);
        IPComBox.set_text(line);
        if (qq) {
            PasswordComBox.set_color(clWhite);
            PasswordComBox.set_enabled(true);
            status("Please Input the Root Password");
            Upgrade.set_enabled(true);
            SetFormMode(embedded ? 5 : 3);
        } else {
            PasswordComBox.set_color(clMenu);
            PasswordComBox.set_enabled(false);
            Upgrade.set_enabled(true);
            SetFormMode(embedded ? 4 : 2);
            status("Press Upgrade Button To Upgrade Router");
        }
    } catch (const std::exception& e) {
        // A text the socket cannot use as an address: the platform's error
        // report, before any record is made.
        application().ShowException(e);
    }
}

}  // namespace fw
