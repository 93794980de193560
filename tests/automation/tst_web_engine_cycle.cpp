// The collection cycle in the real embedded browser against a CMS on the
// loopback interface: what the CMS receives, in which order, with which
// cookie, and what the person meets; the waits of the cycle run faster than
// in the tool.

#include "automation/web_engine/accepted_certificates.h"
#include "automation/web_engine/browser_profile.h"
#include "automation/cycle/stage_machine.h"
#include "automation/web_engine/web_engine_browser.h"
#include "base/run_journal.h"
#include "fake_cms.h"
#include "main_window/site_question_boxes.h"
#include "scaled_timer_factory.h"
#include "site_run/run_watch.h"
#include "settings/keyring.h"
#include "settings/login_keeper.h"
#include "settings/notify_settings.h"
#include "settings/settings_file.h"
#include "site_set/site_set.h"
#include "site_run/site_run.h"
#include "text_file.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QPointer>
#include <QPushButton>
#include <QLineEdit>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWebEngineProfile>
#include <QWidget>
#include <QtTest>

namespace {

constexpr int Patience = 30000; // ms; only ever a limit, never a measurement
constexpr int Speedup = 100;

// One site's run in a real browser of its own, in a folder of its own,
// pointed at the fake CMS's pages, its view shown in a window put together
// the way the tool's main() does it: the window owns the view and goes
// before the browser.
struct Rig {
    explicit Rig(int loadTimeoutMs = WebEngineBrowser::DefaultLoadTimeoutMs, int speedup = Speedup)
        : timers(speedup), browser(BrowserProfile::nameFor(folder.path()), keyring, loadTimeoutMs)
    {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(browser.view());
        showSiteQuestions(browser, &window);
        window.resize(800, 600);
        window.show();
    }

    bool start(bool logIn = true, const QSslConfiguration &tls = {})
    {
        if (!cms.listen(0, tls))
            return false;
        useAddress(FakeCms::Collection, cms.address(FakeCms::Collection));
        return !logIn || logInThrough(*browser.page(), cms, Patience);
    }
    // The pages of the fake CMS, one of them at `address` instead.
    void useAddress(const QString &page, const QString &address)
    {
        QStringList addresses;
        for (const char *each : {FakeCms::Login, FakeCms::Collection, FakeCms::Generation, FakeCms::HomePage})
            addresses << (each == page ? address : cms.address(each));
        run.useAddresses(AdminAddresses::fromLines(addresses));
    }
    // "1": the login page, once loaded.
    bool openLoginPage()
    {
        run.openLoginPage();
        return QSignalSpy(&browser, &Browser::pageLoaded).wait(Patience);
    }
    QString journal() const { return RunJournal::pathBeside(run.settingsPath()); }

    QTemporaryDir folder;
    FakeCms cms;
    ScaledTimerFactory timers;
    Keyring keyring{timers};
    WebEngineBrowser browser;
    QWidget window;
    QNetworkAccessManager network;
    SiteRun run{browser, timers, keyring, network, folder.filePath(QStringLiteral("123.txt"))};
};

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

} // namespace

class TestWebEngineCycle : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void misbehavingPagesAreNotPressedAndTheCycleGoesOn_data();
    void misbehavingPagesAreNotPressedAndTheCycleGoesOn();
    void pageDialogsOutsideTheCyclesPressesAreThePersons();
    void aLostLoginIsSentAgainOnceAsRemembered_data();
    void aLostLoginIsSentAgainOnceAsRemembered();
    void aSetsPagesRestBetweenCyclesAndWakeToBePressedEachOnItsOwnSite();
    void questionsOfTheSiteAreTheOperatorsToAnswer_data();
    void questionsOfTheSiteAreTheOperatorsToAnswer();
};

void TestWebEngineCycle::initTestCase()
{
    // The named profile then lives under ~/.qttest, never in the user's own
    // data; it starts empty so that no cookie of an earlier run is around.
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).removeRecursively());
    QVERIFY(QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).removeRecursively());
}

void TestWebEngineCycle::misbehavingPagesAreNotPressedAndTheCycleGoesOn_data()
{
    // `target` replaces the collection page's address, or the generation
    // page's for targets under /generate; IMAGE in it is an image on an HTTPS
    // host whose certificate nobody vouches for; "refused" is a port nobody serves;
    // "two sites" runs a second site in the same process beside the first.
    // `said`: the page dialog the browser answered by itself, if any.
    QTest::addColumn<QString>("target");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("said");
    QTest::addColumn<QString>("told"); // the sign up at the end: the login "lost", the page "changed"
    const QStringList generated = {"GET /generate", "POST /generate?form=2", "GET /homepage"};
    QTest::newRow("two sites at once, each logged in: pressed in order, and again after the cycle length")
        << "two sites" << QStringList{"GET /collect", "POST /collect"} + generated + QStringList{"GET /collect", "POST /collect"} << "" << "";
    QTest::newRow("collection page without button")
        << "/collect?variant=no-button" << QStringList{"GET /collect?variant=no-button"} + generated << "" << "lost";
    QTest::newRow("a login form at the collection address")
        << "/collect?variant=login-form" << QStringList{"GET /collect?variant=login-form"} + generated << "" << "lost";
    QTest::newRow("a login form at the collection address, its fields tied to it from outside")
        << "/collect?variant=login-form-apart" << QStringList{"GET /collect?variant=login-form-apart"} + generated << "" << "lost";
    QTest::newRow("collection page redirected to the same path on another host")
        << "/collect?variant=moved" << QStringList{"GET /collect?variant=moved", "GET /collect?variant=moved"} + generated << "" << "lost";
    QTest::newRow("collection address without a slash before its query")
        << "?m=collect" << QStringList{"GET /?m=collect", "POST /?m=collect"} + generated << "" << "";
    QTest::newRow("collection page showing an image whose certificate nobody vouches for")
        << "/collect?variant=image&image=IMAGE" << QStringList{"GET /collect?variant=image&image=IMAGE", "POST /collect?variant=image&image=IMAGE"} + generated << "" << "";
    QTest::newRow("collection page with two buttons")
        << "/collect?variant=two-buttons" << QStringList{"GET /collect?variant=two-buttons"} + generated << "" << "changed";
    QTest::newRow("collection form submitted into a new window, its result opening another")
        << "/collect?variant=new-window"
        << QStringList{"GET /collect?variant=new-window", "POST /collect?variant=new-window", "GET /collect?opened=1"} + generated << "" << "";
    QTest::newRow("collection page answers 500")
        << "/collect?variant=server-error" << QStringList{"GET /collect?variant=server-error"} + generated << "" << "";
    QTest::newRow("collection page refused") << "refused" << generated << "" << "";
    // Stopped at the load time-out; the login form still shown is not pressed.
    QTest::newRow("collection page never answers")
        << "/collect?variant=hang" << QStringList{"GET /collect?variant=hang"} + generated << "" << "";
    // No login: every page redirects to the login form, whose button has the
    // same name. Nothing may be pressed there.
    QTest::newRow("logged out")
        << "logged out" << QStringList{"GET /collect", "GET /login", "GET /generate", "GET /login", "GET /homepage"} << "" << "lost";
    QTest::newRow("generation page with one button")
        << "/generate?variant=one-button"
        << QStringList{"GET /collect", "POST /collect", "GET /generate?variant=one-button", "GET /homepage"} << "" << "changed";
    QTest::newRow("result page alerts")
        << "/collect?variant=alert" << QStringList{"GET /collect?variant=alert", "POST /collect?variant=alert"} + generated
        << "alert 采集完成" << "";
    // A confirm answered OK lets the page go on, as the CMS meant it to.
    QTest::newRow("result page asks to confirm")
        << "/collect?variant=confirm"
        << QStringList{"GET /collect?variant=confirm", "POST /collect?variant=confirm", "GET /collect?confirmed=1"} + generated
        << "confirm 继续生成吗?" << "";
    QTest::newRow("result page prompts")
        << "/collect?variant=prompt" << QStringList{"GET /collect?variant=prompt", "POST /collect?variant=prompt"} + generated
        << "prompt 备注" << "";
}

// After "1" and "2", nothing is pressed where it must not be, nobody has to
// answer a page dialog, and the cycle moves on by time to the generation and
// home pages. Every press is the button's own, with the login's cookie.
void TestWebEngineCycle::misbehavingPagesAreNotPressedAndTheCycleGoesOn()
{
    QFETCH(QString, target);
    QFETCH(QStringList, expected);
    QFETCH(QString, said);
    QFETCH(QString, told);
    std::vector<std::unique_ptr<Rig>> sites;
    sites.push_back(std::make_unique<Rig>(2000));
    if (target == "two sites")
        sites.push_back(std::make_unique<Rig>(2000));
    Rig &rig = *sites.front();
    const bool loggedIn = target != "logged out";
    for (const auto &site : sites)
        QVERIFY(site->start(loggedIn));
    HttpTestServer imageHost([](const HttpRequest &) { return HttpResponse::html(""); });
    QVERIFY(imageHost.listen(0, HttpTestServer::selfSignedTls()));
    const QString image = imageHost.url("/logo.png").toString();
    target.replace("IMAGE", image);
    expected.replaceInStrings("IMAGE", image);
    if (target == "refused")
        rig.useAddress(FakeCms::Collection, "http://127.0.0.1:1/collect"); // a port nobody serves
    else if (target.startsWith('/') || target.startsWith('?'))
        rig.useAddress(target.startsWith(FakeCms::Generation) ? FakeCms::Generation : FakeCms::Collection, rig.cms.address(target));
    QStringList dialogs;
    connect(&rig.browser, &Browser::pageDialogAnswered, this,
            [&dialogs](PageDialog kind, const QString &text) { dialogs << functionName(kind) + QLatin1Char(' ') + text; });
    QList<int> before;
    QList<std::shared_ptr<QSignalSpy>> presses;
    for (const auto &site : sites) {
        site->run.setCycleLength(1);
        QVERIFY(site->openLoginPage());
        before << site->cms.log().size();
        presses << std::make_shared<QSignalSpy>(&site->browser, &Browser::pressReported);
    }
    for (const auto &site : sites)
        site->run.startCycle();
    for (size_t i = 0; i < sites.size(); ++i) {
        const Rig &site = *sites[i];
        QTRY_VERIFY_WITH_TIMEOUT(site.cms.log().size() >= before[i] + expected.size(), Patience);
        QCOMPARE(site.cms.log().mid(before[i], expected.size()), expected);
        // A press is reported as made exactly when the CMS received its form.
        const auto pressed = [&spy = *presses[i]] {
            return std::count_if(spy.cbegin(), spy.cend(), [](const auto &press) {
                return press.at(0).template value<PressOutcome>().result == PressOutcome::Pressed;
            });
        };
        QTRY_COMPARE_WITH_TIMEOUT(pressed(), expected.filter(QStringLiteral("POST /")).size(), Patience);
        for (const HttpRequest &request : site.cms.requests().mid(before[i])) {
            const bool toTheSite = !request.header("Host").startsWith("localhost");
            QVERIFY2(!loggedIn || !toTheSite || site.cms.carriesSession(request), qPrintable(FakeCms::describe(request)));
            QVERIFY2(request.method != "POST" || request.body.contains("submit_button="), request.body.constData());
            QVERIFY(request.header("Accept-Language").startsWith("zh-CN"));
        }
        // Each site's journal tells of its own pages only.
        QVERIFY(occurrencesIn(site.journal(), site.cms.address(FakeCms::HomePage)) > 0);
        if (sites.size() == 2)
            QCOMPARE(occurrencesIn(site.journal(), sites[1 - i]->cms.address(FakeCms::HomePage)), 0);
    }
    QCOMPARE(dialogs.join(QString()), said);
    QCOMPARE(occurrencesIn(rig.journal(), "已拒绝网页中 " + image) > 0, target.contains(image));
    QVERIFY(imageHost.requests().isEmpty()); // refused before anything is sent
    const SiteHealth &health = rig.run.watch().health();
    QCOMPARE(QString(health.loginLost ? "lost" : health.unexpectedPage ? "changed" : ""), told);
}

// Before "2", and again after "1" stopped the cycle, the browser is the
// person's: a wrong login's alert shows in a box of the browser's own and
// waits for them. While the cycle runs, a confirm that the person's own click
// raised in the page is shown to them, not answered OK for them, and the
// cycle stops.
void TestWebEngineCycle::pageDialogsOutsideTheCyclesPressesAreThePersons()
{
    Rig rig(WebEngineBrowser::DefaultLoadTimeoutMs, 1); // the cycle's waits at their real length
    QVERIFY(rig.start(false));
    rig.useAddress(FakeCms::Collection, rig.cms.address("/collect?variant=delete"));
    QStringList shown;
    Person person([&](QDialog *box) {
        shown << messageOf(box) + (rig.run.stages().isRunning() ? " while running" : "");
        pressOk(box);
    });
    for (const int boxes : {1, 2}) {
        QVERIFY(rig.openLoginPage());
        QTRY_VERIFY_WITH_TIMEOUT(!rig.browser.page()->isLoading(), Patience);
        rig.browser.page()->runJavaScript(QStringLiteral("document.querySelector('[name=submit_button]').click();"));
        QTRY_COMPARE_WITH_TIMEOUT(shown, QStringList(boxes, "用户名或密码错误"), Patience);
        // Once the refused login's page has loaded: a load asked for as it
        // commits may be dropped by QtWebEngine, and asked for again 5 s later.
        QTRY_VERIFY_WITH_TIMEOUT(!rig.browser.page()->isLoading(), Patience);
        rig.run.startCycle();
        // Its first page (redirected to the login form) ends before "1" is pressed again.
        QVERIFY(QSignalSpy(&rig.browser, &Browser::pageLoaded).wait(Patience));
    }
    QVERIFY(rig.openLoginPage());
    QVERIFY(submitLogin(*rig.browser.page(), rig.cms, Patience));
    QSignalSpy loads(rig.browser.page(), &QWebEnginePage::loadFinished);
    rig.run.startCycle();
    QTRY_COMPARE_WITH_TIMEOUT(loads.size(), 2, Patience); // the collection page and the press's result
    // A click in a box over the page is not input to the page.
    QMessageBox box(QMessageBox::Question, "继续访问?", "", QMessageBox::Ok, rig.browser.view());
    box.show();
    QTest::mouseClick(box.button(QMessageBox::Ok), Qt::LeftButton);
    QSignalSpy answered(&rig.browser, &Browser::pageDialogAnswered);
    rig.browser.page()->runJavaScript(QStringLiteral("confirm('x')"));
    QVERIFY(answered.wait(Patience));
    QPoint button;
    rig.browser.page()->runJavaScript(
        QStringLiteral("(r => [r.x + r.width / 2, r.y + r.height / 2])(document.getElementById('delete').getBoundingClientRect())"),
        [&button](const QVariant &at) { button = QPoint(at.toList().value(0).toInt(), at.toList().value(1).toInt()); });
    QTRY_VERIFY_WITH_TIMEOUT(!button.isNull() && rig.browser.view()->focusProxy(), Patience);
    QTest::mouseClick(rig.browser.view()->focusProxy(), Qt::LeftButton, {}, button);
    QTRY_VERIFY_WITH_TIMEOUT(rig.cms.log().contains("GET /delete"), Patience);
    QCOMPARE(shown.constLast(), "确定删除?");
}

void TestWebEngineCycle::aLostLoginIsSentAgainOnceAsRemembered_data()
{
    // `change`: what the CMS changes once the login by hand was remembered
    // and collected: its sessions end, and its "password" or its form's field
    // names ("renamed") or where its button sends it ("elsewhere") may
    // change, its pages then showing the login "in place"; a "captcha" is in
    // the form from the start, the page may hash the password ("hashed"), and
    // its button may be an image.
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("logins"); // sent by the tool over three cycles
    QTest::addColumn<QString>("told"); // the sign at the end: the tool's login "failed", the login "lost"
    QTest::newRow("sessions ended: one login, then collected") << "" << 1 << "";
    QTest::newRow("password changed: one login, the account not locked") << "password" << 1 << "failed";
    QTest::newRow("password changed, the CMS answering in place without a form: one login, failed")
        << "password in place" << 1 << "failed";
    QTest::newRow("the button now sends the login to another port: nothing sent") << "elsewhere" << 0 << "failed";
    QTest::newRow("fields renamed: nothing sent") << "renamed" << 0 << "failed";
    QTest::newRow("a captcha: never remembered") << "captcha" << 0 << "lost";
    QTest::newRow("the password hashed by the page: what was typed remembered, one login, collected")
        << "hashed" << 1 << "";
    QTest::newRow("the login button an image, a logo in the form: remembered, one login, collected") << "image" << 1 << "";
}

// The person's login after "1" is remembered when they agree, in the keyring
// (this program runs with one), and sent again by the tool, at most once,
// once the CMS has ended the login. The password goes into no file.
void TestWebEngineCycle::aLostLoginIsSentAgainOnceAsRemembered()
{
    QFETCH(QString, change);
    QFETCH(int, logins);
    QFETCH(QString, told);
    Rig rig(2000);
    QVERIFY(rig.start(false));
    rig.cms.changeLoginForm(false, change == "captcha");
    if (change == "hashed")
        rig.cms.hashLoginInPage();
    if (change == "image")
        rig.cms.showImageLoginButton();
    rig.run.setCycleLength(1);
    QSignalSpy offered(&rig.run, &SiteRun::rememberOffered), captcha(&rig.run, &SiteRun::captchaFound);
    QVERIFY(rig.openLoginPage());
    QVERIFY(pasteLogin(*rig.browser.page(), rig.cms, Patience));
    rig.run.startCycle(); // the CMS says it worked at the login address: the collection page's press confirms it
    QTRY_COMPARE_WITH_TIMEOUT(offered.size() + captcha.size(), 1, Patience);
    QCOMPARE(captcha.size(), int(change == "captcha"));
    if (!offered.isEmpty())
        rig.run.rememberLogin(offered.first().first().value<RememberedLogin>());
    QTRY_COMPARE_WITH_TIMEOUT(rig.run.logins().login().has_value(), offered.size() == 1, Patience);
    // The CMS changes, and ends its sessions once it has taken the next collection.
    rig.cms.setPassword(change.startsWith("password") ? "changed" : "orvo123");
    rig.cms.changeLoginForm(change == "renamed", change == "captcha");
    if (change.endsWith("in place"))
        rig.cms.showLoginInPlace();
    HttpTestServer elsewhere([](const HttpRequest &) { return HttpResponse::html("ok"); });
    QVERIFY(elsewhere.listen());
    if (change == "elsewhere")
        rig.cms.sendLoginTo(elsewhere.url("/login").toString());
    rig.cms.endSessionsAfter("POST /collect");
    QTRY_VERIFY_WITH_TIMEOUT(rig.cms.sessionsEndedAt() >= 0, Patience);
    // Three cycles on, and the try decided: a collection page that times out under load decides nothing.
    const SiteHealth &health = rig.run.watch().health();
    const auto sign = [&health] { return QString(health.reloginFailed ? "failed" : health.loginLost ? "lost" : ""); };
    const int opened = occurrencesIn(rig.journal(), "打开采集页");
    QTRY_VERIFY_WITH_TIMEOUT(occurrencesIn(rig.journal(), "打开采集页") >= opened + 3 && sign() == told, Patience);
    const QStringList after = rig.cms.log().mid(rig.cms.sessionsEndedAt());
    QCOMPARE(after.count("POST /login"), logins);
    QVERIFY(elsewhere.requests().isEmpty());
    QCOMPARE(after.contains("POST /collect"), told.isEmpty());
    QVERIFY(!rig.cms.locked());
    QCOMPARE(occurrencesIn(rig.journal(), "已自动重新登录"), int(told.isEmpty()));
    QCOMPARE(occurrencesIn(rig.journal(), "已记住登录"), offered.size()); // not again as the try's mark is cleared
    int files = 0;
    for (const QString &folder : {rig.folder.path(), rig.browser.page()->profile()->persistentStoragePath()}) {
        for (QDirIterator kept(folder, QDir::Files, QDirIterator::Subdirectories); kept.hasNext(); ++files) {
            const QString path = kept.next();
            QVERIFY2(occurrencesIn(path, "orvo123") == 0, qPrintable(path));
        }
    }
    QVERIFY(files > 5);
}

// Three sites of a set in one process, each with a CMS of its own and the
// login remembered in its folder, started together: their pages rest between
// cycles and wake to be pressed, each on its own site with its own session;
// a CMS stopped is that site's outage alone, told once.
void TestWebEngineCycle::aSetsPagesRestBetweenCyclesAndWakeToBePressedEachOnItsOwnSite()
{
    QTemporaryDir folder;
    std::vector<std::unique_ptr<FakeCms>> cms;
    for (int i = 0; i < 3; ++i) {
        cms.push_back(std::make_unique<FakeCms>());
        QVERIFY(cms[i]->listen());
        const QString site = folder.filePath(QString::number(i));
        QVERIFY(QDir().mkdir(site));
        QStringList addresses;
        for (const char *page : {FakeCms::Login, FakeCms::Collection, FakeCms::Generation, FakeCms::HomePage})
            addresses << cms[i]->address(page);
        QCOMPARE(SettingsFile::appendRecord(site + "/123.txt", AdminAddresses::fromLines(addresses)), QString());
        RememberedLogin login{addresses[0], 0, "username", "admin", "password", "orvo123"};
        login.submitter = "submit_button";
        login.fieldNames = QStringList{"nonce", "username", "password", "submit_button"};
        QVERIFY(writeFile(site + "/login.ini", login.toText()));
        QFile::setPermissions(site + "/login.ini", QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    QVERIFY(writeFile(folder.filePath("sites.txt"), "0\n1\n2\n"));
    NotifySettings robot;
    robot.webhook = cms[0]->url("/robot/send");
    robot.kind = RobotKind::Json;
    QCOMPARE(robot.save(folder.filePath("notify.ini")), QString());
    ScaledTimerFactory timers(Speedup);
    Keyring keyring(timers);
    QNetworkAccessManager network;
    SiteSet set(folder.path(), [&keyring](const QString &site, QObject *parent) -> Browser * {
        return new WebEngineBrowser(BrowserProfile::nameFor(site), keyring, 2000, parent);
    }, timers, keyring, network);
    QCOMPARE(set.load(), QString());
    QList<int> rests(3, 0);
    for (int i = 0; i < 3; ++i) {
        connect(static_cast<WebEngineBrowser *>(set.sites()[i].browser)->page(), &QWebEnginePage::lifecycleStateChanged,
                this, [&rests, i](QWebEnginePage::LifecycleState state) {
                    rests[i] += state == QWebEnginePage::LifecycleState::Discarded;
                });
        set.sites()[i].run->setCycleLength(10); // 6 s: time to rest between cycles on a busy machine
    }
    set.startAll();
    const auto collections = [&cms](int i) { return cms[i]->log().count("POST /collect"); };
    for (int i = 0; i < 3; ++i) {
        QTRY_VERIFY_WITH_TIMEOUT(collections(i) >= 3, Patience * 2);
        QVERIFY(rests[i] >= 2);
        for (const HttpRequest &request : cms[i]->requests()) {
            if (request.method == "POST" && request.path() != "/login" && request.path() != "/robot/send")
                QVERIFY2(cms[i]->carriesSession(request), qPrintable(FakeCms::describe(request)));
        }
        for (int other = 0; other < 3; ++other)
            QCOMPARE(occurrencesIn(RunJournal::pathBeside(set.sites()[i].run->settingsPath()),
                                   cms[other]->address(FakeCms::Collection)) > 0, other == i);
    }
    const QString down = set.sites()[2].run->site();
    cms[2].reset();
    QTRY_VERIFY_WITH_TIMEOUT(set.sites()[2].run->watch().health().outage.has_value(), Patience * 2);
    const auto outages = [&cms] {
        QStringList told;
        for (const HttpRequest &request : cms[0]->requests()) {
            if (request.path() == "/robot/send" && request.body.contains("\"event\":\"outage\""))
                told << QString::fromUtf8(request.body);
        }
        return told;
    };
    QTRY_COMPARE_WITH_TIMEOUT(outages().size(), 1, Patience);
    QVERIFY2(outages()[0].contains(down), qPrintable(outages()[0]));
    const int collectedBefore = collections(0) + collections(1);
    QTRY_VERIFY_WITH_TIMEOUT(collections(0) + collections(1) >= collectedBefore + 2, Patience * 2);
    for (int i : {0, 1})
        QVERIFY(!set.sites()[i].run->watch().health().outage);
    QCOMPARE(outages().size(), 1);
}

void TestWebEngineCycle::questionsOfTheSiteAreTheOperatorsToAnswer_data()
{
    // `site`: "password" for an admin folder behind HTTP Basic authentication,
    // else HTTPS with a certificate nobody vouches for, and what the file of
    // accepted certificates holds for its host: "none", "this" (after another
    // port's), "another" (by host alone, as earlier versions kept them),
    // "another port's", or "unreadable" (a folder in its place);
    // `opener`: "1" (the person's login page) or "2" (the cycle's page);
    // `answers`: what the person gives each box in turn: keys (\t Tab, \r
    // Enter, \x1b Escape), or "click" on 继续访问.
    QTest::addColumn<QString>("site");
    QTest::addColumn<QString>("opener");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<bool>("through");
    QTest::newRow("password answered") << "password" << "1" << QStringList{"editor\thtpass\r"} << true;
    QTest::newRow("password, Escape") << "password" << "1" << QStringList{"\x1b"} << false;
    QTest::newRow("a wrong password asks again") << "password" << "1" << QStringList{"editor\twrong\r", "\x1b"} << false;
    QTest::newRow("password remembered in the keyring: given by itself later") << "password" << "1" << QStringList{"editor\thtpass\t \r"} << true;
    QTest::newRow("first certificate, opened by 1, Enter continues") << "none" << "1" << QStringList{"\r"} << true;
    QTest::newRow("first certificate, opened by 1, Escape refuses") << "none" << "1" << QStringList{"\x1b"} << false;
    QTest::newRow("first certificate on a page of the cycle, Enter refuses") << "none" << "2" << QStringList{"\r"} << false;
    QTest::newRow("changed certificate, Enter refuses") << "another" << "1" << QStringList{"\r"} << false;
    QTest::newRow("changed certificate, a click accepts") << "another" << "1" << QStringList{"click"} << true;
    QTest::newRow("another port's certificate: a first one, Enter continues") << "another port's" << "1" << QStringList{"\r"} << true;
    QTest::newRow("certificate accepted before: no question") << "this" << "2" << QStringList{} << true;
    QTest::newRow("unreadable file: asked, and said that it is neither read nor kept") << "unreadable" << "1" << QStringList{"\r"} << true;
}

// A box asks without blocking, and nothing reaches the site on a certificate
// before the answer, whose fingerprint it shows; a yes to a certificate is
// kept on disk. What the person let through, the login and the cycle use.
void TestWebEngineCycle::questionsOfTheSiteAreTheOperatorsToAnswer()
{
    QFETCH(QString, site);
    QFETCH(QString, opener);
    QFETCH(QStringList, answers);
    QFETCH(bool, through);
    QSslConfiguration tls;
    QString fingerprint;
    const QString accepted = AcceptedCertificates::defaultPath(); // read as the browser starts
    QDir(accepted).removeRecursively();
    QFile::remove(accepted);
    QVERIFY(QDir().mkpath(QFileInfo(accepted).path()));
    QFile::setPermissions(QFileInfo(accepted).path(), QFileDevice::Permissions(0x7755)); // repaired at start
    QByteArray kept;
    if (site != "password") {
        tls = HttpTestServer::selfSignedTls();
        QVERIFY(!tls.localCertificate().isNull());
        fingerprint = QString::fromLatin1(tls.localCertificate().digest(QCryptographicHash::Sha256).toHex(':').toUpper());
        const QHash<QString, QByteArray> lines{{"this", "127.0.0.1:1 OTHER\n127.0.0.1 FP\n"}, {"another", "127.0.0.1 OTHER\n"}, {"another port's", "127.0.0.1:1 OTHER\n"}};
        const QString other = (fingerprint.startsWith('0') ? "1" : "0") + fingerprint.mid(1); // another certificate's, surely
        kept = lines.value(site).replace("OTHER", other.toLatin1()).replace("FP", fingerprint.toLatin1());
        QFile file(accepted);
        QVERIFY(site == "unreadable" ? QDir().mkpath(accepted) : file.open(QIODevice::WriteOnly) && file.write(kept) == kept.size());
    }
    Rig rig;
    for (const QString &folder : {QFileInfo(accepted).path(), rig.browser.page()->profile()->persistentStoragePath()})
        QCOMPARE(QFileInfo(folder).permissions() & 0x77, 0);
    if (site == "password")
        rig.cms.requireBasicAuth();
    QVERIFY(rig.start(false, tls));
    int sentBefore = -1;
    Person person([&](QDialog *box) {
        QVERIFY(fingerprint.isEmpty() || (messageOf(box).contains(fingerprint) && messageOf(box).contains("127.0.0.1")));
        QVERIFY2(!messageOf(box).contains("certificate"), qPrintable(messageOf(box))); // the browser's words in Chinese too
        if (sentBefore < 0)
            sentBefore = rig.cms.log().size();
        if (site == "password" && person.seen.size() == 1) { // asked again while the box is open: no second box
            QVERIFY(box->findChild<QLineEdit *>("passwordField")->echoMode() == QLineEdit::Password);
            const int refused = rig.cms.log().size();
            rig.browser.page()->triggerAction(QWebEnginePage::Reload);
            // Answered once the browser has shown the refusal, not only once the CMS has the request.
            QTRY_VERIFY_WITH_TIMEOUT(rig.cms.log().size() > refused && !rig.browser.page()->isLoading(), Patience);
        }
        const QString answer = answers.value(person.seen.size() - 1, "\x1b");
        if (answer == "click")
            return QTest::mouseClick(box->findChild<QPushButton *>("acceptCertificateButton"), Qt::LeftButton);
        for (const QChar key : answer)
            QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, key.toLatin1());
    });
    // The login address as typed redirects to the site's, as HTTP addresses of sites moved to HTTPS do.
    HttpTestServer hop([&rig](const HttpRequest &) { return HttpResponse::redirect(rig.cms.url("/login").toEncoded()); });
    QVERIFY(hop.listen());
    rig.useAddress(FakeCms::Login, hop.url("/go").toString());
    opener == "1" ? rig.run.openLoginPage() : rig.run.startCycle();
    QTRY_VERIFY_WITH_TIMEOUT(person.seen.size() == answers.size()
                                 && std::none_of(person.seen.cbegin(), person.seen.cend(), [](const auto &box) { return box && box->isVisible(); })
                                 && !rig.browser.page()->isLoading()
                                 && (rig.browser.page()->title() == "管理员登录") == through, Patience);
    QCOMPARE(sentBefore, answers.isEmpty() ? -1 : int(site == "password")); // the refused request
    if (site == "unreadable") {
        QCOMPARE(rig.run.lastingWarnings().filter(accepted).size(), 2);
        QCOMPARE(occurrencesIn(rig.journal(), "已接受的证书：" + accepted), 2);
    } else if (site != "password") {
        QCOMPARE(occurrencesIn(accepted, fingerprint), int(through));
        QCOMPARE(occurrencesIn(accepted, "\n"), kept.count('\n') + int(through && site != "this")); // earlier lines stay
    }
    if (opener == "2" || !through)
        return;
    QVERIFY(submitLogin(*rig.browser.page(), rig.cms, Patience));
    rig.run.startCycle();
    QTRY_VERIFY_WITH_TIMEOUT(rig.cms.log().contains("POST /collect"), Patience);
    QCOMPARE(person.seen.size(), 1);
    QVERIFY(site != "password" || rig.cms.requests().constLast().header("Authorization").startsWith("Basic "));
    if (answers.value(0).endsWith(" \r")) { // remembered: a later run of the same folder asks nothing
        WebEngineBrowser later(BrowserProfile::nameFor(rig.folder.path()), rig.keyring);
        later.navigate(rig.cms.address(FakeCms::Login));
        QTRY_COMPARE_WITH_TIMEOUT(later.page()->title(), "管理员登录", Patience);
        QCOMPARE(person.seen.size(), 1);
        // Never given to another realm of the site, nor to another port of its
        // host: asked instead. Still given where it was kept.
        FakeCms otherPort;
        otherPort.requireBasicAuth();
        QVERIFY(otherPort.listen());
        rig.cms.requireBasicAuth("OrvoCMS 编辑部");
        for (const FakeCms *cms : {&rig.cms, &otherPort}) {
            later.navigate(cms->address(FakeCms::Login));
            QTRY_VERIFY_WITH_TIMEOUT(person.seen.size() == (cms == &rig.cms ? 2 : 3) && !person.seen.last(), Patience);
        }
        rig.cms.requireBasicAuth();
        WebEngineBrowser third(BrowserProfile::nameFor(rig.folder.path()), rig.keyring);
        third.navigate(rig.cms.address(FakeCms::Login));
        QTRY_COMPARE_WITH_TIMEOUT(third.page()->title(), "管理员登录", Patience);
        QCOMPARE(person.seen.size(), 3);
    }
}

QTEST_MAIN(TestWebEngineCycle)
#include "tst_web_engine_cycle.moc"
