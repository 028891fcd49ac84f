#include "live/plot/plot_widget.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include <QDir>
#include <QFontMetrics>
#include <QImage>
#include <QImageWriter>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include "live/plot/plot_ticks.h"
#include "module/value_format.h"

namespace rq36 {

namespace {

// Mid-tone colours: enough contrast on a white and on a near-black base.
constexpr std::array<QRgb, 12> kPalette = {0x2f7ed8, 0xe4483a, 0x2a9d4a, 0x9b59d0, 0xc98a00, 0x1a9fb0,
                                           0xd94f9e, 0x7a9a1a, 0xc0703a, 0x5f6fe0, 0x8a8a8a, 0x3aa890};

constexpr double kMinSpan = 1e-3;  // seconds: the narrowest view
constexpr double kMaxSpan = 1e8;
constexpr double kLaneGap = 8;
constexpr double kDragThreshold = 4;  // pixels: less is a click

QColor Blend(const QColor& a, const QColor& b, double share) {
    return QColor::fromRgbF(static_cast<float>(a.redF() * (1 - share) + b.redF() * share),
                            static_cast<float>(a.greenF() * (1 - share) + b.greenF() * share),
                            static_cast<float>(a.blueF() * (1 - share) + b.blueF() * share));
}

// A trace's line, broken at its gaps; a piece of one point shows as a dot.
// With a `thicken` offset each piece is drawn again that far to the right
// and that far down, so lines of every direction grow a pixel thicker.
class LineBuilder {
public:
    LineBuilder(QPainter& painter, double thicken) : painter_(painter), thicken_(thicken) { points_.reserve(4096); }
    ~LineBuilder() { Break(); }
    void Add(double x, double y) { points_.append(QPointF(x, y)); }
    void Break() {
        if (!points_.isEmpty()) {
            Draw(points_);
            if (thicken_ != 0) {
                Draw(points_.translated(thicken_, 0));
                Draw(points_.translated(0, thicken_));
            }
        }
        points_.clear();
    }

private:
    void Draw(const QPolygonF& points) {
        if (points.size() == 1) {
            painter_.drawPoint(points.front());
        } else {
            painter_.drawPolyline(points);
        }
    }

    QPainter& painter_;
    double thicken_;
    QPolygonF points_;
};

struct LaneRange {
    double lo = std::numeric_limits<double>::infinity();
    double hi = -std::numeric_limits<double>::infinity();
    void Take(double v) {
        if (std::isnan(v)) return;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
};

// The dense form of one trace: per pixel column a bar over the column's
// range, reaching to the last value of the column before unless a gap lies
// between (so a step between two columns shows as an edge), `thickness`
// pixels wide and as much taller; written straight into the layer's pixels.
template <typename PixelY>
void PaintBars(QImage& layer, const std::vector<ColumnSummary>& columns, QRgb colour, int offsetX, int thickness,
               const PixelY& pixelY) {
    const int maxY = layer.height() - 1;
    uchar* const pixels = layer.bits();
    const qsizetype stride = layer.bytesPerLine();
    float previousLast = std::numeric_limits<float>::quiet_NaN();
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const ColumnSummary& column = columns[c];
        if (column.rows == 0) continue;
        float lo = column.min;
        float hi = column.max;
        if (!std::isnan(previousLast) && !std::isnan(column.first)) {
            lo = std::isnan(lo) ? previousLast : std::min(lo, previousLast);
            hi = std::isnan(hi) ? previousLast : std::max(hi, previousLast);
        }
        previousLast = column.last;
        const int x = offsetX + static_cast<int>(c);
        if (std::isnan(lo) || x < 0 || x >= layer.width()) continue;
        const int top = std::clamp(pixelY(hi), 0, maxY);
        const int bottom = std::clamp(pixelY(lo) + thickness - 1, top, maxY);
        const int width = std::min(thickness, layer.width() - x);
        uchar* row = pixels + top * stride + x * static_cast<qsizetype>(sizeof(QRgb));
        for (int y = top; y <= bottom; ++y, row += stride) {
            auto* pixel = reinterpret_cast<QRgb*>(row);
            for (int k = 0; k < width; ++k) pixel[k] = colour;
        }
    }
}

}  // namespace

struct PlotWidget::Layout {
    QRectF plot;  // the lanes' area; its width is the time axis
    QRectF legend;
    std::vector<QRectF> lanes;
    double t0 = 0;
    double t1 = 1;
};

PlotWidget::PlotWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    setFocusPolicy(Qt::ClickFocus);
}

PlotWidget::~PlotWidget() = default;

QSize PlotWidget::sizeHint() const { return {900, 420}; }
QSize PlotWidget::minimumSizeHint() const { return {360, 180}; }

QColor PlotWidget::PaletteColor(int index) {
    return QColor(kPalette[static_cast<std::size_t>(index) % kPalette.size()]);
}

int PlotWidget::AddTrace(const QString& name, const QString& unit, int decimals, TraceShape shape) {
    TraceInfo info{name, unit, std::clamp(decimals, 0, 6), shape, 0};
    const auto found = std::find(laneUnits_.begin(), laneUnits_.end(), unit);
    info.lane = static_cast<int>(found - laneUnits_.begin());
    if (found == laneUnits_.end()) laneUnits_.push_back(unit);
    traces_.push_back(info);
    history_.AddTrace();
    return static_cast<int>(traces_.size()) - 1;
}

int PlotWidget::TraceCount() const { return static_cast<int>(traces_.size()); }

QString PlotWidget::TraceName(int trace) const { return traces_.at(static_cast<std::size_t>(trace)).name; }
QString PlotWidget::TraceUnit(int trace) const { return traces_.at(static_cast<std::size_t>(trace)).unit; }
QColor PlotWidget::TraceColor(int trace) const { return PaletteColor(trace); }

bool PlotWidget::AppendSample(double seconds, std::span<const float> values) {
    if (!history_.Append(seconds, values)) return false;
    if (following_) EmitViewRange();
    return true;
}

float PlotWidget::LastValue(int trace) const {
    if (trace < 0 || trace >= TraceCount()) return std::numeric_limits<float>::quiet_NaN();
    return history_.LastValue(trace);
}

void PlotWidget::ClearSamples() {
    history_.ClearRows();
    ClearMarkers();
    EmitViewRange();
    update();
}

void PlotWidget::Clear() {
    history_.Clear();
    traces_.clear();
    laneUnits_.clear();
    ClearMarkers();
    EmitViewRange();
    update();
}

void PlotWidget::SetStartTime(const QDateTime& start) {
    start_ = start;
    update();
}

double PlotWidget::ViewEnd() const {
    if (!following_) return viewEnd_;
    if (history_.Empty()) return span_;
    return std::max(history_.LastTime(), history_.FirstTime() + span_);
}

double PlotWidget::ViewStart() const { return following_ ? ViewEnd() - span_ : viewStart_; }

void PlotWidget::EmitViewRange() { emit ViewRangeChanged(ViewStart(), ViewEnd()); }

void PlotWidget::SetView(double t0, double t1, bool follow) {
    if (!std::isfinite(t0) || !std::isfinite(t1) || !(t1 > t0)) return;
    const double span = std::clamp(t1 - t0, kMinSpan, kMaxSpan);
    const double middle = t0 / 2 + t1 / 2;
    const bool changed = follow != following_;
    following_ = follow;
    span_ = span;
    viewStart_ = middle - span / 2;
    viewEnd_ = middle + span / 2;
    if (changed) emit FollowEndChanged(following_);
    EmitViewRange();
    update();
}

void PlotWidget::SetFollowEnd(bool follow) {
    if (follow == following_) return;
    const double width = ViewEnd() - ViewStart();
    if (follow) {
        span_ = width;
        SetView(0, span_, true);
    } else {
        SetView(ViewStart(), ViewEnd(), false);
    }
}

void PlotWidget::FollowEnd() { SetFollowEnd(true); }

void PlotWidget::SetVisibleSpan(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0) return;
    if (following_) {
        SetView(0, seconds, true);
    } else {
        const double end = viewEnd_;
        SetView(end - seconds, end, false);
    }
}

void PlotWidget::SetViewRange(double t0, double t1) { SetView(t0, t1, false); }

void PlotWidget::ShowAll() {
    if (history_.Empty()) return;
    const double t0 = history_.FirstTime();
    const double t1 = std::max(history_.LastTime(), t0 + 1);
    SetView(t0, t1, false);
}

void PlotWidget::SetMarkers(std::optional<double> first, std::optional<double> second) {
    if (first && !std::isfinite(*first)) first.reset();
    if (second && !std::isfinite(*second)) second.reset();
    if (first == markerA_ && second == markerB_) return;
    markerA_ = first;
    markerB_ = second;
    emit MarkersChanged();
    update();
}

void PlotWidget::ClearMarkers() { SetMarkers(std::nullopt, std::nullopt); }

void PlotWidget::PlaceMarker(double seconds) {
    if (!markerA_) {
        SetMarkers(seconds, markerB_);
    } else if (!markerB_) {
        SetMarkers(markerA_, seconds);
    } else if (std::abs(*markerA_ - seconds) <= std::abs(*markerB_ - seconds)) {
        SetMarkers(seconds, markerB_);
    } else {
        SetMarkers(markerA_, seconds);
    }
}

std::optional<MarkerStats> PlotWidget::CurrentMarkerStats() const {
    if (!markerA_ || !markerB_) return std::nullopt;
    return ComputeMarkerStats(history_, *markerA_, *markerB_);
}

PlotWidget::Layout PlotWidget::ComputeLayout(const QRect& area, const QFontMetrics& metrics) const {
    Layout layout;
    layout.t0 = ViewStart();
    layout.t1 = ViewEnd();
    const double axisWidth = metrics.horizontalAdvance(QStringLiteral("-0000,000")) + 12;
    const double legendWidth =
        std::min(metrics.horizontalAdvance(QStringLiteral("min -0,000  max -0,000  průměr -0,000 mA")) + 28.0,
                 area.width() * 0.4);
    const double top = area.top() + metrics.height() / 2.0 + 4;
    const double bottom = area.top() + area.height() - metrics.height() - 10;
    const double left = area.left() + axisWidth;
    const double right = area.left() + area.width() - legendWidth - 10;
    layout.plot = QRectF(QPointF(left, top), QPointF(std::max(left + 10, right), std::max(top + 10, bottom)));
    layout.legend = QRectF(QPointF(layout.plot.right() + 10, area.top() + 4),
                           QPointF(area.left() + area.width() - 4, area.top() + area.height() - 4));
    const auto lanes = std::max<std::size_t>(1, laneUnits_.size());
    const double laneHeight =
        std::max(8.0, (layout.plot.height() - kLaneGap * static_cast<double>(lanes - 1)) / static_cast<double>(lanes));
    for (std::size_t i = 0; i < lanes; ++i) {
        layout.lanes.emplace_back(layout.plot.left(),
                                  layout.plot.top() + static_cast<double>(i) * (laneHeight + kLaneGap),
                                  layout.plot.width(), laneHeight);
    }
    return layout;
}

double PlotWidget::TimeAt(double x) const {
    const Layout layout = ComputeLayout(rect(), fontMetrics());
    const double share = (x - layout.plot.left()) / layout.plot.width();
    return layout.t0 + share * (layout.t1 - layout.t0);
}

void PlotWidget::Render(QPainter& painter, const QRect& area) const {
    painter.save();
    const QPalette& colours = palette();
    const QColor base = colours.color(QPalette::Base);
    const QColor text = colours.color(QPalette::Text);
    const QColor grid = Blend(base, text, 0.12);
    const QColor frame = Blend(base, text, 0.45);
    const QColor dim = Blend(base, text, 0.65);
    painter.fillRect(area, base);
    painter.setFont(font());
    const QFontMetrics metrics(font());
    const Layout layout = ComputeLayout(area, metrics);
    const double t0 = layout.t0;
    const double t1 = layout.t1;
    const double plotWidth = layout.plot.width();
    const auto xOf = [&](double t) { return layout.plot.left() + (t - t0) / (t1 - t0) * plotWidth; };

    // What each trace shows: the summaries of its pixel columns, or, when
    // the view holds fewer samples than columns, the samples themselves.
    // Columns of device pixels: on a scaled screen the dense traces are as
    // fine as the screen.
    const double ratio = painter.device() ? std::max(1.0, painter.device()->devicePixelRatioF()) : 1.0;
    const int columns = std::max(1, static_cast<int>(plotWidth * ratio));
    const int thickness = std::max(1, static_cast<int>(std::lround(ratio)));  // device pixels
    const std::size_t firstRow = history_.RowAtOrAfter(t0);
    const std::size_t endRow = history_.RowAtOrAfter(t1);
    const bool raw = endRow - firstRow <= static_cast<std::size_t>(columns);
    const std::size_t rawBegin = firstRow > 0 ? firstRow - 1 : 0;
    const std::size_t rawEnd = std::min(history_.Rows(), endRow + 1);
    std::vector<std::vector<ColumnSummary>> summaries(traces_.size());
    std::vector<std::size_t> edges;
    if (!raw) history_.ColumnEdges(t0, t1, columns, edges);
    std::vector<LaneRange> ranges(layout.lanes.size());
    for (std::size_t i = 0; i < traces_.size(); ++i) {
        LaneRange& range = ranges[static_cast<std::size_t>(traces_[i].lane)];
        const int trace = static_cast<int>(i);
        if (raw) {
            for (std::size_t row = firstRow; row < endRow; ++row) range.Take(history_.Value(trace, row));
        } else {
            history_.Summarize(trace, edges, summaries[i]);
            for (const auto& column : summaries[i]) {
                range.Take(column.min);
                range.Take(column.max);
            }
        }
    }

    // Time grid and labels.
    const double dayOffset = start_.isValid() ? start_.time().msecsSinceStartOfDay() / 1000.0 : 0.0;
    const AxisTicks timeTicks =
        TimeTicks(t0, t1, plotWidth, metrics.horizontalAdvance(QStringLiteral("00:00:00,0")) + 16, dayOffset);
    painter.setPen(text);
    for (const double t : timeTicks.values) {
        const double x = xOf(t);
        const QString label = TimeTickLabel(t, timeTicks, start_);
        const double w = metrics.horizontalAdvance(label);
        const double labelX = std::clamp(x - w / 2, layout.plot.left() - 4, layout.plot.right() + 4 - w);
        painter.drawText(QPointF(labelX, layout.plot.bottom() + 4 + metrics.ascent()), label);
    }

    for (std::size_t lane = 0; lane < layout.lanes.size(); ++lane) {
        const QRectF& box = layout.lanes[lane];
        LaneRange range = ranges[lane];
        if (!(range.hi >= range.lo)) range = {0, 1};
        if (range.hi - range.lo < 1e-9 * std::max(1.0, std::abs(range.hi))) {
            const double half = std::max(0.5, std::abs(range.hi) * 0.05);
            range.lo -= half;
            range.hi += half;
        }
        // A little room above and below; ticks where they fall inside.
        const double pad = (range.hi - range.lo) * 0.06;
        const double lo = range.lo - pad;
        const double hi = range.hi + pad;
        // Lanes of whole numbers only (counters, bits) tick at whole numbers.
        const bool whole = std::all_of(traces_.begin(), traces_.end(), [&](const TraceInfo& info) {
            return static_cast<std::size_t>(info.lane) != lane || info.decimals == 0;
        });
        const AxisTicks ticks = ValueTicks(lo, hi, box.height(), metrics.height() * 1.6, whole ? 1 : 0);
        const auto yOf = [&](double v) { return box.bottom() - (v - lo) / (hi - lo) * box.height(); };

        painter.setPen(grid);
        for (const double t : timeTicks.values)
            painter.drawLine(QPointF(xOf(t), box.top()), QPointF(xOf(t), box.bottom()));
        for (const double v : ticks.values) painter.drawLine(QPointF(box.left(), yOf(v)), QPointF(box.right(), yOf(v)));
        painter.setPen(text);
        for (const double v : ticks.values) {
            const QString label = ValueTickLabel(v, ticks);
            const double y =
                std::clamp(yOf(v) + metrics.ascent() / 2.0 - 1, box.top() + metrics.ascent() - 2, box.bottom() + 2);
            painter.drawText(QPointF(box.left() - 6 - metrics.horizontalAdvance(label), y), label);
        }
        painter.setPen(frame);
        painter.drawRect(box);
        QRectF unitBox;
        if (lane < laneUnits_.size() && !laneUnits_[lane].isEmpty()) {
            QFont bold = font();
            bold.setBold(true);
            const QFontMetricsF boldMetrics(bold);
            unitBox = QRectF(box.left() + 1, box.top() + 1, boldMetrics.horizontalAdvance(laneUnits_[lane]) + 10,
                             boldMetrics.height() + 2);
        }
        // The traces of this lane, clipped to it.
        painter.save();
        painter.setClipRect(box.adjusted(0.5, 0.5, -0.5, -0.5));
        // Lines without antialiasing: solid like the dense bars.
        painter.setRenderHint(QPainter::Antialiasing, false);
        if (!raw) {
            // Dense: the bars of each trace go straight into the pixels of
            // a layer drawn over the lane at once; the painter would fill
            // them a row at a time, several times slower.
            const QRect area = box.toAlignedRect();
            const QSize pixelSize(static_cast<int>(std::ceil(area.width() * ratio)),
                                  static_cast<int>(std::ceil(area.height() * ratio)));
            if (layer_.size() != pixelSize) layer_ = QImage(pixelSize, QImage::Format_ARGB32_Premultiplied);
            layer_.setDevicePixelRatio(ratio);
            layer_.fill(Qt::transparent);
            const int offsetX = static_cast<int>(std::lround((layout.plot.left() - area.left()) * ratio));
            const auto pixelY = [&](float v) {
                return static_cast<int>(std::clamp(std::floor((yOf(v) - area.top()) * ratio), -1e6, 1e6));
            };
            for (std::size_t i = 0; i < traces_.size(); ++i) {
                if (static_cast<std::size_t>(traces_[i].lane) != lane) continue;
                PaintBars(layer_, summaries[i], PaletteColor(static_cast<int>(i)).rgba(), offsetX, thickness, pixelY);
            }
            painter.drawImage(area.topLeft(), layer_);
        }
        for (std::size_t i = 0; raw && i < traces_.size(); ++i) {
            if (static_cast<std::size_t>(traces_[i].lane) != lane) continue;
            // One device pixel wide: the raster engine's fast line drawing;
            // wider pens go through its general outline and cost a hundred
            // times more per point.  On a scaled screen the line is drawn
            // again a device pixel aside, as thick as the dense bars.
            QPen pen(PaletteColor(static_cast<int>(i)), 1);
            pen.setCosmetic(true);
            painter.setPen(pen);
            const int trace = static_cast<int>(i);
            const bool steps = traces_[i].shape == TraceShape::kSteps;
            LineBuilder line(painter, thickness > 1 ? 1 / ratio : 0);
            double previousY = 0;
            bool open = false;
            for (std::size_t row = rawBegin; row < rawEnd; ++row) {
                const float v = history_.Value(trace, row);
                if (std::isnan(v)) {
                    line.Break();
                    open = false;
                    continue;
                }
                const double x = xOf(history_.Time(row));
                const double y = yOf(v);
                if (steps && open) line.Add(x, previousY);
                line.Add(x, y);
                previousY = y;
                open = true;
            }
        }
        painter.restore();
        // The lane's unit in its corner, over the traces.
        if (!unitBox.isEmpty()) {
            QColor under = base;
            under.setAlphaF(0.8f);
            painter.fillRect(unitBox, under);
            QFont bold = font();
            bold.setBold(true);
            painter.setFont(bold);
            painter.setPen(dim);
            painter.drawText(unitBox, Qt::AlignCenter, laneUnits_[lane]);
            painter.setFont(font());
        }
    }

    DrawMarkers(painter, layout, metrics);
    DrawLegend(painter, layout.legend, metrics, dim);
    painter.restore();
}

void PlotWidget::DrawMarkers(QPainter& painter, const Layout& layout, const QFontMetrics& metrics) const {
    const QPalette& colours = palette();
    const QColor text = colours.color(QPalette::Text);
    const auto xOf = [&](double t) {
        return layout.plot.left() + (t - layout.t0) / (layout.t1 - layout.t0) * layout.plot.width();
    };
    // Markers: the range between them shaded, each a line with its number.
    const std::array<std::optional<double>, 2> markers = {markerA_, markerB_};
    if (markerA_ && markerB_) {
        const double xa = std::clamp(xOf(std::min(*markerA_, *markerB_)), layout.plot.left(), layout.plot.right());
        const double xb = std::clamp(xOf(std::max(*markerA_, *markerB_)), layout.plot.left(), layout.plot.right());
        QColor shade = text;
        shade.setAlphaF(0.07f);
        painter.fillRect(QRectF(QPointF(xa, layout.plot.top()), QPointF(xb, layout.plot.bottom())), shade);
    }
    for (std::size_t m = 0; m < markers.size(); ++m) {
        if (!markers[m]) continue;
        const double x = xOf(*markers[m]);
        if (x < layout.plot.left() || x > layout.plot.right()) continue;
        painter.setPen(QPen(text, 1, Qt::DashLine));
        painter.drawLine(QPointF(x, layout.plot.top()), QPointF(x, layout.plot.bottom()));
        painter.setPen(text);
        painter.drawText(QPointF(x + 3, layout.plot.top() + metrics.ascent() - metrics.height() / 2.0 - 2),
                         QString::number(m + 1));
    }

    // The range being dragged.
    if (dragButton_ == Qt::LeftButton && std::abs(dragPos_.x() - pressPos_.x()) >= kDragThreshold) {
        QColor band = colours.color(QPalette::Highlight);
        band.setAlphaF(0.25f);
        const double a = std::clamp(std::min(pressPos_.x(), dragPos_.x()), layout.plot.left(), layout.plot.right());
        const double b = std::clamp(std::max(pressPos_.x(), dragPos_.x()), layout.plot.left(), layout.plot.right());
        painter.fillRect(QRectF(QPointF(a, layout.plot.top()), QPointF(b, layout.plot.bottom())), band);
    }
}

void PlotWidget::DrawLegend(QPainter& painter, const QRectF& legend, const QFontMetrics& metrics,
                            const QColor& dim) const {
    const QColor text = palette().color(QPalette::Text);
    painter.save();
    // Legend: name and last value per trace; between markers the interval
    // and each trace's statistics.
    painter.setClipRect(legend);
    const std::optional<MarkerStats> stats = CurrentMarkerStats();
    double y = legend.top() + metrics.ascent();
    const double lineHeight = metrics.height() + 2;
    if (stats) {
        QFont bold = font();
        bold.setBold(true);
        painter.setFont(bold);
        painter.setPen(text);
        painter.drawText(QPointF(legend.left(), y), IntervalText(*stats));
        painter.setFont(font());
        y += lineHeight + 4;
    }
    for (std::size_t i = 0; i < traces_.size(); ++i) {
        const TraceInfo& info = traces_[i];
        const double swatchY = y - metrics.ascent() / 2.0 + 1;
        painter.setPen(QPen(PaletteColor(static_cast<int>(i)), 3));
        painter.drawLine(QPointF(legend.left(), swatchY), QPointF(legend.left() + 14, swatchY));
        painter.setPen(text);
        painter.drawText(QPointF(legend.left() + 20, y), info.name);
        const float last = history_.LastValue(static_cast<int>(i));
        QString value = std::isnan(last) ? QStringLiteral("—") : FormatMeasuredValue(last, info.decimals);
        if (!info.unit.isEmpty() && !std::isnan(last)) value += QLatin1Char(' ') + info.unit;
        painter.drawText(QPointF(legend.right() - 4 - metrics.horizontalAdvance(value), y), value);
        y += lineHeight;
        if (stats) {
            painter.setPen(dim);
            painter.drawText(QPointF(legend.left() + 20, y),
                             TraceStatsText(stats->traces[i], info.decimals, info.unit));
            y += lineHeight + 2;
        }
    }
    painter.restore();
}

void PlotWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Render(painter, rect());
}

bool PlotWidget::SaveImage(const QString& path, QString* error) const {
    const QSize size = width() > 0 && height() > 0 && testAttribute(Qt::WA_Resized) ? this->size() : sizeHint();
    const qreal ratio = devicePixelRatioF();
    QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    {
        QPainter painter(&image);
        Render(painter, QRect(QPoint(0, 0), size));
    }
    QImageWriter writer(path, "png");
    if (writer.write(image)) return true;
    if (error) {
        *error = QStringLiteral("Obrázek grafu nelze uložit do %1: %2")
                     .arg(QDir::toNativeSeparators(path), writer.errorString());
    }
    return false;
}

void PlotWidget::wheelEvent(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    const double t0 = ViewStart();
    const double t1 = ViewEnd();
    const bool pan = delta.x() != 0 || event->modifiers().testFlag(Qt::ShiftModifier);
    if (pan) {
        const double notches = (delta.x() != 0 ? delta.x() : delta.y()) / 120.0;
        const double shift = -notches * 0.1 * (t1 - t0);
        SetView(t0 + shift, t1 + shift, false);
    } else if (delta.y() != 0) {
        const double factor = std::pow(1.25, -delta.y() / 120.0);
        if (following_) {
            SetView(0, (t1 - t0) * factor, true);
        } else {
            const double at = TimeAt(event->position().x());
            SetView(at - (at - t0) * factor, at + (t1 - at) * factor, false);
        }
    }
    event->accept();
}

void PlotWidget::mousePressEvent(QMouseEvent* event) {
    pressPos_ = dragPos_ = event->position();
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    if (event->button() == Qt::RightButton || (event->button() == Qt::LeftButton && shift)) {
        PlaceMarker(TimeAt(event->position().x()));
        dragButton_ = Qt::NoButton;
    } else if (event->button() == Qt::LeftButton || event->button() == Qt::MiddleButton) {
        dragButton_ = event->button();
        dragViewStart_ = ViewStart();
        dragViewEnd_ = ViewEnd();
    }
    event->accept();
}

void PlotWidget::mouseMoveEvent(QMouseEvent* event) {
    dragPos_ = event->position();
    if (dragButton_ == Qt::LeftButton) {
        update();
    } else if (dragButton_ == Qt::MiddleButton) {
        const Layout layout = ComputeLayout(rect(), fontMetrics());
        const double shift = (dragPos_.x() - pressPos_.x()) / layout.plot.width() * (dragViewEnd_ - dragViewStart_);
        if (std::abs(dragPos_.x() - pressPos_.x()) >= 1) SetView(dragViewStart_ - shift, dragViewEnd_ - shift, false);
    }
    event->accept();
}

void PlotWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (dragButton_ == Qt::LeftButton && event->button() == Qt::LeftButton) {
        dragPos_ = event->position();
        dragButton_ = Qt::NoButton;
        if (std::abs(dragPos_.x() - pressPos_.x()) >= kDragThreshold) {
            const double a = TimeAt(std::min(pressPos_.x(), dragPos_.x()));
            const double b = TimeAt(std::max(pressPos_.x(), dragPos_.x()));
            SetView(a, b, false);
        }
        update();
    } else if (event->button() == dragButton_) {
        dragButton_ = Qt::NoButton;
    }
    event->accept();
}

void PlotWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) ShowAll();
    event->accept();
}

}  // namespace rq36
