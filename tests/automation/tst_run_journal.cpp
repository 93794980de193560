// The run journal tells the operator what happened overnight. It must say
// what the tool really did, and stay bounded.

#include "automation/cycle_clock.h"
#include "automation/run_journal.h"
#include "automation/run_watch.h"
#include "automation/stage_machine.h"
#include "fake_browser.h"
#include "virtual_clock.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The cycle on virtual time, journaled into `journalPath`.
struct Rig {
    explicit Rig(const QString &journalPath) : journal(journalPath)
    {
        stages.addresses = {QStringLiteral("http://cms/login"), QStringLiteral("http://cms/collect"),
                            QStringLiteral("http://cms/generate"), QStringLiteral("http://cms/home")};
        stages.clock().setCycleLength(2);
        browser.setLoadDelay(100);
    }

    VirtualClock clock;
    FakeBrowser browser{clock};
    StageMachine stages{browser, clock};
    RunJournal journal;
    RunWatch watch{stages, browser, journal, clock};
};

// The journal's lines without their time stamps.
QStringList events(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QStringList lines;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        lines << line.section(QLatin1Char(' '), 2);
    return lines;
}

} // namespace

class TestRunJournal : public QObject {
    Q_OBJECT
private slots:
    void journalSaysWhatTheCycleDid();
    void fullJournalIsRenamedAndStartedAfresh();
};

// The first collection page has no button (the sign), the second has; the
// site then fails twice (an outage) and redirects to its login (the sign);
// "1" stops the cycle, which waits for "2" and says so after 10 minutes.
void TestRunJournal::journalSaysWhatTheCycleDid()
{
    QTemporaryDir folder;
    const QString path = folder.filePath("run-journal.txt");
    Rig rig(path);
    QSignalSpy sign(&rig.watch, &RunWatch::loginLostChanged);
    rig.browser.collectionButtons = 0;
    rig.stages.startCycle();
    rig.clock.advance(1000);
    rig.browser.collectionButtons = 1;
    rig.clock.advance(80200 + 120000);
    emit rig.browser.pageDialogAnswered(QStringLiteral("alert"), QStringLiteral("采集完成\n2026-12-07 00:00:00 第9轮 伪造"));
    QCOMPARE(sign.count(), 2);
    const PageLoad refused{PageLoad::Failed, QStringLiteral("连接被拒绝（ERR_CONNECTION_REFUSED）")};
    rig.browser.loads = {refused, refused, {PageLoad::Elsewhere, QStringLiteral("http://cms/login")}};
    rig.clock.advance(120000);
    rig.stages.openLoginPage();
    rig.clock.advance(10 * 60000);
    rig.stages.startCycle();

    QCOMPARE(events(path), (QStringList{
        "第1轮 打开采集页：http://cms/collect",
        "第1轮 采集页载入成功",
        "第1轮 采集页：未按下提交按钮（找到 0 个 submit_button）",
        "第1轮 采集页上没有提交按钮：后台登录可能已失效，请重新登陆",
        "第1轮 打开信息页生成页：http://cms/generate",
        "第1轮 信息页生成页载入成功",
        "第1轮 信息页生成页：已按下提交按钮",
        "第1轮 打开首页生成页：http://cms/home",
        "第1轮 首页生成页载入成功",
        "第2轮 打开采集页：http://cms/collect",
        "第2轮 到达采集间隔，已重新开始采集",
        "第2轮 采集页载入成功",
        "第2轮 采集页：已按下提交按钮",
        "第2轮 采集页的提交按钮又按下了",
        "第2轮 网页对话框（alert）已自动应答：采集完成 2026-12-07 00:00:00 第9轮 伪造",
        "第2轮 打开信息页生成页：http://cms/generate",
        "第2轮 信息页生成页载入失败：连接被拒绝（ERR_CONNECTION_REFUSED）",
        "第2轮 信息页生成页：未按下提交按钮（不在要打开的页面上）",
        "第2轮 打开首页生成页：http://cms/home",
        "第2轮 首页生成页载入失败：连接被拒绝（ERR_CONNECTION_REFUSED）",
        "第2轮 网站无法访问：连接被拒绝（ERR_CONNECTION_REFUSED）",
        "第3轮 打开采集页：http://cms/collect",
        "第3轮 到达采集间隔，已重新开始采集",
        "第3轮 采集页没有打开，停在了另一个页面：http://cms/login",
        "第3轮 网站恢复访问（无法访问约 0 分钟）",
        "第3轮 采集页上没有提交按钮：后台登录可能已失效，请重新登陆",
        "第3轮 采集页：未按下提交按钮（不在要打开的页面上）",
        "第3轮 按了“1: 手动登陆”：挂机已停止，登陆后请按“2: 开始自动挂机”",
        "第3轮 打开登录页：http://cms/login",
        "第3轮 登录页载入成功",
        "第3轮 挂机已停止 10 分钟，仍在等待按“2: 开始自动挂机”",
        "第4轮 打开采集页：http://cms/collect",
        "第4轮 按了“2: 开始自动挂机”：重新开始挂机",
    }));
    QCOMPARE(sign.count(), 3);
}

void TestRunJournal::fullJournalIsRenamedAndStartedAfresh()
{
    QTemporaryDir folder;
    const QString path = folder.filePath("run-journal.txt");
    const QByteArray old(RunJournal::MaxBytes - 10, 'x');
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(old);
        QFile older(path + ".1");
        QVERIFY(older.open(QIODevice::WriteOnly));
        older.write("oldest");
    }
    RunJournal journal(path);
    journal.write(QStringLiteral("启动"));
    QFile rotated(path + ".1");
    QVERIFY(rotated.open(QIODevice::ReadOnly));
    QCOMPARE(rotated.readAll(), old);
    QCOMPARE(events(path), QStringList{"第0轮 启动"});
}

QTEST_GUILESS_MAIN(TestRunJournal)
#include "tst_run_journal.moc"
