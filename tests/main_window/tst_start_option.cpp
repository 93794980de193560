// The command line of the real program: --start runs a cycle on a login kept
// in the browser profile with nobody at the window; bad arguments stop it.

#include "fake_cms.h"
#include "settings/settings_file.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>

namespace {

constexpr int Patience = 60000;  // ms; only ever a limit, never a measurement

// The tool's environment with its home folder in `home`.
QProcessEnvironment homeIn(const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    return env;
}

// Logs into the CMS in a browser profile stored where the tool keeps its own
// for `home`, as a person would have done in an earlier run.
void logInEarlier(const FakeCms &cms, const QString &home)
{
    QWebEngineProfile profile(QStringLiteral("OrvoCollector"));
    profile.setPersistentStoragePath(home + QStringLiteral("/data/orvo-collector/QtWebEngine/OrvoCollector"));
    profile.setCachePath(home + QStringLiteral("/cache"));
    QWebEnginePage page(&profile);
    QSignalSpy loaded(&page, &QWebEnginePage::loadFinished);
    page.load(cms.url(FakeCms::Login));
    QVERIFY(loaded.wait(Patience));
}

} // namespace

class TestStartOption : public QObject {
    Q_OBJECT
private slots:
    void startCollectsOnAKeptLoginWithoutAClick();
    void argumentsItDoesNotKnowStopItWithTheUsage_data();
    void argumentsItDoesNotKnowStopItWithTheUsage();
};

void TestStartOption::startCollectsOnAKeptLoginWithoutAClick()
{
    FakeCms cms;
    QVERIFY(cms.listen());
    QTemporaryDir home;
    logInEarlier(cms, home.path());
    const QString folder = home.filePath(QStringLiteral("站点"));
    QVERIFY(QDir().mkpath(folder));
    QCOMPARE(SettingsFile::appendRecord(folder + QStringLiteral("/123.txt"),
                                        {cms.address(FakeCms::Login), cms.address(FakeCms::Collection),
                                         cms.address(FakeCms::Generation), cms.address(FakeCms::HomePage)}),
             QString());
    const int earlierRequests = cms.requests().size();

    QProcess tool;
    tool.setProcessEnvironment(homeIn(home.path()));
    tool.setWorkingDirectory(folder);
    tool.setProcessChannelMode(QProcess::ForwardedChannels);
    tool.start(QStringLiteral(TOOL_PATH), {QStringLiteral("--start")});
    QVERIFY(tool.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(cms.log().contains(QStringLiteral("POST /collect")), Patience);

    const QList<HttpRequest> requests = cms.requests().mid(earlierRequests);
    QCOMPARE(FakeCms::describe(requests.value(0)), QStringLiteral("GET /collect"));
    QCOMPARE(FakeCms::describe(requests.value(1)), QStringLiteral("POST /collect"));
    QVERIFY(cms.carriesSession(requests[0]) && cms.carriesSession(requests[1]));

    tool.terminate();
    QVERIFY(tool.waitForFinished(Patience));
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), 0);
}

void TestStartOption::argumentsItDoesNotKnowStopItWithTheUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status"); // -1: any status but 0
    QTest::newRow("help") << QStringList{"--help"} << 0;
    QTest::newRow("unknown option") << QStringList{"--start", "--strat"} << -1;
    QTest::newRow("positional argument") << QStringList{"123.txt"} << -1;
}

void TestStartOption::argumentsItDoesNotKnowStopItWithTheUsage()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QTemporaryDir home;
    QProcess tool;
    tool.setProcessEnvironment(homeIn(home.path()));
    tool.setWorkingDirectory(home.path());
    tool.start(QStringLiteral(TOOL_PATH), arguments);
    QVERIFY(tool.waitForFinished(Patience)); // the window never comes up
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    if (status == 0)
        QCOMPARE(tool.exitCode(), 0);
    else
        QVERIFY(tool.exitCode() != 0);
    const QString output = QString::fromUtf8(tool.readAllStandardOutput() + tool.readAllStandardError());
    QVERIFY2(output.contains(QStringLiteral("用法：orvo-collector [--start]")), qPrintable(output));
}

QTEST_MAIN(TestStartOption)
#include "tst_start_option.moc"
