// A device search over real sockets in a lab network, timed from the refresh
// to the filled device list, against the floor that the search's own waits
// make: the search dialog's 20 ms start, the two 300 ms waits of the broadcast
// probes, the 150 ms ping time-out of every broadcast answer that is not
// pinged back, and the directed probes of the four default addresses (a
// 150 ms sleep for "QQ", and another 150 ms for "VN" where "QQ" was not
// answered exactly once). Answered pings are counted as free.
//
// Runs only inside the lab's PC namespace (the lab fixture forks into it);
// needs root and ip netns, and skips itself without them.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "app/TUpgradeForm1.h"
#include "discovery/TRefreshForm.h"
#include "e2e/lab/LabNetwork.h"
#include "platform/net/posix/PosixNetworkFactory.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/Environment.h"
#include "platform/runtime/PollEventLoop.h"
#include "platform/ui/ScriptedDialogs.h"
#include "support/NullNetwork.h"

namespace fw::bench {
namespace {

using lab::LabConfig;
using lab::LabNetwork;
using lab::PingReply;

const std::string kLoader = "text=$Plumet Boot Loader V1.0";

// Two normal routers (one at the default address 192.168.0.1, one that
// ignores ping), and a recovery loader.
LabConfig lab_config() {
    LabConfig config;
    config.routers = {
        {"normal", "192.168.0.10/24", {"--normal", "module=WX2000"}},
        {"loader", "192.168.0.20/24", {"--loader", kLoader}},
        {"quiet", "192.168.0.30/24", {"--normal", "module=QX1"}, PingReply::Ignored},
        {"dflt", "192.168.0.1/24", {"--normal", "module=WX3000"}},
    };
    return config;
}

// The floor of a search in that lab, in milliseconds.
constexpr double kDialogStartMs = 20;
constexpr double kBroadcastWaitsMs = 2 * 300;
constexpr double kUnansweredPingsMs = 1 * 150;  // "quiet"
// 192.168.123.254, 192.168.2.1 and 192.168.1.254 answer neither query;
// 192.168.0.1 answers "QQ" once.
constexpr double kDefaultAddressesMs = 3 * (150 + 150) + 1 * 150;
constexpr double kFloorMs = kDialogStartMs + kBroadcastWaitsMs + kUnansweredPingsMs + kDefaultAddressesMs;
constexpr int kExpectedDevices = 4;

// One refresh as the program runs it, on the real clock and the POSIX
// network; returns "<milliseconds> <devices found>".
std::string timed_search() {
    PollEventLoop loop;
    ScriptedDialogs dialogs{&loop};
    MapEnvironment env;
    PosixNetworkFactory net{loop, [] { return test::NullNetwork().make_ftp_client(); }};
    Application app{Services{loop, dialogs, net, env, "/nonexistent/fwupgrade"}};
    auto& w = app.CreateForm<TUpgradeForm1>();
    auto& refresh = app.CreateForm<TRefreshForm>(w);
    w.set_refresh_form(&refresh);
    const auto start = std::chrono::steady_clock::now();
    w.IPReFreshClick();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return std::to_string(ms) + " " + std::to_string(w.routers.count);
}

void BM_LabSearch(benchmark::State& state) {
    if (const std::string why = LabNetwork::unavailable_reason(); !why.empty()) {
        state.SkipWithError(("no lab: " + why).c_str());
        return;
    }
    std::optional<LabNetwork> lab;
    try {
        lab.emplace(lab_config());
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    // A first search fills the neighbour tables, as a program's first refresh would.
    lab->run_in_pc(timed_search);
    double total_ms = 0;
    for (auto _ : state) {
        const std::string result = lab->run_in_pc(timed_search);
        std::size_t used = 0;
        double ms = 0;
        int found = 0;
        try {
            ms = std::stod(result, &used);
            found = std::stoi(result.substr(used));
        } catch (const std::exception&) {
            state.SkipWithError(("search failed: " + result).c_str());
            return;
        }
        if (found != kExpectedDevices) {
            state.SkipWithError(("search found " + std::to_string(found) + " devices, not 4").c_str());
            return;
        }
        state.SetIterationTime(ms / 1000);
        total_ms += ms;
    }
    const double mean_ms = total_ms / static_cast<double>(state.iterations());
    state.counters["search_ms"] = mean_ms;
    state.counters["floor_ms"] = kFloorMs;
    state.counters["ratio"] = mean_ms / kFloorMs;
}

BENCHMARK(BM_LabSearch)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace fw::bench

BENCHMARK_MAIN();
