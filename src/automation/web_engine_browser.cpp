#include "web_engine_browser.h"

#include "page_scripts.h"
#include "unattended_page.h"

#include <QTimer>
#include <QUrl>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineView>

namespace {

const QString SubmitButton = QStringLiteral("submit_button");

PageLoad failure(const QWebEngineLoadingInfo &info)
{
    if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain)
        return {PageLoad::Failed, QStringLiteral("HTTP %1").arg(info.errorCode())};
    return {PageLoad::Failed, info.errorString()};
}

} // namespace

WebEngineBrowser::WebEngineBrowser(int loadTimeoutMs, QObject *parent)
    : Browser(parent),
      m_loadTimeout(new QTimer(this)),
      m_retry(new QTimer(this)),
      m_profile(new QWebEngineProfile(QStringLiteral("OrvoCollector"))),
      m_page(new UnattendedPage(m_profile)),
      m_view(new QWebEngineView)
{
    m_view->setPage(m_page);
    connect(m_page, &QWebEnginePage::loadingChanged, this, &WebEngineBrowser::onLoadingChanged);
    connect(m_page, &UnattendedPage::dialogAnswered, this, &Browser::pageDialogAnswered);
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
    m_onRequestedPage = false;
    m_retried = false;
    m_retry->stop();
    const QUrl url = QUrl::fromUserInput(address);
    m_requested.request(url);
    m_page->load(url);
    m_loadTimeout->start();
}

void WebEngineBrowser::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
        m_onRequestedPage = false;
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
    m_onRequestedPage = loaded;
    emit pageLoaded(loaded ? PageLoad{} : failure(info));
}

void WebEngineBrowser::onLoadTimeout()
{
    if (!m_requested.pending())
        return;
    m_requested.forget();
    m_retry->stop();
    m_page->triggerAction(QWebEnginePage::Stop);
    emit pageLoaded({PageLoad::TimedOut, QStringLiteral("%1 秒后仍未载入完成，已停止").arg(m_loadTimeout->interval() / 1000)});
}

void WebEngineBrowser::pressSubmitButton()
{
    run(PageScripts::pressOnlyElementNamed(SubmitButton));
}

void WebEngineBrowser::pressSecondSubmitButton()
{
    run(PageScripts::pressElementNamedAt(SubmitButton, 1));
}

void WebEngineBrowser::run(const QString &script)
{
    if (!m_onRequestedPage) {
        emit pressReported(-1, false);
        return;
    }
    m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld, [this](const QVariant &result) {
        const QVariantMap outcome = result.toMap();
        emit pressReported(outcome.value(QStringLiteral("found"), -1).toInt(),
                           outcome.value(QStringLiteral("pressed")).toBool());
    });
}
