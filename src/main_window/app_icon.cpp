#include "app_icon.h"

#include <QPainter>
#include <QPixmap>

QPixmap appIconPixmap(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1d, 0x5f, 0xc4));
    p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);

    const QPointF centre(s / 2, s / 2);
    const qreal radius = s * 0.34;
    p.setBrush(Qt::white);
    p.drawEllipse(centre, radius, radius);

    QPen hand(QColor(0x1d, 0x5f, 0xc4), qMax(1.5, s * 0.08), Qt::SolidLine, Qt::RoundCap);
    p.setPen(hand);
    p.drawLine(centre, centre + QPointF(0, -radius * 0.75));
    p.drawLine(centre, centre + QPointF(radius * 0.6, 0));

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe0, 0x20, 0x20));
    p.drawEllipse(centre, s * 0.06, s * 0.06);
    return pixmap;
}

QIcon appIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48})
        icon.addPixmap(appIconPixmap(size));
    return icon;
}
