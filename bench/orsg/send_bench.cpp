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
using orsg_bench::Handle;
using orsg_bench::Request;

void BM_BareDriverCalls(benchmark::State& state) {
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
BENCHMARK(BM_BareDriverCalls);

void BM_OrsgSend(benchmark::State& state) {
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
BENCHMARK(BM_OrsgSend);

// Both in the same loop, alternating blocks of jobs, so that a busy machine
// slows both alike; the counters give the median time per job of each and
// their ratio.
void BM_SendVersusBare(benchmark::State& state) {
    constexpr int kBlock = 200;
    const Handle handle;
    const intptr_t h = handle.h;
    if (h == 0) {
        state.SkipWithError("ORSG_Init failed");
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
        const auto t1 = Clock::now();
        for (int i = 0; i < kBlock; ++i) {
            ORSG_Send(h, request.data(), response.data(), &reply, &status);
            benchmark::ClobberMemory();
        }
        const auto t2 = Clock::now();
        bare.push_back(std::chrono::duration<double, std::nano>(t1 - t0).count() / kBlock);
        orsg.push_back(std::chrono::duration<double, std::nano>(t2 - t1).count() / kBlock);
    }
    auto median = [](std::vector<double> v) {
        std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    const double b = median(bare);
    const double o = median(orsg);
    state.counters["bare_ns"] = b;
    state.counters["orsg_ns"] = o;
    state.counters["ratio"] = o / b;
}
BENCHMARK(BM_SendVersusBare);

void BM_OrsgSend1Of128(benchmark::State& state) {
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
BENCHMARK(BM_OrsgSend1Of128);

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
