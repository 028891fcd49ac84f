// The live views through the main window's menu, against the simulated
// module behind a real interface library (the COM port stand-in and ORSG):
// values and units, a range changed in the range dialog, the counters, the
// digital inputs following the outputs through the negations, the status
// register and its clearing.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

#include "interface/binding.h"
#include "interface/connection_dialog.h"
#include "interface/connection_logic.h"
#include "interface/module_request.h"
#include "live/analog_view.h"
#include "live/counter_view.h"
#include "live/digital_views.h"
#include "live/status_view.h"
#include "main_window.h"
#include "module/analog_range_dialog.h"
#include "module/digital_options_dialog.h"
#include "module/restart_dialog.h"
#include "ui_test_support.h"

using rq36::test::Child;
using rq36::test::Click;
using rq36::test::WhenModalShown;

namespace {

QString Text(QWidget* dialog, const QString& name) { return Child<QLabel>(dialog, name)->text(); }
QString Status(QWidget* dialog) { return Text(dialog, QStringLiteral("StatusBar1Panel0")); }

// Opens the dialog of a menu item, runs `act` in it, closes it.
template <typename D>
void InDialog(TForm1& window, const char* item, std::function<void(D*)> act) {
    WhenModalShown<D>(std::move(act));
    window.findChild<QAction*>(QString::fromLatin1(item))->trigger();
}

}  // namespace

class LiveEndToEndTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString success_;

    // A fresh module for each test, connected through the kind under test.
    void Connect(TForm1& window, int kind) {
        rq36::test::ConnectThroughMenu(window, kind);
        QVERIFY(rq36::IsConnected(window.Settings()));
        success_ = QLatin1Char(' ') + rq36::StatusMessage(static_cast<std::uint8_t>(kind), 0);
    }

    rq36::MainWindowHooks Hooks() const { return rq36::test::HooksIn(dir_); }

    static void Kinds() {
        QTest::addColumn<int>("kind");
        QTest::newRow("COM port (ORSA)") << 0;
        QTest::newRow("ORS-G") << 6;
    }

private slots:
    void initTestCase() {
        qputenv("RQ36_SIM_STATE", ":memory:");
        qunsetenv("RQ36_SIM_FAULT");
        // AIN0 on a steady 5 V; fast counters; FN, ERR24 and the top bit of
        // byte 3 raised at start beside PWR of the fresh module.
        QVERIFY(rq36::test::UseSimulatorConfig(dir_,
                                               "[module main]\nain0 = dc 5 V, noise 0\ncnt0_rate = 1000\n"
                                               "cnt1_rate = 1000\nstatus = fn, err24, 3.7\n"));
        rq36::SetInterfaceLibraryFolder(RQ36_BIN_DIR);
        QApplication::setQuitOnLastWindowClosed(false);
    }
    void cleanup() {
        ors_handle_t handle = 0;
        if (rq36::InterfaceLoaded()) rq36::CloseInterface(0, &handle);
    }

    void AnalogValuesAndUnits_data() { Kinds(); }
    void AnalogValuesAndUnits() {
        QFETCH(int, kind);
        TForm1 window(nullptr, Hooks());
        Connect(window, kind);
        const QString point = QLocale().decimalPoint();
        const QRegularExpression volts(QStringLiteral("^-?\\d+%1\\d{3} V$").arg(QRegularExpression::escape(point)));
        InDialog<TForm3>(window, "OkamAIN2", [&](TForm3* d) {
            QTRY_COMPARE(Status(d), success_);
            // 5 V with the converter's gain (+0.8 %) and offset (12 counts) error.
            QCOMPARE(d->ValueLabel(0)->text(), QLatin1Char('5') + point + QStringLiteral("052 V"));
            for (int row = 1; row < rq36::AnalogTick::kRows; ++row)
                QVERIFY2(volts.match(d->ValueLabel(row)->text()).hasMatch(), qPrintable(d->ValueLabel(row)->text()));
            Click(d, "Button1");
        });
        // AIN2 to +/- 25mA DC: the next opening shows it and "2-0" in mA.
        InDialog<TForm13>(window, "NastavAIN1", [&](TForm13* d) {
            Child<QComboBox>(d, QStringLiteral("ComboBox3"))->setCurrentIndex(6);
            Click(d, "Button1");
            QCOMPARE(Status(d), QStringLiteral(" Konfigurace zapsána."));
        });
        InDialog<TForm3>(window, "OkamAIN2", [&](TForm3* d) {
            QTRY_COMPARE(Status(d), success_);
            QVERIFY2(d->ValueLabel(2)->text().endsWith(QStringLiteral(" mA")), qPrintable(d->ValueLabel(2)->text()));
            QVERIFY(d->ValueLabel(6 + 2)->text().endsWith(QStringLiteral(" mA")));  // 2-0
            QVERIFY(d->ValueLabel(6 + 1)->text().endsWith(QStringLiteral(" V")));   // 1-2
            QVERIFY(d->ValueLabel(0)->text().endsWith(QStringLiteral(" V")));
        });
        window.close();
    }

    // The library's own text for a failed combined value; the input rows
    // are written, the combined ones wait for the next tick.
    void FailedCombinedReadLeavesTheCombinedRows() {
        qputenv("RQ36_SIM_FAULT", "fail_request=cmd:0x00 sel:0x13 nth:1 status:4 times:1");
        TForm1 window(nullptr, Hooks());
        Connect(window, 6);
        qunsetenv("RQ36_SIM_FAULT");
        InDialog<TForm3>(window, "OkamAIN2", [&](TForm3* d) {
            QTRY_VERIFY(!Status(d).isEmpty());
            QCOMPARE(Status(d), QLatin1Char(' ') + rq36::StatusMessage(6, 4));
            for (int row = 0; row < rq36::AnalogTick::kRows; ++row)
                QCOMPARE(d->ValueLabel(row)->text().isEmpty(), row >= rq36::kAnalogInputs);
            QTRY_COMPARE(Status(d), success_);
            QVERIFY(!d->ValueLabel(rq36::AnalogTick::kRows - 1)->text().isEmpty());
        });
        window.close();
    }

    void CountersStartStopClearPreset_data() { Kinds(); }
    void CountersStartStopClearPreset() {
        QFETCH(int, kind);
        TForm1 window(nullptr, Hooks());
        Connect(window, kind);
        InDialog<TForm4>(window, "OkamCNT", [&](TForm4* d) {
            QTRY_COMPARE(Status(d), success_);
            QCOMPARE(Text(d, "Label3"), QStringLiteral("0"));
            Click(d, "Button1");  // start CNT0
            QCOMPARE(Child<QPushButton>(d, "Button1")->text(), QStringLiteral("Stop"));
            QTRY_VERIFY(Text(d, "Label3").toUInt() > 50);
            Click(d, "Button1");  // stop
            QCOMPARE(Child<QPushButton>(d, "Button1")->text(), QStringLiteral("Start"));
            QTest::qWait(3 * TForm4::kIntervalMs);
            const QString stopped = Text(d, "Label3");
            QTest::qWait(3 * TForm4::kIntervalMs);
            QCOMPARE(Text(d, "Label3"), stopped);
            Click(d, "Button3");  // "Vynulovat"
            QTRY_COMPARE(Text(d, "Label3"), QStringLiteral("0"));
            Child<QLineEdit>(d, "Edit1")->setText(QStringLiteral("-1"));
            Click(d, "Button6");  // "Nastavit"
            QTRY_COMPARE(Text(d, "Label3"), QStringLiteral("4294967295"));
            Click(d, "Button2");  // start CNT1, left running
            QTRY_VERIFY(Text(d, "Label4").toUInt() > 0);
            QCOMPARE(Text(d, "Label3"), QStringLiteral("4294967295"));
        });
        // The run state comes from the module on the next opening.
        InDialog<TForm4>(window, "OkamCNT", [&](TForm4* d) {
            QTRY_COMPARE(Child<QPushButton>(d, "Button2")->text(), QStringLiteral("Stop"));
            QCOMPARE(Child<QPushButton>(d, "Button1")->text(), QStringLiteral("Start"));
        });
        window.close();
    }

    void DigitalInputsFollowTheOutputsThroughTheNegations_data() { Kinds(); }
    void DigitalInputsFollowTheOutputsThroughTheNegations() {
        QFETCH(int, kind);
        TForm1 window(nullptr, Hooks());
        Connect(window, kind);
        InDialog<TFormOkamDOUT>(window, "OkamDOUT1", [&](TFormOkamDOUT* d) {
            Child<QCheckBox>(d, "CheckBox2")->setChecked(true);
            Click(d, "Button1");
            QCOMPARE(Status(d), QStringLiteral(" Data zapsána"));
        });
        InDialog<TFormOkamDIN>(window, "OkamDIN2", [&](TFormOkamDIN* d) {
            QTRY_COMPARE(Status(d), success_);
            QCOMPARE(Text(d, "Label33"), QStringLiteral("0"));
            QCOMPARE(Text(d, "Label34"), QStringLiteral("1"));
        });
        // DOUT1 no longer negated: its input reads the other way.
        InDialog<TForm14>(window, "NastavDIO1", [&](TForm14* d) {
            Child<QCheckBox>(d, "CheckBox34")->setChecked(false);
            Click(d, "Button1");
            QCOMPARE(Status(d), QStringLiteral(" Konfigurace zapsána."));
        });
        InDialog<TFormOkamDIN>(window, "OkamDIN2", [&](TFormOkamDIN* d) {
            QTRY_COMPARE(Status(d), success_);
            QCOMPARE(Text(d, "Label34"), QStringLiteral("0"));
        });
        window.close();
    }

    void StatusBitsClearAndRestart_data() { Kinds(); }
    void StatusBitsClearAndRestart() {
        QFETCH(int, kind);
        TForm1 window(nullptr, Hooks());
        Connect(window, kind);
        const auto bits = [](QWidget* d) {
            QString shown;
            for (int label = 33; label <= 64; ++label) shown += Text(d, QStringLiteral("Label%1").arg(label));
            return shown;
        };
        InDialog<TForm15>(window, "Statusregistr1", [&](TForm15* d) {
            // 52 00 00 80: FN, PWR, ERR24 and bit 7 of byte 3.
            QTRY_COMPARE(bits(d), QStringLiteral("01001010") + QString(23, QLatin1Char('0')) + QLatin1Char('1'));
            QCOMPARE(Status(d), success_);
            Click(d, "Button2");  // "Vynulovat"
            QTRY_COMPARE(bits(d), QString(32, QLatin1Char('0')));
        });
        InDialog<TFormRestartModulu>(window, "Restartmodulu1", [&](TFormRestartModulu* d) { Click(d, "Button1"); });
        InDialog<TForm15>(window, "Statusregistr1", [&](TForm15* d) {
            QTRY_COMPARE(Text(d, "Label38"), QStringLiteral("1"));  // RST
        });
        window.close();
    }
};

QTEST_MAIN(LiveEndToEndTest)
#include "live_e2e_test.moc"
