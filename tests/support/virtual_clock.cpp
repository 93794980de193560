#include "virtual_clock.h"

#include <algorithm>

class VirtualClock::VirtualTimer : public Timer {
public:
    VirtualTimer(VirtualClock &clock, int intervalMs, QObject *parent)
        : Timer(parent), m_clock(clock), m_interval(intervalMs) {}
    ~VirtualTimer() override { m_clock.disarm(this); }

    void setEnabled(bool enabled) override
    {
        if (enabled && !m_enabled)
            m_clock.arm(this);
        else if (!enabled && m_enabled)
            m_clock.disarm(this);
        m_enabled = enabled;
    }
    bool isEnabled() const override { return m_enabled; }
    int interval() const override { return m_interval; }
    void fire() { emit timeout(); }

private:
    VirtualClock &m_clock;
    int m_interval;
    bool m_enabled = false;
};

VirtualClock::VirtualClock() = default;
VirtualClock::~VirtualClock() = default;

Timer *VirtualClock::create(int intervalMs, QObject *parent)
{
    return new VirtualTimer(*this, intervalMs, parent);
}

void VirtualClock::schedule(qint64 delayMs, std::function<void()> action)
{
    m_entries.append({m_now + delayMs, m_nextOrder++, nullptr, std::move(action)});
}

void VirtualClock::arm(VirtualTimer *timer)
{
    m_entries.append({m_now + timer->interval(), m_nextOrder++, timer, {}});
}

void VirtualClock::disarm(VirtualTimer *timer)
{
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                   [timer](const Entry &e) { return e.timer == timer; }),
                    m_entries.end());
}

void VirtualClock::advance(qint64 ms)
{
    advanceTo(m_now + ms);
}

void VirtualClock::advanceTo(qint64 time)
{
    for (;;) {
        const auto next = std::min_element(m_entries.begin(), m_entries.end(), [](const Entry &a, const Entry &b) {
            return a.due != b.due ? a.due < b.due : a.order < b.order;
        });
        if (next == m_entries.end() || next->due > time)
            break;
        const Entry entry = *next;
        m_entries.erase(next);
        m_now = entry.due;
        if (entry.timer) {
            // Re-armed before it fires, so a handler that stops it wins.
            m_entries.append({entry.due + entry.timer->interval(), m_nextOrder++, entry.timer, {}});
            entry.timer->fire();
        } else {
            entry.action();
        }
    }
    m_now = std::max(m_now, time);
}
