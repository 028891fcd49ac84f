// The recorder: chosen channels sampled at a fixed rate, each sample one row
// of a CSV file that survives a crash of the program (every row flushed), and
// one point of each channel's trace.  No window: the recorder window drives a
// RecordingSession from its event loop and hands every sample to a
// CsvRecording and to its plot.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <QDateTime>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include "connection_settings.h"
#include "live/channels.h"
#include "live/csv_writer.h"
#include "module/command_set.h"

namespace rq36 {

// ---- the line ----------------------------------------------------------------

// The shortest interval, in whole ms, in which the line carries one sample of
// these channels: their requests (RequestsPerSample) times the line time of
// one exchange at that speed.  At least 1 ms.
int MinimalIntervalMs(const std::vector<Channel>& channels, bool modbus, std::int32_t speed);
// The same for the record's interface and speed.
int MinimalIntervalMs(const std::vector<Channel>& channels, const ConnectionSettings& settings);

// ---- channels in a recording ------------------------------------------------------

// The channels the recorder window offers: every one of the table but the
// digital register's mask and the whole status register, which a plot cannot
// draw as one value (their inputs and bits are offered one by one).
std::vector<Channel> RecorderChannels();

// How a channel's trace is drawn: the unit of its lane ("V", "mA"; "imp" for
// counters, "bit" for inputs and status bits), the decimals of its legend (as
// the live views show its range), and whether it holds each value until the
// next sample (counters and bits) rather than joining them by lines.
struct TraceStyle {
    QString unit;
    int decimals = 0;
    bool steps = false;
};
TraceStyle TraceStyleOf(const Channel& channel, const InputRanges& ranges);

// ---- sampling ------------------------------------------------------------------

// One sample: its number (1, 2, ... from the start), the wall time it was
// taken, and for each channel its text and number.  A channel whose exchange
// failed is a gap: an empty text and NaN; `status` then holds the text of the
// first failure (empty when every exchange succeeded).
struct RecordedSample {
    std::int64_t sequence = 0;
    QDateTime time;
    double seconds = 0.0;  // since the session's start, by the steady clock
    QStringList texts;
    std::vector<double> values;
    QString status;
    bool HasGap() const { return !status.isEmpty(); }
};

// The clocks of a session: the steady clock that paces it and the wall clock
// that stamps its rows.  Tests replace both.
struct RecorderClock {
    std::function<std::chrono::steady_clock::time_point()> steady = [] { return std::chrono::steady_clock::now(); };
    std::function<QDateTime()> wall = [] { return QDateTime::currentDateTime(); };
};

// Samples the channels at a fixed rate from the start (no drift); when it
// falls behind (a slow line, a short interval) the next sample starts at once
// and none are made up.  Each Step makes at most one exchange, so a window
// stays responsive between them.  A request refused because another exchange
// of the program waits for its reply is tried again shortly, as long as the
// sample can still be finished within its interval; only then is it a gap.
class RecordingSession {
public:
    // The pause before a refused request is tried again.
    static constexpr std::chrono::milliseconds kBusyRetry{2};

    RecordingSession(ModuleLink& link, std::vector<Channel> channels, std::chrono::milliseconds interval,
                     RecorderClock clock = {});

    // Reads the ranges of the inputs the scaled channels need (they choose
    // units and scaling) and sets the start time.  False, with the request's
    // text in *error, when a read failed.
    bool Start(QString* error);

    // One step: the next exchange of the sample due (starting it when its
    // time has come).  The sample once its last exchange was made.
    std::optional<RecordedSample> Step();

    // How long until the next Step has work: zero while a sample is under
    // way, else the time until the next sample is due.
    std::chrono::steady_clock::duration UntilNextStep() const;

    const std::vector<Channel>& Channels() const { return channels_; }
    const InputRanges& Ranges() const { return ranges_; }
    QString Unit(std::size_t channel) const { return ChannelUnit(channels_[channel], ranges_); }
    std::int64_t Samples() const { return sequence_; }
    std::int64_t Gaps() const { return gaps_; }
    std::int64_t BusyRetries() const { return busyRetries_; }

private:
    struct Request {
        ModuleCommand command;
        std::vector<std::size_t> channels;  // the channels its reply serves
    };
    void Begin(std::chrono::steady_clock::time_point now);
    RecordedSample Finish(std::chrono::steady_clock::time_point now);

    ModuleLink& link_;
    std::vector<Channel> channels_;
    std::chrono::steady_clock::duration interval_;
    RecorderClock clock_;
    InputRanges ranges_{};
    std::vector<Request> requests_;

    std::chrono::steady_clock::time_point start_{};
    std::chrono::steady_clock::time_point due_{};      // when the next sample starts
    std::chrono::steady_clock::time_point slotEnd_{};  // a refused request may wait until then
    std::chrono::steady_clock::time_point retryAt_{};  // a refused request is tried again then
    bool inSample_ = false;
    std::size_t next_ = 0;  // the next request of the sample under way
    RecordedSample current_;
    std::int64_t sequence_ = 0;
    std::int64_t gaps_ = 0;
    std::int64_t busyRetries_ = 0;
};

// ---- the file ----------------------------------------------------------------------

// What heads each file of a recording, as "key,value" lines before one empty
// line: the module's identity, address, interface, speed, and the range of
// every input whose value is recorded.  The column header follows
// (time,sample,<channel [unit]>...,stav), then one row per sample.  A CSV
// reader sees the block as rows of two fields and the empty line as an empty
// row; the column header is the first row after it.
using RecordingMetadata = std::vector<std::pair<QString, QString>>;
RecordingMetadata MetadataOf(const ConnectionSettings& settings, const std::vector<Channel>& channels,
                             const InputRanges& ranges);
// The value columns: each channel's name with its unit ("ain0 [V]").
QStringList ValueColumns(const std::vector<Channel>& channels, const InputRanges& ranges);

enum class Rotation { None, Hourly, BySize };
struct RotationRule {
    Rotation kind = Rotation::None;
    qint64 maxBytes = 0;  // BySize: a part grows to at most this (but holds at least one row)
};

// The file of a part: "name-001.csv" for part 1 of "name.csv".
QString PartPath(const QString& path, int part);

// The rows of a recording in a file, or (rotated) in numbered parts, each
// with its own header: a new part at every full hour of the rows' local time,
// or before a row that would take the part beyond its size.  Every line is
// flushed as written.  A failed open or write stops the recording: what was
// written stays, Error() says what failed, and nothing more is written.
class CsvRecording {
public:
    // Opens a part for writing (truncated); null with the reason in *error.
    using Opener = std::function<std::unique_ptr<QIODevice>(const QString& path, QString* error)>;
    static std::unique_ptr<QIODevice> OpenFile(const QString& path, QString* error);

    CsvRecording(QString path, RecordingMetadata metadata, const QStringList& valueColumns, RotationRule rotation = {},
                 Opener opener = &CsvRecording::OpenFile);
    ~CsvRecording();
    CsvRecording(const CsvRecording&) = delete;
    CsvRecording& operator=(const CsvRecording&) = delete;

    // Writes the sample's row (a new part first when the rule says so).
    bool Write(const RecordedSample& sample);

    bool Failed() const { return !error_.isEmpty(); }
    QString Error() const { return error_; }  // the user's message, without the leading blank
    QString CurrentPath() const { return partPath_; }
    int Parts() const { return part_; }
    std::int64_t Rows() const { return rows_; }

private:
    bool OpenPart();
    bool Fail(const QString& path, const QString& reason);
    QString FailureReason() const;

    QString path_;
    RecordingMetadata metadata_;
    QStringList columns_;
    RotationRule rotation_;
    Opener opener_;
    std::unique_ptr<QIODevice> device_;
    std::unique_ptr<CsvWriter> writer_;
    QString partPath_;
    int part_ = 0;
    std::int64_t partRows_ = 0;
    std::int64_t rows_ = 0;
    qint64 partHour_ = -1;  // the local hour of the part's rows (hours since the epoch)
    QString error_;
};

}  // namespace rq36
