// scan: finds the modules on the line of the record's interface with the
// program's bus scan, one line per module as it is confirmed.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "cli.h"
#include "config_keys.h"
#include "interrupt.h"
#include "scan_args.h"

namespace rq36::cli {

namespace {

// The progress line on a terminal's stderr, redrawn in place at most this
// often, and wiped before a module's line or the end.
constexpr auto kProgressEvery = std::chrono::milliseconds(100);

class ProgressLine {
public:
    explicit ProgressLine(bool shown) : shown_(shown) {}

    void Show(const ScanProgress& p) {
        if (!shown_) return;
        const auto now = std::chrono::steady_clock::now();
        if (drawn_ && now - last_ < kProgressEvery && p.done < p.total) return;
        last_ = now;
        Put(QStringLiteral("\r Pokus %1 z %2, %3\033[K").arg(p.done).arg(p.total).arg(ScanTimeLeftText(p.secondsLeft)));
        drawn_ = true;
    }
    void Wipe() {
        if (drawn_) Put(QStringLiteral("\r\033[K"));
        drawn_ = false;
    }
    // The end as the scan window says it, in place of the progress.
    void End(const QString& text) {
        if (!shown_) return;
        Wipe();
        Put(QLatin1Char(' ') + text + QLatin1Char('\n'));
    }

private:
    static void Put(const QString& text) {
        std::fputs(text.toUtf8().constData(), stderr);
        std::fflush(stderr);
    }
    bool shown_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point last_{};
};

QString ModuleLine(const FoundModule& m, OutputFormat format) {
    const QString parity = m.parity >= 0 ? ParityWord(static_cast<std::uint8_t>(m.parity)) : QString();
    switch (format) {
    case OutputFormat::Csv: return ScanCsvLine(m).chopped(1);
    case OutputFormat::Json:
        return QStringLiteral("{\"address\": %1, \"speed\": %2, \"parity\": %3, \"identity\": %4}")
            .arg(m.address)
            .arg(m.speed)
            .arg(parity.isEmpty() ? QStringLiteral("null") : JsonString(parity), JsonString(m.identity));
    case OutputFormat::Text: break;
    }
    QStringList fields{QStringLiteral("address=%1").arg(m.address), QStringLiteral("speed=%1").arg(m.speed)};
    if (!parity.isEmpty()) fields << QStringLiteral("parity=") + parity;
    fields << QStringLiteral("identity=") + m.identity;
    return fields.join(QLatin1Char('\t'));
}

int RunScan(Session& s, const ScanArguments& arguments) {
    const CliOptions& o = s.Options();
    const ScanPlan plan = ScanPlanFor(arguments, s.Record());
    if (o.format == OutputFormat::Csv && !s.Print(ScanCsvHeader().chopped(1))) return kExitOk;

    // The trace writes its own rows on stderr; the progress line keeps out of them.
    ProgressLine progress(StderrIsTerminal() && !o.quiet && !o.trace);
    BoundScanLine line(s.Record());
    if (o.cardBus && o.cardSlot) line.ChooseCard(*o.cardBus, *o.cardSlot);
    ScanSink sink;
    sink.stop = &InterruptFlag();
    sink.progress = [&progress](const ScanProgress& p) { progress.Show(p); };
    bool readerGone = false;
    sink.found = [&](const FoundModule& m) {
        progress.Wipe();
        if (!s.Print(ModuleLine(m, o.format))) {
            // Nobody reads any more (rq36 scan | head -1): the scan ends.
            readerGone = true;
            Interrupt();
        }
    };
    const ScanOutcome outcome = RunBusScan(line, plan, sink);
    const QString end = ScanEndText(outcome);
    if (outcome.end == ScanEnd::Failed || outcome.found.empty()) {
        // The interface's text, or that none was found: the reason for status 1.
        progress.Wipe();
        s.Fail(end);
        return kExitFailure;
    }
    if (!readerGone) progress.End(end);
    return kExitOk;
}

bool TakeValue(const QStringList& arguments, qsizetype& i, const QString& name, QString* value) {
    const QString& a = arguments[i];
    if (a == name && i + 1 < arguments.size()) {
        *value = arguments[++i];
        return true;
    }
    if (a.startsWith(name + QLatin1Char('='))) {
        *value = a.mid(name.size() + 1);
        return true;
    }
    return false;
}

template <typename T, typename Read>
std::optional<std::vector<T>> ParseList(const QString& text, Read read) {
    std::vector<T> items;
    for (const QString& word : text.split(QLatin1Char(','))) {
        const std::optional<T> item = read(word.trimmed());
        if (!item) return std::nullopt;
        if (std::find(items.begin(), items.end(), *item) == items.end()) items.push_back(*item);
    }
    return items;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ParseAddressList(const QString& text, QString* error) {
    const auto fail = [&](const QString& reason) {
        if (error) *error = QStringLiteral("scan: --addresses: ") + reason;
        return std::nullopt;
    };
    std::vector<std::uint8_t> addresses;
    std::vector<bool> named(256, false);
    for (const QString& item : text.split(QLatin1Char(','))) {
        QStringList ends = item.split(QLatin1Char('-'));
        for (QString& end : ends) end = end.trimmed();
        if (ends.size() > 2 || ends[0].isEmpty() || ends.value(1, ends[0]).isEmpty())
            return fail(QStringLiteral("neplatná položka „%1“ (platí A-B nebo A, odděleno čárkou)").arg(item));
        const std::optional<int> low = ParseIntegerIn(ends[0], 0, 255);
        const std::optional<int> high = ParseIntegerIn(ends.value(1, ends[0]), 0, 255);
        if (!low || !high) return fail(QStringLiteral("adresa v „%1“ není 0 až 255").arg(item));
        if (*low > *high) return fail(QStringLiteral("obrácený rozsah „%1“").arg(item));
        for (int a = *low; a <= *high; ++a) {
            if (named[static_cast<std::size_t>(a)]) continue;
            named[static_cast<std::size_t>(a)] = true;
            addresses.push_back(static_cast<std::uint8_t>(a));
        }
    }
    return addresses;
}

std::optional<ScanArguments> ParseScanArguments(const QStringList& arguments, QString* error) {
    ScanArguments parsed;
    const auto fail = [error](const QString& reason) {
        if (error) *error = reason;
        return std::nullopt;
    };
    const std::vector<std::int32_t> moduleSpeeds = ModuleSpeedsFirst(0);
    const QStringList valueOptions = {QStringLiteral("--addresses"), QStringLiteral("--speeds"),
                                      QStringLiteral("--parities"), QStringLiteral("--extra-timeout")};
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString value;
        if (i + 1 == arguments.size() && valueOptions.contains(arguments[i]))
            return fail(QStringLiteral("scan: volbě %1 chybí hodnota").arg(arguments[i]));
        if (arguments[i] == QLatin1String("--first")) {
            parsed.first = true;
        } else if (TakeValue(arguments, i, QStringLiteral("--addresses"), &value)) {
            const std::optional<std::vector<std::uint8_t>> addresses = ParseAddressList(value, error);
            if (!addresses) return std::nullopt;
            parsed.addresses = *addresses;
        } else if (TakeValue(arguments, i, QStringLiteral("--speeds"), &value)) {
            const auto speeds = ParseList<std::int32_t>(value, [&](const QString& word) -> std::optional<std::int32_t> {
                const std::optional<int> speed = ParseInteger(word);
                if (!speed || std::find(moduleSpeeds.begin(), moduleSpeeds.end(), *speed) == moduleSpeeds.end())
                    return std::nullopt;
                return *speed;
            });
            if (!speeds)
                return fail(QStringLiteral("scan: --speeds: neplatný seznam „%1“ (platí 2400, 4800, 9600, 19200, "
                                           "38400, 57600, 115200, odděleno čárkou)")
                                .arg(value));
            parsed.speeds = *speeds;
        } else if (TakeValue(arguments, i, QStringLiteral("--parities"), &value)) {
            const auto parities = ParseList<std::uint8_t>(value, ParityOfWord);
            if (!parities)
                return fail(
                    QStringLiteral("scan: --parities: neplatný seznam „%1“ (platí none, even, odd, odděleno čárkou)")
                        .arg(value));
            parsed.parities = *parities;
        } else if (TakeValue(arguments, i, QStringLiteral("--extra-timeout"), &value)) {
            const std::optional<int> ms = ParseIntegerIn(value, 0, kScanMaxExtraTimeoutMs);
            if (!ms) return fail(QStringLiteral("scan: --extra-timeout chce 0 až %1 ms").arg(kScanMaxExtraTimeoutMs));
            parsed.extraTimeoutMs = *ms;
        } else {
            return fail(QStringLiteral("scan: nečekaný argument %1").arg(arguments[i]));
        }
    }
    return parsed;
}

ScanPlan ScanPlanFor(const ScanArguments& arguments, const ConnectionSettings& record) {
    ScanPlan plan = DefaultScanPlan(record);
    if (!arguments.addresses.empty()) plan.addresses = arguments.addresses;
    const auto keepNamed = [](auto& all, const auto& named) {
        if (named.empty()) return;
        std::erase_if(all, [&named](const auto& v) { return std::find(named.begin(), named.end(), v) == named.end(); });
    };
    keepNamed(plan.speeds, arguments.speeds);
    keepNamed(plan.parities, arguments.parities);
    plan.stopAtFirst = arguments.first;
    plan.extraTimeoutMs = arguments.extraTimeoutMs;
    return plan;
}

Prepared PrepareScan(const QStringList& arguments, const CliOptions& options) {
    // The scan looks for the address and derives each try's timeout from
    // its speed; options that would set them mean something else here.
    if (options.address) return UsageError(QStringLiteral("scan: adresy se zadávají volbou --addresses"));
    if (options.timeoutMs || options.repeats)
        return UsageError(
            QStringLiteral("scan: timeout pokusu se odvozuje z rychlosti, lze jej prodloužit "
                           "volbou --extra-timeout"));
    QString error;
    const std::optional<ScanArguments> parsed = ParseScanArguments(arguments, &error);
    if (!parsed) return UsageError(error);
    Prepared prepared{{}, [parsed = *parsed](Session& s) { return RunScan(s, parsed); }};
    prepared.connects = false;  // the module's address and speed are what it looks for
    return prepared;
}

}  // namespace rq36::cli
