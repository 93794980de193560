#include "web_engine_browser.h"

#include "automation/web_engine/accepted_certificates.h"
#include "base/owner_only.h"
#include "automation/questions/certificate_questions.h"
#include "automation/web_engine/login_watch.h"
#include "automation/web_engine/page_scripts.h"
#include "settings/site_passwords.h"
#include "automation/questions/site_login.h"
#include "automation/web_engine/unattended_page.h"

#include <QChildEvent>
#include <QLocale>
#include <QStandardPaths>
#include <QTimer>
#include <QWebEngineNewWindowRequest>
#include <QUrl>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineView>

namespace {

const QString SubmitButton = QStringLiteral("submit_button");

// A failed connection's kind, from Chromium's network error.
LoadFailure::Kind connectionFailure(int error)
{
    switch (qAbs(error)) {
    case 7: case 118: return LoadFailure::ConnectionTimedOut;
    case 100: case 101: return LoadFailure::ConnectionInterrupted;
    case 102: return LoadFailure::ConnectionRefused;
    case 105: case 137: return LoadFailure::ServerNotFound;
    case 106: return LoadFailure::Offline;
    case 104: case 109: return LoadFailure::CannotConnect;
    case 324: return LoadFailure::EmptyResponse;
    default: return LoadFailure::Other;
    }
}

// A named profile that keeps every cookie on disk. A PHP admin keeps its login
// in a session cookie; kept only in memory it would be gone after a restart.
QWebEngineProfile *persistentProfile(const QString &name)
{
    // The browser speaks Chinese, as the tool does, whatever the system's
    // locale (a server's is often C): its error pages and its words on a
    // certificate come from its zh-CN pack, which it picks from the default
    // locale when its first profile is made; the sites get zh-CN too.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    auto *profile = new QWebEngineProfile(name);
    profile->setHttpAcceptLanguage(QStringLiteral("zh-CN,zh"));
    profile->setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
    // Nobody else may read the cookies, the cached pages or the accepted
    // certificates.
    makeOwnerOnlyFolder(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    makeOwnerOnlyFolder(profile->persistentStoragePath());
    makeOwnerOnlyFolder(profile->cachePath());
    return profile;
}

LoadFailure failure(const QWebEngineLoadingInfo &info)
{
    switch (info.errorDomain()) {
    case QWebEngineLoadingInfo::HttpStatusCodeDomain:
        return {LoadFailure::ServerError, {}, info.errorCode()};
    case QWebEngineLoadingInfo::ConnectionErrorDomain:
        return {connectionFailure(info.errorCode()), info.errorString()};
    case QWebEngineLoadingInfo::CertificateErrorDomain:
        return {LoadFailure::CertificateInvalid, info.errorString()};
    default:
        return {LoadFailure::Other, info.errorString()};
    }
}

} // namespace

WebEngineBrowser::WebEngineBrowser(const QString &profileName, Keyring &keyring, int loadTimeoutMs, QObject *parent)
    : Browser(parent),
      m_sitePasswords(new SitePasswords(profileName, keyring, this)),
      m_loadTimeout(new QTimer(this)),
      m_retry(new QTimer(this)),
      m_profile(persistentProfile(profileName)),
      m_page(new UnattendedPage(m_profile)),
      m_view(new QWebEngineView),
      m_login(new SiteLogin(*m_page, *m_sitePasswords, this)),
      m_certificates(new CertificateQuestions(*m_page, AcceptedCertificates::defaultPath(), this)),
      m_logins(new LoginWatch(*m_page, this))
{
    connect(m_logins, &LoginWatch::loginSubmitted, this,
            [this](const QUrl &page, const RememberedLogin &login, bool captcha) {
                m_loginSubmitted = true;
                emit loginSubmitted(page, login, captcha);
            });
    m_view->installEventFilter(this);
    connect(m_sitePasswords, &SitePasswords::loaded, this, [this] {
        if (!m_firstAddress.isEmpty())
            navigate(std::exchange(m_firstAddress, QString()));
    });
    m_sitePasswords->load();
    m_view->setPage(m_page);
    connect(m_page, &UnattendedPage::personTookOver, this, &Browser::personTookOver);
    connect(m_login, &SiteLogin::waitingChanged, this, &WebEngineBrowser::onPersonAwaited);
    connect(m_certificates, &CertificateQuestions::waitingChanged, this, &WebEngineBrowser::onPersonAwaited);
    connect(m_login, &SiteLogin::asked, this, &Browser::questionAsked);
    connect(m_certificates, &CertificateQuestions::asked, this, &Browser::questionAsked);
    connect(m_certificates, &CertificateQuestions::refused, this, &Browser::certificateRefused);
    connect(m_certificates, &CertificateQuestions::notKept, this, &Browser::certificatesNotKept);
    connect(m_sitePasswords, &SitePasswords::notKept, this, &Browser::sitePasswordNotKept);
    connect(m_page, &QWebEnginePage::loadingChanged, this, &WebEngineBrowser::onLoadingChanged);
    connect(m_page, &UnattendedPage::dialogAnswered, this, &Browser::pageDialogAnswered);
    // The tool has one view: a form that submits into a new window, or a
    // window.open(), loads there, with its method, body and cookies.
    connect(m_page, &QWebEnginePage::newWindowRequested, m_page,
            [this](QWebEngineNewWindowRequest &request) { request.openIn(m_page); });
    m_loadTimeout->setSingleShot(true);
    m_loadTimeout->setInterval(loadTimeoutMs);
    connect(m_loadTimeout, &QTimer::timeout, this, &WebEngineBrowser::onLoadTimeout);
    m_retry->setSingleShot(true);
    m_retry->setInterval(RetryAfterMs);
    connect(m_retry, &QTimer::timeout, this, [this] {
        if (!m_requested.awaitingStart())
            return;
        m_retried = true;
        m_page->load(m_requested.url());
    });
}

WebEngineBrowser::~WebEngineBrowser()
{
    if (m_view)
        m_view->setPage(nullptr);
    delete m_page;
    delete m_profile;
}

QWebEnginePage *WebEngineBrowser::page() const
{
    return m_page;
}

void WebEngineBrowser::navigate(const QString &address)
{
    // A site's remembered password must be at hand when it asks: at most
    // the keyring's patience.
    if (!m_sitePasswords->isLoaded()) {
        m_firstAddress = address;
        return;
    }
    m_onRequestedPage = false;
    m_retried = false;
    m_retry->stop();
    const QUrl url = QUrl::fromUserInput(address);
    m_requested.request(url);
    m_page->load(url);
    m_loadTimeout->start();
}

void WebEngineBrowser::answer(const SiteQuestion &question, bool yes, const QString &user, const QString &password,
                              bool remember)
{
    if (question.kind == SiteQuestion::Password)
        m_login->answer(question.key, yes, user, password, remember);
    else
        m_certificates->answer(question.key, yes);
}

void WebEngineBrowser::setResting(bool resting)
{
    if (resting && m_view && m_view->isVisible())
        return; // QtWebEngine keeps a shown page active
    m_page->setLifecycleState(resting ? QWebEnginePage::LifecycleState::Discarded
                                      : QWebEnginePage::LifecycleState::Active);
}

void WebEngineBrowser::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    const bool wasLoading = std::exchange(m_loading, info.status() == QWebEngineLoadingInfo::LoadStartedStatus);
    // Told once this end is dealt with: a page put to rest in answer must
    // not go while its load's end is still being handled.
    if (wasLoading && !m_loading)
        QTimer::singleShot(0, this, [this] {
            if (!m_loading)
                emit loadingEnded();
        });
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
        m_onRequestedPage = false;
    else if (std::exchange(m_loginSubmitted, false))
        answerLogin(info.status() == QWebEngineLoadingInfo::LoadSucceededStatus, info.url());
    const bool otherLoadEnded = info.status() != QWebEngineLoadingInfo::LoadStartedStatus
        && m_requested.awaitingStart();
    const bool ended = m_requested.endsWith(info.status(), info.url());
    if (!m_requested.awaitingStart())
        m_retry->stop();
    if (!ended) {
        // QtWebEngine may drop a load asked for just as another one commits;
        // the other one's end is then the only report. If nothing of the
        // requested load follows within a few seconds, it is asked for again.
        if (otherLoadEnded && !m_retried)
            m_retry->start();
        return;
    }
    m_loadTimeout->stop();
    // Error pages are reported as failed; a page the server sent with an
    // error status still loads and is pressed if it has the button.
    const bool loaded = info.status() == QWebEngineLoadingInfo::LoadSucceededStatus;
    if (loaded && !m_requested.reached(info.url())) {
        // Redirected away, to a login form most likely: nothing is pressed there.
        emit pageLoaded({PageLoad::Elsewhere, {}, info.url().toString()});
        return;
    }
    m_onRequestedPage = loaded;
    emit pageLoaded(loaded ? PageLoad{} : PageLoad{PageLoad::Failed, failure(info), {}});
}

void WebEngineBrowser::onLoadTimeout()
{
    // One clock for both: a login sent while a page asked for loads must
    // not leave that page waiting for ever.
    const bool login = std::exchange(m_loginSubmitted, false);
    const bool requested = m_requested.pending();
    if (login || requested)
        m_page->triggerAction(QWebEnginePage::Stop);
    if (login)
        emit loginAnswered(true, {});
    if (!requested)
        return;
    m_requested.forget();
    m_retry->stop();
    emit pageLoaded({PageLoad::Failed, {LoadFailure::TimedOut, {}, m_loadTimeout->interval() / 1000}, {}});
}

void WebEngineBrowser::pressSubmitButton()
{
    run(PageScripts::pressOnlyElementNamed(SubmitButton));
}

void WebEngineBrowser::pressSecondSubmitButton()
{
    run(PageScripts::pressElementNamedAt(SubmitButton, 1));
}

void WebEngineBrowser::logIn(const RememberedLogin &login)
{
    m_page->runJavaScript(PageScripts::logIn(LoginWatch::scriptArguments(login)), QWebEngineScript::ApplicationWorld,
                          [this](const QVariant &result) {
                              const bool sent = result.toMap().value(QStringLiteral("sent")).toBool();
                              m_loginSubmitted = sent;
                              if (sent)
                                  m_loadTimeout->start();
                              emit loginSent(sent);
                          });
}

void WebEngineBrowser::answerLogin(bool loaded, const QUrl &at)
{
    if (!m_requested.pending())
        m_loadTimeout->stop();
    if (!loaded)
        return emit loginAnswered(true, at);
    m_page->runJavaScript(PageScripts::asksForPassword(), QWebEngineScript::ApplicationWorld,
                          [this, at](const QVariant &asks) { emit loginAnswered(asks.toBool(), at); });
}

void WebEngineBrowser::setUnattended(bool unattended)
{
    m_page->setUnattended(unattended);
    m_certificates->setUnattended(unattended);
}

bool WebEngineBrowser::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ChildAdded:
        // The page is drawn in a child widget, which gets the input. The
        // boxes the browser opens over the view are its children too, but
        // windows of their own: input to them is not input to the page.
        if (auto *child = static_cast<QChildEvent *>(event)->child();
            child->isWidgetType() && !static_cast<QWidget *>(child)->isWindow())
            child->installEventFilter(this);
        break;
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::TouchBegin:
        m_page->notePersonInput();
        break;
    default:
        break;
    }
    return Browser::eventFilter(watched, event);
}

PersonWait WebEngineBrowser::awaitedAnswer() const
{
    const PersonWait certificate = m_certificates->waiting();
    return certificate.kind != PersonWait::None ? certificate : m_login->waiting();
}

void WebEngineBrowser::onPersonAwaited()
{
    // A load held by a certificate question waits for the person, not for
    // the clock.
    if (m_certificates->waiting().kind != PersonWait::None)
        m_loadTimeout->stop();
    else if (m_requested.pending() && !m_loadTimeout->isActive())
        m_loadTimeout->start();
    emit personAwaited(awaitedAnswer());
}

void WebEngineBrowser::run(const QString &script)
{
    if (!m_onRequestedPage || awaitedAnswer().kind != PersonWait::None) {
        // Reported later, as a press is: after the load's own report.
        QMetaObject::invokeMethod(this, [this] { emit pressReported({}); }, Qt::QueuedConnection);
        return;
    }
    m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld, [this](const QVariant &result) {
        const QVariantMap outcome = result.toMap();
        if (!outcome.contains(QStringLiteral("found")))
            return emit pressReported({}); // the page went before the script could look
        const PressOutcome::Result press = outcome.value(QStringLiteral("pressed")).toBool() ? PressOutcome::Pressed
            : outcome.value(QStringLiteral("loginForm")).toBool()                         ? PressOutcome::LoginForm
                                                                                          : PressOutcome::NotPressed;
        emit pressReported({press, outcome.value(QStringLiteral("found")).toInt()});
    });
}
