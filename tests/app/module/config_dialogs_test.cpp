// The configuration dialogs and the restart dialog against a scripted module:
// what "Přečíst", "Zapsat", "Ok" and "Cancel" do with the working copy, the
// record and the module; the validation of the address dialog; codes the
// lists do not know; a close in the middle of a transfer.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "module/analog_range_dialog.h"
#include "module/communication_dialog.h"
#include "module/digital_options_dialog.h"
#include "module/restart_dialog.h"
#include "scripted_module.h"
#include "ui_test_support.h"

using rq36::ConnectionSettings;
using rq36::test::ScriptedModule;

namespace {

const QString kNotConnected = QString::fromUtf8(" Připojení k modulu není inicializováno.");
const QString kAddressMessage = QString::fromUtf8(" Adresa modulu musí být v rozsahu 0-255.");

// A connected record and a dialog of type D over the scripted module, shown.
template <typename D>
struct Fixture {
    ConnectionSettings record;
    ScriptedModule module;
    std::unique_ptr<D> dialog;

    explicit Fixture(bool connected = true) {
        rq36::SetDefaults(&record);
        record.Connected = connected;
        record.LibraryHandle = connected ? 1 : 0;
        dialog = std::make_unique<D>(&record);
        dialog->UseLink(&module);
        dialog->show();
    }
    template <typename W>
    W* Get(const QString& name) const {
        return rq36::test::Child<W>(dialog.get(), name);
    }
    void Click(const char* button) { Get<QPushButton>(QString::fromLatin1(button))->click(); }
    QString Status() const { return dialog->StatusText(); }
    std::uint8_t& Byte(std::uint8_t address) { return module.memory[0][address]; }
};

}  // namespace

class ConfigDialogsTest : public QObject {
    Q_OBJECT

private slots:
    // The pattern, on the address dialog: FormShow shows the record's image,
    // "Přečíst" fills the working copy and the window, "Ok" keeps it in the
    // record, "Cancel" keeps nothing, and nothing is sent by either.
    void ReadOkAndCancel() {
        Fixture<TForm12> f;
        f.record.ConfigImage[0] = 9;
        f.dialog->hide();
        f.dialog->show();  // FormShow again, with the record's address 9
        QCOMPARE(f.Get<QLineEdit>("Edit1")->text(), QStringLiteral("9"));
        QCOMPARE(f.Status(), QStringLiteral(" "));

        f.Byte(0x3F) = 42;
        f.Byte(0x3E) = 8;
        f.Byte(0x3C) = 1;
        f.Byte(0x3B) = 1;
        f.Click("Button2");
        QCOMPARE(f.Status(), QString::fromUtf8(" Konfigurace přečtena."));
        QCOMPARE(f.Get<QLineEdit>("Edit1")->text(), QStringLiteral("42"));
        QCOMPARE(f.Get<QComboBox>("ComboBox1")->currentText(), QStringLiteral("115200 Bd"));
        QCOMPARE(f.Get<QComboBox>("ComboBox3")->currentText(), QString::fromUtf8("lichá"));
        QVERIFY(f.Get<QComboBox>("ComboBox3")->isEnabled());  // Modbus RTU read: parity enabled
        QCOMPARE(f.record.ConfigImage[0], 9);                 // the record changes only on "Ok"

        const std::size_t sent = f.module.sent.size();
        f.Click("Button3");
        QCOMPARE(f.module.sent.size(), sent);
        QVERIFY(!f.dialog->isVisible());
        QCOMPARE(f.record.ConfigImage[0], 42);
        QCOMPARE(f.record.ConfigImage[1], 8);
        QCOMPARE(f.record.ModuleAddress, 1);  // the connection's address is not the module's new one

        Fixture<TForm12> g;
        g.Get<QLineEdit>("Edit1")->setText(QStringLiteral("77"));
        g.Click("Button1");
        QCOMPARE(g.Byte(0x3F), 77);
        g.Click("Button4");
        QCOMPARE(g.record.ConfigImage[0], 1);  // "Cancel" after "Zapsat": module written, record not
    }

    void AddressValidation_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");  // -1: refused
        QTest::newRow("0") << "0" << 0;
        QTest::newRow("255") << "255" << 255;
        QTest::newRow("blanks 255") << "  255" << 255;
        QTest::newRow("hex") << "$1F" << 31;
        QTest::newRow("256") << "256" << -1;
        QTest::newRow("-1") << "-1" << -1;
        QTest::newRow("255 blank") << "255 " << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("letters") << "abc" << -1;
    }
    void AddressValidation() {
        QFETCH(QString, text);
        QFETCH(int, expected);
        Fixture<TForm12> f;
        f.Get<QLineEdit>("Edit1")->setText(text);
        f.Click("Button1");  // "Zapsat"
        if (expected < 0) {
            QCOMPARE(f.Status(), kAddressMessage);
            QVERIFY(f.module.sent.empty());
            f.Click("Button3");  // "Ok" closes without storing
            QVERIFY(!f.dialog->isVisible());
            QCOMPARE(f.record.ConfigImage, rq36::DefaultConfigImage());
        } else {
            QCOMPARE(f.Status(), QString::fromUtf8(" Konfigurace zapsána."));
            QCOMPARE(f.Byte(0x3F), expected);
        }
    }

    // The parity follows the protocol at once; an invalid address refuses
    // the change; the working copy keeps its parity either way.
    void ParityFollowsProtocol() {
        Fixture<TForm12> f;
        auto* protocol = f.Get<QComboBox>("ComboBox2");
        auto* parity = f.Get<QComboBox>("ComboBox3");
        QVERIFY(!parity->isEnabled());
        protocol->setCurrentIndex(1);
        QVERIFY(parity->isEnabled() && f.Get<QLabel>("Label4")->isEnabled());
        parity->setCurrentIndex(2);
        protocol->setCurrentIndex(0);
        QVERIFY(!parity->isEnabled());
        QCOMPARE(f.dialog->Working()[2], 2);

        f.Get<QLineEdit>("Edit1")->setText(QStringLiteral("300"));
        protocol->setCurrentIndex(1);
        QCOMPARE(f.Status(), kAddressMessage);
        QCOMPARE(protocol->currentIndex(), 0);
        QCOMPARE(f.Get<QLineEdit>("Edit1")->text(), QStringLiteral("1"));
    }

    // Codes no list entry stands for show an empty list and are written back
    // as they were: never a code the user did not choose.
    void CodesOutsideTheLists() {
        Fixture<TForm12> f;
        f.Byte(0x3E) = 11;  // speed code of no list entry
        f.Byte(0x3C) = 5;
        f.Byte(0x3B) = 4;
        f.Click("Button2");
        QCOMPARE(f.Get<QComboBox>("ComboBox1")->currentIndex(), -1);
        QVERIFY(!f.Get<QComboBox>("ComboBox3")->isEnabled());
        f.Click("Button1");
        QCOMPARE(f.Status(), QString::fromUtf8(" Konfigurace zapsána."));
        QCOMPARE(f.Byte(0x3E), 11);
        QCOMPARE(f.Byte(0x3C), 5);
        QCOMPARE(f.Byte(0x3B), 4);

        Fixture<TForm13> r;
        r.Byte(0x01) = 0x11;  // low four bits 1: "+/- 5V DC"
        r.Byte(0x02) = 0x0E;  // 14: no range
        r.Click("Button2");
        QCOMPARE(r.Get<QComboBox>("ComboBox2")->currentText(), QStringLiteral("+/- 5V DC"));
        QCOMPARE(r.Get<QComboBox>("ComboBox3")->currentIndex(), -1);
        QCOMPARE(r.dialog->Working()[5], 0x11);  // kept until PrectiOkno runs
        r.Click("Button1");
        QCOMPARE(r.Byte(0x01), 1);
        QCOMPARE(r.Byte(0x02), 0x0E);
    }

    void RangeWriteOrder() {
        Fixture<TForm13> f;
        const int codes[] = {13, 0, 6, 7, 12, 5};
        for (int i = 0; i < 6; ++i)
            f.template Get<QComboBox>(QStringLiteral("ComboBox%1").arg(i + 1))->setCurrentIndex(codes[i]);
        f.Click("Button1");
        QCOMPARE(f.Status(), QString::fromUtf8(" Konfigurace zapsána."));
        QCOMPARE(f.module.sent.size(), 12u);
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(f.module.sent[2 * i].command, rq36::kCmdWriteConfigByte);
            QCOMPARE(f.module.sent[2 * i].data[1], i);
            QCOMPARE(f.module.sent[2 * i].data[3], codes[i]);
            QCOMPARE(f.module.sent[2 * i + 1].command, rq36::kCmdReadConfigByte);
        }
    }

    // Only bits 0 and 1 of port 0 are shown; "Ok" drops the rest and
    // "Zapsat" writes 0 to ports 1 to 3 whatever was read there.
    void DigitalOptions() {
        Fixture<TForm14> f;
        QVERIFY(f.Get<QCheckBox>("CheckBox1")->isChecked() && f.Get<QCheckBox>("CheckBox34")->isChecked());
        QVERIFY(!f.Get<QCheckBox>("CheckBox65")->isChecked());
        f.Byte(0x21) = 0xFE;
        for (std::uint8_t a : {0x23, 0x24, 0x25, 0x2A}) f.Byte(a) = 0x5A;
        f.Click("Button2");
        QVERIFY(!f.Get<QCheckBox>("CheckBox1")->isChecked());
        QVERIFY(f.Get<QCheckBox>("CheckBox2")->isChecked());
        f.Click("Button1");
        for (std::uint8_t a = 0x23; a <= 0x2B; ++a) QCOMPARE(f.Byte(a), 0);
        QCOMPARE(f.Byte(0x21), 0x02);
        f.Click("Button3");
        QCOMPARE(f.record.ConfigImage[11], 0x02);
    }

    void NotConnectedSendsNothing() {
        Fixture<TForm14> f(false);
        f.Click("Button2");
        QCOMPARE(f.Status(), kNotConnected);
        f.Click("Button1");
        QCOMPARE(f.Status(), kNotConnected);
        QVERIFY(f.module.sent.empty());

        Fixture<TFormRestartModulu> r(false);
        r.Click("Button1");
        QCOMPARE(r.Status(), kNotConnected);
        QVERIFY(r.module.sent.empty());
    }

    // "Cancel" in the middle of a write: the run is written to its end (a
    // module is never left half configured), the dialog meanwhile says it
    // is closing under the wait cursor, and closes when the write returned.
    // A read stops after the byte in hand.
    void CancelDuringATransfer() {
        const QString closing = QString::fromUtf8(rq36::kClosingText);
        Fixture<TForm14> f;
        QStringList statusesAfterCancel;
        bool waitCursorAfterCancel = true;
        f.module.onSend = [&](const rq36::ModuleCommand&) {
            if (f.module.sent.size() == 3) QTimer::singleShot(0, f.dialog.get(), [&f] { f.Click("Button4"); });
            if (f.module.sent.size() > 4) {
                statusesAfterCancel << f.Status();
                const QCursor* cursor = QApplication::overrideCursor();
                waitCursorAfterCancel = waitCursorAfterCancel && cursor != nullptr && cursor->shape() == Qt::WaitCursor;
            }
        };
        f.Click("Button1");
        QVERIFY(!f.dialog->isVisible());
        QCOMPARE(f.module.sent.size(), 24u);  // all twelve bytes written and read back
        QCOMPARE(f.module.sent.back().command, rq36::kCmdReadConfigByte);
        QCOMPARE(statusesAfterCancel.size(), 20);
        QVERIFY(statusesAfterCancel.front() == closing && statusesAfterCancel.back() == closing);
        QVERIFY(waitCursorAfterCancel);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QCOMPARE(f.record.ConfigImage, rq36::DefaultConfigImage());

        Fixture<TForm14> r;
        r.module.onSend = [&r](const rq36::ModuleCommand&) {
            if (r.module.sent.size() == 3) QTimer::singleShot(0, r.dialog.get(), [&r] { r.Click("Button4"); });
        };
        r.Click("Button2");
        QVERIFY(!r.dialog->isVisible());
        QCOMPARE(r.module.sent.size(), 3u);

        // A second transfer is not started inside a running one.
        Fixture<TForm13> g;
        g.module.onSend = [&g](const rq36::ModuleCommand&) {
            if (g.module.sent.size() == 1) QTimer::singleShot(0, g.dialog.get(), [&g] { g.Click("Button2"); });
        };
        g.Click("Button1");
        QCOMPARE(g.module.sent.size(), 12u);
        QCOMPARE(g.Status(), QString::fromUtf8(" Konfigurace zapsána."));
    }

    void RestartTwice() {
        Fixture<TFormRestartModulu> f;
        f.Click("Button1");
        QCOMPARE(f.Status(), QString::fromUtf8(" Modul restartován."));
        f.module.failAt = 2;
        f.Click("Button1");
        QCOMPARE(f.Status(), QStringLiteral(" text 4"));
        QCOMPARE(f.module.sent.size(), 2u);
        for (const rq36::ModuleCommand& c : f.module.sent) {
            QCOMPARE(c.command, rq36::kCmdWriteRegister);
            QCOMPARE(c.d0, 0xFF);
            QCOMPARE(c.data, (std::array<std::uint8_t, 5>{0, 0xFF, 0x01, 0x00, 0xFF}));
        }
        QVERIFY(f.dialog->isVisible());  // stays open until "Cancel"
    }

    // Each dialog as a user sees it: captions, nothing clipped.
    void Screenshots() {
        const QString folder = QStringLiteral(RQ36_UI_SHOTS_DIR);
        QDir().mkpath(folder);
        Fixture<TForm12> a;
        a.Click("Button2");
        QVERIFY(a.dialog->grab().save(folder + QStringLiteral("/address_dialog.png")));
        QCOMPARE(a.dialog->windowTitle(), QString::fromUtf8(" Nastavení komunikační adresy a rychlosti"));
        Fixture<TForm13> r;
        QVERIFY(r.dialog->grab().save(folder + QStringLiteral("/range_dialog.png")));
        Fixture<TForm14> d;
        QVERIFY(d.dialog->grab().save(folder + QStringLiteral("/digital_dialog.png")));
        Fixture<TFormRestartModulu> s;
        s.Click("Button1");
        QVERIFY(s.dialog->grab().save(folder + QStringLiteral("/restart_dialog.png")));
        for (QWidget* w :
             std::initializer_list<QWidget*>{a.dialog.get(), r.dialog.get(), d.dialog.get(), s.dialog.get()})
            for (QLabel* label : w->findChildren<QLabel*>())
                QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width() + 1,
                         qPrintable(label->text()));
    }
};

QTEST_MAIN(ConfigDialogsTest)
#include "config_dialogs_test.moc"
