// The process: --start runs a cycle on a login kept in the folder's browser
// profile with nobody at the window, one copy per folder; bad arguments stop
// the real program; a termination signal ends it once.

#include "app/quit_on_signal.h"
#include "automation/web_engine/browser_profile.h"
#include "automation/web_engine/web_engine_browser.h"
#include "base/precise_timer.h"
#include "fake_cms.h"
#include "text_file.h"
#include "settings/keyring.h"
#include "settings/notify_settings.h"
#include "settings/settings_file.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineProfile>

#include <csignal>

namespace {

constexpr int Patience = 60000;  // ms; only ever a limit, never a measurement

// The tool's environment, as this test's (without a display, its browser
// sandbox off), with its home folder in `home`.
QProcessEnvironment homeIn(const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
    return env;
}

// The tool, started in `folder` under `home`.
struct Tool : QProcess {
    Tool(const QString &home, const QString &folder, const QStringList &arguments = {"--start"})
    {
        setProcessEnvironment(homeIn(home));
        setWorkingDirectory(folder);
        start(QStringLiteral(TOOL_PATH), arguments);
    }
    ~Tool() override { kill(); waitForFinished(); }
    bool endsWell(int signal)
    {
        ::kill(pid_t(processId()), signal);
        return waitForFinished(Patience) && exitStatus() == NormalExit && exitCode() == 0;
    }
};

} // namespace

class TestStartOption : public QObject {
    Q_OBJECT
private slots:
    void eachFolderRunsOneCopyOnItsOwnKeptLogin();
    void aFolderThatCannotBeLockedIsNeverLoggedIntoByItself();
    void helpVersionAndBadArgumentsEndItBeforeAnyWindow_data();
    void helpVersionAndBadArgumentsEndItBeforeAnyWindow();
    void eachSignalAsksToQuitOnceNotForEver();
};

// The browser data of this process go where the tool keeps them for `home`.
void TestStartOption::eachFolderRunsOneCopyOnItsOwnKeptLogin()
{
    FakeCms cms;
    QVERIFY(cms.listen());
    QTemporaryDir home;
    QCoreApplication::setApplicationName(QStringLiteral("orvo-collector"));
    for (const char *place : {"DATA", "CACHE"})
        qputenv(QByteArray("XDG_") + place + "_HOME", home.filePath(QString::fromLatin1(place).toLower()).toUtf8());
    // Two folders of the same name in different places.
    const QString site = home.filePath(QStringLiteral("站点")), other = home.filePath(QStringLiteral("b/站点"));
    for (const QString &folder : {site, other}) {
        QVERIFY(QDir().mkpath(folder));
        QCOMPARE(SettingsFile::appendRecord(folder + QStringLiteral("/123.txt"),
                                            {cms.address(FakeCms::Login), cms.address(FakeCms::Collection),
                                             cms.address(FakeCms::Generation), cms.address(FakeCms::HomePage)}),
                 QString());
    }
    const auto posts = [&cms] { return cms.log().count(QStringLiteral("POST /collect")); };
    // Nothing follows a collection's POST for a minute: the last request is that POST.
    const auto lastPostHadTheLogin = [&cms] { return cms.carriesSession(cms.requests().constLast()); };
    {   // A login kept by the version before, in the profile every folder shared.
        QWebEngineProfile shared(QStringLiteral("OrvoCollector"));
        shared.setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
        QWebEnginePage page(&shared);
        QVERIFY(logInThrough(page, cms, Patience));
    }
    {   // The first folder to start takes it over, with the length kept in it.
        QVERIFY(writeFile(site + "/cycle.ini", "minutes=30\n")); // as the window keeps a confirmed one
        Tool tool(home.path(), site);
        QTRY_VERIFY_WITH_TIMEOUT(posts() == 1, Patience);
        QVERIFY(lastPostHadTheLogin());
        QVERIFY(tool.endsWell(SIGTERM) && !tool.readAllStandardError().contains("page console message"));
        QCOMPARE(occurrencesIn(site + "/run-journal.txt", QStringLiteral("开始自动挂机，采集间隔 30 分钟")), 1);
    }

    // A folder with a profile of its own, and no login in it: nothing is
    // pressed on the login form the CMS sends instead; the sign says why.
    // Closing the terminal ends it as a quit does.
    {
        Tool tool(home.path(), other);
        QTRY_VERIFY_WITH_TIMEOUT(occurrencesIn(other + "/run-journal.txt", QStringLiteral("后台登录可能已失效")) == 1, Patience);
        QVERIFY(tool.endsWell(SIGHUP));
        QCOMPARE(occurrencesIn(other + "/run-journal.txt", QStringLiteral("退出")), 1);
        QCOMPARE(cms.log().count(QStringLiteral("POST /login")), 1); // the login above
    }
    {   // The operator's login in that folder's browser, kept in a session cookie.
        PreciseTimerFactory timers;
        Keyring keyring(timers);
        WebEngineBrowser browser(BrowserProfile::nameFor(QFileInfo(other).canonicalFilePath()), keyring);
        QVERIFY(logInThrough(*browser.page(), cms, Patience));
    }
    // The robot hears of each start that begins, and how the run before it ended.
    const NotifySettings notify{cms.url(FakeCms::Robot), FakeCms::RobotSecret, RobotKind::DingTalk, {}};
    QVERIFY(notify.save(other + "/notify.ini").isEmpty());
    auto running = std::make_unique<Tool>(home.path(), other, QStringList{"--start", "--minutes", "12"});
    QTRY_VERIFY_WITH_TIMEOUT(posts() == 2, Patience);
    QVERIFY(lastPostHadTheLogin());

    // A second copy in the same folder, here through a symbolic link, only
    // says so; after a crash the folder is free again.
    QVERIFY(QFile::link(other, home.filePath(QStringLiteral("link"))));
    Tool second(home.path(), home.filePath(QStringLiteral("link")));
    QVERIFY(second.waitForFinished(Patience) && second.exitCode() == 0);
    QVERIFY(QString::fromUtf8(second.readAllStandardError()).contains(QStringLiteral("已经有一个本工具在运行")));
    QCOMPARE(occurrencesIn(other + "/run-journal.txt", QStringLiteral("启动")), 2);
    ::kill(pid_t(running->processId()), SIGKILL);
    QVERIFY(running->waitForFinished(Patience)); // reaped: a zombie would still hold the folder's lock
    // Meanwhile the CMS ended its sessions: the login remembered in the
    // folder is sent again by itself, with nobody at the screen.
    cms.endSessions();
    const RememberedLogin login{cms.address(FakeCms::Login), 0, "username", "admin", "password", "orvo123", {}, "submit_button",
                                {"nonce", "username", "password", "submit_button"}, false};
    QFile kept(other + "/login.ini");
    QVERIFY(kept.open(QIODevice::WriteOnly) && kept.write(login.toText()) > 0);
    kept.close();
    // Killed once the CMS has the login, before its answer: a later start
    // never sends it again, and says that the last try had no outcome.
    cms.neverAnswerLogins();
    running = std::make_unique<Tool>(home.path(), other);
    QTRY_VERIFY_WITH_TIMEOUT(cms.log().count(QStringLiteral("POST /login")) == 3, Patience); // the two above, and the tool's
    ::kill(pid_t(running->processId()), SIGKILL);
    QVERIFY(running->waitForFinished(Patience)); // reaped: a zombie would still hold the folder's lock
    running = std::make_unique<Tool>(home.path(), other);
    QTRY_VERIFY_WITH_TIMEOUT(occurrencesIn(other + "/run-journal.txt", QStringLiteral("自动重新登录失败，请手动登陆")) == 1, Patience);
    QCOMPARE(occurrencesIn(other + "/run-journal.txt", QStringLiteral("上次自动登录没有结果")), 1);
    QVERIFY(running->endsWell(SIGTERM));
    QCOMPARE(cms.log().count(QStringLiteral("POST /login")), 3);
    QCOMPARE(posts(), 2);
    QStringList told;
    for (const HttpRequest &request : cms.requests())
        told << QString::fromUtf8(request.body).section("上次", 1, 1).left(4);
    told = told.filter(QRegularExpression("正常退出|意外结束")); // a killed run's own may not have gone
    QVERIFY2(told.count("正常退出") == 1 && told.first() == "正常退出" && told.last() == "意外结束", qPrintable(told.join(' ')));
    // --minutes holds for its run only.
    QCOMPARE(occurrencesIn(other + "/run-journal.txt", QStringLiteral("开始自动挂机，采集间隔 12 分钟")), 1);
    QCOMPARE(occurrencesIn(other + "/run-journal.txt", QStringLiteral("开始自动挂机，采集间隔 10 分钟")), 3); // before and after
}

// Where the lock cannot be kept, another copy may run in the folder unseen:
// the two must not each send the remembered login once.
void TestStartOption::aFolderThatCannotBeLockedIsNeverLoggedIntoByItself()
{
    FakeCms cms;
    QVERIFY(cms.listen());
    QTemporaryDir home;
    QVERIFY(writeFile(home.filePath("data"), "a file where the data folder goes"));
    const QString folder = home.filePath("site");
    QVERIFY(QDir().mkpath(folder));
    QCOMPARE(SettingsFile::appendRecord(folder + "/123.txt", {cms.address(FakeCms::Login), cms.address(FakeCms::Collection),
                                                              cms.address(FakeCms::Generation), cms.address(FakeCms::HomePage)}),
             QString());
    const RememberedLogin login{cms.address(FakeCms::Login), 0, "username", "admin", "password", "orvo123", {}, "submit_button",
                                {"nonce", "username", "password", "submit_button"}, false};
    QVERIFY(writeFile(folder + "/login.ini", login.toText()));
    Tool tool(home.path(), folder);
    QTRY_VERIFY_WITH_TIMEOUT(occurrencesIn(folder + "/run-journal.txt", "本次运行不自动重新登录（") == 1, Patience);
    QVERIFY(tool.endsWell(SIGTERM));
    QCOMPARE(occurrencesIn(folder + "/run-journal.txt", "本次运行不自动重新登录"), 2); // at start, and at the lost login
    QCOMPARE(cms.log().count("POST /login"), 0);
}

void TestStartOption::helpVersionAndBadArgumentsEndItBeforeAnyWindow_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status"); // -1: any status but 0
    QTest::addColumn<QString>("said");
    const QString usage = QStringLiteral("用法：orvo-collector [--start] [--minutes 分钟数]");
    QTest::newRow("help") << QStringList{"--help"} << 0 << usage;
    QTest::newRow("version") << QStringList{"--start", "--version"} << 0 << "orvo-collector 8.9\n";
    QTest::newRow("unknown option") << QStringList{"--start", "--strat"} << -1 << usage;
    QTest::newRow("positional argument") << QStringList{"123.txt"} << -1 << usage;
    for (const char *minutes : {"0", "1441", "十", ""})
        QTest::newRow(qPrintable("--minutes " + QString::fromUtf8(minutes))) << QStringList{"--start", "--minutes", minutes} << -1 << usage;
}

void TestStartOption::helpVersionAndBadArgumentsEndItBeforeAnyWindow()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, said);
    QTemporaryDir home;
    Tool tool(home.path(), home.path(), arguments);
    QVERIFY(tool.waitForFinished(Patience)); // the window never comes up
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode() == 0, status == 0);
    const QString output = QString::fromUtf8(tool.readAllStandardOutput() + tool.readAllStandardError());
    QVERIFY2(output.contains(said), qPrintable(output));
}

// While the tool waits up to 3 s for its last message, a signal still
// waiting to be handled would spin a core.
void TestStartOption::eachSignalAsksToQuitOnceNotForEver()
{
    int asked = 0;
    quitOnTerminationSignals([&asked] { ++asked; });
    for (const int signal : {SIGTERM, SIGHUP}) {
        const int before = asked;
        ::raise(signal);
        QTRY_VERIFY(asked > before);
        for (int pass = 0; pass < 10; ++pass)
            QCoreApplication::processEvents();
        QCOMPARE(asked, before + 1);
    }
}

QTEST_MAIN(TestStartOption)
#include "tst_start_option.moc"
