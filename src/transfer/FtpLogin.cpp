#include "transfer/FtpLogin.h"

#include "platform/net/FtpClient.h"
#include "platform/ui/TForm.h"

namespace fw {

void set_ftp_login(FtpClient& ftp, const TForm& owner, const std::string& address, const std::string& password) {
    ftp.report_level = 2;
    ftp.host = address;
    ftp.port = 21;
    ftp.user_id = "root";
    ftp.password = password;
    ftp.abandon_wait = [window = owner.guard()] { return !window.alive(); };
}

std::string reply_code(const std::string& failure_text) { return failure_text.substr(0, 3); }

}  // namespace fw
