// The calibration dialog over a scripted module: its design state, the
// connection test, a start during a calibration, the live value of the input
// chosen now, and "Cancel" in every state.
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "calibration/calibration_dialog.h"
#include "scripted_module.h"

using rq36::test::ScriptedModule;

namespace {

const QString kPrompt = QStringLiteral("Vyber kalibrovaný vstup a rozsah, stiskni tlačítko Kalibrace.");

template <typename W>
W* Child(QWidget* dialog, const char* name) {
    auto* child = dialog->findChild<W*>(QString::fromLatin1(name));
    if (child == nullptr) qFatal("no %s", name);
    return child;
}
void Click(QWidget* dialog, const char* button) { Child<QPushButton>(dialog, button)->click(); }
QString Status(TForm6& d) { return d.StatusText(); }

}  // namespace

class CalibrationDialogTest : public QObject {
    Q_OBJECT

    rq36::ConnectionSettings connected_;
    ScriptedModule module_;

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));
        connected_.Connected = true;
        connected_.LibraryHandle = 1;
    }
    void init() {
        module_ = ScriptedModule{};
        // Every register read gives 12.345 with three decimals.
        module_.answer = [](const rq36::ModuleCommand&) {
            rq36::ModuleReply reply;
            reply.r = {0x39, 0x30, 0x00, 0x03};
            return reply;
        };
    }

    void DesignStateAndNoRecord() {
        TForm6 d(nullptr);
        d.UseLink(&module_);
        QCOMPARE(d.windowTitle(), QStringLiteral("Kalibrace vstupů"));
        QCOMPARE(Child<QComboBox>(&d, "ComboBox2")->count(), 6);
        QCOMPARE(Child<QComboBox>(&d, "ComboBox2")->currentText(), QStringLiteral("AIN0"));
        QCOMPARE(Child<QComboBox>(&d, "ComboBox1")->count(), 14);
        QCOMPARE(Child<QComboBox>(&d, "ComboBox1")->currentIndex(), 0);
        QCOMPARE(Child<QLineEdit>(&d, "Edit2")->text(), QStringLiteral("0,0"));
        {
            // The starting text follows the locale's decimal separator.
            const QLocale before;
            QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
            TForm6 english(nullptr);
            QLocale::setDefault(before);
            QCOMPARE(Child<QLineEdit>(&english, "Edit2")->text(), QStringLiteral("0.0"));
        }
        QVERIFY(Child<QLineEdit>(&d, "Edit3")->text().isEmpty());
        QVERIFY(Child<QLineEdit>(&d, "Edit3")->isReadOnly());
        QCOMPARE(Child<QPlainTextEdit>(&d, "Memo1")->toPlainText(), kPrompt);
        QVERIFY(Child<QPlainTextEdit>(&d, "Memo1")->isReadOnly());
        auto* timer = Child<QTimer>(&d, "Timer1");
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 500);

        // Without the record every handler does nothing at all.
        for (const char* button : {"Button1", "Button2", "Button4"}) Click(&d, button);
        d.Timer1Timer();
        QVERIFY(module_.sent.empty());
        QVERIFY(Status(d).isEmpty());
        QCOMPARE(Child<QPlainTextEdit>(&d, "Memo1")->toPlainText(), kPrompt);
    }

    void NotConnectedSendsNothing() {
        rq36::ConnectionSettings idle;
        TForm6 d(&idle);
        d.UseLink(&module_);
        for (const char* button : {"Button1", "Button2", "Button4"}) {
            d.SetStatus(QString());
            Click(&d, button);
            QCOMPARE(Status(d), QStringLiteral(" Připojení k modulu není inicializováno."));
        }
        d.SetStatus(QString());
        d.Timer1Timer();
        QCOMPARE(Status(d), QStringLiteral(" Připojení k modulu není inicializováno."));
        QVERIFY(module_.sent.empty());
        QCOMPARE(d.State(), rq36::kCalibrationIdle);
    }

    void StartDuringACalibrationAndTheLiveValue() {
        TForm6 d(&connected_);
        d.UseLink(&module_);
        Child<QComboBox>(&d, "ComboBox2")->setCurrentIndex(3);
        Child<QComboBox>(&d, "ComboBox1")->setCurrentIndex(13);
        Click(&d, "Button1");
        QCOMPARE(d.State(), rq36::kCurrentZeroStep);
        QCOMPARE(module_.memory[0][3], 13);
        const QString log = Child<QPlainTextEdit>(&d, "Memo1")->toPlainText();

        // Another input and range chosen: "Kalibrace" changes nothing ...
        Child<QComboBox>(&d, "ComboBox2")->setCurrentIndex(0);
        Child<QComboBox>(&d, "ComboBox1")->setCurrentIndex(0);
        const std::size_t sent = module_.sent.size();
        Click(&d, "Button1");
        QCOMPARE(module_.sent.size(), sent);
        QCOMPARE(d.State(), rq36::kCurrentZeroStep);
        QCOMPARE(Child<QPlainTextEdit>(&d, "Memo1")->toPlainText(), log);
        QCOMPARE(module_.memory[0][0], 0);

        // ... while the live value follows the input chosen now.
        d.Timer1Timer();
        QCOMPARE(module_.sent.back().command, rq36::kCmdReadRegister);
        QCOMPARE(module_.sent.back().d0, 0x00);
        QCOMPARE(Child<QLineEdit>(&d, "Edit3")->text(), QStringLiteral("12,345"));
        module_.failAt = static_cast<int>(module_.sent.size()) + 1;
        d.Timer1Timer();
        QVERIFY(Child<QLineEdit>(&d, "Edit3")->text().isEmpty());
        QCOMPARE(Status(d), QStringLiteral(" text 4"));

        // The zero step still concerns AIN3.
        Click(&d, "Button2");
        QCOMPARE(module_.sent.back().d0, 0xD3);
        QCOMPARE(d.State(), rq36::kCurrentReferenceStep);
    }

    void CancelClosesInEveryStateAndSendsNothing() {
        for (int steps = 0; steps < 3; ++steps) {
            TForm6 d(&connected_);
            d.UseLink(&module_);
            d.show();
            if (steps > 0) Click(&d, "Button1");
            if (steps > 1) Click(&d, "Button2");
            const int expected[] = {0, 1, 2};
            QCOMPARE(int(d.State()), expected[steps]);
            const QString log = Child<QPlainTextEdit>(&d, "Memo1")->toPlainText();
            const std::size_t sent = module_.sent.size();
            Click(&d, "Button3");
            QVERIFY(!d.isVisible());
            QCOMPARE(d.result(), int(QDialog::Rejected));
            QCOMPARE(module_.sent.size(), sent);
            QCOMPARE(Child<QPlainTextEdit>(&d, "Memo1")->toPlainText(), log);
        }
    }
};

QTEST_MAIN(CalibrationDialogTest)
#include "calibration_dialog_test.moc"
