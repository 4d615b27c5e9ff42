// A whole device search on the in-memory network, where the devices answer
// the probes with fuzzed datagrams (any number, length and content, from the
// default addresses or any other), then a manual entry of one address.
//
// Input: a sequence of answers, each
//   u8   device: 0-5 a known address (two ordinary ones, the four default
//        addresses), else the next 4 bytes are the address
//   u8   flags: bit 0 the device ignores ping; bits 1-2 the query answered
//        (0 "QD", 1 "QQ", 2 or 3 the "VN" read request); bit 3 type this
//        address by hand after the search
//   u8   copies of the datagram, 1 + value % 80 (enough to fill the table)
//   u16  length (little-endian), at most 600, then that many bytes
#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <string>

#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "FuzzReplyDevice.h"
#include "discovery/Probes.h"
#include "discovery/SearchBench.h"

namespace {

constexpr const char* KNOWN_ADDRESSES[] = {"192.168.0.10", "192.168.0.20", "192.168.123.254",
                                           "192.168.2.1",  "192.168.0.1",  "192.168.1.254"};

struct DeviceScript {
    std::array<fuzz::FuzzAnswer, fuzz::FuzzReplyDevice::QueryCount> answers{};
    bool ping = true;
};

std::string read_address(fuzz::FuzzInput& in) {
    const std::uint8_t pick = in.u8();
    if (pick < std::size(KNOWN_ADDRESSES)) return KNOWN_ADDRESSES[pick];
    std::string address;
    for (int i = 0; i < 4; ++i) address += (i ? "." : "") + std::to_string(in.u8());
    return address;
}

void check_table(const fw::TUpgradeForm1& w) {
    FUZZ_CHECK(w.routers.count >= 0 && w.routers.count <= fw::router_list::kCapacity);
    // Every record made adds exactly one item to the device list.
    FUZZ_CHECK(w.IPComBox.items().size() == static_cast<std::size_t>(w.routers.count));
    for (int i = 0; i < w.routers.count; ++i) {
        const fw::router_info& r = w.routers.info[i];
        FUZZ_CHECK(r.status >= -5 && r.status <= 4);
        FUZZ_CHECK(!r.address.empty());
        // Texts come from one read buffer and stop at a zero byte.
        FUZZ_CHECK(r.module.size() <= fw::VN_REPLY_SIZE - fw::VN_TEXT_OFFSET);
        FUZZ_CHECK(r.detail.size() <= fw::QD_REPLY_SIZE - fw::QD_DETAIL_OFFSET);
        FUZZ_CHECK(r.module.find('\0') == std::string::npos);
        FUZZ_CHECK(r.detail.find('\0') == std::string::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput in(data, size);
    std::map<std::string, DeviceScript> devices;
    std::string typed;
    for (int answers = 0; !in.empty() && answers < 16; ++answers) {
        const std::string address = read_address(in);
        const std::uint8_t flags = in.u8();
        const int copies = 1 + in.u8() % 80;
        const std::size_t length = std::min<std::size_t>(in.u16(), 600);
        const routersim::Bytes bytes = in.bytes(length);

        DeviceScript& device = devices[address];
        if (flags & 1) device.ping = false;
        const int query = std::min((flags >> 1) & 3, 2);
        fuzz::FuzzAnswer& answer = device.answers[query];
        // A recovery loader answers from a port of its own.
        answer.from_port = query == fuzz::FuzzReplyDevice::VN ? 1024 + copies : 9;
        for (int c = 0; c < copies; ++c) answer.datagrams.push_back(bytes);
        if (flags & 8) typed = address;
    }

    fw::test::SearchBench b;
    for (auto& [address, script] : devices)
        b.net.add_device(address, std::make_unique<fuzz::FuzzReplyDevice>(std::move(script.answers), script.ping));

    try {
        b.w.IPReFreshClick();
    } catch (const std::exception&) {
        // Socket failures reach the caller by design; the fuzzer looks for worse.
    }
    check_table(b.w);

    if (!typed.empty()) {
        b.w.IPComBox.set_text(typed);
        try {
            b.w.IPComBox.key_press(13);
        } catch (const std::exception&) {
        }
        check_table(b.w);
    }
    return 0;
}
