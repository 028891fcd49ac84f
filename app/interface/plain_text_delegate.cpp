#include "interface/plain_text_delegate.h"

#include <QApplication>
#include <QGlyphRun>
#include <QPainter>

namespace rq36 {

namespace {
constexpr char16_t kEllipsis = u'\u2026';
}

const PlainTextDelegate::Glyph& PlainTextDelegate::GlyphOf(char16_t c) const {
    const auto found = glyphs_.constFind(c);
    if (found != glyphs_.constEnd()) return *found;
    Glyph g;
    const QList<quint32> indexes = raw_.glyphIndexesForString(QString(QChar(c)));
    if (indexes.size() == 1 && indexes.front() != 0) {
        g.index = indexes.front();
        const QList<QPointF> advances = raw_.advancesForGlyphIndexes(indexes);
        g.advance = advances.isEmpty() ? 0 : advances.front().x();
    }
    return *glyphs_.insert(c, g);
}

bool PlainTextDelegate::DrawRun(QPainter* painter, const QRectF& area, Qt::Alignment align, const QString& text) const {
    runGlyphs_.clear();
    runPositions_.clear();
    qreal x = 0;
    for (const QChar ch : text) {
        // Surrogates and characters the font lacks go the general way.
        if (ch.isSurrogate()) return false;
        const Glyph& g = GlyphOf(ch.unicode());
        if (g.index == 0 && !ch.isSpace()) return false;
        runGlyphs_.push_back(g.index);
        runPositions_.push_back(QPointF(x, 0));
        x += g.advance;
    }
    if (x > area.width()) {
        // Cut to what fits with the ellipsis after it.
        const Glyph& ellipsis = GlyphOf(kEllipsis);
        if (ellipsis.index == 0) return false;
        // Where the first k glyphs end: the next one's position.
        const auto end = [&](qsizetype k) { return k < runPositions_.size() ? runPositions_[k].x() : x; };
        qsizetype keep = runGlyphs_.size();
        while (keep > 0 && end(keep) + ellipsis.advance > area.width()) --keep;
        const qreal at = end(keep);
        runGlyphs_.resize(keep);
        runPositions_.resize(keep);
        runGlyphs_.push_back(ellipsis.index);
        runPositions_.push_back(QPointF(at, 0));
        x = at + ellipsis.advance;
    }
    QGlyphRun run;
    run.setRawFont(raw_);
    run.setGlyphIndexes(runGlyphs_);
    run.setPositions(runPositions_);
    const qreal left = (align & Qt::AlignRight) != 0 ? area.right() - x : area.left();
    const qreal baseline = area.top() + (area.height() + raw_.ascent() - raw_.descent()) / 2;
    painter->drawGlyphRun(QPointF(left, baseline), run);
    return true;
}

void PlainTextDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    const QPalette::ColorGroup group =
        (option.state & QStyle::State_Active) != 0 ? QPalette::Active : QPalette::Inactive;
    if (selected) {
        painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));
    } else if ((option.features & QStyleOptionViewItem::Alternate) != 0) {
        painter->fillRect(option.rect, option.palette.brush(group, QPalette::AlternateBase));
    }
    const QString text = index.data(Qt::DisplayRole).toString();
    if (text.isEmpty()) return;

    if (option.font != font_ || !raw_.isValid()) {
        font_ = option.font;
        raw_ = QRawFont::fromFont(font_);
        glyphs_.clear();
    }
    const QWidget* widget = option.widget;
    const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect area = option.rect.adjusted(margin, 0, -margin, 0);
    const QVariant alignment = index.data(Qt::TextAlignmentRole);
    const Qt::Alignment align =
        alignment.isValid() ? Qt::Alignment(alignment.toInt()) & Qt::AlignHorizontal_Mask : Qt::AlignLeft;

    painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    if (raw_.isValid() && DrawRun(painter, area, align, text)) return;
    painter->save();
    painter->setFont(font_);
    const QString shown = option.fontMetrics.elidedText(text, Qt::ElideRight, area.width());
    painter->drawText(area, static_cast<int>(align | Qt::AlignVCenter | Qt::TextSingleLine), shown);
    painter->restore();
}

}  // namespace rq36
