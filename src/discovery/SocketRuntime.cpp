#include "discovery/SocketRuntime.h"

#include "platform/ui/Dialogs.h"

namespace fw {

int socket_startup(std::uint16_t requested_version, SocketStartupData& data) {
    data.version = requested_version < SOCKETS_VERSION_2_0 ? requested_version : SOCKETS_VERSION_2_0;
    return 0;
}

int socket_cleanup() { return 0; }

bool socket_call_blocking() { return false; }

void cancel_blocking_socket_call() {}

int check_socket_startup(int result, const SocketStartupData& data, Dialogs& dialogs) {
    if (result != 0) {
        dialogs.message_dialog("Windows Socket is not responded.", MsgDlgType::mtError, mbOK);
        return result;
    }
    if (data.version < SOCKETS_VERSION_2_0) {
        dialogs.message_dialog("Sockets version is not supported by Windows Sockets.", MsgDlgType::mtError, mbOK);
        return -1;
    }
    return 0;
}

}  // namespace fw
