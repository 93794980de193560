// Delivery to the group robot: in order, tried again after 1, 5 and 15
// minutes, then given up, at most 20 waiting, and the robot's key never
// written down. The robot is a real HTTP server; the retries run on virtual
// time.

#include "automation/run_journal.h"
#include "http_test_server.h"
#include "notify/notifier.h"
#include "text_file.h"
#include "virtual_clock.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <QtTest>

class TestNotifier : public QObject {
    Q_OBJECT
private slots:
    void deliveryKeepsOrderRetriesAndGivesUp_data();
    void deliveryKeepsOrderRetriesAndGivesUp();
};

void TestNotifier::deliveryKeepsOrderRetriesAndGivesUp_data()
{
    QTest::addColumn<QList<int>>("statuses"); // the robot's first answers; 200 after them
    QTest::addColumn<int>("messages");        // m1, m2, ... sent at once
    QTest::addColumn<QStringList>("received"); // as the robot got them, in order
    QTest::addColumn<QList<int>>("minutes");   // when it got each
    QTest::addColumn<QStringList>("journal");  // what the journal says, among other things
    QStringList m5to23;
    for (int i = 5; i <= 23; ++i)
        m5to23 << QStringLiteral("m%1").arg(i);
    QTest::newRow("refused, then taken a minute later")
        << QList<int>{500} << 1 << QStringList{"m1", "m1"} << QList<int>{0, 1} << QStringList{"1 分钟后重试", "通知已发送（m1）"};
    QTest::newRow("given up after 1, 5 and 15 minutes") << QList<int>{500, 502, 503, 500} << 1 << QStringList(4, "m1")
                                                       << QList<int>{0, 1, 6, 21}
        << QStringList{"5 分钟后重试", "15 分钟后重试", "通知已放弃（m1）到 127.0.0.1：HTTP 500"};
    QTest::newRow("a later message waits behind a retry")
        << QList<int>{500} << 2 << QStringList{"m1", "m1", "m2"} << QList<int>{0, 1, 1} << QStringList{"（m2）"};
    QTest::newRow("of 23 waiting the oldest go, counted in the next")
        << QList<int>{500} << 23 << QStringList{"m1", "m1 另有 3 条"} + m5to23 << QList<int>{0} + QList<int>(20, 1) << QStringList{"（m23）"};
}

void TestNotifier::deliveryKeepsOrderRetriesAndGivesUp()
{
    QFETCH(QList<int>, statuses);
    QFETCH(int, messages);
    QFETCH(QStringList, received);
    QFETCH(QList<int>, minutes);
    QFETCH(QStringList, journal);
    QStringList got;
    HttpTestServer robot([&](const HttpRequest &request) {
        const QJsonObject message = QJsonDocument::fromJson(request.body).object();
        const QString text = message.value("text").toString();
        got << message.value("event").toString() + (text.contains("另有") ? " 另有 " + text.section("另有 ", 1).left(1) + " 条" : "");
        return HttpResponse::html("{}", statuses.isEmpty() ? 200 : statuses.takeFirst());
    });
    QVERIFY(robot.listen());
    QTemporaryDir folder;
    const QString journalPath = folder.filePath("run-journal.txt");
    RunJournal log(journalPath);
    QNetworkAccessManager network;
    VirtualClock clock;
    Notifier notifier(network, clock, log);
    notifier.setSettings({robot.url("/hook?key=K3Y"), {}, "json", {}});
    for (int i = 1; i <= messages; ++i)
        notifier.send(QStringLiteral("m%1").arg(i), "cms.example", "text");
    // Each answer is written down before the clock moves on.
    for (int k = 0, now = 0; k < minutes.size(); now = minutes.at(k++)) {
        clock.advance((minutes.at(k) - now) * 60000);
        if (k + 1 < minutes.size() && minutes.at(k + 1) == minutes.at(k))
            continue;
        QTRY_COMPARE(got.size(), k + 1);
        QTRY_COMPARE(occurrencesIn(journalPath, "通知"), k + 1);
    }
    QCOMPARE(got, received);
    for (const QString &said : journal)
        QVERIFY2(occurrencesIn(journalPath, said) > 0, qPrintable(said));
    QCOMPARE(occurrencesIn(journalPath, "K3Y"), 0);
}

QTEST_GUILESS_MAIN(TestNotifier)
#include "tst_notifier.moc"
