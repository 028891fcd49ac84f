// Cold start of W_RQ36: starts the program offscreen N times with its
// start-up probe on and reports, for the moment its main window was first
// painted, the wall time from process start (as this tool sees it) and the
// time the program itself measured from main(), and its resident memory.
//
//   w_rq36_startup_bench [runs] [program]
//
// Default: 20 runs of the W_RQ36 of this build.  The settings file is not
// touched: the probe ends the program before anything is saved.
#include <algorithm>
#include <cstdio>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

namespace {

struct Sample {
    double wallMs = 0;
    double mainMs = 0;
    double rssMb = 0;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Max(const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); }

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int runs = args.size() > 1 ? std::max(1, args[1].toInt()) : 20;
    const QString program = args.size() > 2 ? args[2] : QStringLiteral(RQ36_BIN_DIR "/W_RQ36");

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("RQ36_STARTUP_PROBE"), QStringLiteral("1"));

    std::vector<Sample> samples;
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        QElapsedTimer clock;
        clock.start();
        process.start(program, {});
        if (!process.waitForStarted(10000)) {
            std::fprintf(stderr, "cannot start %s\n", qPrintable(program));
            return 1;
        }
        QByteArray out;
        while (!out.contains('\n') && process.waitForReadyRead(20000)) out += process.readAllStandardOutput();
        const double wall = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        process.waitForFinished(20000);
        // "startup_ms <n> rss_kb <n>"
        const QList<QByteArray> words = out.simplified().split(' ');
        if (words.size() < 4 || words[0] != "startup_ms") {
            std::fprintf(stderr, "no probe line from the program: %s\n", out.constData());
            return 1;
        }
        samples.push_back({wall, words[1].toDouble(), words[3].toDouble() / 1024.0});
    }

    std::vector<double> wall, inMain, rss;
    for (const Sample& s : samples) {
        wall.push_back(s.wallMs);
        inMain.push_back(s.mainMs);
        rss.push_back(s.rssMb);
    }
    std::printf("runs %d\n", runs);
    std::printf("start to main window shown, wall:   median %.1f ms  max %.1f ms\n", Median(wall), Max(wall));
    std::printf("main() to main window shown:        median %.1f ms  max %.1f ms\n", Median(inMain), Max(inMain));
    std::printf("resident memory at that moment:     median %.1f MB  max %.1f MB\n", Median(rss), Max(rss));
    return 0;
}
