#include "relogin.h"

#include "automation/browser.h"
#include "automation/stage_machine.h"
#include "base/timer.h"
#include "run_watch.h"
#include "settings/login_keeper.h"

Relogin::Relogin(StageMachine &stages, Browser &browser, RunWatch &watch, LoginKeeper &keeper, TimerFactory &timers,
                 const AdminAddresses &addresses, QObject *parent)
    : QObject(parent),
      m_stages(stages),
      m_browser(browser),
      m_watch(watch),
      m_keeper(keeper),
      m_addresses(addresses),
      m_personActive(timers.create(PersonQuietMs, this)),
      m_soon(timers.create(0, this))
{
    connect(m_soon, &Timer::timeout, this, [this] {
        m_soon->setEnabled(false);
        tryNow();
    });
    connect(m_personActive, &Timer::timeout, this, [this] {
        m_personActive->setEnabled(false);
        tryNow();
    });
    connect(&watch, &RunWatch::troubleBegan, this, [this](SiteTrouble trouble) {
        if (trouble != SiteTrouble::LoginLost)
            return;
        m_wanted = true;
        m_soon->setEnabled(true); // once the page that showed it has been dealt with
    });
    connect(&watch, &RunWatch::troubleEnded, this, [this](SiteTrouble trouble) {
        if (trouble == SiteTrouble::LoginLost)
            m_wanted = m_tried = false;
    });
    connect(&keeper, &LoginKeeper::loaded, this, [this] {
        if (m_wanted && !m_tried && !usable())
            emit tried(Outcome::NotRemembered);
        tryNow();
    });
    // "1" takes the browser, as always.
    connect(&stages, &StageMachine::cycleStopped, this, [this] { m_state = State::Idle; });
    connect(&browser, &Browser::pageLoaded, this, &Relogin::pageLoaded);
    connect(&browser, &Browser::loginSent, this, [this](bool sent) {
        if (m_state != State::Sending)
            return;
        if (!sent)
            return finish(Outcome::Failed); // the page has changed
        m_state = State::Answering;
    });
    connect(&browser, &Browser::loginAnswered, this, [this](bool stillAsks) {
        if (m_state != State::Answering)
            return;
        if (stillAsks)
            return finish(Outcome::Failed);
        m_state = State::Confirming;
        m_stages.startCycle();
    });
}

bool Relogin::usable() const
{
    const auto &login = m_keeper.login();
    return login && login->address == m_addresses.login && !login->failed;
}

bool Relogin::willTry() const
{
    return m_state != State::Idle || (m_wanted && !m_tried && (!m_keeper.isLoaded() || usable()));
}

void Relogin::notePersonActive()
{
    m_personActive->setEnabled(false);
    m_personActive->setEnabled(true);
    if (m_state == State::Opening || m_state == State::Sending)
        finish(Outcome::GivenUp);
}

void Relogin::tryNow()
{
    if (!m_wanted || m_tried || m_state != State::Idle || !m_keeper.isLoaded() || !usable()
        || m_personActive->isEnabled() || !m_stages.isRunning())
        return;
    m_tried = true;
    m_state = State::Opening;
    emit begun();
    m_stages.openLoginPageToLogIn();
}

void Relogin::pageLoaded(const PageLoad &load)
{
    if (m_state == State::Opening && m_stages.page() == StageMachine::Page::Login) {
        // Sent on to the administration pages: the CMS still has the login.
        if (load.outcome == PageLoad::Elsewhere)
            return finish(Outcome::StillLoggedIn);
        if (!load.loaded())
            return finish(Outcome::Failed);
        m_state = State::Sending;
        m_browser.logIn(*m_keeper.login());
    } else if (m_state == State::Confirming && m_stages.page() == StageMachine::Page::Collection) {
        // Reached, not sent back to the login page: logged in, whether or
        // not the page has its button.
        m_state = State::Idle;
        load.loaded() ? emit tried(Outcome::LoggedIn) : fail();
    }
}

void Relogin::fail()
{
    RememberedLogin failed = *m_keeper.login();
    failed.failed = true;
    m_keeper.keep(failed);
    emit tried(Outcome::Failed);
    m_watch.noteReloginFailed();
}

void Relogin::finish(Outcome outcome)
{
    m_state = State::Idle;
    outcome == Outcome::Failed ? fail() : emit tried(outcome);
    m_stages.startCycle();
}
