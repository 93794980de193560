// The whole window with the real embedded browser, minimised into the
// notification area: the cycle must go on loading pages and pressing
// buttons while nothing of the window is shown, and say so when the CMS's
// login expires.

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
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr int Patience = 60000; // ms; only ever a limit, never a measurement

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

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
    Form1 &form = live.form;
    form.Combo1->setCurrentText(QStringLiteral("2"));
    emit form.Combo1->lineEdit()->editingFinished();
    form.show();
    QSignalSpy loginLoaded(&live.browser, &Browser::pageLoaded);
    QTest::mouseClick(form.Command6, Qt::LeftButton);
    if (!loginLoaded.wait(Patience))
        return false;
    QTest::mouseClick(form.Command1, Qt::LeftButton);
    form.showMinimized();
    return QTest::qWaitFor([&form] { return form.isHidden(); });
}

} // namespace

class TestHiddenWindowCycle : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cycleRunsWhileTheWindowIsInTheTray();
    void expiredLoginShowsASignUntilTheOperatorLogsInAgain();
};

void TestHiddenWindowCycle::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).removeRecursively();
}

void TestHiddenWindowCycle::cycleRunsWhileTheWindowIsInTheTray()
{
    FakeCms cms;
    QVERIFY(cms.listen());
    LiveWindow live(cms, 50);
    QCOMPARE(live.saveFailure, QString());
    const QByteArray settingsBefore = fileHash(live.settings);
    Form1 &form = live.form;
    FakeTrayIcon &tray = live.tray;
    QVERIFY(startIntoTheTray(live));
    QVERIFY(tray.visible);

    QTRY_VERIFY_WITH_TIMEOUT(cms.log().count(QStringLiteral("GET /collect")) >= 3, Patience);
    QVERIFY(form.isHidden());
    const QStringList cycle = {QStringLiteral("GET /collect"), QStringLiteral("POST /collect"),
                               QStringLiteral("GET /generate"), QStringLiteral("POST /generate?form=2"),
                               QStringLiteral("GET /homepage")};
    const QStringList log = cms.log();
    QCOMPARE(log.mid(1, 5), cycle);
    // The second cycle, started by the clock while hidden, runs whole too.
    const int second = log.indexOf(QStringLiteral("GET /collect"), 2);
    QVERIFY(second > 0);
    QCOMPARE(log.mid(second, 5), cycle);
    QVERIFY(form.Label3->text().startsWith(QStringLiteral("离")));

    emit tray.restoreRequested();
    QVERIFY(form.isVisible());
    QCOMPARE(fileHash(live.settings), settingsBefore);
}

// The CMS's login dies after two cycles; its pages then redirect to the
// login form. The journal tells every press from every miss, the window and
// the tray say the login is lost, and a new login through "1: 手动登陆",
// with the cycle still running, brings the presses back.
void TestHiddenWindowCycle::expiredLoginShowsASignUntilTheOperatorLogsInAgain()
{
    FakeCms cms;
    FakeCms::Faults faults;
    faults.loginExpiresAfter = 10; // five administration pages a cycle
    cms.setFaults(faults);
    QVERIFY(cms.listen());
    LiveWindow live(cms, 50);
    Form1 &form = live.form;
    const QString journal = RunJournal::pathBeside(live.settings);
    const QString pressed = QStringLiteral("采集页：已按下提交按钮");
    const QString missed = QStringLiteral("采集页：未按下提交按钮（找到 0 个 submit_button）");
    const QString sign = QStringLiteral("未找到提交按钮，请重新登陆后台");
    auto collectionPosts = [&cms] { return cms.log().count(QStringLiteral("POST /collect")); };
    QVERIFY(startIntoTheTray(live));

    QTRY_VERIFY_WITH_TIMEOUT(form.watch().loginLost(), Patience);
    QCOMPARE(live.tray.messages, QStringList{sign});
    QCOMPARE(collectionPosts(), 2);
    QCOMPARE(linesWith(journal, pressed), 2);
    QCOMPARE(linesWith(journal, missed), 1);
    emit live.tray.restoreRequested();
    QTRY_COMPARE_WITH_TIMEOUT(form.Label3->text(), sign, Patience);
    QTRY_VERIFY_WITH_TIMEOUT(linesWith(journal, missed) >= 2, Patience);
    QVERIFY(form.watch().loginLost());

    QVERIFY(form.Command6->isEnabled());
    QTest::mouseClick(form.Command6, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!form.watch().loginLost(), Patience);
    QVERIFY(!form.Command6->isEnabled());
    QCOMPARE(linesWith(journal, pressed), collectionPosts());
    QCOMPARE(live.tray.messages.size(), 1);
}

QTEST_MAIN(TestHiddenWindowCycle)
#include "tst_hidden_window_cycle.moc"
