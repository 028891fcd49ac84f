// The card driver library and the emulated card, through the nine functions.
#include <chrono>
#include <stdexcept>
#include <string>

#include "card_session.h"
#include "sim_env.h"

using simtest::CardSession;
using simtest::SimEnvTest;
using Msg = std::array<std::uint8_t, 8>;

namespace {

std::string Text(const std::vector<std::uint8_t>& mem, int at, int n) {
    return std::string(mem.begin() + at, mem.begin() + at + n);
}

}  // namespace

using CardDriver = SimEnvTest;

TEST_F(CardDriver, DefaultSystemHasOneOrsgCardAtBus2Slot5) {
    std::int32_t count = -1, did = 0, bus = 0, slot = 0;
    ASSERT_EQ(OX952_CardsInSystem(&count), 0);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(OX952_Card_DID(0, &did), 0);
    EXPECT_EQ(OX952_Card_BUS(0, &bus), 0);
    EXPECT_EQ(OX952_Card_SLOT(0, &slot), 0);
    EXPECT_EQ(did, 0x401);
    EXPECT_EQ(bus, 2);
    EXPECT_EQ(slot, 5);
    EXPECT_NE(OX952_Card_DID(1, &did), 0);
    EXPECT_NE(OX952_Card_DID(-1, &did), 0);
    EXPECT_NE(OX952_CardsInSystem(nullptr), 0);
}

TEST_F(CardDriver, BaseAddressOnlyForAnOpenCardAndAccessesThrowOtherwise) {
    std::int32_t count = 0;
    OX952_CardsInSystem(&count);
    std::uintptr_t bar1 = 0, second = 0;
    EXPECT_NE(OX952_BAR11_BaseAdr(0, &bar1, &second), 0);
    ASSERT_EQ(OX952_OpenMulti(0, 0), 0);
    ASSERT_EQ(OX952_BAR11_BaseAdr(0, &bar1, &second), 0);
    EXPECT_NE(bar1, 0u);
    EXPECT_NO_THROW(OX952_MemRead(bar1, 0x38));
    EXPECT_THROW(OX952_MemRead(bar1 + 8, 0x38), std::runtime_error);
    EXPECT_THROW(OX952_MemWrite(bar1, 0x400, 1), std::runtime_error);
    EXPECT_THROW(OX952_MemRead(bar1, -4), std::runtime_error);
    EXPECT_EQ(OX952_Close(0), 0);
    EXPECT_THROW(OX952_MemRead(bar1, 0x38), std::runtime_error);
    // Closing a card that is not open is harmless, as the search relies on.
    EXPECT_EQ(OX952_Close(0), 0);
}

TEST_F(CardDriver, StartUpHandshakeEchoesOnlyOnAnEnabledChannel) {
    CardSession s;
    ASSERT_TRUE(s.Open(1));
    s.Write(s.Reg(14), 0xFE);
    EXPECT_NE(s.Read(s.Reg(14)), 0xFE);  // channel not taken into use
    EXPECT_EQ(s.StartUp(), 1);
    EXPECT_EQ(s.Read(s.Reg(14)), 0xFE);
}

TEST_F(CardDriver, IdentificationMemoryHoldsTheFourTexts) {
    CardSession s;
    ASSERT_TRUE(s.Open());
    const auto mem = s.ReadIdentification();
    ASSERT_EQ(mem.size(), 1024u);
    EXPECT_EQ(Text(mem, 0x3B0, 16), "OX952-00417-2026");
    EXPECT_EQ(Text(mem, 0x3C0, 16), "ORS-G 4xEUART   ");
    EXPECT_EQ(Text(mem, 0x3D0, 16), "FPGA OX952 v2.10");
    EXPECT_EQ(Text(mem, 0x3E0, 16), "FW ORS-G v1.04  ");
    // Without the enable write the port gives nothing.
    s.Write(0x320, 0);
    EXPECT_EQ(s.Read(0x310), 0xFF);
}

TEST_F(CardDriver, DataPortsAdvanceWithEveryAccess) {
    CardSession s;
    ASSERT_TRUE(s.Open());
    s.StartUp();
    s.WriteBurst(0x100, {1, 2, 3, 4, 5}, true);
    EXPECT_EQ(s.Read(s.Reg(1)), 0x05);
    EXPECT_EQ(s.Read(s.Reg(2)), 0x01);
    EXPECT_EQ(s.ReadBurst(0x101, 3), (std::vector<std::uint8_t>{2, 3, 4}));
    EXPECT_EQ(s.Read(s.Reg(5)), 0x04);
    // The buffer address wraps at 1 KiB.
    s.WriteBurst(0x3FF, {0xAA, 0xBB}, true);
    EXPECT_EQ(s.ReadBurst(0x3FF, 2), (std::vector<std::uint8_t>{0xAA, 0xBB}));
    EXPECT_EQ(s.ReadBurst(0, 1), (std::vector<std::uint8_t>{0xBB}));
}

TEST_F(CardDriver, SingleJobReadsTheModuleIdentity) {
    CardSession s;
    ASSERT_TRUE(s.Open());
    s.StartUp();
    const auto names = {std::string("RQ-3"), std::string("6   "), std::string("1.02")};
    int part = 0;
    for (const auto& expected : names) {
        const auto r = s.Send({1, 0xC8, static_cast<std::uint8_t>(part++), 0, 0, 0, 0, 0});
        EXPECT_EQ(r.status[0], 0);
        EXPECT_EQ(r.status[2], 0);
        EXPECT_EQ(std::string(r.response.begin(), r.response.begin() + 4), expected);
        // 22 characters of 11 bits at 9600 Bd: 25.2 ms.
        EXPECT_EQ(r.Duration(), 252u);
    }
}

TEST_F(CardDriver, NoReplyGivesTimeoutStatusAfterTheRepetitions) {
    CardSession s;
    ASSERT_TRUE(s.Open());
    s.StartUp();
    const auto r = s.Send({9, 0xC8, 0, 0, 0, 0, 0, 0}, 4, 2, 200);
    EXPECT_EQ(r.status[0], 4);
    EXPECT_EQ(r.status[2], 2);
    // Three attempts of an 11-character request and the 200 ms timeout.
    EXPECT_EQ(r.Duration(), 3u * (126u + 2000u));
    EXPECT_EQ(r.response, (std::array<std::uint8_t, 16>{}));
    // A speed the module is not set to is no better.
    EXPECT_EQ(s.Send({1, 0xC8, 0, 0, 0, 0, 0, 0}, 5, 0).status[0], 4);
    // A speed code the card does not know.
    EXPECT_EQ(s.Send({1, 0xC8, 0, 0, 0, 0, 0, 0}, 15, 0).status[0], 2);
}

TEST_F(CardDriver, JobOnAChannelThatWasNotStartedFails) {
    CardSession s;
    ASSERT_TRUE(s.Open(2));
    const auto r = s.Send({1, 0xC8, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(r.status[0], 3);
}

TEST_F(CardDriver, ListJobOf31MessagesFillsEverySlot) {
    CardSession s;
    ASSERT_TRUE(s.Open());
    s.StartUp();
    // Write bank 0 address 0x10 + f with value f for even f; odd slots read
    // the byte back; slot 17 goes to an address nobody listens to.
    for (int f = 0; f < 31; ++f) {
        const auto a = static_cast<std::uint8_t>(0x40 + f / 2);
        std::vector<std::uint8_t> msg = f % 2 == 0 ? std::vector<std::uint8_t>{1,
                                                                               0x67,
                                                                               0,
                                                                               0,
                                                                               a,
                                                                               a,
                                                                               static_cast<std::uint8_t>(f),
                                                                               static_cast<std::uint8_t>(f)}
                                                   : std::vector<std::uint8_t>{1, 0x66, 0, 0, a, a, 0, 0};
        if (f == 17) msg[0] = 77;
        s.WriteBurst(f * 32, msg, true);
    }
    s.WriteJobBlock(1, 4, 0, 50);
    ASSERT_TRUE(s.RunJob(31));
    std::uint32_t lastMark = 0;
    for (int f = 0; f < 31; ++f) {
        const auto r = s.ReadSlot(f);
        if (f == 17) {
            EXPECT_EQ(r.status[0], 4);
            continue;
        }
        ASSERT_EQ(r.status[0], 0) << "slot " << f;
        EXPECT_EQ(r.response[2], (f % 2 == 0 ? f : f - 1)) << "slot " << f;
        EXPECT_GE(r.Mark(), lastMark);
        lastMark = r.Mark();
    }
}

TEST_F(CardDriver, RestartThroughTheCardMovesTheModule) {
    CardSession s;
    ASSERT_TRUE(s.Open());
    s.StartUp();
    EXPECT_EQ(s.Send({1, 0x67, 0, 0, 0x3F, 0x3F, 7, 7}).status[0], 0);
    EXPECT_EQ(s.Send({1, 0xC8, 0, 0, 0, 0, 0, 0}).status[0], 0);  // still at 1
    EXPECT_EQ(s.Send({1, 0x01, 0xFF, 0, 0xFF, 0x01, 0x00, 0xFF}).status[0], 0);
    EXPECT_EQ(s.Send({1, 0xC8, 0, 0, 0, 0, 0, 0}, 4, 0).status[0], 4);
    EXPECT_EQ(s.Send({7, 0xC8, 0, 0, 0, 0, 0, 0}).status[0], 0);
    const auto st = s.Send({7, 0x64, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(st.response[0] & 0x30, 0x30);  // PWR and RST
}

TEST_F(CardDriver, ConfigurationFileAddsCardsAndModules) {
    UseConfig(
        "# two cards\n"
        "[card]\ndid = 0x402\nbus = 1\nslot = 3\n"
        "[card]\ndid = 0x401\nbus = 4\nslot = 9\neuart2 = m2\nname = Test card\n"
        "this line is bad\n"
        "[module m2]\naddress = 12\nspeed = 19200\n");
    std::int32_t count = 0, did = 0, bus = 0;
    ASSERT_EQ(OX952_CardsInSystem(&count), 0);
    ASSERT_EQ(count, 2);
    OX952_Card_DID(0, &did);
    EXPECT_EQ(did, 0x402);
    OX952_Card_BUS(1, &bus);
    EXPECT_EQ(bus, 4);
    CardSession s;
    ASSERT_TRUE(s.Open(1));
    EXPECT_EQ(s.Index(), 1);
    s.StartUp();
    EXPECT_EQ(Text(s.ReadIdentification(), 0x3C0, 16), "Test card       ");
    EXPECT_EQ(s.Send({12, 0xC8, 2, 0, 0, 0, 0, 0}, 5).status[0], 0);
    EXPECT_EQ(s.Send({12, 0xC8, 2, 0, 0, 0, 0, 0}, 4, 0).status[0], 4);
}

// ---- faults -----------------------------------------------------------

TEST_F(CardDriver, FaultDriverCallFailsTheNamedFunction) {
    const char* calls[] = {"Card_DID", "Card_BUS", "Card_SLOT", "OpenMulti", "Close"};
    std::int32_t count = 0, v = 0;
    for (const char* call : calls) {
        simtest::SetEnv("RQ36_SIM_FAULT", std::string("driver_call=") + call);
        ASSERT_EQ(OX952_CardsInSystem(&count), 0) << call;
        const std::string c = call;
        EXPECT_EQ(OX952_Card_DID(0, &v) != 0, c == "Card_DID");
        EXPECT_EQ(OX952_Card_BUS(0, &v) != 0, c == "Card_BUS");
        EXPECT_EQ(OX952_Card_SLOT(0, &v) != 0, c == "Card_SLOT");
        EXPECT_EQ(OX952_OpenMulti(0, 0) != 0, c == "OpenMulti");
        EXPECT_EQ(OX952_Close(0) != 0, c == "Close");
        if (c == "Close") {  // leave nothing open for the next round
            simtest::UnsetEnv("RQ36_SIM_FAULT");
            OX952_CardsInSystem(&count);
            OX952_Close(0);
        }
    }
    simtest::SetEnv("RQ36_SIM_FAULT", "driver_call=CardsInSystem");
    EXPECT_NE(OX952_CardsInSystem(&count), 0);
    simtest::SetEnv("RQ36_SIM_FAULT", "driver_call=BAR11_BaseAdr");
    ASSERT_EQ(OX952_CardsInSystem(&count), 0);
    ASSERT_EQ(OX952_OpenMulti(0, 0), 0);
    std::uintptr_t bar = 0, second = 0;
    EXPECT_NE(OX952_BAR11_BaseAdr(0, &bar, &second), 0);
    OX952_Close(0);
}

TEST_F(CardDriver, FaultDriverCallCanAimAtOneCard) {
    UseConfig("[card]\ndid=0x402\n[card]\ndid=0x401\nbus=3\n");
    simtest::SetEnv("RQ36_SIM_FAULT", "driver_call=OX952_Close:0");
    std::int32_t count = 0;
    ASSERT_EQ(OX952_CardsInSystem(&count), 0);
    EXPECT_NE(OX952_Close(0), 0);
    EXPECT_EQ(OX952_Close(1), 0);
}

TEST_F(CardDriver, FaultNoCardAndNoOrsgCard) {
    std::int32_t count = -1, did = 0;
    simtest::SetEnv("RQ36_SIM_FAULT", "no_card");
    ASSERT_EQ(OX952_CardsInSystem(&count), 0);
    EXPECT_EQ(count, 0);
    simtest::SetEnv("RQ36_SIM_FAULT", "no_orsg_card");
    ASSERT_EQ(OX952_CardsInSystem(&count), 0);
    EXPECT_EQ(count, 1);
    ASSERT_EQ(OX952_Card_DID(0, &did), 0);
    EXPECT_NE(did, 0x401);
}

TEST_F(CardDriver, CardHiddenWhileOpenKeepsItsOpening) {
    CardSession first;
    ASSERT_TRUE(first.Open());
    // A second search while the fault hides the card: it skips the card
    // and closes it without having opened it.
    simtest::SetEnv("RQ36_SIM_FAULT", "no_orsg_card");
    CardSession second;
    EXPECT_FALSE(second.Open());
    EXPECT_EQ(OX952_Close(0), 0);
    EXPECT_NO_THROW(first.Read(first.Reg(14)));
    // The first host's own close still ends its opening.
    simtest::UnsetEnv("RQ36_SIM_FAULT");
    const std::uintptr_t base = first.Base();
    first.Close();
    EXPECT_THROW(OX952_MemRead(base, 0x38), std::runtime_error);
}

TEST_F(CardDriver, FaultJobNeverFinishes) {
    simtest::SetEnv("RQ36_SIM_FAULT", "job_never_finishes");
    CardSession s;
    ASSERT_TRUE(s.Open());
    s.StartUp();
    s.WriteBurst(0, {1, 0xC8, 0, 0, 0, 0, 0, 0}, true);
    s.WriteJobBlock(0, 4, 0, 10);
    EXPECT_FALSE(s.RunJob(1, std::chrono::milliseconds(50)));
    EXPECT_NE(s.Read(s.Reg(14)), 0);
}

TEST_F(CardDriver, FaultMemoryAccessOnJobsLetsStartUpThrough) {
    simtest::SetEnv("RQ36_SIM_FAULT", "mem_access=jobs");
    CardSession s;
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(s.StartUp(), 1);
    EXPECT_NO_THROW(s.ReadIdentification());
    EXPECT_THROW(s.Write(s.Reg(1), 0), std::runtime_error);
    EXPECT_THROW(s.Write(s.Reg(14), 1), std::runtime_error);
    EXPECT_THROW(s.Read(s.Reg(4)), std::runtime_error);
}

TEST_F(CardDriver, FaultMemoryAccessAlwaysAndAfterCount) {
    {
        simtest::SetEnv("RQ36_SIM_FAULT", "mem_access=always");
        CardSession s;
        ASSERT_TRUE(s.Open());
        EXPECT_THROW(s.Read(s.Reg(14)), std::runtime_error);
    }
    simtest::SetEnv("RQ36_SIM_FAULT", "mem_access=after:3");
    CardSession s;
    ASSERT_TRUE(s.Open());  // counting starts when the cards are counted
    EXPECT_NO_THROW(s.Write(s.Reg(15), 1));
    EXPECT_NO_THROW(s.Write(s.Reg(14), 0xFE));
    EXPECT_NO_THROW(s.Read(s.Reg(14)));
    EXPECT_THROW(s.Read(s.Reg(14)), std::runtime_error);
    EXPECT_THROW(s.Write(0x320, 1), std::runtime_error);
}

// ---- line timing --------------------------------------------------------

TEST_F(CardDriver, JobStaysBusyForItsLineTime) {
    simtest::SetEnv("RQ36_SIM_INSTANT", "0");
    CardSession s;
    ASSERT_TRUE(s.Open());
    s.StartUp();
    s.WriteBurst(0, {1, 0xC8, 0, 0, 0, 0, 0, 0}, true);
    s.WriteJobBlock(0, 4, 0, 200);
    const auto start = std::chrono::steady_clock::now();
    s.Write(s.Reg(8), 0);
    s.Write(s.Reg(9), 0);
    s.Write(s.Reg(14), 1);
    EXPECT_NE(s.Read(s.Reg(14)), 0);
    while (s.Read(s.Reg(14)) != 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
    const auto took = std::chrono::steady_clock::now() - start;
    // 22 characters of 11 bits at 9600 Bd take 25.2 ms; allow for scheduling.
    EXPECT_GE(took, std::chrono::microseconds(25200));
    EXPECT_LT(took, std::chrono::seconds(2));
    EXPECT_EQ(s.ReadSlot(0).status[0], 0);
}
