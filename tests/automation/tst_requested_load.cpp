// Which of the browser's loading reports ends the load the cycle asked for.
// The cycle presses a button on the page that a report announces, so taking
// another load's end for it submits the wrong form, and missing it holds the
// cycle until the load time-out.

#include "automation/web_engine/requested_load.h"

#include <QTest>

using Info = QWebEngineLoadingInfo;

class TestRequestedLoad : public QObject {
    Q_OBJECT
private slots:
    void onlyTheRequestedLoadsEndIsReported_data();
    void onlyTheRequestedLoadsEndIsReported();
};

void TestRequestedLoad::onlyTheRequestedLoadsEndIsReported_data()
{
    // Each event is "request <page>" or "<status> <page>"; `ends` marks, per
    // event, whether it ends the requested load: 1 on the page asked for, 2
    // somewhere else, where nothing may be pressed.
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QString>("ends");
    QTest::newRow("plain load") << QStringList{"request collect", "started collect", "ok collect"} << "001";
    QTest::newRow("previous page ends late")
        << QStringList{"started home", "request collect", "ok home", "started collect", "ok collect"} << "00001";
    QTest::newRow("requested while another loads, no start of its own")
        << QStringList{"request login", "started login", "request collect", "ok collect"} << "0001";
    QTest::newRow("redirected to the login page")
        << QStringList{"request collect", "started collect", "ok login"} << "002";
    QTest::newRow("one script for every page, redirected to its login")
        << QStringList{"request index.php?m=collect", "started index.php?m=collect", "ok index.php?m=login"} << "002";
    QTest::newRow("requested while another loads, redirected without a start of its own")
        << QStringList{"started generate", "request collect", "ok login", "ok generate"} << "0020";
    QTest::newRow("the page asked for, with a query item added")
        << QStringList{"request index.php?m=collect", "started index.php?m=collect", "ok index.php?sid=7&m=collect"}
        << "001";
    QTest::newRow("a slash added") << QStringList{"request admin", "started admin", "ok admin/"} << "001";
    QTest::newRow("failed load") << QStringList{"request collect", "started collect", "failed collect"} << "001";
    QTest::newRow("submission after the press")
        << QStringList{"request collect", "started collect", "ok collect", "started collect", "ok collect"} << "00100";
    QTest::newRow("earlier request stopped by the next")
        << QStringList{"request home", "started home", "request collect", "stopped home", "started collect", "ok collect"}
        << "000001";
    QTest::newRow("login typed by hand") << QStringList{"started login", "ok login"} << "00";
    // A page is named from http://cms.example/ unless it names its own site.
    QTest::newRow("no slash before the query")
        << QStringList{"request http://cms.example?m=collect", "started ?m=collect", "ok ?m=collect"} << "001";
    QTest::newRow("the same path on another host")
        << QStringList{"request collect", "started collect", "ok http://evil.example/collect"} << "002";
    QTest::newRow("the same path on another port")
        << QStringList{"request collect", "started collect", "ok http://cms.example:8080/collect"} << "002";
    QTest::newRow("the host in capitals, its default port written")
        << QStringList{"request collect", "started collect", "ok http://CMS.example:80/collect"} << "001";
    QTest::newRow("www. added")
        << QStringList{"request collect", "started collect", "ok http://www.cms.example/collect"} << "001";
    QTest::newRow("upgraded to https")
        << QStringList{"request collect", "started collect", "ok https://cms.example/collect"} << "001";
    QTest::newRow("downgraded to http")
        << QStringList{"request https://cms.example/collect", "started https://cms.example/collect", "ok collect"} << "002";
}

void TestRequestedLoad::onlyTheRequestedLoadsEndIsReported()
{
    QFETCH(QStringList, events);
    QFETCH(QString, ends);
    const QHash<QString, Info::LoadStatus> statuses = {{"started", Info::LoadStartedStatus},
                                                       {"ok", Info::LoadSucceededStatus},
                                                       {"failed", Info::LoadFailedStatus},
                                                       {"stopped", Info::LoadStoppedStatus}};
    RequestedLoad load;
    QString ended;
    for (const QString &event : events) {
        const QString what = event.section(QLatin1Char(' '), 0, 0);
        const QString page = event.section(QLatin1Char(' '), 1);
        const QUrl url(page.contains(QLatin1String("://")) ? page : QStringLiteral("http://cms.example/") + page);
        if (what == QLatin1String("request")) {
            load.request(url);
            ended += QLatin1Char('0');
        } else {
            ended += !load.endsWith(statuses.value(what), url) ? QLatin1Char('0')
                : load.reached(url)                          ? QLatin1Char('1')
                                                             : QLatin1Char('2');
        }
    }
    QCOMPARE(ended, ends);
}

QTEST_GUILESS_MAIN(TestRequestedLoad)
#include "tst_requested_load.moc"
