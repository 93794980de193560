// The collection cycle in the real embedded browser against a CMS on the
// loopback interface: what the CMS receives, in which order, with which
// cookie. The waits of the cycle run 50 times faster than in the tool.

#include "automation/stage_machine.h"
#include "automation/cycle_clock.h"
#include "automation/web_engine_browser.h"
#include "fake_cms.h"
#include "scaled_timer_factory.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWidget>
#include <QtTest>

namespace {

constexpr int Patience = 30000; // ms; only ever a limit, never a measurement
constexpr int Speedup = 50;
constexpr char OpenPageOption[] = "--open-page-and-close";

// The browser's view shown in a window, put together the way the tool's
// main() does it: the window owns the view and goes first.
struct BrowserWindow {
    explicit BrowserWindow(int loadTimeoutMs = WebEngineBrowser::DefaultLoadTimeoutMs) : browser(loadTimeoutMs)
    {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(browser.view());
        window.resize(800, 600);
        window.show();
    }

    WebEngineBrowser browser;
    QWidget window;
};

// The tool's cycle in a real browser, pointed at the fake CMS's pages.
struct Rig {
    explicit Rig(int loadTimeoutMs = WebEngineBrowser::DefaultLoadTimeoutMs)
        : shown(loadTimeoutMs), stages(shown.browser, timers) {}

    bool start()
    {
        if (!cms.listen())
            return false;
        stages.addresses = {cms.address(FakeCms::Login), cms.address(FakeCms::Collection),
                            cms.address(FakeCms::Generation), cms.address(FakeCms::HomePage)};
        return true;
    }

    FakeCms cms;
    ScaledTimerFactory timers{Speedup};
    BrowserWindow shown;
    StageMachine stages;
};

// The address of a loopback port nobody listens on.
QString unreachableAddress()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1/collect").arg(port);
}

QStringList postsTo(const QStringList &log, const QString &path)
{
    QStringList posts;
    for (const QString &entry : log) {
        if (entry == QLatin1String("POST ") + path || entry.startsWith(QLatin1String("POST ") + path + QLatin1Char('?')))
            posts.append(entry);
    }
    return posts;
}

} // namespace

class TestWebEngineCycle : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void loggedInCycleRunsInOrderAndRestarts();
    void pageWithoutItsButtonIsNotSubmitted_data();
    void pageWithoutItsButtonIsNotSubmitted();
    void failingCollectionPageStillMovesOn_data();
    void failingCollectionPageStillMovesOn();
    void pagesThatNeverAnswerDoNotHoldTheCycle();
    void stoppedLoadPressesNothingOnThePageStillShown();
    void pageDialogsDoNotStopTheCycle_data();
    void pageDialogsDoNotStopTheCycle();
    void persistentLoginSurvivesRestart();
};

void TestWebEngineCycle::initTestCase()
{
    // The named profile then lives under ~/.qttest, never in the user's own
    // data; it starts empty so that no cookie of an earlier run is around.
    QStandardPaths::setTestModeEnabled(true);
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QVERIFY(QDir(data).removeRecursively());
    QVERIFY(QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).removeRecursively());

    BrowserWindow shown;
    const QWebEngineProfile *profile = shown.browser.page()->profile();
    QVERIFY(!profile->isOffTheRecord());
    QVERIFY2(profile->persistentStoragePath().startsWith(data), qPrintable(profile->persistentStoragePath()));
}

void TestWebEngineCycle::loggedInCycleRunsInOrderAndRestarts()
{
    Rig rig;
    QVERIFY(rig.start());
    rig.stages.clock().setCycleLength(1);
    QSignalSpy loaded(&rig.shown.browser, &Browser::pageLoaded);

    rig.stages.Command6_Click();
    QTRY_VERIFY_WITH_TIMEOUT(rig.cms.log().contains(QStringLiteral("GET /login")) && loaded.count() >= 1, Patience);
    rig.stages.Command1_Click();
    QTRY_VERIFY_WITH_TIMEOUT(rig.cms.log().count(QStringLiteral("GET /collect")) >= 2, Patience);

    const QStringList expected = {
        QStringLiteral("GET /login"),
        QStringLiteral("GET /collect"),
        QStringLiteral("POST /collect"),
        QStringLiteral("GET /generate"),
        QStringLiteral("POST /generate?form=2"),
        QStringLiteral("GET /homepage"),
        QStringLiteral("GET /collect"),
    };
    const QStringList log = rig.cms.log();
    QCOMPARE(log.mid(0, expected.size()), expected);
    QVERIFY2(!log.contains(QStringLiteral("POST /generate?form=1")), qPrintable(log.join(u", ")));

    // The buttons were pressed, not the forms sent some other way: the
    // button's own name travels with each submission.
    const QList<HttpRequest> requests = rig.cms.requests();
    QVERIFY2(requests.at(2).body.contains("submit_button="), requests.at(2).body.constData());
    QVERIFY2(requests.at(4).body.contains("submit_button="), requests.at(4).body.constData());

    for (int i = 1; i < requests.size(); ++i) {
        QVERIFY2(rig.cms.carriesSession(requests.at(i)),
                 qPrintable(FakeCms::describe(requests.at(i)) + QStringLiteral(" came with cookie '")
                            + QString::fromLatin1(requests.at(i).header("Cookie")) + QLatin1Char('\'')));
    }
}

void TestWebEngineCycle::pageWithoutItsButtonIsNotSubmitted_data()
{
    QTest::addColumn<bool>("collectionPage"); // otherwise the generation page
    QTest::addColumn<QString>("target");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("unsubmitted");

    QTest::newRow("collection page without button")
        << true << FakeCms::CollectionWithoutButton
        << QStringList{"GET /collect?variant=no-button", "GET /generate", "POST /generate?form=2", "GET /homepage"}
        << "/collect";
    QTest::newRow("collection page with two buttons")
        << true << FakeCms::CollectionWithTwoButtons
        << QStringList{"GET /collect?variant=two-buttons", "GET /generate", "POST /generate?form=2", "GET /homepage"}
        << "/collect";
    QTest::newRow("generation page with one button")
        << false << FakeCms::GenerationWithOneButton
        << QStringList{"GET /collect", "POST /collect", "GET /generate?variant=one-button", "GET /homepage"}
        << "/generate";
}

// Nothing is pressed, and the cycle still moves on by time.
void TestWebEngineCycle::pageWithoutItsButtonIsNotSubmitted()
{
    QFETCH(bool, collectionPage);
    QFETCH(QString, target);
    QFETCH(QStringList, expected);
    QFETCH(QString, unsubmitted);
    Rig rig;
    QVERIFY(rig.start());
    (collectionPage ? rig.stages.addresses.collection : rig.stages.addresses.generation) = rig.cms.address(target);

    rig.stages.Command1_Click();
    QTRY_VERIFY_WITH_TIMEOUT(rig.cms.log().contains(QStringLiteral("GET /homepage")), Patience);

    const QStringList log = rig.cms.log();
    QCOMPARE(log.mid(0, expected.size()), expected);
    QCOMPARE(postsTo(log, unsubmitted), QStringList());
}

void TestWebEngineCycle::failingCollectionPageStillMovesOn_data()
{
    QTest::addColumn<bool>("reachable");
    QTest::newRow("server error") << true;
    QTest::newRow("connection refused") << false;
}

void TestWebEngineCycle::failingCollectionPageStillMovesOn()
{
    QFETCH(bool, reachable);
    Rig rig;
    QVERIFY(rig.start());
    rig.stages.addresses.collection =
        reachable ? rig.cms.address(FakeCms::CollectionFailing) : unreachableAddress();

    rig.stages.Command1_Click();
    QTRY_VERIFY_WITH_TIMEOUT(rig.cms.log().contains(QStringLiteral("GET /homepage")), Patience);

    QStringList expected = {
        QStringLiteral("GET /generate"),
        QStringLiteral("POST /generate?form=2"),
        QStringLiteral("GET /homepage"),
    };
    if (reachable)
        expected.prepend(QStringLiteral("GET /collect?variant=server-error"));
    const QStringList log = rig.cms.log();
    QCOMPARE(log.mid(0, expected.size()), expected);
    QCOMPARE(postsTo(log, QStringLiteral("/collect")), QStringList());
}

// Every administration page hangs without an answer: each load is stopped
// after the browser's load time-out, so the first cycle still reaches the
// home page, the clock starts, and the next cycle comes.
void TestWebEngineCycle::pagesThatNeverAnswerDoNotHoldTheCycle()
{
    Rig rig(1500);
    FakeCms::Faults faults;
    faults.hangShare = 1.0;
    faults.hangMs = 0;
    rig.cms.setFaults(faults);
    QVERIFY(rig.start());
    rig.stages.clock().setCycleLength(1);

    rig.stages.Command1_Click();
    QTRY_VERIFY_WITH_TIMEOUT(rig.cms.log().count(QStringLiteral("GET /collect")) >= 2, Patience);
    const QStringList expected = {QStringLiteral("GET /collect"), QStringLiteral("GET /generate"),
                                  QStringLiteral("GET /homepage"), QStringLiteral("GET /collect")};
    QCOMPARE(rig.cms.log().mid(0, expected.size()), expected);
}

// The collection page never answers and is stopped; the page still shown
// (here a collection page with its button) must not be submitted instead.
void TestWebEngineCycle::stoppedLoadPressesNothingOnThePageStillShown()
{
    Rig rig(1500);
    QVERIFY(rig.start());
    QTcpServer silent; // accepts, never answers
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    rig.stages.addresses.login = rig.cms.address(FakeCms::Collection);
    rig.stages.addresses.collection = QStringLiteral("http://127.0.0.1:%1/collect").arg(silent.serverPort());
    QSignalSpy loaded(&rig.shown.browser, &Browser::pageLoaded);
    rig.stages.Command6_Click();
    QVERIFY(loaded.wait(Patience));

    rig.stages.Command1_Click();
    QTRY_VERIFY_WITH_TIMEOUT(rig.cms.log().contains(QStringLiteral("GET /generate")), Patience);
    QCOMPARE(postsTo(rig.cms.log(), QStringLiteral("/collect")), QStringList());
}

void TestWebEngineCycle::pageDialogsDoNotStopTheCycle_data()
{
    QTest::addColumn<QString>("collection");
    QTest::addColumn<QString>("said");
    QTest::newRow("alert") << FakeCms::CollectionAlerting << "alert 采集完成";
    QTest::newRow("confirm") << FakeCms::CollectionConfirming << "confirm 继续生成吗?";
    QTest::newRow("prompt") << FakeCms::CollectionPrompting << "prompt 备注";
}

// The collection's result page opens a page dialog: nobody is at the screen,
// so it is answered at once and the cycle goes on to the generation and home
// pages.
void TestWebEngineCycle::pageDialogsDoNotStopTheCycle()
{
    QFETCH(QString, collection);
    QFETCH(QString, said);
    Rig rig;
    QVERIFY(rig.start());
    rig.stages.addresses.collection = rig.cms.address(collection);
    QStringList dialogs;
    connect(&rig.shown.browser, &Browser::pageDialogAnswered, this,
            [&dialogs](const QString &kind, const QString &text) { dialogs << kind + QLatin1Char(' ') + text; });

    rig.stages.Command1_Click();
    QTRY_VERIFY_WITH_TIMEOUT(rig.cms.log().contains(QStringLiteral("GET /homepage")), Patience);
    const QStringList expected = {QStringLiteral("GET ") + collection, QStringLiteral("POST ") + collection,
                                  QStringLiteral("GET /generate"), QStringLiteral("POST /generate?form=2"),
                                  QStringLiteral("GET /homepage")};
    QStringList log = rig.cms.log();
    // A confirm answered OK lets the page go on, as the CMS meant it to.
    const bool confirmed = log.removeAll(QStringLiteral("GET /collect?confirmed=1")) == 1;
    QCOMPARE(confirmed, said.startsWith(QLatin1String("confirm")));
    QCOMPARE(log.mid(0, expected.size()), expected);
    QCOMPARE(dialogs, QStringList{said});
}

// Two runs of the tool, each in a process of its own as in real use (a
// profile ended and reopened within one process may not see its own last
// writes yet): the first opens the login page, the second the home page.
void TestWebEngineCycle::persistentLoginSurvivesRestart()
{
    FakeCms cms;
    QVERIFY(cms.listen());
    for (const char *target : {FakeCms::Login, FakeCms::HomePage}) {
        QProcess run;
        run.setProcessChannelMode(QProcess::MergedChannels);
        run.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(OpenPageOption), cms.address(target)});
        QTRY_COMPARE_WITH_TIMEOUT(run.state(), QProcess::NotRunning, Patience);
        QVERIFY2(run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0, run.readAll().constData());
    }

    const QList<HttpRequest> requests = cms.requests();
    QCOMPARE(cms.log(), QStringList({QStringLiteral("GET /login"), QStringLiteral("GET /homepage")}));
    QVERIFY2(cms.carriesSession(requests.at(1)), requests.at(1).header("Cookie").constData());
}

// One short run of the tool's browser for persistentLoginSurvivesRestart():
// open `address`, wait until it has loaded, close.
static int openPageAndClose(const QString &address)
{
    BrowserWindow shown;
    QSignalSpy loaded(&shown.browser, &Browser::pageLoaded);
    shown.browser.navigate(address);
    return loaded.wait(Patience) ? 0 : 1;
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], OpenPageOption) == 0) {
        QStandardPaths::setTestModeEnabled(true);
        return openPageAndClose(QString::fromLocal8Bit(argv[2]));
    }
    TestWebEngineCycle test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_web_engine_cycle.moc"
