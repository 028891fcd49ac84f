// Configuration transfers with the simulated line's timing on: a read and a
// write-with-read-back of 4, 6 and 12 bytes at 9600 and 115200 Bd, through
// the COM-port library (kind 0) and ORSG (kind 6), against their line time:
// the exchanges' frames plus the 1 ms pauses the transfer makes.
//
//   w_rq36_transfer_timing [runs]
#include <algorithm>
#include <cstdio>
#include <span>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include "connection_settings.h"
#include "interface/binding.h"
#include "interface/connection_logic.h"
#include "module/config_transfer.h"
#include "sim_timing.h"

namespace {

// The dialog's host: events are let through and pauses slept, as in a dialog.
class Host : public rq36::ModuleHost {
public:
    void ShowStatus(const QString&) override {}
    void ProcessEvents() override { QCoreApplication::processEvents(); }
    void Pause(int ms) override { QThread::msleep(static_cast<unsigned long>(ms)); }
};

}  // namespace

int main(int argc, char* argv[]) {
    rq36::bench::UseSimulatedHardware();
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QTemporaryDir dir;
    const std::span<const rq36::ConfigByteSlot> sizes[] = {rq36::kCommunicationSlots, rq36::kAnalogRangeSlots,
                                                           rq36::kDigitalOptionSlots};

    std::printf("%-5s %-7s %-6s %-5s %10s %10s %7s\n", "kind", "speed", "op", "bytes", "budget ms", "measured",
                "ratio");
    double worst = 0;
    for (int speed : {9600, 115200}) {
        if (!rq36::bench::SetModuleSpeed(dir, speed)) return 1;
        const double exchangeMs = rq36::bench::VextbusLineTimeMs(speed);
        for (int kind : {0, 6}) {
            rq36::ConnectionSettings record;
            rq36::SetDefaults(&record);
            rq36::ConnectionInputs inputs;
            inputs.kindIndex = kind;
            inputs.speedIndex = rq36::IndexFromSpeed(speed);
            inputs.addressText = QStringLiteral("1");
            inputs.parameter1 = QStringLiteral("1");
            if (!rq36::InitializeConnection(record, inputs, {}).connected) {
                std::fprintf(stderr, "kind %d at %d Bd: no connection\n", kind, speed);
                return 1;
            }
            Host host;
            for (const auto run : sizes) {
                for (bool write : {false, true}) {
                    std::vector<double> times;
                    rq36::ConfigImageBytes image = record.ConfigImage;
                    for (int i = 0; i < runs; ++i) {
                        QElapsedTimer clock;
                        clock.start();
                        const rq36::TransferResult result = write ? rq36::WriteConfigBytes(&record, host, run, image)
                                                                  : rq36::ReadConfigBytes(&record, host, run, image);
                        times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
                        if (result != rq36::TransferResult::Done) {
                            std::fprintf(stderr, "transfer failed\n");
                            return 1;
                        }
                    }
                    const double n = static_cast<double>(run.size());
                    const double budget = write ? n * (2 * exchangeMs + 2) : n * (exchangeMs + 1);
                    const double measured = rq36::bench::Median(times);
                    worst = std::max(worst, measured / budget);
                    std::printf("%-5d %-7d %-6s %-5zu %10.2f %10.2f %7.3f\n", kind, speed, write ? "write" : "read",
                                run.size(), budget, measured, measured / budget);
                }
            }
            rq36::CloseConnection(record);
        }
    }
    std::printf("worst ratio %.3f (target 1.05)\n", worst);
    return 0;
}
