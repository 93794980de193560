#pragma once

#include "fake_cms.h"

#include <QRandomGenerator>

#include <functional>

// The tests' CMS misbehaving on purpose, for soak runs: it answers some
// administration-page requests (/collect, /generate, /homepage, GET or POST)
// with a server error, late or never, or drops the connection halfway
// through the reply, and it can let the login expire. /login always answers.
class FaultyCms : public FakeCms {
public:
    // Each administration-page request draws one number from a generator
    // seeded with `seed`, so the same sequence of requests meets the same
    // faults in every run. The shares are fractions of those requests (0 to
    // 1, their sum at most 1).
    struct Faults {
        double errorShare = 0; // answered 500 with an error page
        double hangShare = 0;  // answered only after hangMs, or never
        int hangMs = 0;        // <= 0: a hung request is never answered
        double cutShare = 0;   // headers and half the page, then the connection drops
        int loginExpiresAfter = 0; // see FakeCms
        quint32 seed = 1;
    };

    // What the CMS did with one request.
    enum class Outcome {
        Page,          // the page as it is
        ServerError,   // a 500 fault
        Hang,          // a hang fault (answered late or never)
        Cut,           // a cut fault
        LoginRedirect, // no live login: redirected to the login form
    };
    struct Served {
        HttpRequest request;
        Outcome outcome;
        bool session; // carried the session cookie while that session was alive
    };

    explicit FaultyCms(const Faults &faults);

    // Every request with what was done with it, favicon requests included,
    // in the order they came in.
    const QList<Served> &served() const { return m_served; }
    // How many logins expired, and how many sessions were handed out.
    int expiredLogins() const { return m_expiredLogins; }
    int sessionsIssued() const { return m_sessionsIssued; }

    // Called once a request's answer is decided (a late one may still be on its way).
    std::function<void(const Served &)> onServed;

protected:
    HttpResponse handle(const HttpRequest &request) override;

private:
    Outcome draw(const HttpRequest &request, bool expired);

    const Faults m_faults;
    QRandomGenerator m_random;
    int m_expiredLogins = 0;
    int m_sessionsIssued = 0;
    QList<Served> m_served;
};
