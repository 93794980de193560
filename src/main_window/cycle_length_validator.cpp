#include "cycle_length_validator.h"

#include "automation/cycle/cycle_clock.h"

QValidator::State CycleLengthValidator::validate(QString &input, int &) const
{
    if (input.isEmpty())
        return Intermediate;
    if (input.size() > 4 || input.front() == QLatin1Char('0'))
        return Invalid;
    for (const QChar c : input) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return Invalid;
    }
    return input.toInt() <= CycleClock::MaxCycleLength ? Acceptable : Invalid;
}

void CycleLengthValidator::fixup(QString &input) const
{
    input = QString::number(m_fallback);
}
