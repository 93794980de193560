#pragma once

#include <QLabel>

// A label that draws every space as half a CJK character wide, as 宋体 does.
// The cycle length label leaves a gap of spaces for its box; in fonts with
// narrow spaces the words after the gap would slide under the box.
class HalfWidthSpaceLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
};
