#pragma once

#include "base/precise_timer.h"

// Real timers that run faster: every interval is divided by `divisor`
// (at least 1 ms), so with 100 a 60 s wait takes 0.6 s and a 1 s tick 10 ms.
class ScaledTimerFactory : public TimerFactory {
public:
    explicit ScaledTimerFactory(int divisor) : m_divisor(qMax(1, divisor)) {}
    Timer *create(int intervalMs, QObject *parent) override
    {
        return new PreciseTimer(qMax(1, intervalMs / m_divisor), parent);
    }

private:
    int m_divisor;
};
