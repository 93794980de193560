#include "http_test_server.h"
#include "update/module1.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <memory>

namespace {

struct Result {
    int calls = 0;
    QString text;
};

std::shared_ptr<Result> fetch(QNetworkAccessManager &network, const QUrl &url, QObject *receiver,
                              int timeoutMs = HttpTextTimeoutMs)
{
    auto result = std::make_shared<Result>();
    GetHttpText(network, url, receiver, [result](const QString &text) {
        ++result->calls;
        result->text = text;
    }, timeoutMs);
    return result;
}

bool noRepliesLeft(const QNetworkAccessManager &network)
{
    return network.findChildren<QNetworkReply *>().isEmpty();
}

} // namespace

class TestHttpText : public QObject {
    Q_OBJECT
private slots:
    void bytesToText_data();
    void bytesToText();
    void fetchesText_data();
    void fetchesText();
    void followsRedirect();
    void unreachablePortGivesEmptyText();
    void silentServerTimesOutWhileTimersRun();
    void dropsResultForGoneReceiver();
};

void TestHttpText::bytesToText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("GB2312") << QByteArray("\xD6\xD0\xCE\xC4\xB0\xE6") << QStringLiteral("中文版");
    QTest::newRow("ASCII lines") << QByteArray("8.9\r\nx\n") << QStringLiteral("8.9\r\nx\n");
    QTest::newRow("empty") << QByteArray() << QString();
    // What a UTF-8 byte-order mark turns into; the update check relies on it.
    QTest::newRow("UTF-8 mark before ASCII") << QByteArray("\xEF\xBB\xBF" "8.9")
                                            << QStringLiteral("\u9518\uFFFD" "8.9");
}

void TestHttpText::bytesToText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(BytesToText(bytes), text);
}

void TestHttpText::fetchesText_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("cutMidBody");
    QTest::addColumn<QString>("text");

    QTest::newRow("GB2312 lines") << 200 << QByteArray("\xD6\xD0\xCE\xC4\r\n8.9\r\n") << false
                                  << QStringLiteral("中文\r\n8.9\r\n");
    QTest::newRow("LF lines") << 200 << QByteArray("9.0\nsecond\n") << false
                              << QStringLiteral("9.0\nsecond\n");
    QTest::newRow("201 with body") << 201 << QByteArray("8.9") << false << QStringLiteral("8.9");
    QTest::newRow("empty body") << 200 << QByteArray() << false << QString();
    QTest::newRow("404 with body") << 404 << QByteArray("<html>Not Found 9.0</html>") << false << QString();
    QTest::newRow("500 with body") << 500 << QByteArray("<html>Server Error 9.0</html>") << false << QString();
    QTest::newRow("300 without location") << 300 << QByteArray("9.0") << false << QString();
    QTest::newRow("cut mid-body") << 200 << QByteArray(4000, 'x') << true << QString();
    QTest::newRow("64 KiB, the most taken") << 200 << QByteArray(64 * 1024, 'a') << false
                                            << QString(64 * 1024, QLatin1Char('a'));
    QTest::newRow("one byte over 64 KiB") << 200 << QByteArray(64 * 1024 + 1, 'a') << false << QString();
    QTest::newRow("100 KiB") << 200 << QByteArray(100 * 1024, 'a') << false << QString();
}

void TestHttpText::fetchesText()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, cutMidBody);
    QFETCH(QString, text);

    HttpTestServer server([&](const HttpRequest &) {
        HttpResponse response = HttpResponse::html(body, status);
        if (cutMidBody)
            response.delivery = HttpResponse::Delivery::CutMidBody;
        return response;
    });
    QVERIFY(server.listen());
    QNetworkAccessManager network;
    QObject receiver;

    const auto result = fetch(network, server.url(QStringLiteral("/rodeza.txt")), &receiver);
    QCOMPARE(result->calls, 0); // nothing is waited for inside the call

    QTRY_COMPARE_WITH_TIMEOUT(result->calls, 1, 15000);
    QCOMPARE(result->text, text);

    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(server.requests().first().method, QByteArray("GET"));
    QCOMPARE(server.requests().first().target, QByteArray("/rodeza.txt"));

    // The reply goes away, and the result is not handed over a second time.
    QTRY_VERIFY(noRepliesLeft(network));
    QCOMPARE(result->calls, 1);
}

void TestHttpText::followsRedirect()
{
    HttpTestServer *self = nullptr;
    HttpTestServer server([&self](const HttpRequest &request) {
        if (request.path() == "/new")
            return HttpResponse::html("\xD6\xD0\xCE\xC4\r\n9.0\r\n");
        HttpResponse moved = HttpResponse::redirect(self->url(QStringLiteral("/new")).toEncoded());
        moved.body = "moved elsewhere";
        return moved;
    });
    self = &server;
    QVERIFY(server.listen());
    QNetworkAccessManager network;
    QObject receiver;

    const auto result = fetch(network, server.url(QStringLiteral("/old")), &receiver);
    QTRY_COMPARE_WITH_TIMEOUT(result->calls, 1, 15000);

    QCOMPARE(result->text, QStringLiteral("中文\r\n9.0\r\n"));
    QCOMPARE(server.requests().size(), 2);
    QCOMPARE(server.requests().at(0).target, QByteArray("/old"));
    QCOMPARE(server.requests().at(1).target, QByteArray("/new"));
    QTRY_VERIFY(noRepliesLeft(network));
    QCOMPARE(result->calls, 1);
}

void TestHttpText::unreachablePortGivesEmptyText()
{
    QUrl deadUrl;
    {
        HttpTestServer closed([](const HttpRequest &) { return HttpResponse::html("8.5"); });
        QVERIFY(closed.listen());
        deadUrl = closed.url(QStringLiteral("/rodeza.txt"));
    }
    QNetworkAccessManager network;
    QObject receiver;

    // The full time-out: a refused connection must end the fetch by itself.
    const auto result = fetch(network, deadUrl, &receiver, HttpTextTimeoutMs);
    QCOMPARE(result->calls, 0);
    QTRY_COMPARE_WITH_TIMEOUT(result->calls, 1, HttpTextTimeoutMs / 2);
    QVERIFY(result->text.isEmpty());
    QTRY_VERIFY(noRepliesLeft(network));
    QCOMPARE(result->calls, 1);
}

void TestHttpText::silentServerTimesOutWhileTimersRun()
{
    HttpTestServer server([](const HttpRequest &) {
        HttpResponse response = HttpResponse::html("9.0");
        response.delivery = HttpResponse::Delivery::Hang;
        return response;
    });
    QVERIFY(server.listen());
    QNetworkAccessManager network;
    QObject receiver;

    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(20);
    connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
    ticker.start();

    const auto result = fetch(network, server.url(QStringLiteral("/rodeza.txt")), &receiver, 500);
    QCOMPARE(result->calls, 0);
    QTRY_COMPARE_WITH_TIMEOUT(result->calls, 1, 15000);

    QVERIFY(result->text.isEmpty());
    QCOMPARE(server.requests().size(), 1); // it was asked, and gave no answer
    QVERIFY(ticks > 0);
    QTRY_VERIFY(noRepliesLeft(network));
    QCOMPARE(result->calls, 1);
}

void TestHttpText::dropsResultForGoneReceiver()
{
    HttpTestServer server([](const HttpRequest &) {
        HttpResponse response = HttpResponse::html("9.0");
        response.delayMs = 100;
        return response;
    });
    QVERIFY(server.listen());
    QNetworkAccessManager network;
    auto *receiver = new QObject;

    const auto result = fetch(network, server.url(QStringLiteral("/rodeza.txt")), receiver);
    delete receiver;

    QTRY_COMPARE_WITH_TIMEOUT(server.requests().size(), 1, 15000);
    QTRY_VERIFY_WITH_TIMEOUT(noRepliesLeft(network), 15000);
    QCOMPARE(result->calls, 0);
}

QTEST_GUILESS_MAIN(TestHttpText)
#include "tst_update_http_text.moc"
