// Temporary empty bodies until the recovery transfer lands; delete each one as it is implemented.
#include "app/TUpgradeForm1.h"

namespace fw {

void TUpgradeForm1::TFTPTimerTimer() {}
void TUpgradeForm1::TftpUDPDataReceived(int, const std::string&, int) {}
void TUpgradeForm1::NMUDP1DataReceived(int, const std::string&, int) {}
void TUpgradeForm1::NMUDP1DataSend() {}
int TUpgradeForm1::tftp_send_file(const std::string&, const std::string&) { return -1; }
void TUpgradeForm1::tftp_read_request(const std::string&, const std::string&, const std::string&) {}

}  // namespace fw
