// Time from the click on "Inicializace připojení" to the success text being
// painted, with the simulated line's timing on, at 9600 and 115200 Bd,
// against the line time of the three identification exchanges.
//
//   w_rq36_connect_timing [runs]
//
// Runs offscreen against the libraries of this build's bin folder; the
// simulated module is set to the speed under test and keeps nothing on disk.
#include <algorithm>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>

#include "connection_settings.h"
#include "interface/binding.h"
#include "interface/connection_dialog.h"
#include "interface/connection_logic.h"
#include "sim_timing.h"

namespace {

// Line characters of one answered exchange and the silence after frames.
struct Frames {
    double request;
    double reply;
    double silence;
};
constexpr Frames kVextbus{11, 11, 0};
using rq36::bench::kBitsPerCharacter;

double LineTimeMs(const Frames& f, int speed, int exchanges) {
    const double characters = f.request + f.silence + f.reply + f.silence;
    return exchanges * characters * kBitsPerCharacter * 1000.0 / speed;
}

// Notes the time of the first paint that shows the success text.
class SuccessWatch : public QObject {
public:
    explicit SuccessWatch(const QElapsedTimer& clock) : clock_(clock) {}
    double shownMs = -1;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && shownMs < 0 &&
            static_cast<QLabel*>(watched)->text().startsWith(QString::fromUtf8(rq36::kStatusSuccessPrefix))) {
            shownMs = static_cast<double>(clock_.nsecsElapsed()) / 1e6;
        }
        return false;
    }

private:
    const QElapsedTimer& clock_;
};

using rq36::bench::Median;

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    rq36::bench::UseSimulatedHardware();
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QTemporaryDir dir;

    std::printf("%-6s %-7s %10s %12s %10s\n", "kind", "speed", "line ms", "click->text", "overhead");
    for (int speed : {9600, 115200}) {
        if (!rq36::bench::SetModuleSpeed(dir, speed)) return 1;

        // Kind 5 (Modbus RTU over a serial port) is measured in bench/orsf.
        for (int kind : {0, 6}) {
            std::vector<double> times;
            for (int run = 0; run < runs; ++run) {
                rq36::ConnectionSettings record;
                rq36::SetDefaults(&record);
                TFormPripojeni dialog(&record);
                dialog.show();
                QApplication::processEvents();
                dialog.findChild<QComboBox*>(QStringLiteral("ComboBox2"))->setCurrentIndex(kind);
                dialog.findChild<QComboBox*>(QStringLiteral("ComboBox1"))->setCurrentIndex(rq36::IndexFromSpeed(speed));
                QElapsedTimer clock;
                SuccessWatch watch(clock);
                auto* panel = dialog.findChild<QLabel*>(QStringLiteral("Panel1"));
                panel->installEventFilter(&watch);
                clock.start();
                dialog.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
                panel->removeEventFilter(&watch);
                if (watch.shownMs < 0) {
                    std::fprintf(stderr, "kind %d at %d Bd: %s\n", kind, speed, qPrintable(panel->text()));
                    return 1;
                }
                times.push_back(watch.shownMs);
                ors_handle_t handle = record.LibraryHandle;
                rq36::CloseInterface(record.InterfaceKind, &handle);
            }
            const double line = LineTimeMs(kVextbus, speed, 3);
            const double measured = Median(times);
            std::printf("%-6d %-7d %10.2f %12.2f %10.2f\n", kind, speed, line, measured, measured - line);
        }
    }
    return 0;
}
