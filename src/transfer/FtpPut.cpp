// The two FTP upload routines: one package entry over the run's open
// connection, and one hand-picked file over a connection of its own.
//
// The failure branches for an access violation have no counterpart here: on
// this platform such a fault cannot be caught as an exception, so only the
// platform's exception class reaches these handlers.
#include "app/TUpgradeForm1.h"
#include "core/Texts.h"
#include "package/Attributes.h"
#include "platform/files/FileRoutines.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/Exception.h"
#include "platform/ui/Dialogs.h"
#include "transfer/FtpLogin.h"

namespace fw {
namespace {

// The kinds of upgrade entry, by the two selection bits.
enum class EntryKind { Default, General, Module, None };

EntryKind kind_of(std::uint16_t attribute) {
    const bool no_idcheck = (attribute & ATTR_NO_IDCHECK) != 0;
    const bool idcheck = (attribute & ATTR_IDCHECK) != 0;
    if (no_idcheck && idcheck) return EntryKind::Default;
    if (no_idcheck) return EntryKind::General;
    if (idcheck) return EntryKind::Module;
    return EntryKind::None;
}

}  // namespace

int TUpgradeForm1::ftp_put_entry(const std::string& path, int device, int slot) {
    if (slot < 0 || slot >= ImbedFileList::kCapacity) return -1;
    const EntryKind kind = kind_of(file_list.attribute[slot]);
    switch (kind) {
        case EntryKind::Default:
            if (module_file_put) {
                log("Default Upgrade File Egnore >>" + path);
                return 1;
            }
            break;
        case EntryKind::General:
            break;
        case EntryKind::Module: {
            const bool known_device = device >= 0 && device < router_list::kCapacity;
            if (!known_device || !module_matches(routers.info[device], path)) {
                log("Module name different. Ignore Upgrade File >>" + path);
                return -1;
            }
            module_file_put = true;
            break;
        }
        case EntryKind::None:
            log("Unkown Attribute. Ignore Upgrade File >>" + path);
            return -1;
    }

    const Guard self = guard();
    try {
        NMFTP1->Upload(path, file_list.name[slot]);
    } catch (const Exception& e) {
        // The window went away, or the program is ending, while the upload waited.
        if (!self.alive() || application().terminated()) return -4;
        StopTimer1.set_enabled(false);
        stop_counter = 0;
        const std::string code = reply_code(e.Message());
        if (code == "530") {
            NMFTP1->Disconnect();
            log("Password Error");
            message_box(" Incorrect password. Please check and input again!", "Authentication Failed", MB_OK);
            if (self.alive()) Upgrade.set_enabled(true);
            return -3;
        }
        if (code == "550") {
            message_box("Incorrect upgrade file. Please check again!", "Upgrade File Error", MB_OK);
            return -2;
        }
        message_box("Upgrade Abnormal Terminate and Please ReRun the program to ReUpgrade.", "Unexpect Condition Error",
                    MB_OK);
        return -4;
    }
    if (!self.alive()) return -4;

    // The device refused what it received (a 429 reply seen by NMFTP1Status).
    if (!ftp_running) return -2;
    if (kind == EntryKind::Default) {
        log("Put Default Upgrade File >>" + path);
        ++files_put;
        module_file_put = false;
    } else {
        log("Put Upgrade File >>" + path);
        ++files_put;
    }
    return 1;
}

int TUpgradeForm1::ftp_put_single_file(const std::string& local_path, const std::string& remote_name,
                                       const std::string& address) {
    if (!file_exists(local_path)) return -1;
    const Guard self = guard();
    try {
        // A connection that an earlier failure left open is closed first; the
        // upload then goes on over a fresh login. (Only closing it and
        // reporting success would announce an upgrade that never happened.)
        if (NMFTP1->connected()) NMFTP1->Disconnect();

        set_ftp_login(*NMFTP1, *this, address, PasswordComBox.text());
        NMFTP1->vendor = 2411;
        NMFTP1->Connect();

        if (NMFTP1->connected()) {
            NMFTP1->Upload(local_path, remote_name);
            if (!self.alive()) return -1;
            NMFTP1->Disconnect();
            // The device refused the file after receiving it: NMFTP1Status has
            // told the user so. It is no success, whatever the upload returned.
            if (!ftp_running) return -1;
            Upgrade.set_enabled(false);
        }
        return 1;
    } catch (const Exception& e) {
        if (!self.alive() || application().terminated()) return -1;
        const std::string code = reply_code(e.Message());
        StopTimer1.set_enabled(false);
        stop_counter = 0;
        if (code == "429") {
            log("Upgrade file error");
            message_box("Your Upgrade file  is wrong. Please check again !", "Upgrade Failed", MB_OK);
            return -1;
        }
        if (code == "530") {
            log("Password Error");
            message_box(" Incorrect password. Please check and input again!", "Authentication Failed", MB_OK);
            if (self.alive()) Upgrade.set_enabled(true);
            return -2;
        }
        if (code == "550") {
            log("Upgrade File Error");
            message_box("Upgrade File Error. Please ReSelect Upgrade File Again !", "Upgrade Abnormal Terminate", MB_OK);
            if (!self.alive()) return -2;
            NMFTP1->Disconnect();
            status("Upgrade File Error");
            return -2;
        }
        if (NMFTP1->connected()) {
            message_box(code == "100" ? "Upgrade Abnormal Terminate and Please ReRun the program to ReUpgrade" : code,
                        "Upgrade Abnormal Terminate", MB_OK);
            if (!self.alive()) return -1;
            NMFTP1->Disconnect();
            status("Upgrade Abnormal Terminate !");
            Close();
            return -1;
        }
        message_box("Upgrade Abnormal Terminate : " + code, "Upgrade Terminate", MB_OK);
        if (self.alive()) Close();
        return -1;
    }
}

}  // namespace fw
