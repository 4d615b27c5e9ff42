// The System Log's model: the cost of one appended line once the log holds
// 1,000 lines and once it holds 100,000 (one timed batch of 1,000 appends from
// there), and the average cost over filling an empty log to that size.
//
// The heap is kept warm (freed memory stays with the process and was touched
// once before the first measurement): on the machines this runs on, the first
// touch of a page can cost tens of microseconds, and a batch that happens to
// land on fresh pages would measure the machine's page faults rather than the
// log. The cost of appends on fresh memory is the same per byte at any size.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <memory>

#include "LogLines.h"
#include "platform/ui/TMemo.h"

namespace fw::bench {
namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void BM_ModelAppendAt(benchmark::State& state) {
    const long held = state.range(0);
    double total = 0;
    for (auto _ : state) {
        auto memo = std::make_unique<TMemo>("Memo1", nullptr);
        for (long i = 0; i < held; ++i) memo->append(log_line(i));
        const auto start = Clock::now();
        for (long i = held; i < held + kBatchLines; ++i) memo->append(log_line(i));
        const double took = seconds_since(start);
        benchmark::DoNotOptimize(memo->line_count());
        state.SetIterationTime(took);
        total += took;
    }
    state.counters["ns_per_line"] = total * 1e9 / (static_cast<double>(kBatchLines) * state.iterations());
}

void BM_ModelFill(benchmark::State& state) {
    const long lines = state.range(0);
    double total = 0;
    for (auto _ : state) {
        TMemo memo("Memo1", nullptr);
        const auto start = Clock::now();
        for (long i = 0; i < lines; ++i) memo.append(log_line(i));
        const double took = seconds_since(start);
        benchmark::DoNotOptimize(memo.line_count());
        state.SetIterationTime(took);
        total += took;
    }
    state.counters["ns_per_line"] = total * 1e9 / (static_cast<double>(lines) * state.iterations());
}

BENCHMARK(BM_ModelAppendAt)->Arg(kSmallLog)->Arg(kLargeLog)->UseManualTime()->Iterations(30)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ModelFill)->Arg(kSmallLog)->Arg(kLargeLog)->UseManualTime()->Iterations(20)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace fw::bench

int main(int argc, char** argv) {
    // Every block stays on the heap and is reused; nothing is given back.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 1024 * 1024 * 1024);
    {
        fw::TMemo warm("Memo1", nullptr);
        for (long i = 0; i < 2 * fw::bench::kLargeLog; ++i) warm.append(fw::bench::log_line(i));
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
