#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "discovery/BusyWait.h"
#include "discovery/DeviceTable.h"
#include "discovery/Probes.h"
#include "support/HeadlessApp.h"

namespace fw {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

TEST(ReplyText, StopsAtTheFirstZeroByte) {
    const Bytes b = {'a', 'b', 0, 'c', 'd', 0};
    EXPECT_EQ(reply_text(b.data(), b.size(), 0), "ab");
    EXPECT_EQ(reply_text(b.data(), b.size(), 3), "cd");
    EXPECT_EQ(reply_text(b.data(), b.size(), 2), "");
}

TEST(ReplyText, NeverReadsBeyondTheBytesReceived) {
    // The buffer holds more than was received; the rest is not this reply's.
    const Bytes b = bytes("abcdefgh");
    EXPECT_EQ(reply_text(b.data(), 5, 2), "cde");
    EXPECT_EQ(reply_text(b.data(), 5, 5), "");
    EXPECT_EQ(reply_text(b.data(), 5, 44), "");
    EXPECT_EQ(reply_text(b.data(), 0, 0), "");
}

TEST(RecoveryMarker, MustMatchExactlyWithinTheBytesReceived) {
    Bytes good = {0, 3, 0, 1};
    const Bytes text = bytes("$Plumet Boot");
    good.insert(good.end(), text.begin(), text.end());
    EXPECT_TRUE(has_recovery_marker(good.data(), good.size()));
    EXPECT_TRUE(has_recovery_marker(good.data(), 11));
    EXPECT_FALSE(has_recovery_marker(good.data(), 10));
    for (std::size_t i = 4; i < 11; ++i) {
        Bytes bad = good;
        bad[i] ^= 0x20;  // the letter case of a letter, or another byte
        EXPECT_FALSE(has_recovery_marker(bad.data(), bad.size())) << "byte " << i;
    }
}

TEST(Queries, AreTheBytesOnTheWire) {
    EXPECT_EQ(Bytes(std::begin(QD_QUERY), std::end(QD_QUERY)), (Bytes{'Q', 'D', 0, 0}));
    EXPECT_EQ(Bytes(std::begin(QQ_QUERY), std::end(QQ_QUERY)), (Bytes{'Q', 'Q', 0}));
    EXPECT_EQ(Bytes(std::begin(VN_REQUEST), std::end(VN_REQUEST)),
              (Bytes{0, 1, 'V', 'N', 0, 'o', 'c', 't', 'e', 't', 0}));
}

struct CountCase {
    int count;
    const char* text;
};

class DeviceCountText : public ::testing::TestWithParam<CountCase> {};

TEST_P(DeviceCountText, NamesTheCount) { EXPECT_EQ(device_count_text(GetParam().count), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(Counts, DeviceCountText,
                         ::testing::Values(CountCase{0, "0 device found"}, CountCase{1, "1 device found"},
                                           CountCase{2, "2 devices found"}, CountCase{64, "64 devices found"}),
                         [](const auto& info) { return "Count" + std::to_string(info.param.count); });

TEST(DuplicateState, MapsEachCodeToItsDuplicate) {
    EXPECT_EQ(duplicate_state(0), -1);
    EXPECT_EQ(duplicate_state(1), -2);
    EXPECT_EQ(duplicate_state(2), -3);
    EXPECT_EQ(duplicate_state(3), -4);
    EXPECT_EQ(duplicate_state(4), -5);
    EXPECT_EQ(duplicate_state(-2), -2);
}

TEST(DeviceTableRoutines, ReserveStopsAtTheCapacity) {
    router_list t;
    for (int i = 0; i < router_list::kCapacity; ++i) ASSERT_EQ(reserve_record(t), i);
    EXPECT_TRUE(table_full(t));
    EXPECT_EQ(reserve_record(t), -1);
    EXPECT_EQ(t.count, router_list::kCapacity);
}

TEST(DeviceTableRoutines, EmptyingClearsEveryRecordInUse) {
    router_list t;
    t.count = 2;
    t.info[0] = {-2, "10.0.0.1", "M", "D"};
    t.info[1] = {3, "10.0.0.2", "$Plumet", ""};
    EXPECT_TRUE(table_has_address(t, "10.0.0.2"));
    empty_table(t);
    EXPECT_EQ(t.count, 0);
    EXPECT_EQ(t.info[0].status, 0);
    EXPECT_EQ(t.info[0].address, "");
    EXPECT_EQ(t.info[0].module, "");
    EXPECT_EQ(t.info[0].detail, "");
    EXPECT_EQ(t.info[1].address, "");
    EXPECT_FALSE(table_has_address(t, "10.0.0.2"));
}

TEST(BusyWait, WaitsUntilMoreThanTheTimeHasPassed) {
    test::HeadlessApp h;
    const std::uint32_t start = h.clock.now_ms();
    busy_wait(h.app, 300, Pump::Off);
    EXPECT_EQ(h.clock.now_ms() - start, 301u);
}

TEST(BusyWait, SurvivesTheWrapOfTheClock) {
    test::HeadlessApp h;
    h.clock.advance(0xFFFFFFFFull - 100 - h.clock.elapsed_ms());
    const std::uint32_t start = h.clock.now_ms();
    busy_wait(h.app, 300, Pump::Off);
    EXPECT_EQ(static_cast<std::uint32_t>(h.clock.now_ms() - start), 301u);
}

TEST(BusyWait, DispatchesOnlyWhenPumping) {
    test::HeadlessApp h;
    int ran = 0;
    h.loop.post([&] { ++ran; });
    busy_wait(h.app, 10, Pump::Off);
    EXPECT_EQ(ran, 0);
    busy_wait(h.app, 10, Pump::On);
    EXPECT_EQ(ran, 1);
}

}  // namespace
}  // namespace fw
