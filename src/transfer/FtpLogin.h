#pragma once

#include <string>

namespace fw {

class FtpClient;
class TForm;

// Writes the connection settings every login of an upgrade uses: the device
// at the address, port 21, user "root", the typed password, report level 2.
// The client's nested waits end early once the owning window has gone.
void set_ftp_login(FtpClient& ftp, const TForm& owner, const std::string& address, const std::string& password);

// The reply code a failure text begins with: its first three characters (fewer when it is shorter).
std::string reply_code(const std::string& failure_text);

}  // namespace fw
