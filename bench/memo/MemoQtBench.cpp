// The System Log through the Qt binding: the memo model bound to its
// QPlainTextEdit, in a shown window on Qt's offscreen platform. Measures the
// cost of one appended line once the log holds 1,000 and 100,000 lines (one
// timed batch of 1,000 appends from there), painting included. The time is
// the thread's CPU time: everything here runs on this one thread, and a busy
// machine that takes the processor away now and then disturbs it less. The
// wall time goes into the counter wall_ns_per_line. Both are medians.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QByteArray>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "LogLines.h"
#include "platform/qt/QtBinding.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/Environment.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ScriptedDialogs.h"
#include "platform/ui/TForm.h"
#include "support/NullNetwork.h"

namespace fw::bench {
namespace {

using Clock = std::chrono::steady_clock;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double thread_cpu_seconds() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// A window holding the System Log group as the main window lays it out.
class LogForm : public TForm {
public:
    explicit LogForm(Application& app) : TForm(app, "LogForm") {
        set_caption("System Log");
        set_client_size(345, 137);
        GSystemLog.set_bounds(0, 0, 345, 137);
        Memo1.set_bounds(2, 15, 341, 120);
    }

    TGroupBox GSystemLog{"GSystemLog", this, "System Log"};
    TMemo Memo1{"Memo1", &GSystemLog};
};

// The Qt side of one window: built once per measurement, so every batch
// starts from a fresh document.
struct QtWindow {
    QtWindow() {
        app.set_binding(&binding);
        form.Show();
        QApplication::processEvents();
    }

    QtEventLoop loop;
    ScriptedDialogs dialogs;
    test::NullNetwork net;
    MapEnvironment env;
    QtBinding binding{loop};
    Application app{Services{loop, dialogs, net, env, "/nonexistent/fwupgrade"}};
    LogForm& form = app.CreateForm<LogForm>();
};

void BM_QtAppendAt(benchmark::State& state) {
    const long held = state.range(0);
    std::vector<double> cpu_runs, wall_runs;
    for (auto _ : state) {
        QtWindow window;
        TMemo& memo = window.form.Memo1;
        // The log grows line by line, as in a run, with the loop turning now and then.
        for (long i = 0; i < held; ++i) {
            memo.append(log_line(i));
            if (i % 1000 == 999) QApplication::processEvents();
        }
        QApplication::processEvents();
        const auto start = Clock::now();
        const double cpu_start = thread_cpu_seconds();
        for (long i = held; i < held + kBatchLines; ++i) memo.append(log_line(i));
        QApplication::processEvents();
        const double took = thread_cpu_seconds() - cpu_start;
        wall_runs.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        state.SetIterationTime(took);
        cpu_runs.push_back(took);
    }
    // Medians: a busy machine slows single batches down now and then.
    state.counters["ns_per_line"] = median(cpu_runs) * 1e9 / static_cast<double>(kBatchLines);
    state.counters["wall_ns_per_line"] = median(wall_runs) * 1e9 / static_cast<double>(kBatchLines);
}

BENCHMARK(BM_QtAppendAt)->Arg(kSmallLog)->Arg(kLargeLog)->UseManualTime()->Iterations(7)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace fw::bench

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qt(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
