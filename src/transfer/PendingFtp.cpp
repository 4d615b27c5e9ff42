// Temporary empty bodies until the FTP upgrade lands; delete each one as it is implemented.
#include "app/TUpgradeForm1.h"

namespace fw {

void TUpgradeForm1::NMFTP1Connect() {}
void TUpgradeForm1::NMFTP1Error(int, const std::string&) {}
void TUpgradeForm1::NMFTP1Failure(FtpCommand) {}
void TUpgradeForm1::NMFTP1PacketSent() {}
void TUpgradeForm1::NMFTP1Success() {}
void TUpgradeForm1::NMFTP1TransactionStart() {}
void TUpgradeForm1::NMFTP1AuthenticationFailed() {}
void TUpgradeForm1::NMFTP1Status(const std::string&) {}
void TUpgradeForm1::NMFTP1ConnectionFailed() {}
void TUpgradeForm1::NMFTP1Disconnect() {}
void TUpgradeForm1::NMFTP1InvalidHost() {}
void TUpgradeForm1::NMFTP1TransactionStop() {}
int TUpgradeForm1::ftp_put_entry(const std::string&, int, int) { return -4; }
int TUpgradeForm1::ftp_put_single_file(const std::string&, const std::string&, const std::string&) { return -1; }
void TUpgradeForm1::upgrade_over_ftp(int, const std::string&) {}

}  // namespace fw
