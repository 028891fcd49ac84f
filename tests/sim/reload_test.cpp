// The module's memory across unloading the libraries: what one library wrote
// is read back after it was unloaded, and through another library.
#include <string>

#include "ors_contract.h"
#include "sim_env.h"

namespace {

using simtest::Library;

struct VextbusLib {
    ors_init_word_fn initWord = nullptr;
    ors_init_plain_fn initPlain = nullptr;
    ors_send_fn send = nullptr;
    ors_done_fn done = nullptr;
};

// Sends one message; the reply's r2 (or -1 when it failed).
int Exchange(const VextbusLib& lib, ors_handle_t h, std::initializer_list<int32_t> msg) {
    int32_t req[ORS_REQUEST_WORDS] = {}, resp[ORS_RESPONSE_WORDS] = {}, reply = 0, status = -1;
    std::copy(msg.begin(), msg.end(), req);
    if (lib.send(h, req, resp, &reply, &status) != 0 || status != 0) return -1;
    return resp[2];
}

using Reload = simtest::SimEnvTest;

}  // namespace

TEST_F(Reload, ConfigurationMemoryOutlivesTheLibrary) {
    simtest::SetEnv("RQ36_SIM_STATE", dir_.File("module.state"));
    {
        Library orsa("libORSA.so");
        ASSERT_TRUE(orsa.Loaded());
        VextbusLib lib{orsa.Fn<ors_init_word_fn>("ORSA_Init"), nullptr, orsa.Fn<ors_send_fn>("ORSA_Send"),
                       orsa.Fn<ors_done_fn>("ORSA_Done")};
        ors_handle_t h = 0;
        ASSERT_EQ(lib.initWord(&h, 1), 0);
        EXPECT_EQ(Exchange(lib, h, {1, 0x67, 0, 0, 0x04, 0x04, 11, 11}), 11);
        EXPECT_EQ(Exchange(lib, h, {1, 0x67, 31, 0, 0x90, 0x90, 0x5C, 0x5C}), 0x5C);
        ASSERT_EQ(lib.done(&h), 0);
        ASSERT_TRUE(orsa.Unload());
    }
    {
        Library orsa("libORSA.so");
        VextbusLib lib{orsa.Fn<ors_init_word_fn>("ORSA_Init"), nullptr, orsa.Fn<ors_send_fn>("ORSA_Send"),
                       orsa.Fn<ors_done_fn>("ORSA_Done")};
        ors_handle_t h = 0;
        ASSERT_EQ(lib.initWord(&h, 1), 0);
        EXPECT_EQ(Exchange(lib, h, {1, 0x66, 0, 0, 0x04, 0x04}), 11);
        EXPECT_EQ(Exchange(lib, h, {1, 0x66, 31, 0, 0x90, 0x90}), 0x5C);
        lib.done(&h);
    }
    Library orsd("libORSD.so");
    VextbusLib lib{nullptr, orsd.Fn<ors_init_plain_fn>("ORSD_Init"), orsd.Fn<ors_send_fn>("ORSD_Send"),
                   orsd.Fn<ors_done_fn>("ORSD_Done")};
    ors_handle_t h = 0;
    ASSERT_EQ(lib.initPlain(&h), 0);
    EXPECT_EQ(Exchange(lib, h, {1, 0x66, 0, 0, 0x04, 0x04}), 11);
    lib.done(&h);
}

TEST_F(Reload, RestartedModuleStaysAtItsNewAddress) {
    simtest::SetEnv("RQ36_SIM_STATE", dir_.File("module.state"));
    {
        Library orsa("libORSA.so");
        VextbusLib lib{orsa.Fn<ors_init_word_fn>("ORSA_Init"), nullptr, orsa.Fn<ors_send_fn>("ORSA_Send"),
                       orsa.Fn<ors_done_fn>("ORSA_Done")};
        ors_handle_t h = 0;
        ASSERT_EQ(lib.initWord(&h, 1), 0);
        EXPECT_EQ(Exchange(lib, h, {1, 0x67, 0, 0, 0x3F, 0x3F, 23, 23}), 23);
        EXPECT_NE(Exchange(lib, h, {1, 0x01, 0xFF, 0, 0xFF, 0x01, 0x00, 0xFF}), -1);
        lib.done(&h);
        ASSERT_TRUE(orsa.Unload());
    }
    Library orsb("libORSB.so");
    VextbusLib lib{orsb.Fn<ors_init_word_fn>("ORSB_Init"), nullptr, orsb.Fn<ors_send_fn>("ORSB_Send"),
                   orsb.Fn<ors_done_fn>("ORSB_Done")};
    ors_handle_t h = 0;
    ASSERT_EQ(lib.initWord(&h, 0x300), 0);
    EXPECT_EQ(Exchange(lib, h, {1, 0x66, 0, 0, 0x3F, 0x3F}), -1);
    EXPECT_EQ(Exchange(lib, h, {23, 0x66, 0, 0, 0x3F, 0x3F}), 23);
    lib.done(&h);
}
