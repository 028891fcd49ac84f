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

#include "library_state.h"
#include "orsg.h"
#include "varnel_ox952.h"

namespace {

// The driver calls of one single-message job on channel 0, nothing else.
void BareJob(uintptr_t bar, const int32_t* request, int32_t* response, int32_t* replyByte, int32_t* status) {
    OX952_MemWrite(bar, 0x04, 0);
    OX952_MemWrite(bar, 0x08, 0);
    OX952_MemWrite(bar, 0x1C, 3);
    for (int i = 0; i < 8; ++i) OX952_MemWrite(bar, 0x00, request[i] & 0xFF);
    OX952_MemWrite(bar, 0x04, 0xF6);
    OX952_MemWrite(bar, 0x08, 0x03);
    const int32_t block[8] = {0, 0, 4, 0, 2, 0, 0xC8, 0};
    for (int32_t b : block) OX952_MemWrite(bar, 0x00, b);
    OX952_MemWrite(bar, 0x20, 0);
    OX952_MemWrite(bar, 0x24, 0);
    OX952_MemWrite(bar, 0x38, 1);
    while (OX952_MemRead(bar, 0x38) != 0) {
    }
    OX952_MemWrite(bar, 0x14, 0);
    OX952_MemWrite(bar, 0x18, 0);
    OX952_MemWrite(bar, 0x1C, 3);
    uint8_t slotStatus[16];
    for (auto& b : slotStatus) b = static_cast<uint8_t>(OX952_MemRead(bar, 0x10));
    for (int i = 0; i < 16; ++i) response[i] = static_cast<uint8_t>(OX952_MemRead(bar, 0x10));
    *status = slotStatus[0];
    *replyByte = slotStatus[1];
}

// An open handle on EUART1 of the first card, closed at the end.
struct Handle {
    Handle() {
        const std::array<int32_t, 16> params{};
        if (ORSG_Init(&h, params.data()) != ORSG_OK) h = 0;
    }
    ~Handle() {
        if (h != 0) ORSG_Done(&h);
    }
    uintptr_t Bar1() const { return reinterpret_cast<const orsg::LibraryState*>(h)->bar1; }
    intptr_t h = 0;
};

std::array<int32_t, 1024> Request() {
    std::array<int32_t, 1024> r{};
    r[0] = 1;
    r[1] = 0x66;
    r[4] = 0x3F;
    return r;
}

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
