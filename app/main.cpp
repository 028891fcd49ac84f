// W_RQ36: the RQ-36 configuration and test tool.
//
// RQ36_STARTUP_PROBE=1 in the environment makes the program print, once its
// main window has been painted for the first time, the milliseconds since
// main() began and its resident memory, and then quit without touching the
// settings file (used by the start-up bench).
#include <cstdio>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTimer>

#include "main_window.h"

namespace {

// Resident memory in kB, or -1 where the system does not tell.
long ResidentKilobytes() {
#if defined(__linux__)
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    // A /proc file has no size: read it whole rather than up to "the end".
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
#endif
    return -1;
}

// Reports the first paint of the watched window, then ends the program.
class StartupProbe : public QObject {
public:
    explicit StartupProbe(const QElapsedTimer& clock) : clock_(clock) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!done_ && event->type() == QEvent::Paint) {
            done_ = true;
            QTimer::singleShot(0, [this] {
                std::printf("startup_ms %lld rss_kb %ld\n", static_cast<long long>(clock_.elapsed()),
                            ResidentKilobytes());
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer& clock_;
    bool done_ = false;
};

}  // namespace

int main(int argc, char* argv[]) {
    QElapsedTimer clock;
    clock.start();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(rq36::kApplicationTitle));

    TForm1 mainWindow;
    StartupProbe probe(clock);
    if (qEnvironmentVariableIntValue("RQ36_STARTUP_PROBE") == 1) mainWindow.installEventFilter(&probe);
    mainWindow.show();
    return app.exec();
}
