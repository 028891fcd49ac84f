// The live views against a scripted module: the polling guard, a close
// during a tick, what each view shows of its replies, and how the views look
// with the longest values.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "live/analog_view.h"
#include "live/counter_view.h"
#include "live/digital_views.h"
#include "live/status_view.h"
#include "main_window.h"
#include "scripted_module.h"
#include "ui_test_support.h"

using rq36::test::ScriptedModule;
using rq36::test::WhenModalShown;

namespace {

const QString kNotConnected = QStringLiteral(" Připojení k modulu není inicializováno.");

QString Text(const QWidget* dialog, const char* name) {
    return dialog->findChild<QLabel*>(QString::fromLatin1(name))->text();
}

QString Status(const QWidget* dialog) { return Text(dialog, "StatusBar1Panel0"); }

// No label or button of the view shows less than its text needs.
void CheckNothingClipped(QWidget* dialog) {
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    for (const QLabel* label : dialog->findChildren<QLabel*>()) {
        if (label->objectName() == QLatin1String("StatusBar1Panel0")) continue;
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(QStringLiteral("%1 %2 < %3: %4")
                                                                             .arg(label->objectName())
                                                                             .arg(label->width())
                                                                             .arg(label->sizeHint().width())
                                                                             .arg(label->text())));
    }
    for (const QPushButton* button : dialog->findChildren<QPushButton*>())
        QVERIFY2(button->width() >= button->sizeHint().width(), qPrintable(button->text()));
}

void Shoot(QWidget* dialog, const QString& name) {
    QDir().mkpath(QStringLiteral(RQ36_UI_SHOTS_DIR));
    QVERIFY(dialog->grab().save(QStringLiteral(RQ36_UI_SHOTS_DIR "/") + name + QStringLiteral(".png")));
}

}  // namespace

class LiveViewsTest : public QObject {
    Q_OBJECT

    rq36::ConnectionSettings connected_;
    ScriptedModule module_;

private slots:
    void init() {
        rq36::SetDefaults(&connected_);
        connected_.Connected = true;
        connected_.LibraryHandle = 1;  // never used: the scripted module answers
        module_ = ScriptedModule();
        ModuleDialog::UseLinkForNewDialogs(&module_);
    }
    void cleanup() { ModuleDialog::UseLinkForNewDialogs(nullptr); }

    void WithoutConnectionEveryViewSaysSoAndKeepsPolling() {
        rq36::ConnectionSettings closed;
        rq36::SetDefaults(&closed);
        TForm3 analog(&closed);
        TForm4 counters(&closed);
        TFormOkamDIN inputs(&closed);
        TForm15 status(&closed);
        for (LiveView* view : std::initializer_list<LiveView*>{&analog, &counters, &inputs, &status}) {
            view->Timer1Timer();
            QCOMPARE(Status(view), kNotConnected);
            QVERIFY(view->Timer1->isActive());
        }
        for (int row = 0; row < rq36::AnalogTick::kRows; ++row) QVERIFY(analog.ValueLabel(row)->text().isEmpty());
        status.findChild<QPushButton*>(QStringLiteral("Button2"))->click();  // "Vynulovat"
        QCOMPARE(Status(&status), kNotConnected);
        TFormOkamDOUT outputs(&closed);
        outputs.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
        QCOMPARE(Status(&outputs), kNotConnected);
        QVERIFY(module_.sent.empty());

        // Without a record a tick does nothing at all.
        TFormOkamDIN none(nullptr);
        none.Timer1Timer();
        QVERIFY(Status(&none).isEmpty());
    }

    // "Cancel" pressed while a tick waits for the module: the tick sends its
    // remaining requests, then the dialog closes; the window's menu item
    // returns, and nothing touches the dialog after it is gone.
    void CancelDuringATickClosesAfterTheTick() {
        TForm1 window;
        rq36::ConnectionSettings& record = *window.Settings();
        record.Connected = true;
        record.LibraryHandle = 1;
        bool visibleAtLastRequest = false;
        bool timerOffDuringTick = true;
        WhenModalShown<TForm3>([&](TForm3* dialog) {
            module_.onSend = [&, dialog](const rq36::ModuleCommand&) {
                timerOffDuringTick = timerOffDuringTick && !dialog->Timer1->isActive();
                if (module_.sent.size() == 3) dialog->findChild<QPushButton*>(QStringLiteral("Button1"))->click();
                if (module_.sent.size() == 18) visibleAtLastRequest = dialog->isVisible();
            };
            dialog->Timer1Timer();
        });
        window.findChild<QAction*>(QStringLiteral("OkamAIN2"))->trigger();
        record.Connected = false;
        QCOMPARE(module_.sent.size(), std::size_t{18});
        QVERIFY(visibleAtLastRequest);
        QVERIFY(timerOffDuringTick);
    }

    void StatusViewShowsEveryBitAndClears() {
        module_.answer = [](const rq36::ModuleCommand& c) {
            rq36::ModuleReply reply;
            if (c.command == rq36::kCmdReadStatusRegister) reply.r = {0x52, 0x00, 0x00, 0x80};
            return reply;
        };
        bool timerRunsDuringTick = false;
        TForm15 view(&connected_);
        module_.onSend = [&](const rq36::ModuleCommand&) { timerRunsDuringTick = view.Timer1->isActive(); };
        view.Timer1Timer();
        QVERIFY(timerRunsDuringTick);
        QCOMPARE(Status(&view), QStringLiteral(" text 0"));
        for (int label = 33; label <= 64; ++label) {
            const bool set = label == 34 || label == 37 || label == 39 || label == 64;  // FN, PWR, ERR24, byte 3 bit 7
            QCOMPARE(Text(&view, QStringLiteral("Label%1").arg(label).toLatin1()),
                     set ? QStringLiteral("1") : QStringLiteral("0"));
        }
        QCOMPARE(Text(&view, "Label2"), QStringLiteral("FN"));
        QCOMPARE(Text(&view, "Label7"), QStringLiteral("ERR24"));

        module_.sent.clear();
        view.findChild<QPushButton*>(QStringLiteral("Button2"))->click();
        QCOMPARE(module_.sent.size(), std::size_t{1});
        QCOMPARE(module_.sent[0].command, rq36::kCmdClearStatusRegister);
        QCOMPARE(Status(&view), QStringLiteral(" text 0"));  // success shows nothing new

        module_.failAt = 2;
        view.Timer1Timer();
        QCOMPARE(Status(&view), QStringLiteral(" text 4"));
        QCOMPARE(Text(&view, "Label64"), QStringLiteral("1"));  // a failed read leaves the bits
        CheckNothingClipped(&view);
        Shoot(&view, QStringLiteral("status_register"));
    }

    void DigitalViewsReadTwoBitsAndWriteTheTickedOutputs() {
        module_.answer = [](const rq36::ModuleCommand&) { return rq36::ModuleReply{0, 0, {0xFE, 0, 0, 0}}; };
        TFormOkamDIN inputs(&connected_);
        inputs.Timer1Timer();
        QCOMPARE(Text(&inputs, "Label33"), QStringLiteral("0"));
        QCOMPARE(Text(&inputs, "Label34"), QStringLiteral("1"));
        QCOMPARE(Status(&inputs), QStringLiteral(" text 0"));
        QVERIFY(inputs.Timer1->isActive());
        CheckNothingClipped(&inputs);
        Shoot(&inputs, QStringLiteral("digital_inputs"));

        module_.sent.clear();
        TFormOkamDOUT outputs(&connected_);
        QVERIFY(!outputs.findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->isChecked());
        outputs.findChild<QCheckBox*>(QStringLiteral("CheckBox2"))->setChecked(true);
        outputs.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
        QCOMPARE(module_.sent.size(), std::size_t{1});
        QCOMPARE(module_.sent[0].command, rq36::kCmdWriteRegister);
        QCOMPARE(module_.sent[0].d0, rq36::kRegDigital);
        QCOMPARE(module_.sent[0].data, (std::array<std::uint8_t, 5>{0, 0x02, 0, 0, 0}));
        QCOMPARE(Status(&outputs), QStringLiteral(" Data zapsána"));
        CheckNothingClipped(&outputs);
        Shoot(&outputs, QStringLiteral("digital_outputs"));
    }

    // After a failed tick the values keep their texts, dimmed, until a
    // successful tick writes them again.
    void ValuesOfAFailedTickShowAsStale() {
        bool fail = false;
        module_.answer = [&fail](const rq36::ModuleCommand&) {
            return fail ? rq36::ModuleReply{4, 0, {}} : rq36::ModuleReply{0, 0, {0x39, 0x30, 0x00, 0x03}};
        };
        TForm3 analog(&connected_);
        TForm4 counters(&connected_);
        TFormOkamDIN inputs(&connected_);
        const QList<QWidget*> values = {analog.ValueLabel(0), analog.ValueLabel(rq36::AnalogTick::kRows - 1),
                                        counters.findChild<QLabel*>(QStringLiteral("Label3")),
                                        counters.findChild<QLabel*>(QStringLiteral("Label4")),
                                        inputs.findChild<QLabel*>(QStringLiteral("Label33"))};
        const auto tick = [&] {
            analog.Timer1Timer();
            counters.Timer1Timer();
            inputs.Timer1Timer();
        };
        tick();
        const QString written = analog.ValueLabel(0)->text();
        for (QWidget* v : values) QVERIFY(v->isEnabled());
        fail = true;
        tick();
        for (QWidget* v : values) QVERIFY2(!v->isEnabled(), qPrintable(v->objectName()));
        QCOMPARE(analog.ValueLabel(0)->text(), written);
        Shoot(&analog, QStringLiteral("analog_inputs_stale"));
        fail = false;
        tick();
        for (QWidget* v : values) QVERIFY2(v->isEnabled(), qPrintable(v->objectName()));
    }

    void AnalogAndCounterViewsFitTheLongestValues() {
        TForm3 analog(&connected_);
        for (int row = 0; row < rq36::AnalogTick::kRows; ++row)
            analog.ValueLabel(row)->setText(QStringLiteral("-12345.678 mA"));
        CheckNothingClipped(&analog);
        Shoot(&analog, QStringLiteral("analog_inputs"));

        TForm4 counters(&connected_);
        counters.findChild<QLabel*>(QStringLiteral("Label3"))->setText(QStringLiteral("4294967295"));
        counters.findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QStringLiteral("-2147483648"));
        counters.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
        QCOMPARE(counters.findChild<QPushButton*>(QStringLiteral("Button1"))->text(), QStringLiteral("Stop"));
        CheckNothingClipped(&counters);
        Shoot(&counters, QStringLiteral("counters"));
    }
};

QTEST_MAIN(LiveViewsTest)
#include "live_views_test.moc"
