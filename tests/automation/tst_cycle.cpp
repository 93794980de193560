// The collection cycle on virtual time: the stage machine with its cycle clock
// and red countdown line, seen through what the browser is asked to do.

#include "automation/cycle/countdown.h"
#include "base/precise_timer.h"
#include "automation/page_gate.h"
#include "automation/cycle/stage_machine.h"
#include "fake_browser.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

class TestCycle : public QObject {
    Q_OBJECT
private slots:
    void cycleKeepsItsCourseAndItsTimes_data();
    void cycleKeepsItsCourseAndItsTimes();
    void timerEnabledAgainKeepsItsSchedule();
};

void TestCycle::cycleKeepsItsCourseAndItsTimes_data()
{
    // `script`: what happens, in order. "start" presses 2: 开始自动挂机,
    // "load" finishes the page in the browser, "+S" lets S seconds pass,
    // "length N" confirms a cycle length, "line" reads the red line.
    // `course`: the browser's calls, and the lines read, at their second.
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("course");
    const QString firstCycle = "0 collect, 0.5 press, 60.5 generate, 60.7 press second, 80.7 home";

    QTest::newRow("each wait counts down on the red line")
        << "start, +0.5, load, +1, line, +59.2, load, +1, line, +20, line"
        << "0 collect, 0.5 press, 1.5 line 离生成信息页面时间还有 59 秒, 60.5 generate, 60.7 press second, "
           "61.7 line 离生成首页时间还有 19 秒, 80.7 home, 81.7 line 离下次采集时间还有 599 秒";
    QTest::newRow("a length confirmed mid-cycle moves the countdown, shown in whole seconds")
        << "start, +0.5, load, +60.2, load, +320, length 1440, +1, line"
        << firstCycle + ", 381.7 line 离下次采集时间还有 86099 秒";
    QTest::newRow("from the second cycle on the countdown still ends at the restart")
        << "length 2, start, +0.5, load, +60.2, load, +140.5, load, +60, load, +20, +39.4, line"
        << firstCycle + ", 200.7 collect, 201.2 press, 261.2 generate, 261.2 press second, 281.2 home, "
                        "320.6 line 离下次采集时间还有 0 秒";
    QTest::newRow("the home page again at minutes 9 and 18, the restart at 20")
        << "length 20, start, +0.5, load, +60.2, load, +1220"
        << firstCycle + ", 620.7 home, 1160.7 home, 1280.7 collect";
    QTest::newRow("a length shortened below the minutes counted restarts at the next tick")
        << "length 20, start, +0.5, load, +60.2, load, +950, length 12, +1"
        << firstCycle + ", 620.7 home, 1011.7 collect";
    QTest::newRow("a restart during the 60 s wait opens no generation page")
        << "length 1, start, +0.5, load, +60.2, load, +80.5, load, +60"
        << firstCycle + ", 140.7 collect, 141.2 press, 200.7 collect";
    QTest::newRow("a restart during the 20 s wait opens no home page")
        << "length 2, start, +0.5, load, +60.2, load, +189.3, load, +60.2, load, +20"
        << firstCycle + ", 200.7 collect, 250 press, 310 generate, 310.2 press second, 320.7 collect";
    QTest::newRow("a wait left running by a late cycle lasts its full 60 s from the new press")
        << "length 2, start, +0.5, load, +60.2, load, +249.3, load, +11, load, +60"
        << firstCycle + ", 200.7 collect, 310 press, 320.7 collect, 321 press, 381 generate";
}

void TestCycle::cycleKeepsItsCourseAndItsTimes()
{
    QFETCH(QString, script);
    QFETCH(QString, course);
    VirtualClock clock;
    FakeBrowser browser(clock);
    const AdminAddresses addresses{"login", "collect", "generate", "home"};
    OpenGate alone;
    StageMachine stages(browser, clock, addresses, alone);
    QString line;
    connect(&stages.countdown(), &Countdown::captionChanged, this, [&line](const QString &text) { line = text; });

    for (const QString &step : script.split(", ")) {
        if (step == "start")
            stages.startCycle();
        else if (step == "load")
            browser.finishLoad();
        else if (step.startsWith('+'))
            clock.advance(qRound64(step.mid(1).toDouble() * 1000));
        else if (step.startsWith("length "))
            stages.setCycleLength(step.mid(7).toInt());
        else if (step == "line")
            browser.calls.append({clock.now(), "line " + line});
    }
    QStringList seen;
    for (const FakeBrowser::Call &call : browser.calls)
        seen << QString::number(call.at / 1000.0) + ' ' + call.what;
    QCOMPARE(seen.join(", "), course);
}

// The cycle enables its clock again in every cycle; a timer that started its
// interval afresh each time would drift, or never tick at all.
void TestCycle::timerEnabledAgainKeepsItsSchedule()
{
    PreciseTimer timer(300, nullptr);
    QSignalSpy ticks(&timer, &Timer::timeout);
    QTimer enableAgain;
    connect(&enableAgain, &QTimer::timeout, &timer, [&timer] { timer.setEnabled(true); });
    timer.setEnabled(true);
    enableAgain.start(100);
    QVERIFY(ticks.wait(3000));
}

QTEST_GUILESS_MAIN(TestCycle)
#include "tst_cycle.moc"
