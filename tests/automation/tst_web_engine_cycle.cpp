// The collection cycle in the real embedded browser against a CMS on the
// loopback interface: what the CMS receives, in which order, with which
// cookie, and what the person meets; the waits of the cycle run faster than
// in the tool. Last, the whole window in the tray with a login that expires.

#include "automation/stage_machine.h"
#include "automation/cycle_clock.h"
#include "automation/accepted_certificates.h"
#include "automation/run_journal.h"
#include "automation/run_watch.h"
#include "automation/web_engine_browser.h"
#include "fake_cms.h"
#include "live_window.h"
#include "notify/alerts.h"
#include "notify/notifier.h"
#include "scaled_timer_factory.h"
#include "text_file.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QMessageBox>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QVBoxLayout>
#include <QWidget>
#include <QtTest>

namespace {

constexpr int Patience = 30000; // ms; only ever a limit, never a measurement
constexpr int LongPatience = 60000;
constexpr int Speedup = 100;

// The tool's cycle in a real browser, pointed at the fake CMS's pages, its
// view shown in a window put together the way the tool's main() does it: the
// window owns the view and goes before the browser.
struct Rig {
    explicit Rig(int loadTimeoutMs = WebEngineBrowser::DefaultLoadTimeoutMs, int speedup = Speedup)
        : timers(speedup), browser(QStringLiteral("OrvoCollector"), loadTimeoutMs)
    {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(browser.view());
        window.resize(800, 600);
        window.show();
    }

    bool start(bool logIn = true, const QSslConfiguration &tls = {})
    {
        if (!cms.listen(0, tls))
            return false;
        stages.addresses = {cms.address(FakeCms::Login), cms.address(FakeCms::Collection),
                            cms.address(FakeCms::Generation), cms.address(FakeCms::HomePage)};
        return !logIn || logInThrough(*browser.page(), cms, Patience);
    }

    FakeCms cms;
    ScaledTimerFactory timers;
    WebEngineBrowser browser;
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

// Someone at the screen: every box that shows up, the browser's or the
// tool's, is seen once and handed to `answer`.
struct Person : QObject {
    explicit Person(std::function<void(QDialog *)> answer)
    {
        connect(&eyes, &QTimer::timeout, this, [this, answer] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<QDialog *>(widget);
                if (box && box->isVisible() && !seen.contains(box)) {
                    seen << box;
                    answer(box);
                }
            }
        });
        eyes.start(50);
    }
    QTimer eyes;
    QList<QPointer<QDialog>> seen;
};

QString messageOf(QDialog *box)
{
    auto *message = qobject_cast<QMessageBox *>(box);
    return message ? message->text() : QString();
}

void pressOk(QDialog *box)
{
    auto *message = qobject_cast<QMessageBox *>(box);
    message && message->button(QMessageBox::Ok) ? message->button(QMessageBox::Ok)->click() : box->accept();
}

// As a person does it: "1", the login typed into the page, "2".
bool logInAndStart(LiveWindow &live, const FakeCms &cms)
{
    QWebEnginePage *page = live.browser.page();
    QSignalSpy loaded(page, &QWebEnginePage::loadFinished);
    QTest::mouseClick(live.mainWindow.findChild<QPushButton *>("loginButton"), Qt::LeftButton);
    // A load the click cut short ends too, unsuccessfully.
    if (!QTest::qWaitFor([&] { return !loaded.isEmpty() && loaded.last().value(0).toBool(); }, LongPatience)
        || !submitLogin(*page, cms, LongPatience))
        return false;
    QTest::mouseClick(live.mainWindow.findChild<QPushButton *>("startButton"), Qt::LeftButton);
    return true;
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
    void aDialogThatFollowsThePersonsClickIsTheirs();
    void siteLoginIsAskedForWithoutBlocking_data();
    void siteLoginIsAskedForWithoutBlocking();
    void untrustedCertificatesAreNeverAcceptedSilently_data();
    void untrustedCertificatesAreNeverAcceptedSilently();
    void expiredLoginShowsASignUntilTheOperatorLogsInAgain();
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
    QSignalSpy presses(&rig.browser, &Browser::pressReported);
    rig.stages.startCycle();
    QTRY_VERIFY_WITH_TIMEOUT(rig.cms.log().contains(QStringLiteral("GET /homepage")), Patience);
    QCOMPARE(rig.cms.log().mid(before, expected.size()), expected);
    QCOMPARE(dialogs.join(QString()), said);
    // A press is reported as made exactly when the CMS received its form.
    const auto pressed = std::count_if(presses.cbegin(), presses.cend(), [](const auto &press) { return press.at(1).toBool(); });
    QCOMPARE(pressed, expected.filter(QStringLiteral("POST /")).size());
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
    Person person([&read](QDialog *box) {
        read << messageOf(box);
        pressOk(box);
    });
    for (const int boxes : {1, 2}) {
        rig.stages.openLoginPage();
        QVERIFY(QSignalSpy(&rig.browser, &Browser::pageLoaded).wait(Patience));
        QTRY_VERIFY_WITH_TIMEOUT(!rig.browser.page()->isLoading(), Patience);
        rig.browser.page()->runJavaScript(QStringLiteral("document.querySelector('[name=submit_button]').click();"));
        QTRY_COMPARE_WITH_TIMEOUT(read, QStringList(boxes, "用户名或密码错误"), Patience);
        rig.stages.startCycle();
        // Its first page (redirected to the login form) ends before "1" is pressed again.
        QVERIFY(QSignalSpy(&rig.browser, &Browser::pageLoaded).wait(Patience));
    }
}

// While the cycle runs, a confirm that the person's own key raised in the
// page is shown to them, not answered OK for them, and the cycle stops.
void TestWebEngineCycle::aDialogThatFollowsThePersonsClickIsTheirs()
{
    Rig rig(WebEngineBrowser::DefaultLoadTimeoutMs, 1); // the cycle's waits at their real length
    QVERIFY(rig.start());
    rig.stages.addresses.collection = rig.cms.address(FakeCms::CollectionWithDelete);
    QStringList shown;
    Person person([&](QDialog *box) {
        shown << messageOf(box) + (rig.stages.isRunning() ? " while running" : "");
        pressOk(box);
    });
    QSignalSpy loads(rig.browser.page(), &QWebEnginePage::loadFinished);
    rig.stages.startCycle();
    QTRY_COMPARE_WITH_TIMEOUT(loads.size(), 2, Patience); // the collection page and the press's result
    QPoint button;
    rig.browser.page()->runJavaScript(
        QStringLiteral("(r => [r.x + r.width / 2, r.y + r.height / 2])(document.getElementById('delete').getBoundingClientRect())"),
        [&button](const QVariant &at) { button = QPoint(at.toList().value(0).toInt(), at.toList().value(1).toInt()); });
    QTRY_VERIFY_WITH_TIMEOUT(!button.isNull() && rig.browser.view()->focusProxy(), Patience);
    QTest::mouseClick(rig.browser.view()->focusProxy(), Qt::LeftButton, {}, button);
    QTRY_VERIFY_WITH_TIMEOUT(rig.cms.log().contains("GET /delete"), Patience);
    QCOMPARE(shown, QStringList("确定删除?"));
}

void TestWebEngineCycle::siteLoginIsAskedForWithoutBlocking_data()
{
    // The first box gets the user name, Tab, `password` and Enter (Escape
    // when empty); any later box gets Escape.
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("boxes");
    QTest::newRow("answered") << FakeCms::BasicPassword << 1;
    QTest::newRow("Escape") << "" << 1;
    QTest::newRow("a wrong password asks again") << "wrong" << 2;
}

// An admin folder behind HTTP Basic authentication: a box asks, the page is
// loaded again with the answer, and the login and the cycle go through on it.
void TestWebEngineCycle::siteLoginIsAskedForWithoutBlocking()
{
    QFETCH(QString, password);
    QFETCH(int, boxes);
    Rig rig;
    rig.cms.requireBasicAuth();
    QVERIFY(rig.start(false));
    int asked = 0;
    Person person([&](QDialog *box) {
        QTest::keyClicks(box->focusWidget(), FakeCms::BasicUser);
        if (asked++ > 0 || password.isEmpty())
            return QTest::keyClick(box->focusWidget(), Qt::Key_Escape);
        QTest::keyClick(box->focusWidget(), Qt::Key_Tab);
        QTest::keyClicks(box->focusWidget(), password);
        QTest::keyClick(box->focusWidget(), Qt::Key_Return);
    });
    rig.stages.openLoginPage();
    const bool through = password == FakeCms::BasicPassword;
    QTRY_VERIFY_WITH_TIMEOUT(asked == boxes && !person.seen.constLast(), Patience); // the last box is gone
    QTRY_VERIFY_WITH_TIMEOUT(rig.browser.page()->title() == (through ? "管理员登录" : "401")
                                 && !rig.browser.page()->isLoading(), Patience);
    if (!through)
        return;
    QVERIFY(submitLogin(*rig.browser.page(), rig.cms, Patience));
    rig.stages.startCycle();
    QTRY_VERIFY_WITH_TIMEOUT(rig.cms.log().contains("POST /collect"), Patience);
    QCOMPARE(asked, 1);
    QVERIFY(rig.cms.requests().constLast().header("Authorization").startsWith("Basic "));
}

void TestWebEngineCycle::untrustedCertificatesAreNeverAcceptedSilently_data()
{
    // `accepted`: what the file of accepted certificates holds for the host;
    // `opener`: "1" (the person's login page) or "2" (the cycle's page);
    // `answer`: the key or click given to the question, if one comes.
    QTest::addColumn<QString>("accepted");
    QTest::addColumn<QString>("opener");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("through");
    QTest::newRow("first, opened by 1, Enter continues") << "" << "1" << "Enter" << true;
    QTest::newRow("first, opened by 1, Escape refuses") << "" << "1" << "Escape" << false;
    QTest::newRow("first on a page of the cycle, Enter refuses") << "" << "2" << "Enter" << false;
    QTest::newRow("changed, Enter refuses") << "another" << "1" << "Enter" << false;
    QTest::newRow("changed, a click accepts") << "another" << "1" << "click" << true;
    QTest::newRow("accepted before: no question") << "this" << "2" << "" << true;
}

// HTTPS with a certificate that no authority vouches for: a question with
// the fingerprint before anything reaches the site, a yes kept on disk.
void TestWebEngineCycle::untrustedCertificatesAreNeverAcceptedSilently()
{
    QFETCH(QString, accepted);
    QFETCH(QString, opener);
    QFETCH(QString, answer);
    QFETCH(bool, through);
    const QSslConfiguration tls = HttpTestServer::selfSignedTls();
    QVERIFY(!tls.localCertificate().isNull());
    const QString fingerprint =
        QString::fromLatin1(tls.localCertificate().digest(QCryptographicHash::Sha256).toHex(':').toUpper());
    QFile file(AcceptedCertificates::defaultPath());
    QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    if (!accepted.isEmpty())
        file.write(("127.0.0.1 " + (accepted == "this" ? fingerprint : QString(fingerprint).replace('A', 'B')) + '\n').toUtf8());
    file.close();

    Rig rig;
    QVERIFY(rig.start(false, tls));
    QStringList sentBefore;
    Person person([&](QDialog *box) {
        QVERIFY(messageOf(box).contains(fingerprint) && messageOf(box).contains("127.0.0.1"));
        sentBefore << rig.cms.log();
        if (answer == "click")
            QTest::mouseClick(box->findChild<QPushButton *>("acceptCertificateButton"), Qt::LeftButton);
        else
            QTest::keyClick(box, answer == "Enter" ? Qt::Key_Return : Qt::Key_Escape);
    });
    QSignalSpy loaded(&rig.browser, &Browser::pageLoaded);
    opener == "1" ? rig.stages.openLoginPage() : rig.stages.startCycle();
    QVERIFY(loaded.wait(Patience));
    QCOMPARE(sentBefore, QStringList());
    QCOMPARE(person.seen.size(), answer.isEmpty() ? 0 : 1);
    QCOMPARE(!rig.cms.log().isEmpty(), through);
    QCOMPARE(occurrencesIn(file.fileName(), fingerprint), int(through));
    if (opener == "1" && through) {
        QVERIFY(submitLogin(*rig.browser.page(), rig.cms, Patience));
        rig.stages.startCycle();
        QTRY_VERIFY_WITH_TIMEOUT(rig.cms.log().contains("POST /collect"), Patience);
        QCOMPARE(person.seen.size(), 1);
    }
}

// The CMS's login dies after two cycles; its pages then redirect to the
// login form. The journal tells every press from every miss, the window and
// the tray say the login is lost, and so does one signed message to the
// group robot. "1: 手动登陆" stops the cycle, so no page of the tool's comes
// while the operator logs in; "2" brings the presses back, and the robot hears
// that once. Each completed cycle opens the heartbeat address.
void TestWebEngineCycle::expiredLoginShowsASignUntilTheOperatorLogsInAgain()
{
    FakeCms cms(10); // five administration pages a cycle
    QVERIFY(cms.listen());
    LiveWindow live(cms, Speedup);
    MainWindow &window = live.mainWindow;
    const QString journal = RunJournal::pathBeside(live.settings);
    const QString pressed = QStringLiteral("采集页：已按下提交按钮");
    const QString missed = QStringLiteral("采集页没有打开，停在了另一个页面：") + cms.address(FakeCms::Login);
    const QString sign = QStringLiteral("未找到提交按钮，请重新登陆后台");
    auto collectionPosts = [&cms] { return cms.log().count(QStringLiteral("POST /collect")); };
    QNetworkAccessManager network;
    Notifier notifier(network, live.timers, window.journal());
    notifier.setSettings({cms.url(FakeCms::Robot), FakeCms::RobotSecret, "dingtalk", cms.url(FakeCms::Heartbeat)});
    Alerts alerts(window.watch(), window.stages(), notifier);
    auto robotHeard = [&cms] { return cms.log().filter("POST /robot/send").size(); };
    window.findChild<QComboBox *>("cycleLengthBox")->setCurrentText(QStringLiteral("2"));
    emit window.findChild<QComboBox *>("cycleLengthBox")->lineEdit()->editingFinished();
    window.show();
    QVERIFY(logInAndStart(live, cms));
    window.showMinimized();
    QTRY_VERIFY(window.isHidden());

    QTRY_VERIFY_WITH_TIMEOUT(window.watch().loginLost(), LongPatience);
    QCOMPARE(live.tray.messages, QStringList{sign});
    QCOMPARE(collectionPosts(), 2);
    QCOMPARE(cms.log().count("GET /heartbeat"), 2);
    QTRY_COMPARE_WITH_TIMEOUT(occurrencesIn(journal, "通知已发送（login_lost）到 127.0.0.1"), 1, LongPatience);
    QCOMPARE(robotHeard(), 1);
    QCOMPARE(occurrencesIn(journal, pressed), 2);
    QCOMPARE(occurrencesIn(journal, missed), 1);
    emit live.tray.restoreRequested();
    QTRY_COMPARE_WITH_TIMEOUT(window.findChild<QLabel *>("statusLine")->text(), sign, LongPatience);
    QTRY_VERIFY_WITH_TIMEOUT(occurrencesIn(journal, missed) >= 2, LongPatience);
    QVERIFY(window.watch().loginLost());

    QVERIFY(logInAndStart(live, cms));
    QTRY_VERIFY_WITH_TIMEOUT(!window.watch().loginLost(), LongPatience);
    QTRY_COMPARE_WITH_TIMEOUT(occurrencesIn(journal, pressed), collectionPosts(), LongPatience); // the POST may trail the press
    QCOMPARE(live.tray.messages.size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(occurrencesIn(journal, "通知已发送（recovered）"), 1, LongPatience);
    QCOMPARE(robotHeard(), 2);
    QCOMPARE(occurrencesIn(journal, "T0KEN") + occurrencesIn(journal, "SECfake"), 0);
}

QTEST_MAIN(TestWebEngineCycle)
#include "tst_web_engine_cycle.moc"
