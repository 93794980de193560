// The whole window with the real embedded browser, minimised into the
// notification area, against a CMS whose login expires: the tool must say
// so, and take the operator's new login without stopping the cycle.

#include "automation/cycle_clock.h"
#include "automation/run_journal.h"
#include "automation/run_watch.h"
#include "fake_cms.h"
#include "live_window.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr int Patience = 60000; // ms; only ever a limit, never a measurement

int linesWith(const QString &path, const QString &text)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll()).count(text);
}

// A two-minute cycle started as a person starts it, once the login page is
// in, and the window then minimised into the tray.
bool startIntoTheTray(LiveWindow &live)
{
    MainWindow &window = live.mainWindow;
    window.findChild<QComboBox *>("cycleLengthBox")->setCurrentText(QStringLiteral("2"));
    emit window.findChild<QComboBox *>("cycleLengthBox")->lineEdit()->editingFinished();
    window.show();
    QSignalSpy loginLoaded(&live.browser, &Browser::pageLoaded);
    QTest::mouseClick(window.findChild<QPushButton *>("loginButton"), Qt::LeftButton);
    if (!loginLoaded.wait(Patience))
        return false;
    QTest::mouseClick(window.findChild<QPushButton *>("startButton"), Qt::LeftButton);
    window.showMinimized();
    return QTest::qWaitFor([&window] { return window.isHidden(); });
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
// the tray say the login is lost, and a new login through "1: 手动登陆",
// with the cycle still running, brings the presses back.
void TestExpiredLogin::expiredLoginShowsASignUntilTheOperatorLogsInAgain()
{
    FakeCms cms(10); // five administration pages a cycle
    QVERIFY(cms.listen());
    LiveWindow live(cms, 50);
    MainWindow &window = live.mainWindow;
    const QString journal = RunJournal::pathBeside(live.settings);
    const QString pressed = QStringLiteral("采集页：已按下提交按钮");
    const QString missed = QStringLiteral("采集页：未按下提交按钮（找到 0 个 submit_button）");
    const QString sign = QStringLiteral("未找到提交按钮，请重新登陆后台");
    auto collectionPosts = [&cms] { return cms.log().count(QStringLiteral("POST /collect")); };
    QVERIFY(startIntoTheTray(live));

    QTRY_VERIFY_WITH_TIMEOUT(window.watch().loginLost(), Patience);
    QCOMPARE(live.tray.messages, QStringList{sign});
    QCOMPARE(collectionPosts(), 2);
    QCOMPARE(linesWith(journal, pressed), 2);
    QCOMPARE(linesWith(journal, missed), 1);
    emit live.tray.restoreRequested();
    QTRY_COMPARE_WITH_TIMEOUT(window.findChild<QLabel *>("statusLine")->text(), sign, Patience);
    QTRY_VERIFY_WITH_TIMEOUT(linesWith(journal, missed) >= 2, Patience);
    QVERIFY(window.watch().loginLost());

    QVERIFY(window.findChild<QPushButton *>("loginButton")->isEnabled());
    QTest::mouseClick(window.findChild<QPushButton *>("loginButton"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!window.watch().loginLost(), Patience);
    QVERIFY(!window.findChild<QPushButton *>("loginButton")->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(linesWith(journal, pressed), collectionPosts(), Patience); // the POST may trail the press
    QCOMPARE(live.tray.messages.size(), 1);
}

QTEST_MAIN(TestExpiredLogin)
#include "tst_expired_login.moc"
