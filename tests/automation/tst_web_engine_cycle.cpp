// The collection cycle in the real embedded browser against a CMS on the
// loopback interface: what the CMS receives, in which order, with which
// cookie. The waits of the cycle run 100 times faster than in the tool.

#include "automation/stage_machine.h"
#include "automation/cycle_clock.h"
#include "automation/web_engine_browser.h"
#include "fake_cms.h"
#include "scaled_timer_factory.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QVBoxLayout>
#include <QWidget>
#include <QtTest>

namespace {

constexpr int Patience = 30000; // ms; only ever a limit, never a measurement
constexpr int Speedup = 100;

// The tool's cycle in a real browser, pointed at the fake CMS's pages, its
// view shown in a window put together the way the tool's main() does it: the
// window owns the view and goes before the browser.
struct Rig {
    explicit Rig(int loadTimeoutMs = WebEngineBrowser::DefaultLoadTimeoutMs)
        : browser(QStringLiteral("OrvoCollector"), loadTimeoutMs)
    {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(browser.view());
        window.resize(800, 600);
        window.show();
    }

    bool start(bool logIn = true)
    {
        if (!cms.listen())
            return false;
        stages.addresses = {cms.address(FakeCms::Login), cms.address(FakeCms::Collection),
                            cms.address(FakeCms::Generation), cms.address(FakeCms::HomePage)};
        return !logIn || logInThrough(*browser.page(), cms, Patience);
    }

    FakeCms cms;
    ScaledTimerFactory timers{Speedup};
    WebEngineBrowser browser{QStringLiteral("OrvoCollector")};
    QWidget window;
    StageMachine stages{browser, timers};
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

} // namespace

class TestWebEngineCycle : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void loggedInCycleRunsInOrderAndRestarts();
    void misbehavingPagesAreNotPressedAndTheCycleGoesOn_data();
    void misbehavingPagesAreNotPressedAndTheCycleGoesOn();
    void pagesThatNeverAnswerDoNotHoldTheCycle();
    void stoppedLoadPressesNothingOnThePageStillShown();
    void dialogsWaitForThePersonUntilTheCycleStarts();
};

void TestWebEngineCycle::initTestCase()
{
    // The named profile then lives under ~/.qttest, never in the user's own
    // data; it starts empty so that no cookie of an earlier run is around.
    QStandardPaths::setTestModeEnabled(true);
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QVERIFY(QDir(data).removeRecursively());
    QVERIFY(QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).removeRecursively());
}

void TestWebEngineCycle::loggedInCycleRunsInOrderAndRestarts()
{
    Rig rig;
    QVERIFY(rig.start());
    rig.stages.clock().setCycleLength(1);
    rig.stages.startCycle();
    QTRY_VERIFY_WITH_TIMEOUT(rig.cms.log().count(QStringLiteral("GET /collect")) >= 2, Patience);

    const QStringList expected = {
        QStringLiteral("GET /login"),
        QStringLiteral("POST /login"),
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
    QVERIFY2(requests.at(3).body.contains("submit_button="), requests.at(3).body.constData());
    QVERIFY2(requests.at(5).body.contains("submit_button="), requests.at(5).body.constData());

    for (int i = 2; i < requests.size(); ++i) {
        QVERIFY2(rig.cms.carriesSession(requests.at(i)),
                 qPrintable(FakeCms::describe(requests.at(i)) + QStringLiteral(" came with cookie '")
                            + QString::fromLatin1(requests.at(i).header("Cookie")) + QLatin1Char('\'')));
    }
}

void TestWebEngineCycle::misbehavingPagesAreNotPressedAndTheCycleGoesOn_data()
{
    // `target` replaces the collection page's address, or the generation
    // page's for targets under /generate; "refused" is a port nobody serves.
    // `said`: the page dialog the browser answered by itself, if any.
    QTest::addColumn<QString>("target");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("said");
    const QStringList generated = {"GET /generate", "POST /generate?form=2", "GET /homepage"};
    QTest::newRow("collection page without button")
        << FakeCms::CollectionWithoutButton << QStringList{"GET /collect?variant=no-button"} + generated << "";
    QTest::newRow("collection page with two buttons")
        << FakeCms::CollectionWithTwoButtons << QStringList{"GET /collect?variant=two-buttons"} + generated << "";
    QTest::newRow("collection form submitted into a new window")
        << FakeCms::CollectionInNewWindow
        << QStringList{"GET /collect?variant=new-window", "POST /collect?variant=new-window"} + generated << "";
    QTest::newRow("collection page answers 500")
        << FakeCms::CollectionFailing << QStringList{"GET /collect?variant=server-error"} + generated << "";
    QTest::newRow("collection page refused") << "refused" << generated << "";
    // No login: every page redirects to the login form, whose button has the
    // same name. Nothing may be pressed there.
    QTest::newRow("logged out")
        << "logged out" << QStringList{"GET /collect", "GET /login", "GET /generate", "GET /login", "GET /homepage"} << "";
    QTest::newRow("generation page with one button")
        << FakeCms::GenerationWithOneButton
        << QStringList{"GET /collect", "POST /collect", "GET /generate?variant=one-button", "GET /homepage"} << "";
    QTest::newRow("result page alerts")
        << FakeCms::CollectionAlerting << QStringList{"GET /collect?variant=alert", "POST /collect?variant=alert"} + generated
        << "alert 采集完成";
    // A confirm answered OK lets the page go on, as the CMS meant it to.
    QTest::newRow("result page asks to confirm")
        << FakeCms::CollectionConfirming
        << QStringList{"GET /collect?variant=confirm", "POST /collect?variant=confirm", "GET /collect?confirmed=1"} + generated
        << "confirm 继续生成吗?";
    QTest::newRow("result page prompts")
        << FakeCms::CollectionPrompting << QStringList{"GET /collect?variant=prompt", "POST /collect?variant=prompt"} + generated
        << "prompt 备注";
}

// Nothing is pressed where it must not be, nobody has to answer a page
// dialog, and the cycle moves on by time to the generation and home pages.
void TestWebEngineCycle::misbehavingPagesAreNotPressedAndTheCycleGoesOn()
{
    QFETCH(QString, target);
    QFETCH(QStringList, expected);
    QFETCH(QString, said);
    Rig rig;
    QVERIFY(rig.start(target != "logged out"));
    if (target != "logged out")
        (target.startsWith("/generate") ? rig.stages.addresses.generation : rig.stages.addresses.collection) =
            target == "refused" ? unreachableAddress() : rig.cms.address(target);
    QStringList dialogs;
    connect(&rig.browser, &Browser::pageDialogAnswered, this,
            [&dialogs](const QString &kind, const QString &text) { dialogs << kind + QLatin1Char(' ') + text; });

    const int before = rig.cms.log().size();
    rig.stages.startCycle();
    QTRY_VERIFY_WITH_TIMEOUT(rig.cms.log().contains(QStringLiteral("GET /homepage")), Patience);
    QCOMPARE(rig.cms.log().mid(before, expected.size()), expected);
    QCOMPARE(dialogs.join(QString()), said);
}

// Every administration page hangs without an answer: each load is stopped
// after the browser's load time-out, so the first cycle still reaches the
// home page, the clock starts, and the next cycle comes.
void TestWebEngineCycle::pagesThatNeverAnswerDoNotHoldTheCycle()
{
    Rig rig(1500);
    QVERIFY(rig.start());
    for (QString *address : {&rig.stages.addresses.collection, &rig.stages.addresses.generation,
                             &rig.stages.addresses.homePage})
        *address += QStringLiteral("?variant=hang");
    rig.stages.clock().setCycleLength(1);

    rig.stages.startCycle();
    QTRY_VERIFY_WITH_TIMEOUT(rig.cms.log().count(QStringLiteral("GET /collect?variant=hang")) >= 2, Patience);
    QCOMPARE(rig.cms.log().mid(2, 4).join(", "),
             "GET /collect?variant=hang, GET /generate?variant=hang, GET /homepage?variant=hang, GET /collect?variant=hang");
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
    QSignalSpy loaded(&rig.browser, &Browser::pageLoaded);
    rig.stages.openLoginPage();
    QVERIFY(loaded.wait(Patience));

    rig.stages.startCycle();
    QTRY_VERIFY_WITH_TIMEOUT(rig.cms.log().contains(QStringLiteral("GET /generate")), Patience);
    QVERIFY(!rig.cms.log().contains(QStringLiteral("POST /collect")));
}

// Before "2", and again after "1" stopped the cycle, the browser is the
// person's: a wrong login's alert shows in a box of the browser's own and
// waits for them; nobody answers it for them.
void TestWebEngineCycle::dialogsWaitForThePersonUntilTheCycleStarts()
{
    Rig rig;
    QVERIFY(rig.start(false));
    QStringList read;
    QTimer person; // reads what a box says and presses its OK
    connect(&person, &QTimer::timeout, this, [&read] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible()) {
                read << box->text();
                box->accept();
            }
        }
    });
    person.start(50);
    for (const int boxes : {1, 2}) {
        rig.stages.openLoginPage();
        QVERIFY(QSignalSpy(&rig.browser, &Browser::pageLoaded).wait(Patience));
        rig.browser.page()->runJavaScript(QStringLiteral("document.querySelector('[name=submit_button]').click();"));
        QTRY_COMPARE_WITH_TIMEOUT(read, QStringList(boxes, "用户名或密码错误"), Patience);
        rig.stages.startCycle();
    }
}

QTEST_MAIN(TestWebEngineCycle)
#include "tst_web_engine_cycle.moc"
