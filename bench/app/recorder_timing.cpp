// Timing of the recorder against the simulated module with its line timing
// on, at 115200 Bd (not a test):
//   - the sampling session alone, samples back to back (interval 0), for a
//     few channels and for every channel: the line time of a sample's
//     exchanges against the time a sample took;
//   - the recorder window at the shortest interval it allows, writing its
//     CSV file and plot: samples a second against 1000 / interval.
// Both through the COM port stand-in (kind 0) and ORSG (kind 6).
//
//   w_rq36_recorder_timing [seconds]
#include <chrono>
#include <cstdio>

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>

#include "connection_settings.h"
#include "interface/binding.h"
#include "live/recorder.h"
#include "live/recorder_window.h"
#include "sim_timing.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

void RunEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

std::vector<rq36::Channel> Named(const QStringList& names) {
    std::vector<rq36::Channel> channels;
    for (const QString& name : names) channels.push_back(*rq36::ChannelNamed(name));
    return channels;
}

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    rq36::bench::UseSimulatedHardware();
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    constexpr int kSpeed = 115200;
    QTemporaryDir dir;
    rq36::bench::SetModuleSpeed(dir, kSpeed);

    const QStringList few = {QStringLiteral("ain0"), QStringLiteral("ain1"), QStringLiteral("din0"),
                             QStringLiteral("din1")};
    std::printf("recorder, %d Bd, one exchange %.3f ms\n", kSpeed, rq36::bench::VextbusLineTimeMs(kSpeed));
    for (int kind : {0, 6}) {
        rq36::ConnectionSettings record;
        rq36::SetDefaults(&record);
        if (!rq36::bench::Connect(record, kind, kSpeed)) return 1;
        std::vector<std::int32_t> response(ORS_RESPONSE_WORDS);
        rq36::BoundModuleLink link(record, response.data());

        // The session alone, back to back.
        for (const std::vector<rq36::Channel>& channels : {Named(few), rq36::RecorderChannels()}) {
            rq36::RecordingSession session(link, channels, std::chrono::milliseconds(0));
            if (!session.Start(nullptr)) return 1;
            const auto start = Clock::now();
            while (Clock::now() - start < std::chrono::seconds(seconds)) session.Step();
            const double perSampleMs = Seconds(Clock::now() - start) * 1000.0 / static_cast<double>(session.Samples());
            const double lineMs = rq36::bench::VextbusLineTimeMs(kSpeed, rq36::RequestsPerSample(channels));
            std::printf(
                "  kind %d, session, %2zu channels (%2d exchanges): %.3f ms a sample, line %.3f ms: %.3f of"
                " line time, %lld gaps\n",
                kind, channels.size(), rq36::RequestsPerSample(channels), perSampleMs, lineMs, lineMs / perSampleMs,
                static_cast<long long>(session.Gaps()));
        }

        // The window at its shortest interval, with its file and plot.
        for (const QStringList& names : {few, QStringList()}) {
            TFormZaznam window(&record);
            if (names.isEmpty()) {
                QStringList all;
                for (const rq36::Channel& c : rq36::RecorderChannels()) all << c.name;
                window.ChooseChannels(all);
            } else {
                window.ChooseChannels(names);
            }
            window.show();
            window.RefreshMinimalInterval();
            const int interval = window.SpinInterval->minimum();
            window.SpinInterval->setValue(interval);
            const QString csv = dir.filePath(QStringLiteral("timing.csv"));
            window.SetCsvPathSource([csv] { return csv; });
            window.ButtonStart->click();
            RunEventLoop(300);
            const std::int64_t before = window.Session()->Samples();
            const auto start = Clock::now();
            RunEventLoop(seconds * 1000);
            const double rate =
                static_cast<double>(window.Session()->Samples() - before) / Seconds(Clock::now() - start);
            const double expected = 1000.0 / interval;
            const double lineMs =
                rq36::bench::VextbusLineTimeMs(kSpeed, rq36::RequestsPerSample(window.ChosenChannels()));
            std::printf(
                "  kind %d, window, %2zu channels, interval %d ms: %.1f samples/s, %.3f of 1000/interval,"
                " line busy %.3f of the time (%lld gaps)\n",
                kind, window.ChosenChannels().size(), interval, rate, rate / expected, rate * lineMs / 1000.0,
                static_cast<long long>(window.Session()->Gaps()));
            window.ButtonStop->click();
        }
        rq36::CloseConnection(record);
    }
    return 0;
}
