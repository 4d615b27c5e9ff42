// The FTP component's event handlers and the progress timer that samples it.
#include <algorithm>
#include <cstdint>

#include "app/TUpgradeForm1.h"
#include "core/Texts.h"
#include "platform/runtime/Application.h"
#include "platform/ui/Dialogs.h"

namespace fw {
namespace {

const char* failure_text(FtpCommand kind) {
    switch (kind) {
        case FtpCommand::ChangeDir: return "ChangeDir failure";
        case FtpCommand::MakeDir: return "MakeDir failure";
        case FtpCommand::Delete: return "Delete failure";
        case FtpCommand::RemoveDir: return "RemoveDir failure";
        case FtpCommand::List: return "List failure";
        case FtpCommand::Rename: return "Rename failure";
        case FtpCommand::UploadRestore: return "UploadRestore failure";
        case FtpCommand::DownloadRestore: return "DownloadRestore failure";
        case FtpCommand::Download: return "Download failure";
        case FtpCommand::Upload: return "Upload failure";
        case FtpCommand::UploadAppend: return "UploadAppend failure";
        case FtpCommand::ReInit: return "ReInit failure";
        case FtpCommand::Allocate: return "Allocate failure";
        case FtpCommand::NList: return "NList failure";
        case FtpCommand::DoCommand: return "DoCommand failure";
    }
    return nullptr;
}

std::int32_t clamp_to_int(std::int64_t n) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(n, INT32_MIN, INT32_MAX));
}

}  // namespace

void TUpgradeForm1::NMFTP1Connect() { status("Connecting to device"); }

void TUpgradeForm1::NMFTP1Error(int number, const std::string& text) {
    log("Error " + dec(number) + ": " + text);
}

void TUpgradeForm1::NMFTP1Failure(FtpCommand kind) {
    // The failure is not marked as handled: the client raises it next.
    if (const char* text = failure_text(kind)) {
        log(text);
        return;
    }
    log("Unrecognized command failed." + dec(static_cast<int>(kind)));
    application().dialogs().message_dialog("Unrecognized command failed.", MsgDlgType::mtCustom, mbOK);
}

void TUpgradeForm1::NMFTP1PacketSent() {
    Timer2.set_enabled(true);
    status("Upgrading! Do NOT exit or power off the device.");
    stop_counter = 0;
}

void TUpgradeForm1::NMFTP1Success() {}

void TUpgradeForm1::NMFTP1TransactionStart() {
    // The client's byte count starts from 0 for every upload.
    ftp_bytes_seen = 0;
    Timer2.set_enabled(true);
    if (!embedded) ProgressBar1.set_max(clamp_to_int(NMFTP1->bytes_total()));
}

void TUpgradeForm1::NMFTP1AuthenticationFailed() {
    const Guard self = guard();
    log("Password Error");
    message_box(" Incorrect password. Please check and input again!", "Authentication Failed", MB_OK);
    if (!self.alive()) return;
    Upgrade.set_enabled(true);
}

void TUpgradeForm1::NMFTP1Status(const std::string& text) {
    // 429 is the device refusing the image it has just received.
    if (text.rfind("429", 0) != 0) return;
    const Guard self = guard();
    Timer2.set_enabled(false);
    stop_counter = 0;
    StopTimer1.set_enabled(false);
    log("Upgrade file error");
    message_box("Incorrect upgrade file. Please check again!", "Upgrade Failed", MB_OK);
    if (!self.alive()) return;
    Upgrade.set_enabled(true);
    ftp_running = false;
}

void TUpgradeForm1::NMFTP1ConnectionFailed() {}
void TUpgradeForm1::NMFTP1Disconnect() {}
void TUpgradeForm1::NMFTP1InvalidHost() {}
void TUpgradeForm1::NMFTP1TransactionStop() {}

void TUpgradeForm1::Timer2Timer() {
    const std::int32_t sent = clamp_to_int(NMFTP1->bytes_sent());
    if (sent <= ftp_bytes_seen) return;
    progress_value += sent - ftp_bytes_seen;
    ProgressBar1.set_position(progress_value);
    ftp_bytes_seen = sent;
}

}  // namespace fw
