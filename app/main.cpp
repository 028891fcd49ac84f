// W_RQ36: the RQ-36 configuration and test tool.
//
// RQ36_STARTUP_PROBE=1 in the environment makes the program print, once its
// main window has been painted for the first time, the milliseconds since
// main() began and its resident memory, and then quit without touching the
// settings file (used by the start-up bench).
//
// RQ36_BIND_PROBE=<kind> makes the program, instead of opening its window,
// load and bind the interface library of that kind (0..6) as a connection
// would, print "bind <kind> <result>" and the file it bound, close the
// library and end (used by the install test to see which file an installed
// program binds).
#include <array>
#include <cstdio>
#include <string>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTimer>

#include "connection_settings.h"
#include "desktop_integration.h"
#include "interface/binding.h"
#include "interface/interface_kinds.h"
#include "interface/platform/platform.h"
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

// Binds the kind's library with the parameters a default connection uses,
// reports the result and the file, and closes it again.
int BindProbe(int kind) {
    const auto k = static_cast<std::uint8_t>(kind);
    std::array<std::int32_t, 16> params{};
    rq36::ConnectionSettings defaults;
    rq36::SetDefaults(&defaults);
    if (const rq36::InterfaceKindInfo* info = rq36::KindInfo(kind)) {
        if (info->Takes(rq36::kParamComPort)) params[0] = defaults.ComPort;
        if (info->Takes(rq36::kParamIsaBase)) params[0] = defaults.IsaBaseAddress;
    }
    ors_handle_t handle = 0;
    const std::int32_t result = rq36::BindInterface(k, &handle, params.data());
    std::string from = "-";
    for (const std::string& folder : {rq36::InterfaceLibraryFolder(), rq36::PrivateLibraryFolder()}) {
        const std::string path = folder + "/" + rq36::LibraryFileName(k);
        if (!folder.empty() && rq36::platform::LibraryIsLoaded(path)) {
            from = path;
            break;
        }
    }
    std::printf("bind %d %d %s\n", kind, static_cast<int>(result), from.c_str());
    std::fflush(stdout);
    if (result == 0) rq36::CloseInterface(k, &handle);
    return result == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    QElapsedTimer clock;
    clock.start();

    QApplication app(argc, argv);
    rq36::SetUpDesktopIntegration(app);
    if (qEnvironmentVariableIsSet("RQ36_BIND_PROBE")) return BindProbe(qEnvironmentVariableIntValue("RQ36_BIND_PROBE"));

    TForm1 mainWindow;
    StartupProbe probe(clock);
    if (qEnvironmentVariableIntValue("RQ36_STARTUP_PROBE") == 1) mainWindow.installEventFilter(&probe);
    mainWindow.show();
    return app.exec();
}
