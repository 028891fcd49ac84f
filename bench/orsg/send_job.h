// The pieces the ORSG_Send measurements share: the bare driver calls of one
// job, an open handle, the request, and the comparison of the two.
#pragma once

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <numeric>
#include <vector>

#include <benchmark/benchmark.h>

#include "library_state.h"
#include "orsg.h"
#include "varnel_ox952.h"

namespace orsg_bench {

// The driver calls of one single-message job on channel 0, nothing else.
inline void BareJob(uintptr_t bar, const int32_t* request, int32_t* response, int32_t* replyByte, int32_t* status) {
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
    while (OX952_MemRead(bar, 0x38) != 0) {}
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
    // windowBits: InitParams element 15 (ORSG_INIT_SHOW_WINDOW shows the
    // diagnostic window).
    explicit Handle(int32_t windowBits = 0) {
        std::array<int32_t, 16> params{};
        params[ORSG_INIT_WINDOW_WORD] = windowBits;
        if (ORSG_Init(&h, params.data()) != ORSG_OK) h = 0;
    }
    ~Handle() {
        if (h != 0) ORSG_Done(&h);
    }
    uintptr_t Bar1() const { return reinterpret_cast<const orsg::LibraryState*>(h)->bar1; }
    intptr_t h = 0;
};

inline std::array<int32_t, 1024> Request() {
    std::array<int32_t, 1024> r{};
    r[0] = 1;
    r[1] = 0x66;
    r[4] = 0x3F;
    return r;
}

// Blocks of bare driver calls and of ORSG_Send in turn, in the same loop, so
// that a busy machine slows both alike; afterBlock runs after each block,
// inside its measured time.  Counters: the median time per job of each, their
// ratio, and the ratio of the means (which includes whatever afterBlock let
// happen, such as a window's timer ticks).
template <typename AfterBlock>
void CompareSendWithBare(benchmark::State& state, const Handle& handle, AfterBlock afterBlock) {
    constexpr int kBlock = 200;
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
        afterBlock();
        const auto t1 = Clock::now();
        for (int i = 0; i < kBlock; ++i) {
            ORSG_Send(handle.h, request.data(), response.data(), &reply, &status);
            benchmark::ClobberMemory();
        }
        afterBlock();
        const auto t2 = Clock::now();
        bare.push_back(std::chrono::duration<double, std::nano>(t1 - t0).count() / kBlock);
        orsg.push_back(std::chrono::duration<double, std::nano>(t2 - t1).count() / kBlock);
    }
    const auto median = [](std::vector<double> v) {
        std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    const auto mean = [](const std::vector<double>& v) {
        return std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
    };
    state.counters["bare_ns"] = median(bare);
    state.counters["orsg_ns"] = median(orsg);
    state.counters["ratio"] = median(orsg) / median(bare);
    state.counters["ratio_mean"] = mean(orsg) / mean(bare);
}

}  // namespace orsg_bench
