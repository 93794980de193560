#include "precise_timer.h"

#include <QTimer>

PreciseTimer::PreciseTimer(int intervalMs, QObject *parent)
    : Timer(parent), m_timer(new QTimer(this))
{
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(intervalMs);
    connect(m_timer, &QTimer::timeout, this, &Timer::timeout);
}

void PreciseTimer::setEnabled(bool enabled)
{
    if (enabled && !m_timer->isActive())
        m_timer->start();
    else if (!enabled)
        m_timer->stop();
}

bool PreciseTimer::isEnabled() const
{
    return m_timer->isActive();
}

int PreciseTimer::interval() const
{
    return m_timer->interval();
}

Timer *PreciseTimerFactory::create(int intervalMs, QObject *parent)
{
    return new PreciseTimer(intervalMs, parent);
}
