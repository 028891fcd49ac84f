// Snapshots over a scripted module: the file's text and its reader's
// refusals (nothing sent to the module), the comparison's texts, and what a
// restore writes, in which order, and when it refuses.
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "module/snapshot.h"
#include "module/snapshot_file.h"
#include "module/snapshot_transfer.h"
#include "scripted_module.h"

using namespace rq36;

inline void PrintTo(const QString& s, std::ostream* os) { *os << s.toStdString(); }
using rq36::test::ScriptedModule;

namespace {

struct RecordingSink : SnapshotSink {
    void ShowStatus(const QString& text) override { statuses << text; }
    void Note(const QString& line) override { notes << line; }
    QStringList statuses;
    QStringList notes;
};

// A module that identifies itself with `identity` (three parts of four
// characters, as "RQ-36   1.02" gives "RQ-36    v.1.02"), its bank 0
// factory-like and its calibration banks patterned.
class SnapshotTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetIdentity("RQ-36   1.02");
        auto& b0 = module.memory[0];
        for (int p = 0; p < kDigitalPorts; ++p) {
            b0[InputNegationAddress(p)] = 0xFF;
            b0[OutputNegationAddress(p)] = 0xFF;
        }
        b0[kCfgModuleAddress] = 1;
        b0[kCfgSpeed] = 4;
        for (int b = 30; b <= 32; ++b)
            for (int a = 0; a < 256; ++a) module.memory[b][a] = static_cast<std::uint8_t>(a ^ b);
    }
    void SetIdentity(const char* twelve) {
        module.answer = [text = QByteArray(twelve)](const ModuleCommand& c) {
            ModuleReply r;
            if (c.command == kCmdReadIdentity)
                for (int k = 0; k < 4; ++k) r.r[k] = static_cast<std::uint8_t>(text[c.d0 * 4 + k]);
            return r;
        };
    }
    Snapshot Save() {
        SnapshotRead read = ReadModuleSnapshot(module, sink);
        EXPECT_TRUE(read.snapshot) << read.error.toStdString();
        return read.snapshot.value_or(Snapshot{});
    }
    std::vector<ModuleCommand> Writes() const { return module.SentWith(kCmdWriteConfigByte); }

    ScriptedModule module;
    RecordingSink sink;
};

TEST_F(SnapshotTest, SaveReadsEveryAddressOnceAndTheTextReadsBackTheSame) {
    module.memory[0][0x50] = 0x42;
    Snapshot saved = Save();
    EXPECT_EQ(saved.identity, QStringLiteral("RQ-36    v.1.02"));
    EXPECT_EQ(module.SentWith(kCmdReadConfigByte).size(), 4u * 256u);
    EXPECT_EQ(sink.statuses.last(), QStringLiteral(" Konfigurace přečtena."));
    saved.bank0[0x90].reset();  // an address the module refused

    const QByteArray text = SnapshotToText(saved);
    EXPECT_TRUE(text.startsWith("RQ36CFG 1\n"));
    EXPECT_TRUE(text.contains("ain0.range = 0"));
    EXPECT_TRUE(text.contains("# +/- 10V DC"));
    EXPECT_TRUE(text.contains("port2.input_negation = FF"));
    EXPECT_TRUE(text.contains("bank0.90 = -- 00"));
    const SnapshotReadResult read = SnapshotFromText(text);
    ASSERT_TRUE(read.snapshot) << read.error.toStdString();
    EXPECT_EQ(read.snapshot->identity, saved.identity);
    EXPECT_EQ(read.snapshot->taken.toString(Qt::ISODate), saved.taken.toString(Qt::ISODate));
    EXPECT_TRUE(CompareSnapshots(saved, *read.snapshot).empty());
    EXPECT_EQ(read.snapshot->bank0[0x50], 0x42);

    // An address the module refuses (reply byte 02h) is recorded as absent.
    struct RefusingLink : ModuleLink {
        explicit RefusingLink(ModuleLink& inner) : inner_(inner) {}
        ModuleReply Send(const ModuleCommand& c) override {
            ModuleReply r = inner_.Send(c);
            if (c.command == kCmdReadConfigByte && c.d0 == 0 && c.data[1] == 0x90) r = {0, 0x02, {}};
            return r;
        }
        QString StatusText(std::uint8_t status) override { return inner_.StatusText(status); }
        ModuleLink& inner_;
    } refusing(module);
    const SnapshotRead partial = ReadModuleSnapshot(refusing, sink, false);
    ASSERT_TRUE(partial.snapshot);
    EXPECT_FALSE(partial.snapshot->bank0[0x90]);
    EXPECT_EQ(partial.snapshot->bank0[0x50], 0x42);
    EXPECT_FALSE(partial.snapshot->calibration);
}

TEST_F(SnapshotTest, ComparisonNamesTheNamedBytesAndLocatesTheOthers) {
    const Snapshot before = Save();
    Snapshot after = before;
    after.bank0[RangeAddress(3)] = 13;
    after.bank0[InputNegationAddress(1)] = 0x0F;
    after.bank0[kCfgSpeed] = 8;
    after.bank0[0x80] = 0x12;
    (*after.calibration)[1][8] = 0x00;
    after.bank0[0x81].reset();
    const std::vector<SnapshotDifference> d = CompareSnapshots(before, after);
    QStringList texts;
    for (const SnapshotDifference& x : d) texts << x.text;
    EXPECT_EQ(
        texts,
        (QStringList{
            QStringLiteral("AIN3 rozsah: +/- 10V DC → 20mA AC"), QStringLiteral("Port 1 negace vstupů: FFh → 0Fh"),
            QStringLiteral("Rychlost: 9600 Bd → 115200 Bd"), QStringLiteral("Banka 0, adresa 80h: 00h → 12h"),
            QStringLiteral("Banka 0, adresa 81h: 00h → není"), QStringLiteral("Banka 31, adresa 08h: 17h → 00h")}));
}

TEST_F(SnapshotTest, FileDefectsAreRefusedWithNothingSent) {
    const QByteArray good = SnapshotToText(Save());
    module.sent.clear();
    QByteArray changedCell = good;
    changedCell.replace("bank0.00 = 00 00 00 00", "bank0.00 = 00 00 00 05");
    QByteArray notUtf8 = good;
    notUtf8.replace("identity = \"RQ", "identity = \"\xff\xfe");
    const struct {
        QByteArray text;
        const char* reason;
    } defects[] = {
        {QByteArray(good).replace("RQ36CFG 1", "RQ36CFG 2"), "neznámá verze souboru „2“"},
        {good.left(good.size() / 2), "soubor je neúplný"},
        {good.left(good.indexOf("\nend\n") + 1), "chybí závěrečný řádek „end“"},
        {QByteArray(good).replace("ain3.range = 0", "ain3.range = 14"), "mimo rozsah 0 až 13"},
        {QByteArray(good).replace("speed = 4", "speed = 1"), "mimo rozsah 2 až 8"},
        {changedCell, "bajt 03h banky 0 (AIN3 rozsah)"},
        {QByteArray("W_rq36.ini\n"), "nejde o soubor konfigurace"},
        {notUtf8, "není text v kódování UTF-8"},
        {QByteArray(good).replace("taken = ", "taken = x"), "neplatné datum"},
        {QByteArray(good).replace("parity = 0", "parity = 0\nparity = 0"), "dvakrát"},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("defect.rq36cfg"));
    for (const auto& defect : defects) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(defect.text);
        file.close();
        RestoreOptions options;
        options.withCalibration = true;
        const RestoreOutcome outcome = RestoreSnapshotFile(module, path, options, sink);
        EXPECT_EQ(outcome.result, SnapshotResult::Refused) << defect.reason;
        EXPECT_TRUE(outcome.message.startsWith(QStringLiteral(" Soubor konfigurace nelze použít: ")))
            << outcome.message.toStdString();
        EXPECT_TRUE(outcome.message.contains(QString::fromUtf8(defect.reason))) << outcome.message.toStdString();
    }
    EXPECT_TRUE(module.sent.empty());
    EXPECT_FALSE(RestoreSnapshotFile(module, dir.filePath(QStringLiteral("none")), {}, sink).message.isEmpty());
    const QString folderRefused = RestoreSnapshotFile(module, dir.path(), {}, sink).message;
    EXPECT_TRUE(folderRefused.contains(QStringLiteral("obyčejný"))) << folderRefused.toStdString();
    EXPECT_TRUE(module.sent.empty());
}

TEST_F(SnapshotTest, RestoreWritesOnlyWhatDiffersCommunicationLastCalibrationWhenAsked) {
    const Snapshot saved = Save();
    module.memory[0][kCfgModuleAddress] = 9;
    module.memory[0][RangeAddress(5)] = 7;
    module.memory[0][0xC0] = 0x33;
    module.memory[31][17] = 0x00;
    module.sent.clear();

    const RestoreOutcome plain = RestoreSnapshot(module, saved, {}, sink);
    EXPECT_EQ(plain.result, SnapshotResult::Done);
    EXPECT_EQ(plain.written, 3);
    EXPECT_TRUE(plain.communicationChanged);
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0].data[1], RangeAddress(5));
    EXPECT_EQ(writes[1].data[1], 0xC0);
    EXPECT_EQ(writes[2].data[1], kCfgModuleAddress);
    EXPECT_EQ(module.memory[0][kCfgModuleAddress], 1);
    EXPECT_EQ(module.memory[31][17], 0x00);  // calibration not asked for
    EXPECT_EQ(plain.message, QStringLiteral(" Konfigurace zapsána."));
    EXPECT_EQ(sink.notes, QStringList{QStringLiteral("Nová adresa, rychlost, parita a protokol platí až po „Restart "
                                                     "modulu“.")});
    EXPECT_TRUE(sink.statuses.contains(QStringLiteral(" Probíhá zápis konfigurace do modulu (33 %)")));

    RestoreOptions withCalibration;
    withCalibration.withCalibration = true;
    const RestoreOutcome calibration = RestoreSnapshot(module, saved, withCalibration, sink);
    EXPECT_EQ(calibration.written, 1);
    EXPECT_EQ(module.memory[31][17], 17 ^ 31);
    EXPECT_EQ(RestoreSnapshot(module, saved, withCalibration, sink).message,
              QStringLiteral(" Konfigurace modulu se shoduje se souborem."));

    // A read-back that differs stops the restore.
    module.memory[0][0xC1] = 0x03;  // read as 02h, 00h written reads back as 01h
    module.corrupt = 0xC1;
    EXPECT_EQ(RestoreSnapshot(module, saved, {}, sink).message, QStringLiteral(" Chyba zápisu dat."));
}

TEST_F(SnapshotTest, CalibrationGoesOnlyToTheSameIdentity) {
    const Snapshot saved = Save();
    module.memory[30][0] = 0x99;
    SetIdentity("RQ-36   1.03");
    module.sent.clear();
    RestoreOptions options;
    options.withCalibration = true;
    const RestoreOutcome outcome = RestoreSnapshot(module, saved, options, sink);
    EXPECT_EQ(outcome.result, SnapshotResult::Refused);
    EXPECT_EQ(outcome.message, QStringLiteral(" Kalibrační konstanty nelze obnovit: soubor je z modulu „RQ-36    "
                                              "v.1.02“, připojen je modul „RQ-36    v.1.03“. Nic nebylo zapsáno."));
    EXPECT_TRUE(Writes().empty());

    Snapshot withoutCalibration = saved;
    withoutCalibration.calibration.reset();
    EXPECT_EQ(RestoreSnapshot(module, withoutCalibration, options, sink).result, SnapshotResult::Refused);
    // Without calibration any module of the kind takes the configuration.
    EXPECT_EQ(RestoreSnapshot(module, saved, {}, sink).result, SnapshotResult::Done);
    EXPECT_EQ(module.memory[30][0], 0x99);
}

TEST_F(SnapshotTest, CloneTargetsStayWithinTheAddresses) {
    const auto targets = CloneTargets(1, 10, 5, 3);
    ASSERT_TRUE(targets);
    ASSERT_EQ(targets->size(), 3u);
    EXPECT_EQ((*targets)[2].newAddress, 20);
    EXPECT_EQ((*targets)[2].currentAddress, 1);
    EXPECT_FALSE(CloneTargets(1, 250, 3, 3));
    EXPECT_FALSE(CloneTargets(1, 0, 1, 1));
}

}  // namespace
