#pragma once

#include "http_test_server.h"

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
// are reached through the constants below; any page with "variant=hang" in
// its query is never answered. /favicon.ico is not found.
class FakeCms {
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

    // After `loginExpiresAfter` administration-page requests since the last
    // login the session is dead: those pages redirect to ExpiredLogin until
    // the operator's next GET /login hands out a new session. 0: never.
    explicit FakeCms(int loginExpiresAfter = 0);
    virtual ~FakeCms() = default;

    bool listen(quint16 port = 0) { return m_server.listen(port); }
    // `target` is a path with an optional query, e.g. FakeCms::Collection.
    QUrl url(const QString &target) const { return m_server.url(target); }
    QString address(const QString &target) const { return url(target).toString(); }

    // Whether a request carried the session cookie handed out last.
    bool carriesSession(const HttpRequest &request) const;
    // What the server received, in order, without the favicon requests
    // browsers make on their own, as "METHOD target".
    QList<HttpRequest> requests() const;
    QStringList log() const;
    static QString describe(const HttpRequest &request);

    // Collection, generation or home page (not the login page).
    static bool isAdminPage(const QByteArray &path);

protected:
    // The answer to a request, counting it against the session.
    virtual HttpResponse handle(const HttpRequest &request);
    // The page itself, as a live session gets it.
    HttpResponse respond(const HttpRequest &request) const;
    bool sessionExpired() const;
    // The operator's own login, which starts a session; the form an expired
    // session is sent to does not.
    static bool isLogin(const HttpRequest &request);
    static HttpResponse serverError();
    static HttpResponse page(const QString &title, const QString &body, int status = 200);

private:
    HttpResponse loginPage() const;
    HttpResponse collectionPage(const HttpRequest &request) const;
    HttpResponse generationPage(const HttpRequest &request) const;

    const int m_loginExpiresAfter;
    QByteArray m_sessionToken;
    int m_requestsSinceLogin = 0;
    HttpTestServer m_server;
};
