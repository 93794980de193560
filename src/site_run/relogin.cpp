#include "relogin.h"

#include "automation/browser.h"
#include "automation/cycle/stage_machine.h"
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
    // Each sign of the lost login, so that a try that sent nothing is made
    // again at the next cycle.
    connect(&watch, &RunWatch::loginLostSeen, this, [this] {
        m_wanted = true;
        m_soon->setEnabled(true); // once the page that showed it has been dealt with
    });
    connect(&watch, &RunWatch::troubleEnded, this, [this](SiteTrouble trouble) {
        if (trouble == SiteTrouble::LoginLost)
            m_wanted = m_tried = false;
    });
    connect(&watch, &RunWatch::collectionPressed, this, [this] {
        if (m_state != State::Confirming)
            return;
        m_state = State::Idle;
        if (const RememberedLogin *login = remembered(); login && login->failed) {
            RememberedLogin worked = *login;
            worked.failed = false;
            m_keeper.keep(worked);
        }
        emit tried(Outcome::LoggedIn);
    });
    connect(&keeper, &LoginKeeper::loaded, this, &Relogin::tryNow);
    connect(&keeper, &LoginKeeper::changed, this, [this](const QString &failure) {
        m_state == State::Marking ? marked(failure) : keeperChanged();
    });
    // "1" takes the browser, as always.
    connect(&stages, &StageMachine::cycleStopped, this, [this] { m_state = State::Idle; });
    connect(&browser, &Browser::pageLoaded, this, &Relogin::pageLoaded);
    connect(&browser, &Browser::pressReported, this, &Relogin::pressReported);
    connect(&browser, &Browser::loginSent, this, [this](bool sent) {
        if (m_state != State::Sending)
            return;
        if (!sent)
            return finish(Outcome::FormChanged);
        m_state = State::Answering;
    });
    connect(&browser, &Browser::loginAnswered, this, [this](bool stillAsks, const QUrl &) {
        if (m_state != State::Answering)
            return;
        if (stillAsks)
            return finish(Outcome::Failed);
        m_state = State::Confirming;
        m_stages.startCycle();
    });
}

const RememberedLogin *Relogin::remembered() const
{
    const auto &login = m_keeper.login();
    return login && login->address == m_addresses.login ? &*login : nullptr;
}

bool Relogin::willTry() const
{
    return m_state != State::Idle
        || (m_wanted && !m_tried && !m_disabled && (!m_keeper.isLoaded() || remembered()));
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
    if (!m_wanted || m_tried || m_state != State::Idle || !m_keeper.isLoaded())
        return;
    const RememberedLogin *login = remembered();
    if (login && m_disabled) {
        m_tried = true;
        return emit tried(Outcome::Disabled);
    }
    if (!login || login->failed) {
        // A try marked before and never confirmed, in this run or an earlier
        // one: it failed, or the tool ended before it could know.
        m_tried = true;
        return login ? fail(Outcome::Unconfirmed) : emit tried(Outcome::NotRemembered);
    }
    if (m_personActive->isEnabled() || !m_stages.isRunning())
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
            return finish(Outcome::NotSent);
        // Marked before it is sent, so that an end before the answer never
        // lets a later run send it again.
        RememberedLogin marked = *remembered();
        marked.failed = true;
        m_state = State::Marking;
        m_keeper.keep(marked);
    } else if (m_state == State::Confirming && m_stages.page() == StageMachine::Page::Collection
               && load.outcome == PageLoad::Elsewhere) {
        fail(); // sent back to the login page
    } // a failed load decides nothing: the first collection page that loads does
}

void Relogin::pressReported(const PressOutcome &outcome)
{
    // A press is told to the watch first, which confirms a login that worked.
    if (m_state != State::Confirming || m_stages.page() != StageMachine::Page::Collection)
        return;
    if (outcome.result == PressOutcome::LoginForm || (outcome.result == PressOutcome::NotPressed && outcome.found == 0)) {
        fail();
    } else if (outcome.result == PressOutcome::NotPressed) {
        m_state = State::Idle;
        emit tried(Outcome::PageChanged);
    }
}

void Relogin::marked(const QString &failure)
{
    if (!failure.isEmpty())
        return finish(Outcome::NotSent); // the journal says why
    m_state = State::Sending;
    m_browser.logIn(*m_keeper.login());
}

void Relogin::keeperChanged()
{
    // Forgotten during a try: it ends, and nothing of it is kept.
    if (m_keeper.login() || m_state == State::Idle)
        return;
    if (m_state == State::Confirming) {
        m_state = State::Idle;
        return emit tried(Outcome::NotRemembered);
    }
    finish(Outcome::NotRemembered);
}

void Relogin::fail(Outcome outcome)
{
    m_state = State::Idle;
    emit tried(outcome);
    m_watch.noteReloginFailed();
}

void Relogin::finish(Outcome outcome)
{
    if (outcome == Outcome::Failed || outcome == Outcome::FormChanged) {
        fail(outcome);
    } else {
        m_state = State::Idle;
        if (outcome == Outcome::NotSent || outcome == Outcome::GivenUp)
            m_tried = false; // nothing went to the CMS: not a try
        emit tried(outcome);
    }
    m_stages.startCycle();
}
