#include "one_line.h"

QString oneLine(const QString &text)
{
    QString line = text.size() > OneLineMaxChars ? text.left(OneLineMaxChars) + QStringLiteral("…（已截断）") : text;
    for (QChar &c : line) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line
            || category == QChar::Separator_Paragraph)
            c = QLatin1Char(' ');
    }
    return line;
}
