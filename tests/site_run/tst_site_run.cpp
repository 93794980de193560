// A site's run on virtual time, over a browser that loads nothing: when the
// watch sees trouble begin and end, and which messages reach the group robot.

#include "fake_browser.h"
#include "http_test_server.h"
#include "notify/notifier.h"
#include "settings/keyring.h"
#include "settings/login_keeper.h"
#include "settings/notify_settings.h"
#include "settings/settings_file.h"
#include "site_run/run_watch.h"
#include "site_run/site_run.h"
#include "text_file.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <QtTest>

class TestSiteRun : public QObject {
    Q_OBJECT
private slots:
    void troubleIsToldOnceAsItBeginsAndEnds_data();
    void troubleIsToldOnceAsItBeginsAndEnds();
    void noFileOfTheFolderIsWrittenThroughALink_data();
    void noFileOfTheFolderIsWrittenThroughALink();
    void notifySettingsThatCannotBeUsedAreNamedAtStart_data();
    void notifySettingsThatCannotBeUsedAreNamedAtStart();
};

void TestSiteRun::troubleIsToldOnceAsItBeginsAndEnds_data()
{
    // `script`: "2" and "1" as pressed; "ok", "fail" and "away" end the page
    // asked for as loaded, refused or elsewhere; "buttons N" and "second N"
    // are what the next collection and generation pages have; "login form" reports a button not pressed for
    // being a login form's; "remembered" keeps a login for the login address
    // ("remembered failed": one the tool failed with before), "by hand" logs in
    // with it on the login page ("by hand elsewhere": on another site's; "by
    // hand at the login page": answered there without a form),
    // "address moved" gives the login address another scheme, "form changed" makes the login page's form
    // another, "slow login" answers the tool's login a second later, "forget"
    // forgets the login, "person" is a click in the tool; "+S" lets S seconds
    // pass (from midnight), "stop" and "start" end the tool and start it again; "password",
    // "certificate" and "answered" are the browser's boxes, "took over" a page's
    // dialog after the person's own click.
    // `watch`: what the watch said, and a login by hand offered for
    // remembering; `robot`: the events the robot received, a day's report
    // with its start (month/day/hour/minute), hours and figures.
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("watch");
    QTest::addColumn<QString>("robot");
    const QString cycle = "ok, +60, ok, +20, ok";
    QTest::newRow("no button: the login lost once, recovered at the next press only, no beat without both presses")
        << "buttons 0, 2, " + cycle + ", 2, " + cycle + ", buttons 1, 2, ok, 2, ok"
        << "lost, lost over, pressed, pressed" << "login_lost, recovered";
    QTest::newRow("a page that ends elsewhere loses the login")
        << "2, away, +60, ok" << "lost" << "login_lost";
    QTest::newRow("a button of a login form, not pressed, loses the login")
        << "2, login form" << "lost" << "login_lost";
    QTest::newRow("two buttons on the collection page: told once, over at its next press")
        << "buttons 2, 2, " + cycle + ", 2, ok, buttons 1, 2, ok" << "changed, changed over, pressed"
        << "page_changed, recovered";
    QTest::newRow("no second button on the generation page: told once per run of such cycles")
        << "second 1, 2, " + cycle + ", 2, " + cycle + ", second 2, 2, " + cycle + ", second 0, 2, " + cycle + ", 2, " + cycle
        << "pressed, changed, pressed, pressed, changed over, completed, pressed, changed, pressed"
        << "page_changed, recovered, page_changed, 1 beat";
    QTest::newRow("two failed loads in a row are an outage, until a page loads")
        << "2, fail, +60, ok, +20, fail, 2, fail, +60, ok" << "outage, outage over" << "outage";
    QTest::newRow("two failed loads with a good one between them are no outage")
        << "2, fail, +60, ok, +20, fail" << "" << "";
    QTest::newRow("one box told once, another anew, none over; a refusal meanwhile is no outage")
        << "2, password, password, fail, +60, fail, certificate, answered" << "box, box, box over" << "waiting, waiting";
    QTest::newRow("stopped by 1: told after 10 minutes, not when 2 comes first")
        << "2, 1, +599, 2, 1, +600" << "stopped" << "stopped by 1";
    QTest::newRow("stopped by a page's dialog after the person's click: the reminder says so")
        << "2, took over, +600" << "stopped" << "stopped by a dialog";
    QTest::newRow("a lost login, remembered: sent again, the sign over, one message")
        << "remembered, 2, away, ok, ok" << "lost, lost over, pressed" << "relogin";
    QTest::newRow("a try that worked clears its mark: the login lost again later is sent again")
        << "remembered, 2, away, ok, ok, away, ok, ok" << "lost, lost over, pressed, lost, lost over, pressed" << "relogin, relogin";
    QTest::newRow("a remembered login not sent, the form changed: one message, the sign stays, no second try")
        << "remembered, form changed, 2, away, ok, away, +60, away, +20, away, 2, away, ok" << "lost, relogin failed" << "relogin_failed";
    QTest::newRow("a person at the screen: the try waits for 2 minutes without a click or key")
        << "remembered, person, 2, away, +60, away, +20, away, +40, ok, ok" << "lost, lost over, pressed" << "relogin";
    QTest::newRow("a click during a try not yet sent gives it up: the lost login told then")
        << "remembered, 2, away, person, ok" << "lost, lost over, pressed" << "login_lost, recovered";
    QTest::newRow("logged in again to a page without its button: failed, no second try, even once the person has gone")
        << "remembered, buttons 0, 2, away, ok, ok, person, +120, ok, ok" << "lost, relogin failed" << "relogin_failed";
    QTest::newRow("logged in again to a collection page with two buttons: the page changed, no login told")
        << "remembered, buttons 2, 2, away, ok, ok" << "lost, changed" << "page_changed";
    QTest::newRow("the collection page fails after the login: the first that loads decides")
        << "remembered, 2, away, ok, fail, +60, fail, +20, ok, 2, ok" << "lost, outage, outage over, lost over, pressed" << "outage, relogin";
    QTest::newRow("the login page did not load: nothing sent, tried again at the next sign")
        << "remembered, 2, away, fail, away, ok, ok" << "lost, lost over, pressed" << "login_lost, relogin";
    QTest::newRow("forgotten while the login is answered: nothing kept, nothing sent again")
        << "remembered, slow login, form changed, 2, away, ok, forget, +1, away, ok" << "lost" << "login_lost";
    QTest::newRow("a remembered login marked by an earlier try: not sent, told as failed at once")
        << "remembered failed, 2, away, ok" << "lost, relogin failed" << "relogin_failed";
    QTest::newRow("a remembered login that failed before, then a login by hand: sent again")
        << "remembered failed, 1, by hand, 2, away, ok, ok" << "lost, lost over, pressed" << "relogin";
    QTest::newRow("a login remembered for another login address is never sent")
        << "remembered, address moved, 2, away, ok" << "lost" << "login_lost";
    QTest::newRow("the tool's login answered by a redirect back to the login page: failed")
        << "remembered, 2, away, ok, away, +60, away" << "lost, relogin failed" << "relogin_failed";
    QTest::newRow("a login by hand answered at the login address without a form: offered once the collection is pressed")
        << "1, by hand at the login page, 2, ok" << "offered, pressed" << "";
    QTest::newRow("a login by hand answered at the login address without a form, then the login form: never offered")
        << "1, by hand at the login page, 2, away" << "lost" << "login_lost";
    QTest::newRow("a login by hand on another site or page after 1 is not offered; one on the login page is")
        << "1, by hand elsewhere, by hand" << "offered" << "";
    QTest::newRow("an outage that ended is over, and a later one is told again")
        << "2, fail, +60, fail, +20, ok, 2, fail, +60, fail" << "outage, outage over, outage" << "outage, outage";
    QTest::newRow("a day's report at 08:00 with its figures, once; one missed while the tool was stopped goes at its start")
        << "2, fail, +60, fail, +600, ok, remembered, 2, away, ok, ok, +28800, +3600, stop, +86400, start, +60, +3600"
        << "outage, outage over, lost, lost over, pressed"
        << "outage, relogin, report 12/7/00/00/8/0/1/0/1/10/1/1/0/0, report 12/7/08/00/25/0/0/0/0/0/0/0/0/0";
    QTest::newRow("a whole cycle beats once, not at the home page's reopening")
        << "2, " + cycle + ", +540, ok" << "pressed, completed" << "1 beat";
}

void TestSiteRun::troubleIsToldOnceAsItBeginsAndEnds()
{
    QFETCH(QString, script);
    QFETCH(QString, watch);
    QFETCH(QString, robot);
    QStringList received; // the robot's messages in order, then the heartbeats counted
    int beats = 0;
    HttpTestServer server([&](const HttpRequest &request) {
        const QJsonDocument message = QJsonDocument::fromJson(request.body);
        QStringList figures; // of a day's report
        for (const QString &number : message["text"].toString().section("）：", 1).split(QRegularExpression("\\D+"), Qt::SkipEmptyParts))
            figures << number;
        const QString event = message["event"].toString();
        if (request.path() == "/beat")
            ++beats;
        else if (event == "stopped") // and by what
            received << (message["text"].toString().contains("对话框") ? "stopped by a dialog" : "stopped by 1");
        else
            received << (event == "daily_report" ? "report " + figures.join('/') : event);
        return HttpResponse::html("{}");
    });
    QVERIFY(server.listen());
    QTemporaryDir folder;
    const QString settings = folder.filePath("123.txt");
    QVERIFY(SettingsFile::appendRecord(settings, AdminAddresses{"http://cms/login", "http://cms/collect", "http://cms/generate", "http://cms/home"}).isEmpty());
    const NotifySettings notify{server.url("/hook"), {}, RobotKind::Json, server.url("/beat")};
    QVERIFY(notify.save(NotifySettings::pathBeside(settings)).isEmpty());
    VirtualClock clock;
    FakeBrowser browser(clock);
    Keyring keyring(clock);
    QNetworkAccessManager network;
    std::unique_ptr<SiteRun> tool;
    QStringList said;
    const auto start = [&] {
        tool = std::make_unique<SiteRun>(browser, clock, keyring, network, settings);
        QTRY_VERIFY(tool->logins().isLoaded()); // no keyring here, and no login.ini
        connect(&tool->watch(), &RunWatch::troubleBegan, this, [&said](SiteTrouble trouble) {
            said << QStringList{"lost", "outage", "box", "stopped", "changed", "relogin failed"}.at(int(trouble));
        });
        connect(&tool->watch(), &RunWatch::troubleEnded, this, [&said](SiteTrouble trouble) {
            said << QStringList{"lost", "outage", "box", "stopped", "changed"}.at(int(trouble)) + " over";
        });
        connect(&tool->watch(), &RunWatch::collectionPressed, this, [&said] { said << "pressed"; });
        connect(&tool->watch(), &RunWatch::cycleCompleted, this, [&said] { said << "completed"; });
        connect(tool.get(), &SiteRun::rememberOffered, this, [&said] { said << "offered"; });
    };
    start();

    const QMap<QString, PageLoad> ends{{"ok", {}},
                                       {"fail", {PageLoad::Failed, {LoadFailure::ConnectionRefused, "ERR_CONNECTION_REFUSED"}}},
                                       {"away", {PageLoad::Elsewhere, {}, "http://cms/login"}}};
    const QMap<QString, PersonWait> boxes{{"password", {PersonWait::SitePassword, "cms"}},
                                          {"certificate", {PersonWait::Certificate, "cms"}}, {"answered", {}}};
    for (const QString &step : script.split(", ")) {
        if (step == "stop") {
            QTRY_VERIFY(network.findChildren<QNetworkReply *>().isEmpty()); // its messages gone, as at a quit
            tool.reset();
        }
        else if (step == "start")
            start();
        else if (step == "2")
            tool->startCycle();
        else if (step == "1")
            tool->openLoginPage();
        else if (ends.contains(step))
            browser.loads = {ends[step]}, browser.finishLoad();
        else if (step == "took over")
            emit browser.personTookOver();
        else if (step == "login form")
            emit browser.pressReported({PressOutcome::LoginForm, 1});
        else if (boxes.contains(step))
            emit browser.personAwaited(boxes[step]);
        else if (step.startsWith("buttons "))
            browser.collectionButtons = step.mid(8).toInt();
        else if (step.startsWith("remembered"))
            tool->rememberLogin({"http://cms/login", 0, "u", "admin", "p", "pw", {}, {}, {"u", "p"}, step.endsWith("failed")});
        else if (step.startsWith("by hand"))
            emit browser.loginSubmitted(QUrl(step.endsWith("elsewhere") ? "http://mail/login" : "http://cms/login"),
                                        {{}, 0, "u", "admin", "p", "pw", {}, {}, {"u", "p"}, false}, false),
                emit browser.loginAnswered(false, QUrl(step.endsWith("login page") ? "http://cms/login" : "http://cms/collect"));
        else if (step == "address moved")
            tool->useAddresses({"https://cms/login", "http://cms/collect", "http://cms/generate", "http://cms/home"});
        else if (step == "person")
            tool->notePersonActive();
        else if (step == "forget")
            tool->forgetLogin();
        else if (step == "slow login")
            browser.loginAnswerDelay = 1000;
        else if (step == "form changed")
            browser.loginFormAsRemembered = false;
        else if (step.startsWith("second "))
            browser.generationButtons = step.mid(7).toInt();
        clock.advance(step.startsWith('+') ? step.mid(1).toInt() * 1000 : 0);
    }
    QTRY_VERIFY(network.findChildren<QNetworkReply *>().isEmpty());
    QCOMPARE(said.join(", "), watch);
    QVERIFY(!watch.endsWith("relogin failed") || tool->logins().login()->failed); // kept for the next start
    QCOMPARE(tool->logins().login().has_value(), script.contains("remembered") && !script.contains("forget"));
    if (beats > 0)
        received << QString::number(beats) + " beat";
    QCOMPARE(received.join(", "), robot);
}

void TestSiteRun::noFileOfTheFolderIsWrittenThroughALink_data()
{
    QTest::addColumn<QString>("linked"); // the file of the folder that is a link to another file of the user's
    for (const char *file : {"123.txt", "run-journal.txt", "notify.ini", "login.ini", ""})
        QTest::newRow(*file ? file : "no link, the folder writable by all") << file;
}

// Whoever can write the folder must not make the tool replace, or add a
// page's text to, another file of the operator's; the red line names what
// to mend. The journal, which names the admin user, is the owner's only.
void TestSiteRun::noFileOfTheFolderIsWrittenThroughALink()
{
    QFETCH(QString, linked);
    QTemporaryDir folder, elsewhere;
    const QString victim = elsewhere.filePath(".bashrc");
    QVERIFY(writeFile(victim, "mine\n"));
    QVERIFY(QFile::setPermissions(victim, QFileDevice::Permissions(0x6644)));
    if (linked.isEmpty())
        QVERIFY(QFile::setPermissions(folder.path(), QFileDevice::Permissions(0x7777)));
    else
        QVERIFY(QFile::link(victim, folder.filePath(linked)));
    VirtualClock clock;
    FakeBrowser browser(clock);
    Keyring keyring(clock);
    QNetworkAccessManager network;
    {
        SiteRun run(browser, clock, keyring, network, folder.filePath("123.txt"));
        QTRY_VERIFY(run.logins().isLoaded());
        run.saveAddresses({"http://cms/login", "http://cms/collect", "http://cms/generate", "http://cms/home"});
        run.rememberLogin({"http://cms/login", 0, "u", "admin", "p", "pw", {}, {}, {"u", "p"}, false});
        run.notifier().settings().save(run.notifySettingsPath());
        const QStringList warnings = run.lastingWarnings();
        QVERIFY2(warnings.size() == 1 && warnings[0].contains(linked.isEmpty() ? "chmod go-w" : linked + " 是符号链接"),
                 qPrintable(warnings.join('\n')));
    }
    QCOMPARE(fileBytes(victim), QByteArray("mine\n"));
    QCOMPARE(int(QFileInfo(victim).permissions() & 0x777), 0x644);
    if (linked != "run-journal.txt")
        QCOMPARE(int(QFileInfo(folder.filePath("run-journal.txt")).permissions() & 0x77), 0);
}

void TestSiteRun::notifySettingsThatCannotBeUsedAreNamedAtStart_data()
{
    QTest::addColumn<QByteArray>("file"); // null: a folder in its place
    QTest::addColumn<QString>("named");
    QTest::newRow("unreadable") << QByteArray() << "notify.ini 有误：无法读取";
    QTest::newRow("unknown kind") << QByteArray("[webhook]\nurl=https://a.example/\nkind=slack\n") << "notify.ini 有误：未知的机器人类型“slack”";
    QTest::newRow("no address") << QByteArray("[webhook]\nurl=a b\n") << "notify.ini 有误：机器人地址无法识别";
    QTest::newRow("readable by others, written by hand") << QByteArray("[webhook]\nurl = https://a.example/\n")
                                                         << "notify.ini 可被其他用户读取，请执行 chmod 600 notify.ini";
}

void TestSiteRun::notifySettingsThatCannotBeUsedAreNamedAtStart()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, named);
    QTemporaryDir folder;
    QFile ini(folder.filePath("notify.ini"));
    QVERIFY(file.isNull() ? QDir(folder.path()).mkdir("notify.ini") : ini.open(QIODevice::WriteOnly) && ini.write(file) > 0);
    ini.close();
    const bool readable = named.contains("chmod");
    ini.setPermissions(QFileDevice::Permissions(readable ? 0x6644 : 0x6600));
    VirtualClock clock;
    FakeBrowser browser(clock);
    Keyring keyring(clock);
    QNetworkAccessManager network;
    SiteRun run(browser, clock, keyring, network, folder.filePath("123.txt"));
    QFile journal(folder.filePath("run-journal.txt"));
    QVERIFY(journal.open(QIODevice::ReadOnly));
    QVERIFY2(QString::fromUtf8(journal.readAll()).contains(named), qPrintable(named));
    // Named on the red line until saving makes it owner-only, what could be used kept.
    QCOMPARE(run.lastingWarnings().contains(named), readable);
    if (file.isNull())
        return;
    QVERIFY(run.notifier().settings().save(ini.fileName()).isEmpty());
    QCOMPARE(int(QFileInfo(ini.fileName()).permissions() & 0x77), 0);
    QVERIFY(run.lastingWarnings().isEmpty());
    QCOMPARE(occurrencesIn(ini.fileName(), "url=https://a.example/\n"), int(readable));
}

QTEST_MAIN(TestSiteRun)
#include "tst_site_run.moc"
