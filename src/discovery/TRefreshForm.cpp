#include "discovery/TRefreshForm.h"

#include <algorithm>
#include <cstdint>
#include <exception>

#include "app/TUpgradeForm1.h"
#include "discovery/BusyWait.h"
#include "discovery/DeviceTable.h"
#include "discovery/Probes.h"
#include "discovery/SocketCloser.h"
#include "platform/net/NetworkFactory.h"
#include "platform/runtime/Application.h"

namespace fw {

TRefreshForm::TRefreshForm(Application& app, TUpgradeForm1& main_window)
    : TForm(app, "RefreshForm"),
      Ping1(app.net().make_pinger()),
      WSocket1(app.net().make_datagram_socket()),
      Timer1(app.loop(), 20),
      main_(main_window),
      main_alive_(main_window.guard()) {
    build_components();
    on_activate = [this] { FormActivate(); };
    // Closed by the user before the first tick: no search may start later
    // behind the hidden dialog.
    on_close = [this](CloseAction&) { Timer1.set_enabled(false); };
    Timer1.on_timer = [this] { Timer1Timer(); };
}

TRefreshForm::~TRefreshForm() = default;

void TRefreshForm::build_components() {
    set_caption("Searching for installed device(s)...");
    border_style = BorderStyle::Dialog;
    position = FormPosition::ScreenCenter;
    set_client_size(300, 111);

    GroupBox1.set_bounds(0, 0, 297, 81);
    const Font heading{"Times New Roman", -16, true};
    Label1.set_bounds(24, 18, 249, 19);
    Label1.font = heading;
    Label2.set_bounds(96, 48, 105, 19);
    Label2.font = heading;

    GroupBox2.set_bounds(0, 84, 297, 25);
    ProgressBar1.set_bounds(4, 7, 289, 14);
    ProgressBar1.set_min(0);
    ProgressBar1.set_max(100);
    ProgressBar1.set_smooth(true);

    Ping1->set_size(56);
    Ping1->set_timeout(150);
    Ping1->set_ttl(64);

    WSocket1->set_addr("0.0.0.0");
    WSocket1->set_port("0");
}

void TRefreshForm::FormActivate() {
    ProgressBar1.set_max(100);
    ProgressBar1.set_position(0);
    Timer1.set_enabled(true);
}

void TRefreshForm::Timer1Timer() {
    // One tick only, also when the search fails: a timer left running would
    // start the failing search again every 20 ms.
    Timer1.set_enabled(false);
    try {
        run_search();
    } catch (const std::exception& e) {
        Close();
        application().ShowException(e);
        return;
    }
    Close();
}

void TRefreshForm::run_search() {
    // The main window may have gone while the dialog's loop ran.
    if (!main_alive_.alive()) {
        Close();
        return;
    }
    table_full_reported_ = false;
    main_.status("Please Wait for Searching Router...");
    main_.routers.count = 0;
    main_.IPComBox.clear();
    try {
        broadcast_probe(PROBE_QD, PROBE_BROADCAST_ADDRESS, PROBE_PORT);
        broadcast_probe(PROBE_VN, PROBE_BROADCAST_ADDRESS, PROBE_TFTP_PORT);
        for (const char* address : DEFAULT_ADDRESSES) probe_default_address(address);
    } catch (...) {
        // A failed probe ends the search; what it found so far stays, and the
        // Upgrade button is off as after any search.
        main_.Upgrade.set_enabled(false);
        Close();
        throw;
    }
    main_.Upgrade.set_enabled(false);
    Close();
}

void TRefreshForm::report_table_full() {
    if (table_full_reported_) return;
    table_full_reported_ = true;
    main_.log(TABLE_FULL_TEXT);
}

void TRefreshForm::broadcast_probe(int kind, const std::string& address, int port) {
    if (kind != PROBE_QD && kind != PROBE_VN) return;
    const bool qd = kind == PROBE_QD;

    WSocket1->set_proto("udp");
    WSocket1->set_addr(address);
    WSocket1->set_port(std::to_string(port));
    SocketCloser closer(*WSocket1);
    WSocket1->Connect();
    if (qd)
        WSocket1->Send(QD_QUERY, sizeof QD_QUERY);
    else
        WSocket1->Send(VN_REQUEST, sizeof VN_REQUEST);

    busy_wait(application(), 300, Pump::Off);

    std::uint8_t buffer[VN_REPLY_SIZE];
    const std::size_t size = qd ? QD_REPLY_SIZE : VN_REPLY_SIZE;
    router_list& table = main_.routers;
    for (;;) {
        SocketAddress from;
        const int n = WSocket1->ReceiveFrom(buffer, size, from);
        if (n <= 0) break;
        const std::size_t received = std::min(static_cast<std::size_t>(n), size);
        ProgressBar1.step_by(2);
        if (!qd && !has_recovery_marker(buffer, received)) continue;

        // Replies beyond the table's room are read and dropped, so the queue
        // still empties; no ping, no record, no item.
        const int i = reserve_record(table);
        if (i < 0) {
            report_table_full();
            continue;
        }
        Ping1->set_address(from.address);
        const bool reachable = Ping1->Ping() != 0;
        const bool duplicate = main_.mark_duplicate(from.address);

        router_info record;
        std::string suffix;
        if (qd) {
            if (reachable) {
                record.status = duplicate ? duplicate_state(STATE_NORMAL) : STATE_NORMAL;
                suffix = duplicate ? ITEM_SEARCH_DUPLICATE : "";
            } else {
                record.status = duplicate ? duplicate_state(STATE_NORMAL_UNREACHABLE) : STATE_NORMAL_UNREACHABLE;
                suffix = duplicate ? ITEM_SEARCH_DUPLICATE_UNREACHABLE : ITEM_UNREACHABLE;
            }
            record.module = reply_text(buffer, received, QD_MODULE_OFFSET);
            record.detail = reply_text(buffer, received, QD_DETAIL_OFFSET);
        } else {
            if (reachable) {
                record.status = duplicate ? duplicate_state(STATE_CRASH) : STATE_CRASH;
                suffix = duplicate ? ITEM_SEARCH_CRASH_DUPLICATE : ITEM_CRASH;
            } else {
                record.status = duplicate ? duplicate_state(STATE_CRASH_UNREACHABLE) : STATE_CRASH_UNREACHABLE;
                suffix = duplicate ? ITEM_SEARCH_CRASH_DUPLICATE_UNREACHABLE : ITEM_CRASH_UNREACHABLE;
            }
            record.module = reply_text(buffer, received, VN_TEXT_OFFSET);
        }
        record.address = from.address;
        main_.IPComBox.add_item(from.address + suffix);
        table.info[i] = record;
    }

    if (!main_.IPComBox.items().empty()) {
        ProgressBar1.set_position(100);
        main_.IPComBox.set_item_index(0);
    }
}

void TRefreshForm::probe_default_address(const std::string& address) {
    router_list& table = main_.routers;
    std::int32_t status = STATE_DEFAULT_NORMAL;
    std::string item = address;
    if (main_.query_device(PROBE_QQ, std::to_string(PROBE_PORT), address) != 1) {
        // No answer, or several devices sharing the address: try the recovery loader.
        if (main_.query_device(PROBE_VN, std::to_string(PROBE_TFTP_PORT), address) != 1) return;
        status = STATE_CRASH_UNREACHABLE;
        item = address + ITEM_CRASH;
    }
    if (table_has_address(table, address)) return;
    const int i = reserve_record(table);
    if (i < 0) {
        report_table_full();
        return;
    }
    main_.IPComBox.add_item(item);
    table.info[i] = router_info{status, address, {}, {}};
}

}  // namespace fw
