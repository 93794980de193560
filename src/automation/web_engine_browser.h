#pragma once

#include "browser.h"

#include <QPointer>
#include <QWebEngineView>

class QTimer;
class QWebEnginePage;
class QWebEngineProfile;
class QWidget;

// The embedded browser on QtWebEngine. It uses a named profile, so the
// cookies of a login that the CMS makes persistent stay on disk between runs.
class WebEngineBrowser : public Browser {
    Q_OBJECT
public:
    // A page still loading after `loadTimeoutMs` is stopped, which ends its
    // load as failed: a page that never answers must not hold the cycle.
    static constexpr int DefaultLoadTimeoutMs = 180000;

    explicit WebEngineBrowser(int loadTimeoutMs = DefaultLoadTimeoutMs, QObject *parent = nullptr);
    // The page goes before its profile, which flushes the cookies to disk.
    ~WebEngineBrowser() override;

    // The view to place in the window; whoever places it owns it.
    QWebEngineView *view() const { return m_view; }
    QWebEnginePage *page() const { return m_page; }

    void navigate(const QString &address) override;
    void pressSubmitButton() override;
    void pressSecondSubmitButton() override;

private:
    void run(const QString &script);

    QTimer *m_loadTimeout;
    QWebEngineProfile *m_profile;
    QWebEnginePage *m_page;
    QPointer<QWebEngineView> m_view;
};
