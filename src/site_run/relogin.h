#pragma once

#include "settings/admin_addresses.h"

#include <QObject>

class Browser;
class LoginKeeper;
class RunWatch;
class StageMachine;
class Timer;
class TimerFactory;
struct PageLoad;

// Logs in again by itself when the login-lost sign comes up, as a browser's
// password manager would: once per lost login, with the login remembered
// for the login address in use, and never again after a failed try until
// the person has logged in by hand (that fact is kept with the login, so a
// restart does not try again either). Many CMSs lock an account after a few
// failed logins; at most one form is ever sent for a lost login.
//
// It waits while the person has clicked or typed in the last 2 minutes, and
// gives up a try not yet sent at their next click or key.
class Relogin : public QObject {
    Q_OBJECT
public:
    // NotRemembered: no try after all, once what is remembered was read.
    enum class Outcome { LoggedIn, StillLoggedIn, Failed, GivenUp, NotRemembered };
    static constexpr int PersonQuietMs = 2 * 60 * 1000;

    Relogin(StageMachine &stages, Browser &browser, RunWatch &watch, LoginKeeper &keeper, TimerFactory &timers,
            const AdminAddresses &addresses, QObject *parent = nullptr);

    // The person clicked or typed, in the page or in one of the tool's windows.
    void notePersonActive();
    // A try is under way, or will be made for the login lost now: its own
    // alert waits for the outcome.
    bool willTry() const;

signals:
    // The login page opens for the tool to log in.
    void begun();
    void tried(Relogin::Outcome outcome);

private:
    enum class State { Idle, Opening, Sending, Answering, Confirming };

    bool usable() const;
    void tryNow();
    void pageLoaded(const PageLoad &load);
    void fail();
    void finish(Outcome outcome);

    StageMachine &m_stages;
    Browser &m_browser;
    RunWatch &m_watch;
    LoginKeeper &m_keeper;
    const AdminAddresses &m_addresses;
    Timer *const m_personActive; // runs for 2 minutes after each click or key
    Timer *const m_soon;         // a try once the event that called for it is dealt with
    State m_state = State::Idle;
    bool m_wanted = false; // the login is lost
    bool m_tried = false;  // for this lost login
};
