// The update check: the fetch of the update file, and the offer made when
// its first line names another version.

#include "fake_desktop.h"
#include "http_test_server.h"
#include "update/http_text.h"
#include "update/update_check.h"
#include "virtual_clock.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QtTest>

class TestUpdate : public QObject {
    Q_OBJECT
private slots:
    void fetchHandsOverOnlyAWholeAnswer_data();
    void fetchHandsOverOnlyAWholeAnswer();
    void offerOnlyForAnotherVersionAndOnlyOkOpensThePage_data();
    void offerOnlyForAnotherVersionAndOnlyOkOpensThePage();
};

void TestUpdate::fetchHandsOverOnlyAWholeAnswer_data()
{
    QTest::addColumn<int>("status"); // 0: the server takes the request and says nothing
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("receiverGone");
    QTest::addColumn<QStringList>("handed"); // the texts handed over
    const QByteArray most(64 * 1024, 'a');
    QTest::newRow("64 KiB, the most taken") << 200 << most << false << QStringList{most};
    QTest::newRow("one byte more") << 200 << most + 'a' << false << QStringList{""};
    QTest::newRow("an answer outside 2xx that is no network error") << 300 << QByteArray("9.0") << false << QStringList{""};
    QTest::newRow("no answer within the time-out") << 0 << QByteArray("9.0") << false << QStringList{""};
    QTest::newRow("the receiver gone by the answer") << 200 << QByteArray("9.0") << true << QStringList{};
}

void TestUpdate::fetchHandsOverOnlyAWholeAnswer()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, receiverGone);
    QFETCH(QStringList, handed);
    HttpTestServer server([&](const HttpRequest &) {
        HttpResponse response = HttpResponse::html(body, status);
        if (!status)
            response.deliver = HttpResponse::sendNothing;
        return response;
    });
    QVERIFY(server.listen());
    QNetworkAccessManager network;
    auto receiver = std::make_unique<QObject>();
    QStringList texts;
    fetchText(network, server.url("/rodeza.txt"), receiver.get(), [&texts](const QString &text) { texts << text; }, 500);
    if (receiverGone)
        receiver.reset();
    QTRY_VERIFY_WITH_TIMEOUT(network.findChildren<QNetworkReply *>().isEmpty(), 10000);
    QCOMPARE(texts, handed);
}

void TestUpdate::offerOnlyForAnotherVersionAndOnlyOkOpensThePage_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("ok"); // the answer to the offer
    QTest::addColumn<QString>("offer"); // empty: none made
    QTest::addColumn<QList<QUrl>>("opened");
    const QList<QUrl> page{QUrl("http://www.product.test/orvo/")};
    QTest::newRow("this version") << QByteArray("8.9\r\n9.0\r\n") << true << "" << QList<QUrl>{};
    QTest::newRow("this version after a UTF-8 byte-order mark, with white space")
        << QByteArray("\xEF\xBB\xBF" "8.9 \r\n") << true << "" << QList<QUrl>{};
    QTest::newRow("another version, LF, OK") << QByteArray("9.0\n8.9\n") << true << "最新版本9.0，是否更新？" << page;
    QTest::newRow("another version, Cancel") << QByteArray("9.0\r\n") << false << "最新版本9.0，是否更新？" << QList<QUrl>{};
    QTest::newRow("GB2312") << QByteArray("\xD6\xD0\xCE\xC4\xB0\xE6 9\r\n") << true << "最新版本中文版 9，是否更新？" << page;
}

void TestUpdate::offerOnlyForAnotherVersionAndOnlyOkOpensThePage()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, ok);
    QFETCH(QString, offer);
    QFETCH(QList<QUrl>, opened);
    HttpTestServer server([&file](const HttpRequest &) { return HttpResponse::html(file); });
    QVERIFY(server.listen());
    VirtualClock clock;
    QNetworkAccessManager network;
    FakeDesktop desktop;
    UpdateCheck check(clock, network, desktop, server.url("/rodeza.txt").toString(), "http://www.product.test/orvo");
    QSignalSpy finished(&check, &UpdateCheck::checkFinished);
    clock.advance(1000);
    QVERIFY(finished.wait(10000));
    QCOMPARE(desktop.boxes.size(), offer.isEmpty() ? 0 : 1);
    if (!offer.isEmpty()) {
        QCOMPARE(desktop.boxes[0].text, offer);
        desktop.boxes[0].answer(ok);
    }
    QCOMPARE(desktop.opened, opened);
}

QTEST_GUILESS_MAIN(TestUpdate)
#include "tst_update.moc"
