// The connection dialog, driven through its controls against the stand-in
// interface libraries: every row of the failure table with the library state
// it leaves, the typed parameters as they reach the record and the library,
// the record after a failed click, the forced repaints, and the shared places
// of the controls.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "connection_settings.h"
#include "elided_label.h"
#include "interface/binding.h"
#include "interface/connection_dialog.h"
#include "interface/connection_logic.h"
#include "ui_test_support.h"

using rq36::ConnectionSettings;
using rq36::test::Fake;

namespace {

const QString kSuccessPrefix = QString::fromUtf8(rq36::kStatusSuccessPrefix);
const QString kInitError = QString::fromUtf8(rq36::kStatusInitErrorPrefix);

// Records the text Panel1 had at each of its paints.
class PaintRecorder : public QObject {
public:
    QStringList texts;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) texts << static_cast<QLabel*>(watched)->text();
        return false;
    }
};

// A dialog on a record with defaults, shown.
struct Fixture {
    ConnectionSettings record;
    std::unique_ptr<TFormPripojeni> dialog;

    Fixture() {
        rq36::SetDefaults(&record);
        Open();
    }
    void Open() {
        dialog = std::make_unique<TFormPripojeni>(&record);
        dialog->show();
    }
    template <typename W>
    W* Get(const char* name) const {
        return rq36::test::Child<W>(dialog.get(), name);
    }
    QString Panel() const { return Get<QLabel>("Panel1")->text(); }
    void SelectKind(int kind) { Get<QComboBox>("ComboBox2")->setCurrentIndex(kind); }
    void Type(const char* edit, const QString& text) { Get<QLineEdit>(edit)->setText(text); }
    void Click() { QTest::mouseClick(Get<QPushButton>("Button1"), Qt::LeftButton); }
};

}  // namespace

class ConnectionDialogTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { rq36::test::UseFakeLibraries(); }
    void cleanup() {
        // Nothing may stay loaded into the next test.
        ors_handle_t handle = 1;
        rq36::CloseInterface(0, &handle);
        QVERIFY(!rq36::InterfaceLoaded());
    }

    void ControlsAndFormShow() {
        Fixture f;
        QCOMPARE(f.dialog->windowTitle(), QStringLiteral(" Připojení modulu"));
        QCOMPARE(f.Get<QComboBox>("ComboBox2")->count(), 7);
        QCOMPARE(f.Get<QComboBox>("ComboBox2")->itemText(3),
                 QStringLiteral("USB konvertor ORS-D   (protokol Vextbus-2)"));
        QCOMPARE(f.Get<QComboBox>("ComboBox1")->currentText(), QStringLiteral("9600 Bd"));
        QCOMPARE(f.Get<QLineEdit>("Edit1")->text(), QStringLiteral("1"));
        QCOMPARE(f.Get<QLabel>("Label3")->text(), QStringLiteral("Číslo portu COMx"));
        QCOMPARE(f.Get<QLineEdit>("Edit2")->text(), QStringLiteral("1"));
        QVERIFY(f.Get<QLineEdit>("Edit2")->isVisible());
        QVERIFY(!f.Get<QLineEdit>("Edit3")->isVisible());
        QVERIFY(!f.Get<QComboBox>("ComboBox4")->isVisible());
        QCOMPARE(f.Panel(), QStringLiteral("Připojení modulu dosud neinicializováno"));
        QCOMPARE(f.Get<QPushButton>("Button1")->text(), QStringLiteral("Inicializace připojení"));
        QCOMPARE(f.Get<QPushButton>("Button2")->text(), QStringLiteral("Cancel"));
        // The IP version options exist, IPv4 checked, neither shown.
        QVERIFY(f.Get<QRadioButton>("RadioButton1")->isChecked());
        QVERIFY(!f.Get<QRadioButton>("RadioButton1")->isVisible());
        QVERIFY(!f.Get<QRadioButton>("RadioButton2")->isVisible());
    }

    void FormShowFillsTheRecordsKind() {
        ConnectionSettings record;
        rq36::SetDefaults(&record);
        record.InterfaceKind = 4;
        record.IpAddress = QStringLiteral("10.1.2.3");
        record.UdpPort = 6001;
        record.UdpTimeout = 2500;
        record.Speed = 1234;  // not in the list
        record.StatusText = QStringLiteral("V pořádku");
        TFormPripojeni dialog(&record);
        dialog.show();
        QCOMPARE(dialog.findChild<QComboBox*>("ComboBox1")->currentIndex(), 4);
        QCOMPARE(dialog.findChild<QLineEdit*>("Edit2")->text(), QStringLiteral("10.1.2.3"));
        QCOMPARE(dialog.findChild<QLineEdit*>("Edit3")->text(), QStringLiteral("6001"));
        QCOMPARE(dialog.findChild<QLineEdit*>("Edit4")->text(), QStringLiteral("2500"));
        QCOMPARE(dialog.findChild<QLabel*>("Label6")->text(), QStringLiteral("UDP port"));
        QCOMPARE(dialog.findChild<QLabel*>("Panel1")->text(), QStringLiteral("V pořádku"));

        // Another kind: its own controls, filled from the record again;
        // what was typed for the other kind is not carried over.
        dialog.findChild<QLineEdit*>("Edit2")->setText(QStringLiteral("typed"));
        dialog.findChild<QComboBox*>("ComboBox2")->setCurrentIndex(1);
        QCOMPARE(dialog.findChild<QLabel*>("Label3")->text(), QStringLiteral("Bázová adresa ORS-B"));
        QCOMPARE(dialog.findChild<QLineEdit*>("Edit2")->text(), QStringLiteral("300h"));
        QVERIFY(!dialog.findChild<QLineEdit*>("Edit3")->isVisible());
        QVERIFY(!dialog.findChild<QLabel*>("Label7")->isVisible());
        dialog.findChild<QComboBox*>("ComboBox2")->setCurrentIndex(4);
        QCOMPARE(dialog.findChild<QLineEdit*>("Edit2")->text(), QStringLiteral("10.1.2.3"));
        QCOMPARE(record.InterfaceKind, 4);  // choosing is not changing the record

        record.EuartIndex = 2;
        dialog.findChild<QComboBox*>("ComboBox4")->setCurrentIndex(0);
        dialog.findChild<QComboBox*>("ComboBox2")->setCurrentIndex(6);
        QCOMPARE(dialog.findChild<QComboBox*>("ComboBox4")->currentText(), QStringLiteral("EUART3"));
        QCOMPARE(dialog.findChild<QLabel*>("Label3")->text(), QStringLiteral("Řadič EUART"));
        QVERIFY(!dialog.findChild<QLineEdit*>("Edit2")->isVisible());
        record.Parity = 2;
        dialog.findChild<QComboBox*>("ComboBox2")->setCurrentIndex(5);
        QCOMPARE(dialog.findChild<QComboBox*>("ComboBox3")->currentText(), QStringLiteral("žádná"));
        QCOMPARE(dialog.findChild<QLabel*>("Label6")->text(), QStringLiteral("Parita"));
    }

    void WithoutRecordTheButtonDoesNothing() {
        TFormPripojeni dialog(nullptr);
        dialog.show();
        QTest::mouseClick(dialog.findChild<QPushButton*>("Button1"), Qt::LeftButton);
        QCOMPARE(dialog.findChild<QLabel*>("Panel1")->text(), QString());
        QVERIFY(!rq36::InterfaceLoaded());
    }

    void SuccessIdentifiesTheModule() {
        Fake fake;
        Fixture f;
        f.Type("Edit1", QStringLiteral("300"));
        f.Get<QComboBox>("ComboBox1")->setCurrentIndex(8);
        f.Type("Edit2", QStringLiteral("4"));
        f.Get<QComboBox>("ComboBox3")->setCurrentIndex(1);  // taken for every kind
        f.Click();
        QCOMPARE(f.Panel(), kSuccessPrefix + QStringLiteral("RQ-36    v.1.00"));
        QCOMPARE(f.Get<QLineEdit>("Edit1")->text(), QStringLiteral("44"));
        QCOMPARE(fake.CallList(), (QStringList{QStringLiteral("Init 4"), QStringLiteral("SetConfig 115200 500 2"),
                                               QStringLiteral("Send 44 200 0"), QStringLiteral("Send 44 200 1"),
                                               QStringLiteral("Send 44 200 2")}));
        QVERIFY(f.record.Connected);
        QVERIFY(f.record.LibraryHandle != 0);
        QVERIFY(rq36::IsConnected(&f.record));
        QCOMPARE(f.record.ModuleIdentity, QStringLiteral("RQ-36    v.1.00"));
        QCOMPARE(f.record.ModuleAddress, 44);
        QCOMPARE(f.record.Speed, 115200);
        QCOMPARE(f.record.ComPort, 4);
        QCOMPARE(f.record.Parity, 1);
        QCOMPARE(f.record.StatusText, QStringLiteral("V pořádku"));
        QDir().mkpath(QStringLiteral(RQ36_UI_SHOTS_DIR));
        QVERIFY(f.dialog->grab().save(QStringLiteral(RQ36_UI_SHOTS_DIR "/connection_dialog_connected.png")));
        // The whole success text fits its panel.
        const QLabel* panel = f.Get<QLabel>("Panel1");
        QVERIFY(panel->fontMetrics().horizontalAdvance(panel->text()) + 2 * panel->indent() <
                panel->contentsRect().width());
        // Opened again, the dialog shows the last success.
        f.Open();
        QCOMPARE(f.Panel(), QStringLiteral("V pořádku"));
    }

    void IdentityIsAlwaysFifteenCharacters() {
        Fake fake;
        fake.SetIdentity("AB      1.2");
        Fixture f;
        f.Click();
        QCOMPARE(f.record.ModuleIdentity, QStringLiteral("AB       v.1.2 "));
        QCOMPARE(f.record.ModuleIdentity.size(), 15);
        QCOMPARE(f.Panel(), kSuccessPrefix + QStringLiteral("AB       v.1.2 "));
    }

    void ForcedRepaintsShowProgressAndSuccessAtOnce() {
        Fake fake;
        Fixture f;
        QVERIFY(QTest::qWaitForWindowExposed(f.dialog.get()));
        PaintRecorder recorder;
        f.Get<QLabel>("Panel1")->installEventFilter(&recorder);
        f.Click();  // no event processing between the click and these checks
        QVERIFY(recorder.texts.contains(QStringLiteral("Probíhá inicializace připojení")));
        QCOMPARE(recorder.texts.last(), kSuccessPrefix + QStringLiteral("RQ-36    v.1.00"));
    }

    void AddressEdgeCases_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("256") << "256"
                             << "0";
        QTest::newRow("not a number") << "abc"
                                      << "0";
    }
    void AddressEdgeCases() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        Fake fake;
        Fixture f;
        f.Type("Edit1", typed);
        f.Click();
        QCOMPARE(f.Get<QLineEdit>("Edit1")->text(), shown);
        QCOMPARE(QString::number(f.record.ModuleAddress), shown);
        QCOMPARE(fake.CallList().at(2), QStringLiteral("Send %1 200 0").arg(shown));
    }

    void ReplyTimeoutFollowsTheSpeed() {
        Fake fake;
        Fixture f;
        f.Get<QComboBox>("ComboBox1")->setCurrentIndex(1);
        f.Click();
        f.Get<QComboBox>("ComboBox1")->setCurrentIndex(2);
        f.Click();
        const QStringList calls = fake.CallList();
        QVERIFY(calls.contains(QStringLiteral("SetConfig 1200 1000 2")));
        QVERIFY(calls.contains(QStringLiteral("SetConfig 2400 500 2")));
        QCOMPARE(f.record.Speed, 2400);
    }

    // ---- the failure table ----

    void NoInterfaceSelected() {
        Fake fake;
        Fixture f;
        f.Click();
        QVERIFY(f.record.Connected);
        f.SelectKind(-1);
        QCOMPARE(f.Panel(), QStringLiteral("Neznámý typ rozhraní"));
        QVERIFY(f.Get<QLineEdit>("Edit2")->isVisible());
        QVERIFY(f.Get<QLabel>("Label3")->isVisible());
        f.Click();
        QCOMPARE(f.Panel(), QStringLiteral("Neznámý typ rozhraní"));
        QCOMPARE(fake.Count("Done"), 1);  // the earlier connection was closed
        QVERIFY(!rq36::InterfaceLoaded());
        QVERIFY(!f.record.Connected);
        QCOMPARE(f.record.LibraryHandle, ors_handle_t{0});
        QCOMPARE(f.record.InterfaceKind, 0);
    }

    void LanConverterParameters_data() {
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("timeout");
        QTest::addColumn<QString>("status");
        QTest::newRow("empty address") << ""
                                       << "5000"
                                       << "2000"
                                       << "Neplatná IP adresa";
        QTest::newRow("port -1") << "10.0.0.5"
                                 << "-1"
                                 << "2000"
                                 << "Neplatný UDP port";
        QTest::newRow("port 65536") << "10.0.0.5"
                                    << "65536"
                                    << "2000"
                                    << "Neplatný UDP port";
        QTest::newRow("timeout 70000") << "10.0.0.5"
                                       << "6000"
                                       << "70000"
                                       << "Neplatný UDP timeout";
    }
    void LanConverterParameters() {
        QFETCH(QString, ip);
        QFETCH(QString, port);
        QFETCH(QString, timeout);
        QFETCH(QString, status);
        Fixture f;
        f.SelectKind(4);
        f.Type("Edit2", ip);
        f.Type("Edit3", port);
        f.Type("Edit4", timeout);
        f.Click();
        QCOMPARE(f.Panel(), status);
        QVERIFY(!rq36::InterfaceLoaded());
        QVERIFY(!f.record.Connected);
        QCOMPARE(f.record.InterfaceKind, 4);
        QCOMPARE(f.record.UdpTimeout, 2000);
        // What was read before the failure is taken.
        QCOMPARE(f.record.IpAddress, ip.isEmpty() ? QStringLiteral("192.168.1.10") : ip);
        QCOMPARE(f.record.UdpPort, status.endsWith(QStringLiteral("timeout")) ? 6000 : 5000);
    }

    void LanConverterReachesTheLibrary() {
        Fake fake('E');
        Fixture f;
        f.SelectKind(4);
        f.Type("Edit2", QStringLiteral("10.9.8.7"));
        f.Type("Edit3", QStringLiteral("0"));
        f.Type("Edit4", QStringLiteral("500"));
        f.Click();
        QVERIFY2(f.Panel().startsWith(kSuccessPrefix), qPrintable(f.Panel()));
        QCOMPARE(f.Get<QLineEdit>("Edit4")->text(), QStringLiteral("500"));  // the field keeps what was typed
        QCOMPARE(f.record.UdpPort, 0);
        QCOMPARE(f.record.UdpTimeout, 1000);  // raised
        QCOMPARE(f.record.IpVersion, 4);
        const std::array<std::int32_t, 4> words = {ORS_INIT_TEXT_OFFSET, 0, 1000, 4};
        QVERIFY(std::equal(words.begin(), words.end(), fake.Script().initWords));
        QCOMPARE(QString::fromLatin1(fake.Script().initText), QStringLiteral("10.9.8.7"));
    }

    void LibraryMissing() {
        Fake fake;
        Fixture f;
        f.SelectKind(3);
        f.Click();
        QCOMPARE(f.Panel(), kInitError + QStringLiteral("chyba inicializace knihovny ORSD.DLL"));
        QVERIFY(!rq36::InterfaceLoaded());
        QVERIFY(!f.record.Connected);
        QCOMPARE(f.record.InterfaceKind, 3);
    }

    void FunctionMissing() {
        Fake fake('B');  // everything but Version
        Fixture f;
        f.SelectKind(1);
        f.Click();
        QCOMPARE(f.Panel(), kInitError + QStringLiteral("chybná knihovna ORSB.DLL"));
        QVERIFY(!rq36::InterfaceLoaded());
        QVERIFY(fake.Calls().empty());  // not even Init
        QVERIFY(!f.record.Connected);
    }

    void InitFailing() {
        Fake fake;
        fake.Script().initResult = 3;
        Fixture f;
        f.Click();
        QCOMPARE(f.Panel(), kInitError + QStringLiteral("fake chyba 3"));
        QVERIFY(rq36::InterfaceLoaded());  // left loaded, no Done
        QCOMPARE(fake.CallList(), QStringList{QStringLiteral("Init 1")});
        QVERIFY(!f.record.Connected);
        QCOMPARE(f.record.LibraryHandle, ors_handle_t{0});
    }

    void SetConfigFailingLeavesTheRecordAsSaid() {
        Fake fake;
        fake.Script().setConfigResult = 4;
        Fixture f;
        f.Type("Edit1", QStringLiteral("9"));
        f.Get<QComboBox>("ComboBox1")->setCurrentIndex(7);
        f.Type("Edit2", QStringLiteral("5"));
        f.Get<QComboBox>("ComboBox3")->setCurrentIndex(2);
        f.Click();
        QCOMPARE(f.Panel(), kInitError + QStringLiteral("fake chyba 4"));
        QCOMPARE(fake.CallList(), (QStringList{QStringLiteral("Init 5"), QStringLiteral("SetConfig 57600 500 2"),
                                               QStringLiteral("Done")}));
        QVERIFY(!rq36::InterfaceLoaded());
        QVERIFY(!f.record.Connected);
        QCOMPARE(f.record.LibraryHandle, ors_handle_t{0});
        // Kind and its parameters taken; address, speed, parity, identity, status kept.
        QCOMPARE(f.record.ComPort, 5);
        QCOMPARE(f.record.InitParams[0], 5);
        QCOMPARE(f.record.ModuleAddress, 1);
        QCOMPARE(f.record.Speed, 9600);
        QCOMPARE(f.record.Parity, 0);
        QCOMPARE(f.record.ModuleIdentity, QStringLiteral("???"));
        QCOMPARE(f.record.StatusText, QStringLiteral("Připojení modulu dosud neinicializováno"));
    }

    void IdentificationFailing_data() {
        QTest::addColumn<int>("sends");
        QTest::newRow("first") << 1;
        QTest::newRow("second") << 2;
        QTest::newRow("third") << 3;
    }
    void IdentificationFailing() {
        QFETCH(int, sends);
        Fake fake;
        fake.Script().failSendAt = sends;
        fake.Script().failStatus = 7;
        Fixture f;
        f.Click();
        QCOMPARE(f.Panel(), QStringLiteral("fake chyba 7"));  // the text alone
        QCOMPARE(fake.Count("Send"), sends);
        QCOMPARE(fake.CallList().last(), QStringLiteral("Done"));
        QVERIFY(!rq36::InterfaceLoaded());
        QVERIFY(!f.record.Connected);
        QCOMPARE(f.record.LibraryHandle, ors_handle_t{0});
        QCOMPARE(f.record.ModuleIdentity, QStringLiteral("???"));
    }

    void InitWithoutHandleIsNoConnection() {
        Fake fake;
        fake.Script().initHandle = 0;  // Init succeeds but gives no handle
        Fixture f;
        f.Click();
        QCOMPARE(f.Panel(), QStringLiteral("fake chyba 10"));
        QCOMPARE(fake.Count("Send"), 0);
        QCOMPARE(fake.Count("Done"), 1);
        QVERIFY(!rq36::InterfaceLoaded());
        QVERIFY(!f.record.Connected);
        QCOMPARE(f.record.ModuleIdentity, QStringLiteral("???"));
    }

    void SecondClickClosesTheOldConnectionFirst() {
        Fake fake;
        Fixture f;
        f.Click();
        QVERIFY(f.record.Connected);
        // Again with the same kind: Done of the old handle, then a new Init.
        f.Click();
        QCOMPARE(fake.CallList().mid(5, 2), (QStringList{QStringLiteral("Done"), QStringLiteral("Init 1")}));
        QVERIFY(f.record.Connected);
        // Then a kind whose library is missing: the open one is still closed.
        f.SelectKind(3);
        f.Click();
        QCOMPARE(fake.Count("Done"), 2);
        QCOMPARE(f.Panel(), kInitError + QStringLiteral("chyba inicializace knihovny ORSD.DLL"));
        QVERIFY(!rq36::InterfaceLoaded());
        QVERIFY(!f.record.Connected);
        QCOMPARE(f.record.LibraryHandle, ors_handle_t{0});
        // The identity of the last success stays.
        QCOMPARE(f.record.ModuleIdentity, QStringLiteral("RQ-36    v.1.00"));
    }

    void IsaBaseAddressForms_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("value");
        QTest::newRow("2A0h") << "2A0h"
                              << "2A0h" << 0x2A0;
        QTest::newRow("five characters") << "0x2A0"
                                         << "300h" << 0x300;
    }
    void IsaBaseAddressForms() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, value);
        Fixture f;
        f.SelectKind(1);
        f.Type("Edit2", typed);
        f.Click();
        QCOMPARE(f.Get<QLineEdit>("Edit2")->text(), shown);
        QCOMPARE(int(f.record.IsaBaseAddress), value);
        QCOMPARE(f.record.InitParams[0], value);
        // Shown again the same way.
        f.Open();
        QCOMPARE(f.Get<QLineEdit>("Edit2")->text(), shown);
    }

    void CardChannelGoesIntoWordThree() {
        Fake fake('G');
        Fixture f;
        f.SelectKind(6);
        f.Get<QComboBox>("ComboBox4")->setCurrentIndex(3);
        f.Click();
        QVERIFY(f.record.Connected);
        QCOMPARE(f.record.EuartIndex, 3);
        QCOMPARE(f.record.InterfaceKind, 6);
        const std::array<std::int32_t, ORS_INIT_WORDS> words = {0, 0, 0, 3};
        QVERIFY(std::equal(words.begin(), words.end(), f.record.InitParams.begin()));
        QVERIFY(std::equal(words.begin(), words.end(), fake.Script().initWords));
        QVERIFY(!f.Get<QCheckBox>("CheckBox1")->isChecked());
    }

    void DiagnosticWindowBoxSetsBit8OfWord15() {
        Fake fake('G');
        Fixture f;
        f.SelectKind(6);
        QVERIFY(f.Get<QCheckBox>("CheckBox1")->isVisible());
        f.Get<QCheckBox>("CheckBox1")->setChecked(true);
        f.Click();
        QVERIFY(f.record.Connected);
        QVERIFY(f.record.OrsgDiagnosticWindow);
        QCOMPARE(fake.Script().initWords[15], 0x100);
        f.Open();
        QVERIFY(f.Get<QCheckBox>("CheckBox1")->isChecked());
        f.SelectKind(5);
        QVERIFY(!f.Get<QCheckBox>("CheckBox1")->isVisible());
    }

    // ---- Modbus RTU: the serial device behind the port ----

    void PortShowsItsDeviceAndTheDevicesPresent() {
        QTemporaryDir root;
        QDir(root.path()).mkpath(QStringLiteral("dev"));
        const QString adapter = root.filePath(QStringLiteral("dev/ttyUSB0"));
        const QString other = root.filePath(QStringLiteral("dev/ttyUSB1"));
        for (const QString& path : {adapter, other}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QByteArray longDevice = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10KXYZ1-if00-port0";
        qputenv("RQ36_COM7", adapter.toUtf8());
        qputenv("RQ36_COM2", longDevice);
        qunsetenv("RQ36_COM33");

        ConnectionSettings record;
        rq36::SetDefaults(&record);
        record.InterfaceKind = rq36::kKindModbus;
        record.ComPort = 33;
        TFormPripojeni dialog(&record);
        dialog.SetDeviceRoot(root.path());
        dialog.show();
        auto* device = rq36::test::Child<ElidedLabel>(&dialog, "PortDevice");
        auto* devices = rq36::test::Child<QComboBox>(&dialog, "ComboBoxDevices");
        auto* port = rq36::test::Child<QLineEdit>(&dialog, "Edit2");
        QVERIFY(device->isVisible() && devices->isVisible());
        QCOMPARE(device->text(), QStringLiteral("→ /dev/ttyUSB0"));
        QCOMPARE(devices->count(), 2);
        QCOMPARE(devices->itemText(0), adapter + QStringLiteral("   (COM7)"));
        QCOMPARE(devices->itemText(1), other + QStringLiteral("   (bez čísla portu)"));
        QCOMPARE(devices->currentIndex(), -1);  // port 33's device is not among them

        // Picking a device ends in its port number.
        emit devices->activated(0);
        QCOMPARE(port->text(), QStringLiteral("7"));
        QCOMPARE(device->text(), QStringLiteral("→ %1 (RQ36_COM7)").arg(adapter));
        QCOMPARE(devices->currentIndex(), 0);

        // A device path too long for its place is cut in the middle.
        port->setText(QStringLiteral("2"));
        const QString whole = QStringLiteral("→ %1 (RQ36_COM2)").arg(QString::fromUtf8(longDevice));
        QCOMPARE(device->text(), whole);
        QVERIFY(device->Elided());
        QCOMPARE(device->toolTip(), whole);
        QVERIFY2(device->ShownText().endsWith(QStringLiteral("RQ36_COM2)")), qPrintable(device->ShownText()));

        // Another kind: none of it.
        rq36::test::Child<QComboBox>(&dialog, "ComboBox2")->setCurrentIndex(rq36::kKindComPort);
        QVERIFY(!device->isVisible() && !devices->isVisible());
        QCOMPARE(port->width(), rq36::test::Child<QComboBox>(&dialog, "ComboBox4")->width());
        qunsetenv("RQ36_COM7");
        qunsetenv("RQ36_COM2");
    }

    // ---- the picture ----

    void SharedPlacesNeitherOverlapNorLeaveGaps() {
        Fixture f;
        const QString folder = QStringLiteral(RQ36_UI_SHOTS_DIR);
        QDir().mkpath(folder);
        QCOMPARE(f.Get<QLineEdit>("Edit2")->geometry(), f.Get<QComboBox>("ComboBox4")->geometry());
        QCOMPARE(f.Get<QLineEdit>("Edit3")->geometry(), f.Get<QComboBox>("ComboBox3")->geometry());
        for (int kind : {0, 1, 2, 3, 4, 5, 6}) {
            f.SelectKind(kind);
            QVector<QWidget*> shown;
            for (QWidget* w : f.dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (w->isVisible()) shown << w;
            }
            for (int i = 0; i < shown.size(); ++i) {
                for (int j = i + 1; j < shown.size(); ++j) {
                    QVERIFY2(!shown[i]->geometry().intersects(shown[j]->geometry()),
                             qPrintable(QStringLiteral("kind %1: %2 overlaps %3")
                                            .arg(kind)
                                            .arg(shown[i]->objectName(), shown[j]->objectName())));
                }
                QVERIFY(f.dialog->rect().contains(shown[i]->geometry()));
            }
            // Each shown parameter control has its caption shown above it.
            QCOMPARE(f.Get<QLabel>("Label3")->isVisible(),
                     f.Get<QLineEdit>("Edit2")->isVisible() || f.Get<QComboBox>("ComboBox4")->isVisible());
            QCOMPARE(f.Get<QLabel>("Label6")->isVisible(),
                     f.Get<QLineEdit>("Edit3")->isVisible() || f.Get<QComboBox>("ComboBox3")->isVisible());
            if (kind == 0 || kind == 1 || kind == 4 || kind == 5 || kind == 6) {
                QVERIFY(f.dialog->grab().save(folder + QStringLiteral("/connection_dialog_kind%1.png").arg(kind)));
            }
        }
    }
};

QTEST_MAIN(ConnectionDialogTest)
#include "connection_dialog_test.moc"
