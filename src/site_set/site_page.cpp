#include "site_page.h"

#include "automation/browser.h"
#include "base/timer.h"
#include "page_slots.h"

SitePage::SitePage(Browser &browser, PageSlots &pageSlots, TimerFactory &timers, QObject *parent)
    : QObject(parent), m_browser(browser), m_slots(pageSlots), m_timers(timers)
{
    connect(&browser, &Browser::personAwaited, this, [this](const PersonWait &wait) {
        m_awaited = wait.kind != PersonWait::None;
        restIfIdle();
    });
    connect(&browser, &Browser::loadingEnded, this, &SitePage::restIfIdle);
}

SitePage::~SitePage()
{
    m_slots.leave(this);
}

void SitePage::enter(std::function<void()> go)
{
    const QDateTime asked = m_timers.wallTime();
    m_slots.ask(this, [this, asked, go = std::move(go)] {
        m_working = true;
        m_browser.setResting(false);
        if (const qint64 waited = asked.secsTo(m_timers.wallTime()); waited > 0)
            emit startedLate(int(waited));
        go();
    });
}

void SitePage::loaded()
{
    m_slots.leave(this);
}

void SitePage::leave()
{
    m_slots.leave(this);
    m_working = false;
    restIfIdle();
}

void SitePage::setLookedAt(bool lookedAt)
{
    m_lookedAt = lookedAt;
    if (lookedAt)
        m_browser.setResting(false);
    else
        restIfIdle();
}

void SitePage::restIfIdle()
{
    // Asked again once the load ends.
    if (!m_working && !m_lookedAt && !m_awaited && !m_browser.loading())
        m_browser.setResting(true);
}
