#pragma once

#include "http_test_server.h"

#include <QObject>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

// The administration pages of a CMS, served on the loopback interface, for
// driving a real browser through a collection cycle. Pages are GB2312.
//
//   /login      GET hands out the session cookie (a persistent one)
//   /collect    one form posting back to the page, with one submit_button
//   /generate   two forms, each with a submit_button; the first posts to
//               /generate?form=1, the second to /generate?form=2, and only
//               the second one generates the information pages
//   /homepage   GET generates the home page
//
// Broken variants of the pages, for the cases where nothing may be pressed,
// are reached through the constants below. /favicon.ico is not found.
//
// For soak runs the CMS can misbehave on purpose (see Faults): it answers
// some administration pages (/collect, /generate, /homepage, GET or POST)
// with a server error, late or never, or drops the connection halfway
// through the reply, and it can let the login expire. /login always answers.
class FakeCms : public QObject {
    Q_OBJECT
public:
    static constexpr const char *Login = "/login";
    // Where an expired session is sent: the login form, which by itself
    // starts no session; only the operator's own login (GET /login) does.
    static constexpr const char *ExpiredLogin = "/login?expired=1";
    static constexpr const char *Collection = "/collect";
    // No element answers to submit_button (the form has another button).
    static constexpr const char *CollectionWithoutButton = "/collect?variant=no-button";
    // Two elements answer to submit_button: one by name, one by id.
    static constexpr const char *CollectionWithTwoButtons = "/collect?variant=two-buttons";
    // Answers 500 with a page of its own.
    static constexpr const char *CollectionFailing = "/collect?variant=server-error";
    // The page that the submission loads calls alert(), confirm() or prompt();
    // answered OK, the confirm requests /collect?confirmed=1.
    static constexpr const char *CollectionAlerting = "/collect?variant=alert";
    static constexpr const char *CollectionConfirming = "/collect?variant=confirm";
    static constexpr const char *CollectionPrompting = "/collect?variant=prompt";
    static constexpr const char *Generation = "/generate";
    // Two forms, but only the first has a submit_button.
    static constexpr const char *GenerationWithOneButton = "/generate?variant=one-button";
    static constexpr const char *HomePage = "/homepage";

    // How the CMS misbehaves. Each administration-page request draws one
    // number from a generator seeded with `seed`, so the same sequence of
    // requests meets the same faults in every run. The shares are fractions
    // of those requests (0 to 1, their sum at most 1).
    struct Faults {
        double errorShare = 0; // answered 500 with an error page
        double hangShare = 0;  // answered only after hangMs, or never
        int hangMs = 0;        // <= 0: a hung request is never answered
        double cutShare = 0;   // headers and half the page, then the connection drops
        // After this many administration-page requests since the last login
        // the session is dead: those pages redirect to ExpiredLogin (a page
        // without any submit_button) until the operator's next GET /login
        // hands out a new session. 0: the login never expires.
        int loginExpiresAfter = 0;
        quint32 seed = 1;
    };

    // What the CMS did with one request.
    enum class Outcome {
        Page,          // the page as it is
        ServerError,   // a 500 fault
        Hang,          // a hang fault (answered late or never)
        Cut,           // a cut fault
        LoginRedirect, // the login had expired: redirected to /login
    };
    struct Served {
        HttpRequest request;
        Outcome outcome;
        bool session; // carried the session cookie while that session was alive
    };

    explicit FakeCms(QObject *parent = nullptr);

    bool listen(quint16 port = 0);
    // `target` is a path with an optional query, e.g. FakeCms::Collection.
    QUrl url(const QString &target) const;
    QString address(const QString &target) const { return url(target).toString(); }

    // Takes effect from the next request on, with the generator started
    // again from `faults.seed` and the current login counted from zero.
    void setFaults(const Faults &faults);
    // Whether a request carried the session cookie this instance handed out
    // last: a new one for every instance and every login after an expiry.
    bool carriesSession(const HttpRequest &request) const;
    // How many logins expired, and how many sessions were handed out.
    int expiredLogins() const { return m_expiredLogins; }
    int sessionsIssued() const { return m_sessionsIssued; }

    // Every request with what was done with it, favicon requests included,
    // in the order they came in.
    const QList<Served> &served() const { return m_served; }

    // What the server received, in order, without the favicon requests
    // browsers make on their own.
    QList<HttpRequest> requests() const;
    // The same requests as "METHOD target", e.g. "POST /generate?form=2".
    QStringList log() const;
    static QString describe(const HttpRequest &request);

    // Collection, generation or home page (not the login page).
    static bool isAdminPage(const HttpRequest &request);

    HttpTestServer &server() { return *m_server; }

signals:
    // Emitted once a request's answer is decided (a hung answer may still be
    // on its way).
    void requestServed(const FakeCms::Served &served);

private:
    // The page for one request when nothing goes wrong.
    HttpResponse respond(const HttpRequest &request) const;
    bool sessionExpired() const; // never without loginExpiresAfter
    HttpResponse handle(const HttpRequest &request);
    static bool isAdminPage(const QByteArray &path);

    HttpResponse loginPage() const;
    HttpResponse collectionPage(const HttpRequest &request) const;
    HttpResponse generationPage(const HttpRequest &request) const;
    HttpResponse homePage() const;

    QByteArray m_sessionToken;
    Faults m_faults;
    QRandomGenerator m_random{1};
    int m_requestsSinceLogin = 0;
    int m_expiredLogins = 0;
    int m_sessionsIssued = 0;
    QList<Served> m_served;
    HttpTestServer *m_server;
};
