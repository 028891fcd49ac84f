// rq36's command line, configuration keys, read arguments and the core's
// CSV and trace formats, as plain functions.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryFile>

#include "cli.h"
#include "config_keys.h"
#include "interface/exchange_trace.h"
#include "live/csv_writer.h"
#include "read_plan.h"
#include "scan_args.h"

using namespace rq36::cli;

namespace {

std::optional<CliOptions> Parse(const char* line, QString* error = nullptr) {
    return ParseCommandLine(QStringLiteral("rq36 %1").arg(QString::fromUtf8(line)).split(QLatin1Char(' ')), error);
}

TEST(CliOptionsTest, OptionsBeforeAndAfterTheCommandAndTheCommandsOwnArguments) {
    const std::optional<CliOptions> o =
        Parse("--interface orsg --card-bus=2 --card-slot 5 --channel 2 read --format csv --interval 0 ain0 --trace");
    ASSERT_TRUE(o);
    EXPECT_EQ(o->kind, 6);
    EXPECT_EQ(o->cardBus, 2);
    EXPECT_EQ(o->cardSlot, 5);
    EXPECT_EQ(o->channel, 2);
    EXPECT_EQ(o->format, OutputFormat::Csv);
    EXPECT_TRUE(o->trace);
    EXPECT_EQ(o->command, QStringLiteral("read"));
    EXPECT_EQ(o->arguments, (QStringList{"--interval", "0", "ain0"}));

    EXPECT_EQ(Parse("--interface 5 --port 3 --parity none --speed 115200 --address $1F identify")->kind, 5);
    const CliOptions m = *Parse("--interface modbus --parity none --speed 115200 --address $1F --base-address 2A0h x");
    EXPECT_EQ(m.parityIndex, 2);
    EXPECT_EQ(m.speed, 115200);
    EXPECT_EQ(m.address, 31);
    EXPECT_EQ(m.baseAddress, 0x2A0);
}

TEST(CliOptionsTest, BadValuesAndUnknownOptionsAreUsageErrors) {
    for (const char* line :
         {"--interface usb identify", "--interface 7 identify", "--address 256 identify", "--speed 1000 identify",
          "--parity space identify", "--format xml identify", "--channel 0 identify", "--port", "--bogus identify"}) {
        QString error;
        EXPECT_FALSE(Parse(line, &error)) << line;
        EXPECT_FALSE(error.isEmpty()) << line;
    }
}

TEST(CliOptionsTest, OptionsOverTheSettingsFile) {
    CliOptions o = *Parse("identify");
    o.kind = 4;
    o.ipAddress = QStringLiteral("10.0.0.9");
    o.channel = 3;
    o.speed = 19200;
    rq36::ConnectionSettings record;
    QString error;
    CliOptions missing;
    missing.settingsFile = QStringLiteral("/nonexistent/W_rq36.ini");
    EXPECT_FALSE(LoadConnectionRecord(missing, record, &error));
    EXPECT_FALSE(error.isEmpty());
    QTemporaryFile empty;  // readable, holds nothing: the program's defaults
    ASSERT_TRUE(empty.open());
    o.settingsFile = empty.fileName();
    ASSERT_TRUE(LoadConnectionRecord(o, record, &error));
    EXPECT_EQ(record.InterfaceKind, 4);
    EXPECT_EQ(record.IpAddress, QStringLiteral("10.0.0.9"));
    EXPECT_EQ(record.EuartIndex, 2);
    EXPECT_EQ(record.Speed, 19200);
    EXPECT_EQ(record.ModuleAddress, 1);  // default kept
}

TEST(CliCommandTableTest, CommandsFoundByNameAndHelpFitsOneScreen) {
    EXPECT_NE(FindCommand(QStringLiteral("identify")), nullptr);
    ASSERT_NE(FindCommand(QStringLiteral("scan")), nullptr);
    EXPECT_NE(FindCommand(QStringLiteral("scan"))->prepare, nullptr);
    ASSERT_NE(FindCommand(QStringLiteral("snapshot")), nullptr);
    EXPECT_NE(FindCommand(QStringLiteral("snapshot"))->prepare, nullptr);
    EXPECT_EQ(FindCommand(QStringLiteral("scna")), nullptr);
    EXPECT_EQ(HelpText().count(QLatin1Char('\n')) <= 24, true);  // one screen
}

TEST(CliCompletionTest, OffersEveryCommandKeyAndChannelOfTheTables) {
    QFile file(QStringLiteral(RQ36_COMPLETION_FILE));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList words = QString::fromUtf8(file.readAll()).split(QRegularExpression(QStringLiteral("[\\s\"=]+")));
    for (const QString& command : CommandNames()) EXPECT_TRUE(words.contains(command)) << command.toStdString();
    for (const ConfigKey& key : ConfigKeys()) EXPECT_TRUE(words.contains(key.name)) << key.name.toStdString();
    const ReadPlan analog = *ParseReadArguments({}, nullptr);
    for (const ReadChannel& c : analog.channels) EXPECT_TRUE(words.contains(c.name));
    for (const char* c : {"c53", "cnt1", "din", "status"}) EXPECT_TRUE(words.contains(QLatin1String(c))) << c;
}

TEST(CliConfigKeysTest, ValuesParseAndPrintBothWays) {
    struct Case {
        const char* key;
        const char* text;
        int byte;
    };
    for (const Case& c :
         {Case{"address", "255", 255}, Case{"speed", "115200", 8}, Case{"speed", "2400", 2}, Case{"parity", "none", 2},
          Case{"protocol", "modbus", 1}, Case{"ain5.range", "13", 13}, Case{"dout.initial", "3", 3}}) {
        const ConfigKey* key = FindConfigKey(QString::fromLatin1(c.key));
        ASSERT_NE(key, nullptr) << c.key;
        EXPECT_EQ(ParseKeyValue(*key, QString::fromLatin1(c.text)), c.byte) << c.key;
        EXPECT_EQ(KeyValueText(*key, static_cast<std::uint8_t>(c.byte)), QString::fromLatin1(c.text)) << c.key;
    }
    // Refused: a speed the module cannot run at, beyond a range or a mask.
    for (const Case& c : {Case{"speed", "1200", 0}, Case{"speed", "9601", 0}, Case{"ain0.range", "14", 0},
                          Case{"din.negate", "4", 0}, Case{"parity", "mark", 0}, Case{"address", "-1", 0}}) {
        EXPECT_FALSE(ParseKeyValue(*FindConfigKey(QString::fromLatin1(c.key)), QString::fromLatin1(c.text)))
            << c.key << "=" << c.text;
    }
    // Negations as the dialog shows them: port 0's two bits of the byte.
    EXPECT_EQ(KeyValueText(*FindConfigKey(QStringLiteral("din.negate")), 0xFF), QStringLiteral("3"));
    EXPECT_EQ(FindConfigKey(QStringLiteral("ain3.range"))->slot.address, 3);
    EXPECT_EQ(FindConfigKey(QStringLiteral("dout.negate"))->slot.address, 0x22);
    EXPECT_EQ(ConfigKeys().size(), 13U);
}

TEST(CliReadArgumentsTest, ChannelsIntervalAndCount) {
    QString error;
    ReadPlan plan = *ParseReadArguments({}, &error);
    EXPECT_EQ(plan.channels.size(), 6U);  // the analog inputs
    EXPECT_EQ(plan.count, 1);
    plan = *ParseReadArguments({"--interval", "500", "c53", "cnt1", "din", "status"}, &error);
    EXPECT_EQ(plan.count, 0);  // until interrupted
    EXPECT_EQ(plan.intervalMs, 500);
    ASSERT_EQ(plan.channels.size(), 4U);
    EXPECT_EQ(plan.channels[0].kind, ChannelKind::Combined);
    EXPECT_EQ(plan.channels[0].index, 5);
    EXPECT_EQ(plan.channels[1].index, 1);
    EXPECT_EQ(ParseReadArguments({"--count", "100", "ain0"}, &error)->intervalMs, 0);
    for (const QStringList& bad : {QStringList{"ain6"}, QStringList{"--count"}, QStringList{"--interval", "-5"}}) {
        EXPECT_FALSE(ParseReadArguments(bad, &error)) << bad.join(' ').toStdString();
    }
}

TEST(CliPrepareTest, CommandArgumentsCheckedBeforeAnythingIsSent) {
    const CliOptions o;
    for (const char* line : {"config",
                             "config get nosuch",
                             "config set",
                             "config set address",
                             "config set a=1",
                             "config set ain0.range=1 ain0.range=2",
                             "dout",
                             "dout dout2=1",
                             "dout dout0=2",
                             "counter",
                             "counter cnt2 start",
                             "counter cnt0 preset",
                             "counter cnt0 preset x",
                             "status --all",
                             "restart now",
                             "identify x",
                             "scan --addresses",
                             "scan --speeds 1200",
                             "scan --speeds 9600,",
                             "scan --parities mark",
                             "scan --extra-timeout 5001",
                             "scan --first 3",
                             "snapshot",
                             "snapshot keep a.rq36cfg",
                             "snapshot save",
                             "snapshot save a b",
                             "snapshot diff",
                             "snapshot diff a b c",
                             "snapshot restore a --force",
                             "snapshot restore --with-calibration",
                             "snapshot clone a",
                             "snapshot clone --to-addresses 1-3",
                             "snapshot clone a --to-addresses",
                             "snapshot clone a --to-addresses 9-3",
                             "snapshot clone a --to-addresses 0-2",
                             "snapshot clone a b --to-addresses 1"}) {
        const QStringList words = QString::fromLatin1(line).split(QLatin1Char(' '));
        const Prepared p = FindCommand(words[0])->prepare(words.mid(1), o);
        EXPECT_FALSE(p.usageError.isEmpty()) << line;
        EXPECT_FALSE(p.run) << line;
    }
    EXPECT_TRUE(PrepareCounter({"cnt0", "preset", "-1"}, o).run);
    // A snapshot file is read before the module is connected (a refused one
    // sends nothing); save connects first as every other command.
    for (const QStringList& good :
         {QStringList{"diff", "a"}, QStringList{"diff", "a", "b"}, QStringList{"restore", "--with-calibration", "a"},
          QStringList{"clone", "a", "--to-addresses=3-5,9"}}) {
        const Prepared p = PrepareSnapshot(good, o);
        EXPECT_TRUE(p.run) << good.join(' ').toStdString() << p.usageError.toStdString();
        EXPECT_FALSE(p.connects) << good.join(' ').toStdString();
    }
    EXPECT_TRUE(PrepareSnapshot({"save", "a"}, o).connects);
    CliOptions withAddress;
    withAddress.address = 3;
    EXPECT_FALSE(PrepareSnapshot({"clone", "a", "--to-addresses", "1"}, withAddress).run);
}

TEST(CliScanTest, AddressListRangesAndListsEachAddressOnce) {
    QString error;
    using Addresses = std::vector<std::uint8_t>;
    EXPECT_EQ(ParseAddressList(QStringLiteral("0-255"), &error)->size(), 256U);
    EXPECT_EQ(*ParseAddressList(QStringLiteral("200, 3-5,$10,4-6,7-7"), &error), (Addresses{200, 3, 4, 5, 16, 6, 7}));
    EXPECT_EQ(*ParseAddressList(QStringLiteral("255"), &error), Addresses{255});
    for (const char* bad : {"", "1,,2", "5-", "-5", "1-2-3", "0-256", "256", "9-3", "x", "1;2"}) {
        error.clear();
        EXPECT_FALSE(ParseAddressList(QString::fromLatin1(bad), &error)) << bad;
        EXPECT_TRUE(error.startsWith(QStringLiteral("scan: --addresses: "))) << bad;
    }
}

TEST(CliScanTest, ArgumentsNarrowTheDefaultPlanKeepingTheRecordsSpeedAndParityFirst) {
    QString error;
    const ScanArguments a = *ParseScanArguments({"--speeds", "2400,115200,19200", "--parities=none,even", "--first",
                                                 "--extra-timeout", "16", "--addresses=1-2"},
                                                &error);
    rq36::ConnectionSettings record;
    record.InterfaceKind = 5;  // Modbus RTU: parities matter
    record.Speed = 19200;
    record.Parity = 2;
    rq36::ScanPlan plan = ScanPlanFor(a, record);
    EXPECT_EQ(plan.addresses, (std::vector<std::uint8_t>{1, 2}));
    EXPECT_EQ(plan.speeds, (std::vector<std::int32_t>{19200, 2400, 115200}));
    EXPECT_EQ(plan.parities, (std::vector<std::uint8_t>{2, 0}));
    EXPECT_TRUE(plan.stopAtFirst);
    EXPECT_EQ(plan.extraTimeoutMs, 16);
    // Nothing named: the whole default sweep.
    record.InterfaceKind = 0;
    plan = ScanPlanFor(*ParseScanArguments({}, &error), record);
    EXPECT_EQ(plan.addresses.size(), 256U);
    EXPECT_EQ(plan.speeds.size(), 7U);
    EXPECT_TRUE(plan.parities.empty());
    EXPECT_FALSE(plan.stopAtFirst);
    // The scan finds the address and times its tries itself; it connects to nothing.
    CliOptions o;
    EXPECT_FALSE(PrepareScan({}, o).connects);
    o.address = 1;
    EXPECT_FALSE(PrepareScan({}, o).run);
    o.address.reset();
    o.timeoutMs = 100;
    EXPECT_FALSE(PrepareScan({}, o).run);
}

TEST(CsvWriterTest, HeaderRowsQuotingAndOneFlushedLineEach) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    rq36::CsvWriter csv(buffer);
    EXPECT_EQ(rq36::CsvColumnName(QStringLiteral("ain0"), QStringLiteral("mA")), QStringLiteral("ain0 [mA]"));
    EXPECT_TRUE(csv.WriteHeader(
        {rq36::CsvColumnName(QStringLiteral("ain0"), QStringLiteral("V")), QStringLiteral("note, \"x\"")}));
    const QDateTime time(QDate(2026, 12, 8), QTime(9, 5, 2, 7));
    EXPECT_TRUE(csv.WriteRow(time, {QStringLiteral("-1.250"), QStringLiteral("ok")}));
    EXPECT_EQ(buffer.data(), QByteArray("time,ain0 [V],\"note, \"\"x\"\"\"\n2026-12-08T09:05:02.007,-1.250,ok\n"));
}

TEST(ExchangeTraceTest, RowAndObserver) {
    rq36::ExchangeRecord record;
    record.startedMs = QDateTime(QDate(2026, 12, 8), QTime(9, 15, 2, 120)).toMSecsSinceEpoch();
    record.kind = 6;
    record.request = {0x01, 0xC8, 0x00, 0, 0, 0, 0, 0xAB};
    record.status = 4;
    record.durationUs = 2310;
    EXPECT_EQ(rq36::ExchangeRowText(record, QStringLiteral("chyba")),
              QStringLiteral("2026-12-08T09:15:02.120  2.310 ms  ORSG  1  C8 identifikace  > 01 C8 00 00 00 00 00 AB  "
                             "status 4 chyba  < 00 00 00 00 00"));
    int seen = 0;
    rq36::SetExchangeObserver([&seen](const rq36::ExchangeRecord&) { ++seen; });
    EXPECT_TRUE(rq36::ExchangeObserved());
    rq36::ReportExchange(record);
    rq36::SetExchangeObserver({});
    rq36::ReportExchange(record);
    EXPECT_EQ(seen, 1);
}

}  // namespace
