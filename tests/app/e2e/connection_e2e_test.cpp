// A whole connection through the main window's "Připojení" item, for every
// interface kind, against the simulated hardware and the real libraries of
// the build (ORSA..ORSE stand-ins, ORSG, and ORSG serving as ORS-C; kind 5,
// the real libORSF.so, needs the simulator on a pseudo-terminal and has its
// own end-to-end test in tests/orsf): the
// dialog's status text, the main window's status bar, the settings file and
// the library state after closing.  Also the library's own texts for a
// wrong speed, a wrong address and a missing card.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include "interface/binding.h"
#include "interface/connection_dialog.h"
#include "interface/connection_logic.h"
#include "main_window.h"
#include "ui_test_support.h"

using rq36::test::WhenModalShown;

namespace {

const QString kSuccess = QString::fromUtf8(rq36::kStatusSuccessPrefix);
constexpr int kModbusKind = 5;

// What the user does in the dialog: pick the kind (and possibly change the
// address and speed), press "Inicializace připojení", read the status, close.
struct Attempt {
    int kind = 0;
    QString address;          // empty: leave as shown
    int speedIndex = -1;      // -1: leave as shown
    bool orsgWindow = false;  // ORS-G: "Diagnostické okno ORSG" checked
};

QString Connect(TForm1& window, const Attempt& attempt) {
    QString status;
    WhenModalShown<TFormPripojeni>([&](TFormPripojeni* d) {
        d->findChild<QComboBox*>(QStringLiteral("ComboBox2"))->setCurrentIndex(attempt.kind);
        if (!attempt.address.isEmpty()) d->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(attempt.address);
        if (attempt.speedIndex >= 0)
            d->findChild<QComboBox*>(QStringLiteral("ComboBox1"))->setCurrentIndex(attempt.speedIndex);
        d->findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->setChecked(attempt.orsgWindow);
        QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
        status = d->findChild<QLabel*>(QStringLiteral("Panel1"))->text();
        d->findChild<QPushButton*>(QStringLiteral("Button2"))->click();
    });
    window.findChild<QAction*>(QStringLiteral("Pipojen1"))->trigger();
    return status;
}

}  // namespace

class ConnectionEndToEndTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    rq36::MainWindowHooks Hooks() const { return rq36::test::HooksIn(dir_); }

private slots:
    void initTestCase() {
        // The simulated module keeps nothing on disk, has its defaults, and
        // the libraries are those of this build.
        qputenv("RQ36_SIM_STATE", ":memory:");
        qunsetenv("RQ36_SIM_CONFIG");
        qunsetenv("RQ36_SIM_FAULT");
        rq36::SetInterfaceLibraryFolder(RQ36_BIN_DIR);
        QApplication::setQuitOnLastWindowClosed(false);
    }
    void init() {
        qunsetenv("RQ36_SIM_FAULT");
        QFile::remove(dir_.filePath(QStringLiteral("W_rq36.ini")));
    }
    void cleanup() {
        ors_handle_t handle = 0;
        if (rq36::InterfaceLoaded()) rq36::CloseInterface(0, &handle);
    }

    void EveryKindWithDefaultSettings_data() {
        QTest::addColumn<int>("kind");
        for (int kind = 0; kind < 7; ++kind)
            if (kind != kModbusKind) QTest::addRow("kind %d", kind) << kind;
    }
    void EveryKindWithDefaultSettings() {
        QFETCH(int, kind);
        TForm1 window(nullptr, Hooks());
        window.show();
        const QString status = Connect(window, {kind, {}, -1});
        QVERIFY2(status.startsWith(kSuccess), qPrintable(status));
        qInfo().noquote() << "status:" << status;
        const QString identity = status.mid(kSuccess.size());
        QCOMPARE(identity.size(), 15);
        QVERIFY2(identity.startsWith(QStringLiteral("RQ-36    v.")), qPrintable(identity));
        QCOMPARE(window.Settings()->ModuleIdentity, identity);
        QVERIFY(rq36::IsConnected(window.Settings()));
        QVERIFY(rq36::InterfaceLoaded());

        QCOMPARE(window.PanelText(0), QStringLiteral(" Modul  ") + identity);
        QCOMPARE(window.PanelText(1), QStringLiteral(" Adresa  1"));
        QCOMPARE(window.PanelText(2), QStringLiteral(" Rychlost  9600Bd"));

        window.close();
        QVERIFY(!rq36::InterfaceLoaded());  // Done and unload at the end
        rq36::ConnectionSettings reread;
        rq36::SetDefaults(&reread);
        QVERIFY(rq36::LoadSettings(&reread, dir_.filePath(QStringLiteral("W_rq36.ini"))));
        QCOMPARE(int(reread.InterfaceKind), kind);
    }

    void ReconnectingThroughAnotherKind() {
        TForm1 window(nullptr, Hooks());
        window.show();
        QVERIFY(Connect(window, {0, {}, -1}).startsWith(kSuccess));
        QVERIFY(Connect(window, {6, {}, -1}).startsWith(kSuccess));
        QCOMPARE(window.Settings()->InterfaceKind, 6);
        QVERIFY(Connect(window, {4, {}, -1}).startsWith(kSuccess));
        window.close();
        QVERIFY(!rq36::InterfaceLoaded());
    }

    // The box in the dialog: ORSG's window opens with the connection, shows
    // the identification requests, and goes when the connection closes.
    void OrsgDiagnosticWindowLivesWithTheConnection() {
        TForm1 window(nullptr, Hooks());
        window.show();
        QVERIFY(Connect(window, {6, {}, -1, true}).startsWith(kSuccess));
        QPointer<QWidget> diagnostic;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == QStringLiteral(" ORSG - EUART1")) diagnostic = w;
        QVERIFY(diagnostic);
        QTest::qWait(1100);  // a tick of its timer
        const auto* history = diagnostic->findChildren<QTableView*>().value(3);
        QVERIFY(history);
        QCOMPARE(history->model()->index(0, 0).data().toString(), QStringLiteral("2"));  // third request
        QDir().mkpath(QStringLiteral(RQ36_UI_SHOTS_DIR));
        diagnostic->grab().save(QStringLiteral(RQ36_UI_SHOTS_DIR "/orsg_window_through_program.png"));
        window.close();
        QVERIFY(!diagnostic);
    }

    void WrongSpeedOrAddressGivesTheLibrarysText_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("speedIndex");
        for (int kind = 0; kind < 7; ++kind) {
            if (kind == kModbusKind) continue;
            QTest::addRow("kind %d, 19200 Bd", kind) << kind << QString() << 5;
            QTest::addRow("kind %d, address 5", kind) << kind << QStringLiteral("5") << -1;
        }
    }
    void WrongSpeedOrAddressGivesTheLibrarysText() {
        QFETCH(int, kind);
        QFETCH(QString, address);
        QFETCH(int, speedIndex);
        TForm1 window(nullptr, Hooks());
        window.show();
        const QString status = Connect(window, {kind, address, speedIndex});
        qInfo().noquote() << "status:" << status;
        // The status of the identification request, in the library's words.
        QVERIFY2(!status.isEmpty() && !status.startsWith(kSuccess) &&
                     !status.startsWith(QString::fromUtf8(rq36::kStatusInitErrorPrefix)) &&
                     !status.startsWith(QLatin1Char(' ')),
                 qPrintable(status));
        QVERIFY(!rq36::InterfaceLoaded());  // Done and unload after the failure
        QVERIFY(!window.Settings()->Connected);
        // No connection: the status bar shows no module.
        QCOMPARE(window.PanelText(0), QStringLiteral(" Modul"));
        QCOMPARE(window.PanelText(1), QStringLiteral(" Adresa"));
        QCOMPARE(window.PanelText(2), QStringLiteral(" Rychlost"));
    }

    void MissingCardGivesTheLibrarysText_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("ORS-G") << 6;
        QTest::newRow("ORS-C") << 2;
    }
    void MissingCardGivesTheLibrarysText() {
        QFETCH(int, kind);
        qputenv("RQ36_SIM_FAULT", "no_card");
        TForm1 window(nullptr, Hooks());
        window.show();
        const QString status = Connect(window, {kind, {}, -1});
        qInfo().noquote() << "status:" << status;
        const QString prefix = QString::fromUtf8(rq36::kStatusInitErrorPrefix);
        QVERIFY2(status.startsWith(prefix) && status.size() > prefix.size(), qPrintable(status));
        QVERIFY(!window.Settings()->Connected);
        qunsetenv("RQ36_SIM_FAULT");
        // With the card back, the next attempt succeeds.
        QVERIFY(Connect(window, {kind, {}, -1}).startsWith(kSuccess));
        window.close();
    }

    void MissingComDeviceGivesTheLibrarysText() {
        qputenv("RQ36_SIM_FAULT", "no_device");
        TForm1 window(nullptr, Hooks());
        window.show();
        const QString status = Connect(window, {0, {}, -1});
        qInfo().noquote() << "status:" << status;
        const QString prefix = QString::fromUtf8(rq36::kStatusInitErrorPrefix);
        QVERIFY2(status.startsWith(prefix) && status.size() > prefix.size(), qPrintable(status));
    }
};

QTEST_MAIN(ConnectionEndToEndTest)
#include "connection_e2e_test.moc"
