#include "page_slots.h"

void PageSlots::ask(const void *site, std::function<void()> go)
{
    // Asked again before its last wish came true: the new one replaces it.
    for (Waiting &waiting : m_waiting) {
        if (waiting.site == site)
            return void(waiting.go = std::move(go));
    }
    if (m_in.size() < m_count && m_waiting.isEmpty()) {
        if (!m_in.contains(site))
            m_in << site;
        return go();
    }
    m_in.removeOne(site); // a page loads one thing at a time
    m_waiting.append({site, std::move(go)});
    letIn();
}

void PageSlots::leave(const void *site)
{
    m_waiting.removeIf([site](const Waiting &waiting) { return waiting.site == site; });
    if (m_in.removeOne(site))
        letIn();
}

void PageSlots::letIn()
{
    while (m_in.size() < m_count && !m_waiting.isEmpty()) {
        Waiting next = m_waiting.takeFirst();
        m_in << next.site;
        next.go();
    }
}
