#include "automation/countdown.h"
#include "automation/cycle_clock.h"
#include "automation/timer.h"
#include "virtual_clock.h"

#include <QSignalSpy>
#include <QTest>

namespace {

using Ticks = QList<int>;

// Runs the cycle clock alone from tick 0 and notes the tick of every
// reopening of the home page and every restart.
struct ClockRun {
    VirtualClock time;
    CycleClock clock{time};
    Ticks reopenings;
    Ticks restarts;
    QStringList textsAtRestart;

    explicit ClockRun(int length)
    {
        clock.setCycleLength(length);
        QObject::connect(&clock, &CycleClock::homePageDue, [this] { reopenings << tick(); });
        QObject::connect(&clock, &CycleClock::cycleDue, [this] {
            restarts << tick();
            textsAtRestart << clock.Text6 + QLatin1Char(':') + clock.Text7;
        });
        clock.Timer3->setEnabled(true);
    }
    int tick() const { return int(time.now() / 1000); }
    void runTo(int tick) { time.advanceTo(qint64(tick) * 1000); }
};

} // namespace

class TestCycleClock : public QObject {
    Q_OBJECT
private slots:
    void course_data();
    void course();
    void minutesStartAgainAfterRestart();
    void shorterLengthMidCycleRestartsAtNextTick_data();
    void shorterLengthMidCycleRestartsAtNextTick();
    void longerLengthMidCycleExtendsTheCycle();
    void weekAtEveryListedLength_data();
    void weekAtEveryListedLength();
    void lengthIsKeptWithinRange();
    void countdownSentences_data();
    void countdownSentences();
    void countdownGoesBelowZero();
    void countdownWithoutPhaseKeepsTheLine();
};

void TestCycleClock::course_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("until");
    QTest::addColumn<Ticks>("reopenings");
    QTest::addColumn<Ticks>("restarts");
    QTest::newRow("10") << 10 << 1800 << Ticks{540, 1140, 1740} << Ticks{600, 1200, 1800};
    QTest::newRow("18") << 18 << 2160 << Ticks{540, 1080, 1620, 2160} << Ticks{1080, 2160};
    QTest::newRow("20") << 20 << 2400 << Ticks{540, 1080, 1740, 2280} << Ticks{1200, 2400};
    QTest::newRow("typed 5") << 5 << 900 << Ticks{} << Ticks{300, 600, 900};
    QTest::newRow("typed 9") << 9 << 1080 << Ticks{540, 1080} << Ticks{540, 1080};
}

void TestCycleClock::course()
{
    QFETCH(int, length);
    QFETCH(int, until);
    QFETCH(Ticks, reopenings);
    QFETCH(Ticks, restarts);
    ClockRun run(length);
    run.runTo(until);
    QCOMPARE(run.reopenings, reopenings);
    QCOMPARE(run.restarts, restarts);
}

void TestCycleClock::minutesStartAgainAfterRestart()
{
    ClockRun run(10);
    run.runTo(599);
    QCOMPARE(run.clock.Text6, QStringLiteral("59"));
    QCOMPARE(run.clock.Text7, QStringLiteral("9"));
    run.runTo(600);
    // The restart sees the completed minute; afterwards both fields are "0".
    QCOMPARE(run.textsAtRestart, QStringList{"0:10"});
    QCOMPARE(run.clock.Text6, QStringLiteral("0"));
    QCOMPARE(run.clock.Text7, QStringLiteral("0"));
    run.runTo(601);
    QCOMPARE(run.clock.Text6, QStringLiteral("1"));
    QCOMPARE(run.clock.Text7, QStringLiteral("0"));
}

void TestCycleClock::shorterLengthMidCycleRestartsAtNextTick_data()
{
    QTest::addColumn<int>("newLength");
    QTest::newRow("20 to 12 at minute 15") << 12;
    QTest::newRow("20 to 15 during minute 15") << 15;
}

void TestCycleClock::shorterLengthMidCycleRestartsAtNextTick()
{
    QFETCH(int, newLength);
    ClockRun run(20);
    run.runTo(930); // minute 15, 30 s in
    QVERIFY(run.restarts.isEmpty());
    run.clock.setCycleLength(newLength);
    run.runTo(931);
    QCOMPARE(run.restarts, Ticks{931});
    QCOMPARE(run.textsAtRestart, QStringList{"31:15"});
    // Seconds are not reset: the next minute completes at tick 960, and the
    // new length is then counted in whole minutes from there.
    run.runTo(960 + newLength * 60);
    QCOMPARE(run.restarts, (Ticks{931, 960 + (newLength - 1) * 60}));
}

void TestCycleClock::longerLengthMidCycleExtendsTheCycle()
{
    ClockRun run(10);
    run.runTo(300);
    run.clock.setCycleLength(25);
    run.runTo(1500);
    QCOMPARE(run.restarts, Ticks{1500});
    QCOMPARE(run.reopenings, (Ticks{540, 1080}));
}

void TestCycleClock::weekAtEveryListedLength_data()
{
    QTest::addColumn<int>("length");
    for (int length : {10, 12, 15, 18, 20, 25, 30, 35})
        QTest::addRow("%d", length) << length;
}

void TestCycleClock::weekAtEveryListedLength()
{
    QFETCH(int, length);
    const int week = 7 * 24 * 3600;
    ClockRun run(length);
    run.runTo(week);
    const int cycle = length * 60;
    QCOMPARE(run.restarts.size(), week / cycle);
    for (int i = 0; i < run.restarts.size(); ++i)
        QCOMPARE(run.restarts[i], (i + 1) * cycle);
    int expectedReopenings = 0;
    for (int start = 0; start < week; start += cycle) {
        for (int minute : {9, 18}) {
            if (minute <= length && start + minute * 60 <= week)
                ++expectedReopenings;
        }
    }
    QCOMPARE(run.reopenings.size(), expectedReopenings);
}

void TestCycleClock::lengthIsKeptWithinRange()
{
    VirtualClock time;
    CycleClock clock(time);
    clock.setCycleLength(0);
    QCOMPARE(clock.cycleLength(), 1);
    clock.setCycleLength(5000);
    QCOMPARE(clock.cycleLength(), 1440);
}

void TestCycleClock::countdownSentences_data()
{
    QTest::addColumn<QString>("phase");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("caption");
    QTest::newRow("phase 1") << "1" << "60" << "离生成信息页面时间还有 59 秒";
    QTest::newRow("phase 2") << "2" << "20" << "离生成首页时间还有 19 秒";
    QTest::newRow("phase 3") << "3" << "600" << "离下次采集时间还有 599 秒";
    QTest::newRow("phase 1 past zero") << "1" << "0" << "离生成信息页面时间还有 -1 秒";
}

void TestCycleClock::countdownSentences()
{
    QFETCH(QString, phase);
    QFETCH(QString, start);
    QFETCH(QString, caption);
    VirtualClock time;
    Countdown countdown(time);
    QSignalSpy captions(&countdown, &Countdown::captionChanged);
    countdown.Text8 = start;
    countdown.Text9 = phase;
    countdown.Timer4->setEnabled(true);
    time.advance(1000);
    QCOMPARE(captions.count(), 1);
    QCOMPARE(captions.at(0).at(0).toString(), caption);
}

void TestCycleClock::countdownGoesBelowZero()
{
    VirtualClock time;
    Countdown countdown(time);
    QSignalSpy captions(&countdown, &Countdown::captionChanged);
    countdown.Text8 = QStringLiteral("2");
    countdown.Text9 = QStringLiteral("2");
    countdown.Timer4->setEnabled(true);
    time.advance(5000);
    QStringList seen;
    for (const QList<QVariant> &args : captions)
        seen << args.at(0).toString();
    QCOMPARE(seen, (QStringList{"离生成首页时间还有 1 秒", "离生成首页时间还有 0 秒", "离生成首页时间还有 -1 秒",
                                "离生成首页时间还有 -2 秒", "离生成首页时间还有 -3 秒"}));
}

void TestCycleClock::countdownWithoutPhaseKeepsTheLine()
{
    VirtualClock time;
    Countdown countdown(time);
    QSignalSpy captions(&countdown, &Countdown::captionChanged);
    countdown.Text8 = QStringLiteral("10");
    countdown.Timer4->setEnabled(true); // phase still "Text9"
    time.advance(3000);
    QCOMPARE(captions.count(), 0);
    QCOMPARE(countdown.Text8, QStringLiteral("7"));
}

QTEST_GUILESS_MAIN(TestCycleClock)
#include "tst_cycle_clock.moc"
