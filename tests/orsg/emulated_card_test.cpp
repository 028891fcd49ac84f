// libORSG.so and libORSC.so as a host loads them, against the emulated ORS-G
// card of the simulated hardware (module "main", address 1, 9600 Bd, on
// EUART1 of the card at bus 2, slot 5).  The call-by-call checks are in the
// tests against the fake driver; these show the pieces fit.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "library_state.h"
#include "orsg.h"
#include "sim_env.h"

namespace {

using Params = std::array<int32_t, 16>;
using Words = std::array<int32_t, 1024>;

class EmulatedCard : public simtest::SimEnvTest {
protected:
    simtest::Library orsg_{"libORSG.so"};
    decltype(&ORSG_Init) init_ = orsg_.Fn<decltype(&ORSG_Init)>("ORSG_Init");
    decltype(&ORSG_Done) done_ = orsg_.Fn<decltype(&ORSG_Done)>("ORSG_Done");
    decltype(&ORSG_SetConfig) setConfig_ = orsg_.Fn<decltype(&ORSG_SetConfig)>("ORSG_SetConfig");
    decltype(&ORSG_Send) send_ = orsg_.Fn<decltype(&ORSG_Send)>("ORSG_Send");
    decltype(&ORSG_Send1) send1_ = orsg_.Fn<decltype(&ORSG_Send1)>("ORSG_Send1");
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
    simtest::Library orsc("libORSC.so");
    auto* init = orsc.Fn<decltype(&ORSC_Init)>("ORSC_Init");
    auto* setConfig = orsc.Fn<decltype(&ORSC_SetConfig)>("ORSC_SetConfig");
    auto* send = orsc.Fn<decltype(&ORSC_Send)>("ORSC_Send");
    auto* done = orsc.Fn<decltype(&ORSC_Done)>("ORSC_Done");
    auto* error = orsc.Fn<decltype(&ORSC_Error)>("ORSC_Error");
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

}  // namespace
