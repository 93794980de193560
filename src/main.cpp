#include "app/command_line.h"
#include "app/quit_on_signal.h"
#include "base/single_copy.h"
#include "automation/browser_profile.h"
#include "automation/web_engine_browser.h"
#include "base/precise_timer.h"
#include "base/qt_desktop.h"
#include "base/run_journal.h"
#include "main_window/app_icon.h"
#include "main_window/main_window.h"
#include "main_window/notify_dialog.h"
#include "main_window/system_tray_icon.h"
#include "settings/keyring.h"
#include "settings/settings_file.h"
#include "site_run/site_run.h"
#include "update/update_check.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QQuickWindow>
#include <QScreen>

#include <cstdio>
#include <utility>

int main(int argc, char *argv[])
{
    answerHelpOrVersion(argc, argv);
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
    const RunOptions options = runOptions(QApplication::arguments());
    // Ends the tool; set below to tell the robot first.
    std::function<void()> leave = [] { QCoreApplication::exit(0); };
    quitOnTerminationSignals([&leave] { leave(); });

    const QString settings = SettingsFile::defaultPath();
    // The working folder as the system reports it, symbolic links resolved:
    // a folder reached through a link is the same folder.
    const QString folder = QFileInfo(settings).absolutePath();
    SingleCopy copy(folder);
    const SingleCopy::Claim claim = copy.claim();
    if (claim == SingleCopy::Claim::Taken) {
        std::fprintf(stderr, "orvo-collector: %s\n",
                     qUtf8Printable(QStringLiteral("文件夹“%1”中已经有一个本工具在运行，已把它的窗口调到前面。")
                                        .arg(QDir::toNativeSeparators(folder))));
        return 0;
    }
    const QString profile = BrowserProfile::nameFor(folder);
    BrowserProfile::takeOverSharedProfile(profile);

    PreciseTimerFactory timers;
    Keyring keyring(timers);
    WebEngineBrowser browser(profile, keyring);
    QtDesktop desktop(QStringLiteral("OrvoCMS全自动挂机采集工具"));
    SystemTrayIcon tray(appIcon());
    QNetworkAccessManager network;
    SiteRun run(browser, timers, keyring, network, settings);
    if (claim == SingleCopy::Claim::Unlocked)
        run.runWithoutAutomaticLogin();
    if (options.minutes > 0)
        run.setCycleLength(options.minutes);
    MainWindow window(folder, run.face(), browser.view(), desktop, tray);
    QObject::connect(&copy, &SingleCopy::comeForwardAsked, &window, &MainWindow::bringForward);

    QPointer<NotifyDialog> notifyDialog;
    QObject::connect(&window, &MainWindow::notifySettingsRequested, &window, [&] {
        if (!notifyDialog)
            notifyDialog = new NotifyDialog(run.notifySettingsPath(), run.notifier(), run.site(), &window);
        notifyDialog->show();
        notifyDialog->raise();
        notifyDialog->activateWindow();
    });
    // The window goes at once; the process stays a moment for the last message.
    // exit(), not quit(): quit() would close the window, which asks again.
    bool leaving = false;
    leave = [&] {
        if (std::exchange(leaving, true))
            return;
        window.hide();
        tray.hide();
        run.sayGoodbye(3000, [] { QCoreApplication::exit(0); });
    };
    QObject::connect(&window, &MainWindow::quitRequested, &app, [&leave] { leave(); }, Qt::QueuedConnection);
    auto *update = new UpdateCheck(timers, network, desktop, QStringLiteral(UPDATE_FILE_URL),
                                   QStringLiteral(PRODUCT_PAGE_URL), &window);
    QObject::connect(update, &UpdateCheck::checkFinished, &window, [&run](const QString &published) {
        run.journal().write(published.isEmpty() ? QStringLiteral("检查更新：没有取得版本信息")
                               : published == UpdateCheck::version()
                                   ? QStringLiteral("检查更新：已是最新版本 ") + published
                                   : QStringLiteral("检查更新：发现新版本 ") + published);
    });
    window.move(window.screen()->availableGeometry().center() - window.rect().center());
    window.show();
    if (options.start) {
        window.pressStartOnceShown();
    }
    return app.exec();
}
