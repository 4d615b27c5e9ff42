// The test whether a device lies in one of this computer's subnets, and what it rests on.
#include "app/TUpgradeForm1.h"
#include "core/Texts.h"
#include "discovery/SocketRuntime.h"
#include "platform/net/NetworkFactory.h"
#include "platform/runtime/Application.h"

namespace fw {

int TUpgradeForm1::start_sockets() {
    SocketStartupData data;
    const int result = socket_startup(SOCKETS_VERSION_2_0, data);
    return check_socket_startup(result, data, application().dialogs());
}

void TUpgradeForm1::stop_sockets() {
    if (socket_call_blocking()) cancel_blocking_socket_call();
    if (socket_cleanup() != 0) log("Windows Sockets can not be closed.");
}

std::string TUpgradeForm1::get_host_name() {
    const std::string name = application().net().host_info().host_name();
    return name.substr(0, name.find('\0'));
}

IP_List TUpgradeForm1::local_addresses() {
    IP_List list;
    // The addresses come from the interfaces; none at all means they could
    // not be read or this computer has no IPv4 address to compare with.
    const std::vector<std::string> addresses = application().net().host_info().ipv4_addresses();
    if (addresses.empty()) {
        log("IP Error.");
        return list;
    }
    // Room for 32; any further address is ignored.
    for (const std::string& a : addresses) {
        if (list.count >= IP_List::kCapacity) break;
        list.address[list.count++] = a;
    }
    return list;
}

bool TUpgradeForm1::same_subnet(const std::string& remote) {
    if (start_sockets() != 0) {
        stop_sockets();
        log("Windows Sockets is not available.");
        return false;
    }
    host_name = get_host_name();
    log("Searching for IP Address.");
    const IP_List locals = local_addresses();
    for (int i = 0; i < locals.count; ++i) {
        const std::string& local = locals.address[i];
        log("Host IP is " + local);
        log("Remote IP is " + remote);
        if (subnet_prefix(local) == subnet_prefix(remote)) {
            stop_sockets();
            log("Remote IP and Host IP in the Same Subnet.");
            return true;
        }
        log("Remote IP and Host IP Not in the Same Subnet.");
    }
    stop_sockets();
    return false;
}

}  // namespace fw
