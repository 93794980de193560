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

// The first collection page has no button (no sign: it never had one), the
// second has, the third has lost it (the sign).
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
    emit rig.browser.pageDialogAnswered(QStringLiteral("alert"), QStringLiteral("采集完成"));
    QCOMPARE(sign.count(), 0);
    rig.browser.collectionButtons = 0;
    rig.clock.advance(120000);

    QCOMPARE(events(path), (QStringList{
        "第1轮 打开采集页：http://cms/collect",
        "第1轮 采集页载入成功",
        "第1轮 采集页：未按下提交按钮（找到 0 个 submit_button）",
        "第1轮 打开信息页生成页：http://cms/generate",
        "第1轮 信息页生成页载入成功",
        "第1轮 信息页生成页：已按下提交按钮",
        "第1轮 打开首页生成页：http://cms/home",
        "第1轮 首页生成页载入成功",
        "第2轮 打开采集页：http://cms/collect",
        "第2轮 到达采集间隔，已重新开始采集",
        "第2轮 采集页载入成功",
        "第2轮 采集页：已按下提交按钮",
        "第2轮 网页对话框（alert）已自动应答：采集完成",
        "第2轮 打开信息页生成页：http://cms/generate",
        "第2轮 信息页生成页载入成功",
        "第2轮 信息页生成页：已按下提交按钮",
        "第2轮 打开首页生成页：http://cms/home",
        "第2轮 首页生成页载入成功",
        "第3轮 打开采集页：http://cms/collect",
        "第3轮 到达采集间隔，已重新开始采集",
        "第3轮 采集页载入成功",
        "第3轮 采集页：未按下提交按钮（找到 0 个 submit_button）",
        "第3轮 采集页上没有提交按钮：后台登录可能已失效，请重新登陆",
    }));
    QCOMPARE(sign.count(), 1);
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
