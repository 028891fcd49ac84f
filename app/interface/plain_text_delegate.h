// Cells of one line of plain text, drawn for a view that repaints many of
// them several times a second (the traffic monitor following the end: every
// refresh moves every visible row).  The style's general item (icon, check
// box, font and colours per cell, word wrap, a text layout per cell) costs
// several times as much; here each character's glyph and advance are looked
// up once per font and a cell becomes one glyph run, cut with "…" where the
// column is too narrow.  A text with a character the font lacks is drawn
// the general way, so a fallback font still shows it.
#pragma once

#include <QHash>
#include <QRawFont>
#include <QStyledItemDelegate>

namespace rq36 {

class PlainTextDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    struct Glyph {
        quint32 index = 0;  // 0: the font has none
        qreal advance = 0;
    };
    const Glyph& GlyphOf(char16_t c) const;
    // True when the text was drawn as a glyph run.
    bool DrawRun(QPainter* painter, const QRectF& area, Qt::Alignment align, const QString& text) const;

    mutable QFont font_;
    mutable QRawFont raw_;
    mutable QHash<char16_t, Glyph> glyphs_;
    mutable QVector<quint32> runGlyphs_;
    mutable QVector<QPointF> runPositions_;
};

}  // namespace rq36
