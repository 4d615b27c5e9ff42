// The recovery transfer: the chosen entries go to a device in its recovery
// loader as TFTP writes, one 512-byte block per acknowledgement, and a read
// request for "R!" then tells the loader to reboot.
#include <algorithm>
#include <cstdint>
#include <string>

#include "app/TUpgradeForm1.h"
#include "core/Texts.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/Clock.h"
#include "platform/ui/Dialogs.h"
#include "transfer/TftpPacket.h"
#include "transfer/TftpSendResult.h"

namespace fw {
namespace {

constexpr const char* kFileErrorCaption = "Upgrade File Error";
constexpr const char* kRecoverRefused = "Recover process not be accept for router.";

// Whether the window's own code should go on after a nested wait, such as a
// message box, during which the window may have been released or closed.
bool still_running(const TForm::Guard& self, const Application& app) { return self.alive() && !app.terminated(); }

// Puts the transfer back to idle and stops both timers of the run.
void stop_run(TUpgradeForm1& w) {
    w.tftp.tftp_job = 0;
    w.tftp.transfer_open = false;
    w.tftp.awaiting_ack = false;
    w.Upgrade.set_enabled(true);
    w.TFTPTimer.set_enabled(false);
    w.StopTimer1.set_enabled(false);
    w.stop_counter = 0;
    w.tftp.tftp_file.close();
}

// The device refused the file, or the file could not be read: the run ends
// and, outside the service view, so does the program.
void end_run_with_error(TUpgradeForm1& w, const std::string& text) {
    stop_run(w);
    const TForm::Guard self = w.guard();
    Application& app = w.application();
    w.message_box(text, kFileErrorCaption, MB_OK);
    if (!still_running(self, app)) return;
    w.ProgressBar1.set_position(0);
    if (!w.service_mode) w.Close();
}

// A file that cannot be sent at all: nothing goes to the device, the run
// ends and the user may pick another device or file and start again.
void refuse_file(TUpgradeForm1& w, const std::string& log_line, const std::string& text) {
    w.log(log_line);
    stop_run(w);
    w.ProgressBar1.set_position(0);
    w.message_box(text, kFileErrorCaption, MB_OK);
}

void read_error(TUpgradeForm1& w) {
    w.log("Read Error");
    end_run_with_error(w, "The upgrade file could not be read. Please check again!");
}

// Index in routers of the device whose address is in the combo box, or
// routers.count when it is not in the table.
int device_of_combo_text(const TUpgradeForm1& w) {
    const std::string address = first_word(w.IPComBox.text());
    const int count = std::clamp<int>(w.routers.count, 0, router_list::kCapacity);
    for (int i = 0; i < count; ++i)
        if (w.routers.info[i].address == address) return i;
    return w.routers.count;
}

// Sends the next DATA block of the open file with length data bytes.
// False when the file could not be read; the run has then been ended.
bool send_next_block(TUpgradeForm1& w, int length) {
    TftpState& t = w.tftp;
    put_u16(t.tftp_packet + 2, t.tftp_block);
    if (t.tftp_file.read(t.tftp_packet + TFTP_HEADER_SIZE, length) != length) {
        read_error(w);
        return false;
    }
    w.NMUDP1->SendBuffer(t.tftp_packet, TFTP_HEADER_SIZE + static_cast<std::size_t>(length));
    ++t.tftp_block;
    return true;
}

}  // namespace

int TUpgradeForm1::tftp_send_file(const std::string& address, const std::string& path) {
    // The names must fit the transfer's buffers whole: a name cut short
    // would write the firmware under another file's name.
    if (path.size() > TFTP_MAX_PATH) {
        refuse_file(*this, "Path too long for TFTP: " + path,
                    "The path of the upgrade file is too long for a recovery transfer (at most 255 characters).");
        return TFTP_REFUSED;
    }
    const std::string remote_name = base_name(path);
    if (remote_name.size() > TFTP_MAX_REMOTE_NAME) {
        refuse_file(*this, "File name too long for TFTP: " + remote_name,
                    "The name of the upgrade file is too long for a recovery transfer (at most 31 characters).");
        return TFTP_REFUSED;
    }
    tftp.tftp_path = path;
    tftp.tftp_remote_name = remote_name;
    log(tftp.tftp_remote_name);

    tftp.awaiting_ack = false;
    if (tftp.transfer_open) {
        tftp.tftp_file.close();
        tftp.transfer_open = false;
    }
    tftp.tftp_file = File::open_read(path);
    if (!tftp.tftp_file.is_open()) {
        log("File Open Error! " + path);
        return TFTP_OPEN_ERROR;
    }
    tftp.transfer_open = true;

    const std::int64_t size = tftp.tftp_file.size();
    if (size < 0) {
        read_error(*this);
        return TFTP_REFUSED;
    }
    // With 16-bit block numbers a longer file could never be completed.
    if (size > TFTP_MAX_FILE_SIZE) {
        refuse_file(*this, "File too large for TFTP: " + path,
                    "The upgrade file is too large for a recovery transfer (at most 33,553,407 bytes).");
        return TFTP_REFUSED;
    }
    tftp.tftp_file_size = static_cast<std::int32_t>(size);
    tftp.tftp_full_blocks = tftp.tftp_file_size / TFTP_BLOCK_SIZE;
    tftp.tftp_tail = tftp.tftp_file_size % TFTP_BLOCK_SIZE;
    log("Open File : " + path);
    log("Size: " + dec(tftp.tftp_file_size) + " Bytes");
    log("Segment: " + dec(tftp.tftp_full_blocks));
    log("mod: " + dec(tftp.tftp_tail));
    status("Initial Upgrade Information...");

    NMUDP1->set_remote_port(TFTP_PORT);
    NMUDP1->set_remote_host(address);
    const std::size_t length =
        tftp_request(tftp.tftp_packet, sizeof tftp.tftp_packet, TFTP_WRQ, tftp.tftp_remote_name, tftp.tftp_mode);
    NMUDP1->SendBuffer(tftp.tftp_packet, length);
    // The opcode stays in place for every DATA block of this file.
    put_u16(tftp.tftp_packet, TFTP_DATA);
    tftp.tftp_block = 1;
    tftp.awaiting_ack = true;
    log("Begin to Send " + path + " to   " + address);
    return TFTP_SENT;
}

void TUpgradeForm1::NMUDP1DataReceived(int, const std::string&, int) {
    const std::size_t length = NMUDP1->ReadBuffer(tftp.tftp_received, sizeof tftp.tftp_received);
    // Too short to carry an opcode and a block number: nothing to act on.
    if (length < TFTP_HEADER_SIZE) return;
    const std::uint16_t opcode = get_u16(tftp.tftp_received);
    const std::uint16_t block = get_u16(tftp.tftp_received + 2);

    if (opcode == TFTP_ERROR) {
        // With no recovery file open there is no run for the device to end.
        if (!tftp.transfer_open) return;
        end_run_with_error(*this, "Incorrect upgrade file. Please check again!");
        return;
    }
    // Only the acknowledgement of the packet sent last moves the run on; once
    // the final block of a file is acknowledged nothing more is taken for it.
    if (opcode != TFTP_ACK || !tftp.awaiting_ack || int(block) + 1 != int(tftp.tftp_block)) return;

    // Progress: the watchdog only ends a run that has stopped moving.
    stop_counter = 0;
    log("Recv : " + dec(block));
    if (block < tftp.tftp_full_blocks) {
        send_next_block(*this, TFTP_BLOCK_SIZE);
        return;
    }
    if (block == tftp.tftp_full_blocks) {
        send_next_block(*this, tftp.tftp_tail);
        return;
    }

    // The final block is through.
    tftp.tftp_file.close();
    tftp.awaiting_ack = false;
    if (!embedded) {
        tftp.tftp_job = SELECT_DONE;
        return;
    }
    const int count = std::clamp<int>(file_list.count, 0, ImbedFileList::kCapacity);
    if (tftp.tftp_job < 0 || tftp.tftp_job >= count) return;

    const std::string address = first_word(IPComBox.text());
    const int device = device_of_combo_text(*this);
    const TForm::Guard self = guard();
    tftp.tftp_job = select_next_entry(tftp.tftp_job + 1, device);
    // A notice shown on the way runs a nested loop; the window may be gone.
    if (!still_running(self, application())) return;
    if (tftp.tftp_job >= 0 && tftp.tftp_job < count) {
        stop_counter = 0;
        tftp_send_file(address, file_list.name[tftp.tftp_job] + ".tmp");
    }
}

void TUpgradeForm1::NMUDP1DataSend() {
    log("Sent " + dec(progress_value) + " ..");
    status("Beginning Upgrade. Do Not Exit Until Upgrade Complete !");
    ++progress_value;
    ProgressBar1.set_position(progress_value);
}

void TUpgradeForm1::TFTPTimerTimer() {
    if (tftp.tftp_job == SELECT_DONE) {
        tftp.tftp_job = 0;
        tftp.transfer_open = false;
        Upgrade.set_enabled(true);
        TFTPTimer.set_enabled(false);
        StopTimer1.set_enabled(false);
        ProgressBar1.set_position(ProgressBar1.max());
        log(" Recover Success");
        status("Success Upgrade and Wait to Reboot");
        // The device starts rebooting while the box is open.
        tftp_read_request(first_word(IPComBox.text()), "R!", tftp.tftp_mode);

        const TForm::Guard self = guard();
        Application& app = application();
        message_box("Recover Success", "Recover Success", MB_OK);
        if (!still_running(self, app)) return;
        // Give the device time to reboot before searching again; these waits
        // dispatch nothing.
        Clock& clock = app.loop().clock();
        clock.sleep_ms(2500);
        status("Rebooting Router...");
        clock.sleep_ms(6500);
        IPReFreshClick();
        return;
    }
    if (tftp.tftp_job == SELECT_NONE) {
        Upgrade.set_enabled(false);
        TFTPTimer.set_enabled(false);
        log(kRecoverRefused);
        const TForm::Guard self = guard();
        Application& app = application();
        app.dialogs().message_dialog(kRecoverRefused, MsgDlgType::mtWarning, mbYes);
        if (!self.alive()) return;
        tftp.tftp_job = 0;
        tftp.transfer_open = false;
    }
}

void TUpgradeForm1::tftp_read_request(const std::string& address, const std::string& file, const std::string& mode) {
    TftpUDP->set_remote_port(TFTP_PORT);
    TftpUDP->set_remote_host(address);
    std::uint8_t request[128] = {};
    const std::size_t length = tftp_request(request, sizeof request, TFTP_RRQ, file, mode);
    if (length == 0) return;  // only ever asked for short names; never send a cut one
    TftpUDP->SendBuffer(request, length);
}

void TUpgradeForm1::TftpUDPDataReceived(int, const std::string&, int from_port) {
    if (from_port != TFTP_PORT) return;
    // The loader's answer to the reboot request carries nothing the tool needs.
    std::uint8_t reply[516];
    TftpUDP->ReadBuffer(reply, sizeof reply);
    tftp_reply = reply;
    tftp_reply = nullptr;
}

}  // namespace fw
