#include "automation/browser_profile.h"
#include "automation/precise_timer.h"
#include "automation/run_journal.h"
#include "automation/web_engine_browser.h"
#include "main_window/app_icon.h"
#include "main_window/command_line.h"
#include "main_window/main_window.h"
#include "main_window/qt_desktop.h"
#include "main_window/quit_on_signal.h"
#include "main_window/single_copy.h"
#include "main_window/system_tray_icon.h"
#include "settings/settings_file.h"
#include "update/update_check.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QQuickWindow>
#include <QScreen>

#include <cstdio>

int main(int argc, char *argv[])
{
    // QtWebEngine shares OpenGL contexts with the window; this must precede the application.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The browser's view is drawn in software. Composed through OpenGL, every
    // repaint of the countdown line redraws the whole window, which on the
    // software OpenGL of a machine without a GPU costs about 100 CPU seconds
    // an hour while the tool only waits; the administration pages need no GPU.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvo-collector"));
    QGuiApplication::setDesktopFileName(QStringLiteral("orvo-collector"));
    const bool start = startRequested(QApplication::arguments());
    quitOnTerminationSignals();

    const QString settings = SettingsFile::defaultPath();
    // The working folder as the system reports it, symbolic links resolved:
    // a folder reached through a link is the same folder.
    const QString folder = QFileInfo(settings).absolutePath();
    SingleCopy copy(folder);
    if (!copy.claim()) {
        std::fprintf(stderr, "orvo-collector: %s\n",
                     qUtf8Printable(QStringLiteral("文件夹“%1”中已经有一个本工具在运行，已把它的窗口调到前面。")
                                        .arg(QDir::toNativeSeparators(folder))));
        return 0;
    }
    const QString profile = BrowserProfile::nameFor(folder);
    BrowserProfile::takeOverSharedProfile(profile);

    WebEngineBrowser browser(profile);
    PreciseTimerFactory timers;
    QtDesktop desktop(QStringLiteral("OrvoCMS全自动挂机采集工具"));
    SystemTrayIcon tray(appIcon());
    QNetworkAccessManager network;
    MainWindow window(browser, browser.view(), timers, desktop, tray, settings);
    QObject::connect(&copy, &SingleCopy::comeForwardAsked, &window, &MainWindow::bringForward);
    // exit(), not quit(): quit() would close the window, which asks again.
    QObject::connect(&window, &MainWindow::quitRequested, &app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    auto *update = new UpdateCheck(timers, network, desktop, QStringLiteral(UPDATE_FILE_URL),
                                   QStringLiteral(PRODUCT_PAGE_URL), &window);
    QObject::connect(update, &UpdateCheck::checkFinished, &window, [&window](const QString &published) {
        window.journal().write(published.isEmpty() ? QStringLiteral("检查更新：没有取得版本信息")
                               : published == UpdateCheck::version()
                                   ? QStringLiteral("检查更新：已是最新版本 ") + published
                                   : QStringLiteral("检查更新：发现新版本 ") + published);
    });
    window.move(window.screen()->availableGeometry().center() - window.rect().center());
    window.show();
    if (start)
        window.pressStartOnceShown();
    return app.exec();
}
