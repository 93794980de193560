#include "automation/countdown.h"
#include "automation/cycle_clock.h"
#include "automation/stage_machine.h"
#include "automation/timer.h"
#include "fake_browser.h"
#include "virtual_clock.h"

#include <QSignalSpy>
#include <QTest>

namespace {

const AdminAddresses Addresses{QStringLiteral("http://cms/login"), QStringLiteral("http://cms/collect"),
                               QStringLiteral("http://cms/generate"), QStringLiteral("http://cms/home")};

struct Rig {
    VirtualClock clock;
    FakeBrowser browser{clock};
    StageMachine stages{browser, clock};

    Rig() { stages.addresses = Addresses; }

    QStringList runningTimers()
    {
        QStringList names;
        const QList<QPair<QString, Timer *>> timers = {
            {QStringLiteral("Timer1"), stages.Timer1}, {QStringLiteral("Timer2"), stages.Timer2},
            {QStringLiteral("Timer3"), stages.clock().Timer3}, {QStringLiteral("Timer4"), stages.countdown().Timer4}};
        for (const auto &[name, timer] : timers) {
            if (timer->isEnabled())
                names << name;
        }
        return names;
    }
};

} // namespace

class TestStageMachine : public QObject {
    Q_OBJECT
private slots:
    void transitions_data();
    void transitions();
    void startDisablesButtonsAndLoginHidesStartPanel();
    void oneLoadInStageOneDoesNotAlsoPressTheGenerationButton();
    void cycleMovesOnByTimeWhenPressesLoadNothing();
    void homePageWaitUsesTheCycleLength_data();
    void homePageWaitUsesTheCycleLength();
    void collectionTimerAfterRestartOnlyStops();
    void waitLeftRunningByALateCycleStartsAfresh();
    void wholeDayAtLengthTenRestartsEverySixHundredTicks();
};

void TestStageMachine::transitions_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QString>("text8");
    QTest::addColumn<QString>("text9");
    QTest::addColumn<QStringList>("timers");

    const QStringList none;
    QTest::newRow("login while idle") << "Text1" << "login" << "Text1" << QStringList{"navigate http://cms/login"}
                                      << "Text8" << "Text9" << none;
    QTest::newRow("login mid-cycle") << "4" << "login" << "4" << QStringList{"navigate http://cms/login"}
                                     << "Text8" << "Text9" << none;
    QTest::newRow("start while idle") << "Text1" << "start" << "1" << QStringList{"navigate http://cms/collect"}
                                      << "Text8" << "Text9" << none;
    QTest::newRow("start in stage 4") << "4" << "start" << "1" << QStringList{"navigate http://cms/collect"}
                                      << "Text8" << "Text9" << none;
    QTest::newRow("load in 1") << "1" << "load" << "3" << QStringList{"press"} << "60" << "1"
                               << QStringList{"Timer1", "Timer4"};
    QTest::newRow("load in 2") << "2" << "load" << "4" << QStringList{"press second"} << "20" << "2"
                               << QStringList{"Timer2"};
    for (const char *stage : {"Text1", "3", "4", "5", ""})
        QTest::addRow("load in '%s'", stage) << stage << "load" << stage << none << "Text8" << "Text9" << none;
    QTest::newRow("Timer1 in 3") << "3" << "Timer1" << "2" << QStringList{"navigate http://cms/generate"}
                                 << "Text8" << "Text9" << none;
    for (const char *stage : {"Text1", "1", "2", "4"})
        QTest::addRow("Timer1 in '%s'", stage) << stage << "Timer1" << stage << none << "Text8" << "Text9" << none;
    QTest::newRow("Timer2 in 4") << "4" << "Timer2" << "4" << QStringList{"navigate http://cms/home"} << "600"
                                 << "3" << QStringList{"Timer3", "Timer4"};
    for (const char *stage : {"Text1", "1", "2", "3"})
        QTest::addRow("Timer2 in '%s'", stage) << stage << "Timer2" << stage << none << "Text8" << "Text9" << none;
}

void TestStageMachine::transitions()
{
    QFETCH(QString, before);
    QFETCH(QString, event);
    QFETCH(QString, after);
    QFETCH(QStringList, calls);
    QFETCH(QString, text8);
    QFETCH(QString, text9);
    QFETCH(QStringList, timers);

    Rig rig;
    rig.stages.Text1 = before;
    if (event == QLatin1String("login")) {
        rig.stages.Command6_Click();
    } else if (event == QLatin1String("start")) {
        rig.stages.Command1_Click();
    } else if (event == QLatin1String("load")) {
        rig.browser.finishLoad();
    } else if (event == QLatin1String("Timer1")) {
        rig.stages.Timer1->setEnabled(true);
        rig.clock.advance(60000);
    } else if (event == QLatin1String("Timer2")) {
        rig.stages.Timer2->setEnabled(true);
        rig.clock.advance(20000);
    }

    QCOMPARE(rig.stages.Text1, after);
    QCOMPARE(rig.browser.callNames(), calls);
    QCOMPARE(rig.stages.countdown().Text8, text8);
    QCOMPARE(rig.stages.countdown().Text9, text9);
    QCOMPARE(rig.runningTimers(), timers);
}

void TestStageMachine::startDisablesButtonsAndLoginHidesStartPanel()
{
    Rig rig;
    QSignalSpy started(&rig.stages, &StageMachine::cycleStarted);
    QSignalSpy login(&rig.stages, &StageMachine::loginOpened);
    rig.stages.Command6_Click();
    QCOMPARE(login.count(), 1);
    QCOMPARE(started.count(), 0);
    rig.stages.Command1_Click();
    QCOMPARE(started.count(), 1);
}

void TestStageMachine::oneLoadInStageOneDoesNotAlsoPressTheGenerationButton()
{
    Rig rig;
    rig.stages.Command1_Click();
    rig.browser.finishLoad();
    rig.browser.finishLoad(); // a frame of the same page, or the submission's result
    QCOMPARE(rig.browser.callNames(), (QStringList{"navigate http://cms/collect", "press"}));
    QCOMPARE(rig.stages.Text1, QStringLiteral("3"));
}

void TestStageMachine::cycleMovesOnByTimeWhenPressesLoadNothing()
{
    // Neither press leads to a page (no button, or a refused click): the
    // cycle still goes on by its timers.
    Rig rig;
    rig.stages.Command1_Click();
    rig.clock.advance(1500);
    rig.browser.finishLoad(); // the collection page, at 1.5 s
    rig.clock.advance(60000);
    QCOMPARE(rig.browser.timesOf("navigate http://cms/generate"), QList<qint64>{61500});
    rig.clock.advance(700);
    rig.browser.finishLoad(); // the generation page, at 62.2 s
    rig.clock.advance(20000);
    QCOMPARE(rig.browser.timesOf("navigate http://cms/home"), QList<qint64>{82200});
    QCOMPARE(rig.browser.callNames(),
             (QStringList{"navigate http://cms/collect", "press", "navigate http://cms/generate", "press second",
                          "navigate http://cms/home"}));
}

void TestStageMachine::homePageWaitUsesTheCycleLength_data()
{
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QString>("text8");
    QTest::addColumn<QString>("firstCaption");
    QTest::newRow("10") << 10 << "600" << "离下次采集时间还有 599 秒";
    QTest::newRow("12") << 12 << "720" << "离下次采集时间还有 719 秒";
    QTest::newRow("1440") << 1440 << "86400" << "离下次采集时间还有 86399 秒";
}

void TestStageMachine::homePageWaitUsesTheCycleLength()
{
    QFETCH(int, minutes);
    QFETCH(QString, text8);
    QFETCH(QString, firstCaption);
    Rig rig;
    QSignalSpy captions(&rig.stages.countdown(), &Countdown::captionChanged);
    rig.stages.clock().setCycleLength(minutes);
    rig.stages.Text1 = QStringLiteral("4");
    rig.stages.Command5_Click();
    QCOMPARE(rig.stages.countdown().Text8, text8);
    QCOMPARE(rig.stages.Text1, QStringLiteral("4"));
    rig.clock.advance(1000);
    QCOMPARE(captions.count(), 1);
    QCOMPARE(captions.at(0).at(0).toString(), firstCaption);
}

void TestStageMachine::collectionTimerAfterRestartOnlyStops()
{
    Rig rig;
    rig.stages.Command1_Click();
    rig.browser.finishLoad(); // stage 3, Timer1 running
    rig.clock.advance(30000);
    rig.stages.Command1_Click(); // restarted by the clock: stage 1 again
    rig.clock.advance(30000);    // Timer1 fires in stage 1
    QCOMPARE(rig.stages.Text1, QStringLiteral("1"));
    QVERIFY(!rig.stages.Timer1->isEnabled());
    QCOMPARE(rig.browser.timesOf("navigate http://cms/generate"), QList<qint64>{});
}

void TestStageMachine::waitLeftRunningByALateCycleStartsAfresh()
{
    // The collection page of one cycle answers late, the clock restarts the
    // cycle while Timer1 still runs; the new press gets its full 60 s.
    Rig rig;
    rig.stages.Command1_Click();
    rig.clock.advance(100000);
    rig.browser.finishLoad(); // pressed at 100 s
    rig.clock.advance(20000);
    rig.stages.Command1_Click(); // restart at 120 s
    rig.clock.advance(500);
    rig.browser.finishLoad(); // pressed at 120.5 s
    rig.clock.advance(60000);
    QCOMPARE(rig.browser.timesOf("navigate http://cms/generate"), QList<qint64>{180500});

    rig.browser.finishLoad(); // generation page: pressed at 180.5 s
    rig.clock.advance(10000);
    rig.stages.Text1 = QStringLiteral("2"); // a second generation page load
    rig.browser.finishLoad();               // pressed again at 190.5 s
    rig.clock.advance(20000);
    QCOMPARE(rig.browser.timesOf("navigate http://cms/home"), QList<qint64>{210500});
}

void TestStageMachine::wholeDayAtLengthTenRestartsEverySixHundredTicks()
{
    Rig rig;
    rig.browser.setLoadDelay(700); // every navigation and press loads a page 0.7 s later
    rig.stages.Command1_Click();
    rig.clock.advance(24LL * 3600 * 1000 + 90000);

    const QList<qint64> homes = rig.browser.timesOf("navigate http://cms/home");
    // The first wait starts when the first home page is opened: collection
    // page load (0.7 s) + 60 s + generation page load (0.7 s) + 20 s.
    const qint64 clockStart = homes.first();
    QCOMPARE(clockStart, 81400);

    QList<qint64> restarts = rig.browser.timesOf("navigate http://cms/collect");
    restarts.removeFirst(); // the user's start
    QCOMPARE(restarts.size(), 144);
    for (int i = 0; i < restarts.size(); ++i)
        QCOMPARE(restarts[i], clockStart + (i + 1) * 600000LL);

    // Each cycle started presses the collection button 0.7 s in; the last one
    // is too young for its generation press and home page. Length 10 reopens
    // the home page at minute 9 only, never at minute 18.
    QCOMPARE(rig.browser.timesOf("press").size(), 145);
    QCOMPARE(rig.browser.timesOf("press second").size(), 144);
    QCOMPARE(homes.size(), 144 + 144);
    QVERIFY(homes.contains(clockStart + 540000));
    QVERIFY(!homes.contains(clockStart + 1080000));
}

QTEST_GUILESS_MAIN(TestStageMachine)
#include "tst_stage_machine.moc"
