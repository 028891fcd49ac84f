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

namespace {

constexpr int kBitsPerCharacter = 11;       // start, 8 data, parity, stop
constexpr int kVextbusCharacters = 11 + 11;  // request and reply frames
constexpr int kReferenceStepExchanges = 15;
constexpr double kPauseMs = 400;

double LineTimeMs(int speed, int exchanges) {
    return exchanges * kVextbusCharacters * kBitsPerCharacter * 1000.0 / speed;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

bool Connect(rq36::ConnectionSettings& record, int kind, int speed) {
    TFormPripojeni dialog(&record);
    dialog.show();
    QApplication::processEvents();
    dialog.findChild<QComboBox*>(QStringLiteral("ComboBox2"))->setCurrentIndex(kind);
    dialog.findChild<QComboBox*>(QStringLiteral("ComboBox1"))->setCurrentIndex(rq36::IndexFromSpeed(speed));
    dialog.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
    return record.Connected;
}

bool Outputs(const rq36::ConnectionSettings& record, std::uint32_t bits) {
    return rq36::SendCommand(record, rq36::WriteRegisterCommand(rq36::kRegDigital, bits)).ok();
}

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("RQ36_SIM_INSTANT");
    qunsetenv("RQ36_SIM_FAULT");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    rq36::SetInterfaceLibraryFolder(RQ36_BIN_DIR);
    QTemporaryDir dir;

    std::printf("%-6s %-7s %10s %10s %12s %8s\n", "kind", "speed", "line ms", "bound ms", "step ms", "within");
    bool allWithin = true;
    for (int speed : {9600, 115200}) {
        const QString config = dir.filePath(QStringLiteral("sim_%1.conf").arg(speed));
        {
            QFile file(config);
            if (!file.open(QIODevice::WriteOnly)) return 1;
            QTextStream(&file) << "[module main]\nspeed = " << speed << "\n";
        }
        qputenv("RQ36_SIM_CONFIG", config.toLocal8Bit());
        qputenv("RQ36_SIM_STATE", QByteArray(":memory:") + QByteArray::number(speed));

        for (int kind : {0, 6}) {
            rq36::ConnectionSettings record;
            rq36::SetDefaults(&record);
            if (!Connect(record, kind, speed)) {
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

            const double line = LineTimeMs(speed, kReferenceStepExchanges);
            const double bound = 1.05 * (kPauseMs + line);
            const double measured = Median(times);
            allWithin = allWithin && measured <= bound;
            std::printf("%-6d %-7d %10.2f %10.2f %12.2f %8s\n", kind, speed, line, bound, measured,
                        measured <= bound ? "yes" : "NO");
        }
    }
    return allWithin ? 0 : 2;
}
