// read: measured values, scaled and written as the live views show them, one
// sample after another.
#include <chrono>

#include <QDateTime>

#include "cli.h"
#include "interface/exchange_trace.h"
#include "interrupt.h"
#include "live/csv_writer.h"
#include "read_plan.h"

namespace rq36::cli {

namespace {

// A channel's value (in the locale of the output) and unit in one sample.
using Sample = ChannelSample;

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
                const std::optional<ModuleReply> reply = s_.Request(ChannelRequest(c));
                if (!reply) return kExitFailure;
                row.push_back(ChannelSampleOf(c, reply->r, ranges_, locale));
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
            if (IsScaled(c)) byteSlots.push_back(kAnalogRangeSlots[static_cast<std::size_t>(c.index)]);
        }
        if (byteSlots.empty()) return true;
        ConfigImageBytes image = s_.Record().ConfigImage;
        if (!ReadConfiguration(s_, byteSlots, image)) return false;
        for (int i = 0; i < kAnalogInputs; ++i) ranges_[static_cast<std::size_t>(i)] = image[kImgRange0 + i];
        return true;
    }

    QString UnitOf(const ReadChannel& c) const { return ChannelUnit(c, ranges_); }

    bool Write(CsvWriter& csv, const QDateTime& time, const std::vector<Sample>& row) {
        QStringList fields;
        switch (s_.Options().format) {
        case OutputFormat::Csv:
            for (const Sample& v : row) fields << v.text;
            return csv.WriteRow(time, fields);
        case OutputFormat::Json: {
            QStringList units;
            for (std::size_t i = 0; i < row.size(); ++i) {
                const ReadChannel& c = plan_.channels[i];
                const bool number = c.kind != ChannelKind::Status;
                fields << JsonString(c.name) + QStringLiteral(": ") + (number ? row[i].text : JsonString(row[i].text));
                if (!row[i].unit.isEmpty())
                    units << JsonString(c.name) + QStringLiteral(": ") + JsonString(row[i].unit);
            }
            return s_.Print(QStringLiteral("{\"time\": %1, \"values\": {%2}, \"units\": {%3}}")
                                .arg(JsonString(LocalTimeText(time)), fields.join(QStringLiteral(", ")),
                                     units.join(QStringLiteral(", "))));
        }
        case OutputFormat::Text:
            for (std::size_t i = 0; i < row.size(); ++i) {
                QString field = plan_.channels[i].name + QLatin1Char('=') + row[i].text;
                if (!row[i].unit.isEmpty()) field += QLatin1Char(' ') + row[i].unit;
                fields << field;
            }
            return s_.Print(fields.join(QLatin1Char('\t')));
        }
        return true;
    }

    Session& s_;
    const ReadPlan& plan_;
    InputRanges ranges_{};
};

}  // namespace

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
