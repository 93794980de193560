#include "cycle_clock.h"

#include "base/timer.h"

#include <QtGlobal>

CycleClock::CycleClock(TimerFactory &timers, QObject *parent)
    : QObject(parent), m_tick(timers.create(1000, this))
{
    m_tick->setObjectName(QStringLiteral("cycleClockTick"));
    connect(m_tick, &Timer::timeout, this, &CycleClock::tick);
}

void CycleClock::setCycleLength(int minutes)
{
    m_cycleLength = qBound(MinCycleLength, minutes, MaxCycleLength);
}

int CycleClock::secondsToRestart() const
{
    return qMax(0, m_cycleLength * 60 - (m_minutes * 60 + m_seconds));
}

void CycleClock::start()
{
    m_tick->setEnabled(true);
}

void CycleClock::stop()
{
    m_tick->setEnabled(false);
    m_seconds = 0;
    m_minutes = 0;
}

void CycleClock::tick()
{
    if (++m_seconds >= 60) {
        m_seconds = 0;
        ++m_minutes;
        if (m_minutes == 9 || m_minutes == 18)
            emit homePageDue();
    }
    // Reaching or passing the length restarts, so a length shortened below
    // the minutes already counted restarts at once instead of never.
    if (m_minutes >= m_cycleLength) {
        emit cycleDue();
        m_minutes = 0;
    }
}
