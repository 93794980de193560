// soak-runner: the whole window with the real embedded browser, run for
// hundreds of shortened cycles against the fake CMS with faults on (server
// errors, hung and cut replies, a login that expires once) and the page's
// render process killed once mid-run. Prints one "key: value" line per
// figure and exits 0 when the cycle kept its beat throughout, 1 when it did
// not, 2 on bad arguments.
//
//   soak-runner [--cycles N] [--speedup S] [--cycle-minutes M] [--seed S]
//               [--error-share F] [--hang-share F] [--hang-s S] [--cut-share F]
//               [--login-expires-after N] [--kill-at-cycle N] [--sample-every N]
//
// Time is counted in ticks of the tool's own (shortened) timers, never read
// off the wall clock, except for the run time reported at the end.

#include "automation/cycle/cycle_clock.h"
#include "automation/web_engine/web_engine_browser.h"
#include "base/run_journal.h"
#include "base/timer.h"
#include "bench_options.h"
#include "faulty_cms.h"
#include "live_window.h"
#include "main_window/main_window.h"
#include "site_run/run_watch.h"
#include "site_run/site_run.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QSet>
#include <QStandardPaths>
#include <QTimer>
#include <QWebEnginePage>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

QByteArray sha256Of(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("(unreadable)");
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
}

// Resident memory of this process and every process below it (the
// QtWebEngineProcess children and theirs), from /proc.
struct TreeMemory {
    qint64 kib = 0;
    int processes = 0;
};

TreeMemory treeMemory()
{
    QMap<qint64, QList<qint64>> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue; // gone meanwhile
        // "pid (comm) state ppid ...": the name may hold spaces and brackets.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> rest = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (rest.size() > 1)
            children[rest.at(1).toLongLong()].append(pid);
    }

    TreeMemory memory;
    QList<qint64> pending = {qint64(::getpid())};
    while (!pending.isEmpty()) {
        const qint64 pid = pending.takeLast();
        pending += children.value(pid);
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:")) {
                memory.kib += line.mid(6).trimmed().split(' ').value(0).toLongLong();
                ++memory.processes;
            }
        }
    }
    return memory;
}

struct Sample {
    int cycle;
    TreeMemory memory;
};

// Least-squares slope of the resident memory over the cycle number.
double kibPerCycle(const QList<Sample> &samples)
{
    if (samples.size() < 2)
        return 0;
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const Sample &s : samples) {
        sx += s.cycle;
        sy += double(s.memory.kib);
        sxx += double(s.cycle) * s.cycle;
        sxy += double(s.cycle) * double(s.memory.kib);
    }
    const double n = samples.size();
    const double denominator = n * sxx - sx * sx;
    return denominator == 0 ? 0 : (n * sxy - sx * sy) / denominator;
}

void out(const char *key, const QString &value)
{
    std::printf("%s: %s\n", key, qPrintable(value));
    std::fflush(stdout);
}

// The administration-page requests of one cycle, served[from, to), from
// its GET /collect on; requests of the previous cycle that come in late,
// before it, are left out.
struct CycleTraffic {
    QStringList requests;
    bool sentCollection = false;  // its GET /collect arrived
    bool collectionHung = false;  // and was answered late, or never
    bool clean = true;            // every request answered as is, in session
};

CycleTraffic cycleTraffic(const QList<FaultyCms::Served> &served, int from, int to)
{
    CycleTraffic traffic;
    for (int i = from; i < to; ++i) {
        const FaultyCms::Served &one = served.at(i);
        if (!FakeCms::isAdminPage(one.request.path()))
            continue;
        const QString request = FakeCms::describe(one.request);
        if (!traffic.sentCollection && request == QLatin1String("GET /collect")) {
            traffic.sentCollection = true;
            traffic.collectionHung = one.outcome == FaultyCms::Outcome::Hang;
        }
        if (!traffic.sentCollection)
            continue;
        traffic.requests << request;
        traffic.clean = traffic.clean && one.outcome == FaultyCms::Outcome::Page && one.session;
    }
    return traffic;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("soak-runner"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Long soak of the collection cycle in the real browser."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("cycles"), QStringLiteral("Restarts to run (default 300)."), QStringLiteral("N")},
        {QStringLiteral("speedup"), QStringLiteral("How much faster the tool's timers run (default 50)."), QStringLiteral("S")},
        {QStringLiteral("cycle-minutes"), QStringLiteral("Cycle length in the tool's minutes (default 2)."), QStringLiteral("M")},
        {QStringLiteral("seed"), QStringLiteral("Seed of the CMS's fault draws (default 20240607)."), QStringLiteral("S")},
        {QStringLiteral("error-share"), QStringLiteral("Share of admin-page requests answered 500 (default 0.10)."), QStringLiteral("F")},
        {QStringLiteral("hang-share"), QStringLiteral("Share of admin-page requests that hang (default 0.04)."), QStringLiteral("F")},
        {QStringLiteral("hang-s"), QStringLiteral("How long a hang lasts, in the tool's seconds (default 100)."), QStringLiteral("S")},
        {QStringLiteral("cut-share"), QStringLiteral("Share of admin-page replies cut off (default 0.03)."), QStringLiteral("F")},
        {QStringLiteral("login-expires-after"), QStringLiteral("Admin-page requests a login lasts (default 3 times the cycles)."), QStringLiteral("N")},
        {QStringLiteral("kill-at-cycle"), QStringLiteral("Restart after which the render process is killed (default half way)."), QStringLiteral("N")},
        {QStringLiteral("sample-every"), QStringLiteral("Cycles between memory samples (default 50)."), QStringLiteral("N")},
    });
    parser.process(app);

    const int cycles = int(numberOption(parser, QStringLiteral("cycles"), 300, 1, 100000));
    const int speedup = int(numberOption(parser, QStringLiteral("speedup"), 50, 1, 1000));
    const int cycleMinutes = int(numberOption(parser, QStringLiteral("cycle-minutes"), 2, 2, CycleClock::MaxCycleLength));
    const int sampleEvery = int(numberOption(parser, QStringLiteral("sample-every"), 50, 1, 100000));
    const int killAt = int(numberOption(parser, QStringLiteral("kill-at-cycle"), cycles / 2, 0, cycles));
    const int ticksPerCycle = cycleMinutes * 60;
    const double hangS = numberOption(parser, QStringLiteral("hang-s"), 100, 0, 86400);

    FaultyCms::Faults faults;
    faults.errorShare = numberOption(parser, QStringLiteral("error-share"), 0.10, 0, 1);
    faults.hangShare = numberOption(parser, QStringLiteral("hang-share"), 0.04, 0, 1);
    faults.hangMs = qMax(1, int(hangS * 1000 / speedup));
    faults.cutShare = numberOption(parser, QStringLiteral("cut-share"), 0.03, 0, 1);
    // Three administration pages per cycle at the least: it expires once,
    // and a second time would take more than the five a cycle sends at most.
    faults.loginExpiresAfter = int(numberOption(parser, QStringLiteral("login-expires-after"), 3.0 * cycles, 0, 1e9));
    faults.seed = quint32(numberOption(parser, QStringLiteral("seed"), 20240607, 0, 4294967295.0));
    if (faults.errorShare + faults.hangShare + faults.cutShare > 1)
        failWith(QStringLiteral("the error, hang and cut shares add up to more than 1"));

    // The browser's named profile goes under ~/.qttest, fresh for each run.
    QStandardPaths::setTestModeEnabled(true);
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).removeRecursively();
    QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).removeRecursively();

    FaultyCms cms(faults);
    if (!cms.listen())
        failWith(QStringLiteral("cannot listen on 127.0.0.1"));

    LiveWindow live(cms, speedup);
    if (!live.folder.isValid())
        failWith(QStringLiteral("no temporary folder"));
    if (!live.saveFailure.isEmpty())
        failWith(live.saveFailure);
    const QString &settings = live.settings;
    const QByteArray settingsBefore = sha256Of(settings);
    WebEngineBrowser &browser = live.browser;
    MainWindow &window = live.mainWindow;
    const StageMachine &stages = live.run.stages();
    // Typed and confirmed, as with Enter: a length counts once confirmed.
    QLineEdit *lengthField = window.findChild<QComboBox *>("cycleLengthBox")->lineEdit();
    lengthField->setText(QString::number(cycleMinutes));
    emit lengthField->editingFinished();
    if (stages.clock().cycleLength() != cycleMinutes)
        failWith(QStringLiteral("the window did not take a cycle length of %1").arg(cycleMinutes));
    window.show();

    // What the run shows.
    int clockTicks = 0;
    // The tick each restart is due on: a cycle length after the one before,
    // or after the clock started again once "1" stopped it.
    int dueTick = ticksPerCycle;
    int misses = 0;
    bool stoppedSinceRestart = false;
    QList<bool> restartAfterStop;
    bool restartPending = false;
    QList<int> restartTicks;
    QList<int> restartProbeTicks; // the same restarts on a timer nothing stops
    QList<int> cycleStarts; // index into cms.served() at each start
    QSet<int> cyclesStopped; // by "1", to log in again
    int collectionWaitOverlaps = 0;
    int probeTicks = 0;
    // Where the cycle stands, told by what it does: waiting for the collection
    // page, for the collection wait, for the generation page, or past them.
    enum class Stage { Idle, CollectionPage, CollectionWait, GenerationPage, Done };
    Stage stage = Stage::Idle;
    Stage lastStage = Stage::Idle;
    int lastProgress = 0;
    int longestStall = 0;
    qint64 killedPid = 0;
    int killedAtRequest = -1;
    int renderDeaths = 0;
    QList<Sample> samples;
    bool finished = false;
    QElapsedTimer runTime;

    QObject::connect(browser.page(), &QWebEnginePage::renderProcessTerminated, [&] { ++renderDeaths; });
    QObject::connect(&stages, &StageMachine::cycleStarted, [&] {
        cycleStarts << int(cms.served().size());
        collectionWaitOverlaps += stages.findChild<Timer *>("collectionWait")->isEnabled();
        stage = Stage::CollectionPage;
        lastProgress = probeTicks;
    });
    QObject::connect(&stages, &StageMachine::pageOpened, [&](StageMachine::Page page) {
        if (page == StageMachine::Page::Generation)
            stage = Stage::GenerationPage;
    });
    // The stage machine, connected first, has pressed by now.
    QObject::connect(&browser, &Browser::pageLoaded, [&] {
        if (stage == Stage::CollectionPage)
            stage = Stage::CollectionWait;
        else if (stage == Stage::GenerationPage)
            stage = Stage::Done;
    });
    QObject::connect(&stages.clock(), &CycleClock::cycleDue, [&] { restartPending = true; });
    QObject::connect(&stages, &StageMachine::cycleStopped, [&] {
        cyclesStopped << int(cycleStarts.size()) - 1;
        dueTick = clockTicks + ticksPerCycle;
        stoppedSinceRestart = true;
    });
    QObject::connect(stages.clock().findChild<Timer *>("cycleClockTick"), &Timer::timeout, [&] {
        ++clockTicks;
        if (restartPending) {
            misses += clockTicks != dueTick;
            dueTick = clockTicks + ticksPerCycle;
            restartAfterStop << stoppedSinceRestart;
            stoppedSinceRestart = false;
            restartTicks << clockTicks;
            restartProbeTicks << probeTicks;
            const int done = int(restartTicks.size());
            if (done % sampleEvery == 0 || done == cycles) {
                samples.append({done, treeMemory()});
                std::fprintf(stderr, "soak-runner: %d cycles, %lld MiB in %d processes\n", done,
                             samples.constLast().memory.kib / 1024, samples.constLast().memory.processes);
            }
            if (done >= cycles) {
                finished = true;
                QCoreApplication::exit(0);
            }
        }
        restartPending = false;
        if (clockTicks == killAt * ticksPerCycle + 30) {
            killedPid = browser.page()->renderProcessPid();
            killedAtRequest = int(cms.served().size());
            if (killedPid > 0)
                ::kill(pid_t(killedPid), SIGKILL);
        }
    });
    Timer *probe = live.timers.create(1000, &window);
    QObject::connect(probe, &Timer::timeout, [&] {
        ++probeTicks;
        if (stage != lastStage)
            lastProgress = probeTicks;
        lastStage = stage;
        if (stage != Stage::Idle && stage != Stage::Done)
            longestStall = qMax(longestStall, probeTicks - lastProgress);
    });
    probe->setEnabled(true);

    // A stalled cycle never finishes: the run then ends at this limit, three
    // times what the cycles should take and two minutes more.
    const qint64 limitMs = 3LL * cycles * ticksPerCycle * 1000 / speedup + 120000;
    QTimer::singleShot(std::chrono::milliseconds(limitMs), &app, [] { QCoreApplication::exit(0); });

    runTime.start();
    // The operator logs in as a person does: "1", which stops a running
    // cycle, the login form filled in once it is shown, then "2". Again each
    // time the window says the login is lost.
    auto *loginButton = window.findChild<QPushButton *>("loginButton");
    auto *startButton = window.findChild<QPushButton *>("startButton");
    bool loggingIn = true;
    QObject::connect(browser.page(), &QWebEnginePage::loadFinished, &window, [&](bool ok) {
        if (!loggingIn || !ok)
            return;
        if (browser.page()->title() == QStringLiteral("管理员登录")) {
            browser.page()->runJavaScript(QString::fromLatin1(FakeCms::LogInScript));
        } else if (browser.page()->title() == QStringLiteral("管理后台")) {
            loggingIn = false;
            QMetaObject::invokeMethod(startButton, &QPushButton::click, Qt::QueuedConnection);
        }
    });
    QObject::connect(&live.run.watch(), &RunWatch::troubleBegan, &window, [&](SiteTrouble trouble) {
        if (trouble != SiteTrouble::LoginLost)
            return;
        loggingIn = true;
        QMetaObject::invokeMethod(loginButton, &QPushButton::click, Qt::QueuedConnection);
    });
    QMetaObject::invokeMethod(loginButton, &QPushButton::click, Qt::QueuedConnection);
    app.exec();
    probe->setEnabled(false);
    const qint64 elapsedMs = runTime.elapsed();

    // The figures.
    const QList<FaultyCms::Served> served = cms.served();
    // The clock's pace against a timer of the same second that nothing
    // stops: both tick on this thread and skip alike when it is busy. A stop
    // by "1" is no cycle of its own.
    int shortestCycle = 0, longestCycle = 0, offPace = 0;
    for (int i = 1; i < restartProbeTicks.size(); ++i) {
        if (restartAfterStop.at(i))
            continue;
        const int between = restartProbeTicks.at(i) - restartProbeTicks.at(i - 1);
        shortestCycle = shortestCycle == 0 ? between : qMin(shortestCycle, between);
        longestCycle = qMax(longestCycle, between);
        offPace += qAbs(between - ticksPerCycle) > ticksPerCycle / 10;
    }

    const QStringList wholeCycle = {QStringLiteral("GET /collect"), QStringLiteral("POST /collect"),
                                    QStringLiteral("GET /generate"), QStringLiteral("POST /generate?form=2"),
                                    QStringLiteral("GET /homepage")};
    int withoutCollection = 0, stoppedEarly = 0, clean = 0, cleanBroken = 0, wholeCycles = 0;
    for (int cycle = 0; cycle + 1 < cycleStarts.size(); ++cycle) {
        const CycleTraffic traffic =
            cycleTraffic(served, cycleStarts.at(cycle), cycleStarts.at(cycle + 1));
        const QStringList &requests = traffic.requests;
        const bool isClean = traffic.clean;
        const bool fromCollection = traffic.sentCollection;
        const bool collectionHung = traffic.collectionHung;
        withoutCollection += !fromCollection;
        // Whatever the collection page's answer, the cycle moves on, unless
        // that answer is still on its way or the operator stopped it to log in.
        if (fromCollection && !collectionHung && !cyclesStopped.contains(cycle)
            && !requests.contains(QStringLiteral("GET /generate"))) {
            ++stoppedEarly;
            std::fprintf(stderr, "soak-runner: cycle %d stopped after %s\n", cycle, qPrintable(requests.join(QStringLiteral(", "))));
        }
        wholeCycles += requests == wholeCycle;
        if (isClean && fromCollection && cycle != killAt) {
            ++clean;
            if (requests != wholeCycle) {
                ++cleanBroken;
                std::fprintf(stderr, "soak-runner: cycle %d ran %s\n", cycle, qPrintable(requests.join(QStringLiteral(", "))));
            }
        }
    }

    QMap<FaultyCms::Outcome, int> outcomes;
    int adminRequests = 0, adminWithoutSession = 0;
    for (const FaultyCms::Served &one : served) {
        outcomes[one.outcome] += 1;
        if (FakeCms::isAdminPage(one.request.path())) {
            ++adminRequests;
            adminWithoutSession += !one.session;
        }
    }
    QStringList afterKill;
    for (int i = qMax(0, killedAtRequest); killedAtRequest >= 0 && i < served.size(); ++i)
        afterKill << FakeCms::describe(served.at(i).request);
    const qint64 pidNow = browser.page()->renderProcessPid();
    const bool renderBack = killedPid > 0 && renderDeaths >= 1 && pidNow > 0 && pidNow != killedPid
        && afterKill.contains(QStringLiteral("POST /collect")) && afterKill.contains(QStringLiteral("POST /generate?form=2"));
    const QByteArray settingsAfter = sha256Of(settings);

    QList<Sample> afterWarmUp;
    for (const Sample &s : samples) {
        if (s.cycle >= sampleEvery)
            afterWarmUp << s;
    }
    const double growthPer100 = kibPerCycle(afterWarmUp) * 100 / 1024;

    out("finished", finished ? QStringLiteral("yes") : QStringLiteral("no (time limit)"));
    out("cycles_run", QString::number(restartTicks.size()));
    out("cycle_minutes", QString::number(cycleMinutes));
    out("speedup", QString::number(speedup));
    out("run_time_s", QString::number(elapsedMs / 1000.0, 'f', 1));
    out("restarts_on_tick", misses == 0 && finished ? QStringLiteral("yes") : QStringLiteral("no"));
    out("restart_misses", QString::number(misses));
    out("cycle_length_seen_s", QStringLiteral("%1 to %2").arg(shortestCycle).arg(longestCycle));
    out("cycles_off_pace", QString::number(offPace));
    out("cycles_without_collection_request", QString::number(withoutCollection));
    out("cycles_stopped_before_generation", QString::number(stoppedEarly));
    out("whole_cycles", QString::number(wholeCycles));
    out("clean_cycles", QString::number(clean));
    out("clean_cycles_not_whole", QString::number(cleanBroken));
    out("longest_stall_s", QString::number(longestStall));
    out("restarts_with_collection_wait_running", QString::number(collectionWaitOverlaps));
    out("admin_requests", QString::number(adminRequests));
    out("error_share", QString::number(faults.errorShare));
    out("hang_share", QString::number(faults.hangShare));
    out("cut_share", QString::number(faults.cutShare));
    out("login_expires_after", QString::number(faults.loginExpiresAfter));
    out("seed", QString::number(faults.seed));
    out("faults_server_error", QString::number(outcomes.value(FaultyCms::Outcome::ServerError)));
    out("faults_hang", QString::number(outcomes.value(FaultyCms::Outcome::Hang)));
    out("hang_s", QString::number(hangS));
    out("faults_cut", QString::number(outcomes.value(FaultyCms::Outcome::Cut)));
    out("login_redirects", QString::number(outcomes.value(FaultyCms::Outcome::LoginRedirect)));
    out("logins_expired", QString::number(cms.expiredLogins()));
    out("sessions_issued", QString::number(cms.sessionsIssued()));
    out("admin_requests_without_session", QString::number(adminWithoutSession));
    out("render_process_killed_at_cycle", QString::number(killAt));
    out("render_process_back", renderBack ? QStringLiteral("yes") : QStringLiteral("no"));
    QStringList memory;
    for (const Sample &s : samples)
        memory << QStringLiteral("%1:%2:%3").arg(s.cycle).arg(s.memory.kib).arg(s.memory.processes);
    out("rss_samples_cycle_kib_processes", memory.join(u' '));
    out("rss_growth_mib_per_100_cycles", QString::number(growthPer100, 'f', 2));
    out("settings_sha256_before", QString::fromLatin1(settingsBefore));
    out("settings_sha256_after", QString::fromLatin1(settingsAfter));
    out("settings_unchanged", settingsBefore == settingsAfter ? QStringLiteral("yes") : QStringLiteral("no"));

    // The run journal against the CMS's own log: what the tool says it
    // did, and what the CMS received.
    QFile journalFile(RunJournal::pathBeside(settings));
    journalFile.open(QIODevice::ReadOnly);
    const QString journal = QString::fromUtf8(journalFile.readAll());
    auto received = [&served](const QByteArray &method, const QByteArray &target) {
        int count = 0;
        for (const FaultyCms::Served &s : served)
            count += s.request.method == method && s.request.target == target;
        return count;
    };
    struct Pair {
        const char *key;
        QString said;
        QByteArray method, target;
    };
    const QList<Pair> pairs = {
        {"journal_collection_presses", QStringLiteral("采集页：已按下提交按钮"), "POST", "/collect"},
        {"journal_generation_presses", QStringLiteral("信息页生成页：已按下提交按钮"), "POST", "/generate?form=2"},
        {"journal_collection_opens", QStringLiteral("打开采集页"), "GET", "/collect"},
    };
    QStringList differences;
    for (const Pair &pair : pairs) {
        const int saidCount = int(journal.count(pair.said));
        const int gotCount = received(pair.method, pair.target);
        out(pair.key, QString::number(saidCount));
        if (saidCount != gotCount)
            differences << QStringLiteral("%1 %2 != %3 %4 %5").arg(pair.said).arg(saidCount)
                               .arg(QString::fromLatin1(pair.method), QString::fromLatin1(pair.target)).arg(gotCount);
    }
    out("journal_lines", QString::number(journal.count(QLatin1Char('\n'))));
    out("journal_vs_cms_differences", differences.isEmpty() ? QStringLiteral("none") : differences.join(QStringLiteral("; ")));

    const bool healthy = finished && misses == 0 && offPace == 0 && withoutCollection == 0 && stoppedEarly == 0 && cleanBroken == 0
        && longestStall <= ticksPerCycle && renderBack && settingsBefore == settingsAfter;
    out("verdict", healthy ? QStringLiteral("pass") : QStringLiteral("FAIL"));
    return healthy ? 0 : 1;
}
