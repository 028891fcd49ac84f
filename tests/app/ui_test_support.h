// Helpers shared by the window tests: the fake interface library's log and
// environment, and finding the modal dialog a menu handler opened.
#pragma once

#include <functional>

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

namespace rq36::test {

// Configures the fake library through its environment for one test.
class FakeLibrary {
public:
    FakeLibrary() {
        qputenv("RQ36_UI_FAKE_LOG", LogPath().toLocal8Bit());
        qunsetenv("RQ36_UI_FAKE_MODE");
        qunsetenv("RQ36_UI_FAKE_IDENTITY");
        qunsetenv("RQ36_UI_FAKE_WATCH");
    }
    ~FakeLibrary() {
        qunsetenv("RQ36_UI_FAKE_LOG");
        qunsetenv("RQ36_UI_FAKE_MODE");
        qunsetenv("RQ36_UI_FAKE_IDENTITY");
        qunsetenv("RQ36_UI_FAKE_WATCH");
    }
    FakeLibrary(const FakeLibrary&) = delete;
    FakeLibrary& operator=(const FakeLibrary&) = delete;

    void SetMode(const char* mode) { qputenv("RQ36_UI_FAKE_MODE", mode); }
    void SetIdentity(const char* identity) { qputenv("RQ36_UI_FAKE_IDENTITY", identity); }
    void WatchAtDone(const QString& path) { qputenv("RQ36_UI_FAKE_WATCH", path.toLocal8Bit()); }

    QString LogPath() const { return dir_.filePath(QStringLiteral("fake.log")); }
    QString TempPath(const QString& name) const { return dir_.filePath(name); }

    // The calls received so far, one per entry ("Init 1", "Done", ...).
    QStringList Calls() const {
        QFile log(LogPath());
        if (!log.open(QIODevice::ReadOnly)) return {};
        return QString::fromLatin1(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    int Count(const QString& prefix) const {
        int n = 0;
        for (const QString& call : Calls()) {
            if (call.startsWith(prefix)) ++n;
        }
        return n;
    }

private:
    QTemporaryDir dir_;
};

// Runs `act` on the first modal dialog of type D that appears (polling the
// event loop), then returns.  The caller starts the modal loop after this.
template <typename D>
void WhenModalShown(std::function<void(D*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget()); dialog && dialog->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start();
}

}  // namespace rq36::test
