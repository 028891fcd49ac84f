// The diagnostic window's cost: one refresh (VypisOkna) with both histories
// full, and ORSG_Send against the instant card while the window is open and
// its timer ticks, beside the bare driver calls in the same run.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <numeric>
#include <vector>

#include <stdlib.h>

#include "diagnostic_form.h"
#include "send_job.h"

namespace {

using orsg_bench::BareJob;
using orsg_bench::Handle;
using orsg_bench::Request;

constexpr int32_t kShowWindow = 0x100;

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

void BM_VypisOkna(benchmark::State& state) {
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
BENCHMARK(BM_VypisOkna)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// ORSG_Init and ORSG_Done in a widget application: the window is made
// (hidden, 0; shown, 1) and destroyed with every handle.
void BM_InitAndDone(benchmark::State& state) {
    const int32_t bits = state.range(0) != 0 ? kShowWindow : 0;
    for (auto _ : state) {
        const Handle handle(bits);
        if (handle.h == 0) {
            state.SkipWithError("ORSG_Init failed");
            break;
        }
    }
}
BENCHMARK(BM_InitAndDone)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Blocks of bare driver calls and of ORSG_Send alternate; after every block
// the host's event loop runs, so the window's timer ticks (once a second) in
// the measured time of whichever block it follows.  Medians show the usual
// block, means include the ticks.
void BM_SendVersusBareWindowOpen(benchmark::State& state) {
    constexpr int kBlock = 200;
    const Handle handle(kShowWindow);
    if (handle.h == 0 || FormOf(handle) == nullptr) {
        state.SkipWithError("no window");
        return;
    }
    const uintptr_t bar = handle.Bar1();
    const auto request = Request();
    std::array<int32_t, 1024> response{};
    int32_t reply = 0;
    int32_t status = 0;
    std::vector<double> bare;
    std::vector<double> orsg;
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        for (int i = 0; i < kBlock; ++i) {
            BareJob(bar, request.data(), response.data(), &reply, &status);
            benchmark::ClobberMemory();
        }
        QCoreApplication::processEvents();
        const auto t1 = Clock::now();
        for (int i = 0; i < kBlock; ++i) {
            ORSG_Send(handle.h, request.data(), response.data(), &reply, &status);
            benchmark::ClobberMemory();
        }
        QCoreApplication::processEvents();
        const auto t2 = Clock::now();
        bare.push_back(std::chrono::duration<double, std::nano>(t1 - t0).count() / kBlock);
        orsg.push_back(std::chrono::duration<double, std::nano>(t2 - t1).count() / kBlock);
    }
    auto median = [](std::vector<double> v) {
        std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    auto mean = [](const std::vector<double>& v) { return std::accumulate(v.begin(), v.end(), 0.0) / v.size(); };
    state.counters["bare_ns"] = median(bare);
    state.counters["orsg_ns"] = median(orsg);
    state.counters["ratio"] = median(orsg) / median(bare);
    state.counters["ratio_mean"] = mean(orsg) / mean(bare);
    state.counters["calls_per_s"] = StateOf(handle).stats.callsPerSecond;
}
// Long enough for several ticks of the timer.
BENCHMARK(BM_SendVersusBareWindowOpen)->MinTime(3.0);

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
