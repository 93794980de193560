#pragma once

#include "http_test_server.h"

#include <QStringList>

class QWebEnginePage;

// The administration pages of a CMS, served on the loopback interface, for
// driving a real browser through a collection cycle. Pages are GB2312.
//
//   /login      a login form whose button is named submit_button, with a
//               fresh nonce in a hidden field; a POST of the right name,
//               password and nonce hands out the session cookie, a session
//               one (no lifetime), as PHP does, on a page with a hidden lock
//               screen's password box; a wrong one alerts, and after
//               three wrong ones in a row the account is locked
//   /end-sessions  ends every session, as a server restart does
//   /password?new=P  changes the password
//   without the session, the pages below redirect to /login
//   /collect    one form posting back to the page, with one submit_button
//   /generate   two forms, each with a submit_button; the first posts to
//               /generate?form=1, the second to /generate?form=2, and only
//               the second one generates the information pages
//   /homepage   GET generates the home page
//
// Variants of the collection page, by the query's "variant": "no-button"
// (the form has another button), "login-form" (a login form, as some PHP
// admins show at the address asked for once the login has ended), "login-form-apart" (the same, its
// fields and button tied to the form by form="" from outside it), "two-buttons" (one by name, one by id),
// "new-window" (the form submits into target="_blank", and its result page
// opens /collect?opened=1 with window.open()), "server-error" (500),
// "alert", "confirm" and "prompt" (the result page calls it; a confirm
// answered OK requests /collect?confirmed=1), "delete" (it and its result
// page have a button, id "delete", that asks confirm('确定删除?') and,
// answered OK, requests /delete), "moved" (redirected to the same address
// on localhost, where the page is served without a login). With "image" in
// the query, the page shows the image at that address. "/" is the
// collection page too, as in CMSs run by one script. /generate?variant=one-button has a
// submit_button in its first form only. A page with "variant=hang" is never
// answered. /favicon.ico is not found.
class FakeCms {
public:
    static constexpr const char *Login = "/login";
    // What a person does on the login page, as a script for the page.
    static constexpr const char *LogInScript =
        "document.querySelector('[name=username]').value = 'admin';"
        "document.querySelector('[name=password]').value = 'orvo123';"
        "document.querySelector('[name=submit_button]').click();";
    static constexpr const char *Collection = "/collect";
    static constexpr const char *Generation = "/generate";
    static constexpr const char *HomePage = "/homepage";
    // A DingTalk group robot: a POST whose timestamp and sign are right for
    // RobotSecret is answered errcode 0, any other errcode 310000.
    static constexpr const char *Robot = "/robot/send?access_token=T0KEN";
    static constexpr const char *RobotSecret = "SECfake+/secret";
    // A dead-man's switch: any GET is answered 200.
    static constexpr const char *Heartbeat = "/heartbeat";

    // After `loginExpiresAfter` administration-page requests since the last
    // login the session is dead: those pages redirect to the login form until
    // the operator logs in again, which hands out a new session. 0: never.
    explicit FakeCms(int loginExpiresAfter = 0);
    virtual ~FakeCms() = default;

    bool listen(quint16 port = 0, const QSslConfiguration &tls = {}) { return m_server.listen(port, tls); }
    bool locked() const { return m_failedLogins >= 3; }
    void endSessions() { m_sessionToken = newSessionToken(); }
    // Ends every session once it has answered the next `request` ("POST
    // /collect", say); sessionsEndedAt() is then the number of requests
    // received up to it (log().mid() of it is what came after), else -1.
    void endSessionsAfter(const QString &request) { m_endAfter = request; }
    int sessionsEndedAt() const { return m_endedAt; }
    void setPassword(const QString &password) { m_password = password; }
    // As many PHP admins do: a wrong login is answered with an error text and
    // a back link, no form, and the administration pages show the login
    // form at their own address instead of redirecting to it.
    void showLoginInPlace() { m_inPlace = true; }
    // The login page's button hashes the password with the form's nonce
    // (hex SHA-256) before it sends the form, and only the hash logs in.
    void hashLoginInPage() { m_hashed = true; }
    // The login form's button sends it to `address` instead (formaction).
    void sendLoginTo(const QString &address) { m_loginTarget = address; }
    // Logins are received but never answered, as by a server that hangs.
    void neverAnswerLogins() { m_loginsHang = true; }
    // The login form's fields under other names, or a captcha in it (its
    // image and a box for its code).
    void changeLoginForm(bool renamed, bool captcha) { m_renamed = renamed, m_captcha = captcha; }
    // The login form's button is an image (<input type=image>), beside a logo.
    void showImageLoginButton() { m_imageButton = true; }
    // Every page, the login form's included, wants HTTP Basic authentication
    // as BasicUser and BasicPassword, as an .htpasswd folder does; without it
    // the answer is 401 with a page that says so. In another realm no
    // user name and password is right.
    void requireBasicAuth(const QByteArray &realm = BasicRealm) { m_basicAuth = realm; }
    static constexpr const char *BasicUser = "editor";
    static constexpr const char *BasicPassword = "htpass";
    static constexpr const char *BasicRealm = "OrvoCMS admin";
    // `target` is a path with an optional query, e.g. FakeCms::Collection.
    QUrl url(const QString &target) const { return m_server.url(target); }
    QString address(const QString &target) const { return url(target).toString(); }

    // Whether a request carried the session cookie handed out last.
    bool carriesSession(const HttpRequest &request) const;
    // Whether an administration page is served to it: a live session.
    bool admits(const HttpRequest &request) const { return carriesSession(request) && !sessionExpired(); }
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
    // A POST of the login form with the right name, password and nonce.
    bool isLogin(const HttpRequest &request) const;
    static HttpResponse serverError();
    static HttpResponse page(const QString &title, const QString &body, int status = 200);

private:
    HttpResponse loginPage(const HttpRequest &request) const;
    HttpResponse collectionPage(const HttpRequest &request) const;
    static QByteArray newSessionToken();

    const int m_loginExpiresAfter;
    QByteArray m_sessionToken;
    int m_requestsSinceLogin = 0;
    int m_failedLogins = 0;
    QString m_password = QStringLiteral("orvo123");
    mutable QString m_nonce; // handed out with each login form shown
    bool m_renamed = false;
    bool m_captcha = false;
    bool m_imageButton = false;
    QByteArray m_basicAuth; // the realm
    bool m_inPlace = false;
    bool m_loginsHang = false;
    QString m_loginTarget;
    bool m_hashed = false;
    QString m_endAfter;
    int m_endedAt = -1;
    HttpTestServer m_server;
};

// Fills in the login form shown in `page` and presses its button, by a
// script. True once the page the login leads to has loaded.
bool submitLogin(QWebEnginePage &page, const FakeCms &cms, int patienceMs);
// The same pasted into each field, as a person does from a password
// manager: the page sees the person's input, which no script can make.
bool pasteLogin(QWebEnginePage &page, const FakeCms &cms, int patienceMs);
// The same after opening the login page.
bool logInThrough(QWebEnginePage &page, const FakeCms &cms, int patienceMs);
