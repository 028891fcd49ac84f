// The configuration and restart dialogs against the simulated module,
// through the real interface libraries of the build (ORSA, and ORSG with the
// emulated card): bytes read, written and read back as the module keeps
// them, the record after "Ok" and "Cancel", the module's own faults, and a
// new address that the module takes only when restarted.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "interface/binding.h"
#include "interface/connection_logic.h"
#include "main_window.h"
#include "module/analog_range_dialog.h"
#include "module/communication_dialog.h"
#include "module/digital_options_dialog.h"
#include "module/restart_dialog.h"
#include "ui_test_support.h"

using rq36::ConnectionSettings;
using rq36::test::WhenModalShown;

namespace {

const QString kWritten = QString::fromUtf8(" Konfigurace zapsána.");
const QString kRead = QString::fromUtf8(" Konfigurace přečtena.");
const QString kTimeout = QString::fromUtf8(" Timeout - nepřišla žádná odpověď");

bool Connect(ConnectionSettings& record, int kind, int address = 1) {
    rq36::ConnectionInputs inputs;
    inputs.kindIndex = kind;
    inputs.addressText = QString::number(address);
    inputs.parameter1 = QStringLiteral("1");  // COM1 for kind 0; the ORS-G channel is EUART1
    QString last;
    const bool connected =
        rq36::InitializeConnection(record, inputs, [&last](const QString& text, bool) { last = text; }).connected;
    if (!connected) qWarning().noquote() << "connection failed:" << last;
    return connected;
}

template <typename D>
struct Dialog {
    std::unique_ptr<D> d;
    explicit Dialog(ConnectionSettings& record) : d(std::make_unique<D>(&record)) { d->show(); }
    template <typename W>
    W* Get(const QString& name) const {
        return rq36::test::Child<W>(d.get(), name);
    }
    QString Click(const char* button) {
        Get<QPushButton>(QString::fromLatin1(button))->click();
        return d->StatusText();
    }
    QComboBox* Range(int input) const { return Get<QComboBox>(QStringLiteral("ComboBox%1").arg(input + 1)); }
};

}  // namespace

class ConfigDialogsEndToEndTest : public QObject {
    Q_OBJECT

    ConnectionSettings record_;

    // A fresh module per test, with the faults given, connected through kind.
    bool Open(int kind, const char* faults = "") {
        qputenv("RQ36_SIM_STATE", QByteArray(":memory:") + QTest::currentTestFunction() + QTest::currentDataTag());
        qputenv("RQ36_SIM_FAULT", faults);
        rq36::SetDefaults(&record_);
        return Connect(record_, kind);
    }

private slots:
    void initTestCase() {
        qunsetenv("RQ36_SIM_CONFIG");
        rq36::SetInterfaceLibraryFolder(RQ36_BIN_DIR);
        QApplication::setQuitOnLastWindowClosed(false);
    }
    void cleanup() {
        if (record_.Connected) rq36::CloseConnection(record_);
        qunsetenv("RQ36_SIM_FAULT");
    }

    void ReadWriteReadBack_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("COM port") << 0;
        QTest::newRow("ORS-G") << 6;
    }
    // Every byte makes the whole trip: written, read back by the transfer,
    // then read again by a new dialog; "Ok" keeps what the window shows.
    void ReadWriteReadBack() {
        QFETCH(int, kind);
        QVERIFY(Open(kind));
        {
            Dialog<TForm13> ranges(record_);
            QCOMPARE(ranges.Click("Button2"), kRead);
            const int codes[] = {13, 0, 6, 7, 12, 5};
            for (int i = 0; i < 6; ++i) ranges.Range(i)->setCurrentIndex(codes[i]);
            QCOMPARE(ranges.Click("Button1"), kWritten);
            ranges.Click("Button4");  // "Cancel" after "Zapsat": the module keeps it, the record not
        }
        QCOMPARE(record_.ConfigImage[4], 0);
        {
            Dialog<TForm13> again(record_);
            QCOMPARE(again.Click("Button2"), kRead);
            QCOMPARE(again.Range(0)->currentText(), QStringLiteral("20mA AC"));
            QCOMPARE(again.Range(3)->currentText(), QStringLiteral("10V AC"));
            again.Click("Button3");
        }
        QCOMPARE(record_.ConfigImage[4], 13);
        QCOMPARE(record_.ConfigImage[9], 5);

        Dialog<TForm14> digital(record_);
        digital.Get<QCheckBox>(QStringLiteral("CheckBox2"))->setChecked(false);
        digital.Get<QCheckBox>(QStringLiteral("CheckBox66"))->setChecked(true);
        QCOMPARE(digital.Click("Button1"), kWritten);
        Dialog<TForm14> digitalAgain(record_);
        QCOMPARE(digitalAgain.Click("Button2"), kRead);
        QVERIFY(digitalAgain.Get<QCheckBox>(QStringLiteral("CheckBox1"))->isChecked());
        QVERIFY(!digitalAgain.Get<QCheckBox>(QStringLiteral("CheckBox2"))->isChecked());
        QVERIFY(digitalAgain.Get<QCheckBox>(QStringLiteral("CheckBox66"))->isChecked());
        QCOMPARE(digitalAgain.d->Working()[23], 0x02);
        QCOMPARE(digitalAgain.d->Working()[11], 0x01);
    }

    // Through the menu: "Ok" stores, and the dialog opened again shows it.
    void OkThenReopenThroughTheMenu() {
        QVERIFY(Open(0));
        QTemporaryDir dir;
        rq36::MainWindowHooks hooks;
        hooks.settingsPath = dir.filePath(QStringLiteral("W_rq36.ini"));
        TForm1 window(nullptr, hooks);
        *window.Settings() = record_;
        record_.Connected = false;  // the window's record owns the connection now
        WhenModalShown<TForm12>([](TForm12* d) {
            d->findChild<QPushButton*>(QStringLiteral("Button2"))->click();
            d->findChild<QComboBox*>(QStringLiteral("ComboBox1"))->setCurrentIndex(4);  // 38400 Bd
            d->findChild<QPushButton*>(QStringLiteral("Button3"))->click();
        });
        window.findChild<QAction*>(QStringLiteral("AdresaRychlost1"))->trigger();
        QCOMPARE(window.Settings()->ConfigImage[1], 6);
        QString shown;
        WhenModalShown<TForm12>([&](TForm12* d) {
            shown = d->findChild<QComboBox*>(QStringLiteral("ComboBox1"))->currentText();
            d->reject();
        });
        window.findChild<QAction*>(QStringLiteral("AdresaRychlost1"))->trigger();
        QCOMPARE(shown, QStringLiteral("38400 Bd"));
        window.close();
        QVERIFY(!rq36::InterfaceLoaded());
    }

    // A new address is stored at once but taken by the module only when it
    // restarts: until then it answers at the old one, afterwards only at the
    // new one.
    void NewAddressAnswersAfterRestart() {
        QVERIFY(Open(6));
        // The module outlives the unloaded libraries only in a state file.
        QTemporaryDir dir;
        qputenv("RQ36_SIM_STATE", dir.filePath(QStringLiteral("module.state")).toLocal8Bit());
        rq36::CloseConnection(record_);
        QVERIFY(Connect(record_, 6));
        Dialog<TForm12> address(record_);
        address.Get<QLineEdit>(QStringLiteral("Edit1"))->setText(QStringLiteral("23"));
        QCOMPARE(address.Click("Button1"), kWritten);
        QCOMPARE(address.Click("Button2"), kRead);  // still at address 1
        Dialog<TFormRestartModulu> restart(record_);
        QCOMPARE(restart.Click("Button1"), QString::fromUtf8(" Modul restartován."));
        QCOMPARE(address.Click("Button2"), kTimeout);
        rq36::CloseConnection(record_);
        QVERIFY(Connect(record_, 6, 23));
        QCOMPARE(address.Click("Button2"), kRead);
    }

    // "Cancel" right after "Zapsat" began: the new address and speed both
    // reach the module (never a new address with the old speed), then the
    // dialog closes.
    void CancelDuringAWriteFinishesTheWrite() {
        QVERIFY(Open(0));
        Dialog<TForm12> address(record_);
        address.Get<QLineEdit>(QStringLiteral("Edit1"))->setText(QStringLiteral("23"));
        address.Get<QComboBox>(QStringLiteral("ComboBox1"))->setCurrentIndex(4);  // 38400 Bd
        QString statusAtCancel;
        QTimer::singleShot(0, address.d.get(), [&] {
            address.Click("Button4");
            statusAtCancel = address.d->StatusText();
        });
        address.Click("Button1");
        QCOMPARE(statusAtCancel, QString::fromUtf8(rq36::kClosingText));
        QVERIFY(!address.d->isVisible());
        Dialog<TForm12> again(record_);
        QCOMPARE(again.Click("Button2"), kRead);
        QCOMPARE(again.Get<QLineEdit>(QStringLiteral("Edit1"))->text(), QStringLiteral("23"));
        QCOMPARE(again.Get<QComboBox>(QStringLiteral("ComboBox1"))->currentText(), QStringLiteral("38400 Bd"));
    }

    // The module's faults: a failed third read, a failed write of 0x03, a
    // failed fifth read of the digital options, bytes the module reads as
    // something else.
    void ModuleFaults() {
        QVERIFY(Open(0,
                     "fail_request=cmd:0x66 addr:0x02 nth:2,fail_request=cmd:0x67 addr:0x03,"
                     "fail_request=cmd:0x66 addr:0x21 nth:2,read_value=addr:0x05 value:0x11"));
        Dialog<TForm13> ranges(record_);
        for (int i = 0; i < 6; ++i) ranges.Range(i)->setCurrentIndex(i + 1);
        QCOMPARE(ranges.Click("Button1"), kTimeout);  // the write of 0x03
        Dialog<TForm13> check(record_);
        QCOMPARE(check.Click("Button2"), kTimeout);  // the third read
        QCOMPARE(check.d->Working()[4], 1);
        QCOMPARE(check.d->Working()[5], 2);
        QCOMPARE(check.d->Working()[6], 0);  // not read: as the record had it
        QCOMPARE(check.Click("Button2"), kRead);
        QCOMPARE(check.d->Working()[6], 3);  // written before the failure
        QCOMPARE(check.d->Working()[7], 0);  // 0x03 and after untouched
        QCOMPARE(check.d->Working()[9], 0x11);
        QCOMPARE(check.Range(5)->currentText(), QStringLiteral("+/- 5V DC"));
        check.Range(5)->setCurrentIndex(2);
        QCOMPARE(check.Click("Button1"), QString::fromUtf8(" Chyba zápisu dat."));  // 0x05 reads 0x11

        Dialog<TForm14> digital(record_);
        digital.Get<QCheckBox>(QStringLiteral("CheckBox65"))->setChecked(true);
        QCOMPARE(digital.Click("Button1"), kWritten);
        Dialog<TForm14> readBack(record_);
        QCOMPARE(readBack.Click("Button2"), kTimeout);  // the fifth read, 0x21
        QCOMPARE(readBack.d->Working()[23], 0x01);
        QCOMPARE(readBack.d->Working()[11], 0xFF);  // negation bytes unchanged
    }

    void ModuleReturningFe() {
        QVERIFY(Open(6, "read_value=addr:0x21 value:0xFE"));
        Dialog<TForm14> digital(record_);
        QCOMPARE(digital.Click("Button2"), kRead);
        QVERIFY(!digital.Get<QCheckBox>(QStringLiteral("CheckBox1"))->isChecked());
        QVERIFY(digital.Get<QCheckBox>(QStringLiteral("CheckBox2"))->isChecked());
        digital.Click("Button3");
        QCOMPARE(record_.ConfigImage[11], 0x02);
    }
};

QTEST_MAIN(ConfigDialogsEndToEndTest)
#include "config_dialogs_e2e_test.moc"
