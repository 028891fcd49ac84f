// A one-line label that shows its whole text when it fits and otherwise cuts
// it in the middle, where a device path or a message loses least (its start
// and its end stay), with the whole text as its tooltip.
#pragma once

#include <QLabel>

class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    // text() keeps the whole text; use this instead of setText so that the
    // tooltip follows.
    void SetText(const QString& text);
    // True while the label is too narrow for its text.
    bool Elided() const;
    // What the label paints.
    QString ShownText() const;

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRect TextRect() const;
    void UpdateToolTip();
};
