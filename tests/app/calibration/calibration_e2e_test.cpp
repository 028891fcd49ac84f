// Whole calibrations through the main window's "Kalibrace vstupů", against
// the simulated module behind a real interface library (ORSA, kind 0, and
// ORSG, kind 6): the record in the module's memory, the module's calibrated
// reading of the test fixture's reference before and after, a communication
// failure while the record is written, and a module that keeps another
// range byte.
#include <cmath>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "calibration/calibration_dialog.h"
#include "calibration/calibration_math.h"
#include "interface/binding.h"
#include "interface/connection_dialog.h"
#include "interface/connection_logic.h"
#include "main_window.h"
#include "panel.h"
#include "panel_channel.h"
#include "ui_test_support.h"

using rq36::test::Child;
using rq36::test::Click;
using rq36::test::ConnectedThroughMenu;
using rq36::test::WhenModalShown;

namespace {

// The fixture's digital outputs: DOUT0 short-circuits the inputs, DOUT1
// applies 90 % of each range's full scale.
constexpr std::uint32_t kShort = 1;
constexpr std::uint32_t kReference = 2;
constexpr std::uint8_t kByte7 = 0x5A;

struct Module {
    rq36::ConnectionSettings& settings;
    bool Outputs(std::uint32_t bits) {
        return rq36::SendCommand(settings, rq36::WriteRegisterCommand(rq36::kRegDigital, bits)).Ok();
    }
    std::uint8_t Config(std::uint8_t bank, std::uint8_t address) {
        const rq36::ModuleReply reply = rq36::SendCommand(settings, rq36::ReadConfigByteCommand(bank, address));
        return reply.Ok() ? reply.r[2] : 0xEE;
    }
    bool SetConfig(std::uint8_t bank, std::uint8_t address, std::uint8_t value) {
        return rq36::SendCommand(settings, rq36::WriteConfigByteCommand(bank, address, value)).Ok();
    }
    // The calibrated reading in volts or milliamperes.
    double Reading(int input, bool current) {
        const rq36::ModuleReply reply =
            rq36::SendCommand(settings, rq36::ReadRegisterCommand(rq36::AnalogInputRegister(input)));
        return reply.Ok() ? rq36::DecodeScaledValue(reply.r) * (current ? 1000.0 : 1.0) : NAN;
    }
    std::vector<std::uint8_t> Slot(int input, int range) {
        std::vector<std::uint8_t> bytes;
        for (int k = 0; k < rq36::kCalibrationSlotBytes; ++k)
            bytes.push_back(Config(rq36::CalibrationBank(input),
                                   static_cast<std::uint8_t>(rq36::CalibrationSlotAddress(input, range) + k)));
        return bytes;
    }
};

QString Log(TForm6* d) { return Child<QPlainTextEdit>(d, "Memo1")->toPlainText(); }

// The front panel's channel into this process's world of an interface kind.
struct FrontPanel {
    std::string path;
    explicit FrontPanel(int kind) {
        const std::string world = kind == 6 ? "OX952" : "ORSA";
        for (const rq36sim::PanelEndpoint& e : rq36sim::FindPanelWorlds())
            if (e.world == world && e.pid == QCoreApplication::applicationPid()) path = e.path;
    }
    std::string Request(const std::string& request) const {
        std::string reply, error;
        return rq36sim::PanelRequest(path, request, reply, error) ? reply : "failed: " + error;
    }
    std::string Report(const char* key) const {
        const auto modules = rq36sim::ParsePanelReport(Request("get"));
        return modules.empty() ? std::string() : modules.front().Value(key);
    }
};

}  // namespace

class CalibrationEndToEndTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    rq36::MainWindowHooks Hooks() const { return rq36::test::HooksIn(dir_); }

    // Runs act in the calibration dialog opened from the menu.
    void InDialog(TForm1& window, const std::function<void(TForm6*)>& act) {
        bool shown = false;
        WhenModalShown<TForm6>([&](TForm6* d) {
            shown = true;
            act(d);
            d->reject();
        });
        window.findChild<QAction*>(QStringLiteral("Kalibracevstup1"))->trigger();
        QVERIFY(shown);
    }

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));
        // Readings without noise, so that the reference is known exactly.
        QVERIFY(rq36::test::UseSimulatorConfig(dir_, "[module main]\nnoise = off\n"));
        qputenv("RQ36_SIM_PANEL_DIR", dir_.filePath(QStringLiteral("panel")).toLocal8Bit());
        qunsetenv("RQ36_SIM_FAULT");
        rq36::SetInterfaceLibraryFolder(RQ36_BIN_DIR);
        QApplication::setQuitOnLastWindowClosed(false);
        QDir().mkpath(QStringLiteral(RQ36_UI_SHOTS_DIR));
    }
    void init() {
        // Every test starts from a factory-new module.
        static int memory = 0;
        qputenv("RQ36_SIM_STATE", QByteArray(":memory:calibration") + QByteArray::number(++memory));
        qunsetenv("RQ36_SIM_FAULT");
    }
    void cleanup() {
        ors_handle_t handle = 0;
        if (rq36::InterfaceLoaded()) rq36::CloseInterface(0, &handle);
    }

    void CalibratedReadingIsAccurate_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("input");
        QTest::addColumn<int>("range");
        QTest::addColumn<QString>("entered");
        QTest::addColumn<double>("truth");
        QTest::addColumn<QByteArray>("fixedBytes");  // offset word, reference word, scale byte
        for (int kind : {0, 6}) {
            // AIN0: offset error +12 counts; AIN5: -15.
            QTest::addRow("kind %d, AIN0 +/- 10V DC", kind)
                << kind << 0 << 0 << QStringLiteral("9,0") << 9.0 << QByteArray("\xF4\xFF\x10\x27\x83", 5);
            QTest::addRow("kind %d, AIN5 +/- 25mA DC", kind)
                << kind << 5 << 6 << QStringLiteral("22,5") << 22.5 << QByteArray("\x0F\x00\x10\x27\x86", 5);
        }
    }
    void CalibratedReadingIsAccurate() {
        QFETCH(int, kind);
        QFETCH(int, input);
        QFETCH(int, range);
        QFETCH(QString, entered);
        QFETCH(double, truth);
        QFETCH(QByteArray, fixedBytes);
        const bool current = range == 6;
        TForm1 window(nullptr, Hooks());
        window.show();
        QVERIFY(ConnectedThroughMenu(window, kind));
        Module module{*window.Settings()};
        const int bank = rq36::CalibrationBank(input);
        const int slot = rq36::CalibrationSlotAddress(input, range);
        QVERIFY(module.SetConfig(bank, slot + 7, kByte7));

        InDialog(window, [&](TForm6* d) {
            Child<QComboBox>(d, "ComboBox2")->setCurrentIndex(input);
            Child<QComboBox>(d, "ComboBox1")->setCurrentIndex(range);
            Click(d, "Button1");
            QCOMPARE(int(d->State()), current ? 11 : 1);
            QCOMPARE(module.Config(0, input), range);

            // Before: the converter's offset and gain error are visible.
            QVERIFY(module.Outputs(kReference));
            const double before = module.Reading(input, current);
            qInfo() << "before:" << before << "truth:" << truth;
            QVERIFY(std::abs(before - truth) / truth > 0.005);

            QVERIFY(module.Outputs(kShort));
            Click(d, "Button2");
            QCOMPARE(int(d->State()), current ? 12 : 2);
            QVERIFY(module.Outputs(kReference));
            Child<QLineEdit>(d, "Edit2")->setText(entered);
            Click(d, "Button2");
            QCOMPARE(d->StatusText(), QStringLiteral(" "));
            QCOMPARE(int(d->State()), 0);
            QVERIFY(
                Log(d).endsWith(QStringLiteral("\n\nVstup zkalibrován.\n\n") + QString(53, u'_') +
                                QStringLiteral(" \n\nVyber kalibrovaný vstup a rozsah, stiskni tlačítko Kalibrace.")));

            const double after = module.Reading(input, current);
            qInfo() << "after:" << after;
            QVERIFY2(std::abs(after - truth) / truth <= 0.0005, qPrintable(QString::number(after, 'f', 6)));

            const std::vector<std::uint8_t> bytes = module.Slot(input, range);
            const auto fixed = [&](int i) { return static_cast<std::uint8_t>(fixedBytes.at(i)); };
            QCOMPARE(bytes[0], fixed(0));
            QCOMPARE(bytes[1], fixed(1));
            QCOMPARE(bytes[4], fixed(2));
            QCOMPARE(bytes[5], fixed(3));
            QCOMPARE(bytes[6], fixed(4));
            QCOMPARE(bytes[7], kByte7);  // never written

            if (kind == 0 && !current) {
                d->Timer1Timer();
                QCOMPARE(Child<QLineEdit>(d, "Edit3")->text(), QStringLiteral("9,000"));
                d->grab().save(QStringLiteral(RQ36_UI_SHOTS_DIR "/calibration_done.png"));
            }
        });
        window.close();
    }

    // A trainee's calibration: the inputs driven from the front panel (short,
    // then 9.000 V), the fixture's outputs left alone.
    void CalibrationDrivenFromFrontPanel_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("ORSA") << 0;
        QTest::newRow("ORS-G") << 6;
    }
    void CalibrationDrivenFromFrontPanel() {
        QFETCH(int, kind);
        TForm1 window(nullptr, Hooks());
        window.show();
        QVERIFY(ConnectedThroughMenu(window, kind));
        Module module{*window.Settings()};
        const FrontPanel panel(kind);
        QVERIFY(!panel.path.empty());
        QCOMPARE(panel.Report("dout0"), std::string("0"));

        InDialog(window, [&](TForm6* d) {
            Child<QComboBox>(d, "ComboBox2")->setCurrentIndex(0);
            Child<QComboBox>(d, "ComboBox1")->setCurrentIndex(0);
            Click(d, "Button1");
            QCOMPARE(int(d->State()), 1);
            QCOMPARE(panel.Request("set ain0=short"), std::string("ok\n"));
            Click(d, "Button2");
            QCOMPARE(int(d->State()), 2);
            QCOMPARE(panel.Request("set main/ain0=9.000 V"), std::string("ok\n"));
            Child<QLineEdit>(d, "Edit2")->setText(QStringLiteral("9,0"));
            Click(d, "Button2");
            QCOMPARE(int(d->State()), 0);
            QVERIFY(Log(d).contains(QStringLiteral("Vstup zkalibrován.")));
        });
        const double after = module.Reading(0, false);
        QVERIFY2(std::abs(after - 9.0) / 9.0 <= 0.0005, qPrintable(QString::number(after, 'f', 6)));

        // The panel shows what the module holds now.
        QVERIFY(module.Outputs(kReference));
        QCOMPARE(panel.Report("dout0"), std::string("0"));
        QCOMPARE(panel.Report("dout1"), std::string("1"));
        QVERIFY(panel.Request("set ain0=nonsense").rfind("error ain0: ", 0) == 0);
        window.close();
    }

    void CommunicationFailureAtByte4KeepsTheStep_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("ORSA") << 0;
        QTest::newRow("ORS-G") << 6;
    }
    void CommunicationFailureAtByte4KeepsTheStep() {
        QFETCH(int, kind);
        // AIN1 on 2 V DC: bank 30, slot 128 + 16 = 144; byte 4 at 148.  The
        // first write there clears it beforehand; the second one fails.
        qputenv("RQ36_SIM_FAULT", "fail_request=cmd:0x67 sel:30 addr:148 nth:2 status:4 times:1");
        TForm1 window(nullptr, Hooks());
        window.show();
        QVERIFY(ConnectedThroughMenu(window, kind));
        Module module{*window.Settings()};
        for (int k = 4; k < 7; ++k) QVERIFY(module.SetConfig(30, 144 + k, 0));

        InDialog(window, [&](TForm6* d) {
            Child<QComboBox>(d, "ComboBox2")->setCurrentIndex(1);
            Child<QComboBox>(d, "ComboBox1")->setCurrentIndex(2);
            Click(d, "Button1");
            QVERIFY(module.Outputs(kShort));
            Click(d, "Button2");
            QVERIFY(module.Outputs(kReference));
            Child<QLineEdit>(d, "Edit2")->setText(QStringLiteral("1,8"));
            const QString log = Log(d);
            Click(d, "Button2");
            QCOMPARE(int(d->State()), 2);
            QCOMPARE(Log(d), log);
            QVERIFY2(d->StatusText().size() > 1 && d->StatusText().startsWith(u' '), qPrintable(d->StatusText()));
            std::vector<std::uint8_t> bytes = module.Slot(1, 2);
            QCOMPARE(bytes[0], 0x07);  // offset word +7 written, bytes 4 to 6 not yet
            QCOMPARE(bytes[4], 0);
            QCOMPARE(bytes[6], 0);

            Click(d, "Button2");
            QCOMPARE(int(d->State()), 0);
            bytes = module.Slot(1, 2);
            QCOMPARE(bytes[4], 0x10);
            QCOMPARE(bytes[5], 0x27);
            QCOMPARE(bytes[6], 0x83);
            QVERIFY(std::abs(module.Reading(1, false) - 1.8) / 1.8 <= 0.0005);
        });
        window.close();
    }

    void ModuleKeepingAnotherRangeByteStaysIdle() {
        qputenv("RQ36_SIM_FAULT", "read_value=bank:0 addr:0x04 value:0x07");
        TForm1 window(nullptr, Hooks());
        window.show();
        QVERIFY(ConnectedThroughMenu(window, 6));
        InDialog(window, [&](TForm6* d) {
            Child<QComboBox>(d, "ComboBox2")->setCurrentIndex(4);
            const QString log = Log(d);
            Click(d, "Button1");
            QCOMPARE(int(d->State()), 0);
            QCOMPARE(d->StatusText(), QStringLiteral(" Chyba zápisu do konfigurační paměti modulu."));
            QCOMPARE(Log(d), log);
        });
        window.close();
    }
};

QTEST_MAIN(CalibrationEndToEndTest)
#include "calibration_e2e_test.moc"
