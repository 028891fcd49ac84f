// The connection dialog's conversions and the reading of typed parameters.
#include <gtest/gtest.h>

#include "interface/connection_logic.h"

namespace rq36 {
namespace {

TEST(ConnectionConversions, SpeedIndexRoundTripAndFallbacks) {
    const std::int32_t speeds[] = {600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(SpeedFromIndex(i), speeds[i]);
        EXPECT_EQ(IndexFromSpeed(speeds[i]), i);
    }
    EXPECT_EQ(SpeedFromIndex(-1), 9600);
    EXPECT_EQ(SpeedFromIndex(9), 9600);
    EXPECT_EQ(IndexFromSpeed(0), 4);
    EXPECT_EQ(IndexFromSpeed(14400), 4);
    EXPECT_EQ(IndexFromSpeed(-9600), 4);
    EXPECT_EQ(SpeedListTexts().size(), 9);
    EXPECT_EQ(SpeedListTexts().first(), QStringLiteral("600 Bd"));
    EXPECT_EQ(SpeedListTexts().last(), QStringLiteral("115200 Bd"));
}

TEST(ConnectionConversions, ReplyTimeoutIsLongOnlyForTheTwoSlowestSpeeds) {
    EXPECT_EQ(ReplyTimeoutForSpeed(0), 1000);
    EXPECT_EQ(ReplyTimeoutForSpeed(IndexFromSpeed(1200)), 1000);
    EXPECT_EQ(ReplyTimeoutForSpeed(IndexFromSpeed(2400)), 500);
    EXPECT_EQ(ReplyTimeoutForSpeed(8), 500);
    EXPECT_EQ(ReplyTimeoutForSpeed(-1), 500);
}

TEST(ConnectionConversions, ParityCodeMapsListIndexToLibraryCode) {
    EXPECT_EQ(ParityCode(0), 1);  // even
    EXPECT_EQ(ParityCode(1), 2);  // odd
    EXPECT_EQ(ParityCode(2), 0);  // none
    EXPECT_EQ(ParityCode(-1), 1);
    EXPECT_EQ(ParityCode(3), 1);
    EXPECT_EQ(ParityListTexts(),
              (QStringList{QStringLiteral("sudá"), QStringLiteral("lichá"), QStringLiteral("žádná")}));
}

TEST(ConnectionParameters, ModuleAddressTakesLowByteAndZeroForNonNumbers) {
    EXPECT_EQ(ParseModuleAddress(QStringLiteral("1")), 1);
    EXPECT_EQ(ParseModuleAddress(QStringLiteral("255")), 255);
    EXPECT_EQ(ParseModuleAddress(QStringLiteral("256")), 0);
    EXPECT_EQ(ParseModuleAddress(QStringLiteral("300")), 44);
    EXPECT_EQ(ParseModuleAddress(QStringLiteral("-1")), 255);
    EXPECT_EQ(ParseModuleAddress(QStringLiteral("$1F")), 31);
    EXPECT_EQ(ParseModuleAddress(QStringLiteral("  7")), 7);
    EXPECT_EQ(ParseModuleAddress(QStringLiteral("abc")), 0);
    EXPECT_EQ(ParseModuleAddress(QStringLiteral("7 ")), 0);
    EXPECT_EQ(ParseModuleAddress(QString()), 0);
    EXPECT_EQ(ParseModuleAddress(QStringLiteral("99999999999")), 0);
}

TEST(ConnectionParameters, ComPortDefaultsToOneAndKeepsSixteenBits) {
    EXPECT_EQ(ParseComPort(QStringLiteral("3")), 3);
    EXPECT_EQ(ParseComPort(QStringLiteral("x")), 1);
    EXPECT_EQ(ParseComPort(QString()), 1);
    EXPECT_EQ(ParseComPort(QStringLiteral("65536")), 0);
    EXPECT_EQ(ParseComPort(QStringLiteral("65537")), 1);
    EXPECT_EQ(ParseComPort(QStringLiteral("300")), 300);
    EXPECT_EQ(ParseComPort(QStringLiteral("-1")), 0xFFFF);
}

TEST(ConnectionParameters, IsaBaseAddressNeedsFourCharactersWithThreeHexDigits) {
    EXPECT_EQ(ParseIsaBaseAddress(QStringLiteral("2A0h")), 0x2A0);
    EXPECT_EQ(ParseIsaBaseAddress(QStringLiteral("2a0h")), 0x2A0);
    EXPECT_EQ(ParseIsaBaseAddress(QStringLiteral("FFFh")), 0xFFF);
    EXPECT_EQ(ParseIsaBaseAddress(QStringLiteral("000h")), 0);
    EXPECT_EQ(ParseIsaBaseAddress(QStringLiteral("2A0x")), 0x2A0);  // the fourth character is dropped
    EXPECT_EQ(ParseIsaBaseAddress(QStringLiteral("300")), 0x300);
    EXPECT_EQ(ParseIsaBaseAddress(QStringLiteral("0x2A0")), 0x300);
    EXPECT_EQ(ParseIsaBaseAddress(QStringLiteral("2G0h")), 0x300);
    EXPECT_EQ(ParseIsaBaseAddress(QStringLiteral(" 2Ah")), 0x300);
    EXPECT_EQ(ParseIsaBaseAddress(QStringLiteral("-2Ah")), 0x300);
    EXPECT_EQ(ParseIsaBaseAddress(QString()), 0x300);
    EXPECT_EQ(ParseIsaBaseAddress(QStringLiteral("ěšč0")), 0x300);

    EXPECT_EQ(FormatIsaBaseAddress(0x2A0), QStringLiteral("2A0h"));
    EXPECT_EQ(FormatIsaBaseAddress(0x300), QStringLiteral("300h"));
    EXPECT_EQ(FormatIsaBaseAddress(0x00A), QStringLiteral("00Ah"));
    EXPECT_EQ(FormatIsaBaseAddress(0xFFFF), QStringLiteral("FFFFh"));
    // What is shown reads back as itself.
    for (std::uint16_t a : {0x000, 0x2A0, 0x300, 0xABC, 0xFFF}) {
        EXPECT_EQ(ParseIsaBaseAddress(FormatIsaBaseAddress(a)), a);
    }
}

TEST(ConnectionParameters, UdpValueIsAnUnsignedSixteenBitNumber) {
    EXPECT_EQ(ParseUdpValue(QStringLiteral("0")), 0);
    EXPECT_EQ(ParseUdpValue(QStringLiteral("5000")), 5000);
    EXPECT_EQ(ParseUdpValue(QStringLiteral("65535")), 65535);
    EXPECT_EQ(ParseUdpValue(QStringLiteral("$FFFF")), 65535);
    EXPECT_FALSE(ParseUdpValue(QStringLiteral("65536")));
    EXPECT_FALSE(ParseUdpValue(QStringLiteral("70000")));
    EXPECT_FALSE(ParseUdpValue(QStringLiteral("-1")));
    EXPECT_FALSE(ParseUdpValue(QStringLiteral("$FFFFFFFF")));
    EXPECT_FALSE(ParseUdpValue(QStringLiteral("port")));
    EXPECT_FALSE(ParseUdpValue(QString()));
}

TEST(ConnectionIdentity, PartsAreFourWindows1250Characters) {
    EXPECT_EQ(IdentityPart('R', 'Q', '-', '3'), QStringLiteral("RQ-3"));
    EXPECT_EQ(IdentityPart('6', ' ', ' ', ' '), QStringLiteral("6   "));
    EXPECT_EQ(IdentityPart(0xE8, 0x9A, 0x9E, 0xF8), QStringLiteral("čšžř"));
    // Control bytes would cut or garble the text: they show as '?'.
    EXPECT_EQ(IdentityPart(0, '1', 0x0A, 0x7F), QStringLiteral("?1??"));
}

}  // namespace
}  // namespace rq36
