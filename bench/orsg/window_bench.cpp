// The diagnostic window's cost: one refresh (VypisOkna) with both histories
// full, and ORSG_Send against the instant card while the window is open and
// its timer ticks, beside the bare driver calls in the same run.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdio>

#include <stdlib.h>

#include "diagnostic_form.h"
#include "send_job.h"

namespace {

using orsg_bench::CompareSendWithBare;
using orsg_bench::Handle;

constexpr int32_t kShowWindow = ORSG_INIT_SHOW_WINDOW;

orsg::LibraryState& StateOf(const Handle& handle) { return *reinterpret_cast<orsg::LibraryState*>(handle.h); }

orsg::TForm1* FormOf(const Handle& handle) {
    auto* window = dynamic_cast<orsg::QtDiagnosticWindow*>(StateOf(handle).window.get());
    return window != nullptr ? window->Form() : nullptr;
}

// 200 records in each history, every one different.
void FillHistories(orsg::LibraryState& state) {
    for (int i = 0; i < 2 * orsg::kHistorySize; ++i) {
        orsg::CommRecord& r = state.recent.Next();
        r = orsg::CommRecord{};
        r.index = 100000 + i;
        state.stamper.Stamp(r.date, r.time);
        r.status = i % 2 == 0 ? 0 : 4;
        r.mark = 123456u + static_cast<uint32_t>(i);
        r.duration = 2517u + static_cast<uint32_t>(i);
        r.repeats = i % 3;
        for (int k = 0; k < 16; ++k) {
            r.sent[static_cast<std::size_t>(k)] = (i + k) & 0xFF;
            r.received[static_cast<std::size_t>(k)] = (i * 7 + k) & 0xFF;
        }
        orsg::EnterRecord(state);
    }
}

void BmVypisOkna(benchmark::State& state) {
    const Handle handle(kShowWindow);
    orsg::TForm1* form = handle.h != 0 ? FormOf(handle) : nullptr;
    if (form == nullptr) {
        state.SkipWithError("no window");
        return;
    }
    FillHistories(StateOf(handle));
    const bool repaint = state.range(0) != 0;
    for (auto _ : state) {
        form->VypisOkna();
        if (repaint) form->repaint();
    }
}
// 0: the refresh of the grids' texts; 1: the same and the window painted.
BENCHMARK(BmVypisOkna)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// ORSG_Init and ORSG_Done in a widget application: the window is made
// (hidden, 0; shown, 1) and destroyed with every handle.
void BmInitAndDone(benchmark::State& state) {
    const int32_t bits = state.range(0) != 0 ? kShowWindow : 0;
    for (auto _ : state) {
        const Handle handle(bits);
        if (handle.h == 0) {
            state.SkipWithError("ORSG_Init failed");
            break;
        }
    }
}
BENCHMARK(BmInitAndDone)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Blocks of bare driver calls and of ORSG_Send alternate; after every block
// the host's event loop runs, so the window's timer ticks (once a second) in
// the measured time of whichever block it follows.  Medians show the usual
// block, means include the ticks.
void BmSendVersusBareWindowOpen(benchmark::State& state) {
    const Handle handle(kShowWindow);
    if (handle.h == 0 || FormOf(handle) == nullptr) {
        state.SkipWithError("no window");
        return;
    }
    CompareSendWithBare(state, handle, [] { QCoreApplication::processEvents(); });
    state.counters["calls_per_s"] = StateOf(handle).stats.callsPerSecond;
}
// Long enough for several ticks of the timer.
BENCHMARK(BmSendVersusBareWindowOpen)->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
