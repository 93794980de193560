#pragma once

#include "automation/page_gate.h"

#include <QDateTime>
#include <QObject>

class Browser;
class PageSlots;
class TimerFactory;

// One site's page in a set: each page its cycle opens waits for one of the
// set's slots to load in; the page is awake from the first of them until the
// cycle is done with it, and then rests, unless a person looks at it or a
// box of its waits for an answer. A page with a load in flight (a
// collection's POST, say) rests only once that load has ended: a CMS may
// stop its work when the browser goes mid-request.
class SitePage : public QObject, public PageGate {
    Q_OBJECT
public:
    SitePage(Browser &browser, PageSlots &pageSlots, TimerFactory &timers, QObject *parent = nullptr);
    ~SitePage() override;

    void enter(std::function<void()> go) override;
    void loaded() override;
    void leave() override;
    // The person looks at it, or no more.
    void setLookedAt(bool lookedAt);
    bool working() const { return m_working; }

signals:
    // A page waited `seconds` for a slot before it could load.
    void startedLate(int seconds);

private:
    void restIfIdle();

    Browser &m_browser;
    PageSlots &m_slots;
    TimerFactory &m_timers;
    bool m_working = false;
    bool m_lookedAt = false;
    bool m_awaited = false; // a box waits for an answer
};
