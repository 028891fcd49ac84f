// Helpers shared by the window tests: the stand-in interface libraries,
// finding a control by name and the modal dialog a menu handler opened, the
// main window's hooks for a test, and a connection through its menu.
#pragma once

#include <functional>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QPalette>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "fake_library.h"
#include "interface/binding.h"
#include "interface/connection_dialog.h"
#include "interface/connection_logic.h"
#include "main_window.h"

namespace rq36::test {

// The stand-in libraries of the tests serve as the interface libraries:
// ORSA, ORSC, ORSE, ORSF and ORSG work; ORSB lacks its Version export;
// there is no ORSD.
inline void UseFakeLibraries() { SetInterfaceLibraryFolder(RQ36_FAKE_ORS_DIR); }

// A stand-in held for one test, answering with the module's usual identity.
class Fake : public FakeLibrary {
public:
    explicit Fake(char letter = 'A') : FakeLibrary(letter) {
        if (!Ok()) qFatal("stand-in library ORS%c missing", letter);
        SetIdentity("RQ-36   1.00");
    }
    QStringList CallList() const {
        QStringList calls;
        for (const std::string& call : Calls()) calls << QString::fromStdString(call);
        return calls;
    }
};

// The child control `name` of type W; a missing control ends the run with
// its name.
template <typename W>
W* Child(const QObject* parent, const QString& name) {
    W* child = parent->findChild<W*>(name);
    if (child == nullptr) qFatal("control %s missing", qPrintable(name));
    return child;
}
template <typename W>
W* Child(const QObject* parent, const char* name) {
    return Child<W>(parent, QString::fromLatin1(name));
}
inline void Click(const QObject* parent, const char* button) { Child<QPushButton>(parent, button)->click(); }

// The simulated modules of this process take their configuration from `text`,
// written into `dir`; false when it cannot be written.
inline bool UseSimulatorConfig(const QTemporaryDir& dir, const QByteArray& text) {
    const QString path = dir.filePath(QStringLiteral("sim.conf"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) return false;
    file.close();
    qputenv("RQ36_SIM_CONFIG", path.toLocal8Bit());
    return true;
}

// A dark palette, to look at a window as a user of a dark desktop sees it.
inline QPalette DarkPalette() {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 48));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Button, QColor(60, 60, 64));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    dark.setColor(QPalette::Highlight, QColor(0x3d, 0x7a, 0xd6));
    return dark;
}

// The main window's hooks for a test: the settings file in `dir`, and a save
// that fails fails the test.
inline MainWindowHooks HooksIn(const QTemporaryDir& dir) {
    MainWindowHooks hooks;
    hooks.settingsPath = dir.filePath(QStringLiteral("W_rq36.ini"));
    hooks.reportSaveFailure = [](const QString& m) { QFAIL(qPrintable(m)); };
    return hooks;
}

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
            QPointer<D> guard(dialog);
            act(dialog);
            // A check that failed inside act returned early: close the
            // dialog, or its modal loop would wait for the test's watchdog.
            if (guard && guard->isVisible()) guard->reject();
        }
    });
    timer->start();
}

// Connects through the main window's "Připojení" item: the kind chosen, the
// dialog's other settings as shown, "Inicializace připojení", then closed.
// Returns the status the dialog showed.
inline QString ConnectThroughMenu(TForm1& window, int kind) {
    QString status;
    WhenModalShown<TFormPripojeni>([&](TFormPripojeni* d) {
        d->findChild<QComboBox*>(QStringLiteral("ComboBox2"))->setCurrentIndex(kind);
        d->findChild<QPushButton*>(QStringLiteral("Button1"))->click();
        status = d->findChild<QLabel*>(QStringLiteral("Panel1"))->text();
        d->reject();
    });
    window.findChild<QAction*>(QStringLiteral("Pipojen1"))->trigger();
    return status;
}

// The same; true when the dialog reported a connected module.
inline bool ConnectedThroughMenu(TForm1& window, int kind) {
    return ConnectThroughMenu(window, kind).startsWith(QString::fromUtf8(kStatusSuccessPrefix));
}

}  // namespace rq36::test
