// A set of sites on virtual time, over browsers that load nothing: what
// sites.txt runs, how few pages load at once, and when a page rests.

#include "automation/cycle/stage_machine.h"
#include "base/single_copy.h"
#include "set_on_virtual_time.h"
#include "site_run/site_run.h"
#include "site_set/site_list_file.h"
#include "site_set/site_page.h"
#include "text_file.h"

#include <QDir>
#include <QtTest>


class TestSiteSet : public QObject {
    Q_OBJECT
private slots:
    void everyListedFolderRunsOnceOrSaysWhy_data();
    void everyListedFolderRunsOnceOrSaysWhy();
    void noMorePagesLoadThanTheSlotsAndEverySiteCompletes();
    void aSiteDelayedByASlotKeepsItsOwnRhythm();
    void aPageRestsOnlyWhenNothingNeedsIt();
};

void TestSiteSet::everyListedFolderRunsOnceOrSaysWhy_data()
{
    QTest::addColumn<QByteArray>("list"); // {set}: the set's folder
    QTest::addColumn<QString>("lockedElsewhere");
    QTest::addColumn<QStringList>("sites"); // folder name: problem
    QTest::newRow("relative and absolute") << QByteArray("a\n{set}/b\n") << "" << QStringList{"a:", "b:"};
    QTest::newRow("comments, blanks and spaces") << QByteArray("# the group\n\n  a  \r\n#b\n") << ""
                                                 << QStringList{"a:"};
    QTest::newRow("a missing folder") << QByteArray("gone\na\n") << "" << QStringList{"gone:文件夹不存在", "a:"};
    QTest::newRow("a folder listed twice") << QByteArray("a\n./a/\nb\n{set}/a\n") << ""
                                           << QStringList{"a:", "a:重复列出，只运行一次", "b:", "a:重复列出，只运行一次"};
    QTest::newRow("a folder another copy runs") << QByteArray("a\nb\n") << "b"
                                                << QStringList{"a:", "b:已在另一个窗口中运行"};
}

void TestSiteSet::everyListedFolderRunsOnceOrSaysWhy()
{
    QFETCH(QByteArray, list);
    QFETCH(QString, lockedElsewhere);
    QFETCH(QStringList, sites);
    SetOnVirtualTime set({"a", "b"}, QByteArray(list).replace("{set}", QDir(QTemporaryDir().path()).path().toUtf8()));
    writeFile(set.path("sites.txt"), list.replace("{set}", set.folder.path().toUtf8()));
    SingleCopy other(QDir(set.path(lockedElsewhere)).canonicalPath());
    if (!lockedElsewhere.isEmpty())
        QCOMPARE(other.claim(), SingleCopy::Claim::Held);

    QCOMPARE(set.set.load(), QString());
    QStringList found;
    for (const SiteSet::Site &site : set.set.sites()) {
        found << QFileInfo(site.folder).fileName() + ':' + site.problem;
        QCOMPARE(site.run != nullptr, site.problem.isEmpty());
        if (!site.problem.isEmpty())
            QVERIFY(occurrencesIn(set.path("run-journal.txt"), site.folder + " 无法运行：" + site.problem) > 0);
    }
    QCOMPARE(found, sites);
}

void TestSiteSet::noMorePagesLoadThanTheSlotsAndEverySiteCompletes()
{
    // Six sites of five minutes whose pages take 10 s to load, one slot:
    // started together they start 50 s apart, and some pages wait.
    const QStringList names{"a", "b", "c", "d", "e", "f"};
    SetOnVirtualTime set(names, "a\nb\nc\nd\ne\nf\n", 1);
    QCOMPARE(set.set.load(), QString());
    int mostInFlight = 0;
    for (FakeBrowser *browser : std::as_const(set.browsers)) {
        browser->setLoadDelay(10000);
        SiteRun *run = set.run(set.browsers.key(browser));
        connect(&run->stages(), &StageMachine::pageOpened, this, [&] {
            int inFlight = 1; // the one about to load
            for (FakeBrowser *each : std::as_const(set.browsers))
                inFlight += each->inFlight;
            mostInFlight = qMax(mostInFlight, inFlight);
        });
        run->setCycleLength(5);
    }
    set.set.startAll();
    set.clock.advance(30 * 60000);
    QCOMPARE(mostInFlight, 1);
    for (const QString &name : names) {
        QVERIFY2(set.collections(name).size() >= 5, qPrintable(name));
        QCOMPARE(set.collections(name).first(), 50 * names.indexOf(name));
    }
    QVERIFY(occurrencesIn(set.path("c/run-journal.txt"), "等待其他站点的页面载入，晚了") > 0);
}

void TestSiteSet::aSiteDelayedByASlotKeepsItsOwnRhythm()
{
    SetOnVirtualTime set({"a", "b"}, "a\nb\n", 1);
    QCOMPARE(set.set.load(), QString());
    set.browsers["a"]->setLoadDelay(30000);
    set.run("a")->setCycleLength(10);
    set.run("b")->setCycleLength(2);
    set.run("a")->startCycle();
    set.clock.advance(10000);
    set.run("b")->startCycle(); // a's collection page loads until 30 s
    set.clock.advance(12 * 60000);
    // b's generation and home pages wait for a's too, 29 s each; its clock
    // runs from the home page asked for at 141.
    QCOMPARE(set.collections("b"), (QList<qint64>{30, 261, 381, 501, 621}));
    QCOMPARE(occurrencesIn(set.path("b/run-journal.txt"), "等待其他站点的页面载入，晚了 20 秒"), 1);
}

void TestSiteSet::aPageRestsOnlyWhenNothingNeedsIt()
{
    SetOnVirtualTime set({"a", "b"}, "a\nb\n");
    QCOMPARE(set.set.load(), QString());
    FakeBrowser &page = *set.browsers["a"];
    QVERIFY(page.resting);
    set.run("a")->startCycle();
    QVERIFY(!page.resting);
    set.clock.advance(83000); // its home page loaded
    QVERIFY(page.resting);
    // The next cycle, from 682 s: the generation page's POST is still in
    // flight as its home page ends at 765 s.
    set.clock.advance(764500 - 83000);
    QVERIFY(!page.resting);
    page.loadingNow = true;
    set.clock.advance(500);
    QCOMPARE(page.calls.last().what, QString("http://a/home"));
    QVERIFY(!page.resting);
    page.endLoading();
    QVERIFY(page.resting);
    // Looked at, it wakes and stays awake through its next cycle's end.
    set.set.setLookedAt(0);
    QVERIFY(!page.resting);
    set.clock.advance(12 * 60000);
    QVERIFY(!page.resting);
    set.set.setLookedAt(1);
    QVERIFY(page.resting);
    // A box waiting for the person keeps it awake as well.
    emit page.personAwaited({PersonWait::SitePassword, "a"});
    set.clock.advance(12 * 60000);
    QVERIFY(!page.resting);
}

QTEST_MAIN(TestSiteSet)
#include "tst_site_set.moc"
