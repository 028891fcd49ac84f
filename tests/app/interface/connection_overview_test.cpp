// The connection at a glance: the device text beside a port number, the
// devices offered, the client area's rows, and the offer to connect anew
// after a restart.
#include <cstdlib>

#include <gtest/gtest.h>

#include "interface/connection_overview.h"
#include "interface/reconnect_offer.h"

namespace rq36 {
namespace {

struct Unset {
    explicit Unset(std::initializer_list<const char*> names) : names_(names) {
        for (const char* n : names_) ::unsetenv(n);
    }
    ~Unset() {
        for (const char* n : names_) ::unsetenv(n);
    }
    std::vector<const char*> names_;
};

TEST(PortDevice, TextWithAndWithoutTheVariable) {
    const Unset clean{"RQ36_COM1", "RQ36_COM33", "RQ36_COM200"};
    EXPECT_EQ(PortDeviceText(33), QStringLiteral("→ /dev/ttyUSB0"));
    EXPECT_EQ(PortDeviceText(200), QStringLiteral("→ žádné zařízení (nastavte RQ36_COM200)"));
    EXPECT_EQ(PortDeviceText(256), QStringLiteral("→ port mimo rozsah 1-255"));
    ::setenv("RQ36_COM1", "/dev/pts/3", 1);
    EXPECT_EQ(PortDeviceText(1), QStringLiteral("→ /dev/pts/3 (RQ36_COM1)"));

    const std::vector<SerialDeviceChoice> choices = SerialDeviceChoices({"/dev/ttyUSB0", "/dev/ttyS40", "/dev/pts/3"});
    ASSERT_EQ(choices.size(), 3u);
    EXPECT_EQ(choices[0].port, 33);
    EXPECT_EQ(choices[0].itemText, QStringLiteral("/dev/ttyUSB0   (COM33)"));
    EXPECT_EQ(choices[1].port, std::nullopt);
    EXPECT_EQ(choices[1].itemText, QStringLiteral("/dev/ttyS40   (bez čísla portu)"));
    EXPECT_EQ(choices[2].port, 1);
    EXPECT_TRUE(NoPortHint(QStringLiteral("/dev/ttyS40")).contains(QStringLiteral("RQ36_COM<n>=/dev/ttyS40")));
}

QStringList Rows(const std::vector<OverviewRow>& rows) {
    QStringList texts;
    for (const OverviewRow& r : rows) texts << r.label + QStringLiteral(": ") + r.value;
    return texts;
}

TEST(Overview, RowsConnectedAndNot) {
    const Unset clean{"RQ36_COM33"};
    ConnectionSettings s;
    SetDefaults(&s);
    s.InterfaceKind = kKindModbus;
    s.ComPort = 33;
    s.Speed = 19200;
    s.Parity = 2;
    EXPECT_EQ(Rows(ConnectionOverviewRows(s, std::nullopt)),
              (QStringList{QStringLiteral("Rozhraní: Standardní COMx (protokol Modbus RTU)"),
                           QStringLiteral("Port: COM33  → /dev/ttyUSB0"), QStringLiteral("Adresa modulu: 1"),
                           QStringLiteral("Rychlost: 19200 Bd, parita žádná"), QStringLiteral("Modul: není připojen"),
                           QStringLiteral("Poslední úspěšná výměna: dosud žádná")}));

    s.InterfaceKind = kKindOrsG;
    s.EuartIndex = 1;
    s.Connected = true;
    s.LibraryHandle = 1;
    s.ModuleIdentity = QStringLiteral("RQ-36    v.1.02");
    const QDateTime at(QDate(2026, 12, 8), QTime(9, 15, 2));
    EXPECT_EQ(Rows(ConnectionOverviewRows(s, at)),
              (QStringList{QStringLiteral("Rozhraní: PCI karta ORS-G (protokol Vextbus-2)"),
                           QStringLiteral("Kanál karty: EUART2"), QStringLiteral("Adresa modulu: 1"),
                           QStringLiteral("Rychlost: 19200 Bd"), QStringLiteral("Modul: RQ-36    v.1.02"),
                           QStringLiteral("Poslední úspěšná výměna: 09:15:02")}));

    s.InterfaceKind = kKindOrsE;
    EXPECT_EQ(ConnectionOverviewRows(s, at)[1].value, QStringLiteral("192.168.1.10, UDP port 5000"));
    s.InterfaceKind = kKindComPort;  // Vextbus-2 on a port: no device of this machine behind it
    EXPECT_EQ(ConnectionOverviewRows(s, at)[1].value, QStringLiteral("COM33"));
}

// The address dialog's image with the module's communication settings.
ConfigImageBytes Image(std::uint8_t address, std::uint8_t speedCode, std::uint8_t parity, std::uint8_t protocol) {
    ConfigImageBytes image = DefaultConfigImage();
    image[kImgModuleAddress] = address;
    image[kImgSpeedCode] = speedCode;
    image[kImgParity] = parity;
    image[kImgProtocol] = protocol;
    return image;
}

TEST(ReconnectAfterRestart, OfferedOnlyWhenTheModuleHoldsOtherSettings) {
    ConnectionSettings s;
    SetDefaults(&s);
    s.InterfaceKind = kKindModbus;
    EXPECT_EQ(OfferAfterRestart(s), std::nullopt);  // nothing known of the module's memory

    NoteModuleHeld(s, kAnalogRangeSlots, Image(7, 6, 0, 1));  // a run without the communication bytes
    EXPECT_FALSE(s.ModuleHeld);
    NoteModuleHeld(s, kCommunicationSlots, Image(1, 4, 0, 1));
    ASSERT_TRUE(s.ModuleHeld);
    EXPECT_EQ(OfferAfterRestart(s), std::nullopt);  // the same as the connection

    NoteModuleHeld(s, kCommunicationSlots, Image(1, 4, 2, 1));  // parity, on a Modbus RTU line
    ASSERT_TRUE(OfferAfterRestart(s));
    EXPECT_EQ(OfferAfterRestart(s)->parity, 2);

    NoteModuleHeld(s, kCommunicationSlots, Image(7, 6, 0, 1));
    std::optional<ReconnectOffer> offer = OfferAfterRestart(s);
    ASSERT_TRUE(offer);
    EXPECT_EQ(offer->question, QStringLiteral("Modul po restartu komunikuje podle nového nastavení:\n"
                                              "adresa 7, rychlost 38400 Bd, protokol Modbus RTU, parita sudá.\n\n"
                                              "Připojení programu dosud používá:\n"
                                              "adresa 1, rychlost 9600 Bd, protokol Modbus RTU, parita sudá.\n\n"
                                              "Připojit se k modulu znovu s novým nastavením?"));
    ApplyReconnectOffer(s, *offer);
    EXPECT_EQ(s.ModuleAddress, 7);
    EXPECT_EQ(s.Speed, 38400);
    EXPECT_EQ(s.InterfaceKind, kKindModbus);
    EXPECT_EQ(OfferAfterRestart(s), std::nullopt);

    // Another protocol: the port's other kind; a Vextbus-2 line ignores parity.
    NoteModuleHeld(s, kCommunicationSlots, Image(7, 6, 1, 0));
    offer = OfferAfterRestart(s);
    ASSERT_TRUE(offer);
    EXPECT_EQ(offer->kind, kKindComPort);
    ApplyReconnectOffer(s, *offer);
    NoteModuleHeld(s, kCommunicationSlots, Image(7, 6, 1, 0));
    EXPECT_EQ(OfferAfterRestart(s), std::nullopt);
    s.InterfaceKind = kKindOrsG;
    NoteModuleHeld(s, kCommunicationSlots, Image(7, 6, 1, 1));
    EXPECT_EQ(OfferAfterRestart(s)->kind, kKindModbus);
    NoteModuleHeld(s, kCommunicationSlots, Image(7, 12, 1, 1));  // a speed code no list knows
    EXPECT_EQ(OfferAfterRestart(s), std::nullopt);
}

}  // namespace
}  // namespace rq36
