// Duration of the calibration's reference step ("Potvrzení" with the value
// entered: the settling pause, one reading, seven bytes written and read
// back), with the simulated line's timing on, at 9600 and 115200 Bd, against
// the bound 1.05 x (400 ms + the line time of its 15 exchanges).
//
//   w_rq36_calibration_timing [runs]
//
// Runs offscreen against the libraries of this build's bin folder (ORSA,
// kind 0, and ORSG, kind 6); the simulated module keeps nothing on disk.
#include <algorithm>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>

#include "calibration/calibration_dialog.h"
#include "connection_settings.h"
#include "interface/binding.h"
#include "interface/connection_dialog.h"
#include "interface/connection_logic.h"
#include "sim_timing.h"

namespace {

constexpr int kReferenceStepExchanges = 15;
constexpr double kPauseMs = 400;

bool Outputs(const rq36::ConnectionSettings& record, std::uint32_t bits) {
    return rq36::SendCommand(record, rq36::WriteRegisterCommand(rq36::kRegDigital, bits)).Ok();
}

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    rq36::bench::UseSimulatedHardware();
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QTemporaryDir dir;

    std::printf("%-6s %-7s %10s %10s %12s %8s\n", "kind", "speed", "line ms", "bound ms", "step ms", "within");
    bool allWithin = true;
    for (int speed : {9600, 115200}) {
        if (!rq36::bench::SetModuleSpeed(dir, speed)) return 1;

        for (int kind : {0, 6}) {
            rq36::ConnectionSettings record;
            rq36::SetDefaults(&record);
            if (!rq36::bench::Connect(record, kind, speed)) {
                std::fprintf(stderr, "kind %d at %d Bd: no connection\n", kind, speed);
                return 1;
            }
            std::vector<double> times;
            for (int run = 0; run < runs; ++run) {
                TForm6 dialog(&record);
                dialog.show();
                QApplication::processEvents();
                dialog.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
                Outputs(record, 1);  // inputs short-circuited
                dialog.findChild<QPushButton*>(QStringLiteral("Button2"))->click();
                Outputs(record, 2);  // 90 % reference: 9 V on the 10 V range
                dialog.findChild<QLineEdit*>(QStringLiteral("Edit2"))->setText(QStringLiteral("9,0"));
                QElapsedTimer clock;
                clock.start();
                dialog.findChild<QPushButton*>(QStringLiteral("Button2"))->click();
                const double elapsed = static_cast<double>(clock.nsecsElapsed()) / 1e6;
                if (dialog.State() != rq36::kCalibrationIdle || dialog.StatusText() != QStringLiteral(" ")) {
                    std::fprintf(stderr, "kind %d at %d Bd: %s\n", kind, speed, qPrintable(dialog.StatusText()));
                    return 1;
                }
                times.push_back(elapsed);
            }
            ors_handle_t handle = record.LibraryHandle;
            rq36::CloseInterface(record.InterfaceKind, &handle);

            const double line = rq36::bench::VextbusLineTimeMs(speed, kReferenceStepExchanges);
            const double bound = 1.05 * (kPauseMs + line);
            const double measured = rq36::bench::Median(times);
            allWithin = allWithin && measured <= bound;
            std::printf("%-6d %-7d %10.2f %10.2f %12.2f %8s\n", kind, speed, line, bound, measured,
                        measured <= bound ? "yes" : "NO");
        }
    }
    return allWithin ? 0 : 2;
}
