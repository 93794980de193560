#include "web_engine_browser.h"

#include "page_scripts.h"

#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineView>

namespace {
const QString SubmitButton = QStringLiteral("submit_button");
}

WebEngineBrowser::WebEngineBrowser(QObject *parent)
    : Browser(parent),
      m_profile(new QWebEngineProfile(QStringLiteral("OrvoCollector"))),
      m_page(new QWebEnginePage(m_profile)),
      m_view(new QWebEngineView)
{
    m_view->setPage(m_page);
    // Every finished load moves the cycle on, error pages included.
    connect(m_page, &QWebEnginePage::loadFinished, this, [this](bool) { emit pageLoaded(); });
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
