#include "status_line.h"

StatusLine::StatusLine(QWidget *parent) : QLabel(QStringLiteral(".."), parent)
{
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QPalette red = palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    setPalette(red);
}

void StatusLine::say(const QString &text)
{
    setText(text);
    // Too long for the line (a file's path, say): its beginning shows, the
    // whole of it in the tooltip and the journal.
    const bool fits = fontMetrics().horizontalAdvance(text) <= contentsRect().width();
    setAlignment((fits ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
    setToolTip(fits ? QString() : text);
}
