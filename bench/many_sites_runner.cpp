// many-sites-runner: a set of N sites in one window, each against a CMS of
// its own with faults on, the tool's timers sped up, until every site has
// completed its cycles. Prints one "key: value" line per figure, and every
// 100 ms a line "awake <epoch-ms> <pages awake> <loads in flight>" to the
// file given by --timeline, for the CPU while nothing loads.
//
//   many-sites-runner --sites N [--cycles C] [--speedup S] [--cycle-minutes M]
//                     [--slots K] [--timeline FILE]

#include "automation/cycle/cycle_clock.h"
#include "automation/cycle/stage_machine.h"
#include "automation/web_engine/web_engine_browser.h"
#include "automation/web_engine/browser_profile.h"
#include "bench_options.h"
#include "faulty_cms.h"
#include "fake_desktop.h"
#include "fake_tray_icon.h"
#include "main_window/main_window.h"
#include "main_window/site_list_panel.h"
#include "scaled_timer_factory.h"
#include "settings/keyring.h"
#include "settings/remembered_login.h"
#include "settings/settings_file.h"
#include "site_run/run_watch.h"
#include "site_run/site_face.h"
#include "site_run/site_run.h"
#include "site_set/site_page.h"
#include "site_set/site_set.h"
#include "text_file.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEnginePage>

#include <cstdio>
#include <memory>

namespace {

// What one site did, in the tool's seconds.
struct SiteFigures {
    int due = 0;         // cycles begun: the first, and each restart due
    int cycles = 0;      // cycles that reached their home page
    int collections = 0; // collection buttons pressed
    int delayed = 0;     // pages that waited for a slot
    double worstOffset = 0; // from a restart due to its collection page opened
    double dueAt = -1;      // a restart due whose collection page has not opened
    double openedAt = -1;   // the last collection page opened
};

void out(const char *key, const QString &value)
{
    std::printf("%s: %s\n", key, qPrintable(value));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Many sites in one window, against CMSs with faults."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("sites"), QStringLiteral("Sites in the set."), QStringLiteral("N")},
        {QStringLiteral("cycles"), QStringLiteral("Cycles every site completes (default 3)."), QStringLiteral("C")},
        {QStringLiteral("speedup"), QStringLiteral("How much faster the tool's timers run (default 20)."), QStringLiteral("S")},
        {QStringLiteral("cycle-minutes"), QStringLiteral("Cycle length (default 10)."), QStringLiteral("M")},
        {QStringLiteral("slots"), QStringLiteral("Pages that may load at once (default 4)."), QStringLiteral("K")},
        {QStringLiteral("timeline"), QStringLiteral("Where the pages awake go, every 100 ms."), QStringLiteral("FILE")},
    });
    parser.process(app);
    const int sites = int(numberOption(parser, QStringLiteral("sites"), 0, 1, 1000));
    const int cycles = int(numberOption(parser, QStringLiteral("cycles"), 3, 1, 1000));
    const int speedup = int(numberOption(parser, QStringLiteral("speedup"), 20, 1, 1000));
    const int minutes = int(numberOption(parser, QStringLiteral("cycle-minutes"), 10, CycleClock::MinCycleLength, CycleClock::MaxCycleLength));
    const int slotCount = int(numberOption(parser, QStringLiteral("slots"), PageSlots::DefaultCount, 1, 1000));

    QStandardPaths::setTestModeEnabled(true);
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).removeRecursively();

    // Each site: its own CMS with the soak's share of faults, its own
    // addresses and its own login, remembered in its folder.
    QTemporaryDir folder;
    std::vector<std::unique_ptr<FaultyCms>> cms;
    QByteArray list;
    for (int i = 0; i < sites; ++i) {
        FaultyCms::Faults faults;
        faults.errorShare = 0.10;
        faults.hangShare = 0.04;
        faults.hangMs = 100000 / speedup;
        faults.cutShare = 0.03;
        faults.seed = quint32(20240607 + i);
        cms.push_back(std::make_unique<FaultyCms>(faults));
        if (!cms.back()->listen())
            failWith(QStringLiteral("cannot listen on 127.0.0.1"));
        const QString site = folder.filePath(QString::number(i));
        QDir().mkdir(site);
        QStringList addresses;
        for (const char *page : {FakeCms::Login, FakeCms::Collection, FakeCms::Generation, FakeCms::HomePage})
            addresses << cms.back()->address(page);
        if (const QString failure = SettingsFile::appendRecord(site + "/123.txt", AdminAddresses::fromLines(addresses));
            !failure.isEmpty())
            failWith(failure);
        RememberedLogin login{addresses[0], 0, QStringLiteral("username"), QStringLiteral("admin"),
                              QStringLiteral("password"), QStringLiteral("orvo123")};
        login.submitter = QStringLiteral("submit_button");
        login.fieldNames = QStringList{QStringLiteral("nonce"), QStringLiteral("username"), QStringLiteral("password"),
                                       QStringLiteral("submit_button")};
        writeFile(site + "/login.ini", login.toText());
        QFile::setPermissions(site + "/login.ini", QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        list += QByteArray::number(i) + '\n';
    }
    writeFile(folder.filePath(QStringLiteral("sites.txt")), list);

    ScaledTimerFactory timers(speedup);
    Keyring keyring(timers);
    QNetworkAccessManager network;
    QList<WebEngineBrowser *> browsers;
    SiteSet set(folder.path(), [&](const QString &site, QObject *parent) -> Browser * {
        browsers << new WebEngineBrowser(BrowserProfile::nameFor(site), keyring,
                                         WebEngineBrowser::DefaultLoadTimeoutMs / speedup, parent);
        return browsers.last();
    }, timers, keyring, network, slotCount);
    if (const QString error = set.load(); !error.isEmpty())
        failWith(error);

    FakeDesktop desktop;
    FakeTrayIcon tray;
    MainWindow window(folder.path(), *set.sites()[0].face, browsers[0]->view(), desktop, tray);
    auto *panel = new SiteListPanel(set, window, desktop);
    window.addSiteList(panel);
    panel->select(0);
    window.show();

    QElapsedTimer clock;
    clock.start();
    const auto toolSeconds = [&] { return double(clock.elapsed()) * speedup / 1000; };
    QList<SiteFigures> figures(sites);
    int loading = 0;
    // The context of every connection below: it goes before what they count.
    QObject counting;
    for (int i = 0; i < sites; ++i) {
        SiteRun &run = *set.sites()[i].run;
        run.setCycleLength(minutes);
        SiteFigures &site = figures[i];
        QObject::connect(&run.stages(), &StageMachine::pageOpened, &counting, [&site](StageMachine::Page page, const QString &, bool again) {
            site.cycles += page == StageMachine::Page::HomePage && !again;
        });
        QObject::connect(&run.watch(), &RunWatch::collectionPressed, &counting, [&site] { ++site.collections; });
        QObject::connect(set.sites()[i].page, &SitePage::startedLate, &counting, [&site] { ++site.delayed; });
        // The stage machine hears a restart due before this does: a page
        // opened in that same moment was not late.
        QObject::connect(&run.stages().clock(), &CycleClock::cycleDue, &counting, [&site, toolSeconds] {
            ++site.due;
            if (toolSeconds() - site.openedAt > 0.5)
                site.dueAt = toolSeconds();
        });
        QObject::connect(&run.stages(), &StageMachine::pageOpened, &counting, [&site, &loading, toolSeconds](StageMachine::Page page) {
            ++loading;
            if (page != StageMachine::Page::Collection)
                return;
            site.openedAt = toolSeconds();
            if (site.dueAt >= 0)
                site.worstOffset = qMax(site.worstOffset, site.openedAt - std::exchange(site.dueAt, -1));
        });
        QObject::connect(browsers[i], &Browser::pageLoaded, &counting, [&loading] { --loading; });
    }

    QFile timeline(parser.value(QStringLiteral("timeline")));
    if (parser.isSet(QStringLiteral("timeline")) && !timeline.open(QIODevice::WriteOnly))
        failWith(timeline.errorString());
    int mostAwake = 0;
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, &app, [&] {
        int awake = 0;
        // A page that never loaded anything has no renderer yet: it is not counted.
        for (WebEngineBrowser *browser : std::as_const(browsers))
            awake += browser->page()->lifecycleState() == QWebEnginePage::LifecycleState::Active
                && !browser->page()->url().isEmpty();
        mostAwake = qMax(mostAwake, awake);
        if (timeline.isOpen())
            timeline.write(QStringLiteral("awake %1 %2 %3\n").arg(QDateTime::currentMSecsSinceEpoch()).arg(awake).arg(loading).toUtf8());
        bool done = true;
        for (const SiteFigures &site : std::as_const(figures))
            done = done && site.cycles >= cycles;
        // Every site's cycles, after its start spread over the first length,
        // and two lengths more at the most.
        if (done || toolSeconds() > (cycles + 3) * minutes * 60.0)
            QCoreApplication::exit(0); // quit() would close the window, which asks first
    });
    sample.start(100);
    set.startAll();
    app.exec();

    out("sites", QString::number(sites));
    out("cycles_wanted", QString::number(cycles));
    out("speedup", QString::number(speedup));
    out("cycle_minutes", QString::number(minutes));
    out("slots", QString::number(slotCount));
    out("run_s", QString::number(clock.elapsed() / 1000.0, 'f', 1));
    out("pages_awake_max", QString::number(mostAwake));
    int short_ = 0;
    for (int i = 0; i < sites; ++i) {
        const SiteFigures &site = figures[i];
        short_ += site.cycles < cycles;
        // A collection not pressed: the CMS's faults (an error page, a hang,
        // a cut reply, a login ended) as much as the tool's.
        std::printf("site %d: cycles %d, collections missed %d, worst restart offset %.0f s, pages delayed by a slot %d\n",
                    i, site.cycles, qMax(0, site.due + 1 - site.collections), site.worstOffset, site.delayed);
    }
    out("sites_short_of_cycles", QString::number(short_));
    return short_ == 0 ? 0 : 1;
}
