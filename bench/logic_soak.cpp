// logic-soak: the stage machine with its cycle clock and countdown, driven
// by a scripted browser on virtual time, for a whole week at each cycle
// length the window offers. Every call the browser gets (each navigation
// and each press, with its time) is compared with the course worked out
// here from the cycle's rules:
//
//   start c: open the collection page; d later (the page is in) press its
//   button; 60 s after the press open the generation page; d later press its
//   second button; 20 s after that open the home page. The first home page
//   starts the cycle clock; from then on the collection restarts every
//   length minutes and the home page is opened again at minutes 9 and 18.
//
// Prints one line per length and exits 1 on any difference.
//
//   logic-soak [--days N] [--load-ms D]

#include "automation/cycle/countdown.h"
#include "automation/cycle/cycle_clock.h"
#include "automation/page_gate.h"
#include "automation/cycle/stage_machine.h"
#include "fake_browser.h"
#include "virtual_clock.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <algorithm>
#include <cstdio>

namespace {

const AdminAddresses Addresses = {QStringLiteral("http://cms.test/login"), QStringLiteral("http://cms.test/collect"),
                                  QStringLiteral("http://cms.test/generate"), QStringLiteral("http://cms.test/homepage")};

struct Call {
    qint64 at;
    int order; // among calls at the same moment
    QString what;
    bool operator<(const Call &other) const { return at != other.at ? at < other.at : order < other.order; }
};

struct Course {
    QList<Call> calls;
    QList<qint64> restartTicks;
    QList<qint64> reopeningTicks;
};

// The course the rules give for `length` minutes over `until` ms.
Course expectedCourse(int length, qint64 until, qint64 load)
{
    Course course;
    int order = 0;
    const auto cycle = [&](qint64 c) {
        course.calls << Call{c, order++, Addresses.collection}
                     << Call{c + load, order++, QStringLiteral("press")}
                     << Call{c + load + 60000, order++, Addresses.generation}
                     << Call{c + 2 * load + 60000, order++, QStringLiteral("press second")}
                     << Call{c + 2 * load + 80000, order++, Addresses.homePage};
    };
    cycle(0);
    const qint64 clockStart = 2 * load + 80000; // the first home page starts the clock
    const qint64 cycleMs = qint64(length) * 60000;
    for (qint64 base = clockStart; base <= until; base += cycleMs) {
        // Minute 9 or 18 that is also the restart's minute comes first.
        for (int minute : {9, 18}) {
            const qint64 at = base + minute * 60000LL;
            if (minute <= length && at <= until) {
                course.calls << Call{at, order++, Addresses.homePage};
                course.reopeningTicks << (at - clockStart) / 1000;
            }
        }
        if (base + cycleMs <= until) {
            cycle(base + cycleMs);
            course.restartTicks << (base + cycleMs - clockStart) / 1000;
        }
    }
    std::stable_sort(course.calls.begin(), course.calls.end());
    course.calls.erase(std::remove_if(course.calls.begin(), course.calls.end(),
                                      [until](const Call &call) { return call.at > until; }),
                       course.calls.end());
    return course;
}

struct Result {
    bool same = false;
    QString firstDifference;
    int restarts = 0;
    int reopenings = 0;
    QString countdownAtRestart; // what the red line says as the second restart comes
};

// The scripted browser, every navigation and press loading its page `load`
// ms later (a press submits a form).
class LoadingBrowser : public FakeBrowser {
public:
    LoadingBrowser(VirtualClock &clock, qint64 load) : FakeBrowser(clock), m_clock(clock), m_load(load) {}
    void navigate(const QString &address) override { FakeBrowser::navigate(address); loadLater(); }
    void pressSubmitButton() override { FakeBrowser::pressSubmitButton(); loadLater(); }
    void pressSecondSubmitButton() override { FakeBrowser::pressSecondSubmitButton(); loadLater(); }

private:
    void loadLater() { m_clock.schedule(m_load, [this] { finishLoad(); }); }
    VirtualClock &m_clock;
    qint64 m_load;
};

Result run(int length, qint64 until, qint64 load)
{
    VirtualClock time;
    LoadingBrowser browser(time, load);
    OpenGate alone;
    StageMachine stages(browser, time, Addresses, alone);
    stages.setCycleLength(length);

    Course actual;
    qint64 clockTicks = 0;
    QString lastCaption;
    Result result;
    QObject::connect(&stages.countdown(), &Countdown::captionChanged, [&](const QString &c) { lastCaption = c; });
    QObject::connect(stages.clock().findChild<Timer *>("cycleClockTick"), &Timer::timeout, [&] { ++clockTicks; });
    // Both are emitted inside a tick, before the counter above sees it.
    QObject::connect(&stages.clock(), &CycleClock::cycleDue, [&] {
        actual.restartTicks << clockTicks + 1;
        if (actual.restartTicks.size() == 2)
            result.countdownAtRestart = lastCaption;
    });
    QObject::connect(&stages.clock(), &CycleClock::homePageDue, [&] { actual.reopeningTicks << clockTicks + 1; });

    stages.startCycle();
    time.advance(until);

    const Course expected = expectedCourse(length, until, load);
    result.restarts = int(actual.restartTicks.size());
    result.reopenings = int(actual.reopeningTicks.size());
    result.same = true;
    const auto differ = [&](const QString &what) {
        if (result.same)
            result.firstDifference = what;
        result.same = false;
    };
    if (actual.restartTicks != expected.restartTicks)
        differ(QStringLiteral("restart ticks: %1 of %2 expected").arg(actual.restartTicks.size()).arg(expected.restartTicks.size()));
    if (actual.reopeningTicks != expected.reopeningTicks)
        differ(QStringLiteral("reopening ticks: %1 of %2 expected").arg(actual.reopeningTicks.size()).arg(expected.reopeningTicks.size()));
    const int calls = int(qMax(browser.calls.size(), expected.calls.size()));
    for (int i = 0; i < calls; ++i) {
        const QString got = i < browser.calls.size()
            ? QStringLiteral("%1 %2").arg(browser.calls.at(i).at).arg(browser.calls.at(i).what) : QStringLiteral("nothing");
        const QString want = i < expected.calls.size()
            ? QStringLiteral("%1 %2").arg(expected.calls.at(i).at).arg(expected.calls.at(i).what) : QStringLiteral("nothing");
        if (got != want) {
            differ(QStringLiteral("call %1: got '%2', expected '%3'").arg(i).arg(got, want));
            break;
        }
    }
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A week of cycles on virtual time at every listed length."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("days"), QStringLiteral("Virtual days per length (default 7)."), QStringLiteral("N")},
        {QStringLiteral("load-ms"), QStringLiteral("How long each page takes to load (default 3000)."), QStringLiteral("D")},
    });
    parser.process(app);
    const qint64 days = parser.isSet(QStringLiteral("days")) ? parser.value(QStringLiteral("days")).toLongLong() : 7;
    const qint64 load = parser.isSet(QStringLiteral("load-ms")) ? parser.value(QStringLiteral("load-ms")).toLongLong() : 3000;
    if (days < 1 || days > 366 || load < 0 || load > 20000) {
        std::fprintf(stderr, "logic-soak: --days 1 to 366, --load-ms 0 to 20000\n");
        return 2;
    }
    const qint64 until = days * 24 * 3600 * 1000;

    bool allSame = true;
    std::printf("length_min restarts reopenings course countdown_at_second_restart\n");
    for (int length : {10, 12, 15, 18, 20, 25, 30, 35}) {
        const Result result = run(length, until, load);
        allSame = allSame && result.same;
        std::printf("%d %d %d %s \"%s\"\n", length, result.restarts, result.reopenings,
                    result.same ? "exact" : qPrintable(QStringLiteral("DIFFERS: ") + result.firstDifference),
                    qPrintable(result.countdownAtRestart));
    }
    std::fflush(stdout);
    return allSame ? 0 : 1;
}
