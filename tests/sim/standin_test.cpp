// The stand-in interface libraries ORSA, ORSB, ORSD and ORSE through their
// C exports.
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "ors_contract.h"
#include "sim_env.h"

extern "C" {
#define RQ36_DECLARE_VEXTBUS(P)                                                   \
    int32_t P##_Version(int32_t*);                                                \
    int32_t P##_Done(ors_handle_t*);                                              \
    int32_t P##_SetConfig(ors_handle_t, int32_t, uint32_t, uint32_t);             \
    int32_t P##_GetConfig(ors_handle_t, int32_t*, uint32_t*, uint32_t*);          \
    int32_t P##_Send(ors_handle_t, const int32_t*, int32_t*, int32_t*, int32_t*); \
    int32_t P##_Error(uint32_t, int32_t*);
RQ36_DECLARE_VEXTBUS(ORSA)
RQ36_DECLARE_VEXTBUS(ORSB)
RQ36_DECLARE_VEXTBUS(ORSD)
RQ36_DECLARE_VEXTBUS(ORSE)
int32_t ORSA_Init(ors_handle_t*, int32_t);
int32_t ORSB_Init(ors_handle_t*, int32_t);
int32_t ORSD_Init(ors_handle_t*);
int32_t ORSE_Init(ors_handle_t*, const int32_t*);
}

namespace {

using simtest::SimEnvTest;

struct Reply {
    int32_t result = -1;
    int32_t status = -1;
    int32_t replyByte = -1;
    std::vector<int32_t> response = std::vector<int32_t>(ORS_RESPONSE_WORDS, -7);
    std::string Text4() const {
        return std::string{char(response[0]), char(response[1]), char(response[2]), char(response[3])};
    }
};

using SendFn = int32_t (*)(ors_handle_t, const int32_t*, int32_t*, int32_t*, int32_t*);

Reply Request(SendFn send, ors_handle_t h, std::vector<int32_t> msg) {
    std::vector<int32_t> req(ORS_REQUEST_WORDS, 0);
    std::copy(msg.begin(), msg.end(), req.begin());
    Reply r;
    r.result = send(h, req.data(), r.response.data(), &r.replyByte, &r.status);
    return r;
}

ors_init_block LanBlock(const char* ip, int32_t port = 5000, int32_t timeout = 2000, int32_t version = 4) {
    ors_init_block b{};
    b.words[0] = ORS_INIT_TEXT_OFFSET;
    b.words[1] = port;
    b.words[2] = timeout;
    b.words[3] = version;
    std::strncpy(b.text, ip, sizeof b.text - 1);
    return b;
}

std::vector<int32_t> ErrorWords(int32_t (*error)(uint32_t, int32_t*), uint32_t code) {
    std::vector<int32_t> t(ORS_ERROR_TEXT_WORDS + 4, -1);
    EXPECT_EQ(error(code, t.data()), 0);
    return t;
}

std::string WordsToBytes(const std::vector<int32_t>& w) {
    std::string s;
    for (int32_t c : w) {
        if (c == 0) break;
        s += static_cast<char>(c);
    }
    return s;
}

class StandIn : public SimEnvTest {};

}  // namespace

TEST_F(StandIn, InitRefusesBadHandleVariables) {
    ors_handle_t h = 1234;
    EXPECT_EQ(ORSA_Init(&h, 1), 12);
    EXPECT_EQ(h, 1234);
    EXPECT_EQ(ORSA_Init(nullptr, 1), 12);
    EXPECT_EQ(ORSD_Init(nullptr), 12);
}

TEST_F(StandIn, ComPortNumberIsChecked) {
    for (int32_t port : {0, -1, 256}) {
        ors_handle_t h = 0;
        EXPECT_EQ(ORSA_Init(&h, port), 20) << port;
        EXPECT_EQ(h, 0);
    }
    ors_handle_t h = 0;
    ASSERT_EQ(ORSA_Init(&h, 255), 0);
    EXPECT_NE(h, 0);
    EXPECT_EQ(ORSA_Done(&h), 0);
    EXPECT_EQ(h, 0);
}

TEST_F(StandIn, IsaBaseAddressIsChecked) {
    for (int32_t base : {0, 0xF8, 0x3F9, 0x301, 0x400}) {
        ors_handle_t h = 0;
        EXPECT_EQ(ORSB_Init(&h, base), 21) << base;
    }
    for (int32_t base : {0x100, 0x2A0, 0x300, 0x3F8}) {
        ors_handle_t h = 0;
        EXPECT_EQ(ORSB_Init(&h, base), 0) << base;
        ORSB_Done(&h);
    }
}

TEST_F(StandIn, LanInitBlockIsChecked) {
    const auto init = [](ors_init_block b) {
        ors_handle_t h = 0;
        const int32_t r = ORSE_Init(&h, b.words);
        if (h) ORSE_Done(&h);
        return r;
    };
    EXPECT_EQ(init(LanBlock("192.168.1.20")), 0);
    EXPECT_EQ(init(LanBlock("")), 22);
    EXPECT_EQ(init(LanBlock("192.168.1.300")), 22);
    EXPECT_EQ(init(LanBlock("192.168.1")), 22);
    EXPECT_EQ(init(LanBlock("converter")), 22);
    EXPECT_EQ(init(LanBlock("fe80::1", 5000, 2000, 6)), 0);
    EXPECT_EQ(init(LanBlock("192.168.1.20", 0)), 23);
    EXPECT_EQ(init(LanBlock("192.168.1.20", 65536)), 23);
    EXPECT_EQ(init(LanBlock("192.168.1.20", 5000, 0)), 24);
    EXPECT_EQ(init(LanBlock("192.168.1.20", 5000, 2000, 5)), 25);
    ors_init_block b = LanBlock("10.0.0.1");
    b.words[0] = 32;
    EXPECT_EQ(init(b), 11);
    std::memset(b.text, '1', sizeof b.text);  // never terminated
    b.words[0] = ORS_INIT_TEXT_OFFSET;
    EXPECT_EQ(init(b), 22);
    ors_handle_t h = 0;
    EXPECT_EQ(ORSE_Init(&h, nullptr), 11);
}

TEST_F(StandIn, HandlesAreValidated) {
    ors_handle_t h = 0;
    ASSERT_EQ(ORSD_Init(&h), 0);
    const ors_handle_t stale = h;
    ASSERT_EQ(ORSD_Done(&h), 0);
    EXPECT_EQ(ORSD_Done(&h), 12);
    EXPECT_EQ(ORSD_SetConfig(stale, 9600, 500, 2), 12);
    EXPECT_EQ(ORSD_GetConfig(stale, nullptr, nullptr, nullptr), 12);
    EXPECT_EQ(Request(ORSD_Send, stale, {1, 0xC8}).result, 12);
    EXPECT_EQ(ORSD_SetConfig(0x12345678, 9600, 500, 2), 12);
    EXPECT_EQ(ORSD_Done(nullptr), 12);
    // A handle of one library means nothing to another.
    ASSERT_EQ(ORSA_Init(&h, 1), 0);
    EXPECT_EQ(ORSB_SetConfig(h, 9600, 500, 2), 12);
    ORSA_Done(&h);
}

TEST_F(StandIn, SetConfigChecksAndKeepsTheOldValuesOnError) {
    ors_handle_t h = 0;
    ASSERT_EQ(ORSA_Init(&h, 1), 0);
    EXPECT_EQ(ORSA_SetConfig(h, 19200, 500, 3), 0);
    EXPECT_EQ(ORSA_SetConfig(h, 14400, 800, 1), 1);
    EXPECT_EQ(ORSA_SetConfig(h, 230400, 800, 1), 1);
    EXPECT_EQ(ORSA_SetConfig(h, 9600, 0, 1), 26);
    EXPECT_EQ(ORSA_SetConfig(h, 9600, 60001, 1), 26);
    EXPECT_EQ(ORSA_SetConfig(h, 9600, 500, 16), 27);
    int32_t speed = 0;
    uint32_t timeout = 0, retries = 0;
    EXPECT_EQ(ORSA_GetConfig(h, &speed, &timeout, &retries), 0);
    EXPECT_EQ(speed, 19200);
    EXPECT_EQ(timeout, 500u);
    EXPECT_EQ(retries, 3u);
    EXPECT_EQ(ORSA_GetConfig(h, nullptr, nullptr, nullptr), 0);
    ORSA_Done(&h);
}

TEST_F(StandIn, EveryVextbusLibraryReachesTheModule) {
    struct Lib {
        const char* name;
        SendFn send;
        int32_t (*setConfig)(ors_handle_t, int32_t, uint32_t, uint32_t);
        int32_t (*done)(ors_handle_t*);
    };
    ors_handle_t a = 0, b = 0, d = 0, e = 0;
    ASSERT_EQ(ORSA_Init(&a, 1), 0);
    ASSERT_EQ(ORSB_Init(&b, 0x300), 0);
    ASSERT_EQ(ORSD_Init(&d), 0);
    const ors_init_block block = LanBlock("192.168.1.20");
    ASSERT_EQ(ORSE_Init(&e, block.words), 0);
    const std::pair<Lib, ors_handle_t> libs[] = {{{"ORSA", ORSA_Send, ORSA_SetConfig, ORSA_Done}, a},
                                                 {{"ORSB", ORSB_Send, ORSB_SetConfig, ORSB_Done}, b},
                                                 {{"ORSD", ORSD_Send, ORSD_SetConfig, ORSD_Done}, d},
                                                 {{"ORSE", ORSE_Send, ORSE_SetConfig, ORSE_Done}, e}};
    for (auto [lib, h] : libs) {
        ASSERT_EQ(lib.setConfig(h, 9600, 500, 2), 0) << lib.name;
        std::string identity;
        for (int32_t part = 0; part < 3; ++part) {
            const Reply r = Request(lib.send, h, {1, 0xC8, part});
            EXPECT_EQ(r.result, 0);
            ASSERT_EQ(r.status, 0) << lib.name;
            EXPECT_EQ(r.replyByte, 0);
            identity += r.Text4();
            for (int i = 6; i < 16; ++i) EXPECT_EQ(r.response[static_cast<std::size_t>(i)], 0);
            EXPECT_EQ(r.response[16], -7);  // nothing past the 16 response words
        }
        EXPECT_EQ(identity, "RQ-36   1.02") << lib.name;
        const Reply silent = Request(lib.send, h, {2, 0xC8, 0});
        EXPECT_EQ(silent.result, 0);
        EXPECT_EQ(silent.status, 4) << lib.name;
        EXPECT_EQ(silent.response[0], 0);
        // Request words above 255 are taken as their low eight bits.
        EXPECT_EQ(Request(lib.send, h, {0x101, 0xC8, 0}).status, 0) << lib.name;
        ors_handle_t copy = h;
        EXPECT_EQ(lib.done(&copy), 0);
    }
}

TEST_F(StandIn, ErrorTextsAreWindows1250WithTwoZeros) {
    const auto t = ErrorWords(ORSA_Error, 4);
    const std::string expected = "Timeout - nep\xF8i\x9Al\x61 \x9E\xE1\x64n\xE1 odpov\xEC\xEF";
    EXPECT_EQ(WordsToBytes(t), expected);
    EXPECT_EQ(t[expected.size()], 0);
    EXPECT_EQ(t[expected.size() + 1], 0);
    EXPECT_EQ(t[expected.size() + 2], -1);
    EXPECT_EQ(WordsToBytes(ErrorWords(ORSA_Error, 0)), "V po\xF8\xE1\x64ku");
    EXPECT_EQ(WordsToBytes(ErrorWords(ORSE_Error, 99)), "Nezn\xE1m\xFD chybov\xFD k\xF3\x64");
    EXPECT_EQ(WordsToBytes(ErrorWords(ORSB_Error, 0xFFFFFFFFu)), "Nezn\xE1m\xFD chybov\xFD k\xF3\x64");
    EXPECT_EQ(WordsToBytes(ErrorWords(ORSD_Error, 20)), "Neplatn\xE9 \xE8\xEDslo portu COM");
}

// ---- faults and timing ---------------------------------------------------

TEST_F(StandIn, FaultNoDevice) {
    simtest::SetEnv("RQ36_SIM_FAULT", "no_device");
    ors_handle_t h = 0;
    EXPECT_EQ(ORSD_Init(&h), 30);
    EXPECT_EQ(h, 0);
}

TEST_F(StandIn, FaultSilentModuleAndCorruptedReply) {
    ors_handle_t h = 0;
    simtest::SetEnv("RQ36_SIM_FAULT", "module_silent");
    ASSERT_EQ(ORSA_Init(&h, 1), 0);
    EXPECT_EQ(Request(ORSA_Send, h, {1, 0xC8}).status, 4);
    ORSA_Done(&h);
    simtest::SetEnv("RQ36_SIM_FAULT", "corrupt_reply");
    ASSERT_EQ(ORSA_Init(&h, 1), 0);
    const Reply r = Request(ORSA_Send, h, {1, 0xC8});
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.status, 9);
    EXPECT_EQ(r.response[0], 0);
    ORSA_Done(&h);
}

TEST_F(StandIn, FaultModuleStoresAnotherByte) {
    simtest::SetEnv("RQ36_SIM_FAULT", "write_mismatch");
    ors_handle_t h = 0;
    ASSERT_EQ(ORSA_Init(&h, 1), 0);
    EXPECT_EQ(Request(ORSA_Send, h, {1, 0x67, 0, 0, 2, 2, 6, 6}).status, 0);
    EXPECT_EQ(Request(ORSA_Send, h, {1, 0x66, 0, 0, 2, 2, 0, 0}).response[2], 7);
    ORSA_Done(&h);
}

TEST_F(StandIn, SendTakesTheLineTime) {
    simtest::SetEnv("RQ36_SIM_INSTANT", "0");
    ors_handle_t h = 0;
    ASSERT_EQ(ORSA_Init(&h, 1), 0);
    ASSERT_EQ(ORSA_SetConfig(h, 9600, 500, 0), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Request(ORSA_Send, h, {1, 0xC8}).status, 0);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::microseconds(25200));
    EXPECT_LT(took, std::chrono::seconds(2));
    ORSA_Done(&h);
}
