// The exported functions' contract: handles, Init parameters, configuration
// limits, result texts and the ORSC family.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "cp1250.h"
#include "test_support.h"

namespace {

using orsg_test::FakeCardTest;
using orsg_test::Params;
using orsg_test::ParamsFor;
using orsg_test::StateOf;

class Exports : public FakeCardTest {};

TEST_F(Exports, VersionIs100) {
    int32_t v = 0;
    EXPECT_EQ(ORSG_Version(&v), ORSG_OK);
    EXPECT_EQ(v, 100);
    v = 0;
    EXPECT_EQ(ORSC_Version(&v), ORSG_OK);
    EXPECT_EQ(v, 100);
    EXPECT_EQ(ORSG_Version(nullptr), ORSG_OK);
}

TEST_F(Exports, InitRefusesABadHandleVariable) {
    const Params p{};
    EXPECT_EQ(ORSG_Init(nullptr, p.data()), ORSG_ERR_HANDLE);
    intptr_t h = 1234;
    EXPECT_EQ(ORSG_Init(&h, p.data()), ORSG_ERR_HANDLE);
    EXPECT_EQ(h, 1234);
    h = 0;
    EXPECT_EQ(ORSG_Init(&h, nullptr), ORSG_ERR_PARAMS);
    EXPECT_EQ(h, 0);
    EXPECT_TRUE(fake::Get().calls.empty());
}

TEST_F(Exports, InitRefusesChannelsAboveThreeBeforeTouchingTheDriver) {
    for (int32_t channel : {4, -1, 0x7FFFFFFF}) {
        intptr_t h = 0;
        const Params p = ParamsFor(0, 0, 0, channel);
        EXPECT_EQ(ORSG_Init(&h, p.data()), ORSG_ERR_PARAMS) << channel;
        EXPECT_EQ(h, 0);
    }
    EXPECT_TRUE(fake::Get().calls.empty());
}

TEST_F(Exports, InitKeepsTheParametersAndDefaults) {
    Params p = ParamsFor(0, 0, 0, 3);
    for (int i = 4; i < 16; ++i) p[static_cast<std::size_t>(i)] = i * 11;
    p[15] = 0x100;  // show the window: there is none without a user interface
    const intptr_t h = Open(p);
    const auto& s = StateOf(h);
    EXPECT_EQ(s.initParams, p);
    EXPECT_EQ(s.channel, 3);
    int32_t speed = 0;
    uint32_t timeout = 0;
    uint32_t retries = 0;
    ASSERT_EQ(ORSG_GetConfig(h, &speed, &timeout, &retries), ORSG_OK);
    EXPECT_EQ(speed, 9600);
    EXPECT_EQ(timeout, 200u);
    EXPECT_EQ(retries, 2u);
    EXPECT_EQ(s.stats.totalCalls, 0u);
    EXPECT_EQ(s.recent.Entry(0).index, 0);
    EXPECT_EQ(s.window, nullptr);
}

TEST_F(Exports, NullStaleOrStrayHandlesGive12) {
    int32_t speed = 0;
    std::array<int32_t, 1024> buf{};
    int32_t a = 0;
    int32_t b = 0;
    EXPECT_EQ(ORSG_SetConfig(0, 9600, 200, 2), ORSG_ERR_HANDLE);
    EXPECT_EQ(ORSG_GetConfig(0, &speed, nullptr, nullptr), ORSG_ERR_HANDLE);
    EXPECT_EQ(ORSG_Send(0, buf.data(), buf.data(), &a, &b), ORSG_ERR_HANDLE);
    intptr_t none = 0;
    EXPECT_EQ(ORSG_Done(&none), ORSG_ERR_HANDLE);
    EXPECT_EQ(ORSG_Done(nullptr), ORSG_ERR_HANDLE);
    // Values that are no handle are refused without being read: memory of
    // no state, an address nothing is mapped at, a copy of a closed handle.
    alignas(16) static std::array<unsigned char, sizeof(orsg::LibraryState)> notAState{};
    intptr_t foreign = reinterpret_cast<intptr_t>(notAState.data());
    EXPECT_EQ(ORSG_SetConfig(foreign, 9600, 200, 2), ORSG_ERR_HANDLE);
    EXPECT_EQ(ORSG_Done(&foreign), ORSG_ERR_HANDLE);
    EXPECT_NE(foreign, 0);
    EXPECT_EQ(ORSG_GetConfig(0x1000, &speed, nullptr, nullptr), ORSG_ERR_HANDLE);
    EXPECT_TRUE(fake::Get().calls.empty());
    intptr_t h = Open();
    Forget(h);
    const intptr_t stale = h;
    ASSERT_EQ(ORSG_Done(&h), ORSG_OK);
    intptr_t copy = stale;
    EXPECT_EQ(ORSG_Done(&copy), ORSG_ERR_HANDLE);
    EXPECT_EQ(copy, stale);
    EXPECT_EQ(ORSG_Send(stale, buf.data(), buf.data(), &a, &b), ORSG_ERR_HANDLE);
    EXPECT_EQ(ORSC_Send(stale, buf.data(), buf.data(), &a, &b), ORSG_ERR_HANDLE);
    EXPECT_EQ(fake::DriverCalls(), std::vector<std::string>{"Close 0"});  // the one Done
}

TEST_F(Exports, ClosedHandleNeverReturnsAsANewOne) {
    // The allocator hands freed memory out again at once; a copy of a
    // closed handle must still never reach the state of a later Init.
    std::array<int32_t, 1024> buf{};
    int32_t reply = 0;
    int32_t status = 0;
    std::vector<intptr_t> closed;
    for (int round = 0; round < 20; ++round) {
        intptr_t h = Open();
        for (const intptr_t stale : closed) {
            ASSERT_NE(h, stale) << round;
            EXPECT_EQ(ORSG_Send(stale, buf.data(), buf.data(), &reply, &status), ORSG_ERR_HANDLE);
        }
        Forget(h);
        closed.push_back(h);
        ASSERT_EQ(ORSG_Done(&h), ORSG_OK);
    }
}

TEST_F(Exports, SendRefusesMissingArraysWithoutCounting) {
    const intptr_t h = Open();
    std::array<int32_t, 1024> buf{};
    int32_t a = 0;
    EXPECT_EQ(ORSG_Send(h, nullptr, buf.data(), &a, &a), ORSG_ERR_PARAMS);
    EXPECT_EQ(ORSG_Send(h, buf.data(), nullptr, &a, &a), ORSG_ERR_PARAMS);
    EXPECT_EQ(ORSG_Send(h, buf.data(), buf.data(), nullptr, &a), ORSG_ERR_PARAMS);
    EXPECT_EQ(ORSG_Send(h, buf.data(), buf.data(), &a, nullptr), ORSG_ERR_PARAMS);
    EXPECT_EQ(ORSG_Send1(h, nullptr, buf.data(), 1), ORSG_ERR_PARAMS);
    EXPECT_EQ(StateOf(h).stats.totalCalls, 0u);
    EXPECT_TRUE(fake::Get().calls.empty());
}

TEST_F(Exports, SetConfigLimitsAndRefusals) {
    const intptr_t h = Open();
    int32_t speed = 0;
    uint32_t timeout = 0;
    uint32_t retries = 0;
    ASSERT_EQ(ORSG_SetConfig(h, 115200, 10001, 16), ORSG_OK);
    ASSERT_EQ(ORSG_GetConfig(h, &speed, &timeout, &retries), ORSG_OK);
    EXPECT_EQ(speed, 115200);
    EXPECT_EQ(timeout, 10000u);
    EXPECT_EQ(retries, 15u);

    ASSERT_EQ(ORSG_SetConfig(h, 600, static_cast<uint32_t>(-1), static_cast<uint32_t>(-5)), ORSG_OK);
    ASSERT_EQ(ORSG_GetConfig(h, &speed, &timeout, &retries), ORSG_OK);
    EXPECT_EQ(timeout, 10000u);  // negative values reach the limit
    EXPECT_EQ(retries, 15u);

    ASSERT_EQ(ORSG_SetConfig(h, 57600, 300, 1), ORSG_OK);
    for (int32_t bad : {14400, 0, -9600, 115201}) {
        EXPECT_EQ(ORSG_SetConfig(h, bad, 50, 0), ORSG_ERR_SPEED) << bad;
        ASSERT_EQ(ORSG_GetConfig(h, &speed, &timeout, &retries), ORSG_OK);
        EXPECT_EQ(speed, 57600);
        EXPECT_EQ(timeout, 300u);
        EXPECT_EQ(retries, 1u);
    }
    EXPECT_EQ(ORSG_GetConfig(h, nullptr, nullptr, nullptr), ORSG_OK);
    EXPECT_TRUE(fake::Get().calls.empty());  // nothing goes to the card
}

std::vector<int32_t> ErrorWords(uint32_t code, int32_t (*fn)(uint32_t, int32_t*) = ORSG_Error) {
    std::vector<int32_t> words(120, -1);
    EXPECT_EQ(fn(code, words.data()), ORSG_OK);
    return words;
}

std::vector<int32_t> Expected(const char* utf8) {
    std::vector<int32_t> out;
    for (char c : rq36::Utf8ToCp1250(utf8)) out.push_back(static_cast<unsigned char>(c));
    out.push_back(0);
    out.push_back(0);
    return out;
}

TEST(ErrorTexts, TextThenTwoZeroElementsInWindows1250) {
    const std::vector<int32_t> ok = ErrorWords(0);
    const std::vector<int32_t> okExpected = {'V', ' ', 'p', 'o', 0xF8, 0xE1, 'd', 'k', 'u', 0, 0, -1};
    EXPECT_EQ(std::vector<int32_t>(ok.begin(), ok.begin() + 12), okExpected);
    for (const auto& [code, text] : {std::pair<uint32_t, const char*>{16, "Nenalezena požadovaná karta ORS-G"},
                                     {17, "Neznámý chybový kód"},
                                     {0xFFFFFFFFu, "Neznámý chybový kód"}}) {
        const auto words = ErrorWords(code);
        const auto expected = Expected(text);
        EXPECT_EQ(std::vector<int32_t>(words.begin(), words.begin() + static_cast<long>(expected.size())), expected)
            << code;
        EXPECT_EQ(words[expected.size()], -1) << code;  // nothing more written
    }
    for (uint32_t code = 0; code <= 17; ++code) {
        const auto words = ErrorWords(code);
        const auto end = static_cast<std::size_t>(std::find(words.begin(), words.end(), 0) - words.begin());
        EXPECT_GT(end, 0u) << code;  // a text, one byte value per element
        EXPECT_TRUE(std::all_of(words.begin(), words.begin() + static_cast<long>(end),
                                [](int32_t c) { return c > 0 && c < 256; }));
        EXPECT_EQ(words[end + 1], 0) << code;  // then two zero elements
        EXPECT_EQ(words[end + 2], -1) << code;
        EXPECT_EQ(ErrorWords(code, ORSC_Error), words);
    }
    EXPECT_EQ(ORSG_Error(3, nullptr), ORSG_OK);
}

TEST_F(Exports, OrscInitOpensEuart1OfTheFirstCard) {
    fake::Reset(2);
    fake::Get().cards[0].did = 0x400;
    intptr_t h = 0;
    ASSERT_EQ(ORSC_Init(&h), ORSG_OK);
    const auto& s = StateOf(h);
    EXPECT_EQ(s.cardIndex, 1);
    EXPECT_EQ(s.channel, 0);
    EXPECT_EQ(s.initParams, Params{});
    EXPECT_EQ(ORSC_SetConfig(h, 38400, 100, 1), ORSG_OK);
    int32_t speed = 0;
    EXPECT_EQ(ORSC_GetConfig(h, &speed, nullptr, nullptr), ORSG_OK);
    EXPECT_EQ(speed, 38400);
    EXPECT_EQ(ORSC_SetLog(7, -1), ORSG_OK);
    EXPECT_EQ(ORSC_Done(&h), ORSG_OK);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(fake::OpenCards(), 0);
}

TEST_F(Exports, OrscSendUsesHundredElementArrays) {
    intptr_t h = 0;
    ASSERT_EQ(ORSC_Init(&h), ORSG_OK);
    std::array<int32_t, 100> request{};
    request[0] = 5;
    request[1] = 0xC8;
    request[8] = 99;  // beyond the message: ignored
    std::array<int32_t, 100> response;
    response.fill(-7);
    int32_t reply = -1;
    int32_t status = -1;
    ASSERT_EQ(ORSC_Send(h, request.data(), response.data(), &reply, &status), ORSG_OK);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(reply, 0xC8 ^ 0xFF);
    EXPECT_EQ(response[0], 5);
    EXPECT_EQ(response[9], 0xC8 + 9);  // response byte k: message byte k mod 8, plus k
    EXPECT_EQ(response[15], 15);
    for (std::size_t i = 16; i < 100; ++i) EXPECT_EQ(response[i], 0) << i;
    ASSERT_EQ(fake::Get().jobs.size(), 1u);
    EXPECT_EQ(fake::Get().jobs[0].messages[0][0], 5);

    response.fill(-7);
    EXPECT_EQ(ORSC_Send(0, request.data(), response.data(), &reply, &status), ORSG_ERR_HANDLE);
    EXPECT_EQ(std::count(response.begin(), response.end(), 0), 100);
    EXPECT_EQ(ORSC_Send(h, nullptr, response.data(), &reply, &status), ORSG_ERR_PARAMS);
    ASSERT_EQ(ORSC_Done(&h), ORSG_OK);
}

TEST_F(Exports, ClearingStatisticsRestartsRecordIndices) {
    const intptr_t h = Open();
    std::array<int32_t, 1024> buf{};
    int32_t a = 0;
    int32_t b = 0;
    for (int i = 0; i < 3; ++i) ASSERT_EQ(ORSG_Send(h, buf.data(), buf.data(), &a, &b), ORSG_OK);
    auto& s = StateOf(h);
    orsg::ClearStatistics(s.stats);
    ASSERT_EQ(ORSG_Send(h, buf.data(), buf.data(), &a, &b), ORSG_OK);
    EXPECT_EQ(s.recent.Entry(0).index, 0);
    EXPECT_EQ(s.recent.Entry(1).index, 2);
    EXPECT_EQ(s.stats.totalCalls, 1u);
}

}  // namespace
