// The recorder without a window: the channel table, the shortest interval
// the line allows, a session's schedule, a refused request tried again or
// left as a gap, and the CSV file with its parts and a failed write.
#include <cmath>

#include <gtest/gtest.h>
#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include "interface/bus_scan.h"
#include "interface/module_request.h"
#include "live/recorder.h"
#include "scripted_module.h"

namespace rq36 {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

std::vector<Channel> Named(std::initializer_list<const char*> names) {
    std::vector<Channel> channels;
    for (const char* name : names) channels.push_back(*ChannelNamed(QString::fromLatin1(name)));
    return channels;
}

TEST(RecorderChannelsTest, OneTableOneRequestPerRegister) {
    QStringList names;
    for (const Channel& c : AllChannels()) {
        EXPECT_FALSE(names.contains(c.name)) << c.name.toStdString();
        names << c.name;
        EXPECT_EQ(ChannelNamed(c.name)->kind, c.kind);
    }
    EXPECT_FALSE(ChannelNamed(QStringLiteral("ain6")));
    EXPECT_TRUE(names.contains(QStringLiteral("status.err24")));
    // 6 inputs, 6 pairs, 2 counters, the digital and the status register.
    EXPECT_EQ(RequestsPerSample(AllChannels()), 16);
    EXPECT_EQ(RequestsPerSample(Named({"din0", "din1", "din", "status", "status.fn"})), 2);
    EXPECT_EQ(RequestsPerSample(Named({"ain0", "c01", "ain0"})), 2);
}

TEST(RecorderChannelsTest, ShortestIntervalIsTheLineTimeOfTheRequests) {
    // Vextbus-2 at 9600 Bd: 22 characters of 11 bits an exchange, 25.2 ms.
    EXPECT_EQ(MinimalIntervalMs(Named({"ain0"}), false, 9600), 26);
    EXPECT_EQ(MinimalIntervalMs(AllChannels(), false, 9600), 404);
    EXPECT_EQ(MinimalIntervalMs(Named({"din0", "din1"}), true, 115200),
              static_cast<int>(std::ceil(ScanExchangeLineMs(true, 115200))));
    ConnectionSettings modbus;
    modbus.InterfaceKind = 5;
    modbus.Speed = 19200;
    EXPECT_EQ(MinimalIntervalMs(AllChannels(), modbus),
              static_cast<int>(std::ceil(16 * ScanExchangeLineMs(true, 19200))));
    EXPECT_EQ(MinimalIntervalMs({}, false, 9600), 1);
}

// A module whose inputs read 1.234 (AIN1 on a current range: 0.012 A), CNT0
// 7, DIN0 set, FN and ERR24 set; a steady clock the test moves.
struct RecordingSessionTest : ::testing::Test {
    test::ScriptedModule module;
    Clock::time_point now{};
    QDateTime wall = QDateTime(QDate(2026, 3, 1), QTime(10, 0));
    int busyLeft = 0;           // refusals before the next request is served
    milliseconds perRequest{};  // line time of one exchange

    RecordingSessionTest() {
        module.memory[kConfigBank][RangeAddress(1)] = 6;
        module.answer = [this](const ModuleCommand& c) {
            ModuleReply reply;
            if (c.command == kCmdReadStatusRegister) reply.r = {0x42, 0, 0, 0};
            if (c.command == kCmdReadRegister && c.d0 <= kRegCombinedValue0 + 5) reply.r = {0xD2, 0x04, 0, 3};
            if (c.command == kCmdReadRegister && c.d0 == 1) reply.r = {12, 0, 0, 3};
            if (c.d0 == kRegCounter0) reply.r = {7, 0, 0, 0};
            if (c.d0 == kRegDigital) reply.r = {0x01, 0, 0, 0};
            return reply;
        };
        module.onSend = [this](const ModuleCommand&) { now += perRequest; };
    }
    RecorderClock Clocks() {
        return {[this] { return now; },
                [this] { return wall.addMSecs((now - Clock::time_point{}) / milliseconds(1)); }};
    }
    // Steps until a sample comes out, moving the clock to each step's time.
    RecordedSample NextSample(RecordingSession& s) {
        for (int guard = 0; guard < 10000; ++guard) {
            now += s.UntilNextStep();
            if (auto sample = s.Step()) return *sample;
        }
        ADD_FAILURE() << "no sample";
        return {};
    }
};

TEST_F(RecordingSessionTest, ASampleOfEveryKindScaledAsTheLiveViewsShowIt) {
    // A decimal comma in the user's locale still gives '.' in the file.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Czech));
    RecordingSession s(module, Named({"ain0", "ain1", "cnt0", "din0", "din1", "status", "status.fn", "status.pwr"}),
                       milliseconds(100), Clocks());
    ASSERT_TRUE(s.Start(nullptr));
    EXPECT_EQ(s.Unit(0), QStringLiteral("V"));
    EXPECT_EQ(s.Unit(1), QStringLiteral("mA"));
    const RecordedSample a = NextSample(s);
    QLocale::setDefault(before);
    EXPECT_EQ(a.sequence, 1);
    EXPECT_EQ(a.texts, QStringList({"1.234", "12", "7", "1", "0", "0x00000042", "1", "0"}));
    EXPECT_DOUBLE_EQ(a.values[1], 12.0);
    EXPECT_DOUBLE_EQ(a.values[5], 66.0);
    EXPECT_FALSE(a.HasGap());
    // Two ranges, then five requests: the digital and status registers once each.
    EXPECT_EQ(module.sent.size(), 2U + 5U);
}

TEST_F(RecordingSessionTest, FixedRateFromTheStartAndNoBurstWhenBehind) {
    RecordingSession s(module, Named({"ain0", "ain1"}), milliseconds(100), Clocks());
    ASSERT_TRUE(s.Start(nullptr));
    perRequest = milliseconds(7);
    const Clock::time_point start = now;
    NextSample(s);
    // Due 100 ms after the start, not 100 ms after the first sample ended.
    EXPECT_EQ(s.UntilNextStep(), milliseconds(100 - 14));
    NextSample(s);
    EXPECT_EQ(now - start, milliseconds(114));
    // A line slower than the interval: each sample starts as the last ends.
    perRequest = milliseconds(80);
    NextSample(s);
    EXPECT_EQ(s.UntilNextStep(), Clock::duration::zero());
    const Clock::time_point before = now;
    NextSample(s);
    EXPECT_EQ(now - before, milliseconds(160));
    EXPECT_EQ(s.UntilNextStep(), Clock::duration::zero());
    EXPECT_EQ(s.Samples(), 4);
}

TEST_F(RecordingSessionTest, ARefusalBusyIsTriedAgainWhileTheSampleFitsItsInterval) {
    module.answer = [this, inner = module.answer](const ModuleCommand& c) {
        if (busyLeft > 0) {
            --busyLeft;
            return ModuleReply{kStatusRequestBusy, 0, {}};
        }
        return inner(c);
    };
    RecordingSession s(module, Named({"ain0", "cnt0"}), milliseconds(50), Clocks());
    ASSERT_TRUE(s.Start(nullptr));
    busyLeft = 5;  // 5 retries of 2 ms: within the 50 ms
    RecordedSample a = NextSample(s);
    EXPECT_FALSE(a.HasGap());
    EXPECT_EQ(a.texts, QStringList({"1.234", "7"}));
    EXPECT_EQ(s.BusyRetries(), 5);

    // Refused for longer than its interval (2 ms short of it): a gap, the
    // other channel read.
    busyLeft = 25;
    a = NextSample(s);
    EXPECT_TRUE(a.HasGap());
    EXPECT_EQ(a.status, QStringLiteral("text 120"));
    EXPECT_EQ(a.texts[0], QString());
    EXPECT_TRUE(std::isnan(a.values[0]));
    EXPECT_EQ(a.texts[1], QStringLiteral("7"));
    EXPECT_EQ(s.Gaps(), 1);
    EXPECT_EQ(s.BusyRetries(), 5 + 24);
}

TEST_F(RecordingSessionTest, AFailedExchangeIsAGapNeverAnOldValue) {
    RecordingSession s(module, Named({"ain0", "cnt0"}), milliseconds(10), Clocks());
    ASSERT_TRUE(s.Start(nullptr));
    EXPECT_EQ(NextSample(s).texts[1], QStringLiteral("7"));
    module.failAt = static_cast<int>(module.sent.size()) + 2;  // cnt0 of the next sample
    const RecordedSample b = NextSample(s);
    EXPECT_EQ(b.texts, QStringList({"1.234", ""}));
    EXPECT_TRUE(std::isnan(b.values[1]));
    EXPECT_EQ(b.status, QStringLiteral("text 4"));

    // A range that cannot be read: no start, the request's text.
    test::ScriptedModule dead;
    dead.failAt = 1;
    RecordingSession none(dead, Named({"c20"}), milliseconds(10), Clocks());
    QString error;
    EXPECT_FALSE(none.Start(&error));
    EXPECT_EQ(error, QStringLiteral("text 4"));
}

// ---- the file ---------------------------------------------------------------

RecordedSample Row(std::int64_t n, const QDateTime& time, QStringList texts, const QString& status = {}) {
    RecordedSample s;
    s.sequence = n;
    s.time = time;
    s.texts = std::move(texts);
    s.status = status;
    return s;
}

QStringList Lines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {QStringLiteral("<missing>")};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (lines.last().isEmpty()) lines.removeLast();
    return lines;
}

// A device that takes `room` bytes, then refuses.
class FullDevice : public QBuffer {
public:
    explicit FullDevice(qint64 room) : room_(room) { open(QIODevice::WriteOnly); }

protected:
    qint64 writeData(const char* data, qint64 length) override {
        if (room_ < length) return -1;
        room_ -= length;
        return QBuffer::writeData(data, length);
    }

private:
    qint64 room_;
};

struct CsvRecordingTest : ::testing::Test {
    QTemporaryDir dir;
    QDateTime at = QDateTime(QDate(2026, 3, 1), QTime(10, 58, 59, 5));
    RecordingMetadata meta = {{"module", "RQ-36    v.1.02"}, {"address", "1"}, {"range ain0", "+/- 10V DC"}};
    QString Path() const { return dir.filePath(QStringLiteral("zaznam.csv")); }
};

TEST_F(CsvRecordingTest, HeaderBlockColumnsAndRowsWithGaps) {
    ConnectionSettings settings;
    settings.ModuleIdentity = QStringLiteral("RQ-36    v.1.02 ");
    settings.InterfaceKind = 6;
    const std::vector<Channel> channels = Named({"ain0", "c01", "cnt0"});
    InputRanges ranges{};
    ranges[0] = 6;
    const RecordingMetadata metadata = MetadataOf(settings, channels, ranges);
    CsvRecording csv(Path(), metadata, ValueColumns(channels, ranges));
    ASSERT_TRUE(csv.Write(Row(1, at, {"1.5", "-0.25", "3"})));
    ASSERT_TRUE(csv.Write(Row(2, at.addMSecs(100), {"", "-0.25", ""}, "časový limit, odpověď nepřišla")));
    EXPECT_EQ(Lines(Path()), QStringList({
                                 "module,RQ-36    v.1.02",
                                 "address,1",
                                 "interface,PCI karta ORS-G (protokol Vextbus-2)",
                                 "speed,9600",
                                 "range ain0,+/- 25mA DC",
                                 "",
                                 "time,sample,ain0 [mA],c01 [mA],cnt0,stav",
                                 "2026-03-01T10:58:59.005,1,1.5,-0.25,3,",
                                 "2026-03-01T10:58:59.105,2,,-0.25,,\"časový limit, odpověď nepřišla\"",
                             }));
    EXPECT_EQ(csv.Rows(), 2);
    EXPECT_EQ(csv.Parts(), 1);
}

TEST_F(CsvRecordingTest, RotationBySizeAndByTheHourEachPartWithItsHeader) {
    CsvRecording bySize(Path(), meta, {"ain0 [V]"}, {Rotation::BySize, 150});
    for (int n = 1; n <= 5; ++n) ASSERT_TRUE(bySize.Write(Row(n, at.addSecs(n), {"1.5"})));
    // A header of 82 bytes and rows of 31: two rows to a part.
    EXPECT_EQ(bySize.Parts(), 3);
    EXPECT_EQ(bySize.CurrentPath(), dir.filePath(QStringLiteral("zaznam-003.csv")));
    const QStringList first = Lines(dir.filePath(QStringLiteral("zaznam-001.csv")));
    EXPECT_EQ(first.size(), 5 + 2);
    EXPECT_EQ(first[4], QStringLiteral("time,sample,ain0 [V],stav"));
    EXPECT_TRUE(first[6].contains(QStringLiteral(",2,1.5,")));
    EXPECT_EQ(Lines(dir.filePath(QStringLiteral("zaznam-003.csv"))).size(), 5 + 1);
    EXPECT_FALSE(QFile::exists(Path()));

    QTemporaryDir hourly;
    const QString path = hourly.filePath(QStringLiteral("h.csv"));
    CsvRecording byHour(path, meta, {"din0"}, {Rotation::Hourly, 0});
    for (int n = 0; n < 4; ++n)
        ASSERT_TRUE(byHour.Write(Row(n + 1, at.addSecs(n * 40), {"1"})));  // 10:58:59 .. 11:00:59
    ASSERT_TRUE(byHour.Write(Row(5, at.addSecs(7200), {"0"})));
    EXPECT_EQ(byHour.Parts(), 3);
    EXPECT_EQ(Lines(hourly.filePath(QStringLiteral("h-001.csv"))).size(), 5 + 2);
    EXPECT_EQ(Lines(hourly.filePath(QStringLiteral("h-002.csv"))).size(), 5 + 2);
    EXPECT_TRUE(
        Lines(hourly.filePath(QStringLiteral("h-003.csv"))).last().startsWith(QStringLiteral("2026-03-01T12:58")));
    EXPECT_EQ(PartPath(QStringLiteral("/a/b.c/log"), 12), QStringLiteral("/a/b.c/log-012"));
}

TEST_F(CsvRecordingTest, AFailedWriteStopsAndKeepsTheRowsBefore) {
    FullDevice* device = nullptr;
    CsvRecording csv(Path(), meta, {"ain0 [V]"}, {}, [&](const QString&, QString*) {
        auto d = std::make_unique<FullDevice>(130);
        device = d.get();
        return d;
    });
    EXPECT_TRUE(csv.Write(Row(1, at, {"1.5"})));
    const QByteArray kept = device->data();
    EXPECT_FALSE(csv.Write(Row(2, at, {"1.5"})));  // 2 rows do not fit
    EXPECT_TRUE(csv.Failed());
    EXPECT_TRUE(csv.Error().startsWith(QStringLiteral("Zápis do souboru ") + Path() + QStringLiteral(" se nezdařil")));
    EXPECT_TRUE(csv.Error().endsWith(QStringLiteral("záznam zastaven.")));
    EXPECT_FALSE(csv.Write(Row(3, at, {"1.5"})));
    EXPECT_EQ(csv.Rows(), 1);
    EXPECT_TRUE(kept.endsWith(",1,1.5,\n"));

    // A full disk, and a folder that is gone.
    CsvRecording full(QStringLiteral("/dev/full"), meta, {"ain0 [V]"});
    EXPECT_FALSE(full.Write(Row(1, at, {"1.5"})));
    EXPECT_TRUE(full.Error().contains(QStringLiteral("/dev/full")));
    CsvRecording gone(dir.filePath(QStringLiteral("missing/z.csv")), meta, {"ain0 [V]"});
    EXPECT_FALSE(gone.Write(Row(1, at, {"1.5"})));
    EXPECT_TRUE(gone.Failed());
}

}  // namespace
}  // namespace rq36
