#include "run_watch.h"

#include "automation/browser.h"
#include "base/timer.h"

RunWatch::RunWatch(const StageMachine &stages, Browser &browser, TimerFactory &timers, QObject *parent)
    : QObject(parent),
      m_stages(stages),
      m_timers(timers),
      m_reminder(timers.create(int(std::chrono::milliseconds(ReminderAfter).count()), this))
{
    connect(&stages, &StageMachine::pageOpened, this, [this](StageMachine::Page page) {
        if (page == StageMachine::Page::Collection)
            m_pressesThisCycle = 0;
    });
    connect(&browser, &Browser::pageLoaded, this, &RunWatch::pageLoaded);
    connect(&browser, &Browser::pressReported, this, &RunWatch::pressReported);
    connect(&browser, &Browser::personAwaited, this, &RunWatch::personAwaited);
    connect(&stages, &StageMachine::cycleStopped, m_reminder, [this](StageMachine::Stop why) {
        m_health.stoppedByDialog = why == StageMachine::Stop::PersonsDialog;
        m_reminder->setEnabled(true);
    });
    connect(&stages, &StageMachine::cycleStarted, m_reminder, [this] { m_reminder->setEnabled(false); });
    connect(m_reminder, &Timer::timeout, this, [this] {
        m_reminder->setEnabled(false);
        emit troubleBegan(SiteTrouble::StoppedTooLong);
    });
}

void RunWatch::pageLoaded(const PageLoad &load)
{
    const StageMachine::Page page = m_stages.page();
    if (page == StageMachine::Page::Login)
        return;
    switch (load.outcome) {
    case PageLoad::Loaded:
        noteLoaded();
        if (page == StageMachine::Page::HomePage && m_pressesThisCycle == 2) {
            m_pressesThisCycle = 0; // once per cycle, not at each reopening
            emit cycleCompleted();
        }
        break;
    case PageLoad::Elsewhere:
        noteLoaded();
        setLoginLost(true);
        break;
    case PageLoad::Failed:
        // A page refused while a box asks the person is no outage.
        if (m_health.awaited.kind == PersonWait::None)
            noteFailure(load.failure);
        break;
    }
}

void RunWatch::noteReloginFailed()
{
    m_health.reloginFailed = true;
    emit troubleBegan(SiteTrouble::ReloginFailed);
}

void RunWatch::noteFailure(const LoadFailure &failure)
{
    if (++m_failuresInARow < 2 || m_health.outage)
        return;
    m_health.outage = failure;
    m_health.outageSince = m_timers.wallTime();
    emit troubleBegan(SiteTrouble::Outage);
}

void RunWatch::noteLoaded()
{
    m_failuresInARow = 0;
    if (!m_health.outage)
        return;
    m_health.outage.reset();
    m_health.outageMinutes = int(m_health.outageSince.secsTo(m_timers.wallTime()) / 60);
    emit troubleEnded(SiteTrouble::Outage);
}

void RunWatch::pressReported(const PressOutcome &outcome)
{
    m_pressesThisCycle += outcome.result == PressOutcome::Pressed;
    if (outcome.result == PressOutcome::LoginForm)
        return setLoginLost(true); // on any page of the cycle
    if (m_stages.page() == StageMachine::Page::Generation) {
        if (outcome.result == PressOutcome::Pressed)
            emit generationPressed();
        return setUnexpectedPage(false, outcome);
    }
    if (m_stages.page() != StageMachine::Page::Collection)
        return;
    setUnexpectedPage(true, outcome);
    switch (outcome.result) {
    case PressOutcome::Pressed:
        setLoginLost(false);
        emit collectionPressed();
        break;
    case PressOutcome::NotPressed:
        if (outcome.found == 0)
            setLoginLost(true);
        break;
    case PressOutcome::NotOnRequestedPage:
    case PressOutcome::LoginForm:
        break;
    }
}

void RunWatch::setUnexpectedPage(bool collection, const PressOutcome &outcome)
{
    const std::optional<UnexpectedPage> &now = m_health.unexpectedPage;
    if (outcome.result == PressOutcome::Pressed && now && now->collection == collection) {
        m_health.unexpectedPage.reset();
        emit troubleEnded(SiteTrouble::PageChanged);
    } else if (outcome.result == PressOutcome::NotPressed && (!collection || outcome.found > 1) && !now) {
        // A collection page without any button is the login lost instead.
        m_health.unexpectedPage = UnexpectedPage{collection, outcome.found};
        emit troubleBegan(SiteTrouble::PageChanged);
    }
}

void RunWatch::personAwaited(const PersonWait &wait)
{
    if (wait == m_health.awaited)
        return;
    m_health.awaited = wait;
    wait.kind == PersonWait::None ? emit troubleEnded(SiteTrouble::PersonAwaited)
                                  : emit troubleBegan(SiteTrouble::PersonAwaited);
}

void RunWatch::setLoginLost(bool lost)
{
    if (lost)
        emit loginLostSeen();
    if (lost == m_health.loginLost)
        return;
    m_health.loginLost = lost;
    m_health.reloginFailed = false;
    lost ? emit troubleBegan(SiteTrouble::LoginLost) : emit troubleEnded(SiteTrouble::LoginLost);
}
