#include "half_width_space_label.h"

#include <QPainter>

namespace {

int halfCjkWidth(const QFontMetrics &metrics)
{
    return metrics.horizontalAdvance(QChar(0x4E2D)) / 2; // half of 中
}

// Splits the text into runs of non-space characters with their x offsets.
template <typename Draw>
int layOut(const QString &text, const QFontMetrics &metrics, Draw draw)
{
    int x = 0;
    QString run;
    for (const QChar c : text + QLatin1Char(' ')) {
        if (c != QLatin1Char(' ')) {
            run += c;
            continue;
        }
        if (!run.isEmpty()) {
            draw(x, run);
            x += metrics.horizontalAdvance(run);
            run.clear();
        }
        x += halfCjkWidth(metrics);
    }
    return x - halfCjkWidth(metrics);
}

} // namespace

QSize HalfWidthSpaceLabel::sizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(layOut(text(), metrics, [](int, const QString &) {}), metrics.height());
}

void HalfWidthSpaceLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics metrics(font());
    layOut(text(), metrics, [&](int x, const QString &run) {
        painter.drawText(x, metrics.ascent(), run);
    });
}
