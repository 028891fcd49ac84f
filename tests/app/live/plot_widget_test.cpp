// The plot widget offscreen: traces drawn in their colours, broken at gaps,
// zooming into a dragged range and following the end again, markers set with
// the mouse, and the plot saved as a PNG.
#include <cmath>
#include <limits>
#include <vector>

#include <QDir>
#include <QImageReader>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "live/plot/plot_widget.h"
#include "ui_test_support.h"

namespace {

// Pixels near a colour (antialiased lines blend into the background).
int PixelsNear(const QImage& image, const QColor& colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                    std::abs(c.blue() - colour.blue()) <
                24)
                ++count;
        }
    }
    return count;
}

}  // namespace

class PlotWidgetTest : public QObject {
    Q_OBJECT

    // 120 s at 10 samples a second: a sine in V, a current with a gap, a bit.
    static void Fill(rq36::PlotWidget& plot) {
        plot.AddTrace(QStringLiteral("AIN0"), QStringLiteral("V"));
        plot.AddTrace(QStringLiteral("AIN1"), QStringLiteral("mA"));
        plot.AddTrace(QStringLiteral("DIN0"), QStringLiteral("bit"), 0, rq36::TraceShape::kSteps);
        for (int n = 0; n <= 1200; ++n) {
            const float current = n > 500 && n < 540 ? std::numeric_limits<float>::quiet_NaN() : 4.0f + n * 0.01f;
            const std::vector<float> row = {static_cast<float>(std::sin(n * 0.1)), current, (n / 50) % 2 ? 1.0f : 0.0f};
            QVERIFY(plot.AppendSample(n * 0.1, row));
        }
    }

private slots:
    void TracesAppearInTheirColours() {
        rq36::PlotWidget plot;
        Fill(plot);
        plot.resize(900, 420);
        QCOMPARE(plot.TraceCount(), 3);
        QCOMPARE(plot.LastValue(1), 16.0f);
        QVERIFY(plot.TraceColor(0) != plot.TraceColor(1));
        const QImage image = plot.grab().toImage();
        for (int trace = 0; trace < plot.TraceCount(); ++trace)
            QVERIFY2(PixelsNear(image, plot.TraceColor(trace)) > 100, qPrintable(plot.TraceName(trace)));
        QVERIFY(!plot.AppendSample(5, std::vector<float>{0, 0, 0}));  // time going back
        // Zoomed in far enough to draw the samples themselves: the current
        // across its gap (50.1 to 53.9 s) shows only the half second on
        // either side, not a line bridging it (left of the legend).
        plot.SetViewRange(60, 65);
        const int whole = PixelsNear(plot.grab().toImage().copy(0, 0, 480, 420), plot.TraceColor(1));
        plot.SetViewRange(49.5, 54.5);
        const QImage gap = plot.grab().toImage().copy(0, 0, 480, 420);
        QVERIFY2(PixelsNear(gap, plot.TraceColor(0)) > 50,
                 qPrintable(QString::number(PixelsNear(gap, plot.TraceColor(0)))));
        const int broken = PixelsNear(gap, plot.TraceColor(1));
        QVERIFY2(broken > 0 && broken < whole / 2, qPrintable(QStringLiteral("%1 of %2").arg(broken).arg(whole)));
    }

    void FollowingTheEndResumesAfterAZoom() {
        rq36::PlotWidget plot;
        Fill(plot);
        plot.resize(900, 420);
        plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plot));
        QVERIFY(plot.FollowsEnd());
        QCOMPARE(plot.ViewEnd(), 120.0);
        QSignalSpy follow(&plot, &rq36::PlotWidget::FollowEndChanged);
        QSignalSpy range(&plot, &rq36::PlotWidget::ViewRangeChanged);
        QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(200, 200));
        QTest::mouseMove(&plot, QPoint(400, 200));
        QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(400, 200));
        QVERIFY(!plot.FollowsEnd());
        QCOMPARE(follow.count(), 1);
        QVERIFY(!range.isEmpty());
        const double width = plot.ViewEnd() - plot.ViewStart();
        QVERIFY(width > 5 && width < 40);
        QVERIFY(plot.ViewStart() > 60);
        // New samples no longer move the view until following resumes.
        QVERIFY(plot.AppendSample(121, std::vector<float>{0, 5, 1}));
        QVERIFY(plot.ViewEnd() < 120);
        plot.FollowEnd();
        QVERIFY(plot.FollowsEnd());
        QCOMPARE(plot.ViewEnd(), 121.0);
        QCOMPARE(plot.ViewEnd() - plot.ViewStart(), width);
    }

    void MarkersReadTheIntervalAndStatistics() {
        rq36::PlotWidget plot;
        Fill(plot);
        plot.resize(900, 420);
        QSignalSpy changed(&plot, &rq36::PlotWidget::MarkersChanged);
        QTest::mouseClick(&plot, Qt::RightButton, {}, QPoint(150, 200));
        QVERIFY(!plot.CurrentMarkerStats());
        QTest::mouseClick(&plot, Qt::LeftButton, Qt::ShiftModifier, QPoint(450, 200));
        QCOMPARE(changed.count(), 2);
        const auto stats = plot.CurrentMarkerStats();
        QVERIFY(stats);
        QVERIFY(stats->interval > 10);
        QCOMPARE(stats->traces.size(), std::size_t{3});
        QCOMPARE(stats->traces[2].min, 0.0);
        QCOMPARE(stats->traces[2].max, 1.0);
        plot.ClearMarkers();
        QVERIFY(!plot.Marker(0) && !plot.Marker(1));
    }

    void SavesAPngAndSaysWhyNot() {
        rq36::PlotWidget plot;
        Fill(plot);
        plot.resize(640, 300);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("graf.png"));
        QString error;
        QVERIFY2(plot.SaveImage(path, &error), qPrintable(error));
        QImageReader reader(path);
        QCOMPARE(reader.format(), QByteArray("png"));
        QCOMPARE(reader.size(), QSize(640, 300));
        const QString unwritable = dir.filePath(QStringLiteral("chybí/graf.png"));
        QVERIFY(!plot.SaveImage(unwritable, &error));
        QVERIFY2(error.contains(QStringLiteral("graf.png")), qPrintable(error));
    }

    // How it looks with the light and a dark palette: a drifting AC voltage,
    // a current, a counter and a pulsing bit, two markers, one failed
    // exchange; written to the screenshot folder to be looked at.
    void Shots() {
        const QPalette dark = rq36::test::DarkPalette();
        const QString scale = QString::number(qApp->devicePixelRatio());
        for (const bool isDark : {false, true}) {
            rq36::PlotWidget plot;
            if (isDark) plot.setPalette(dark);
            plot.AddTrace(QStringLiteral("AIN0"), QStringLiteral("V"));
            plot.AddTrace(QStringLiteral("AIN3"), QStringLiteral("mA"));
            plot.AddTrace(QStringLiteral("CNT0"), QStringLiteral("imp"), 0, rq36::TraceShape::kSteps);
            plot.AddTrace(QStringLiteral("DIN1"), QStringLiteral("bit"), 0, rq36::TraceShape::kSteps);
            for (int n = 0; n <= 3000; ++n) {
                const double t = n * 0.1;
                const float ac = static_cast<float>(0.5 + t * 0.01 + 2.5 * std::sin(t * 1.3));
                const float ma = n > 1800 && n < 1850 ? std::numeric_limits<float>::quiet_NaN()
                                                      : static_cast<float>(12 + 4 * std::sin(t * 0.05));
                const std::vector<float> row = {ac, ma, static_cast<float>(n / 4), (n / 37) % 3 == 0 ? 1.0f : 0.0f};
                QVERIFY(plot.AppendSample(t, row));
            }
            plot.SetVisibleSpan(120);
            plot.SetMarkers(205.0, 262.5);
            plot.resize(1000, 480);
            QDir().mkpath(QStringLiteral(RQ36_UI_SHOTS_DIR));
            const QString name = QStringLiteral(RQ36_UI_SHOTS_DIR "/plot_%1_x%2.png")
                                     .arg(isDark ? QStringLiteral("dark") : QStringLiteral("light"), scale);
            QVERIFY(plot.grab().save(name));
            // Zoomed in to single samples.
            plot.SetViewRange(178, 192);
            QVERIFY(plot.grab().save(QString(name).replace(QStringLiteral("plot_"), QStringLiteral("plot_zoom_"))));
        }
    }
};

QTEST_MAIN(PlotWidgetTest)
#include "plot_widget_test.moc"
