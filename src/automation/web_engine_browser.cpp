#include "web_engine_browser.h"

#include "page_scripts.h"

#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineView>

namespace {
const QString SubmitButton = QStringLiteral("submit_button");
}

WebEngineBrowser::WebEngineBrowser(int loadTimeoutMs, QObject *parent)
    : Browser(parent),
      m_loadTimeout(new QTimer(this)),
      m_profile(new QWebEngineProfile(QStringLiteral("OrvoCollector"))),
      m_page(new QWebEnginePage(m_profile)),
      m_view(new QWebEngineView)
{
    m_view->setPage(m_page);
    // Every finished load moves the cycle on, error pages included.
    connect(m_page, &QWebEnginePage::loadFinished, this, [this](bool) {
        m_loadTimeout->stop();
        emit pageLoaded();
    });
    m_loadTimeout->setSingleShot(true);
    m_loadTimeout->setInterval(loadTimeoutMs);
    connect(m_loadTimeout, &QTimer::timeout, m_page, [this] { m_page->triggerAction(QWebEnginePage::Stop); });
}

WebEngineBrowser::~WebEngineBrowser()
{
    if (m_view)
        m_view->setPage(nullptr);
    delete m_page;
    delete m_profile;
}

void WebEngineBrowser::navigate(const QString &address)
{
    m_page->load(QUrl::fromUserInput(address));
    m_loadTimeout->start();
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
    m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld);
}
