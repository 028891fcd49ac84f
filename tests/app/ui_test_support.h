// Helpers shared by the window tests: the stand-in interface libraries, and
// finding the modal dialog a menu handler opened.
#pragma once

#include <functional>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include "fake_library.h"
#include "interface/binding.h"
#include "interface/connection_dialog.h"
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

}  // namespace rq36::test
