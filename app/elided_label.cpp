#include "elided_label.h"

#include <QPainter>
#include <QResizeEvent>
#include <QStyle>

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) { setTextFormat(Qt::PlainText); }

void ElidedLabel::SetText(const QString& text) {
    setText(text);
    UpdateToolTip();
}

// The rectangle QLabel lays its text in: inside the frame and the margin,
// after the indent (half an "x" when a frame is drawn and no indent is set).
QRect ElidedLabel::TextRect() const {
    QRect r = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    int indent = this->indent();
    if (indent < 0 && frameWidth() > 0) indent = fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2;
    if (indent > 0) {
        if (alignment() & Qt::AlignLeft) r.setLeft(r.left() + indent);
        if (alignment() & Qt::AlignRight) r.setRight(r.right() - indent);
    }
    return r;
}

bool ElidedLabel::Elided() const { return fontMetrics().horizontalAdvance(text()) > TextRect().width(); }

QString ElidedLabel::ShownText() const {
    return Elided() ? fontMetrics().elidedText(text(), Qt::ElideMiddle, TextRect().width()) : text();
}

QSize ElidedLabel::minimumSizeHint() const {
    // As narrow as a few characters: the text gives way, not the layout.
    const QSize whole = QLabel::minimumSizeHint();
    return {std::min(whole.width(), fontMetrics().horizontalAdvance(QStringLiteral("xx…xx")) + 2 * frameWidth()),
            whole.height()};
}

void ElidedLabel::paintEvent(QPaintEvent* event) {
    if (!Elided()) {
        QLabel::paintEvent(event);
        return;
    }
    // The frame alone: the text is the cut one below, not QLabel's.
    QFrame::paintEvent(event);  // NOLINT(bugprone-parent-virtual-call)
    QPainter painter(this);
    style()->drawItemText(&painter, TextRect(),
                          static_cast<int>(QStyle::visualAlignment(layoutDirection(), alignment())), palette(),
                          isEnabled(), ShownText(), foregroundRole());
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    UpdateToolTip();
}

void ElidedLabel::UpdateToolTip() { setToolTip(Elided() ? text() : QString()); }
