#include "page_slots.h"

void PageSlots::ask(const void *site, std::function<void()> go)
{
    if (m_in.contains(site) && m_waiting.isEmpty())
        return go();
    if (m_in.size() < m_count && m_waiting.isEmpty()) {
        m_in << site;
        return go();
    }
    // A site in that asks again while others wait (a cycle due before its
    // last one ended) goes behind them: none may keep a slot for ever.
    if (m_in.contains(site)) {
        m_waiting.append({site, std::move(go)});
        return leave(site, false);
    }
    for (Waiting &waiting : m_waiting) {
        if (waiting.site == site)
            return void(waiting.go = std::move(go)); // the latest wish counts
    }
    m_waiting.append({site, std::move(go)});
}

void PageSlots::leave(const void *site, bool queueToo)
{
    if (queueToo)
        m_waiting.removeIf([site](const Waiting &waiting) { return waiting.site == site; });
    if (!m_in.removeOne(site))
        return;
    while (m_in.size() < m_count && !m_waiting.isEmpty()) {
        Waiting next = m_waiting.takeFirst();
        m_in << next.site;
        next.go();
    }
}
