#include "text_number.h"

std::optional<double> numberFromText(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

QString textFromNumber(double number)
{
    return QString::number(number, 'g', 15);
}
