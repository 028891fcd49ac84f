// The calibration procedure over a scripted module: every row of the state
// table, the start, the log texts, the record in the module's memory.
#include <cmath>
#include <cstdlib>
#include <deque>

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "calibration/calibration_backup.h"
#include "calibration/calibration_procedure.h"
#include "scripted_module.h"

using namespace rq36;
using rq36::test::ScriptedModule;

namespace {

const QString kRule = QString(53, u'_') + u' ';
const QString kPrompt = QStringLiteral("Vyber kalibrovaný vstup a rozsah, stiskni tlačítko Kalibrace.");
const QStringList kEndText = {QString(), QStringLiteral("Kalibrace vstupu zrušena !"), QString(), kRule, QString(),
                              kPrompt};
const QString kMeasuredError =
    QStringLiteral("Chyba naměřených hodnot. Zkontroluj připojení vstupu a proveď znovu kalibraci.");
const QString kCurrentBounds = QStringLiteral("Hodnota proudu musí být v rozsahu 18-20mA.");

struct RecordingHost : CalibrationHost {
    void ShowStatus(const QString& text) override { status = text; }
    void AppendLog(const QString& line) override { log << line; }
    void Pause(int milliseconds) override { pauses.push_back(milliseconds); }
    QString status = QStringLiteral("unchanged");
    QStringList log;
    std::vector<int> pauses;
};

// A scaled value as the module sends it: magnitude in r0..r2, sign in bit 7
// of r2, decimals in r3.
ModuleReply ScaledReply(double value, int decimals = 0) {
    const double scaled = std::abs(value) * std::pow(10.0, decimals);
    const auto magnitude = static_cast<std::uint32_t>(std::llround(scaled));
    ModuleReply reply;
    reply.r = {static_cast<std::uint8_t>(magnitude & 0xFF), static_cast<std::uint8_t>(magnitude >> 8),
               static_cast<std::uint8_t>(((magnitude >> 16) & 0x7F) | (value < 0 ? 0x80 : 0)),
               static_cast<std::uint8_t>(decimals)};
    return reply;
}

class CalibrationProcedureTest : public ::testing::Test {
protected:
    void SetUp() override {
        module.answer = [this](const ModuleCommand& c) {
            if (c.command != kCmdReadRegister || readings.empty()) return ModuleReply{};
            const double value = readings.front();
            readings.pop_front();
            return ScaledReply(value);
        };
    }
    // Starts a calibration of input on range and confirms the zero step.
    void ThroughZeroStep(int input, int range, double zero) {
        procedure.Start(module, input, range);
        readings.push_back(zero);
        procedure.Confirm(module, {});
    }
    std::vector<std::uint8_t> Memory(int bank, int first, int count) const {
        const auto& b = module.memory[static_cast<std::size_t>(bank)];
        return {b.begin() + first, b.begin() + first + count};
    }
    QStringList LogFrom(qsizetype line) const { return host.log.mid(line); }

    ScriptedModule module;
    RecordingHost host;
    CalibrationProcedure procedure{host};
    std::deque<double> readings;
    const QLocale comma{QLocale::Czech, QLocale::CzechRepublic};
    const QLocale point{QLocale::English, QLocale::UnitedStates};
};

TEST_F(CalibrationProcedureTest, StartStoresTheRangeAndAwaitsTheZeroStep) {
    procedure.Start(module, 2, 8);
    EXPECT_EQ(procedure.State(), kVoltageZeroStep);
    EXPECT_EQ(module.memory[0][2], 8);
    ASSERT_EQ(module.sent.size(), 2u);  // written and read back
    EXPECT_EQ(module.sent[0].command, kCmdWriteConfigByte);
    EXPECT_EQ(module.sent[1].command, kCmdReadConfigByte);
    EXPECT_EQ(host.log, (QStringList{QString(), kRule + QStringLiteral("Kalibrace vstupu AIN2 (5V AC) "), QString(),
                                     QStringLiteral("Zkratuj vstup a stiskni tlačítko Potvrzení.")}));
    EXPECT_EQ(host.status, QStringLiteral(" "));

    CalibrationProcedure current(host);
    current.Start(module, 5, 13);
    EXPECT_EQ(current.State(), kCurrentZeroStep);
    CalibrationProcedure ac(host);
    ac.Start(module, 0, 7);
    EXPECT_EQ(ac.State(), kVoltageZeroStep);
}

TEST_F(CalibrationProcedureTest, FailedStartStaysIdleWithTheLogUntouched) {
    module.failAt = 2;  // the read-back
    procedure.Start(module, 1, 3);
    EXPECT_EQ(procedure.State(), kCalibrationIdle);
    EXPECT_EQ(host.status, QStringLiteral(" text 4"));

    module.failAt = -1;
    module.corrupt = 1;  // the module stores another byte than the range code
    procedure.Start(module, 1, 3);
    EXPECT_EQ(procedure.State(), kCalibrationIdle);
    EXPECT_EQ(host.status, QStringLiteral(" Chyba zápisu do konfigurační paměti modulu."));
    EXPECT_TRUE(host.log.isEmpty());
}

TEST_F(CalibrationProcedureTest, ZeroStepReadsTheUncalibratedInput) {
    ThroughZeroStep(3, 0, 12);
    EXPECT_EQ(procedure.State(), kVoltageReferenceStep);
    EXPECT_EQ(module.sent.back().command, kCmdReadRegister);
    EXPECT_EQ(module.sent.back().d0, 0xD3);
    EXPECT_EQ(host.pauses, std::vector<int>{400});
    EXPECT_EQ(host.log.back(), QStringLiteral("Připoj na vstup napětí 80-100% rozsahu, zadej hodnotu napětí a stiskni "
                                              "tlačítko Potvrzení."));
    EXPECT_EQ(host.status, QStringLiteral(" "));

    CalibrationProcedure current(host);
    current.Start(module, 0, 6);
    readings.push_back(-4);
    current.Confirm(module, {});
    EXPECT_EQ(current.State(), kCurrentReferenceStep);
    EXPECT_EQ(host.log.back(), QStringLiteral("Připoj na vstup proud 80-100% rozsahu, zadej hodnotu proudu a stiskni "
                                              "tlačítko Potvrzení."));
}

TEST_F(CalibrationProcedureTest, FailedReadingEndsTheCalibrationInEitherStep) {
    procedure.Start(module, 0, 0);
    const qsizetype before = host.log.size();
    module.failAt = static_cast<int>(module.sent.size()) + 1;
    procedure.Confirm(module, {});
    EXPECT_EQ(procedure.State(), kCalibrationIdle);
    EXPECT_EQ(host.status, QStringLiteral(" text 4"));
    EXPECT_EQ(LogFrom(before), QStringList{QStringLiteral("text 4")} + kEndText);

    ThroughZeroStep(0, 6, 3);
    module.failAt = static_cast<int>(module.sent.size()) + 1;
    procedure.Confirm(module, QStringLiteral("18,0"), comma);
    EXPECT_EQ(procedure.State(), kCalibrationIdle);
    EXPECT_EQ(host.log.mid(host.log.size() - 7), QStringList{QStringLiteral("text 4")} + kEndText);
}

TEST_F(CalibrationProcedureTest, ReferenceStepWritesTheVerifiedRecord) {
    module.memory[30][7] = 0x5A;
    ThroughZeroStep(0, 0, 12);
    readings.push_back(9512);
    const std::size_t sentBefore = module.sent.size();
    const qsizetype logBefore = host.log.size();
    procedure.Confirm(module, QStringLiteral("9,5"), comma);
    EXPECT_EQ(procedure.State(), kCalibrationIdle);
    EXPECT_EQ(Memory(30, 0, 8), (std::vector<std::uint8_t>{0xF4, 0xFF, 0x10, 0x27, 0x10, 0x27, 0x83, 0x5A}));
    EXPECT_EQ(module.sent.size() - sentBefore, 15u);  // one reading, seven writes, seven read-backs
    EXPECT_EQ(host.pauses, (std::vector<int>{400, 400}));
    EXPECT_EQ(LogFrom(logBefore),
              (QStringList{QString(), QStringLiteral("Vstup zkalibrován."), QString(), kRule, QString(), kPrompt}));
    EXPECT_EQ(host.status, QStringLiteral(" "));

    // A current range, on the last input: bank 32 from address 232.
    ThroughZeroStep(5, 13, -3);
    readings.push_back(17997);
    procedure.Confirm(module, QStringLiteral("18"), comma);
    EXPECT_EQ(procedure.State(), kCalibrationIdle);
    EXPECT_EQ(Memory(32, 232, 7), (std::vector<std::uint8_t>{0x03, 0x00, 0x10, 0x27, 0x10, 0x27, 0x86}));
}

TEST_F(CalibrationProcedureTest, RefusedEntriesAndReadingsEndTheCalibration) {
    struct Case {
        int range;
        const char* entry;
        QLocale locale;
        double zero, reference;
        QString message;
    };
    const QString voltageEntry = QStringLiteral(
        "Hodnota napětí musí být v 80-100% rozsahu. Pozor na desetinnou čárku resp. tečku (nastaveno v systému).");
    const QString currentEntry = QStringLiteral(
        "Hodnota proudu musí být v rozsahu 18-20mA. Pozor na desetinnou čárku resp. tečku (nastaveno v systému).");
    const Case cases[] = {
        {0, "9.500,0", comma, 0, 9000, voltageEntry},  // both separators: no number
        {0, "9,500.0", point, 0, 9000, voltageEntry},    {6, "x", comma, 0, 18000, currentEntry},
        {6, "0,99", comma, 0, 18000, kCurrentBounds},    {6, "25,01", comma, 0, 18000, kCurrentBounds},
        {0, "9,5", comma, 25, 25, kMeasuredError},        // reference equal to zero
        {0, "9,5", comma, 25, 0, kMeasuredError},         // reference exactly 0
        {0, "-9,5", comma, 0, 9000, kMeasuredError},      // negative gain
        {0, "0", comma, 0, 9000, kMeasuredError},         // gain 0
        {0, "6,56", comma, 0, 1000, kMeasuredError},      // gain above the bound
        {3, "0,65536", comma, 0, 1000, kMeasuredError},   // gain word above 16 bits
        {0, "9,5", comma, 40000, 49500, kMeasuredError},  // offset word outside 16 bits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.entry) + " on range " + std::to_string(c.range));
        ScriptedModule fresh;
        fresh.answer = module.answer;
        readings.clear();
        procedure.Start(fresh, 1, c.range);
        readings = {c.zero, c.reference};
        procedure.Confirm(fresh, {});
        const qsizetype before = host.log.size();
        procedure.Confirm(fresh, QString::fromLatin1(c.entry), c.locale);
        EXPECT_EQ(procedure.State(), kCalibrationIdle);
        EXPECT_EQ(LogFrom(before), QStringList{c.message} + kEndText);
        EXPECT_EQ(fresh.SentWith(kCmdWriteConfigByte).size(), 1u);  // only the range byte of the start
    }
}

TEST_F(CalibrationProcedureTest, CurrentEntryBoundsAreIncluded) {
    for (const char* entry : {"1", "25", "1,0", "25,0"}) {
        ThroughZeroStep(0, 6, 0);
        readings.push_back(std::atof(entry) * 1000);
        procedure.Confirm(module, QString::fromLatin1(entry), comma);
        EXPECT_EQ(host.log.at(host.log.size() - 5), QStringLiteral("Vstup zkalibrován.")) << entry;
    }
    // On a voltage range the entry is not compared with the range.
    ThroughZeroStep(0, 0, 0);
    readings.push_back(3700);
    procedure.Confirm(module, QStringLiteral("3,7"), comma);
    EXPECT_EQ(host.log.at(host.log.size() - 5), QStringLiteral("Vstup zkalibrován."));
}

TEST_F(CalibrationProcedureTest, ReadBackMismatchEndsTheCalibrationAndWritesNoFurther) {
    module.corrupt = 2;  // byte 2 of the slot of AIN0, range 0
    ThroughZeroStep(0, 0, 12);
    readings.push_back(9512);
    const qsizetype before = host.log.size();
    procedure.Confirm(module, QStringLiteral("9,5"), comma);
    EXPECT_EQ(procedure.State(), kCalibrationIdle);
    EXPECT_EQ(LogFrom(before), QStringList{QStringLiteral("Chyba zápisu do konfigurační paměti modulu.")} + kEndText);
    EXPECT_EQ(module.SentWith(kCmdWriteConfigByte).back().data[1], 2);
}

TEST_F(CalibrationProcedureTest, CommunicationFailureWhileWritingKeepsTheStepForAnotherTry) {
    ThroughZeroStep(0, 6, 12);
    readings.push_back(18012);
    // Requests of the step: the reading, then write/read-back pairs; the
    // ninth after the reading writes byte 4.
    module.failAt = static_cast<int>(module.sent.size()) + 1 + 9;
    const qsizetype before = host.log.size();
    procedure.Confirm(module, QStringLiteral("18"), comma);
    EXPECT_EQ(procedure.State(), kCurrentReferenceStep);
    EXPECT_EQ(host.status, QStringLiteral(" text 4"));
    EXPECT_EQ(host.log.size(), before);
    EXPECT_EQ(Memory(30, 48, 4), (std::vector<std::uint8_t>{0xF4, 0xFF, 0x10, 0x27}));

    // Confirmed again: a new entry, a new reading, all seven bytes from byte 0.
    module.failAt = -1;
    module.sent.clear();
    readings.push_back(20012);
    procedure.Confirm(module, QStringLiteral("20"), comma);
    EXPECT_EQ(procedure.State(), kCalibrationIdle);
    const auto writes = module.SentWith(kCmdWriteConfigByte);
    ASSERT_EQ(writes.size(), 7u);
    for (std::uint8_t k = 0; k < 7; ++k) EXPECT_EQ(writes[k].data[1], 48 + k);
    EXPECT_EQ(Memory(30, 48, 7), (std::vector<std::uint8_t>{0xF4, 0xFF, 0x10, 0x27, 0x10, 0x27, 0x86}));
}

TEST_F(CalibrationProcedureTest, CancelEndsACalibrationAndSendsNothing) {
    procedure.Cancel();
    EXPECT_TRUE(host.log.isEmpty());
    procedure.Confirm(module, QStringLiteral("9,5"), comma);  // idle: nothing
    EXPECT_TRUE(module.sent.empty());

    for (int range : {0, 13}) {
        for (bool zeroStepDone : {false, true}) {
            procedure.Start(module, 0, range);
            if (zeroStepDone) {
                readings.push_back(1);
                procedure.Confirm(module, {});
            }
            const std::size_t sent = module.sent.size();
            const qsizetype before = host.log.size();
            procedure.Cancel();
            EXPECT_EQ(procedure.State(), kCalibrationIdle);
            EXPECT_EQ(LogFrom(before), kEndText);
            EXPECT_EQ(module.sent.size(), sent);
        }
    }
}

}  // namespace

// Before the first byte of the new record, the previous record is read and
// kept in the day's file; written back, it brings the old constants again.
TEST_F(CalibrationProcedureTest, KeepsThePreviousRecordBeforeTheFirstWriteAndRestoresIt) {
    const std::vector<std::uint8_t> old = {0x0C, 0x00, 0x4E, 0x27, 0x10, 0x27, 0x84};
    std::copy(old.begin(), old.end(), module.memory[31].begin() + 128 + 8 * 3);  // AIN3, +/- 1V DC
    QTemporaryDir folder;
    const QDateTime when = QDateTime(QDate(2026, 12, 8), QTime(10, 0), Qt::UTC);
    procedure.SetBeforeWrite([&](ModuleLink& link, int input, int range) {
        return KeepCalibrationRecord(link, folder.path(), QStringLiteral("RQ-36    v.1.02"), 7, input, range, when);
    });
    ThroughZeroStep(3, 3, 12);
    readings.push_back(9512);
    const std::size_t sentBefore = module.sent.size();
    procedure.Confirm(module, QStringLiteral("0,95"), comma);
    ASSERT_EQ(procedure.State(), kCalibrationIdle);
    ASSERT_NE(Memory(31, 152, 7), old);
    // One reading, seven reads of the old record, then the writes.
    EXPECT_EQ(module.sent[sentBefore + 1].command, kCmdReadConfigByte);
    EXPECT_EQ(module.sent[sentBefore + 7].command, kCmdReadConfigByte);
    EXPECT_EQ(module.sent[sentBefore + 8].command, kCmdWriteConfigByte);

    QString error;
    const QString path =
        CalibrationBackupPath(folder.path(), QStringLiteral("RQ-36    v.1.02"), when.toLocalTime().date());
    EXPECT_TRUE(path.endsWith(QStringLiteral("/RQ-36_v.1.02_") + when.toLocalTime().date().toString(Qt::ISODate) +
                              QStringLiteral(".rq36cal")));
    const std::optional<CalibrationBackupFile> kept = ReadCalibrationBackup(path, &error);
    ASSERT_TRUE(kept) << error.toStdString();
    EXPECT_EQ(kept->identity, QStringLiteral("RQ-36    v.1.02"));
    ASSERT_EQ(kept->records.size(), 1u);
    EXPECT_EQ(kept->records[0].input, 3);
    EXPECT_EQ(kept->records[0].rangeCode, 3);
    EXPECT_EQ(kept->records[0].moduleAddress, 7);
    EXPECT_EQ(std::vector<std::uint8_t>(kept->records[0].bytes.begin(), kept->records[0].bytes.end()), old);

    EXPECT_EQ(RestoreKeptCalibration(module, kept->records[0]), QString());
    EXPECT_EQ(Memory(31, 152, 7), old);

    // A backup that cannot be kept writes nothing and ends the calibration.
    procedure.SetBeforeWrite([](ModuleLink&, int, int) { return QStringLiteral("nelze"); });
    ThroughZeroStep(3, 3, 12);
    readings.push_back(9512);
    procedure.Confirm(module, QStringLiteral("0,95"), comma);
    EXPECT_EQ(Memory(31, 152, 7), old);
    EXPECT_EQ(host.status, QStringLiteral(" nelze"));
    EXPECT_EQ(procedure.State(), kCalibrationIdle);
}
