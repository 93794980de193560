// A set of sites on virtual time, over browsers that load nothing: what
// sites.txt runs, how few pages load at once, and when a page rests.

#include "automation/stage_machine.h"
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
    // Six sites of a minute each, two slots: their cycles cannot all run
    // when due, but they all run.
    const QStringList names{"a", "b", "c", "d", "e", "f"};
    SetOnVirtualTime set(names, "a\nb\nc\nd\ne\nf\n", 2);
    QCOMPARE(set.set.load(), QString());
    int mostWorking = 0;
    for (FakeBrowser *browser : std::as_const(set.browsers)) {
        connect(browser, &FakeBrowser::pageLoaded, this, [&] {
            int working = 0;
            for (const SiteSet::Site &site : set.set.sites())
                working += site.page->working() ? 1 : 0;
            mostWorking = qMax(mostWorking, working);
        });
        set.run(set.browsers.key(browser))->setCycleLength(1);
    }
    set.set.startAll();
    // Spread over the first minute, 10 s apart.
    set.clock.advance(59000);
    QCOMPARE(set.collections("a"), QList<qint64>{0});
    QCOMPARE(set.collections("b"), QList<qint64>{10});
    set.clock.advance(30 * 60000);
    QCOMPARE(mostWorking, 2);
    for (const QString &name : names) {
        QVERIFY2(set.collections(name).size() >= 6, qPrintable(name));
        QVERIFY(occurrencesIn(set.path(name + "/run-journal.txt"), "等待其他站点的页面载入，晚了") > 0);
    }
}

void TestSiteSet::aSiteDelayedByASlotKeepsItsOwnRhythm()
{
    SetOnVirtualTime set({"a", "b"}, "a\nb\n", 1);
    QCOMPARE(set.set.load(), QString());
    set.run("a")->setCycleLength(10);
    set.run("b")->setCycleLength(2);
    set.run("a")->startCycle();
    set.clock.advance(10000);
    set.run("b")->startCycle(); // a holds the one slot until its home page: 83 s
    set.clock.advance(12 * 60000);
    QCOMPARE(set.collections("b"), (QList<qint64>{83, 285, 405, 525, 645}));
    QCOMPARE(occurrencesIn(set.path("b/run-journal.txt"), "等待其他站点的页面载入，晚了 73 秒"), 1);
    QCOMPARE(set.collections("a"), (QList<qint64>{0, 728})); // due at 682, while b had the slot
}

void TestSiteSet::aPageRestsOnlyWhenNothingNeedsIt()
{
    SetOnVirtualTime set({"a", "b"}, "a\nb\n");
    QCOMPARE(set.set.load(), QString());
    FakeBrowser &page = *set.browsers["a"];
    QVERIFY(page.resting);
    set.run("a")->startCycle();
    QVERIFY(!page.resting);
    // The generation page's POST is still in flight as the home page ends.
    set.clock.advance(82000);
    page.loadingNow = true;
    set.clock.advance(1000);
    QCOMPARE(page.calls.last().what, QString("http://a/home"));
    QVERIFY(!page.resting);
    page.endLoading();
    QVERIFY(page.resting);
    // Looked at, it wakes and stays awake through its cycle's end.
    set.set.setLookedAt(0);
    QVERIFY(!page.resting);
    set.clock.advance(5 * 60000);
    QVERIFY(!page.resting);
    set.set.setLookedAt(1);
    QVERIFY(page.resting);
    // A box waiting for the person keeps it awake.
    emit page.personAwaited({PersonWait::SitePassword, "a"});
    set.clock.advance(5 * 60000);
    QVERIFY(!page.resting);
}

QTEST_MAIN(TestSiteSet)
#include "tst_site_set.moc"
