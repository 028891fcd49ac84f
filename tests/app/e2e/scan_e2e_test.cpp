// The scan window against the simulated hardware and the real libraries of
// the build: several modules on one stand-in line (kind 0), one on an ORS-G
// channel (kind 6), a Modbus RTU module at odd parity on the pseudo-terminal
// (kind 5), stopping a scan, and connecting to a module found, from the main
// window's menu to its status bar.
#include <sys/mount.h>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include "interface/binding.h"
#include "interface/bus_scan.h"
#include "interface/connection_logic.h"
#include "interface/scan_dialog.h"
#include "main_window.h"
#include "modbus_simulator.h"
#include "ui_test_support.h"

using rq36::test::WhenModalShown;

namespace {

// A line or channel with these modules (name, address, speed, protocol, parity).
const char kLineModules[] =
    "[module a]\naddress = 3\nspeed = 9600\n"
    "[module b]\naddress = 17\nspeed = 19200\n"
    "[module c]\naddress = 200\nspeed = 115200\n"
    "[module g]\naddress = 9\nspeed = 38400\n"
    "[module m]\naddress = 5\nspeed = 19200\nparity = odd\nprotocol = modbus\n"
    "[lines]\norsa = a, b, c\norsf = m\n"
    "[card]\neuart1 = g\n";

struct Seen {
    int address;
    int speed;
    int parity;
};

QList<Seen> Found(const TFormVyhledani& d) {
    QList<Seen> out;
    for (const rq36::FoundModule& m : d.Found()) out.append({m.address, m.speed, m.parity});
    return out;
}

bool operator==(const Seen& a, const Seen& b) {
    return a.address == b.address && a.speed == b.speed && a.parity == b.parity;
}

QPushButton* Button(QWidget* d, const char* name) { return d->findChild<QPushButton*>(QString::fromLatin1(name)); }

// Presses "Hledat" and waits for the scan to end (instant line timing).
bool ScanToTheEnd(TFormVyhledani& d, int timeoutMs = 60000) {
    QTest::mouseClick(Button(&d, "ButtonHledat"), Qt::LeftButton);
    QElapsedTimer clock;
    clock.start();
    while (d.Scanning() && clock.elapsed() < timeoutMs) QTest::qWait(5);
    return !d.Scanning();
}

}  // namespace

class ScanEndToEndTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    rq36::MainWindowHooks Hooks() const { return rq36::test::HooksIn(dir_); }

private slots:
    void initTestCase() {
        QVERIFY(rq36::test::UseSimulatorConfig(dir_, kLineModules));
        qputenv("RQ36_SIM_STATE", ":memory:");
        qunsetenv("RQ36_SIM_FAULT");
        rq36::SetInterfaceLibraryFolder(RQ36_BIN_DIR);
        QApplication::setQuitOnLastWindowClosed(false);
        QDir().mkpath(QStringLiteral(RQ36_UI_SHOTS_DIR));
    }

    // The controls as the engine's plan: the range, the speeds ticked with
    // the record's first, the widening; nothing to try starts nothing.
    void PlanFromTheControls() {
        rq36::ConnectionSettings record;
        rq36::SetDefaults(&record);
        record.Speed = 19200;
        TFormVyhledani d(&record);
        d.findChild<QSpinBox*>(QStringLiteral("SpinOd"))->setValue(10);
        d.findChild<QSpinBox*>(QStringLiteral("SpinDo"))->setValue(12);
        d.findChild<QSpinBox*>(QStringLiteral("SpinTimeout"))->setValue(30);
        d.findChild<QCheckBox*>(QStringLiteral("CheckRychlost4800"))->setChecked(false);
        const rq36::ScanPlan plan = d.Plan();
        QCOMPARE(plan.addresses, (std::vector<std::uint8_t>{10, 11, 12}));
        QCOMPARE(plan.speeds, (std::vector<std::int32_t>{19200, 2400, 9600, 38400, 57600, 115200}));
        QCOMPARE(plan.extraTimeoutMs, 30);
        QVERIFY(plan.parities.empty());
        QVERIFY(!d.findChild<QWidget*>(QStringLiteral("GroupParita"))->isVisibleTo(&d));

        d.findChild<QSpinBox*>(QStringLiteral("SpinOd"))->setValue(13);
        QTest::mouseClick(Button(&d, "ButtonHledat"), Qt::LeftButton);
        QVERIFY(!d.Scanning());
        QCOMPARE(d.findChild<QLabel*>(QStringLiteral("Panel1"))->text(),
                 QStringLiteral(" Zvolte adresy, rychlosti a parity k vyhledání"));
    }

    void ThreeModulesOnOneLineAllFound() {
        rq36::ConnectionSettings record;
        rq36::SetDefaults(&record);
        record.InterfaceKind = rq36::kKindComPort;
        TFormVyhledani d(&record);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QTest::mouseClick(Button(&d, "ButtonHledat"), Qt::LeftButton);
        // The window repaints while the scan runs: grabbed in the middle.
        auto* bar = d.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
        QTRY_VERIFY_WITH_TIMEOUT(d.Found().size() >= 2 || !d.Scanning(), 30000);
        QVERIFY(d.Scanning());
        QVERIFY(bar->value() > 0 && bar->value() < bar->maximum());
        d.grab().save(QStringLiteral(RQ36_UI_SHOTS_DIR "/scan_running.png"));
        QTRY_VERIFY_WITH_TIMEOUT(!d.Scanning(), 60000);
        d.grab().save(QStringLiteral(RQ36_UI_SHOTS_DIR "/scan_done.png"));

        QCOMPARE(Found(d), (QList<Seen>{{3, 9600, -1}, {17, 19200, -1}, {200, 115200, -1}}));
        QCOMPARE(bar->value(), 256 * 7);
        QCOMPARE(d.findChild<QTableWidget*>(QStringLiteral("Table1"))->item(1, 3)->text(),
                 QStringLiteral("RQ-36    v.1.02"));
        QCOMPARE(d.findChild<QLabel*>(QStringLiteral("Panel1"))->text(),
                 QStringLiteral(" Vyhledávání dokončeno, nalezeno modulů: 3"));
        // The connection was closed, and is closed again.
        QVERIFY(!rq36::InterfaceLoaded());
        QVERIFY(!record.Connected);

        // "Zastavit" ends a scan that is under way.
        QTest::mouseClick(Button(&d, "ButtonHledat"), Qt::LeftButton);
        QTRY_VERIFY(d.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"))->value() > 20);
        QTest::mouseClick(Button(&d, "ButtonZastavit"), Qt::LeftButton);
        QTRY_VERIFY(!d.Scanning());
        QVERIFY(bar->value() < 256 * 7);
        QVERIFY(d.findChild<QLabel*>(QStringLiteral("Panel1"))->text().startsWith(" Vyhledávání zastaveno"));
        QVERIFY(!rq36::InterfaceLoaded());
    }

    void ModuleOnAnOrsgChannelFound() {
        rq36::ConnectionSettings record;
        rq36::SetDefaults(&record);
        record.InterfaceKind = rq36::kKindOrsG;
        record.EuartIndex = 0;
        TFormVyhledani d(&record);
        d.show();
        QVERIFY(ScanToTheEnd(d));
        QCOMPARE(Found(d), (QList<Seen>{{9, 38400, -1}}));
    }

    void ModbusModuleAtOddParityFound() {
        ModbusSimulator sim;
        QVERIFY(!sim.Device().isEmpty());
        qputenv("RQ36_COM1", sim.Device().toLocal8Bit());
        rq36::ConnectionSettings record;
        rq36::SetDefaults(&record);
        record.InterfaceKind = rq36::kKindModbus;
        record.ComPort = 1;
        TFormVyhledani d(&record);
        d.show();
        // A few addresses: an unanswered try on the port waits its timeout.
        d.findChild<QSpinBox*>(QStringLiteral("SpinOd"))->setValue(4);
        d.findChild<QSpinBox*>(QStringLiteral("SpinDo"))->setValue(6);
        QTest::mouseClick(Button(&d, "ButtonHledat"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(d.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"))->value() >= 3, 30000);
        d.grab().save(QStringLiteral(RQ36_UI_SHOTS_DIR "/scan_modbus_running.png"));
        QTRY_VERIFY_WITH_TIMEOUT(!d.Scanning(), 120000);
        d.grab().save(QStringLiteral(RQ36_UI_SHOTS_DIR "/scan_modbus_done.png"));
        qunsetenv("RQ36_COM1");
        QCOMPARE(Found(d), (QList<Seen>{{5, 19200, 1}}));
        QCOMPARE(d.findChild<QTableWidget*>(QStringLiteral("Table1"))->item(0, 2)->text(), QStringLiteral("lichá"));
    }

    // From the menu: scan, pick the second module, "Připojit"; the main
    // window's panels show it.
    void ConnectFromTheScanWindow() {
        TForm1 window(nullptr, Hooks());
        window.Settings()->InterfaceKind = rq36::kKindComPort;
        QString status;
        WhenModalShown<TFormVyhledani>([&](TFormVyhledani* d) {
            d->findChild<QSpinBox*>(QStringLiteral("SpinDo"))->setValue(20);
            if (!ScanToTheEnd(*d)) return;
            d->findChild<QTableWidget*>(QStringLiteral("Table1"))->selectRow(1);
            QTest::mouseClick(Button(d, "ButtonPripojit"), Qt::LeftButton);
            status = d->findChild<QLabel*>(QStringLiteral("Panel1"))->text();
            d->reject();
        });
        window.findChild<QAction*>(QStringLiteral("Vyhledatmoduly1"))->trigger();
        QCOMPARE(status, QString::fromUtf8(rq36::kStatusSuccessPrefix) + QStringLiteral("RQ-36    v.1.02"));
        QVERIFY(rq36::IsConnected(window.Settings()));
        QCOMPARE(window.PanelText(1), QStringLiteral(" Adresa  17"));
        QCOMPARE(window.PanelText(2), QStringLiteral(" Rychlost  19200Bd"));
        ors_handle_t handle = window.Settings()->LibraryHandle;
        rq36::CloseInterface(rq36::kKindComPort, &handle);
        window.Settings()->Connected = false;
    }

    // The list saved on a full file system (a small tmpfs, mounted when this
    // process may): refused with the system's reason, an older list kept.
    void CsvOnAFullDiskIsRefused() {
        QTemporaryDir mountPoint;
        const QByteArray where = QFile::encodeName(mountPoint.path());
        if (::mount("rq36-full", where.constData(), "tmpfs", 0, "size=16k") != 0)
            QSKIP("no right to mount a file system here");
        const QString path = mountPoint.filePath(QStringLiteral("moduly.csv"));
        {
            QFile old(path);
            QFile filler(mountPoint.filePath(QStringLiteral("filler")));
            const bool ready = old.open(QIODevice::WriteOnly) && old.write("older list\n") > 0 && old.flush() &&
                               filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
            while (ready && filler.write(QByteArray(1024, 'f')) == 1024) {}
            if (!ready) ::umount2(where.constData(), MNT_DETACH);
            QVERIFY(ready);
        }
        rq36::ConnectionSettings record;
        rq36::SetDefaults(&record);
        TFormVyhledani d(&record);
        const bool saved = d.SaveCsv(path);
        QFile old(path);
        const QByteArray kept = old.open(QIODevice::ReadOnly) ? old.readAll() : QByteArray();
        old.close();
        const int files = static_cast<int>(QDir(mountPoint.path()).entryList(QDir::Files | QDir::Hidden).size());
        ::umount2(where.constData(), MNT_DETACH);
        QVERIFY(!saved);
        QVERIFY(d.findChild<QLabel*>(QStringLiteral("Panel1"))->text().startsWith(" Soubor nelze uložit: "));
        QCOMPARE(kept, QByteArray("older list\n"));
        QCOMPARE(files, 2);  // no temporary file left
    }
};

QTEST_MAIN(ScanEndToEndTest)
#include "scan_e2e_test.moc"
