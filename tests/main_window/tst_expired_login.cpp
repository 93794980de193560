// The whole window with the real embedded browser, minimised into the
// notification area, against a CMS whose login expires: the tool must say
// so, and take the operator's new login without stopping the cycle.

#include "automation/cycle_clock.h"
#include "automation/run_journal.h"
#include "automation/run_watch.h"
#include "fake_cms.h"
#include "live_window.h"
#include "notify/alerts.h"
#include "notify/notifier.h"
#include "text_file.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QSignalSpy>
#include <QWebEnginePage>
#include <QtTest>

namespace {

constexpr int Patience = 60000; // ms; only ever a limit, never a measurement

// As a person does it: "1", the login typed into the page, "2".
bool logInAndStart(LiveWindow &live, const FakeCms &cms)
{
    QWebEnginePage *page = live.browser.page();
    QSignalSpy loaded(page, &QWebEnginePage::loadFinished);
    QTest::mouseClick(live.mainWindow.findChild<QPushButton *>("loginButton"), Qt::LeftButton);
    // A load the click cut short ends too, unsuccessfully.
    if (!QTest::qWaitFor([&] { return !loaded.isEmpty() && loaded.last().value(0).toBool(); }, Patience)
        || !submitLogin(*page, cms, Patience))
        return false;
    QTest::mouseClick(live.mainWindow.findChild<QPushButton *>("startButton"), Qt::LeftButton);
    return true;
}

} // namespace

class TestExpiredLogin : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void expiredLoginShowsASignUntilTheOperatorLogsInAgain();
};

void TestExpiredLogin::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).removeRecursively();
}

// The CMS's login dies after two cycles; its pages then redirect to the
// login form. The journal tells every press from every miss, the window and
// the tray say the login is lost, and so does one signed message to the
// group robot. "1: 手动登陆" stops the cycle, so no page of the tool's comes
// while the operator logs in; "2" brings the presses back, and the robot hears
// that once. Each completed cycle opens the heartbeat address.
void TestExpiredLogin::expiredLoginShowsASignUntilTheOperatorLogsInAgain()
{
    FakeCms cms(10); // five administration pages a cycle
    QVERIFY(cms.listen());
    LiveWindow live(cms, 50);
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

    QTRY_VERIFY_WITH_TIMEOUT(window.watch().loginLost(), Patience);
    QCOMPARE(live.tray.messages, QStringList{sign});
    QCOMPARE(collectionPosts(), 2);
    QCOMPARE(cms.log().count("GET /heartbeat"), 2);
    QTRY_COMPARE_WITH_TIMEOUT(occurrencesIn(journal, "通知已发送（login_lost）到 127.0.0.1"), 1, Patience);
    QCOMPARE(robotHeard(), 1);
    QCOMPARE(occurrencesIn(journal, pressed), 2);
    QCOMPARE(occurrencesIn(journal, missed), 1);
    emit live.tray.restoreRequested();
    QTRY_COMPARE_WITH_TIMEOUT(window.findChild<QLabel *>("statusLine")->text(), sign, Patience);
    QTRY_VERIFY_WITH_TIMEOUT(occurrencesIn(journal, missed) >= 2, Patience);
    QVERIFY(window.watch().loginLost());

    QVERIFY(logInAndStart(live, cms));
    QTRY_VERIFY_WITH_TIMEOUT(!window.watch().loginLost(), Patience);
    QTRY_COMPARE_WITH_TIMEOUT(occurrencesIn(journal, pressed), collectionPosts(), Patience); // the POST may trail the press
    QCOMPARE(live.tray.messages.size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(occurrencesIn(journal, "通知已发送（recovered）"), 1, Patience);
    QCOMPARE(robotHeard(), 2);
    QCOMPARE(occurrencesIn(journal, "T0KEN") + occurrencesIn(journal, "SECfake"), 0);
}

QTEST_MAIN(TestExpiredLogin)
#include "tst_expired_login.moc"
