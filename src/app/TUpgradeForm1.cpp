#include "app/TUpgradeForm1.h"

#include <climits>
#include <cstring>

#include "platform/files/FileRoutines.h"
#include "platform/net/NetworkFactory.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/Environment.h"
#include "platform/runtime/Exception.h"

namespace fw {

TUpgradeForm1::TUpgradeForm1(Application& app)
    : TForm(app, "UpgradeForm1"),
      NMFTP1(app.net().make_ftp_client()),
      WSocket1(app.net().make_datagram_socket()),
      OpenDialog1(app.dialogs()),
      TFTPTimer(app.loop(), 1000),
      TftpUDP(app.net().make_event_datagram_endpoint()),
      NMUDP1(app.net().make_event_datagram_endpoint()),
      Timer2(app.loop(), 100),
      Ping1(app.net().make_pinger()),
      StopTimer1(app.loop(), 1000) {
    build_components();
    wire_events();
}

TUpgradeForm1::~TUpgradeForm1() = default;

void TUpgradeForm1::build_components() {
    set_caption("Firmware Upgrade  V1.0.0");
    border_style = BorderStyle::Dialog;
    position = FormPosition::ScreenCenter;
    font = Font{"MS Sans Serif", -11, false};
    set_client_size(349, 382);

    SearchGroup.set_bounds(0, 0, 345, 57);
    // Labels are as wide as their group allows, so that no platform font clips them.
    Label1.set_bounds(8, 12, 329, 13);
    IPComBox.set_bounds(8, 28, 249, 21);
    IPComBox.set_sorted(true);
    IPReFresh.set_bounds(264, 26, 73, 25);

    PasswordGroup.set_bounds(0, 56, 345, 41);
    Label2.set_bounds(8, 17, 54, 13);
    PasswordComBox.set_bounds(64, 13, 121, 21);
    PasswordComBox.set_max_length(9);
    PasswordComBox.set_password_char('*');
    PasswordComBox.set_enabled(false);
    PasswordComBox.set_color(clMenu);

    UpgreadFileGroup.set_bounds(0, 96, 345, 57);
    Label3.set_bounds(8, 12, 249, 13);
    UpdateFileName.set_bounds(8, 28, 249, 21);
    Browse.set_bounds(264, 26, 73, 25);

    ToolGroup.set_bounds(0, 152, 345, 41);
    Upgrade.set_bounds(88, 11, 75, 25);
    Upgrade.set_enabled(false);
    Exit.set_bounds(184, 11, 75, 25);

    ProgressGroup.set_bounds(0, 192, 345, 25);
    ProgressBar1.set_bounds(4, 7, 337, 14);
    ProgressBar1.set_min(0);
    ProgressBar1.set_max(100);
    ProgressBar1.set_smooth(true);

    GSystemLog.set_bounds(0, 219, 345, 137);
    Memo1.set_bounds(2, 15, 341, 120);
    Memo1.append("");

    StatusBar1.set_bounds(0, client_height() - 19, 349, 19);

    NMFTP1->port = 21;
    NMFTP1->timeout_ms = 1000;
    NMFTP1->report_level = 8;
    NMFTP1->vendor = 2411;
    NMFTP1->passive = false;

    WSocket1->set_proto("tcp");
    WSocket1->set_addr("0.0.0.0");
    WSocket1->set_port("0");

    TftpUDP->set_remote_port(0);
    TftpUDP->set_local_port(0);
    NMUDP1->set_remote_port(0);
    NMUDP1->set_local_port(0);

    Ping1->set_size(32);
    Ping1->set_timeout(300);
    Ping1->set_ttl(64);
}

void TUpgradeForm1::wire_events() {
    on_create = [this] { FormCreate(); };
    on_activate = [this] { FormActivate(); };
    on_close = [this](CloseAction& action) { FormClose(action); };
    IPReFresh.on_click = [this] { IPReFreshClick(); };
    IPComBox.on_change = [this] { IPComBoxChange(); };
    IPComBox.on_key_press = [this](char& key) { IPComBoxKeyPress(key); };
    Browse.on_click = [this] { BrowseClick(); };
    Upgrade.on_click = [this] { UpgradeClick(); };
    Exit.on_click = [this] { ExitClick(); };
    Exit.on_key_down = [this](std::uint16_t& key, ShiftState shift) { ExitKeyDown(key, shift); };
    Timer2.on_timer = [this] { Timer2Timer(); };
    StopTimer1.on_timer = [this] { StopTimer1Timer(); };
    TFTPTimer.on_timer = [this] { TFTPTimerTimer(); };
    TftpUDP->on_data_received = [this](int n, const std::string& a, int p) { TftpUDPDataReceived(n, a, p); };
    NMUDP1->on_data_received = [this](int n, const std::string& a, int p) { NMUDP1DataReceived(n, a, p); };
    NMUDP1->on_data_send = [this] { NMUDP1DataSend(); };
    NMFTP1->on_connect = [this] { NMFTP1Connect(); };
    NMFTP1->on_error = [this](int n, const std::string& t) { NMFTP1Error(n, t); };
    NMFTP1->on_failure = [this](FtpCommand k) { NMFTP1Failure(k); };
    NMFTP1->on_packet_sent = [this] { NMFTP1PacketSent(); };
    NMFTP1->on_success = [this] { NMFTP1Success(); };
    NMFTP1->on_transaction_start = [this] { NMFTP1TransactionStart(); };
    NMFTP1->on_authentication_failed = [this] { NMFTP1AuthenticationFailed(); };
    NMFTP1->on_status = [this](const std::string& t) { NMFTP1Status(t); };
    NMFTP1->on_connection_failed = [this] { NMFTP1ConnectionFailed(); };
    NMFTP1->on_disconnect = [this] { NMFTP1Disconnect(); };
    NMFTP1->on_invalid_host = [this] { NMFTP1InvalidHost(); };
    NMFTP1->on_transaction_stop = [this] { NMFTP1TransactionStop(); };
}

void TUpgradeForm1::log(const std::string& line) { Memo1.append(line); }

void TUpgradeForm1::status(const std::string& text) { StatusBar1.set_simple_text(text); }

int TUpgradeForm1::message_box(const std::string& text, const std::string& caption, int flags) {
    return application().MessageBox(text, caption, flags);
}

void TUpgradeForm1::FormCreate() {
    temp_dir = temp_folder(application().env()) + kPathSeparator;
    full_height = outer_height();
    file_size = 0;
    service_mode = false;
    std::memcpy(package_magic, kPackageMagic, sizeof package_magic);
    OpenDialog1.initial_dir = folder_of(application().ExeName());
    stop_counter = 0;

    // Package recognition: the last eight bytes of the program file.
    File program = File::open_read(application().ExeName());
    if (!program.is_open()) return;
    try {
        std::uint8_t trailer[8] = {};
        const bool read_all = program.seek(-8, SeekOrigin::End) >= 0 && program.read(trailer, 8) == 8;
        embedded = read_all && std::memcmp(trailer, package_magic, sizeof trailer) == 0;
        if (embedded) extract_package(program);
    } catch (const std::exception&) {
        message_box("Error to open file", "File Error", MB_OKCANCEL);
    }
    program.close();
}

void TUpgradeForm1::BrowseClick() {
    if (!OpenDialog1.Execute()) return;
    UpdateFileName.set_text(OpenDialog1.file_name);
    File f = File::open_read(OpenDialog1.file_name);
    if (!f.is_open()) return;
    const std::int64_t end = f.seek(0, SeekOrigin::End);
    if (end >= 0) file_size = static_cast<std::int32_t>(end > INT32_MAX ? INT32_MAX : end);
}

void TUpgradeForm1::SetFormMode(unsigned mode) {
    TGroupBox& S = SearchGroup;
    TGroupBox& P = PasswordGroup;
    TGroupBox& F = UpgreadFileGroup;
    TGroupBox& T = ToolGroup;
    TGroupBox& G = ProgressGroup;
    TGroupBox& L = GSystemLog;
    auto window_height = [this](int h) {
        set_outer_height(h);
        // The status bar keeps to the bottom edge.
        StatusBar1.set_top(client_height() - StatusBar1.height());
    };
    switch (mode) {
        case 1:
            window_height(full_height);
            P.show(); P.set_top(S.bottom());
            F.show(); F.set_top(P.bottom());
            T.set_top(F.bottom());
            G.show(); G.set_top(T.bottom());
            L.show(); L.set_top(G.bottom());
            break;
        case 2:
            window_height(full_height - L.height() - P.height() + 4);
            P.hide();
            F.show(); F.set_top(S.bottom());
            T.set_top(F.bottom());
            G.set_top(T.bottom());
            L.hide();
            break;
        case 3:
            window_height(full_height - L.height() + 4);
            P.show(); P.set_top(S.bottom());
            F.show(); F.set_top(P.bottom());
            T.set_top(F.bottom());
            G.show(); G.set_top(T.bottom());
            L.hide();
            break;
        case 4:
            window_height(full_height - L.height() - P.height() - F.height() + 4);
            P.hide();
            F.hide();
            T.set_top(S.bottom());
            G.show(); G.set_top(T.bottom());
            L.hide();
            break;
        case 5:
            window_height(full_height - L.height() - F.height() + 4);
            P.show(); P.set_top(S.bottom());
            F.hide();
            T.set_top(P.bottom());
            G.show(); G.set_top(T.bottom());
            L.hide();
            break;
        case 6:
            window_height(outer_height() + L.height());
            L.set_top(G.bottom());
            L.show();
            break;
        case 7:
            window_height(outer_height() - L.height());
            L.hide();
            break;
        default:
            break;
    }
}

}  // namespace fw
