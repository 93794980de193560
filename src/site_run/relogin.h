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
struct PressOutcome;
struct RememberedLogin;

// Logs in again by itself when the login is lost, as a browser's password
// manager would: once per lost login, with the login remembered for the
// login address in use. Many CMSs lock an account after a few failed
// logins, so at most one form is ever sent for a lost login, across
// restarts too: before it is sent, the try is marked where the login is
// kept, and only the collection page's button pressed in the cycle the try
// started clears the mark. A login kept with the mark is never sent again
// until the person has logged in by hand.
//
// It waits while the person has clicked or typed in the last 2 minutes, and
// gives up a try not yet sent at their next click or key.
class Relogin : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        LoggedIn,      // the collection page's button was pressed again
        StillLoggedIn, // the login page sent the browser on to the administration pages
        Failed,        // sent, or marked before, and not logged in: never sent again by itself
        Unconfirmed,   // marked by an earlier try that never learnt its outcome: not sent again
        FormChanged,   // the login form is not as remembered: nothing sent, never sent by itself
        PageChanged,   // logged in, maybe, to a collection page whose buttons are not as expected
        NotSent,       // nothing sent after all (the login page did not load, say): tried again later
        GivenUp,       // the person clicked or typed before it was sent: tried again later
        NotRemembered, // no login remembered for this login address, or it was forgotten
        Disabled       // automatic logins are off for this run
    };
    static constexpr int PersonQuietMs = 2 * 60 * 1000;

    Relogin(StageMachine &stages, Browser &browser, RunWatch &watch, LoginKeeper &keeper, TimerFactory &timers,
            const AdminAddresses &addresses, QObject *parent = nullptr);

    // The person clicked or typed, in the page or in one of the tool's windows.
    void notePersonActive();
    // A try is under way, or will be made for the login lost now: its own
    // alert waits for the outcome.
    bool willTry() const;
    // Automatic logins are off for this run (another copy may run in this
    // folder and try too); willTry() is then false.
    void disable() { m_disabled = true; }

signals:
    // The login page opens for the tool to log in.
    void begun();
    void tried(Relogin::Outcome outcome);

private:
    enum class State { Idle, Opening, Marking, Sending, Answering, Confirming };

    // The login remembered for the login address in use, if any.
    const RememberedLogin *remembered() const;
    void tryNow();
    void pageLoaded(const PageLoad &load);
    void pressReported(const PressOutcome &outcome);
    void marked(const QString &failure);
    void keeperChanged();
    // Ends a try that took the browser: the cycle goes on.
    void finish(Outcome outcome);
    void fail(Outcome outcome = Outcome::Failed);

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
    bool m_disabled = false;
};
