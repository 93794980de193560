#include "scaled_timer_factory.h"

#include "automation/precise_timer.h"

#include <QtGlobal>

ScaledTimerFactory::ScaledTimerFactory(int divisor) : m_divisor(qMax(1, divisor)) {}

Timer *ScaledTimerFactory::create(int intervalMs, QObject *parent)
{
    return new PreciseTimer(qMax(1, intervalMs / m_divisor), parent);
}
