#pragma once

#include "automation/cycle/stage_machine.h"
#include "site_health.h"

#include <QObject>

class Browser;
class Timer;
class TimerFactory;

// Notices when a site's run stops being useful, and when it is again:
// - the login is lost: a collection page loads without its submit button,
//   a page of the cycle ends up elsewhere (the CMS's login form, usually),
//   or its button is a login form's.
//   It lasts until a collection page's button is pressed again;
// - an outage: two loads of the cycle's pages in a row fail. It lasts until
//   a page of the cycle loads again;
// - a page has its buttons, but not as expected: the collection page several,
//   the generation page no second one. It lasts until that page is pressed;
// - a box of the browser waits for a person's answer;
// - a cycle stopped by "1" has waited ReminderAfter for "2".
class RunWatch : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::minutes ReminderAfter{10};

    RunWatch(const StageMachine &stages, Browser &browser, TimerFactory &timers, QObject *parent = nullptr);

    const SiteHealth &health() const { return m_health; }
    // The tool logged in by itself for the login lost now, and failed.
    void noteReloginFailed();

signals:
    // Something needs a person; the health already says what. A box that
    // replaces another begins anew.
    void troubleBegan(SiteTrouble trouble);
    void troubleEnded(SiteTrouble trouble);
    // A page of the cycle showed that the login is lost, the first time or
    // again; told before the trouble begins.
    void loginLostSeen();
    void collectionPressed();
    void generationPressed();
    // A cycle in which both presses were made has loaded its home page.
    void cycleCompleted();

private:
    void pageLoaded(const PageLoad &load);
    void pressReported(const PressOutcome &outcome);
    void personAwaited(const PersonWait &wait);
    void setLoginLost(bool lost);
    void setUnexpectedPage(bool collection, const PressOutcome &outcome);
    void noteFailure(const LoadFailure &failure);
    void noteLoaded();

    const StageMachine &m_stages;
    TimerFactory &m_timers; // and the time of day
    Timer *const m_reminder;
    SiteHealth m_health;
    int m_failuresInARow = 0;
    int m_pressesThisCycle = 0;
};
