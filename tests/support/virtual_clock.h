#pragma once

#include "automation/timer.h"

#include <QList>
#include <functional>

// Time for tests: timers made here tick only when the test advances the
// clock, each at its exact due time, in due-time order (timers due at the
// same moment fire in the order they were scheduled).
class VirtualClock : public TimerFactory {
public:
    VirtualClock();
    ~VirtualClock() override;

    Timer *create(int intervalMs, QObject *parent) override;

    qint64 now() const { return m_now; }
    // Runs `action` once, `delayMs` from now.
    void schedule(qint64 delayMs, std::function<void()> action);
    // Fires everything due up to now + `ms`, then stands at that time.
    void advance(qint64 ms);
    // Fires everything due up to and including `time`.
    void advanceTo(qint64 time);

private:
    class VirtualTimer;
    struct Entry {
        qint64 due;
        quint64 order;
        VirtualTimer *timer; // null for a one-off action
        std::function<void()> action;
    };

    void arm(VirtualTimer *timer);
    void disarm(VirtualTimer *timer);

    qint64 m_now = 0;
    quint64 m_nextOrder = 0;
    QList<Entry> m_entries;
};
