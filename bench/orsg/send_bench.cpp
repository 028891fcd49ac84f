// Host-side cost of one ORSG_Send against a card that answers at once,
// beside the bare sequence of driver calls of the same job.  Built twice:
// bench_orsg_send with a driver that does next to nothing (ORSG's own cost
// stands out most), bench_orsg_send_emulated with the emulated card in
// instant mode.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <vector>

#include <stdlib.h>

#include "send_job.h"

namespace {

using orsg_bench::BareJob;
using orsg_bench::CompareSendWithBare;
using orsg_bench::Handle;
using orsg_bench::Request;

void BmBareDriverCalls(benchmark::State& state) {
    const Handle handle;  // opens the card and starts the channel up
    if (handle.h == 0) {
        state.SkipWithError("ORSG_Init failed");
        return;
    }
    const uintptr_t bar = handle.Bar1();
    const auto request = Request();
    std::array<int32_t, 1024> response{};
    int32_t reply = 0;
    int32_t status = 0;
    for (auto _ : state) {
        BareJob(bar, request.data(), response.data(), &reply, &status);
        benchmark::DoNotOptimize(response.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BmBareDriverCalls);

void BmOrsgSend(benchmark::State& state) {
    const Handle handle;
    const intptr_t h = handle.h;
    if (h == 0) {
        state.SkipWithError("ORSG_Init failed");
        return;
    }
    const auto request = Request();
    std::array<int32_t, 1024> response{};
    int32_t reply = 0;
    int32_t status = 0;
    for (auto _ : state) {
        if (ORSG_Send(h, request.data(), response.data(), &reply, &status) != ORSG_OK) {
            state.SkipWithError("ORSG_Send failed");
            break;
        }
        benchmark::DoNotOptimize(response.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BmOrsgSend);

// ORSG's host cost against the bare driver calls of the same job.
void BmSendVersusBare(benchmark::State& state) {
    const Handle handle;
    if (handle.h == 0) {
        state.SkipWithError("ORSG_Init failed");
        return;
    }
    CompareSendWithBare(state, handle, [] {});
}
BENCHMARK(BmSendVersusBare);

void BmOrsgSend1Of128(benchmark::State& state) {
    const Handle handle;
    const intptr_t h = handle.h;
    if (h == 0) {
        state.SkipWithError("ORSG_Init failed");
        return;
    }
    std::array<int32_t, 1024> list{};
    for (int m = 0; m < 128; ++m) {
        list[static_cast<std::size_t>(m * 8)] = 1;
        list[static_cast<std::size_t>(m * 8 + 1)] = 0x66;
    }
    std::array<int32_t, 1024> results{};
    for (auto _ : state) {
        if (ORSG_Send1(h, list.data(), results.data(), 128) != ORSG_OK) {
            state.SkipWithError("ORSG_Send1 failed");
            break;
        }
        benchmark::DoNotOptimize(results.data());
    }
    state.SetItemsProcessed(state.iterations() * 128);
}
BENCHMARK(BmOrsgSend1Of128);

}  // namespace

int main(int argc, char** argv) {
    // The emulated card: no line timing, no state file.
    setenv("RQ36_SIM_INSTANT", "1", 1);
    setenv("RQ36_SIM_STATE", ":memory:bench", 1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
