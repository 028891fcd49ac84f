// The front panel's window against a module served in this process: it
// finds the world, shows what the module holds and sends its controls.
#include <mutex>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "module.h"
#include "panel.h"
#include "panel_channel.h"
#include "panel_window.h"

class PanelWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void ShowsTheModuleAndSendsTheControls() {
        qputenv("RQ36_SIM_PANEL_DIR", dir_.path().toLocal8Bit());
        rq36sim::Faults faults;
        rq36sim::Module module("main", rq36sim::ModuleState::Factory(rq36sim::CommSettings{}), &faults);
        std::mutex lock;
        const rq36sim::PanelServer server("ORSA", [&](const std::string& request) {
            const std::lock_guard<std::mutex> guard(lock);
            return rq36sim::PanelReply({&module}, request, rq36sim::Clock::now());
        });
        PanelWindow window;
        window.show();
        window.Refresh();
        const auto report = [&](const char* key) {
            return window.findChild<QLabel*>(QStringLiteral("report_") + QLatin1String(key))->text();
        };
        QCOMPARE(report("address"), QStringLiteral("1"));
        QCOMPARE(report("dout1"), QStringLiteral("0"));
        {
            const std::lock_guard<std::mutex> guard(lock);
            rq36sim::Message write{1, 0x01, 0x40, 0, 0x02};  // DOUT1 on
            module.Execute(write, rq36sim::Clock::now());
        }
        window.Refresh();
        QCOMPARE(report("dout1"), QStringLiteral("1"));

        window.findChild<QPushButton*>(QStringLiteral("raise_err24"))->click();
        auto* ain0 = window.findChild<QComboBox*>(QStringLiteral("ain0"));
        ain0->setCurrentText(QStringLiteral("short"));
        emit ain0->textActivated(ain0->currentText());
        const std::lock_guard<std::mutex> guard(lock);
        QCOMPARE(module.State().status[0] & 0x40, 0x40);
        QVERIFY(module.PanelReport(rq36sim::Clock::now()).find("panel.ain0=short\n") != std::string::npos);
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("message"))->text(), QStringLiteral("main/ain0 = short"));
        const QString shots = QStringLiteral(RQ36_SIM_SHOTS_DIR);
        QDir().mkpath(shots);
        QVERIFY(window.grab().save(shots + QStringLiteral("/sim_panel.png")));
    }
};

QTEST_MAIN(PanelWindowTest)
#include "panel_window_test.moc"
