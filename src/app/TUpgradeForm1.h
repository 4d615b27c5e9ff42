#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/IP_List.h"
#include "core/ImbedFileList.h"
#include "core/RouterList.h"
#include "platform/files/File.h"
#include "platform/net/DatagramSocket.h"
#include "platform/net/EventDatagramEndpoint.h"
#include "platform/net/FtpClient.h"
#include "platform/net/Pinger.h"
#include "platform/runtime/Timer.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ShiftState.h"
#include "platform/ui/TForm.h"
#include "platform/ui/TOpenDialog.h"
#include "transfer/TftpState.h"

namespace fw {

class TRefreshForm;

// The main window: every component of the tool, the state all its parts
// share, and the event methods the components call.
class TUpgradeForm1 : public TForm {
public:
    explicit TUpgradeForm1(Application& app);
    ~TUpgradeForm1() override;

    // The search dialog, created by the program entry right after this window.
    void set_refresh_form(TRefreshForm* form) { refresh_form_ = form; }
    TRefreshForm* refresh_form() const { return refresh_form_; }

    // Components, visual ones in design order.
    TGroupBox SearchGroup{"SearchGroup", this};
    TLabel Label1{"Label1", &SearchGroup, "Select one device. Or you can input IP manually :"};
    TComboBox IPComBox{"IPComBox", &SearchGroup};
    TButton IPReFresh{"IPReFresh", &SearchGroup, "Refresh"};
    TGroupBox PasswordGroup{"PasswordGroup", this};
    TLabel Label2{"Label2", &PasswordGroup, "Password"};
    TMaskEdit PasswordComBox{"PasswordComBox", &PasswordGroup};
    TGroupBox UpgreadFileGroup{"UpgreadFileGroup", this};
    TLabel Label3{"Label3", &UpgreadFileGroup, "Select Update File by yourself"};
    TEdit UpdateFileName{"UpdateFileName", &UpgreadFileGroup};
    TButton Browse{"Browse", &UpgreadFileGroup, "Browse"};
    TGroupBox ToolGroup{"ToolGroup", this};
    TButton Upgrade{"Upgrade", &ToolGroup, "Upgrade"};
    TButton Exit{"Exit", &ToolGroup, "Exit"};
    TGroupBox ProgressGroup{"ProgressGroup", this};
    TProgressBar ProgressBar1{"ProgressBar1", &ProgressGroup};
    TGroupBox GSystemLog{"GSystemLog", this, "System Log"};
    TMemo Memo1{"Memo1", &GSystemLog};
    TStatusBar StatusBar1{"StatusBar1", this};

    std::unique_ptr<FtpClient> NMFTP1;
    std::unique_ptr<DatagramSocket> WSocket1;
    TOpenDialog OpenDialog1;
    Timer TFTPTimer;
    std::unique_ptr<EventDatagramEndpoint> TftpUDP;
    std::unique_ptr<EventDatagramEndpoint> NMUDP1;
    Timer Timer2;
    std::unique_ptr<Pinger> Ping1;
    Timer StopTimer1;

    // Event methods.
    void FormCreate();
    void FormActivate();
    void FormClose(CloseAction& action);
    void SetFormMode(unsigned mode);
    void IPReFreshClick();
    void IPComBoxChange();
    void IPComBoxKeyPress(char& key);
    void BrowseClick();
    void UpgradeClick();
    void ExitClick();
    void ExitKeyDown(std::uint16_t& key, ShiftState shift);
    void Timer2Timer();
    void StopTimer1Timer();
    void TFTPTimerTimer();
    void TftpUDPDataReceived(int length, const std::string& from_address, int from_port);
    void NMUDP1DataReceived(int length, const std::string& from_address, int from_port);
    void NMUDP1DataSend();
    void NMFTP1Connect();
    void NMFTP1Error(int number, const std::string& text);
    void NMFTP1Failure(FtpCommand kind);
    void NMFTP1PacketSent();
    void NMFTP1Success();
    void NMFTP1TransactionStart();
    void NMFTP1AuthenticationFailed();
    void NMFTP1Status(const std::string& text);
    void NMFTP1ConnectionFailed();
    void NMFTP1Disconnect();
    void NMFTP1InvalidHost();
    void NMFTP1TransactionStop();
    void WndProc(WindowMessage& message) override;

    // Routines.
    int extract_package(File& program_file);
    void process_message_file(const std::uint8_t* data, std::uint16_t attribute, std::int64_t length, int mode,
                              int device, int slot);
    int select_next_entry(int start, int device);
    int query_device(int kind, const std::string& port, const std::string& address);
    bool mark_duplicate(const std::string& address);
    int start_sockets();
    void stop_sockets();
    std::string get_host_name();
    IP_List local_addresses();
    bool same_subnet(const std::string& remote);
    int tftp_send_file(const std::string& address, const std::string& path);
    void tftp_read_request(const std::string& address, const std::string& file, const std::string& mode);
    int ftp_put_entry(const std::string& path, int device, int slot);
    int ftp_put_single_file(const std::string& local_path, const std::string& remote_name, const std::string& address);
    void remove_temp_files();

    // Reporting: one System Log line, the status text, the progress bar, a message box.
    void log(const std::string& line);
    void status(const std::string& text);
    int message_box(const std::string& text, const std::string& caption, int flags);

    // Private state, in declaration order.
    ImbedFileList file_list;
    const std::uint8_t* tftp_reply = nullptr;
    bool service_mode = false;
    std::uint8_t package_magic[8] = {};
    bool embedded = false;
    bool module_file_put = false;
    bool notice_shown = false;
    bool ftp_running = false;
    std::int32_t full_height = 0;
    std::int32_t file_size = 0;
    std::int32_t ftp_bytes_seen = 0;
    std::int32_t target_index = 0;
    std::int32_t files_put = 0;
    std::string temp_dir;
    std::int32_t stop_counter = 0;
    router_list routers;
    std::string last_module;
    std::string last_info;
    std::string last_recovery_text;
    std::string host_name;

    // The recovery transfer and the progress count both engines share.
    TftpState tftp;
    std::int32_t progress_value = 0;

private:
    void build_components();
    void wire_events();
    // The two branches of the Upgrade command, for the device at this index of routers.
    void upgrade_over_tftp(int index, const std::string& address);
    void upgrade_over_ftp(int index, const std::string& address);

    TRefreshForm* refresh_form_ = nullptr;
    // A refresh is under way (its search dialog runs a nested loop).
    bool refresh_running_ = false;
};

// Mode codes of the notice rules.
constexpr int MENU_MODE = 100;
constexpr int FTP_MODE = 101;
constexpr int TFTP_MODE = 102;
// Results of the entry selection that are not entry indexes.
constexpr int SELECT_DONE = 1001;
constexpr int SELECT_NONE = 1002;
// The trailer text of a package.
constexpr char kPackageMagic[8] = {'m', 'o', 'r', 'v', 'a', 'n', 'e', '\0'};
// The tag a notice's vendor text is tested against at start-up.
constexpr const char* vendor_tag = "ORBE";

}  // namespace fw
