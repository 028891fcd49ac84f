// Snapshots against the simulated module through the COM-port library
// (kind 0): a round trip (save, change through the configuration transfers,
// compare by name, restore, compare again, the module's memory as saved) and
// a clone to three modules on one line, found at their new addresses after
// their restart, without the source's calibration.
#include <memory>

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include "interface/binding.h"
#include "interface/connection_logic.h"
#include "module/config_transfer.h"
#include "module/snapshot_transfer.h"

using namespace rq36;

inline void PrintTo(const QString& s, std::ostream* os) { *os << s.toStdString(); }

namespace {

struct QuietHost : TransferHost {
    void ShowStatus(const QString&) override {}
    void ProcessEvents() override {}
    void Pause(int) override {}
};
struct QuietSink : SnapshotSink {
    void ShowStatus(const QString&) override {}
};

// The path to the module at another address of the same line.
struct LinkAt : ModuleLink {
    LinkAt(const ConnectionSettings& record, std::uint8_t address) : settings(record) {
        settings.ModuleAddress = address;
    }
    ModuleReply Send(const ModuleCommand& c) override { return link.Send(c); }
    QString StatusText(std::uint8_t status) override { return link.StatusText(status); }
    ConnectionSettings settings;
    BoundModuleLink link{settings};
};

class SnapshotEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetInterfaceLibraryFolder(RQ36_BIN_DIR);
        // Set here: the environment of gtest_discover_tests's PROPERTIES
        // keeps only its first variable.
        qputenv("RQ36_SIM_INSTANT", "1");
        qunsetenv("RQ36_SIM_FAULT");
        qunsetenv("RQ36_SIM_CONFIG");
        ASSERT_TRUE(dir.isValid());
        SetDefaults(&record);
    }
    void TearDown() override { CloseConnection(record); }
    void Connect() {
        ConnectionInputs inputs;
        inputs.kindIndex = kKindComPort;
        inputs.addressText = QStringLiteral("1");
        inputs.parameter1 = QStringLiteral("1");
        ASSERT_TRUE(InitializeConnection(record, inputs, {}).connected);
    }
    Snapshot Save(ModuleLink& link, bool withCalibration = true) {
        SnapshotRead read = ReadModuleSnapshot(link, sink, withCalibration);
        EXPECT_TRUE(read.snapshot) << read.error.toStdString();
        return read.snapshot.value_or(Snapshot{});
    }
    QStringList Differences(ModuleLink& link, const Snapshot& s) {
        const ModuleComparison c = CompareWithModule(link, s, sink);
        EXPECT_TRUE(c.differences) << c.error.toStdString();
        QStringList texts;
        for (const SnapshotDifference& d : c.differences.value_or(std::vector<SnapshotDifference>{})) texts << d.text;
        return texts;
    }
    // The hexadecimal line of a bank in the state file's section of a module.
    QByteArray StateLine(const QString& path, const QByteArray& module, const QByteArray& key) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        bool inSection = false;
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (line.startsWith('[')) inSection = line.trimmed() == "[module " + module + "]";
            if (inSection && line.startsWith(key + " = ")) return line.mid(key.size() + 3).trimmed().toLower();
        }
        return {};
    }
    static QByteArray Hex(const SnapshotBank& bank) {
        QByteArray out;
        for (const auto& b : bank) out += QByteArray::number(*b, 16).rightJustified(2, '0');
        return out.toLower();
    }

    QTemporaryDir dir;
    ConnectionSettings record;
    QuietSink sink;
};

TEST_F(SnapshotEndToEndTest, RoundTripThroughTheConfigurationTransfers) {
    const QString state = dir.filePath(QStringLiteral("module.state"));
    qputenv("RQ36_SIM_STATE", state.toLocal8Bit());
    Connect();
    BoundModuleLink link(record);
    const Snapshot saved = Save(link);
    ASSERT_TRUE(saved.calibration);
    EXPECT_EQ(saved.identity, record.ModuleIdentity);

    // Changed as the range and digital option dialogs change it.
    QuietHost host;
    ConfigImageBytes image = record.ConfigImage;
    ASSERT_EQ(ReadConfigBytes(&record, host, kAnalogRangeSlots, image), TransferResult::Done);
    ASSERT_EQ(ReadConfigBytes(&record, host, kDigitalOptionSlots, image), TransferResult::Done);
    image[kImgRange0 + 3] = 13;
    image[kImgInputNegation0 + 1] = 0x0F;
    ASSERT_EQ(WriteConfigBytes(&record, host, kAnalogRangeSlots, image), TransferResult::Done);
    ASSERT_EQ(WriteConfigBytes(&record, host, kDigitalOptionSlots, image), TransferResult::Done);
    EXPECT_EQ(Differences(link, saved), (QStringList{QStringLiteral("AIN3 rozsah: +/- 10V DC → 20mA AC"),
                                                     QStringLiteral("Port 1 negace vstupů: FFh → 0Fh")}));

    const RestoreOutcome restored = RestoreSnapshot(link, saved, {}, sink);
    EXPECT_EQ(restored.result, SnapshotResult::Done) << restored.message.toStdString();
    EXPECT_EQ(restored.written, 2);
    EXPECT_TRUE(Differences(link, saved).isEmpty());
    EXPECT_EQ(StateLine(state, "main", "bank0"), Hex(saved.bank0));
    EXPECT_EQ(StateLine(state, "main", "bank31"), Hex((*saved.calibration)[1]));
}

TEST_F(SnapshotEndToEndTest, CloneToThreeModulesOnOneLine) {
    const QString config = dir.filePath(QStringLiteral("sim.conf"));
    {
        QFile file(config);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QTextStream(&file) << "[module t2]\naddress = 2\n[module t3]\naddress = 3\n[module t4]\naddress = 4\n"
                              "[lines]\norsa = main, t2, t3, t4\n";
    }
    qputenv("RQ36_SIM_CONFIG", config.toLocal8Bit());
    qputenv("RQ36_SIM_STATE", ":memory:clone");
    Connect();
    BoundModuleLink source(record);
    // The source's own configuration and calibration.
    for (const auto& [bank, address, value] : {std::tuple<int, int, int>{0, RangeAddress(2), 9},
                                               {0, OutputNegationAddress(3), 0x3C},
                                               {0, 0x70, 0x5A},
                                               {30, 0, 0x55}})
        ASSERT_EQ(WriteConfigByteVerified(source, static_cast<std::uint8_t>(bank), static_cast<std::uint8_t>(address),
                                          static_cast<std::uint8_t>(value))
                      .outcome,
                  VerifiedWrite::Done);
    const Snapshot saved = Save(source);

    const std::vector<CloneTarget> targets = {{2, 10}, {3, 11}, {4, 12}};
    std::vector<int> asked;
    const CloneOutcome cloned = CloneSnapshot(
        [this](std::uint8_t address) { return std::make_unique<LinkAt>(record, address); }, saved, targets, sink,
        [&](int k, const CloneTarget&) {
            asked.push_back(k);
            return true;
        });
    EXPECT_EQ(cloned.result, SnapshotResult::Done) << cloned.message.toStdString();
    EXPECT_EQ(cloned.modulesDone, 3);
    EXPECT_EQ(asked, (std::vector<int>{0, 1, 2}));

    Snapshot configuration = saved;
    configuration.calibration.reset();
    for (const CloneTarget& t : targets) {
        LinkAt before(record, t.currentAddress);
        // Until its restart the module answers at its old address.
        ASSERT_TRUE(before.Send(ReadConfigByteCommand(0, 0)).Ok());
        ASSERT_TRUE(before.Send(RestartCommand()).Ok());
        EXPECT_FALSE(before.Send(ReadConfigByteCommand(0, 0)).Ok());
        LinkAt after(record, t.newAddress);
        EXPECT_EQ(Differences(after, configuration),
                  QStringList{QStringLiteral("Adresa modulu: 1 → %1").arg(t.newAddress)});
        const ModuleReply calibration = after.Send(ReadConfigByteCommand(30, 0));
        ASSERT_TRUE(calibration.Ok());
        EXPECT_NE(calibration.r[2], 0x55);  // never cloned
    }
}

}  // namespace
