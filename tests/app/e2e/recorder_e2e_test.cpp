// The recorder against the simulated module behind the COM port stand-in, on
// an instant line: a long recording of every channel without a lost sample,
// read back by Python's csv module; and the recorder window opened from the
// main window's menu beside a live view, its plot ending on the values the
// live view shows.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include "interface/binding.h"
#include "interface/connection_logic.h"
#include "live/analog_view.h"
#include "live/plot/plot_widget.h"
#include "live/recorder.h"
#include "live/recorder_window.h"
#include "main_window.h"
#include "module/value_format.h"
#include "ui_test_support.h"

using rq36::test::WhenModalShown;

class RecorderEndToEndTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    static bool Connect(rq36::ConnectionSettings& record) {
        rq36::SetDefaults(&record);
        rq36::ConnectionInputs inputs;
        inputs.kindIndex = 0;
        inputs.addressText = QStringLiteral("1");
        inputs.parameter1 = QStringLiteral("1");
        return rq36::InitializeConnection(record, inputs, {}).connected;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        qputenv("RQ36_SIM_STATE", ":memory:");
        qunsetenv("RQ36_SIM_FAULT");
        // AIN0 steady, AIN1 a drifting AC signal, DIN1 pulsing, counters
        // that count: rows that differ, and a plot worth looking at.
        QVERIFY(rq36::test::UseSimulatorConfig(
            dir_,
            "[module main]\nain0 = dc 5 V, noise 0\nain1 = dc 2 V, ac 1 V, drift 1.5 V, period 2 s\n"
            "cnt0_rate = 1000\ncnt1_rate = 1000\ndin1 = pulse 500 ms\n"));
        rq36::SetInterfaceLibraryFolder(RQ36_BIN_DIR);
        QApplication::setQuitOnLastWindowClosed(false);
    }

    void EveryChannelAHundredThousandTimesNoneLost() {
        rq36::ConnectionSettings record;
        QVERIFY(Connect(record));
        std::vector<std::int32_t> response(ORS_RESPONSE_WORDS);
        rq36::BoundModuleLink link(record, response.data());
        rq36::RecordingSession session(link, rq36::AllChannels(), std::chrono::milliseconds(0));
        QString error;
        QVERIFY2(session.Start(&error), qPrintable(error));
        const QString path = dir_.filePath(QStringLiteral("vse.csv"));
        rq36::CsvRecording csv(path, rq36::MetadataOf(record, session.Channels(), session.Ranges()),
                               rq36::ValueColumns(session.Channels(), session.Ranges()));
        // Fewer under the sanitizers, whose exchanges cost several times more.
        constexpr std::int64_t kSamples = RQ36_RECORDER_SAMPLES;
        std::int64_t expected = 1;
        while (csv.Rows() < kSamples) {
            const std::optional<rq36::RecordedSample> sample = session.Step();
            if (!sample) continue;
            QCOMPARE(sample->sequence, expected++);
            QVERIFY2(!sample->HasGap(), qPrintable(sample->status));
            QVERIFY2(csv.Write(*sample), qPrintable(csv.Error()));
        }
        rq36::CloseConnection(record);
        QCOMPARE(session.Samples(), kSamples);
        QCOMPARE(session.Gaps(), 0);

        QProcess python;
        python.start(QStringLiteral("python3"),
                     {QStringLiteral(RQ36_READ_RECORDING_SCRIPT), path, QString::number(kSamples)});
        QVERIFY(python.waitForFinished(60000));
        QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
        QVERIFY(python.readAllStandardOutput().startsWith(QByteArray::number(kSamples) + " rows, 23 channels"));
    }

    // From the main window's menu; records on beside a live view that blocks
    // the main window; the plot ends on the value the live view shows.
    void WindowRecordsBesideALiveViewAndEndsOnItsValues() {
        TForm1 window(nullptr, rq36::test::HooksIn(dir_));
        window.show();
        QVERIFY(rq36::test::ConnectedThroughMenu(window, 0));
        window.findChild<QAction*>(QStringLiteral("ZaznamGraf1"))->trigger();
        TFormZaznam* recorder = window.Recorder();
        QVERIFY(recorder && recorder->isVisible());
        recorder->ChooseChannels({QStringLiteral("ain0"), QStringLiteral("ain1"), QStringLiteral("c01"),
                                  QStringLiteral("cnt0"), QStringLiteral("din0"), QStringLiteral("din1"),
                                  QStringLiteral("status.pwr")});
        // 6 requests at 9600 Bd through the COM port: 151.25 ms.
        QCOMPARE(recorder->SpinInterval->minimum(), 152);
        QVERIFY(recorder->LabelNejkratsi->text().contains(QStringLiteral("152 ms")));
        const QString csv = dir_.filePath(QStringLiteral("okno.csv"));
        recorder->SetCsvPathSource([csv] { return csv; });
        recorder->SpinInterval->setValue(recorder->SpinInterval->minimum());
        recorder->ButtonStart->click();
        QVERIFY(recorder->Recording());
        QVERIFY(!recorder->ButtonStart->isEnabled());

        QString liveAin0;
        WhenModalShown<TForm3>([&](TForm3* d) {
            QVERIFY(d->windowModality() == Qt::WindowModal);
            const std::int64_t before = recorder->Session()->Samples();
            QTRY_VERIFY(recorder->Session()->Samples() >= before + 5);
            QTRY_VERIFY(!d->ValueLabel(0)->text().isEmpty());
            liveAin0 = d->ValueLabel(0)->text();
            d->reject();
        });
        window.findChild<QAction*>(QStringLiteral("OkamAIN2"))->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(recorder->Plot1->History().LastTime() >= 3.0, 20000);
        recorder->ButtonStop->click();
        QVERIFY(!recorder->Recording());
        QVERIFY2(recorder->StatusText().startsWith(QStringLiteral(" Záznam zastaven: vzorků ")),
                 qPrintable(recorder->StatusText()));

        rq36::PlotWidget* plot = recorder->Plot1;
        QCOMPARE(plot->TraceCount(), 7);
        QCOMPARE(rq36::FormatMeasuredValue(plot->LastValue(0), 3) + QStringLiteral(" V"), liveAin0);
        QCOMPARE(plot->LastValue(4), 0.0F);  // DIN0 follows DOUT0, which is off
        QCOMPARE(plot->LastValue(6), 1.0F);  // PWR of a freshly started module
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        // The block (identity, address, interface, speed, two ranges), an
        // empty line, the columns, a row per point of the plot.
        QCOMPARE(lines.indexOf("time,sample,ain0 [V],ain1 [V],c01 [V],cnt0,din0,din1,status.pwr,stav"), 7);
        QCOMPARE(lines.size() - 1, 8 + static_cast<int>(plot->History().Rows()));

        // As a user sees it, light and dark.
        QDir().mkpath(QStringLiteral(RQ36_UI_SHOTS_DIR));
        const QString scale = QString::number(recorder->devicePixelRatioF());
        recorder->grab().save(QStringLiteral(RQ36_UI_SHOTS_DIR "/recorder_light_%1x.png").arg(scale));
        const QPalette light = QApplication::palette();
        QApplication::setPalette(rq36::test::DarkPalette());
        QApplication::processEvents();
        recorder->grab().save(QStringLiteral(RQ36_UI_SHOTS_DIR "/recorder_dark_%1x.png").arg(scale));
        QApplication::setPalette(light);

        // "Uložit obrázek…": the plot as PNG.
        const QString png = dir_.filePath(QStringLiteral("graf.png"));
        recorder->SetImagePathSource([png] { return png; });
        recorder->ButtonObrazek->click();
        QVERIFY(QImage(png).width() > 100);
        QVERIFY(recorder->StatusText().startsWith(QStringLiteral(" Obrázek uložen do souboru ")));

        // A file that cannot be written stops the recording with the reason.
        recorder->SetCsvPathSource([] { return QStringLiteral("/dev/full"); });
        recorder->ButtonStart->click();
        QTRY_VERIFY(!recorder->Recording());
        QVERIFY2(recorder->StatusText().startsWith(QStringLiteral(" Zápis do souboru /dev/full se nezdařil")),
                 qPrintable(recorder->StatusText()));
        window.close();
        QVERIFY(!window.Recorder());
    }
};

QTEST_MAIN(RecorderEndToEndTest)
#include "recorder_e2e_test.moc"
