// Two hosts' threads at once: libORSG.so with one handle per thread, each on
// its own channel of the emulated card, sends and reads back in parallel.
// The card driver is called from both threads; the build of the preset
// `tsan` (scripts/tsan.sh) runs this under ThreadSanitizer.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>

#include "orsg.h"
#include "sim_env.h"

namespace {

using Params = std::array<int32_t, 16>;
using Words = std::array<int32_t, 1024>;

class OrsgThreads : public simtest::SimEnvTest {
protected:
    simtest::Library orsg_{"libORSG.so"};
    decltype(&ORSG_Init) init_ = orsg_.Fn<decltype(&ORSG_Init)>("ORSG_Init");
    decltype(&ORSG_Done) done_ = orsg_.Fn<decltype(&ORSG_Done)>("ORSG_Done");
    decltype(&ORSG_SetConfig) setConfig_ = orsg_.Fn<decltype(&ORSG_SetConfig)>("ORSG_SetConfig");
    decltype(&ORSG_GetConfig) getConfig_ = orsg_.Fn<decltype(&ORSG_GetConfig)>("ORSG_GetConfig");
    decltype(&ORSG_Send) send_ = orsg_.Fn<decltype(&ORSG_Send)>("ORSG_Send");
};

TEST_F(OrsgThreads, TwoHandlesOnTwoThreads) {
    UseConfig(
        "[card]\ndid = 0x401\nbus = 2\nslot = 5\neuart1 = main\neuart2 = second\n"
        "[module main]\naddress = 1\n[module second]\naddress = 2\n");
    constexpr int kExchanges = 60;
    std::atomic<int> failures{0};
    // Each thread opens, sets up, sends and closes its own handle.
    auto host = [&](int32_t channel, int32_t address) {
        intptr_t h = 0;
        Params params{};
        params[3] = channel;
        if (init_(&h, params.data()) != ORSG_OK) {
            ++failures;
            return;
        }
        Words response{};
        Words request{};
        request[0] = address;
        request[1] = 0xC8;
        for (int i = 0; i < kExchanges; ++i) {
            int32_t speed = 0;
            uint32_t timeout = 0, retries = 0;
            request[2] = i % 3;
            int32_t reply = -1, status = -1;
            if (setConfig_(h, 9600, 200, 2) != ORSG_OK || getConfig_(h, &speed, &timeout, &retries) != ORSG_OK ||
                send_(h, request.data(), response.data(), &reply, &status) != ORSG_OK || status != 0 || speed != 9600)
                ++failures;
        }
        if (done_(&h) != ORSG_OK) ++failures;
    };
    std::thread first(host, 0, 1);
    std::thread second(host, 1, 2);
    first.join();
    second.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
