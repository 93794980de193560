// A short soak of the whole window with the real embedded browser against a
// CMS that misbehaves: server errors, replies that come later than a stage
// waits, replies cut off halfway, a login that expires once, and the page's
// render process killed mid-run. The tool runs 100 times faster than in
// real use (a three-minute cycle takes 1.8 s) for a few dozen cycles. Whatever
// the CMS does, the cycle clock must restart on its tick, every cycle must
// send its collection request, and no stage may wait beyond one cycle.

#include "automation/cycle_clock.h"
#include "automation/timer.h"
#include "automation/web_engine_browser.h"
#include "fake_cms.h"
#include "live_window.h"
#include "main_window/form1.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QWebEnginePage>
#include <QtTest>

#include <csignal>

namespace {

constexpr int Patience = 180000; // ms; only ever a limit, never a measurement
constexpr int Speedup = 100;     // a tick of the cycle clock every 10 ms
constexpr int CycleMinutes = 3;
constexpr int TicksPerCycle = CycleMinutes * 60;
constexpr int Restarts = 26;
// Killed during the 60 s wait of the cycle that starts with this restart,
// so that the next navigation has to start a new render process.
constexpr int KillAfterRestart = 13;
constexpr int KillTickInCycle = 30;

FakeCms::Faults soakFaults()
{
    FakeCms::Faults faults;
    faults.errorShare = 0.10;
    faults.hangShare = 0.04;
    // 130 s of the tool: longer than the 60 s wait, and a hung collection
    // page pushes its cycle past the next restart.
    faults.hangMs = 130 * 1000 / Speedup;
    faults.cutShare = 0.03;
    faults.loginExpiresAfter = 75; // about cycle 17 of 27, and only once
    faults.seed = 20240607;
    return faults;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// Watches the window's stage machine from outside, counting time in ticks of
// its own timers only.
struct Watch {
    int clockTicks = 0;        // ticks of the cycle clock (Timer3)
    QList<int> restartTicks;   // the clock tick of every restart
    QList<int> restartProbeTicks; // the same restarts on our own timer
    bool restartPending = false;
    QList<int> cycleStarts;    // index into FakeCms::served() at each cycle's start
    QList<bool> timer1RunningAtStart;

    int probeTicks = 0;        // a one-second timer of our own, running all along
    QString lastStage;
    int lastProgress = 0;
    int longestStall = 0;      // probe ticks a working stage went without moving on

    qint64 killedPid = 0;
    int killedAtRequest = -1;
};

} // namespace

class TestSoakShort : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cyclesKeepTheirBeatDespiteFaults();
};

void TestSoakShort::initTestCase()
{
    // The browser's named profile lives under ~/.qttest and starts empty.
    QStandardPaths::setTestModeEnabled(true);
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).removeRecursively();
    QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).removeRecursively();
}

void TestSoakShort::cyclesKeepTheirBeatDespiteFaults()
{
    FakeCms cms;
    QVERIFY(cms.listen());
    const FakeCms::Faults faults = soakFaults();
    cms.setFaults(faults);

    LiveWindow live(cms, Speedup);
    QVERIFY(live.folder.isValid());
    QCOMPARE(live.saveFailure, QString());
    const QString &settings = live.settings;
    const QByteArray settingsBefore = contents(settings);
    WebEngineBrowser &browser = live.browser;
    Form1 &form = live.form;
    StageMachine &stages = form.stages();
    form.Combo1->setEditText(QString::number(CycleMinutes));
    emit form.Combo1->lineEdit()->editingFinished(); // as when the user leaves the box
    QCOMPARE(stages.clock().cycleLength(), CycleMinutes);
    form.show();

    Watch watch;
    QSignalSpy renderDeaths(browser.page(), &QWebEnginePage::renderProcessTerminated);
    connect(&stages, &StageMachine::cycleStarted, this, [&] {
        watch.cycleStarts << int(cms.served().size());
        watch.timer1RunningAtStart << stages.Timer1->isEnabled();
        watch.lastProgress = watch.probeTicks;
    });
    // The restart happens inside the clock's tick; the tick is counted after.
    connect(&stages.clock(), &CycleClock::cycleDue, this, [&] { watch.restartPending = true; });
    connect(stages.clock().Timer3, &Timer::timeout, this, [&] {
        ++watch.clockTicks;
        if (watch.restartPending) {
            watch.restartTicks << watch.clockTicks;
            watch.restartProbeTicks << watch.probeTicks;
        }
        watch.restartPending = false;
        if (watch.clockTicks == KillAfterRestart * TicksPerCycle + KillTickInCycle) {
            watch.killedPid = browser.page()->renderProcessPid();
            watch.killedAtRequest = int(cms.served().size());
            if (watch.killedPid > 0)
                ::kill(pid_t(watch.killedPid), SIGKILL);
        }
    });
    Timer *probe = live.timers.create(1000, &form);
    connect(probe, &Timer::timeout, this, [&] {
        ++watch.probeTicks;
        const QString stage = stages.Text1;
        if (stage != watch.lastStage)
            watch.lastProgress = watch.probeTicks;
        watch.lastStage = stage;
        // "1" and "2" wait for a page, "3" for Timer1; "4" runs to the restart.
        if (stage == QLatin1String("1") || stage == QLatin1String("2") || stage == QLatin1String("3"))
            watch.longestStall = qMax(watch.longestStall, watch.probeTicks - watch.lastProgress);
    });
    probe->setEnabled(true);

    // Started once the login page is in, as a person would: a page still
    // loading when the cycle starts would be taken for the collection page.
    QSignalSpy loaded(&browser, &Browser::pageLoaded);
    QTest::mouseClick(form.Command6, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(cms.log().contains(QStringLiteral("GET /login")) && loaded.count() >= 1, Patience);
    QTest::mouseClick(form.Command1, Qt::LeftButton);
    // A stalled cycle never gets here: the clock stops restarting.
    QTRY_VERIFY_WITH_TIMEOUT(watch.restartTicks.size() >= Restarts, Patience);
    probe->setEnabled(false);
    const QList<FakeCms::Served> served = cms.served();
    const Watch seen = watch;

    // Every restart exactly on its tick, none missed, none extra.
    for (int i = 0; i < seen.restartTicks.size(); ++i)
        QCOMPARE(seen.restartTicks.at(i), (i + 1) * TicksPerCycle);
    QCOMPARE(seen.cycleStarts.size(), seen.restartTicks.size() + 1); // the first start was the button
    // And the clock's ticks kept pace with a timer of the same second that
    // nothing stops: a cycle clock that paused or ran fast would count the
    // same ticks over a different time. Both tick on this thread, so they
    // skip alike when it is busy; the margin is for phase, not drift.
    for (int i = 1; i < seen.restartProbeTicks.size(); ++i) {
        const int between = seen.restartProbeTicks.at(i) - seen.restartProbeTicks.at(i - 1);
        QVERIFY2(qAbs(between - TicksPerCycle) <= TicksPerCycle / 10,
                 qPrintable(QStringLiteral("restart %1 came %2 s after the one before").arg(i + 1).arg(between)));
    }

    // Every cycle, the first one and each restart, sent its collection
    // request. Unless that request hung, the cycle moved on to the
    // generation page, whatever the answer (error pages included); where
    // nothing went wrong it ran whole, in order.
    const QStringList wholeCycle = {QStringLiteral("GET /collect"), QStringLiteral("POST /collect"),
                                    QStringLiteral("GET /generate"), QStringLiteral("POST /generate?form=2"),
                                    QStringLiteral("GET /homepage")};
    int cleanCycles = 0;
    for (int cycle = 0; cycle + 1 < seen.cycleStarts.size(); ++cycle) {
        const FakeCms::CycleTraffic traffic =
            FakeCms::cycleTraffic(served, seen.cycleStarts.at(cycle), seen.cycleStarts.at(cycle + 1));
        const QStringList &requests = traffic.requests;
        const bool clean = traffic.clean;
        const bool fromCollection = traffic.sentCollection;
        const bool collectionHung = traffic.collectionHung;
        QVERIFY2(fromCollection, qPrintable(QStringLiteral("cycle %1 sent no GET /collect").arg(cycle)));
        QVERIFY2(collectionHung || requests.contains(QStringLiteral("GET /generate")),
                 qPrintable(QStringLiteral("cycle %1 stopped after %2").arg(cycle).arg(requests.join(QStringLiteral(", ")))));
        // The cycle whose render process was killed may lose time starting a new one.
        const bool killed = cycle == KillAfterRestart;
        if (clean && !killed) {
            ++cleanCycles;
            QVERIFY2(requests == wholeCycle,
                     qPrintable(QStringLiteral("cycle %1: %2").arg(cycle).arg(requests.join(QStringLiteral(", ")))));
        }
    }
    QVERIFY2(cleanCycles >= 5, qPrintable(QString::number(cleanCycles)));

    // No stage waited beyond one cycle.
    QVERIFY2(seen.longestStall <= TicksPerCycle, qPrintable(QString::number(seen.longestStall)));

    // The faults did happen.
    int hangs = 0, errors = 0, cuts = 0, redirects = 0;
    for (const FakeCms::Served &one : served) {
        hangs += one.outcome == FakeCms::Outcome::Hang;
        errors += one.outcome == FakeCms::Outcome::ServerError;
        cuts += one.outcome == FakeCms::Outcome::Cut;
        redirects += one.outcome == FakeCms::Outcome::LoginRedirect;
    }
    QVERIFY2(hangs > 0 && errors > 0 && cuts > 0 && redirects > 0,
             qPrintable(QStringLiteral("%1 hangs, %2 errors, %3 cuts, %4 redirects").arg(hangs).arg(errors).arg(cuts).arg(redirects)));

    // The login expired once; the redirect took the browser to the login
    // page, which renewed it, and every later page carried the new session.
    QCOMPARE(cms.expiredLogins(), 1);
    QCOMPARE(cms.sessionsIssued(), 2);
    int renewal = -1;
    int adminRequests = 0;
    for (int i = 0; i < served.size(); ++i) {
        const FakeCms::Served &one = served.at(i);
        if (FakeCms::isAdminPage(one.request)) {
            ++adminRequests;
            if (adminRequests <= faults.loginExpiresAfter || renewal >= 0)
                QVERIFY2(one.session, qPrintable(QStringLiteral("request %1: %2").arg(i).arg(FakeCms::describe(one.request))));
        } else if (FakeCms::describe(one.request) == QLatin1String("GET /login") && adminRequests > 0) {
            QCOMPARE(renewal, -1);
            renewal = i;
            int before = i - 1;
            while (before >= 0 && !FakeCms::isAdminPage(served.at(before).request))
                --before; // the browser's own favicon requests
            QVERIFY(before >= 0 && served.at(before).outcome == FakeCms::Outcome::LoginRedirect);
        }
    }
    QVERIFY(renewal > 0);

    // The killed render process came back with the next navigation, and the
    // pages it loaded could be pressed again.
    QVERIFY2(seen.killedPid > 0, "no render process to kill");
    QVERIFY(renderDeaths.count() >= 1);
    QVERIFY(browser.page()->renderProcessPid() > 0);
    QVERIFY(browser.page()->renderProcessPid() != seen.killedPid);
    QStringList afterKill;
    for (int i = seen.killedAtRequest; i < served.size(); ++i)
        afterKill << FakeCms::describe(served.at(i).request);
    QVERIFY2(afterKill.contains(QStringLiteral("POST /collect")) && afterKill.contains(QStringLiteral("POST /generate?form=2")),
             qPrintable(afterKill.join(QStringLiteral(", "))));

    int overlapped = 0;
    for (bool running : seen.timer1RunningAtStart)
        overlapped += running;
    qInfo("%d cycles, %d clean, longest stall %d s, %d hangs, %d errors, %d cuts, %d login redirects, "
          "%d restarts with Timer1 still running",
          int(seen.restartTicks.size()), cleanCycles, seen.longestStall, hangs, errors, cuts, redirects, overlapped);

    QCOMPARE(contents(settings), settingsBefore);
}

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestSoakShort test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_soak_short.moc"
