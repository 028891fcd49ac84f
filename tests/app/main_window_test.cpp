// The main window: its menu and status bar, start-up with and without a
// settings file, the connection item, the help item and about box, and the
// closing order (settings written before the library's Done), also when the
// settings cannot be written.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QtTest>

#include "about_box.h"
#include "connection_panel.h"
#include "elided_label.h"
#include "interface/binding.h"
#include "interface/connection_dialog.h"
#include "interface/connection_logic.h"
#include "interface/scan_dialog.h"
#include "interface/traffic_monitor.h"
#include "main_window.h"
#include "module/analog_range_dialog.h"
#include "module/communication_dialog.h"
#include "module/restart_dialog.h"
#include "scripted_module.h"
#include "ui_test_support.h"

using rq36::test::Fake;
using rq36::test::WhenModalShown;

namespace {

QStringList Captions(const QList<QAction*>& actions) {
    QStringList captions;
    for (const QAction* a : actions) captions << a->text();
    return captions;
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Connects the window's record through the fake library without a dialog.
bool ConnectRecord(TForm1& window) {
    rq36::ConnectionInputs inputs;
    inputs.addressText = QStringLiteral("1");
    inputs.parameter1 = QStringLiteral("1");
    return rq36::InitializeConnection(*window.Settings(), inputs, {}).connected;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString settingsPath_;
    QStringList messages_;
    QList<QUrl> opened_;
    bool openFails_ = false;

    rq36::MainWindowHooks Hooks() {
        rq36::MainWindowHooks hooks;
        hooks.settingsPath = settingsPath_;
        hooks.reportSaveFailure = [this](const QString& m) { messages_ << QStringLiteral("save: ") + m; };
        hooks.showMessage = [this](const QString& m) { messages_ << m; };
        hooks.openUrl = [this](const QUrl& url) {
            opened_ << url;
            return !openFails_;
        };
        return hooks;
    }

private slots:
    void initTestCase() {
        rq36::test::UseFakeLibraries();
        // Windows close and reopen here all the time; the test ends itself.
        QApplication::setQuitOnLastWindowClosed(false);
    }
    void init() {
        settingsPath_ = dir_.filePath(QStringLiteral("W_rq36.ini"));
        QFile::remove(settingsPath_);
        messages_.clear();
        opened_.clear();
        openFails_ = false;
    }

    void WindowMenuAndStatusBar() {
        TForm1 w(nullptr, Hooks());
        w.show();
        QCOMPARE(w.windowTitle(), QStringLiteral(" RQ-36  -  nastavení modulu"));
        QCOMPARE(w.size(), QSize(600, 400));

        QMenuBar* bar = w.menuBar();
        // "Nápověda" follows a separator, which puts it at the right end.
        QCOMPARE(Captions(bar->actions()), (QStringList{QStringLiteral("&Připojení"), QStringLiteral("&Nastavení"),
                                                        QStringLiteral("&Okamžité hodnoty"), QStringLiteral("&Konec"),
                                                        QString(), QStringLiteral("Nápověda")}));
        // "Připojení": the connection dialog, the scan window and the
        // traffic monitor.
        QCOMPARE(Captions(bar->actions().at(0)->menu()->actions()),
                 (QStringList{QStringLiteral("Připojení modulu…"), QStringLiteral("Vyhledat moduly…"),
                              QStringLiteral("Komunikace…")}));
        QVERIFY(bar->actions().at(3)->menu() == nullptr);
        QCOMPARE(
            Captions(bar->actions().at(1)->menu()->actions()),
            (QStringList{QStringLiteral("Adresa, rychlost"), QStringLiteral("Analogové vstupy"),
                         QStringLiteral("Digitální vstupy/výstupy"), QStringLiteral("Kalibrace vstupů"),
                         QStringLiteral("Restart modulu"), QString(), QStringLiteral("Uložit konfiguraci do souboru…"),
                         QStringLiteral("Porovnat s modulem…"), QStringLiteral("Obnovit konfiguraci ze souboru…"),
                         QStringLiteral("Klonovat na další moduly…"), QStringLiteral("Obnovit kalibraci ze zálohy…")}));
        QCOMPARE(Captions(bar->actions().at(2)->menu()->actions()),
                 (QStringList{QStringLiteral("Analogové vstupy"), QStringLiteral("Čítače"),
                              QStringLiteral("Digitální vstupy"), QStringLiteral("Digitální výstupy"),
                              QStringLiteral("Status registr"), QStringLiteral("Záznam a graf…")}));
        for (const char* name : {"Pipojen1", "Vyhledatmoduly1", "AdresaRychlost1", "NastavAIN1", "NastavDIO1",
                                 "Kalibracevstup1", "Restartmodulu1", "OkamAIN2", "OkamCNT", "OkamDIN2", "OkamDOUT1",
                                 "Statusregistr1", "ZaznamGraf1", "Konec2", "Oprogramu1", "Npovda2"}) {
            QVERIFY2(w.findChild<QAction*>(QString::fromLatin1(name)), name);
        }

        // "Nápověda" at the right end of the one menu bar, where keyboard
        // navigation and screen readers reach it.
        QAction* helpItem = bar->actions().at(5);
        QCOMPARE(Captions(helpItem->menu()->actions()),
                 (QStringList{QStringLiteral("O programu"), QStringLiteral("Nápověda")}));
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(bar->actionGeometry(helpItem).left() > bar->actionGeometry(bar->actions().at(3)).right() + 100);
        QVERIFY(bar->actionGeometry(helpItem).right() >= bar->width() - 12);

        // A configuration item opens its dialog, modal, owned by the window,
        // with the record; it is destroyed after use.
        bool opened = false;
        WhenModalShown<TForm13>([&](TForm13* d) {
            opened = d->parentWidget() == &w && d->Settings() == w.Settings();
            d->reject();
        });
        w.findChild<QAction*>(QStringLiteral("NastavAIN1"))->trigger();
        QVERIFY(opened);
        QVERIFY(w.findChildren<TForm13*>().isEmpty());
        bool scanOpened = false;
        WhenModalShown<TFormVyhledani>([&](TFormVyhledani* d) {
            scanOpened = d->parentWidget() == &w && d->Settings() == w.Settings();
            d->reject();
        });
        w.findChild<QAction*>(QStringLiteral("Vyhledatmoduly1"))->trigger();
        QVERIFY(scanOpened);

        // Status bar: four panels, initial texts, widths.
        const QStringList initial = {QStringLiteral(" Modul"), QStringLiteral(" Adresa"), QStringLiteral(" Rychlost"),
                                     QString()};
        const int widths[] = {140, 80, 120};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(w.PanelText(i), initial[i]);
            auto* panel = w.statusBar()->findChild<QLabel*>(QStringLiteral("StatusBar1Panel%1").arg(i));
            QVERIFY(panel);
            if (i < 3) {
                // The design width, or wider where the font needs it.
                QVERIFY(panel->width() >= widths[i]);
                QVERIFY(panel->width() <= widths[i] * 3 / 2);
            }
        }
        QCOMPARE(w.statusBar()->objectName(), QStringLiteral("StatusBar1"));
    }

    void StartUpWithoutFileUsesDefaults() {
        TForm1 w(nullptr, Hooks());
        QVERIFY(w.Settings());
        QCOMPARE(w.Settings()->InterfaceKind, 0);
        QCOMPARE(w.Settings()->ModuleAddress, 1);
        QCOMPARE(w.Settings()->ModuleIdentity, QStringLiteral("???"));
        QVERIFY(messages_.isEmpty());
        QVERIFY(!rq36::InterfaceLoaded());
    }

    void StartUpReadsTheFile() {
        {
            rq36::ConnectionSettings s;
            rq36::SetDefaults(&s);
            s.InterfaceKind = 6;
            s.EuartIndex = 2;
            s.ModuleAddress = 17;
            QVERIFY(rq36::SaveSettings(&s, settingsPath_));
        }
        TForm1 w(nullptr, Hooks());
        QCOMPARE(w.Settings()->InterfaceKind, 6);
        QCOMPARE(w.Settings()->EuartIndex, 2);
        QCOMPARE(w.Settings()->ModuleAddress, 17);
        QCOMPARE(w.PanelText(1), QStringLiteral(" Adresa"));  // nothing shown before a connection
    }

    void ConnectionItemCancelledRefreshesThePanels() {
        TForm1 w(nullptr, Hooks());
        w.show();
        WhenModalShown<TFormPripojeni>([](TFormPripojeni* d) {
            QCOMPARE(d->parentWidget() != nullptr, true);
            d->findChild<QPushButton*>(QStringLiteral("Button2"))->click();
        });
        w.findChild<QAction*>(QStringLiteral("Pipojen1"))->trigger();
        // Not connected: the panels show no module.
        QCOMPARE(w.PanelText(0), QStringLiteral(" Modul"));
        QCOMPARE(w.PanelText(1), QStringLiteral(" Adresa"));
        QCOMPARE(w.PanelText(2), QStringLiteral(" Rychlost"));
        QVERIFY(w.findChildren<TFormPripojeni*>().isEmpty());  // destroyed after use
    }

    void ConnectionItemShowsTheConnectedModule() {
        Fake fake;
        fake.SetIdentity("RQ-36   2.10");
        TForm1 w(nullptr, Hooks());
        w.show();
        WhenModalShown<TFormPripojeni>([](TFormPripojeni* d) {
            d->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QStringLiteral("12"));
            d->findChild<QComboBox*>(QStringLiteral("ComboBox1"))->setCurrentIndex(5);
            d->findChild<QPushButton*>(QStringLiteral("Button1"))->click();
            d->findChild<QPushButton*>(QStringLiteral("Button2"))->click();
        });
        w.findChild<QAction*>(QStringLiteral("Pipojen1"))->trigger();
        QCOMPARE(w.PanelText(0), QStringLiteral(" Modul  RQ-36    v.2.10"));
        QCOMPARE(w.PanelText(1), QStringLiteral(" Adresa  12"));
        QCOMPARE(w.PanelText(2), QStringLiteral(" Rychlost  19200Bd"));
        for (int i = 0; i < 3; ++i) {  // nothing is cut off
            const auto* panel = w.statusBar()->findChild<QLabel*>(QStringLiteral("StatusBar1Panel%1").arg(i));
            QVERIFY(panel->fontMetrics().horizontalAdvance(panel->text()) <= panel->contentsRect().width());
        }
        w.close();
        QCOMPARE(fake.Count("Done"), 1);
        QVERIFY(!rq36::InterfaceLoaded());
    }

    // A failed attempt has closed the working connection: neither the status
    // bar nor the reopened dialog may still speak of the old module.
    void FailedAttemptAfterAConnectionShowsNoModule() {
        Fake fake;
        TForm1 w(nullptr, Hooks());
        w.show();
        QVERIFY(ConnectRecord(w));
        w.RefreshStatusBar();
        QCOMPARE(w.PanelText(1), QStringLiteral(" Adresa  1"));
        fake.Script().failSendAt = fake.Script().sendCalls + 1;
        fake.Script().failStatus = 4;
        WhenModalShown<TFormPripojeni>([](TFormPripojeni* d) {
            d->findChild<QPushButton*>(QStringLiteral("Button1"))->click();
            d->findChild<QPushButton*>(QStringLiteral("Button2"))->click();
        });
        w.findChild<QAction*>(QStringLiteral("Pipojen1"))->trigger();
        QVERIFY(!w.Settings()->Connected);
        QCOMPARE(w.PanelText(0), QStringLiteral(" Modul"));
        QCOMPARE(w.PanelText(1), QStringLiteral(" Adresa"));
        QString shown;
        WhenModalShown<TFormPripojeni>([&](TFormPripojeni* d) {
            shown = d->findChild<QLabel*>(QStringLiteral("Panel1"))->text();
            d->reject();
        });
        w.findChild<QAction*>(QStringLiteral("Pipojen1"))->trigger();
        QCOMPARE(shown, QStringLiteral("Připojení modulu dosud neinicializováno"));
    }

    void ClosingWritesTheSettingsBeforeDone() {
        Fake fake;
        fake.WatchAtDone(settingsPath_.toStdString());
        TForm1 w(nullptr, Hooks());
        w.show();
        QVERIFY(ConnectRecord(w));
        w.Settings()->ComPort = 7;  // a change only the new file can hold
        QVERIFY(!QFile::exists(settingsPath_));
        w.findChild<QAction*>(QStringLiteral("Konec2"))->trigger();
        // The file as Done found it: already written.
        const QString atDone = QString::fromStdString(fake.Watched());
        QVERIFY2(atDone.contains(QStringLiteral("Adresa=1")) && atDone.contains(QStringLiteral("=7")),
                 qPrintable(atDone));
        QVERIFY(fake.Calls().back() == "Done");
        QCOMPARE(fake.Count("Done"), 1);
        QVERIFY(!rq36::InterfaceLoaded());
        QVERIFY(w.Settings() == nullptr);  // the record is freed
        QVERIFY(!w.isVisible());
        QVERIFY(messages_.isEmpty());
    }

    void ClosingWithoutConnectionCallsNoDone() {
        Fake fake;
        TForm1 w(nullptr, Hooks());
        w.show();
        w.close();
        QVERIFY(fake.Calls().empty());
        // The file a run without changes leaves.
        const QByteArray file = FileBytes(settingsPath_);
        QVERIFY(file.contains("=COMx"));
        QVERIFY(file.contains("Adresa=1"));
        QVERIFY(file.contains("Rychlost=9600"));
    }

    void FailedAttemptIsSavedWithTheOldAddressAndSpeed() {
        Fake fake('E');
        fake.Script().initResult = 3;
        TForm1 w(nullptr, Hooks());
        w.show();
        WhenModalShown<TFormPripojeni>([](TFormPripojeni* d) {
            d->findChild<QComboBox*>(QStringLiteral("ComboBox2"))->setCurrentIndex(4);
            d->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QStringLiteral("33"));
            d->findChild<QComboBox*>(QStringLiteral("ComboBox1"))->setCurrentIndex(0);
            d->findChild<QLineEdit*>(QStringLiteral("Edit2"))->setText(QStringLiteral("10.9.8.7"));
            d->findChild<QLineEdit*>(QStringLiteral("Edit3"))->setText(QStringLiteral("7000"));
            d->findChild<QLineEdit*>(QStringLiteral("Edit4"))->setText(QStringLiteral("3000"));
            d->findChild<QPushButton*>(QStringLiteral("Button1"))->click();  // Init fails
            d->findChild<QPushButton*>(QStringLiteral("Button2"))->click();
        });
        w.findChild<QAction*>(QStringLiteral("Pipojen1"))->trigger();
        QCOMPARE(w.PanelText(1), QStringLiteral(" Adresa"));
        w.close();
        rq36::ConnectionSettings reread;
        rq36::SetDefaults(&reread);
        QVERIFY(rq36::LoadSettings(&reread, settingsPath_));
        QCOMPARE(reread.InterfaceKind, 4);
        QCOMPARE(reread.IpAddress, QStringLiteral("10.9.8.7"));
        QCOMPARE(reread.UdpPort, 7000);
        QCOMPARE(reread.UdpTimeout, 3000);
        QCOMPARE(reread.ModuleAddress, 1);
        QCOMPARE(reread.Speed, 9600);
    }

    void FailedSaveIsReportedAndClosingCompletes() {
        Fake fake;
        settingsPath_ = dir_.filePath(QStringLiteral("no-such-folder/W_rq36.ini"));
        TForm1 w(nullptr, Hooks());
        w.show();
        QVERIFY(ConnectRecord(w));
        w.close();
        QCOMPARE(messages_.size(), 1);
        QVERIFY(messages_[0].startsWith(QStringLiteral("save: Nastavení programu se nepodařilo uložit")));
        QVERIFY(messages_[0].contains(QStringLiteral("no-such-folder")));
        QCOMPARE(fake.Count("Done"), 1);  // closing went on
        QVERIFY(!rq36::InterfaceLoaded());
        QVERIFY(w.Settings() == nullptr);
    }

    void WithoutRecordOnlyExitAndHelpWork() {
        Fake fake;
        rq36::MainWindowHooks hooks = Hooks();
        hooks.createRecord = [] { return std::unique_ptr<rq36::ConnectionSettings>(); };
        TForm1 w(nullptr, hooks);
        w.show();
        QCOMPARE(w.PanelText(3), QStringLiteral(" Nelze vytvořit datové struktury programu"));
        w.Pipojen1Click();  // returns at once: no dialog to wait for
        QCOMPARE(w.PanelText(0), QStringLiteral(" Modul"));
        w.findChild<QAction*>(QStringLiteral("Npovda2"))->trigger();
        QCOMPARE(messages_.size(), 1);
        w.close();
        QVERIFY(!QFile::exists(settingsPath_));
        QVERIFY(fake.Calls().empty());
    }

    void HelpItemLooksInTheWorkingDirectory() {
        TForm1 w(nullptr, Hooks());
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir_.path()));
        w.findChild<QAction*>(QStringLiteral("Npovda2"))->trigger();
        QCOMPARE(messages_, QStringList{QStringLiteral("Nenalezen soubor W_rq36_Napoveda.pdf")});
        QVERIFY(QDir(dir_.path()).mkdir(QStringLiteral("W_rq36_Napoveda.pdf")));  // a folder is no document
        w.findChild<QAction*>(QStringLiteral("Npovda2"))->trigger();
        QCOMPARE(messages_.size(), 2);
        QVERIFY(opened_.isEmpty());
        QVERIFY(QDir(dir_.path()).rmdir(QStringLiteral("W_rq36_Napoveda.pdf")));

        QFile document(dir_.filePath(QStringLiteral("W_rq36_Napoveda.pdf")));
        QVERIFY(document.open(QIODevice::WriteOnly));
        document.close();
        w.findChild<QAction*>(QStringLiteral("Npovda2"))->trigger();
        QCOMPARE(opened_.size(), 1);
        QCOMPARE(opened_[0], QUrl::fromLocalFile(QFileInfo(document.fileName()).absoluteFilePath()));
        QCOMPARE(messages_.size(), 2);
        // No viewer: the message names the file.
        openFails_ = true;
        w.findChild<QAction*>(QStringLiteral("Npovda2"))->trigger();
        QCOMPARE(messages_.size(), 3);
        QVERIFY2(messages_[2].startsWith(QStringLiteral("Nelze otevřít soubor ")) &&
                     messages_[2].contains(QDir::toNativeSeparators(QFileInfo(document.fileName()).absoluteFilePath())),
                 qPrintable(messages_[2]));
        QVERIFY(QDir::setCurrent(previous));
        QFile::remove(document.fileName());
    }

    void AboutBox() {
        TForm1 w(nullptr, Hooks());
        w.show();
        w.move(w.screen()->availableGeometry().topLeft());
        bool checked = false;
        WhenModalShown<TFormOProgramu>([this, &checked](TFormOProgramu* box) {
            QCOMPARE(box->windowTitle(), QStringLiteral(" O programu"));
            QCOMPARE(box->size(), QSize(410, 198));
            // Centred on the screen, not on the main window moved to its corner.
            const QPoint offset = box->frameGeometry().center() - box->screen()->availableGeometry().center();
            QVERIFY2(offset.manhattanLength() <= 2,
                     qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
            auto* name = box->findChild<QLabel*>(QStringLiteral("Label1"));
            QCOMPARE(name->text(), QStringLiteral("W_RQ36"));
            QVERIFY(name->font().bold());
            QCOMPARE(box->findChild<QLabel*>(QStringLiteral("Label2"))->text(), QStringLiteral("Verze  1.06"));
            QVERIFY(!box->findChild<QLabel*>(QStringLiteral("Label3"))->text().isEmpty());
            QVERIFY(!box->findChild<QLabel*>(QStringLiteral("Label4"))->text().isEmpty());
            QCOMPARE(box->findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().size(), QSize(97, 57));
            auto* link = box->findChild<QLabel*>(QStringLiteral("Label5"));
            QVERIFY(link->font().underline());
            QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
            QTest::mouseClick(link, Qt::LeftButton);
            QCOMPARE(opened_, QList<QUrl>{rq36::MakerWebAddress()});
            QVERIFY(messages_.isEmpty());
            openFails_ = true;  // no browser: the message names the address
            QTest::mouseClick(link, Qt::LeftButton);
            QCOMPARE(messages_.size(), 1);
            QVERIFY2(messages_[0].contains(rq36::MakerWebAddress().toString()), qPrintable(messages_[0]));
            QVERIFY(box->grab().save(QStringLiteral(RQ36_UI_SHOTS_DIR "/about_box.png")));
            checked = true;
            box->findChild<QPushButton*>(QStringLiteral("Button1"))->click();
        });
        QDir().mkpath(QStringLiteral(RQ36_UI_SHOTS_DIR));
        w.findChild<QAction*>(QStringLiteral("Oprogramu1"))->trigger();
        QVERIFY(checked);
        QVERIFY(w.findChildren<TFormOProgramu*>().isEmpty());
        QVERIFY(w.grab().save(QStringLiteral(RQ36_UI_SHOTS_DIR "/main_window.png")));
    }

    // ---- the client area ----

    void ClientAreaShowsTheConnection() {
        Fake fake;
        TForm1 w(nullptr, Hooks());
        w.show();
        ConnectionPanel* overview = w.Overview();
        QVERIFY(overview);
        QCOMPARE(overview->RowValue(QStringLiteral("Rozhraní")),
                 QStringLiteral("Standardní COMx (protokol Vextbus-2)"));
        QCOMPARE(overview->RowValue(QStringLiteral("Port")), QStringLiteral("COM1"));
        QCOMPARE(overview->RowValue(QStringLiteral("Modul")), QString::fromUtf8(rq36::kOverviewNotConnected));
        QCOMPARE(overview->RowValue(QStringLiteral("Poslední úspěšná výměna")),
                 QString::fromUtf8(rq36::kOverviewNoExchange));

        QVERIFY(ConnectRecord(w));
        w.RefreshStatusBar();
        QCOMPARE(overview->RowValue(QStringLiteral("Modul")), QStringLiteral("RQ-36    v.1.00"));
        // The identification's exchanges show, a moment later, as the last one.
        QTRY_VERIFY(overview->RowValue(QStringLiteral("Poslední úspěšná výměna")) !=
                    QString::fromUtf8(rq36::kOverviewNoExchange));
        QVERIFY(w.grab().save(QStringLiteral(RQ36_UI_SHOTS_DIR "/main_window_connected.png")));
    }

    // Each button of the client area triggers its menu item.
    void ClientAreaButtonsTriggerTheMenuItems() {
        TForm1 w(nullptr, Hooks());
        w.show();
        const char* items[] = {"Pipojen1", "Vyhledatmoduly1", "OkamAIN2",        "OkamCNT",
                               "OkamDIN2", "Statusregistr1",  "AdresaRychlost1", "NastavAIN1"};
        for (const char* name : items) {
            auto* action = rq36::test::Child<QAction>(&w, name);
            QPushButton* button = w.Overview()->ButtonFor(action);
            QVERIFY2(button, name);
            QCOMPARE(button->text(), action->text());
            QSignalSpy spy(action, &QAction::triggered);
            QString opened;
            WhenModalShown<QDialog>([&opened](QDialog* d) { opened = d->objectName(); });
            button->click();
            QCOMPARE(spy.count(), 1);
            QVERIFY2(!opened.isEmpty(), name);
        }
        auto* monitorItem = rq36::test::Child<QAction>(&w, "Komunikace1");
        w.Overview()->ButtonFor(monitorItem)->click();
        QVERIFY(w.Monitor() && w.Monitor()->isVisible());
    }

    // The status bar shows a long text whole where it fits, else cut in the
    // middle with the whole text as tooltip.
    void LongPanelTextIsElided() {
        TForm1 w(nullptr, Hooks());
        w.show();
        auto* panel = w.statusBar()->findChild<ElidedLabel*>(QStringLiteral("StatusBar1Panel0"));
        QVERIFY(panel);
        panel->SetText(QStringLiteral(" Modul  RQ-36"));
        QVERIFY(!panel->Elided());
        QVERIFY(panel->toolTip().isEmpty());
        const QString longText =
            QStringLiteral(" Modul  /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10KXYZ-if00-port0");
        panel->SetText(longText);
        QVERIFY(panel->Elided());
        QCOMPARE(panel->text(), longText);
        QCOMPARE(panel->toolTip(), longText);
        QVERIFY(panel->ShownText().contains(QChar(0x2026)));
        QVERIFY(panel->ShownText().endsWith(QStringLiteral("port0")));
        QVERIFY(panel->fontMetrics().horizontalAdvance(panel->ShownText()) <= panel->contentsRect().width());
    }

    // After a restart the module answers with what its memory holds: the
    // window offers to connect anew only when that differs from the
    // connection, and on yes connects with it.
    void RestartOffersToReconnectWhenTheSettingsDiffer() {
        Fake fake;
        rq36::test::ScriptedModule module;
        QStringList questions;
        rq36::MainWindowHooks hooks = Hooks();
        hooks.moduleLink = &module;
        hooks.askQuestion = [&questions](const QString& q) {
            questions << q;
            return true;
        };
        TForm1 w(nullptr, hooks);
        w.show();
        QVERIFY(ConnectRecord(w));
        const auto restart = [&w] {
            WhenModalShown<TFormRestartModulu>([](TFormRestartModulu* d) {
                rq36::test::Click(d, "Button1");
                QCOMPARE(d->StatusText(), QString::fromUtf8(rq36::kRestartedText));
            });
            w.findChild<QAction*>(QStringLiteral("Restartmodulu1"))->trigger();
        };
        restart();  // nothing known of the module's memory
        QVERIFY(questions.isEmpty());

        // The address dialog writes the module's own settings: unchanged, then
        // address 7 at 19200 Bd.
        const auto write = [&w](const QString& address, int speedIndex) {
            WhenModalShown<TForm12>([address, speedIndex](TForm12* d) {
                rq36::test::Child<QLineEdit>(d, "Edit1")->setText(address);
                rq36::test::Child<QComboBox>(d, "ComboBox1")->setCurrentIndex(speedIndex);
                rq36::test::Click(d, "Button1");
            });
            w.findChild<QAction*>(QStringLiteral("AdresaRychlost1"))->trigger();
        };
        write(QStringLiteral("1"), 2);  // 9600 Bd
        restart();
        QVERIFY(questions.isEmpty());

        write(QStringLiteral("7"), 3);  // 19200 Bd
        QString status;
        WhenModalShown<TFormPripojeni>([&status](TFormPripojeni* d) {
            QTRY_VERIFY(d->findChild<QLabel*>(QStringLiteral("Panel1"))
                            ->text()
                            .startsWith(QString::fromUtf8(rq36::kStatusSuccessPrefix)));
            status = d->findChild<QLabel*>(QStringLiteral("Panel1"))->text();
        });
        restart();
        QCOMPARE(questions.size(), 1);
        QVERIFY(questions[0].contains(QStringLiteral("adresa 7, rychlost 19200 Bd, protokol Vextbus-2")));
        QVERIFY(!status.isEmpty());
        QCOMPARE(w.Settings()->ModuleAddress, 7);
        QCOMPARE(w.Settings()->Speed, 19200);
        QVERIFY(rq36::IsConnected(w.Settings()));
        QCOMPARE(w.PanelText(1), QStringLiteral(" Adresa  7"));
        QCOMPARE(w.PanelText(2), QStringLiteral(" Rychlost  19200Bd"));
        QCOMPARE(w.Overview()->RowValue(QStringLiteral("Adresa modulu")), QStringLiteral("7"));

        restart();  // connected as the module now is: no second offer
        QCOMPARE(questions.size(), 1);
        w.close();
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
