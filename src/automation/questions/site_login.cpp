#include "site_login.h"

#include "base/one_line.h"
#include "settings/site_passwords.h"

#include <QAuthenticator>
#include <QWebEnginePage>

SiteLogin::SiteLogin(QWebEnginePage &page, SitePasswords &remembered, QObject *parent)
    : QObject(parent), m_page(page), m_remembered(remembered)
{
    connect(&page, &QWebEnginePage::authenticationRequired, this,
            [this](const QUrl &url, QAuthenticator *authenticator) {
                // An answer given over https is never given to http on the same port.
                const int port = url.port(url.scheme() == QLatin1String("https") ? 443 : 80);
                onRequired(url.scheme() + QLatin1String("://") + url.host() + QLatin1Char(':') + QString::number(port),
                           url.host(), authenticator->realm(), authenticator);
            });
    connect(&page, &QWebEnginePage::proxyAuthenticationRequired, this,
            [this](const QUrl &, QAuthenticator *authenticator, const QString &proxyHost) {
                onRequired(proxyHost, proxyHost, authenticator->realm(), authenticator);
            });
}

PersonWait SiteLogin::waiting() const
{
    if (m_open.isEmpty())
        return {};
    return {PersonWait::SitePassword, *m_open.cbegin()};
}

void SiteLogin::onRequired(const QString &site, const QString &host, const QString &realm,
                           QAuthenticator *authenticator)
{
    const QString key = site + QLatin1Char('\n') + realm;
    if (const auto kept = m_remembered.answerFor(key); kept && !m_answers.contains(key))
        m_answers.insert(key, {kept->user, kept->password, false, true});
    Answer *answer = m_answers.contains(key) ? &m_answers[key] : nullptr;
    if (answer && !answer->tried) {
        // The browser keeps an answer that the site took; asked again, the
        // site refused it, and the person is asked afresh.
        answer->tried = true;
        authenticator->setUser(answer->user);
        authenticator->setPassword(answer->password);
        return;
    }
    if (answer && answer->kept)
        m_remembered.forget(key); // refused: never given again
    m_answers.remove(key);
    *authenticator = QAuthenticator(); // refused: the page shows the site's refusal
    if (!m_open.contains(key))
        ask(key, host, realm);
}

void SiteLogin::ask(const QString &key, const QString &host, const QString &realm)
{
    m_open.insert(key, host);
    emit asked({SiteQuestion::Password, key,
                QStringLiteral("网站 %1 要求输入用户名和密码。\n提示：%2").arg(host, oneLine(realm)),
                m_remembered.keyringAnswers()});
    emit waitingChanged();
}

void SiteLogin::answer(const QString &key, bool given, const QString &user, const QString &password, bool remember)
{
    if (!m_open.remove(key))
        return;
    if (given) {
        m_answers.insert(key, {user, password});
        if (remember)
            m_remembered.remember(key, {user, password});
        m_page.triggerAction(QWebEnginePage::Reload);
    }
    emit waitingChanged();
}
