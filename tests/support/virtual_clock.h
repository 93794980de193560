#pragma once

#include "base/timer.h"

#include <QMap>
#include <QPointer>
#include <functional>

// Time for tests: timers made here tick only when the test advances the
// clock, each at its exact due time, in due-time order (what is due at the
// same moment runs in the order it was scheduled).
class VirtualClock : public TimerFactory {
public:
    Timer *create(int intervalMs, QObject *parent) override { return new VirtualTimer(*this, intervalMs, parent); }

    qint64 now() const { return m_now; }
    // Local time: midnight of 7 December 2026 at the start.
    QDateTime wallTime() const override { return QDateTime(QDate(2026, 12, 7), QTime(0, 0)).addMSecs(m_now); }
    // Runs `action` once, `delayMs` from now.
    void schedule(qint64 delayMs, std::function<void()> action)
    {
        m_due.insert({m_now + delayMs, m_scheduled++}, std::move(action));
    }
    // Runs everything due up to and including `ms` from now, then stands there.
    void advance(qint64 ms)
    {
        const qint64 until = m_now + ms;
        while (!m_due.isEmpty() && m_due.firstKey().first <= until) {
            m_now = m_due.firstKey().first;
            m_due.take(m_due.firstKey())();
        }
        m_now = until;
    }

private:
    class VirtualTimer : public Timer {
    public:
        VirtualTimer(VirtualClock &clock, int intervalMs, QObject *parent)
            : Timer(parent), m_clock(clock), m_interval(intervalMs) {}
        void setEnabled(bool enabled) override
        {
            if (enabled == m_enabled)
                return; // enabled again: the schedule stays
            m_enabled = enabled;
            ++m_round; // a tick scheduled before is dropped
            if (enabled)
                arm();
        }
        bool isEnabled() const override { return m_enabled; }
        int interval() const override { return m_interval; }

    private:
        // The next tick is scheduled before this one fires, so a handler that
        // stops the timer wins.
        void arm()
        {
            m_clock.schedule(m_interval, [self = QPointer<VirtualTimer>(this), round = m_round] {
                if (self && self->m_round == round) {
                    self->arm();
                    emit self->timeout();
                }
            });
        }

        VirtualClock &m_clock;
        const int m_interval;
        bool m_enabled = false;
        quint64 m_round = 0;
    };

    qint64 m_now = 0;
    quint64 m_scheduled = 0;
    QMap<QPair<qint64, quint64>, std::function<void()>> m_due;
};
