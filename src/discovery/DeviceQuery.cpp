// The directed query of one address and the duplicate marking of the device table.
#include <algorithm>
#include <cstdint>

#include "app/TUpgradeForm1.h"
#include "discovery/DeviceTable.h"
#include "discovery/Probes.h"
#include "discovery/SocketCloser.h"
#include "platform/runtime/Application.h"

namespace fw {

int TUpgradeForm1::query_device(int kind, const std::string& port, const std::string& address) {
    if (kind != PROBE_QQ && kind != PROBE_VN) return 0;
    const bool qq = kind == PROBE_QQ;

    WSocket1->set_addr(address);
    WSocket1->set_proto("udp");
    WSocket1->set_port(port);
    SocketCloser closer(*WSocket1);
    WSocket1->Connect();
    int replies = 0;
    if (qq)
        WSocket1->Send(QQ_QUERY, sizeof QQ_QUERY);
    else
        WSocket1->Send(VN_REQUEST, sizeof VN_REQUEST);

    // A plain sleep: nothing is dispatched while the answers come in.
    application().loop().clock().sleep_ms(150);

    std::uint8_t buffer[VN_REPLY_SIZE];
    const std::size_t size = qq ? QQ_REPLY_SIZE : VN_REPLY_SIZE;
    for (;;) {
        SocketAddress from;
        const int n = WSocket1->ReceiveFrom(buffer, size, from);
        if (n <= 0) break;
        const std::size_t received = std::min(static_cast<std::size_t>(n), size);
        // Whoever sent it: the text of the last datagram read is kept.
        if (!qq) last_recovery_text = reply_text(buffer, received, VN_TEXT_OFFSET);
        if (from.address == address) ++replies;
    }
    return replies;
}

bool TUpgradeForm1::mark_duplicate(const std::string& address) {
    // The record being made was reserved at count - 1; only those before it count.
    const int made_before = std::min<int>(routers.count - 1, router_list::kCapacity);
    for (int i = 0; i < made_before; ++i) {
        router_info& r = routers.info[i];
        if (r.address != address) continue;
        r.status = duplicate_state(r.status);
        return true;
    }
    return false;
}

}  // namespace fw
