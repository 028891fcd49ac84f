#include "live/recorder.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QFile>
#include <QFileInfo>

#include "interface/bus_scan.h"
#include "interface/interface_kinds.h"
#include "interface/module_request.h"
#include "module/range_table.h"

namespace rq36 {

// ---- the line ----------------------------------------------------------------

int MinimalIntervalMs(const std::vector<Channel>& channels, bool modbus, std::int32_t speed) {
    const double ms = RequestsPerSample(channels) * ScanExchangeLineMs(modbus, speed);
    return std::max(1, static_cast<int>(std::ceil(ms)));
}

int MinimalIntervalMs(const std::vector<Channel>& channels, const ConnectionSettings& settings) {
    const InterfaceKindInfo* info = KindInfo(settings.InterfaceKind);
    return MinimalIntervalMs(channels, info != nullptr && info->modbus, settings.Speed);
}

// ---- channels in a recording ------------------------------------------------------

std::vector<Channel> RecorderChannels() {
    std::vector<Channel> offered;
    for (const Channel& c : AllChannels()) {
        if (c.kind != ChannelKind::Digital && c.kind != ChannelKind::Status) offered.push_back(c);
    }
    return offered;
}

TraceStyle TraceStyleOf(const Channel& c, const InputRanges& ranges) {
    switch (c.kind) {
    case ChannelKind::Analog:
    case ChannelKind::Combined: {
        const int code = ranges[static_cast<std::size_t>(c.index)];
        const AnalogRange* range = RangeOf(code);
        // The decimals the module sends for the range (its scale's exponent),
        // three fewer in milliamperes, as ReadingOf shows them.
        const int decimals = range ? (range->scaleByte & 0x7F) : 3;
        return {ChannelUnit(c, ranges), IsCurrentRange(code) ? std::max(decimals - 3, 0) : decimals, false};
    }
    case ChannelKind::Counter: return {QStringLiteral("imp"), 0, true};
    default: return {QStringLiteral("bit"), 0, true};
    }
}

// ---- sampling ------------------------------------------------------------------

RecordingSession::RecordingSession(ModuleLink& link, std::vector<Channel> channels, std::chrono::milliseconds interval,
                                   RecorderClock clock)
    : link_(link), channels_(std::move(channels)), interval_(interval), clock_(std::move(clock)) {
    // One request for each register, serving every channel it holds.
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        auto shared = std::find_if(requests_.begin(), requests_.end(), [&](const Request& r) {
            return SameRequest(channels_[r.channels.front()], channels_[i]);
        });
        if (shared != requests_.end()) {
            shared->channels.push_back(i);
        } else {
            requests_.push_back({ChannelRequest(channels_[i]), {i}});
        }
    }
}

bool RecordingSession::Start(QString* error) {
    const ModuleReply reply = ReadInputRanges(link_, channels_, ranges_);
    if (!reply.Ok()) {
        if (error) *error = link_.StatusText(reply.status);
        return false;
    }
    start_ = due_ = clock_.steady();
    inSample_ = false;
    return true;
}

void RecordingSession::Begin(std::chrono::steady_clock::time_point now) {
    current_ = {};
    current_.sequence = ++sequence_;
    current_.time = clock_.wall();
    current_.seconds = std::chrono::duration<double>(now - start_).count();
    current_.texts = QStringList(static_cast<qsizetype>(channels_.size()));
    current_.values.assign(channels_.size(), std::numeric_limits<double>::quiet_NaN());
    // A refused request may wait while the sample can still end within its
    // interval.
    slotEnd_ = std::max(due_, now) + interval_;
    due_ += interval_;
    next_ = 0;
    inSample_ = true;
}

RecordedSample RecordingSession::Finish(std::chrono::steady_clock::time_point now) {
    inSample_ = false;
    // Behind: the next sample starts at once, none are made up.
    if (due_ < now) due_ = now;
    if (current_.HasGap()) ++gaps_;
    return std::move(current_);
}

std::optional<RecordedSample> RecordingSession::Step() {
    auto now = clock_.steady();
    if (!inSample_) {
        if (now < due_) return std::nullopt;
        Begin(now);
    } else if (now < retryAt_) {
        return std::nullopt;
    }
    if (next_ < requests_.size()) {
        const Request& request = requests_[next_];
        const ModuleReply reply = link_.Send(request.command);
        now = clock_.steady();
        if (reply.status == kStatusRequestBusy && now + kBusyRetry < slotEnd_) {
            ++busyRetries_;
            retryAt_ = now + kBusyRetry;
            return std::nullopt;
        }
        if (reply.Ok()) {
            for (std::size_t c : request.channels) {
                const ChannelSample s = ChannelSampleOf(channels_[c], reply.r, ranges_, QLocale::c());
                current_.texts[static_cast<qsizetype>(c)] = s.text;
                current_.values[c] = s.number;
            }
        } else if (current_.status.isEmpty()) {
            current_.status = link_.StatusText(reply.status);
        }
        ++next_;
    }
    if (next_ < requests_.size()) return std::nullopt;
    return Finish(now);
}

std::chrono::steady_clock::duration RecordingSession::UntilNextStep() const {
    const auto now = clock_.steady();
    const auto at = inSample_ ? retryAt_ : due_;
    return std::max(std::chrono::steady_clock::duration::zero(), at - now);
}

// ---- the file ----------------------------------------------------------------------

RecordingMetadata MetadataOf(const ConnectionSettings& settings, const std::vector<Channel>& channels,
                             const InputRanges& ranges) {
    RecordingMetadata m;
    const InterfaceKindInfo* info = KindInfo(settings.InterfaceKind);
    m.emplace_back(QStringLiteral("module"), settings.ModuleIdentity.trimmed());
    m.emplace_back(QStringLiteral("address"), QString::number(settings.ModuleAddress));
    m.emplace_back(QStringLiteral("interface"), info ? QString::fromUtf8(info->listText).simplified() : QString());
    m.emplace_back(QStringLiteral("speed"), QString::number(settings.Speed));
    std::array<bool, kAnalogInputs> listed{};
    for (const Channel& c : channels) {
        const auto input = static_cast<std::size_t>(c.index);
        if (!IsScaled(c) || listed[input]) continue;
        listed[input] = true;
        const AnalogRange* range = RangeOf(ranges[input]);
        m.emplace_back(QStringLiteral("range ain%1").arg(c.index),
                       range ? QString::fromUtf8(range->listText) : QStringLiteral("???"));
    }
    return m;
}

QStringList ValueColumns(const std::vector<Channel>& channels, const InputRanges& ranges) {
    QStringList columns;
    for (const Channel& c : channels) columns << CsvColumnName(c.name, ChannelUnit(c, ranges));
    return columns;
}

QString PartPath(const QString& path, int part) {
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    const QString number = QStringLiteral("-%1").arg(part, 3, 10, QLatin1Char('0'));
    if (suffix.isEmpty()) return path + number;
    return path.left(path.size() - suffix.size() - 1) + number + QLatin1Char('.') + suffix;
}

std::unique_ptr<QIODevice> CsvRecording::OpenFile(const QString& path, QString* error) {
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error) *error = file->errorString();
        return nullptr;
    }
    return file;
}

CsvRecording::CsvRecording(QString path, RecordingMetadata metadata, const QStringList& valueColumns,
                           RotationRule rotation, Opener opener)
    : path_(std::move(path)), metadata_(std::move(metadata)), rotation_(rotation), opener_(std::move(opener)) {
    columns_ << QStringLiteral("sample") << valueColumns << QStringLiteral("stav");
}

CsvRecording::~CsvRecording() = default;

bool CsvRecording::Fail(const QString& path, const QString& reason) {
    error_ = QStringLiteral("Zápis do souboru %1 se nezdařil (%2), záznam zastaven.").arg(path, reason);
    writer_.reset();
    device_.reset();
    return false;
}

QString CsvRecording::FailureReason() const {
    const QString reason = device_ ? device_->errorString() : QString();
    return reason.isEmpty() || reason == QLatin1String("Unknown error") ? QStringLiteral("zařízení odmítlo data")
                                                                        : reason;
}

bool CsvRecording::OpenPart() {
    writer_.reset();
    device_.reset();
    ++part_;
    partRows_ = 0;
    partPath_ = rotation_.kind == Rotation::None ? path_ : PartPath(path_, part_);
    QString reason;
    device_ = opener_(partPath_, &reason);
    if (!device_) return Fail(partPath_, reason);
    writer_ = std::make_unique<CsvWriter>(*device_);
    for (const auto& [key, value] : metadata_) {
        if (!writer_->WriteFields({key, value})) return Fail(partPath_, FailureReason());
    }
    if (!writer_->WriteFields({}) || !writer_->WriteHeader(columns_)) return Fail(partPath_, FailureReason());
    return true;
}

bool CsvRecording::Write(const RecordedSample& sample) {
    if (Failed()) return false;
    QStringList fields;
    fields << QString::number(sample.sequence) << sample.texts << sample.status;
    const QDateTime local = sample.time.toLocalTime();
    const qint64 hour = local.date().toJulianDay() * 24 + local.time().hour();

    bool newPart = !writer_;
    if (!newPart && partRows_ > 0) {
        if (rotation_.kind == Rotation::Hourly) newPart = hour != partHour_;
        if (rotation_.kind == Rotation::BySize) {
            const qint64 rowBytes = CsvRowLine(sample.time, fields).toUtf8().size() + 1;
            newPart = writer_->BytesWritten() + rowBytes > rotation_.maxBytes;
        }
    }
    if (newPart && !OpenPart()) return false;
    partHour_ = hour;
    if (!writer_->WriteRow(sample.time, fields)) return Fail(partPath_, FailureReason());
    ++partRows_;
    ++rows_;
    return true;
}

}  // namespace rq36
