// The FTP branch of the Upgrade command: a running device gets the package's
// upgrade entries over one FTP session, with the notices shown on the way, or
// the one file picked by hand.
#include <vector>

#include "app/TUpgradeForm1.h"
#include "core/Texts.h"
#include "package/Attributes.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/Exception.h"
#include "platform/ui/Dialogs.h"
#include "transfer/FtpLogin.h"

namespace fw {
namespace {

// The whole notice file, in a buffer one byte longer than the file; nothing
// when it cannot be opened or read.
bool read_notice(const std::string& path, std::vector<std::uint8_t>& buffer, std::int64_t& length) {
    File f = File::open_read(path);
    if (!f.is_open()) return false;
    length = f.seek(0, SeekOrigin::End);
    if (length < 0 || f.seek(0, SeekOrigin::Begin) < 0) return false;
    buffer.assign(static_cast<std::size_t>(length) + 1, 0);
    return f.read(buffer.data(), length) == length;
}

void upgrade_with_package(TUpgradeForm1& w, int index, const std::string& address) {
    const TForm::Guard self = w.guard();
    FtpClient& ftp = *w.NMFTP1;
    try {
        bool aborted = false;
        w.module_file_put = false;
        w.notice_shown = false;
        w.ProgressBar1.set_max(w.file_size);
        set_ftp_login(ftp, w, address, w.PasswordComBox.text());
        ftp.Connect();
        if (!self.alive()) return;

        for (int j = 0; j < w.file_list.count && j < ImbedFileList::kCapacity; ++j) {
            const std::string name = w.file_list.name[j] + ".tmp";
            const std::uint16_t attribute = w.file_list.attribute[j];
            w.log("File Attribute : " + dec(attribute));
            if (attribute & ATTR_UPGRADE_FILE) {
                const int r = w.ftp_put_entry(name, index, j);
                if (!self.alive()) return;
                if (r <= -2) {
                    // The service view keeps the session as it is, for a look at what happened.
                    if (w.service_mode) return;
                    aborted = true;
                    break;
                }
            } else if (attribute & ATTR_MESSAGE_FILE) {
                w.Timer2.set_enabled(false);
                std::vector<std::uint8_t> buffer;
                std::int64_t length = 0;
                if (read_notice(name, buffer, length)) {
                    w.process_message_file(buffer.data(), attribute, length, FTP_MODE, index, j);
                    if (!self.alive()) return;
                } else {
                    w.log("Message File Open Error >>" + name);
                }
                w.Timer2.set_enabled(true);
            } else {
                w.log("Unknow File Attribute : " + dec(attribute) + name);
            }
        }

        w.stop_counter = 0;
        w.StopTimer1.set_enabled(false);
        w.Timer2.set_enabled(false);
        ftp.Disconnect();
        if (!aborted) {
            if (w.files_put < 1) {
                w.status("Unknown Device Module.");
                w.ProgressBar1.set_position(0);
                w.message_box("Unknown Device Module.", "Upgrade Failure", MB_OK);
            } else {
                w.status("Upgrade Complete");
                w.ProgressBar1.set_position(w.file_size);
                w.message_box("Upgrade Complete", "Upgrade Success", MB_OK);
            }
            if (!self.alive()) return;
        }
        if (!w.service_mode) w.Close();
    } catch (const Exception& e) {
        if (!self.alive() || w.application().terminated()) return;
        w.StopTimer1.set_enabled(false);
        w.stop_counter = 0;
        const std::string code = reply_code(e.Message());
        if (code == "550") {
            w.message_box("Upgrade File Error", "Upgrade Abnormal Terminate", MB_OK);
            if (!self.alive()) return;
            ftp.Disconnect();
            w.status("Please ReSelect Upgrade File Again.");
            w.log("Upgrade File Error");
        } else if (code == "530") {
            ftp.Disconnect();
            w.log("Password Error");
            w.message_box(" Incorrect password. Please check and input again!", "Authentication Failed", MB_OK);
            if (!self.alive()) return;
            w.Upgrade.set_enabled(true);
        } else if (ftp.connected()) {
            ftp.Disconnect();
            w.status("Upgrade Abnormal Terminate.");
            w.message_box("Upgrade Abnormal Terminate and Please Click Upgrade Button to ReUpgrade",
                          "Upgrade Abnormal Terminate", MB_OK);
            if (!self.alive()) return;
            w.log("Upgrade Abnormal Terminate >> " + code);
        } else {
            w.log("Unknow error in FTP mode.");
        }
    }
}

void upgrade_with_file(TUpgradeForm1& w, const std::string& address) {
    const TForm::Guard self = w.guard();
    const std::string path = w.UpdateFileName.text();
    if (path.empty()) {
        w.message_box("Please Select the Upgread File", "MessageBox", MB_OK);
        if (!self.alive()) return;
        w.StopTimer1.set_enabled(false);
        w.Upgrade.set_enabled(true);
        return;
    }
    w.Upgrade.set_enabled(false);
    const int r = w.ftp_put_single_file(path, base_name(path), address);
    if (!self.alive()) return;
    w.StopTimer1.set_enabled(false);
    if (r >= 1) {
        w.message_box("Upgrade Complete", "Upgrade Success", MB_OK);
    } else {
        w.message_box("Select File Open Error !!!", "Upgrade OpenFile Error", MB_OK);
        if (!self.alive()) return;
        w.Upgrade.set_enabled(true);
    }
    if (!self.alive()) return;
    w.Timer2.set_enabled(false);
    w.StopTimer1.set_enabled(false);
    w.stop_counter = 0;
    // A refused password or file leaves the window open for another try.
    if (!w.service_mode && r != -2) w.Close();
}

}  // namespace

void TUpgradeForm1::upgrade_over_ftp(int index, const std::string& address) {
    const Guard self = guard();
    if (PasswordComBox.text().empty()) {
        message_box("Please Input the Root Password", "MessageBox", MB_OK);
        if (self.alive()) Upgrade.set_enabled(true);
        return;
    }
    ProgressBar1.set_position(0);
    StopTimer1.set_enabled(true);
    ftp_running = true;
    if (embedded) upgrade_with_package(*this, index, address);
    else upgrade_with_file(*this, address);
}

}  // namespace fw
