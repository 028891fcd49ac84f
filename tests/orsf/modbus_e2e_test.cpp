// W_RQ36's connection with kind 5 (Modbus RTU) through the real libORSF.so
// to the simulated module on a pseudo-terminal, then a configuration read
// and write through it, as the connection dialog and the configuration
// dialogs do it (without their windows).
#include <gtest/gtest.h>

#include "connection_settings.h"
#include "interface/binding.h"
#include "interface/connection_logic.h"
#include "modbus_simulator.h"
#include "module/config_transfer.h"

namespace {

constexpr int kModbusKind = 5;
constexpr int kPort = 7;

class SilentHost : public rq36::ModuleHost {
public:
    QString last;
    void ShowStatus(const QString& text) override { last = text; }
    void ProcessEvents() override {}
    void Pause(int) override {}
};

class ModbusEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(sim_.Device().isEmpty()) << "the simulator did not start";
        qputenv("RQ36_COM7", sim_.Device().toLocal8Bit());
        rq36::SetInterfaceLibraryFolder(RQ36_BIN_DIR);
        rq36::SetDefaults(&settings_);
    }
    void TearDown() override {
        ors_handle_t handle = settings_.LibraryHandle;
        if (rq36::InterfaceLoaded()) rq36::CloseInterface(kModbusKind, &handle);
        qunsetenv("RQ36_COM7");
    }
    // The connection dialog's inputs: Modbus RTU on port 7, 9600 Bd.
    QString Connect(const QString& address = QStringLiteral("1"), int parityIndex = 0) {
        rq36::ConnectionInputs in;
        in.kindIndex = kModbusKind;
        in.addressText = address;
        in.speedIndex = rq36::IndexFromSpeed(9600);
        in.parityIndex = parityIndex;
        in.parameter1 = QString::number(kPort);
        QString shown;
        rq36::InitializeConnection(settings_, in, [&](const QString& text, bool) { shown = text; });
        return shown;
    }

    ModbusSimulator sim_;
    rq36::ConnectionSettings settings_;
};

}  // namespace

TEST_F(ModbusEndToEnd, ConnectThenReadAndWriteTheConfiguration) {
    const QString status = Connect();
    ASSERT_EQ(status, QString::fromUtf8(rq36::kStatusSuccessPrefix) + QStringLiteral("RQ-36    v.1.02"))
        << status.toStdString();
    ASSERT_TRUE(rq36::IsConnected(&settings_));

    SilentHost host;
    rq36::ConfigImageBytes image{};
    ASSERT_EQ(rq36::ReadConfigBytes(&settings_, host, rq36::kCommunicationSlots, image), rq36::TransferResult::Done)
        << host.last.toStdString();
    EXPECT_EQ(image[rq36::kImgModuleAddress], 1);
    EXPECT_EQ(image[rq36::kImgSpeedCode], 4);  // 9600 Bd
    EXPECT_EQ(image[rq36::kImgParity], 0);     // even
    EXPECT_EQ(image[rq36::kImgProtocol], 1);   // Modbus RTU

    for (int i = 0; i < 6; ++i)
        image[static_cast<std::size_t>(rq36::kImgRange0 + i)] = static_cast<std::uint8_t>(i + 3);
    ASSERT_EQ(rq36::WriteConfigBytes(&settings_, host, rq36::kAnalogRangeSlots, image), rq36::TransferResult::Done)
        << host.last.toStdString();
    rq36::ConfigImageBytes reread{};
    ASSERT_EQ(rq36::ReadConfigBytes(&settings_, host, rq36::kAnalogRangeSlots, reread), rq36::TransferResult::Done);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(reread[static_cast<std::size_t>(rq36::kImgRange0 + i)], i + 3) << i;
}

TEST_F(ModbusEndToEnd, ModuleOfOtherSettingsStaysSilent) {
    const QString noReply = QStringLiteral("Timeout - nepřišla žádná odpověď");
    EXPECT_EQ(Connect(QStringLiteral("2")), noReply);  // another address
    EXPECT_FALSE(settings_.Connected);
    EXPECT_EQ(Connect(QStringLiteral("1"), 1), noReply);  // odd parity against even
    EXPECT_TRUE(Connect().startsWith(QString::fromUtf8(rq36::kStatusSuccessPrefix)));
}

TEST_F(ModbusEndToEnd, PortWithoutDeviceIsNamed) {
    qputenv("RQ36_COM7", "/dev/rq36-no-such-port");
    EXPECT_EQ(Connect(), QString::fromUtf8(rq36::kStatusInitErrorPrefix) +
                             QStringLiteral("Port COM7 nenalezen: /dev/rq36-no-such-port"));
}
