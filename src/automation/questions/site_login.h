#pragma once

#include "automation/browser.h"

#include <QHash>
#include <QObject>

class QAuthenticator;
class SitePasswords;
class QUrl;
class QWebEnginePage;

// Answers a site's or a proxy's request for a user name and password (HTTP
// authentication). QtWebEngine wants the answer before its signal returns,
// and nothing may wait for a person there. So the request is refused at once
// (the page shows the refusal), the person is asked (one question a host and
// realm, however often the page asks), and on their answer the page is loaded again; the next request for that host and realm is answered from
// memory. The answer serves the rest of the run. Where a keyring answers, the
// person may have it remembered there: it is then given by itself in later
// runs, and forgotten once the site refuses it, never tried twice.
class SiteLogin : public QObject {
    Q_OBJECT
public:
    SiteLogin(QWebEnginePage &page, SitePasswords &remembered, QObject *parent = nullptr);

    // What a question waits for; None while none is open.
    PersonWait waiting() const;
    void answer(const QString &key, bool given, const QString &user, const QString &password, bool remember);

signals:
    void waitingChanged();
    void asked(const SiteQuestion &question);

private:
    struct Answer {
        QString user;
        QString password;
        bool tried = false; // given to the browser once; asked again, it was refused
        bool kept = false;  // from the keyring
    };

    // `site`: the scheme, host and port asking, or the proxy's host.
    void onRequired(const QString &site, const QString &host, const QString &realm, QAuthenticator *authenticator);
    void ask(const QString &key, const QString &host, const QString &realm);

    QWebEnginePage &m_page;
    SitePasswords &m_remembered;
    QHash<QString, Answer> m_answers; // by host and realm
    QHash<QString, QString> m_open;   // the hosts of the questions open, by host and realm
};
