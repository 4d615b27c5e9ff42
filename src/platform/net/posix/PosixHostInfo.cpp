#include "platform/net/posix/PosixHostInfo.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <unistd.h>

#include "platform/net/posix/Ipv4Address.h"

namespace fw {

std::string PosixHostInfo::host_name() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

std::vector<std::string> PosixHostInfo::ipv4_addresses() {
    std::vector<std::string> addresses;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return addresses;
    for (const ifaddrs* entry = list; entry && addresses.size() < MAX_ADDRESSES; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        if (!(entry->ifa_flags & IFF_UP) || (entry->ifa_flags & IFF_LOOPBACK))
            continue;
        addresses.push_back(Ipv4Address::text(reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr));
    }
    ::freeifaddrs(list);
    return addresses;
}

}  // namespace fw
