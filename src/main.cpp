#include "app/command_line.h"
#include "app/quit_on_signal.h"
#include "automation/web_engine/browser_profile.h"
#include "automation/web_engine/web_engine_browser.h"
#include "base/precise_timer.h"
#include "base/qt_desktop.h"
#include "base/run_journal.h"
#include "base/single_copy.h"
#include "main_window/app_icon.h"
#include "main_window/main_window.h"
#include "main_window/notify_dialog.h"
#include "main_window/site_list_panel.h"
#include "main_window/site_question_boxes.h"
#include "main_window/system_tray_icon.h"
#include "settings/keyring.h"
#include "settings/settings_file.h"
#include "site_run/site_face.h"
#include "site_run/site_run.h"
#include "site_set/site_list_file.h"
#include "site_set/site_set.h"
#include "update/update_check.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QQuickWindow>
#include <QScreen>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <memory>
#include <utility>

namespace {

// What both kinds of run share: the timers, the keyring, the desktop, the
// tray and the network.
struct Process {
    PreciseTimerFactory timers;
    Keyring keyring{timers};
    QtDesktop desktop{QStringLiteral("OrvoCMS全自动挂机采集工具")};
    SystemTrayIcon tray{appIcon()};
    QNetworkAccessManager network;
};

// 通知设置, from the window or the tray, one box at a time.
void offerNotifySettings(MainWindow &window, std::function<NotifyDialog *()> makeDialog)
{
    auto dialog = std::make_shared<QPointer<NotifyDialog>>();
    QObject::connect(&window, &MainWindow::notifySettingsRequested, &window, [dialog, makeDialog] {
        if (!*dialog)
            *dialog = makeDialog();
        (*dialog)->show();
        (*dialog)->raise();
        (*dialog)->activateWindow();
    });
}

// The window, the update check and the way out, for any run.
int runWindow(MainWindow &window, Process &process, RunJournal &journal, std::function<void()> &leave,
              std::function<void(std::function<void()>)> sayGoodbye)
{
    // The window goes at once; the process stays a moment for the last message.
    // exit(), not quit(): quit() would close the window, which asks again.
    bool leaving = false;
    leave = [&, sayGoodbye] {
        if (std::exchange(leaving, true))
            return;
        window.hide();
        process.tray.hide();
        sayGoodbye([] { QCoreApplication::exit(0); });
    };
    QObject::connect(&window, &MainWindow::quitRequested, &window, [&leave] { leave(); }, Qt::QueuedConnection);
    auto *update = new UpdateCheck(process.timers, process.network, process.desktop, QStringLiteral(UPDATE_FILE_URL),
                                   QStringLiteral(PRODUCT_PAGE_URL), &window);
    QObject::connect(update, &UpdateCheck::checkFinished, &window, [&journal](const QString &published) {
        journal.write(published.isEmpty() ? QStringLiteral("检查更新：没有取得版本信息")
                          : published == UpdateCheck::version()
                              ? QStringLiteral("检查更新：已是最新版本 ") + published
                              : QStringLiteral("检查更新：发现新版本 ") + published);
    });
    window.move(window.screen()->availableGeometry().center() - window.rect().center());
    window.show();
    return QApplication::exec();
}

int runOneSite(const QString &folder, SingleCopy &copy, SingleCopy::Claim claim, const RunOptions &options,
               std::function<void()> &leave)
{
    const QString settings = SettingsFile::defaultPath();
    const QString profile = BrowserProfile::nameFor(folder);
    BrowserProfile::takeOverSharedProfile(profile);
    Process process;
    WebEngineBrowser browser(profile, process.keyring);
    SiteRun run(browser, process.timers, process.keyring, process.network, settings);
    if (claim == SingleCopy::Claim::Unlocked)
        run.runWithoutAutomaticLogin();
    if (options.minutes > 0)
        run.setCycleLength(options.minutes);
    MainWindow window(folder, run.face(), browser.view(), process.desktop, process.tray);
    showSiteQuestions(browser, &window);
    QObject::connect(&copy, &SingleCopy::comeForwardAsked, &window, &MainWindow::bringForward);
    SiteFace &face = run.face();
    offerNotifySettings(window, [&] { return new NotifyDialog(face.notifySettingsPath(), face.notifier(), face.host(), &window); });
    if (options.start)
        window.pressStartOnceShown();
    return runWindow(window, process, run.journal(), leave,
                     [&run](std::function<void()> done) { run.sayGoodbye(3000, done); });
}

int runSet(const QString &folder, SingleCopy &copy, const RunOptions &options, std::function<void()> &leave)
{
    Process process;
    SiteSet set(folder, [&process](const QString &site, QObject *parent) -> Browser * {
        return new WebEngineBrowser(BrowserProfile::nameFor(site), process.keyring,
                                    WebEngineBrowser::DefaultLoadTimeoutMs, parent);
    }, process.timers, process.keyring, process.network);
    if (const QString error = set.load(); !error.isEmpty()) {
        const QString text = QStringLiteral("无法读取站点列表“%1”：%2。没有站点开始运行。")
                                 .arg(QDir::toNativeSeparators(SiteListFile::pathIn(folder)), error);
        std::fprintf(stderr, "orvo-collector: %s\n", qUtf8Printable(text));
        process.desktop.inform(nullptr, text);
        return 1;
    }
    int first = -1;
    for (int i = 0; i < set.sites().size() && first < 0; ++i) {
        if (set.sites()[i].run)
            first = i;
    }
    if (first < 0) {
        QString text = QStringLiteral("站点列表“%1”中没有可以运行的站点：")
                           .arg(QDir::toNativeSeparators(SiteListFile::pathIn(folder)));
        for (const SiteSet::Site &site : set.sites())
            text += QStringLiteral("\n%1：%2").arg(QDir::toNativeSeparators(site.folder), site.problem);
        std::fprintf(stderr, "orvo-collector: %s\n", qUtf8Printable(text));
        process.desktop.inform(nullptr, text);
        return 1;
    }
    for (const SiteSet::Site &site : set.sites()) {
        if (site.run && options.minutes > 0)
            site.run->setCycleLength(options.minutes);
    }
    const SiteSet::Site &shown = set.sites()[first];
    MainWindow window(folder, *shown.face, shown.browser->view(), process.desktop, process.tray);
    auto *list = new SiteListPanel(set, window, process.desktop);
    window.addSiteList(list);
    list->select(first);
    QObject::connect(&copy, &SingleCopy::comeForwardAsked, &window, &MainWindow::bringForward);
    offerNotifySettings(window, [&] {
        auto *dialog = new NotifyDialog(set.notifySettingsPath(), set.notifier(), QFileInfo(folder).fileName(), &window);
        dialog->noteOwnSettings(set.sitesWithOwnNotifySettings());
        QObject::connect(dialog, &NotifyDialog::saved, &set, &SiteSet::useNotifySettings);
        return dialog;
    });
    if (options.start)
        QTimer::singleShot(0, &set, &SiteSet::startAll);
    return runWindow(window, process, set.journal(), leave, [&set](std::function<void()> done) {
        // Every site says goodbye at once; the tool goes when all have.
        auto left = std::make_shared<int>(0);
        for (const SiteSet::Site &site : set.sites())
            *left += site.run ? 1 : 0;
        for (const SiteSet::Site &site : set.sites()) {
            if (site.run)
                site.run->sayGoodbye(3000, [left, done] {
                    if (--*left == 0)
                        done();
                });
        }
    });
}

} // namespace

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
    // Qt's own boxes (the folder picker) speak Chinese, as the tool does.
    QTranslator qtWords;
    if (qtWords.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtWords);
    QGuiApplication::setDesktopFileName(QStringLiteral("orvo-collector"));
    const RunOptions options = runOptions(QApplication::arguments());
    // Ends the tool; set below to tell the robot first.
    std::function<void()> leave = [] { QCoreApplication::exit(0); };
    quitOnTerminationSignals([&leave] { leave(); });

    // The working folder as the system reports it, symbolic links resolved:
    // a folder reached through a link is the same folder.
    const QString folder = QFileInfo(SettingsFile::defaultPath()).absolutePath();
    SingleCopy copy(folder);
    const SingleCopy::Claim claim = copy.claim();
    if (claim == SingleCopy::Claim::Taken) {
        std::fprintf(stderr, "orvo-collector: %s\n",
                     qUtf8Printable(QStringLiteral("文件夹“%1”中已经有一个本工具在运行，已把它的窗口调到前面。")
                                        .arg(QDir::toNativeSeparators(folder))));
        return 0;
    }
    if (SiteListFile::existsIn(folder))
        return runSet(folder, copy, options, leave);
    return runOneSite(folder, copy, claim, options, leave);
}
