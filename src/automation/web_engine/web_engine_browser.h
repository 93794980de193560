#pragma once

#include "automation/browser.h"
#include "automation/web_engine/requested_load.h"

#include <QPointer>
#include <QWebEngineView>

class QTimer;
class QWebEnginePage;
class QWebEngineProfile;
class QWidget;
class CertificateQuestions;
class Keyring;
class SitePasswords;
class LoginWatch;
class SiteLogin;
class UnattendedPage;

// The embedded browser on QtWebEngine. It uses a named profile whose cookies,
// those that end with the session included, stay on disk between runs: a
// login survives quitting and a restart. A site's questions to the person
// (a user name and password, an untrusted certificate) go out as
// questionAsked() for the window to show, and come back through answer().
class WebEngineBrowser : public Browser {
    Q_OBJECT
public:
    // A page still loading after `loadTimeoutMs` is stopped, which ends its
    // load as failed: a page that never answers must not hold the cycle.
    static constexpr int DefaultLoadTimeoutMs = 180000;

    // `keyring`: where the site passwords that the person asked to remember are kept.
    WebEngineBrowser(const QString &profileName, Keyring &keyring, int loadTimeoutMs = DefaultLoadTimeoutMs,
                     QObject *parent = nullptr);
    // The page goes before its profile, which flushes the cookies to disk.
    ~WebEngineBrowser() override;

    // The view to place in the window; whoever places it owns it.
    QWebEngineView *view() const override { return m_view; }
    QWebEnginePage *page() const;

    void navigate(const QString &address) override;
    void pressSubmitButton() override;
    void pressSecondSubmitButton() override;
    void logIn(const RememberedLogin &login) override;
    void setUnattended(bool unattended) override;
    void setResting(bool resting) override;
    void answer(const SiteQuestion &question, bool yes, const QString &user = {}, const QString &password = {},
                bool remember = false) override;
    bool loading() const override { return m_loading; }

protected:
    // Notes the person's clicks and keys in the view.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void onLoadTimeout();
    void run(const QString &script);
    PersonWait awaitedAnswer() const;
    void onPersonAwaited();
    // The page shown after a login form's submission: does it still ask for a password?
    void answerLogin(bool loaded, const QUrl &at);

    static constexpr int RetryAfterMs = 5000;

    SitePasswords *m_sitePasswords; // read before the first page is asked for
    QString m_firstAddress;         // asked for before they were read
    QTimer *m_loadTimeout;
    QTimer *m_retry; // asks again for a requested load that never showed
    QWebEngineProfile *m_profile;
    UnattendedPage *m_page;
    QPointer<QWebEngineView> m_view;
    SiteLogin *m_login;
    CertificateQuestions *m_certificates;
    LoginWatch *m_logins;
    RequestedLoad m_requested;
    // Set while the page shown is the one the cycle asked for; a press
    // anywhere else would submit the wrong form.
    bool m_onRequestedPage = false;
    bool m_retried = false; // the requested load was asked for a second time
    bool m_loginSubmitted = false; // the end of the next load answers a login
    bool m_loading = false;
};
