// Timing of the live views against the simulated module with its line
// timing on (not a test):
//   - poll rate of the digital input view at 115200 Bd through the COM port
//     stand-in (kind 0) and ORSG (kind 6), against 1 / (10 ms + the line time
//     of one exchange);
//   - one analog tick at 9600 Bd once the units are known (12 reads),
//     against 12 exchange line times;
//   - how soon a click during an analog tick at 9600 Bd is handled;
//   - the processor time the main window uses, connected, with no view open.
//
//   w_rq36_live_timing [seconds]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <random>
#include <thread>
#include <vector>

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include "connection_settings.h"
#include "interface/binding.h"
#include "interface/connection_dialog.h"
#include "interface/connection_logic.h"
#include "interface/traffic_monitor.h"
#include "live/analog_view.h"
#include "live/digital_views.h"
#include "main_window.h"
#include "sim_timing.h"

namespace {

using Clock = std::chrono::steady_clock;

double ExchangeMs(int speed) { return rq36::bench::VextbusLineTimeMs(speed); }

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void RunEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

using rq36::bench::Median;

void SetSpeed(QTemporaryDir& dir, int speed) { rq36::bench::SetModuleSpeed(dir, speed); }
using rq36::bench::Connect;

void Disconnect(rq36::ConnectionSettings& record) {
    ors_handle_t handle = record.LibraryHandle;
    rq36::CloseInterface(record.InterfaceKind, &handle);
    record.Connected = false;
    record.LibraryHandle = 0;
}

class CountingDin : public TFormOkamDIN {
public:
    using TFormOkamDIN::TFormOkamDIN;
    int ticks = 0;

protected:
    void Tick() override {
        ++ticks;
        TFormOkamDIN::Tick();
    }
};

// The analog view with the length of each tick, and a button beside
// "Cancel" whose clicks are timed.
class TimedAnalog : public TForm3 {
public:
    explicit TimedAnalog(rq36::ConnectionSettings* settings) : TForm3(settings) {
        probe = new QPushButton(QStringLiteral("Probe"), this);
        ButtonRow()->addWidget(probe);
        connect(probe, &QPushButton::clicked, this, [this] {
            handled.push_back(Clock::now());
            ++handledCount;
        });
    }
    QPushButton* probe;
    std::vector<double> tickMs;
    std::vector<Clock::time_point> handled;
    std::atomic<std::size_t> handledCount{0};
    std::atomic<bool> inTick{false};

protected:
    void Tick() override {
        const auto start = Clock::now();
        inTick = true;
        TForm3::Tick();
        inTick = false;
        tickMs.push_back(Ms(Clock::now() - start));
    }
};

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    rq36::bench::UseSimulatedHardware();
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    QTemporaryDir dir;

    // Digital input view at 115200 Bd.
    SetSpeed(dir, 115200);
    const double expectedRate = 1000.0 / (TFormOkamDIN::kIntervalMs + ExchangeMs(115200));
    std::printf("digital input view, 115200 Bd: expected %.1f ticks/s (10 ms + %.2f ms)\n", expectedRate,
                ExchangeMs(115200));
    // Each kind alone, then with the traffic monitor open beside it.
    for (const bool withMonitor : {false, true}) {
        for (int kind : {0, 6}) {
            rq36::ConnectionSettings record;
            rq36::SetDefaults(&record);
            if (!Connect(record, kind, 115200)) return 1;
            TFormKomunikace monitor;
            if (withMonitor) monitor.show();
            CountingDin view(&record);
            view.show();
            RunEventLoop(300);
            const int before = view.ticks;
            const auto start = Clock::now();
            RunEventLoop(seconds * 1000);
            const double rate = (view.ticks - before) / (Ms(Clock::now() - start) / 1000.0);
            std::printf("  kind %d%s: %.1f ticks/s, %.3f of expected (monitor %d rows)\n", kind,
                        withMonitor ? ", monitor open" : "", rate, rate / expectedRate,
                        withMonitor ? monitor.Model()->rowCount() : 0);
            view.hide();
            Disconnect(record);
        }
    }

    // Analog view at 9600 Bd: tick length and a click during a tick.
    SetSpeed(dir, 9600);
    const double twelve = 12 * ExchangeMs(9600);
    std::printf("analog view, 9600 Bd: 12 exchanges %.1f ms, click bound %.1f ms\n", twelve, ExchangeMs(9600) + 5);
    for (int kind : {0, 6}) {
        rq36::ConnectionSettings record;
        rq36::SetDefaults(&record);
        if (!Connect(record, kind, 9600)) return 1;
        TimedAnalog view(&record);
        view.show();
        // Clicks posted from another thread at random moments during ticks.
        std::vector<Clock::time_point> posted;
        std::atomic<bool> stop{false};
        QPointingDevice::primaryPointingDevice();  // created here, used by the clicks of the other thread
        std::thread clicker([&] {
            std::mt19937 rng(7);
            while (!stop) {
                std::this_thread::sleep_for(
                    std::chrono::milliseconds(std::uniform_int_distribution<int>(90, 400)(rng)));
                if (!view.inTick || stop) continue;
                const QPointF at(5, 5);
                QCoreApplication::postEvent(
                    view.probe, new QMouseEvent(QEvent::MouseButtonPress, at, at, at, Qt::LeftButton, Qt::LeftButton,
                                                Qt::NoModifier));
                posted.push_back(Clock::now());
                QCoreApplication::postEvent(view.probe, new QMouseEvent(QEvent::MouseButtonRelease, at, at, at,
                                                                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
                // Wait until it was handled before the next one.
                while (!stop && view.handledCount < posted.size())
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        RunEventLoop(seconds * 1000 * 3);
        stop = true;
        clicker.join();
        RunEventLoop(50);
        std::vector<double> ticks(view.tickMs.begin() + 1, view.tickMs.end());  // the first reads the ranges too
        std::vector<double> latency;
        for (std::size_t i = 0; i < std::min(posted.size(), view.handled.size()); ++i)
            latency.push_back(Ms(view.handled[i] - posted[i]));
        std::printf(
            "  kind %d: tick median %.1f ms (%.3f of 12 exchanges, max %.1f), %zu ticks; click median %.1f ms,"
            " max %.1f ms over %zu clicks\n",
            kind, Median(ticks), Median(ticks) / twelve, *std::max_element(ticks.begin(), ticks.end()), ticks.size(),
            Median(latency), latency.empty() ? 0.0 : *std::max_element(latency.begin(), latency.end()), latency.size());
        view.hide();
        Disconnect(record);
    }

    // The main window alone, connected.
    {
        rq36::MainWindowHooks hooks;
        hooks.settingsPath = dir.filePath(QStringLiteral("W_rq36.ini"));
        TForm1 window(nullptr, hooks);
        window.show();
        if (!Connect(*window.Settings(), 0, 9600)) return 1;
        RunEventLoop(200);
        const std::clock_t cpu0 = std::clock();
        const auto wall0 = Clock::now();
        RunEventLoop(seconds * 1000);
        const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC;
        std::printf("main window alone, connected: %.1f ms processor time in %.1f s\n", cpuMs,
                    Ms(Clock::now() - wall0) / 1000.0);
        window.close();
    }
    return 0;
}
