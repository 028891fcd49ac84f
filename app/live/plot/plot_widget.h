// A plot of a recording's traces over time, drawn with QPainter.
//
// The owner adds its traces once (AddTrace), then appends one row of values
// per sampling (AppendSample: one value per trace, NaN where the exchange
// failed) and calls update() a few times a second; appending never repaints
// by itself, and a frame reads the history's summaries, never every sample.
//
// Traces of one unit share a lane with its own value axis; lanes are stacked
// in the order their units first came, time runs along the bottom.  The
// legend on the right shows each trace's name and last value, and between
// two markers the interval and each trace's minimum, maximum and mean.
//
// The mouse: the wheel zooms time around the cursor (around the end while
// following it); a drag with the left button zooms into the dragged range; a
// drag with the middle button, or the wheel with Shift, moves back and forth
// in time; a click with the right button, or with the left one and Shift,
// sets a marker (the first, then the second, then moves the nearer one); a
// double click shows the whole recording.  Zooming into a range or moving
// away stops following the end; FollowEnd() resumes it.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include <QColor>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <QWidget>

#include "live/plot/marker_stats.h"
#include "live/plot/trace_history.h"

class QPainter;

namespace rq36 {

// How a trace joins its samples: straight lines (analog values), or steps
// that hold each value until the next sample (counters, bits).
enum class TraceShape { kLine, kSteps };

class PlotWidget : public QWidget {
    Q_OBJECT

public:
    explicit PlotWidget(QWidget* parent = nullptr);
    ~PlotWidget() override;

    // A trace; returns its index (0, 1, ...), which is also its place in the
    // rows of AppendSample.  `unit` chooses its lane ("V", "mA", "imp",
    // "bit": give every kind of value its own unit text); `decimals` is how
    // its values are written in the legend.  Its colour comes from a fixed
    // palette by index (TraceColor), readable on light and dark backgrounds.
    int AddTrace(const QString& name, const QString& unit, int decimals = 3, TraceShape shape = TraceShape::kLine);
    int TraceCount() const;
    QString TraceName(int trace) const;
    QString TraceUnit(int trace) const;
    QColor TraceColor(int trace) const;
    static QColor PaletteColor(int index);

    // One row: seconds since the recording's start (never going back) and a
    // value per trace in AddTrace order; NaN marks a gap, values missing
    // from a short span are gaps.  False, and nothing kept, for a time that
    // is not a number or earlier than the last row's.
    bool AppendSample(double seconds, std::span<const float> values);
    // The newest value of a trace; NaN when there is none or it was a gap.
    float LastValue(int trace) const;
    // Drops the samples and the markers, keeps the traces.
    void ClearSamples();
    // Drops samples, markers and traces.
    void Clear();
    const TraceHistory& History() const { return history_; }
    // The recording's start: the time axis then reads the time of day
    // ("12:03:40") rather than elapsed time ("1:05").  Invalid: elapsed.
    void SetStartTime(const QDateTime& start);

    // Following the end: the view shows the newest VisibleSpan() seconds
    // (the first ones while the recording is shorter).
    void SetFollowEnd(bool follow);
    bool FollowsEnd() const { return following_; }
    void SetVisibleSpan(double seconds);
    double VisibleSpan() const { return span_; }
    // A fixed time range; stops following the end.
    void SetViewRange(double t0, double t1);
    double ViewStart() const;
    double ViewEnd() const;

    // The markers' times (seconds); either may be absent.
    void SetMarkers(std::optional<double> first, std::optional<double> second);
    std::optional<double> Marker(int index) const { return index == 0 ? markerA_ : markerB_; }
    // The statistics between the markers; none unless both are set.
    std::optional<MarkerStats> CurrentMarkerStats() const;

    // The plot as shown, as a PNG file of the widget's size.  False with the
    // reason in *error (when given) if the file cannot be written.
    bool SaveImage(const QString& path, QString* error = nullptr) const;
    // Draws the whole plot into `area` (what paintEvent draws).
    void Render(QPainter& painter, const QRect& area) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public slots:
    // Follows the end again, keeping the width of the view.
    void FollowEnd();
    void ClearMarkers();
    // Shows the whole recording; stops following the end.
    void ShowAll();

signals:
    // The time range shown changed (zoom, move, following the end).
    void ViewRangeChanged(double t0, double t1);
    void MarkersChanged();
    void FollowEndChanged(bool follows);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    struct TraceInfo {
        QString name;
        QString unit;
        int decimals = 3;
        TraceShape shape = TraceShape::kLine;
        int lane = 0;
    };
    struct Layout;

    Layout ComputeLayout(const QRect& area, const QFontMetrics& metrics) const;
    // The markers and the range being dragged, over the lanes.
    void DrawMarkers(QPainter& painter, const Layout& layout, const QFontMetrics& metrics) const;
    void DrawLegend(QPainter& painter, const QRectF& legend, const QFontMetrics& metrics, const QColor& dim) const;
    double TimeAt(double x) const;
    void SetView(double t0, double t1, bool follow);
    void PlaceMarker(double seconds);
    void EmitViewRange();

    TraceHistory history_;
    std::vector<TraceInfo> traces_;
    std::vector<QString> laneUnits_;
    QDateTime start_;
    bool following_ = true;
    double span_ = 60;
    double viewStart_ = 0;  // when not following
    double viewEnd_ = 60;
    std::optional<double> markerA_;
    std::optional<double> markerB_;
    // Mouse state: the press position and the button dragging, if any.
    Qt::MouseButton dragButton_ = Qt::NoButton;
    QPointF pressPos_;
    QPointF dragPos_;
    double dragViewStart_ = 0;
    double dragViewEnd_ = 0;
    // Where a frame draws a lane's dense traces, kept between frames.
    mutable QImage layer_;
};

}  // namespace rq36
