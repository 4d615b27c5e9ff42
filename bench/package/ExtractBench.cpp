// The extraction of a package at start-up (the main window's creation reads
// the package at the end of its program file and writes every entry into the
// temporary folder) against copying the same program file with cp, both from
// a warm page cache into the same folder. The package holds six upgrade
// entries, 64 MiB in all, built with fwpack's writer.
//
// Each extraction runs in a process of its own, as it does at program start,
// so its buffer is fresh memory as it would be there; the time is taken
// around the window's creation inside that process. cp is timed from outside,
// less the time of a cp of an empty file (starting the process). Both are
// started with posix_spawn: a fork of this process would make its pages
// copy-on-write and slow down whatever it touches next. cp and the
// extraction run in turns, so a busy moment of the machine hits both alike.
//
// Reported: MB/s of each and the ratio of the extraction's throughput to
// cp's (counter "vs_cp"), from the medians of the runs, and the same ratio
// over CPU time ("cpu_vs_cp"). cp also copies the 4 KiB that stand for the
// program image; they are counted for it.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/TUpgradeForm1.h"
#include "fwpack/PackageEntry.h"
#include "fwpack/PackageWriter.h"
#include "support/HeadlessApp.h"
#include "support/TempDir.h"

extern char** environ;

namespace fw::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kPackageBytes = 64u << 20;
constexpr int kEntries = 6;
constexpr std::size_t kImageBytes = 4096;

std::string self_path;

// The program file and the folder the runs write into, made once.
struct Setup {
    test::TempDir dir;
    std::string exe = dir.path() + "/fwupgrade";
    std::string out = dir.path() + "/temp";
    std::string empty = dir.write("empty", std::string());
    std::uintmax_t exe_size = 0;

    Setup() {
        std::vector<fwpack::PackageEntry> entries;
        std::mt19937_64 gen(64);
        const std::size_t each = kPackageBytes / kEntries;
        // Entry lengths that fill the 64 MiB exactly, with the table and trailer.
        const std::size_t last = kPackageBytes - (kEntries - 1) * each - 14 - 4 * kEntries;
        for (int i = 0; i < kEntries; ++i) {
            fwpack::PackageEntry e;
            e.name = "part" + std::to_string(i) + ".bin";
            e.attribute = 0x0801;
            e.data.resize((i + 1 < kEntries ? each : last) - 38);
            // Random, as firmware is.
            for (std::size_t k = 0; k + 8 <= e.data.size(); k += 8) {
                const std::uint64_t v = gen();
                std::memcpy(e.data.data() + k, &v, 8);
            }
            entries.push_back(std::move(e));
        }
        const fwpack::PackageBytes package = fwpack::encode_package(entries);
        if (!package.ok()) throw std::runtime_error(package.error);
        if (package.bytes.size() != kPackageBytes) throw std::runtime_error("package is not 64 MiB");
        std::vector<unsigned char> file(kImageBytes + package.bytes.size(), 0x90);
        std::memcpy(file.data() + kImageBytes, package.bytes.data(), package.bytes.size());
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

double cpu_seconds(const rusage& u) {
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs a program and returns its standard output, or "failed"; its CPU time
// (user and system) goes to cpu when given.
std::string spawn(const std::vector<std::string>& args, double* cpu = nullptr) {
    int pipe_fds[2];
    if (::pipe(pipe_fds) != 0) return "failed";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe_fds[1]);
    std::string output;
    char chunk[256];
    for (ssize_t n; rc == 0 && (n = ::read(pipe_fds[0], chunk, sizeof chunk)) > 0;) output.append(chunk, std::size_t(n));
    ::close(pipe_fds[0]);
    int status = 0;
    rusage usage{};
    if (rc != 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "failed";
    if (cpu) *cpu = cpu_seconds(usage);
    return output;
}

// Wall seconds of a run of the program, or -1; its CPU seconds go to cpu.
double timed_spawn(const std::vector<std::string>& args, double& cpu) {
    const auto start = Clock::now();
    const bool ok = spawn(args, &cpu) != "failed";
    return ok ? std::chrono::duration<double>(Clock::now() - start).count() : -1.0;
}

void BM_ExtractVsCp(benchmark::State& state) {
    Setup& s = setup();
    std::vector<double> cp_runs, extract_runs, cp_cpu_runs, extract_cpu_runs, window_runs;
    int turn = 0;
    for (auto _ : state) {
        double cp = -1, extract = -1, cp_cpu = 0, extract_cpu = 0;
        for (int k = 0; k < 2; ++k) {
            s.clean();
            if ((turn + k) % 2 == 0) {
                double startup_cpu = 0, took_cpu = 0;
                const double startup = timed_spawn({"cp", s.empty, s.out + "/empty.bin"}, startup_cpu);
                const double took = timed_spawn({"cp", s.exe, s.out + "/copy.bin"}, took_cpu);
                if (startup >= 0 && took >= 0) cp = std::max(took - startup, 1e-6);
                cp_cpu = std::max(took_cpu - startup_cpu, 1e-6);
            } else {
                const std::string out = spawn({self_path, "--extract-once", s.exe, s.out});
                if (out != "failed" && std::sscanf(out.c_str(), "%lf %lf", &extract, &extract_cpu) != 2) extract = -1;
            }
        }
        double window = 0, window_cpu = 0;
        const std::string bare = spawn({self_path, "--extract-once", "-", s.out});
        if (bare != "failed" && std::sscanf(bare.c_str(), "%lf %lf", &window, &window_cpu) == 2)
            window_runs.push_back(window);
        ++turn;
        if (cp <= 0 || extract <= 0) {
            state.SkipWithError("cp or the extraction failed");
            return;
        }
        state.SetIterationTime(extract);
        cp_runs.push_back(cp);
        extract_runs.push_back(extract);
        cp_cpu_runs.push_back(cp_cpu);
        extract_cpu_runs.push_back(std::max(extract_cpu, 1e-6));
    }
    s.clean();
    const double cp_rate = static_cast<double>(s.exe_size) / median(cp_runs);
    const double extract_rate = static_cast<double>(kPackageBytes) / median(extract_runs);
    state.counters["cp_MBps"] = cp_rate / 1e6;
    state.counters["extract_MBps"] = extract_rate / 1e6;
    state.counters["cp_ms"] = median(cp_runs) * 1e3;
    state.counters["extract_ms"] = median(extract_runs) * 1e3;
    state.counters["vs_cp"] = extract_rate / cp_rate;
    // The window's own creation, without a package: part of extract_ms.
    if (!window_runs.empty()) state.counters["window_ms"] = median(window_runs) * 1e3;
    // The same over CPU time (user and system), which a busy machine disturbs less.
    state.counters["cpu_vs_cp"] = (static_cast<double>(kPackageBytes) / median(extract_cpu_runs)) /
                                  (static_cast<double>(s.exe_size) / median(cp_cpu_runs));
}

BENCHMARK(BM_ExtractVsCp)->UseManualTime()->Iterations(21)->Unit(benchmark::kMillisecond);

// The child's part: one start-up extraction; prints its wall and CPU seconds.
// With exe "-" the window is created on a program file without a package,
// which shows what the window's creation costs by itself.
int extract_once(const std::string& exe, const std::string& out) {
    test::HeadlessApp h(exe == "-" ? "/nonexistent/fwupgrade" : exe);
    h.env.set("TEMP", out);
    rusage before{}, after{};
    ::getrusage(RUSAGE_SELF, &before);
    const auto start = Clock::now();
    TUpgradeForm1& w = h.app.CreateForm<TUpgradeForm1>();
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    ::getrusage(RUSAGE_SELF, &after);
    if (w.file_list.count != (exe == "-" ? 0 : kEntries)) return 1;
    std::printf("%.9f %.9f\n", took, cpu_seconds(after) - cpu_seconds(before));
    return 0;
}

}  // namespace
}  // namespace fw::bench

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--extract-once") return fw::bench::extract_once(argv[2], argv[3]);
    fw::bench::self_path = std::filesystem::canonical("/proc/self/exe").string();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
