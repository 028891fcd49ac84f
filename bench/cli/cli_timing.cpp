// rq36 as a whole process against the simulated module with its line timing
// on, at 115200 Bd (kinds 0 and 6):
//   identify: wall time from starting the process to its end, against the
//     line time of the three identity exchanges; the rest is rq36's overhead
//     (process start, binding, Init), which should stay within 30 ms.  The
//     bare start (rq36 --version: no binding, nothing sent) is shown beside.
//   read --interval 0 --count 100 ain0: rows per second (from the rows' own
//     time stamps, first to last) against 1 / line time of one exchange;
//     it should reach 0.9 of it.  Beside it the mean time the library took
//     per exchange (from a --trace run) and rows per second against that
//     ("vs exch"): near 1 when rq36 itself adds nothing per row.
//
//   w_rq36_cli_timing [runs]
#include <cstdio>
#include <vector>

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "interface/binding.h"
#include "sim_timing.h"

namespace {

using rq36::bench::Median;
using rq36::bench::VextbusLineTimeMs;

constexpr int kSpeed = 115200;
constexpr int kRows = 100;
constexpr double kMaxOverheadMs = 30.0;
constexpr double kMinRateRatio = 0.9;

struct Run {
    double wallMs = -1;
    QByteArray out;
    QByteArray err;
};

Run Rq36(const QString& settings, const QStringList& arguments) {
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(RQ36_CLI), QStringList{QStringLiteral("--settings"), settings} + arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "rq36 %s: %s\n", qPrintable(arguments.join(' ')),
                     process.readAllStandardError().constData());
        return {};
    }
    return {static_cast<double>(clock.nsecsElapsed()) / 1e6, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

// Rows per second between the first and the last row's time stamp.
double RowsPerSecond(const QByteArray& csv) {
    const QList<QByteArray> lines = csv.trimmed().split('\n');
    if (lines.size() < 3) return 0;
    const auto stamp = [](const QByteArray& line) {
        return QDateTime::fromString(QString::fromLatin1(line.split(',').value(0)),
                                     QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
    };
    const qint64 ms = stamp(lines[1]).msecsTo(stamp(lines.last()));
    return ms > 0 ? (lines.size() - 2) * 1000.0 / static_cast<double>(ms) : 0;
}

// The mean duration of the exchanges of a --trace (the rows' last field),
// in ms: the time spent inside the interface library.
double MeanExchangeMs(const QByteArray& trace) {
    double sum = 0;
    int n = 0;
    for (const QByteArray& row : trace.trimmed().split('\n')) {
        const QList<QByteArray> fields = row.simplified().split(' ');
        if (fields.size() < 2 || fields.last() != "ms") continue;
        sum += fields[fields.size() - 2].toDouble();
        ++n;
    }
    return n > 0 ? sum / n : 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    rq36::bench::UseSimulatedHardware();
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    QTemporaryDir dir;
    const QString settings = dir.filePath(QStringLiteral("empty.ini"));
    QFile(settings).open(QIODevice::WriteOnly);
    if (!rq36::bench::SetModuleSpeed(dir, kSpeed)) return 1;
    const QString speed = QString::number(kSpeed);
    bool ok = true;

    std::printf("rq36 identify at %d Bd (median of %d)\n", kSpeed, runs);
    std::printf("%-6s %10s %10s %10s %12s\n", "kind", "line ms", "wall ms", "overhead", "bare start");
    for (const char* kind : {"0", "6"}) {
        std::vector<double> wall, bare;
        for (int run = 0; run < runs; ++run) {
            const Run r = Rq36(settings, {"--interface", kind, "--speed", speed, "identify"});
            const Run v = Rq36(settings, {"--version"});
            if (r.wallMs < 0 || v.wallMs < 0) return 1;
            wall.push_back(r.wallMs);
            bare.push_back(v.wallMs);
        }
        const double line = VextbusLineTimeMs(kSpeed, 3);
        const double overhead = Median(wall) - line;
        ok = ok && overhead <= kMaxOverheadMs;
        std::printf("%-6s %10.2f %10.2f %10.2f %12.2f%s\n", kind, line, Median(wall), overhead, Median(bare),
                    overhead <= kMaxOverheadMs ? "" : "  (over 30 ms)");
    }

    std::printf("\nrq36 --format csv read --interval 0 --count %d ain0 at %d Bd (median of %d)\n", kRows, kSpeed, runs);
    std::printf("%-6s %10s %10s %8s %12s %10s\n", "kind", "rows/s", "1/line", "ratio", "exchange ms", "vs exch");
    for (const char* kind : {"0", "6"}) {
        const QStringList read = {
            "--interface",          kind,  "--speed", speed, "--format", "csv", "read", "--interval", "0", "--count",
            QString::number(kRows), "ain0"};
        std::vector<double> rates;
        for (int run = 0; run < runs; ++run) {
            const Run r = Rq36(settings, read);
            if (r.wallMs < 0) return 1;
            rates.push_back(RowsPerSecond(r.out));
        }
        // Beside it, how long the library itself took per exchange (its
        // simulated line waits with the system's sleep, which a loaded
        // machine stretches): rows per second against that shows what is
        // rq36's own.
        const Run traced = Rq36(settings, QStringList{"--trace"} + read);
        const double exchangeMs = MeanExchangeMs(traced.err);
        const double ideal = 1000.0 / VextbusLineTimeMs(kSpeed, 1);
        const double ratio = Median(rates) / ideal;
        ok = ok && ratio >= kMinRateRatio;
        std::printf("%-6s %10.1f %10.1f %8.2f %12.3f %10.2f%s\n", kind, Median(rates), ideal, ratio, exchangeMs,
                    exchangeMs > 0 ? Median(rates) * exchangeMs / 1000.0 : 0.0,
                    ratio >= kMinRateRatio ? "" : "  (below 0.9)");
    }
    return ok ? 0 : 2;
}
