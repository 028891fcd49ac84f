// Snapshots with the simulated line's timing on: saving a whole module
// (identity, bank 0, banks 30 to 32) and restoring a whole module (every byte
// of every bank different, calibration included), through the COM-port
// library (kind 0) at 115200 and 9600 Bd, against their line time: the
// exchanges' frames plus the verified write's 1 ms pause per byte.  Prints
// the seconds a user waits.
//
//   w_rq36_snapshot_timing [runs at 115200 Bd] [speed]    (speed: only that one)
#include <algorithm>
#include <cstdio>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include "connection_settings.h"
#include "interface/binding.h"
#include "interface/connection_logic.h"
#include "module/snapshot_transfer.h"
#include "sim_timing.h"

namespace {

// The dialog's sink: events are let through and pauses slept, as in a dialog.
class Sink : public rq36::SnapshotSink {
public:
    void ShowStatus(const QString&) override {}
    void ProcessEvents() override { QCoreApplication::processEvents(); }
    void Pause(int ms) override { QThread::msleep(static_cast<unsigned long>(ms)); }
};

// Every byte other than in `from`, named bytes within their values.
rq36::Snapshot EveryByteChanged(const rq36::Snapshot& from) {
    rq36::Snapshot s = from;
    for (int a = 0; a < rq36::kBankBytes; ++a) {
        auto& b = s.bank0[static_cast<std::size_t>(a)];
        const rq36::NamedByte* named = rq36::NamedByteAt(static_cast<std::uint8_t>(a));
        if (!named || named->hex) {
            b = static_cast<std::uint8_t>(*b ^ 0xFF);
        } else {
            const int span = named->maxValue - named->minValue + 1;
            b = static_cast<std::uint8_t>(named->minValue + (*b - named->minValue + 1) % span);
        }
    }
    for (auto& bank : *s.calibration)
        for (auto& b : bank) b = static_cast<std::uint8_t>(*b ^ 0xFF);
    return s;
}

}  // namespace

int main(int argc, char* argv[]) {
    rq36::bench::UseSimulatedHardware();
    QCoreApplication app(argc, argv);
    const int fastRuns = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    QTemporaryDir dir;
    constexpr int kReads = 3 + 4 * rq36::kBankBytes;  // identity, four banks
    constexpr int kWrites = 4 * rq36::kBankBytes;

    std::printf("%-7s %-8s %10s %10s %7s\n", "speed", "op", "budget s", "measured", "ratio");
    double worst = 0;
    const int only = argc > 2 ? atoi(argv[2]) : 0;
    for (int speed : {115200, 9600}) {
        if (only != 0 && speed != only) continue;
        if (!rq36::bench::SetModuleSpeed(dir, speed)) return 1;
        rq36::ConnectionSettings record;
        rq36::SetDefaults(&record);
        rq36::ConnectionInputs inputs;
        inputs.kindIndex = rq36::kKindComPort;
        inputs.speedIndex = rq36::IndexFromSpeed(speed);
        inputs.addressText = QStringLiteral("1");
        inputs.parameter1 = QStringLiteral("1");
        if (!rq36::InitializeConnection(record, inputs, {}).connected) {
            std::fprintf(stderr, "%d Bd: no connection\n", speed);
            return 1;
        }
        rq36::BoundModuleLink link(record);
        Sink sink;
        const int runs = speed == 9600 ? 1 : fastRuns;
        const double exchange = rq36::bench::VextbusLineTimeMs(speed);

        std::vector<double> saves, restores;
        std::optional<rq36::Snapshot> factory;
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer clock;
            clock.start();
            const rq36::SnapshotRead read = rq36::ReadModuleSnapshot(link, sink, true);
            saves.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e9);
            if (!read.snapshot) {
                std::fprintf(stderr, "save failed:%s\n", qPrintable(read.error));
                return 1;
            }
            if (!factory) factory = read.snapshot;
        }
        const rq36::Snapshot changed = EveryByteChanged(*factory);
        rq36::RestoreOptions options;
        options.withCalibration = true;
        for (int i = 0; i < runs; ++i) {
            // Alternately to every byte changed and back: each run writes all.
            QElapsedTimer clock;
            clock.start();
            const rq36::RestoreOutcome r = rq36::RestoreSnapshot(link, i % 2 ? *factory : changed, options, sink);
            restores.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e9);
            if (r.result != rq36::SnapshotResult::Done || r.written != kWrites) {
                std::fprintf(stderr, "restore: %s (%d bytes)\n", qPrintable(r.message), r.written);
                return 1;
            }
        }
        const double saveBudget = kReads * exchange / 1000;
        const double restoreBudget = (kReads * exchange + kWrites * (2 * exchange + 1)) / 1000;
        for (const auto& [op, budget, times] :
             {std::tuple{"save", saveBudget, saves}, std::tuple{"restore", restoreBudget, restores}}) {
            const double measured = rq36::bench::Median(times);
            worst = std::max(worst, measured / budget);
            std::printf("%-7d %-8s %10.2f %10.2f %7.3f\n", speed, op, budget, measured, measured / budget);
        }
        rq36::CloseConnection(record);
    }
    std::printf("worst ratio %.3f (target 1.10)\n", worst);
    return 0;
}
