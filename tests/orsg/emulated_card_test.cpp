// libORSG.so and libORSC.so as a host loads them, against the emulated ORS-G
// card of the simulated hardware (module "main", address 1, 9600 Bd, on
// EUART1 of the card at bus 2, slot 5).
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "library_state.h"
#include "orsg.h"

namespace {

// The exports of one library, bound by name like the program binds them.
struct Library {
    explicit Library(const char* file) {
        const std::string path = std::string(RQ36_BIN_DIR) + "/" + file;
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) ADD_FAILURE() << dlerror();
    }
    ~Library() {
        if (handle != nullptr) dlclose(handle);
    }
    template <typename F>
    F* Fn(const char* name) const {
        void* p = handle != nullptr ? dlsym(handle, name) : nullptr;
        if (p == nullptr) ADD_FAILURE() << "missing " << name;
        return reinterpret_cast<F*>(p);
    }
    void* handle = nullptr;
};

using Params = std::array<int32_t, 16>;
using Words = std::array<int32_t, 1024>;

class EmulatedCard : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        setenv("RQ36_SIM_STATE", (std::string(":memory:orsg.") + info->name()).c_str(), 1);
        setenv("RQ36_SIM_INSTANT", "1", 1);
        unsetenv("RQ36_SIM_CONFIG");
        unsetenv("RQ36_SIM_FAULT");
        char tmpl[] = "/tmp/orsgcardXXXXXX";
        if (mkdtemp(tmpl) != nullptr) dir_ = tmpl;
    }
    void TearDown() override {
        unsetenv("RQ36_SIM_CONFIG");
        unsetenv("RQ36_SIM_FAULT");
        std::error_code ec;
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
    }
    void UseConfig(const std::string& text) {
        const std::string path = dir_ + "/sim.ini";
        std::ofstream(path) << text;
        setenv("RQ36_SIM_CONFIG", path.c_str(), 1);
    }

    Library orsg_{"libORSG.so"};
    decltype(&ORSG_Init) init_ = orsg_.Fn<decltype(ORSG_Init)>("ORSG_Init");
    decltype(&ORSG_Done) done_ = orsg_.Fn<decltype(ORSG_Done)>("ORSG_Done");
    decltype(&ORSG_SetConfig) setConfig_ = orsg_.Fn<decltype(ORSG_SetConfig)>("ORSG_SetConfig");
    decltype(&ORSG_Send) send_ = orsg_.Fn<decltype(ORSG_Send)>("ORSG_Send");
    decltype(&ORSG_Send1) send1_ = orsg_.Fn<decltype(ORSG_Send1)>("ORSG_Send1");
    std::string dir_;
};

Words Request(int32_t address, int32_t command, int32_t d0) {
    Words w{};
    w[0] = address;
    w[1] = command;
    w[2] = d0;
    return w;
}

std::string Chars(const int32_t* words, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s.push_back(static_cast<char>(words[i]));
    return s;
}

TEST_F(EmulatedCard, OrsgIdentifiesTheCardAndTheModule) {
    intptr_t h = 0;
    const Params params{};
    ASSERT_EQ(init_(&h, params.data()), ORSG_OK);
    ASSERT_NE(h, 0);
    // The handle is the state's address: the identification read from the card.
    const auto& state = *reinterpret_cast<const orsg::LibraryState*>(h);
    EXPECT_EQ(state.bus, 2);
    EXPECT_EQ(state.slot, 5);
    EXPECT_EQ(Chars(state.cardName.data(), 16), "ORS-G 4xEUART   ");
    EXPECT_EQ(Chars(state.firmware.data(), 16), "FW ORS-G v1.04  ");

    ASSERT_EQ(setConfig_(h, 9600, 200, 2), ORSG_OK);
    Words response{};
    int32_t reply = -1;
    int32_t status = -1;
    for (int part = 0; part < 3; ++part) {
        const Words request = Request(1, 0xC8, part);
        ASSERT_EQ(send_(h, request.data(), response.data(), &reply, &status), ORSG_OK);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(reply, 0);
        EXPECT_EQ(Chars(response.data(), 4), part == 0 ? "RQ-3" : part == 1 ? "6   " : "1.02");
    }
    EXPECT_EQ(state.stats.totalCalls, 3u);
    EXPECT_EQ(state.recent.Entry(0).sent[2], 2);

    // Nobody at address 7: the card reports no reply, the call succeeds.
    const Words nobody = Request(7, 0xC8, 0);
    ASSERT_EQ(send_(h, nobody.data(), response.data(), &reply, &status), ORSG_OK);
    EXPECT_EQ(status, ORSG_ERR_NO_REPLY);
    EXPECT_EQ(state.errors.Entry(0).sent[0], 7);
    EXPECT_EQ(state.errors.Entry(0).repeats, 2);

    ASSERT_EQ(done_(&h), ORSG_OK);
    EXPECT_EQ(h, 0);
}

TEST_F(EmulatedCard, ListOfFortyRequests) {
    intptr_t h = 0;
    const Params params{};
    ASSERT_EQ(init_(&h, params.data()), ORSG_OK);
    Words list{};
    for (int m = 0; m < 40; ++m) {
        list[static_cast<std::size_t>(m * 8)] = 1;
        list[static_cast<std::size_t>(m * 8 + 1)] = 0xC8;
        list[static_cast<std::size_t>(m * 8 + 2)] = m % 3;
    }
    Words results{};
    ASSERT_EQ(send1_(h, list.data(), results.data(), 40), ORSG_OK);
    for (int m = 0; m < 40; ++m) {
        const int32_t* r = &results[static_cast<std::size_t>(m * 8)];
        EXPECT_EQ(r[4], 0) << m;
        EXPECT_EQ(Chars(r, 4), m % 3 == 0 ? "RQ-3" : m % 3 == 1 ? "6   " : "1.02") << m;
    }
    ASSERT_EQ(done_(&h), ORSG_OK);
}

TEST_F(EmulatedCard, OrscLibraryServesTheOrsCKind) {
    Library orsc("libORSC.so");
    auto* init = orsc.Fn<decltype(ORSC_Init)>("ORSC_Init");
    auto* setConfig = orsc.Fn<decltype(ORSC_SetConfig)>("ORSC_SetConfig");
    auto* send = orsc.Fn<decltype(ORSC_Send)>("ORSC_Send");
    auto* done = orsc.Fn<decltype(ORSC_Done)>("ORSC_Done");
    auto* error = orsc.Fn<decltype(ORSC_Error)>("ORSC_Error");
    ASSERT_TRUE(init && setConfig && send && done && error);
    intptr_t h = 0;
    ASSERT_EQ(init(&h), ORSG_OK);
    ASSERT_EQ(setConfig(h, 9600, 200, 2), ORSG_OK);
    std::array<int32_t, 100> request{};
    request[0] = 1;
    request[1] = 0xC8;
    request[2] = 2;
    std::array<int32_t, 100> response{};
    int32_t reply = -1;
    int32_t status = -1;
    ASSERT_EQ(send(h, request.data(), response.data(), &reply, &status), ORSG_OK);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Chars(response.data(), 4), "1.02");
    ASSERT_EQ(done(&h), ORSG_OK);
    std::array<int32_t, 101> text{};
    EXPECT_EQ(error(15, text.data()), ORSG_OK);
    EXPECT_EQ(Chars(text.data(), 13), "Nenalezena \x9E\xE1");  // "Nenalezena žá" in Windows-1250
}

TEST_F(EmulatedCard, TwoHandlesOnTwoChannelsAtOnce) {
    UseConfig("[card]\neuart1 = main\neuart3 = second\n[module second]\naddress = 2\nspeed = 19200\n");
    intptr_t a = 0;
    intptr_t b = 0;
    Params pa{};
    Params pb{};
    pb[0] = 1;  // by position
    pb[1] = 2;
    pb[2] = 5;
    pb[3] = 2;  // EUART3
    ASSERT_EQ(init_(&a, pa.data()), ORSG_OK);
    ASSERT_EQ(init_(&b, pb.data()), ORSG_OK);
    ASSERT_EQ(setConfig_(b, 19200, 100, 1), ORSG_OK);
    Words response{};
    int32_t reply = 0;
    int32_t status = 0;
    for (int i = 0; i < 3; ++i) {
        const Words toMain = Request(1, 0xC8, 2);
        ASSERT_EQ(send_(a, toMain.data(), response.data(), &reply, &status), ORSG_OK);
        EXPECT_EQ(status, 0);
        const Words toSecond = Request(2, 0xC8, 0);
        ASSERT_EQ(send_(b, toSecond.data(), response.data(), &reply, &status), ORSG_OK);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(Chars(response.data(), 4), "RQ-3");
        // The second module is not on EUART1.
        ASSERT_EQ(send_(a, toSecond.data(), response.data(), &reply, &status), ORSG_OK);
        EXPECT_EQ(status, ORSG_ERR_NO_REPLY);
    }
    EXPECT_EQ(done_(&a), ORSG_OK);
    EXPECT_EQ(done_(&b), ORSG_OK);
}

struct InitFault {
    const char* fault;
    int32_t expected;
};

TEST_F(EmulatedCard, InitReportsCardSearchFaults) {
    for (const InitFault& f : {InitFault{"no_card", ORSG_ERR_NO_CARD}, InitFault{"no_orsg_card", ORSG_ERR_NO_WANTED_CARD},
                               InitFault{"driver_call=OpenMulti", ORSG_ERR_DRIVER},
                               InitFault{"driver_call=BAR11_BaseAdr", ORSG_ERR_DRIVER},
                               InitFault{"mem_access=always", ORSG_ERR_ACCESS}}) {
        setenv("RQ36_SIM_FAULT", f.fault, 1);
        intptr_t h = 0;
        const Params params{};
        EXPECT_EQ(init_(&h, params.data()), f.expected) << f.fault;
        EXPECT_EQ(h, 0);
    }
    // With the faults gone the card opens: nothing was left open before.
    unsetenv("RQ36_SIM_FAULT");
    intptr_t h = 0;
    const Params params{};
    ASSERT_EQ(init_(&h, params.data()), ORSG_OK);
    EXPECT_EQ(done_(&h), ORSG_OK);
}

TEST_F(EmulatedCard, AccessFailureAndStuckCardGiveError13) {
    setenv("RQ36_SIM_FAULT", "mem_access=jobs", 1);
    intptr_t h = 0;
    const Params params{};
    ASSERT_EQ(init_(&h, params.data()), ORSG_OK);
    const Words request = Request(1, 0xC8, 0);
    Words response{};
    int32_t reply = -1;
    int32_t status = -1;
    EXPECT_EQ(send_(h, request.data(), response.data(), &reply, &status), ORSG_ERR_ACCESS);
    EXPECT_EQ(status, -1);
    ASSERT_EQ(done_(&h), ORSG_OK);

    setenv("RQ36_SIM_FAULT", "job_never_finishes", 1);
    ASSERT_EQ(init_(&h, params.data()), ORSG_OK);
    ASSERT_EQ(setConfig_(h, 115200, 0, 0), ORSG_OK);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(send_(h, request.data(), response.data(), &reply, &status), ORSG_ERR_ACCESS);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    ASSERT_EQ(done_(&h), ORSG_OK);
}

}  // namespace
