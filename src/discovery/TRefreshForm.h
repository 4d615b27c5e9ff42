#pragma once

#include <memory>
#include <string>

#include "platform/net/DatagramSocket.h"
#include "platform/net/Pinger.h"
#include "platform/runtime/Timer.h"
#include "platform/ui/Controls.h"
#include "platform/ui/TForm.h"

namespace fw {

class TUpgradeForm1;

// The search dialog. Shown modally by the main window's refresh; its first
// timer tick runs the whole device search, which fills the main window's
// device table and device list, and closes the dialog again. It lives from
// program start to program end.
class TRefreshForm : public TForm {
public:
    TRefreshForm(Application& app, TUpgradeForm1& main_window);
    ~TRefreshForm() override;

    TGroupBox GroupBox1{"GroupBox1", this};
    TLabel Label1{"Label1", &GroupBox1, "Searching for installed device(s)"};
    TLabel Label2{"Label2", &GroupBox1, "Please Wait ..."};
    TGroupBox GroupBox2{"GroupBox2", this};
    TProgressBar ProgressBar1{"ProgressBar1", &GroupBox2};

    std::unique_ptr<Pinger> Ping1;
    std::unique_ptr<DatagramSocket> WSocket1;
    Timer Timer1;

    // Event methods.
    void FormActivate();
    void Timer1Timer();

    // The search sequence: both broadcast probes, then the default addresses.
    void run_search();
    // Kind 1: the "QD" query; kind 2: the TFTP read request for "VN". Every
    // reply becomes a record and an item of the main window's device list.
    void broadcast_probe(int kind, const std::string& address, int port);
    // Directed probes of one default router address; at most one new record.
    void probe_default_address(const std::string& address);

    // The default router addresses, probed in this order.
    static constexpr const char* DEFAULT_ADDRESSES[] = {"192.168.123.254", "192.168.2.1", "192.168.0.1",
                                                        "192.168.1.254"};

private:
    void build_components();
    // A device could not be recorded: says so once per search.
    void report_table_full();

    TUpgradeForm1& main_;
    TForm::Guard main_alive_;
    bool table_full_reported_ = false;
};

}  // namespace fw
