#include "cycle_clock.h"

#include "text_number.h"
#include "timer.h"

#include <QtGlobal>

CycleClock::CycleClock(TimerFactory &timers, QObject *parent)
    : QObject(parent), Timer3(timers.create(1000, this))
{
    connect(Timer3, &Timer::timeout, this, &CycleClock::Timer3_Timer);
}

void CycleClock::setCycleLength(int minutes)
{
    m_cycleLength = qBound(MinCycleLength, minutes, MaxCycleLength);
}

int CycleClock::secondsToRestart() const
{
    const double counted = numberFromText(Text7).value_or(0) * 60 + numberFromText(Text6).value_or(0);
    return qMax(0, m_cycleLength * 60 - int(counted));
}

void CycleClock::Timer3_Timer()
{
    const double seconds = numberFromText(Text6).value_or(0) + 1;
    Text6 = textFromNumber(seconds);
    if (seconds >= 60) {
        Text6 = QStringLiteral("0");
        const double minutes = numberFromText(Text7).value_or(0) + 1;
        Text7 = textFromNumber(minutes);
        if (minutes == 9 || minutes == 18)
            emit homePageDue();
    }
    // Reaching or passing the length restarts, so a length shortened below
    // the minutes already counted restarts at once instead of never.
    if (numberFromText(Text7).value_or(0) >= m_cycleLength) {
        emit cycleDue();
        Text7 = QStringLiteral("0");
    }
}
