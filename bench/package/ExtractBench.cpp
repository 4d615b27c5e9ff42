// The extraction of a package at start-up (the main window's creation reads
// the package at the end of its program file and writes every entry into the
// temporary folder) against copying the same program file with cp, both from
// a warm page cache into the same folder. The package holds six upgrade
// entries, 64 MiB in all, built with fwpack's writer.
//
// Reported: MB/s of each and, on the extraction, the ratio of its throughput
// to cp's (counter "vs_cp"), from the median of the runs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/TUpgradeForm1.h"
#include "fwpack/PackageEntry.h"
#include "fwpack/PackageWriter.h"
#include "support/HeadlessApp.h"
#include "support/TempDir.h"

namespace fw::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kPackageBytes = 64u << 20;
constexpr int kEntries = 6;

// The program file and the folder the runs write into, made once.
struct Setup {
    test::TempDir dir;
    std::string exe = dir.path() + "/fwupgrade";
    std::string out = dir.path() + "/temp";
    std::uintmax_t exe_size = 0;

    Setup() {
        std::vector<fwpack::PackageEntry> entries;
        std::mt19937_64 gen(64);
        const std::size_t each = kPackageBytes / kEntries;
        for (int i = 0; i < kEntries; ++i) {
            fwpack::PackageEntry e;
            e.name = "part" + std::to_string(i) + ".bin";
            e.attribute = 0x0801;
            // Data filling the 64 MiB with the headers; random, as firmware is.
            e.data.resize(i + 1 < kEntries ? each - 38 : kPackageBytes - (kEntries - 1) * each - 38 - 14 - 4 * kEntries);
            for (std::size_t k = 0; k + 8 <= e.data.size(); k += 8) {
                const std::uint64_t v = gen();
                std::copy_n(reinterpret_cast<const std::uint8_t*>(&v), 8, e.data.begin() + k);
            }
            entries.push_back(std::move(e));
        }
        const fwpack::PackageBytes package = fwpack::encode_package(entries);
        if (!package.ok()) throw std::runtime_error(package.error);
        std::vector<unsigned char> file(4096, 0x90);  // stands for the program image
        file.insert(file.end(), package.bytes.begin(), package.bytes.end());
        dir.write("fwupgrade", file);
        exe_size = fs::file_size(exe);
        fs::create_directory(out);
    }

    void clean() const {
        for (const auto& e : fs::directory_iterator(out)) fs::remove(e.path());
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double cp_median_seconds = 0;

void BM_CopyWithCp(benchmark::State& state) {
    Setup& s = setup();
    const std::string command = "cp '" + s.exe + "' '" + s.out + "/copy.bin'";
    // Starting a shell and cp costs the same for no bytes at all; it is taken off.
    const std::string empty = s.dir.write("empty", std::string());
    const std::string start_only = "cp '" + empty + "' '" + s.out + "/empty.bin'";
    const auto timed = [](const std::string& c) {
        const auto start = Clock::now();
        const int rc = std::system(c.c_str());
        return rc == 0 ? std::chrono::duration<double>(Clock::now() - start).count() : -1.0;
    };
    std::vector<double> runs;
    for (auto _ : state) {
        s.clean();
        const double startup = timed(start_only);
        const double took = timed(command);
        if (startup < 0 || took < 0) {
            state.SkipWithError("cp failed");
            return;
        }
        state.SetIterationTime(std::max(took - startup, 1e-6));
        runs.push_back(std::max(took - startup, 1e-6));
    }
    s.clean();
    cp_median_seconds = median(runs);
    state.counters["MBps"] = static_cast<double>(s.exe_size) / 1e6 / cp_median_seconds;
}

void BM_ExtractPackage(benchmark::State& state) {
    Setup& s = setup();
    std::vector<double> runs;
    for (auto _ : state) {
        s.clean();
        test::HeadlessApp h(s.exe);
        h.env.set("TEMP", s.out);
        const auto start = Clock::now();
        TUpgradeForm1& w = h.app.CreateForm<TUpgradeForm1>();
        const double took = std::chrono::duration<double>(Clock::now() - start).count();
        if (w.file_list.count != kEntries) {
            state.SkipWithError("the package was not extracted");
            return;
        }
        state.SetIterationTime(took);
        runs.push_back(took);
    }
    s.clean();
    const double seconds = median(runs);
    state.counters["MBps"] = static_cast<double>(kPackageBytes) / 1e6 / seconds;
    // Throughput over the same package bytes; cp also copies the 4 KiB image in front.
    if (cp_median_seconds > 0)
        state.counters["vs_cp"] = (static_cast<double>(kPackageBytes) / seconds) /
                                  (static_cast<double>(s.exe_size) / cp_median_seconds);
}

BENCHMARK(BM_CopyWithCp)->UseManualTime()->Iterations(9)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractPackage)->UseManualTime()->Iterations(9)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace fw::bench

BENCHMARK_MAIN();
