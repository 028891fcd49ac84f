// read: measured values, scaled and written as the live views show them, one
// sample after another.
#include <chrono>

#include <QDateTime>

#include "cli.h"
#include "interface/exchange_trace.h"
#include "interrupt.h"
#include "live/csv_writer.h"
#include "live/live_values.h"
#include "module/range_table.h"
#include "module/value_format.h"
#include "read_plan.h"

namespace rq36::cli {

namespace {

// The combined values of the pairs 0-1, 1-2, 2-0, 3-4, 4-5, 5-3.
constexpr std::array<const char*, kAnalogInputs> kPairNames = {"c01", "c12", "c20", "c34", "c45", "c53"};
constexpr int kCounters = 2;

ModuleCommand RequestOf(const ReadChannel& c) {
    switch (c.kind) {
    case ChannelKind::Analog: return ReadRegisterCommand(AnalogInputRegister(c.index));
    case ChannelKind::Combined: return ReadRegisterCommand(CombinedValueRegister(c.index));
    case ChannelKind::Counter: return ReadRegisterCommand(c.index == 0 ? kRegCounter0 : kRegCounter1);
    case ChannelKind::Digital: return ReadRegisterCommand(kRegDigital);
    case ChannelKind::Status: return ReadStatusRegisterCommand();
    }
    return {};
}

bool Scaled(const ReadChannel& c) { return c.kind == ChannelKind::Analog || c.kind == ChannelKind::Combined; }

// A channel's value and unit in one sample.
struct Sample {
    QString value;  // in the locale of the output
    QString unit;   // empty for counters, inputs and status
};

class Reader {
public:
    Reader(Session& session, const ReadPlan& plan) : s_(session), plan_(plan) {}

    int Run() {
        if (!ReadUnits()) return kExitFailure;
        const QLocale locale = s_.ValueLocale();
        CsvWriter csv(s_.Stdout());
        if (s_.Options().format == OutputFormat::Csv) {
            QStringList columns;
            for (const ReadChannel& c : plan_.channels) columns << CsvColumnName(c.name, UnitOf(c));
            if (!csv.WriteHeader(columns)) return kExitOk;  // the reader went away
        }
        const auto interval = std::chrono::milliseconds(plan_.intervalMs);
        auto next = std::chrono::steady_clock::now();
        for (int n = 0; plan_.count == 0 || n < plan_.count; ++n) {
            if (Interrupted()) break;
            const QDateTime time = QDateTime::currentDateTime();
            std::vector<Sample> row;
            for (const ReadChannel& c : plan_.channels) {
                const std::optional<ModuleReply> reply = s_.Request(RequestOf(c));
                if (!reply) return kExitFailure;
                row.push_back(SampleOf(c, reply->r, locale));
            }
            if (!Write(csv, time, row)) return kExitOk;
            if (plan_.count != 0 && n + 1 == plan_.count) break;
            next += interval;
            const auto now = std::chrono::steady_clock::now();
            if (next > now) {
                SleepUnlessInterrupted(
                    static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(next - now).count()));
            } else {
                // Behind (a slow line, or interval 0): no burst to catch up.
                next = now;
            }
        }
        return kExitOk;
    }

private:
    // The ranges of the inputs whose values are read (they choose units).
    bool ReadUnits() {
        std::vector<ConfigByteSlot> byteSlots;
        for (const ReadChannel& c : plan_.channels) {
            if (Scaled(c)) byteSlots.push_back(kAnalogRangeSlots[static_cast<std::size_t>(c.index)]);
        }
        if (byteSlots.empty()) return true;
        ConfigImageBytes image = s_.Record().ConfigImage;
        if (!ReadConfiguration(s_, byteSlots, image)) return false;
        for (int i = 0; i < kAnalogInputs; ++i) ranges_[static_cast<std::size_t>(i)] = image[kImgRange0 + i];
        return true;
    }

    QString UnitOf(const ReadChannel& c) const {
        return Scaled(c) ? RangeUnit(ranges_[static_cast<std::size_t>(c.index)]) : QString();
    }

    Sample SampleOf(const ReadChannel& c, const std::array<std::uint8_t, 4>& r, const QLocale& locale) const {
        switch (c.kind) {
        case ChannelKind::Analog:
        case ChannelKind::Combined: {
            const LiveReading reading = ReadingOf(r, IsCurrentRange(ranges_[static_cast<std::size_t>(c.index)]));
            return {FormatMeasuredValue(reading.value, reading.decimals, locale), UnitOf(c)};
        }
        case ChannelKind::Counter: return {CounterText(DecodeUInt32(r)), {}};
        case ChannelKind::Digital: return {QString::number(r[0] & 0x03), {}};
        case ChannelKind::Status: return {QString::asprintf("0x%08X", static_cast<unsigned>(DecodeUInt32(r))), {}};
        }
        return {};
    }

    bool Write(CsvWriter& csv, const QDateTime& time, const std::vector<Sample>& row) {
        QStringList fields;
        switch (s_.Options().format) {
        case OutputFormat::Csv:
            for (const Sample& v : row) fields << v.value;
            return csv.WriteRow(time, fields);
        case OutputFormat::Json: {
            QStringList units;
            for (std::size_t i = 0; i < row.size(); ++i) {
                const ReadChannel& c = plan_.channels[i];
                const bool number = c.kind != ChannelKind::Status;
                fields << JsonString(c.name) + QStringLiteral(": ") +
                              (number ? row[i].value : JsonString(row[i].value));
                if (!row[i].unit.isEmpty())
                    units << JsonString(c.name) + QStringLiteral(": ") + JsonString(row[i].unit);
            }
            return s_.Print(QStringLiteral("{\"time\": %1, \"values\": {%2}, \"units\": {%3}}")
                                .arg(JsonString(LocalTimeText(time)), fields.join(QStringLiteral(", ")),
                                     units.join(QStringLiteral(", "))));
        }
        case OutputFormat::Text:
            for (std::size_t i = 0; i < row.size(); ++i) {
                QString field = plan_.channels[i].name + QLatin1Char('=') + row[i].value;
                if (!row[i].unit.isEmpty()) field += QLatin1Char(' ') + row[i].unit;
                fields << field;
            }
            return s_.Print(fields.join(QLatin1Char('\t')));
        }
        return true;
    }

    Session& s_;
    const ReadPlan& plan_;
    std::array<int, kAnalogInputs> ranges_{};
};

}  // namespace

std::optional<ReadChannel> ChannelNamed(const QString& name) {
    for (int i = 0; i < kAnalogInputs; ++i) {
        if (name == QStringLiteral("ain%1").arg(i)) return ReadChannel{name, ChannelKind::Analog, i};
        if (name == QLatin1String(kPairNames[static_cast<std::size_t>(i)]))
            return ReadChannel{name, ChannelKind::Combined, i};
    }
    for (int k = 0; k < kCounters; ++k) {
        if (name == QStringLiteral("cnt%1").arg(k)) return ReadChannel{name, ChannelKind::Counter, k};
    }
    if (name == QLatin1String("din")) return ReadChannel{name, ChannelKind::Digital, 0};
    if (name == QLatin1String("status")) return ReadChannel{name, ChannelKind::Status, 0};
    return std::nullopt;
}

std::optional<ReadPlan> ParseReadArguments(const QStringList& arguments, QString* error) {
    ReadPlan plan;
    std::optional<int> interval;
    std::optional<int> count;
    const auto fail = [error](const QString& reason) {
        if (error) *error = reason;
        return std::nullopt;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--interval") || a == QLatin1String("--count")) {
            const bool isInterval = a == QLatin1String("--interval");
            const std::optional<int> value =
                ParseIntegerIn(arguments.value(i + 1), 0, isInterval ? 86400000 : 2147483647);
            if (i + 1 >= arguments.size() || !value)
                return fail(QStringLiteral("read: %1 chce celé číslo 0 nebo větší").arg(a));
            (isInterval ? interval : count) = value;
            ++i;
            continue;
        }
        const std::optional<ReadChannel> channel = ChannelNamed(a);
        if (!channel) return fail(QStringLiteral("read: neznámý kanál %1").arg(a));
        plan.channels.push_back(*channel);
    }
    if (plan.channels.empty()) {
        for (int i = 0; i < kAnalogInputs; ++i) plan.channels.push_back(*ChannelNamed(QStringLiteral("ain%1").arg(i)));
    }
    plan.intervalMs = interval.value_or(0);
    plan.count = count.value_or(interval ? 0 : 1);
    return plan;
}

Prepared PrepareRead(const QStringList& arguments, const CliOptions&) {
    QString error;
    const std::optional<ReadPlan> plan = ParseReadArguments(arguments, &error);
    if (!plan) return UsageError(error);
    return {{}, [plan = *plan](Session& s) { return Reader(s, plan).Run(); }};
}

}  // namespace rq36::cli
