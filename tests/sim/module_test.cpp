// The RQ-36 module model: commands, registers, values, restart, memory.
#include <cmath>

#include <gtest/gtest.h>

#include "analog.h"
#include "module.h"

using namespace rq36sim;

namespace {

class ModuleTest : public ::testing::Test {
protected:
    ModuleTest() : module_("m", ModuleState::Factory(CommSettings{}), &faults_) { module_.Analog().SetNoise(false); }

    ModuleReply Ask(std::initializer_list<std::uint8_t> bytes, Clock::time_point at = Clock::now()) {
        Message m{};
        std::copy(bytes.begin(), bytes.end(), m.begin());
        return module_.Execute(m, at);
    }
    std::uint8_t ReadConfig(int bank, int addr) {
        const auto a = static_cast<std::uint8_t>(addr);
        return Ask({1, kCmdReadConfig, static_cast<std::uint8_t>(bank), 0, a, a}).data[2];
    }
    std::uint8_t WriteConfig(int bank, int addr, int value) {
        const auto a = static_cast<std::uint8_t>(addr);
        const auto v = static_cast<std::uint8_t>(value);
        return Ask({1, kCmdWriteConfig, static_cast<std::uint8_t>(bank), 0, a, a, v, v}).replyByte;
    }
    // Decoded scaled value of a register.
    double Value(int reg, int* decimals = nullptr) {
        const auto d = Ask({1, kCmdReadRegister, static_cast<std::uint8_t>(reg)}).data;
        const int magnitude = d[0] | d[1] << 8 | (d[2] & 0x7F) << 16;
        if (decimals) *decimals = d[3] & 0x7F;
        return (d[2] & 0x80 ? -magnitude : magnitude) / std::pow(10.0, d[3] & 0x7F);
    }
    bool Listens(std::uint8_t address, std::int32_t speed, Protocol p = Protocol::Vextbus2,
                 std::uint8_t parity = kParityEven) {
        Message m{};
        m[0] = address;
        return module_.Listens(m, LineParams{p, speed, parity});
    }

    Faults faults_;
    Module module_;
};

}  // namespace

TEST(ScaledValue, EncodesMagnitudeSignAndDecimals) {
    EXPECT_EQ(EncodeScaled(12345, 3), (std::array<std::uint8_t, 4>{0x39, 0x30, 0x00, 0x03}));
    EXPECT_EQ(EncodeScaled(-12345, 3), (std::array<std::uint8_t, 4>{0x39, 0x30, 0x80, 0x03}));
    EXPECT_EQ(EncodeScaled(99999999, 0), (std::array<std::uint8_t, 4>{0xFF, 0xFF, 0x7F, 0x00}));
    EXPECT_EQ(EncodeScaled(-99999999, 6), (std::array<std::uint8_t, 4>{0xFF, 0xFF, 0xFF, 0x06}));
}

TEST_F(ModuleTest, IdentityIsNameAndVersion) {
    std::string id;
    for (std::uint8_t part = 0; part < 3; ++part) {
        const auto r = Ask({1, kCmdReadIdentity, part});
        EXPECT_EQ(r.replyByte, kReplyOk);
        id.append(r.data.begin(), r.data.begin() + 4);
    }
    EXPECT_EQ(id, "RQ-36   1.02");
    EXPECT_EQ(Ask({1, kCmdReadIdentity, 3}).replyByte, kReplyBadSelector);
    EXPECT_EQ(Ask({1, 0x42}).replyByte, kReplyUnknownCommand);
}

TEST_F(ModuleTest, FactoryMemoryMatchesTheDefaultImage) {
    for (int a = 0; a < 6; ++a) EXPECT_EQ(ReadConfig(0, a), 0);
    for (int port = 0; port < 4; ++port) {
        EXPECT_EQ(ReadConfig(0, 0x20 + 3 * port), 0x00);
        EXPECT_EQ(ReadConfig(0, 0x21 + 3 * port), 0xFF);
        EXPECT_EQ(ReadConfig(0, 0x22 + 3 * port), 0xFF);
    }
    EXPECT_EQ(ReadConfig(0, 0x3B), 0);
    EXPECT_EQ(ReadConfig(0, 0x3C), 0);
    EXPECT_EQ(ReadConfig(0, 0x3E), 4);
    EXPECT_EQ(ReadConfig(0, 0x3F), 1);
    // Calibration record of AIN5, range 13: bank 32 from address 232.
    const std::uint8_t record[7] = {0, 0, 0x10, 0x27, 0x10, 0x27, 0x86};
    for (int k = 0; k < 7; ++k) EXPECT_EQ(ReadConfig(32, 232 + k), record[k]) << k;
    EXPECT_EQ(ReadConfig(31, 160 + 6), 0x84);  // AIN3, range 4
}

TEST_F(ModuleTest, ConfigMemoryRefusesUnknownBanksAndUnequalDuplicates) {
    EXPECT_EQ(WriteConfig(31, 77, 0x5A), kReplyOk);
    EXPECT_EQ(ReadConfig(31, 77), 0x5A);
    EXPECT_EQ(WriteConfig(5, 0, 1), kReplyBadSelector);
    EXPECT_EQ(Ask({1, kCmdReadConfig, 29, 0, 0, 0}).replyByte, kReplyBadSelector);
    EXPECT_EQ(Ask({1, kCmdReadConfig, 0, 0, 3, 4}).replyByte, kReplyMismatch);
    EXPECT_EQ(Ask({1, kCmdWriteConfig, 0, 0, 3, 3, 1, 2}).replyByte, kReplyMismatch);
    EXPECT_EQ(ReadConfig(0, 3), 0);
}

TEST_F(ModuleTest, WriteMismatchFaultStoresAnotherByte) {
    faults_.writeMismatch = true;
    WriteConfig(0, 0x10, 0x40);
    EXPECT_EQ(ReadConfig(0, 0x10), 0x41);
}

TEST_F(ModuleTest, VoltageInputsReadInVoltsWithRangeDecimals) {
    int decimals = 0;
    // AIN0 on +/-10 V sees about 52 % of full scale.
    const double v0 = Value(0, &decimals);
    EXPECT_EQ(decimals, 3);
    EXPECT_NEAR(v0, 5.2, 0.2);
    EXPECT_LT(Value(1), 0.0);  // AIN1 negative
    WriteConfig(0, 3, 4);      // AIN3 on +/-500 mV
    const double v3 = Value(3, &decimals);
    EXPECT_EQ(decimals, 4);
    EXPECT_NEAR(v3, 0.065, 0.005);
    WriteConfig(0, 1, 8);  // AIN1 on 5 V AC: never negative
    EXPECT_GT(Value(1), 0.0);
}

TEST_F(ModuleTest, CurrentInputsReadInAmperesWithSixDecimals) {
    WriteConfig(0, 2, 6);  // AIN2 on +/-25 mA
    int decimals = 0;
    const double a = Value(2, &decimals);
    EXPECT_EQ(decimals, 6);
    EXPECT_NEAR(a, 0.01925, 0.0008);
    WriteConfig(0, 2, 13);  // 20 mA AC
    EXPECT_NEAR(Value(2), 0.0154, 0.0008);
}

TEST_F(ModuleTest, CombinedValuesAreTheDifferenceOfTheirPair) {
    const double a0 = Value(0), a1 = Value(1), a2 = Value(2);
    EXPECT_NEAR(Value(0x11), a0 - a1, 0.05);
    EXPECT_NEAR(Value(0x12), a1 - a2, 0.05);
    EXPECT_NEAR(Value(0x13), a2 - a0, 0.05);
    EXPECT_NEAR(Value(0x16), Value(5) - Value(3), 0.05);
}

TEST_F(ModuleTest, CalibrationRecordCorrectsTheRawReading) {
    // Short the inputs (DOUT0), take the zero reading; then the reference (DOUT1).
    Ask({1, kCmdWriteRegister, kRegDigital, 0, 0x01});
    const double zero = Value(kRegRawFirst);
    Ask({1, kCmdWriteRegister, kRegDigital, 0, 0x02});
    const double reference = Value(kRegRawFirst);
    int decimals = -1;
    const double before = Value(0, &decimals);
    EXPECT_EQ(decimals, 3);
    EXPECT_GT(std::fabs(before - 9.0), 0.05);  // the converter's errors show
    // The record the calibration writes for 9.000 V on range 0.
    const auto offset = static_cast<std::int16_t>(-std::lround(zero));
    const auto gain = static_cast<std::uint16_t>(std::lround(9.0 * 1000 / (reference - zero) * 10000));
    WriteConfig(30, 0, offset & 0xFF);
    WriteConfig(30, 1, (offset >> 8) & 0xFF);
    WriteConfig(30, 2, gain & 0xFF);
    WriteConfig(30, 3, gain >> 8);
    EXPECT_NEAR(Value(0), 9.0, 0.002);
    // Raw readings stay raw.
    EXPECT_DOUBLE_EQ(Value(kRegRawFirst), reference);
    // Another range of the same input keeps its own (neutral) record.
    WriteConfig(0, 0, 1);
    EXPECT_GT(std::fabs(Value(0) - 4.5), 0.02);
}

TEST_F(ModuleTest, DigitalInputsFollowTheOutputsThroughTheNegations) {
    Ask({1, kCmdWriteRegister, kRegDigital, 0, 0x02});
    EXPECT_EQ(Ask({1, kCmdReadRegister, kRegDigital}).data[0], 0x02);
    WriteConfig(0, 0x22, 0x00);  // outputs no longer negated
    EXPECT_EQ(Ask({1, kCmdReadRegister, kRegDigital}).data[0], 0x01);
    WriteConfig(0, 0x21, 0xFE);  // DIN0 not negated any more
    EXPECT_EQ(Ask({1, kCmdReadRegister, kRegDigital}).data[0], 0x00);
}

TEST_F(ModuleTest, CountersCountWhileRunningAndObeyPresetAndClear) {
    const auto t0 = Clock::now();
    const auto at = [&](double s) {
        return t0 + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
    };
    const auto counter = [&](int n, double s) {
        const auto d = Ask({1, kCmdReadRegister, static_cast<std::uint8_t>(kRegCounter0 + n)}, at(s)).data;
        return static_cast<std::uint32_t>(d[0] | d[1] << 8 | d[2] << 16 | static_cast<std::uint32_t>(d[3]) << 24);
    };
    EXPECT_EQ(counter(0, 1), 0u);
    Ask({1, kCmdWriteRegister, kRegCounterRun, 0, 0x03}, at(0));
    EXPECT_EQ(Ask({1, kCmdReadRegister, kRegCounterRun}, at(0)).data[0], 0x03);
    EXPECT_EQ(counter(0, 2.05), 20u);
    EXPECT_EQ(counter(1, 2.05), 51u);
    Ask({1, kCmdWriteRegister, kRegCounterRun, 0, 0x02}, at(3.05));  // stop CNT0
    EXPECT_EQ(counter(0, 10), 30u);
    Ask({1, kCmdWriteRegister, kRegCounter0, 0, 0xFE, 0xFF, 0xFF, 0xFF}, at(10));
    EXPECT_EQ(counter(0, 11), 0xFFFFFFFEu);
    Ask({1, kCmdWriteRegister, kRegCounterRun, 0, 0x03}, at(11));
    EXPECT_EQ(counter(0, 11.35), 1u);  // wrapped
    Ask({1, kCmdWriteRegister, kRegCounterClear, 0, 0x02}, at(12));
    EXPECT_EQ(counter(1, 12), 0u);
    EXPECT_GT(counter(0, 12), 0u);
}

TEST_F(ModuleTest, RegistersRefuseTheWrongDirection) {
    EXPECT_EQ(Ask({1, kCmdReadRegister, kRegRestart}).replyByte, kReplyNotAccessible);
    EXPECT_EQ(Ask({1, kCmdReadRegister, kRegCounterClear}).replyByte, kReplyNotAccessible);
    EXPECT_EQ(Ask({1, kCmdWriteRegister, 0x02, 0, 1}).replyByte, kReplyNotAccessible);
    EXPECT_EQ(Ask({1, kCmdWriteRegister, 0xD3, 0, 1}).replyByte, kReplyNotAccessible);
    EXPECT_EQ(Ask({1, kCmdReadRegister, 0x30}).replyByte, kReplyBadSelector);
    EXPECT_EQ(Ask({1, kCmdReadRegister, 0x17}).replyByte, kReplyBadSelector);
}

TEST_F(ModuleTest, StatusRegisterShowsPowerUpAndRestart) {
    EXPECT_EQ(Ask({1, kCmdReadStatus}).data[0], kStatusPwr);
    EXPECT_EQ(Ask({1, kCmdClearStatus}).replyByte, kReplyOk);
    EXPECT_EQ(Ask({1, kCmdReadStatus}).data[0], 0);
    Ask({1, kCmdWriteRegister, kRegRestart, 0, 0xFF, 0x01, 0x00, 0xFF});
    EXPECT_EQ(Ask({1, kCmdReadStatus}).data[0], kStatusRst);
}

TEST_F(ModuleTest, RestartAppliesStoredCommunicationSettings) {
    WriteConfig(0, 0x3F, 42);
    WriteConfig(0, 0x3E, 8);
    WriteConfig(0, 0x3C, 1);
    EXPECT_TRUE(Listens(1, 9600));  // not in force before the restart
    EXPECT_FALSE(Listens(42, 115200));
    EXPECT_EQ(Ask({1, kCmdWriteRegister, kRegRestart, 0, 0xFF, 0x01, 0x01, 0xFF}).replyByte, kReplyBadValue);
    EXPECT_TRUE(Listens(1, 9600));
    EXPECT_EQ(Ask({1, kCmdWriteRegister, kRegRestart, 0, 0xFF, 0x01, 0x00, 0xFF}).replyByte, kReplyOk);
    EXPECT_FALSE(Listens(1, 9600));
    EXPECT_TRUE(Listens(42, 115200));
    EXPECT_TRUE(Listens(42, 115200, Protocol::Vextbus2, kParityNone));  // parity plays no part
    EXPECT_FALSE(Listens(42, 115200, Protocol::ModbusRtu, kParityOdd));
    // Switch to Modbus: now parity counts and Vextbus-2 goes unheard.
    WriteConfig(0, 0x3B, 1);
    Ask({42, kCmdWriteRegister, kRegRestart, 0, 0xFF, 0x01, 0x00, 0xFF});
    EXPECT_FALSE(Listens(42, 115200));
    EXPECT_TRUE(Listens(42, 115200, Protocol::ModbusRtu, kParityOdd));
    EXPECT_FALSE(Listens(42, 115200, Protocol::ModbusRtu, kParityEven));
}

TEST_F(ModuleTest, RestartKeepsSettingsItCannotRunWith) {
    WriteConfig(0, 0x3E, 1);  // 1200 Bd: not a module speed
    WriteConfig(0, 0x3C, 7);
    WriteConfig(0, 0x3F, 9);
    Ask({1, kCmdWriteRegister, kRegRestart, 0, 0xFF, 0x01, 0x00, 0xFF});
    EXPECT_TRUE(Listens(9, 9600));
    EXPECT_EQ(module_.State().active.parity, kParityEven);
}

TEST_F(ModuleTest, RestartResetsOutputsToTheirInitialState) {
    WriteConfig(0, 0x20, 0x01);
    Ask({1, kCmdWriteRegister, kRegDigital, 0, 0x02});
    Ask({1, kCmdWriteRegister, kRegRestart, 0, 0xFF, 0x01, 0x00, 0xFF});
    EXPECT_EQ(module_.Outputs(), 0x01);
}

TEST_F(ModuleTest, SilentFaultMakesTheModuleDeaf) {
    faults_.moduleSilent = true;
    EXPECT_FALSE(Listens(1, 9600));
}
