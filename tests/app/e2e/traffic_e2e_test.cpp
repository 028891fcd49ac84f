// The traffic monitor beside a live view, against the simulated module
// behind ORSG: rows while the view polls, the monitor usable (filtered,
// scrolled, saved) while the view blocks the main window, and ORSG's
// diagnostic window usable meanwhile too.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QtTest>

#include "interface/binding.h"
#include "interface/connection_dialog.h"
#include "interface/traffic_monitor.h"
#include "live/digital_views.h"
#include "main_window.h"
#include "module/command_set.h"
#include "ui_test_support.h"

using rq36::test::WhenModalShown;

class TrafficEndToEndTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    // ORS-G with its diagnostic window.
    static void ConnectOrsg(TForm1& window) {
        WhenModalShown<TFormPripojeni>([&](TFormPripojeni* d) {
            d->findChild<QComboBox*>(QStringLiteral("ComboBox2"))->setCurrentIndex(6);
            d->findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->setChecked(true);
            d->findChild<QPushButton*>(QStringLiteral("Button1"))->click();
            d->reject();
        });
        window.findChild<QAction*>(QStringLiteral("Pipojen1"))->trigger();
    }

    static QWidget* DiagnosticWindow() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle().startsWith(QStringLiteral(" ORSG"))) return w;
        return nullptr;
    }

private slots:
    void initTestCase() {
        qputenv("RQ36_SIM_STATE", ":memory:");
        qunsetenv("RQ36_SIM_FAULT");
        rq36::SetInterfaceLibraryFolder(RQ36_BIN_DIR);
        QApplication::setQuitOnLastWindowClosed(false);
    }

    void MonitorAndDiagnosticWindowBesideALiveView() {
        rq36::MainWindowHooks hooks;
        hooks.settingsPath = dir_.filePath(QStringLiteral("W_rq36.ini"));
        TForm1 window(nullptr, hooks);
        window.show();
        ConnectOrsg(window);
        QVERIFY(rq36::IsConnected(window.Settings()));
        QWidget* diagnostic = DiagnosticWindow();
        QVERIFY(diagnostic);

        window.findChild<QAction*>(QStringLiteral("Komunikace1"))->trigger();
        TFormKomunikace* monitor = window.Monitor();
        QVERIFY(monitor && monitor->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(monitor));
        const QString csv = dir_.filePath(QStringLiteral("komunikace.csv"));
        monitor->SetSavePathSource([csv] { return csv; });

        bool checked = false;
        WhenModalShown<TFormOkamDIN>([&](TFormOkamDIN* d) {
            QVERIFY(d->windowModality() == Qt::WindowModal);
            // The view polls; the monitor shows its exchanges.
            QTRY_VERIFY(monitor->Model()->rowCount() >= 20);
            QTableView* table = monitor->Table1;
            QTRY_COMPARE(table->verticalScrollBar()->value(), table->verticalScrollBar()->maximum());

            // A click into the monitor reaches it while the view blocks the
            // main window: only failures (none on a good line).
            QTest::mouseClick(monitor->CheckChyby, Qt::LeftButton, {}, QPoint(8, monitor->CheckChyby->height() / 2));
            QVERIFY(monitor->CheckChyby->isChecked());
            QCOMPARE(monitor->Model()->rowCount(), 0);
            monitor->CheckChyby->setChecked(false);
            monitor->ComboPrikaz->setCurrentIndex(monitor->ComboPrikaz->findData(rq36::kCmdReadRegister));
            QVERIFY(monitor->Model()->rowCount() > 0);

            // Scrolled up, it stays where the user put it.
            table->verticalScrollBar()->setValue(0);
            const int rows = monitor->Model()->rowCount();
            QTRY_VERIFY(monitor->Model()->rowCount() > rows + 5);
            QCOMPARE(table->verticalScrollBar()->value(), 0);

            // ORSG's window takes a click too: "Smazat Přehled".
            QPushButton* clear = nullptr;
            for (QPushButton* b : diagnostic->findChildren<QPushButton*>())
                if (b->text() == QStringLiteral("Smazat Přehled")) clear = b;
            QVERIFY(clear);
            QSignalSpy clicked(clear, &QPushButton::clicked);
            QTest::mouseClick(clear, Qt::LeftButton);
            QCOMPARE(clicked.count(), 1);

            QTest::mouseClick(monitor->ButtonUlozit, Qt::LeftButton);
            checked = true;

            // As a user sees them: the monitor beside the live view.
            QPixmap view = d->grab();
            QPixmap shown = monitor->grab();
            view.setDevicePixelRatio(1);  // in the screen's pixels
            shown.setDevicePixelRatio(1);
            QPixmap both(view.width() + shown.width() + 8, std::max(view.height(), shown.height()));
            both.fill(Qt::darkGray);
            QPainter painter(&both);
            painter.drawPixmap(0, 0, view);
            painter.drawPixmap(view.width() + 8, 0, shown);
            painter.end();
            QDir().mkpath(QStringLiteral(RQ36_UI_SHOTS_DIR));
            both.save(QStringLiteral(RQ36_UI_SHOTS_DIR "/traffic_beside_live_view.png"));
            diagnostic->grab().save(QStringLiteral(RQ36_UI_SHOTS_DIR "/orsg_diagnostic_window.png"));
            d->reject();
        });
        window.findChild<QAction*>(QStringLiteral("OkamDIN2"))->trigger();
        QVERIFY(checked);

        QVERIFY2(monitor->StatusText().contains(QDir::toNativeSeparators(csv)), qPrintable(monitor->StatusText()));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QVERIFY(lines.size() > 10);
        QCOMPARE(lines[0], QByteArray("Čas,Trvání [ms],Rozhraní,Adresa,Příkaz,Požadavek,Stav,Odpověď"));
        QVERIFY2(lines[1].contains(",ORSG,1,00 čtení registru,01 00 40 "), lines[1].constData());

        window.close();
    }
};

QTEST_MAIN(TrafficEndToEndTest)
#include "traffic_e2e_test.moc"
