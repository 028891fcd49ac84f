// rq36 end to end: whole processes against the simulated module through the
// build's real interface libraries (kind 0 through the ORSA stand-in, kind 6
// through ORSG and the emulated card, kind 5 through libORSF to the
// simulator on a pseudo-terminal).  The module's memory is a file of the
// fixture's own, so one run sees what the one before wrote.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>

#include "modbus_simulator.h"
#include "rq36_process.h"

namespace {

const QString kIdentity = QStringLiteral("RQ-36    v.1.02");
// A CSV row: local time with milliseconds, then values with '.' decimals.
const QRegularExpression kCsvRow(QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}(,-?\d+\.\d+)+$)"));
// A trace row: time, eight request bytes, status, five reply bytes, duration.
const QRegularExpression kTraceRow(QStringLiteral(
    R"(^\S+  \d+\.\d{3} ms  ORS[A-G]  \d+  [0-9A-F]{2} \S.*  > ([0-9A-F]{2} ){7}[0-9A-F]{2}  status \d+.*  < ([0-9A-F]{2} ){4}[0-9A-F]{2}$)"));

QStringList Args(const char* text) { return QString::fromUtf8(text).split(QLatin1Char(' '), Qt::SkipEmptyParts); }

// ---- kinds 0 and 6: the same conversation through two libraries -----------

class CliKindTest : public ::testing::TestWithParam<const char*> {
protected:
    Rq36Result Run(const char* args) const {
        return runner_.Run(QStringList{QStringLiteral("--interface"), QString::fromLatin1(GetParam())} + Args(args));
    }
    Rq36Runner runner_;
};

TEST_P(CliKindTest, IdentifiesConfiguresAndReadsWithUnitsOfTheNewRange) {
    Rq36Result r = Run("identify");
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, kIdentity + '\n');
    EXPECT_TRUE(r.err.isEmpty());

    r = Run("--format json identify");
    EXPECT_EQ(r.out, QStringLiteral("{\"identity\": \"RQ-36    v.1.02\", \"address\": 1, \"speed\": 9600}\n"));

    // Written with read-back, reported, and there in the next process.
    r = Run("config set ain1.range=6 parity=odd");
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.OutLines(), (QStringList{QStringLiteral("ain1.range=6\t+/- 25mA DC"), QStringLiteral("parity=odd")}));
    r = Run("config get ain1.range parity protocol");
    EXPECT_EQ(r.OutLines(), (QStringList{QStringLiteral("ain1.range=6\t+/- 25mA DC"), QStringLiteral("parity=odd"),
                                         QStringLiteral("protocol=vextbus")}));

    // CSV: the header carries the units of the ranges now set; '.' decimals
    // even where the user's locale writes a comma.
    runner_.SetEnv(QStringLiteral("LANG"), QStringLiteral("cs_CZ.UTF-8"));
    runner_.UnsetEnv(QStringLiteral("LC_ALL"));
    r = Run("--format csv read --count 3 ain0 ain1 c01");
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.OutLines();
    ASSERT_EQ(lines.size(), 4) << r.out.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("time,ain0 [V],ain1 [mA],c01 [V]"));
    for (int row = 1; row < 4; ++row) EXPECT_TRUE(kCsvRow.match(lines[row]).hasMatch()) << lines[row].toStdString();
    // The text format is the live view's, in the user's locale.
    r = Run("read ain0");
    EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^ain0=-?\d+,\d+ V\n$)")).match(r.out).hasMatch())
        << r.out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(ComPortAndOrsg, CliKindTest, ::testing::Values("com", "orsg"));

// ---- behaviours of the program, through kind 0 ---------------------------------

class CliTest : public ::testing::Test {
protected:
    Rq36Runner runner_;
};

TEST_F(CliTest, ReadBackOfAnotherByteFailsWithTheProgramsText) {
    runner_.SetEnv(QStringLiteral("RQ36_SIM_FAULT"), QStringLiteral("read_value=addr:0x21 value:0xFE"));
    const Rq36Result r = runner_.Run(Args("config set din.negate=1"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err, QStringLiteral("rq36: Chyba zápisu dat.\n"));
}

TEST_F(CliTest, FailedRequestGivesExitOneAndTheLibrarysText) {
    // No module at address 7: the identity read is not answered.
    const Rq36Result r = runner_.Run(Args("--address 7 identify"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.isEmpty());
    ASSERT_EQ(r.ErrLines().size(), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("rq36: Timeout"))) << r.err.toStdString();
}

TEST_F(CliTest, OrsgCardChosenByBusAndSlot) {
    EXPECT_EQ(runner_.Run(Args("--interface orsg --card-bus 2 --card-slot 5 identify")).out, kIdentity + '\n');
    const Rq36Result r = runner_.Run(Args("--interface orsg --card-bus 3 --card-slot 5 identify"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("rq36: Chyba inicializace připojení - "))) << r.err.toStdString();
}

TEST_F(CliTest, TraceShowsEveryExchangeOnStderrOnly) {
    const Rq36Result r = runner_.Run(Args("--trace identify"));
    EXPECT_EQ(r.out, kIdentity + '\n');
    const QStringList rows = r.ErrLines();
    ASSERT_EQ(rows.size(), 3) << r.err.toStdString();  // the three identity reads
    for (int part = 0; part < 3; ++part) {
        EXPECT_TRUE(kTraceRow.match(rows[part]).hasMatch()) << rows[part].toStdString();
        EXPECT_TRUE(rows[part].contains(QStringLiteral("> 01 C8 0%1 ").arg(part))) << rows[part].toStdString();
    }
}

TEST_F(CliTest, RestartIsSeenInTheStatusRegister) {
    // A module just started shows PWR; after a restart also RST.
    EXPECT_EQ(runner_.Run(Args("status")).out.toStdString(), "0x00000010 PWR\n");
    EXPECT_EQ(runner_.Run(Args("restart")).exitCode, 0);
    Rq36Result r = runner_.Run(Args("--format json status"));
    EXPECT_EQ(r.out.toStdString(), "{\"status\": 48, \"bits\": [\"PWR\", \"RST\"]}\n");
    // --clear: the register read, shown, then cleared.
    r = runner_.Run(Args("--trace status --clear"));
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.ErrLines().value(r.ErrLines().size() - 1).contains(QStringLiteral("> 01 65 ")))
        << r.err.toStdString();
}

TEST_F(CliTest, UsageErrorsExitTwoAndSendNothing) {
    for (const char* args : {"--trace config set nosuch=1", "--trace config set ain0.range=14", "--trace",
                             "--trace read ain9", "--trace --speed 1000 identify", "--trace scan --addresses 9-3",
                             "--trace snapshot clone a.rq36cfg --to-addresses 9-3"}) {
        const Rq36Result r = runner_.Run(Args(args));
        EXPECT_EQ(r.exitCode, 2) << args;
        EXPECT_TRUE(r.out.isEmpty()) << args;
        // A reason and the hint, and no exchange traced.
        const QStringList lines = r.ErrLines();
        ASSERT_EQ(lines.size(), 2) << args << ": " << r.err.toStdString();
        EXPECT_TRUE(lines[0].startsWith(QStringLiteral("rq36: "))) << args;
        EXPECT_EQ(lines[1], QStringLiteral("Nápověda: rq36 --help"));
    }
}

TEST_F(CliTest, InterruptEndsAnEndlessReadAfterACompleteRow) {
    QProcess process;
    runner_.Start(process, Args("--format csv read --interval 20 ain0"));
    ASSERT_TRUE(process.waitForStarted(30000));
    QByteArray out;
    while (out.count('\n') < 3 && process.waitForReadyRead(30000)) out += process.readAllStandardOutput();
    process.terminate();  // the same handler as Ctrl+C
    ASSERT_TRUE(process.waitForFinished(30000));
    out += process.readAllStandardOutput();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    ASSERT_TRUE(out.endsWith('\n'));
    const QStringList lines = QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(kCsvRow.match(lines.last()).hasMatch()) << lines.last().toStdString();
}

// ---- scan: several modules on one stand-in line ----------------------------------

TEST_F(CliTest, ScanFindsEveryModuleOnTheLineAndSaysWhenThereIsNone) {
    // Two modules on the ORSA stand-in's line, at their own addresses and speeds.
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("sim.ini"));
    QFile file(config);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "[module a]\naddress = 3\nspeed = 9600\n"
        "[module b]\naddress = 17\nspeed = 19200\n"
        "[lines]\norsa = a, b\n");
    file.close();
    runner_.SetEnv(QStringLiteral("RQ36_SIM_CONFIG"), config);

    // Speed-major, the record's 9600 first.
    Rq36Result r = runner_.Run(Args("--format csv scan --addresses 0-5,17 --speeds 19200,9600"));
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.OutLines(), (QStringList{QStringLiteral("address,speed,parity,identity"),
                                         QStringLiteral("3,9600,,\"RQ-36    v.1.02\""),
                                         QStringLiteral("17,19200,,\"RQ-36    v.1.02\"")}));
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();  // no progress where stderr is no terminal

    r = runner_.Run(Args("--format json scan --first"));
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("{\"address\": 3, \"speed\": 9600, \"parity\": null, "
                                    "\"identity\": \"RQ-36    v.1.02\"}\n"));

    r = runner_.Run(Args("scan --addresses 4-16 --speeds 9600,19200"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err, QStringLiteral("rq36: Vyhledávání dokončeno, žádný modul nenalezen\n"));
}

TEST_F(CliTest, ScanOnTheOrsgCardChosenByBusAndSlot) {
    Rq36Result r = runner_.Run(Args("--interface orsg --card-bus 2 --card-slot 5 scan --addresses 0-1 --speeds 9600"));
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("address=1\tspeed=9600\tidentity=RQ-36    v.1.02\n"));
    // No card there: the scan stops at once with the library's text.
    r = runner_.Run(Args("--interface orsg --card-bus 3 --card-slot 5 scan"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("rq36: Vyhledávání nelze provést - "))) << r.err.toStdString();
}

// ---- snapshot: save, change, compare, restore --------------------------------

TEST_F(CliTest, SnapshotRoundTripNamesTheChangeAndRestoresIt) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("before.rq36cfg"));
    const auto run = [this](const QString& args) { return runner_.Run(Args(args.toUtf8().constData())); };

    Rq36Result r = run(QStringLiteral("snapshot save ") + file);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();  // no progress where stderr is no terminal
    r = run(QStringLiteral("snapshot diff ") + file);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();

    ASSERT_EQ(run(QStringLiteral("config set ain3.range=6")).exitCode, 0);
    r = run(QStringLiteral("snapshot diff ") + file);
    EXPECT_EQ(r.exitCode, 3) << r.err.toStdString();
    EXPECT_EQ(r.OutLines(), QStringList{QStringLiteral("AIN3 rozsah: +/- 10V DC → +/- 25mA DC")});

    // Two files compared without the module.
    const QString after = dir.filePath(QStringLiteral("after.rq36cfg"));
    ASSERT_EQ(run(QStringLiteral("snapshot save ") + after).exitCode, 0);
    r = run(QStringLiteral("--address 7 snapshot diff %1 %2").arg(file, after));
    EXPECT_EQ(r.exitCode, 3) << r.err.toStdString();
    EXPECT_EQ(r.OutLines().size(), 1) << r.out.toStdString();

    r = run(QStringLiteral("snapshot restore ") + file);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = run(QStringLiteral("snapshot diff ") + file);
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(run(QStringLiteral("config get ain3.range")).out, QStringLiteral("ain3.range=0\t+/- 10V DC\n"));
}

TEST_F(CliTest, SnapshotFileRefusedExitsOneAndSendsNothing) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("future.rq36cfg"));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("RQ36CFG 2\nend\n");
    out.close();
    for (const QString& action : {QStringLiteral("restore"), QStringLiteral("diff")}) {
        const Rq36Result r = runner_.Run(Args("--trace snapshot") + QStringList{action, file});
        EXPECT_EQ(r.exitCode, 1) << action.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        // The reader's reason only: no exchange traced.
        ASSERT_EQ(r.ErrLines().size(), 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("rq36: "))) << r.err.toStdString();
        EXPECT_FALSE(kTraceRow.match(r.ErrLines()[0]).hasMatch());
    }
}

// ---- kind 5: the module lives in the simulator, so its outputs and counters
// stay between two runs --------------------------------------------------------

TEST(CliModbusTest, OutputsLoopBackToInputsAndCounterPresetReadsBack) {
    ModbusSimulator simulator;
    ASSERT_FALSE(simulator.Device().isEmpty());
    Rq36Runner runner;
    runner.SetEnv(QStringLiteral("RQ36_COM1"), simulator.Device());
    const auto run = [&runner](const char* args) {
        return runner.Run(Args("--interface modbus --port 1") + Args(args));
    };

    EXPECT_EQ(run("identify").out, kIdentity + '\n');

    // The factory negations invert both ways: DOUT0 on reads back as DIN0 on.
    Rq36Result r = run("dout dout0=1");
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("dout0=1\tdout1=0\n"));
    EXPECT_EQ(run("read din").out, QStringLiteral("din=1\n"));
    EXPECT_EQ(run("--quiet dout dout0=0").out, QString());
    EXPECT_EQ(run("read din").out, QStringLiteral("din=0\n"));

    EXPECT_EQ(run("counter cnt1 stop").exitCode, 0);
    EXPECT_EQ(run("counter cnt1 preset 123456").exitCode, 0);
    EXPECT_EQ(run("read cnt1").out, QStringLiteral("cnt1=123456\n"));
    EXPECT_EQ(run("counter cnt1 clear").exitCode, 0);
    EXPECT_EQ(run("read cnt1").out, QStringLiteral("cnt1=0\n"));
}

}  // namespace
