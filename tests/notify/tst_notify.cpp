// Alerts to group robots: the requests posted and the reading of their
// answers (the signatures below were made with openssl, not with the code
// under test), and the delivery.

#include "base/run_journal.h"
#include "http_test_server.h"
#include "notify/notifier.h"
#include "notify/robot_message.h"
#include "text_file.h"
#include "virtual_clock.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <QtTest>

using Kind = RobotKind;

// A notifier on virtual time, writing to a journal of its own.
struct Delivery {
    QTemporaryDir folder;
    const QString journalPath = folder.filePath("run-journal.txt");
    RunJournal log{journalPath};
    QNetworkAccessManager network;
    VirtualClock clock;
    Notifier notifier{network, clock, log};
};

class TestNotify : public QObject {
    Q_OBJECT
private slots:
    // The kind comes from notify.ini's name, or from the webhook's host when
    // the name is empty, as it does when the tool sends.
    void requestIsWhatTheRobotTakes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("webhook");
        QTest::addColumn<QString>("secret");
        QTest::addColumn<QByteArray>("url");
        QTest::addColumn<QByteArray>("body");
        const QByteArray text = R"({"msgtype":"text","text":{"content":"【OrvoCMS挂机】掉线"}})";
        QTest::newRow("WeCom webhook changed") << "" << "https://qyapi.weixin.qq.com/cgi-bin/webhook/send?key=K1" << "SECxyz"
            << QByteArray("https://qyapi.weixin.qq.com/cgi-bin/webhook/send?key=K1") << text;
        QTest::newRow("name lost to the host, or signed without a secret") << "dingtalk" << "https://ding.example.com/send?access_token=T1" << ""
            << QByteArray("https://ding.example.com/send?access_token=T1") << text;
        QTest::newRow("DingTalk sign with + / = left bare, token lost, or in seconds") << "" << "https://oapi.dingtalk.com/robot/send?access_token=T1" << "SECxyz"
            << QByteArray("https://oapi.dingtalk.com/robot/send?access_token=T1&timestamp=1700000002000&sign=cm81%2Bd5kiTXFDkBhL2fR8027HXwSz%2BX5Qsh%2Fb%2Br%2FfvY%3D") << text;
        QTest::newRow("Lark unknown, or Feishu keyed by the secret or in milliseconds") << "" << "https://open.larksuite.com/open-apis/bot/v2/hook/H1" << "SECxyz"
            << QByteArray("https://open.larksuite.com/open-apis/bot/v2/hook/H1")
            << QByteArray(R"({"msg_type":"text","content":{"text":"【OrvoCMS挂机】掉线"},"timestamp":"1700000002","sign":"vgs9lWqSr9UmnDHrv8vm7uHlljhybvjYE+7EUc9se5k="})");
        QTest::newRow("Json time without its offset") << "" << "https://hooks.example.com/a?b=c%2Bd" << "SECxyz" << QByteArray("https://hooks.example.com/a?b=c%2Bd")
            << QByteArray(R"({"event":"outage","site":"cms.example.com","machine":"pc-7","text":"【OrvoCMS挂机】掉线","time":"2023-11-15T06:13:22+08:00"})");
    }

    void requestIsWhatTheRobotTakes()
    {
        QFETCH(QString, name);
        QFETCH(QString, webhook);
        QFETCH(QString, secret);
        QFETCH(QByteArray, url);
        QFETCH(QByteArray, body);
        const QUrl hook = QUrl::fromEncoded(webhook.toLatin1());
        QVERIFY(!robotKindNamed(QStringLiteral("slack")));
        const std::optional<Kind> kind = robotKindNamed(name);
        QVERIFY(kind);
        const Robot::Message message{QStringLiteral("outage"), QStringLiteral("cms.example.com"), QStringLiteral("pc-7"),
                                     QStringLiteral("【OrvoCMS挂机】掉线"), QDateTime::fromString(QStringLiteral("2023-11-15T06:13:22+08:00"), Qt::ISODate)};
        const Robot::Request request = Robot::compose(robotKindFor(*kind, hook), hook, secret, message);
        QCOMPARE(request.url.toEncoded(), url);
        QCOMPARE(QJsonDocument::fromJson(request.body), QJsonDocument::fromJson(body));
    }

    void onlyATakenMessageCountsAsSent_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("failure");
        QTest::newRow("WeCom taken") << Kind::WeCom << 200 << QByteArray(R"({"errcode":0,"errmsg":"ok"})") << "";
        QTest::newRow("DingTalk error code") << Kind::DingTalk << 200 << QByteArray(R"({"errcode":310000,"errmsg":"sign not match"})") << "机器人返回错误 310000：sign not match";
        QTest::newRow("DingTalk answer no JSON") << Kind::DingTalk << 200 << QByteArray("<html>ok</html>") << "机器人的回答无法识别";
        QTest::newRow("Feishu taken, code") << Kind::Feishu << 200 << QByteArray(R"({"code":0,"msg":"success"})") << "";
        QTest::newRow("Feishu taken, StatusCode") << Kind::Feishu << 200 << QByteArray(R"({"StatusCode":0})") << "";
        QTest::newRow("Feishu error code") << Kind::Feishu << 200 << QByteArray(R"({"code":19021,"msg":"sign match fail"})") << "机器人返回错误 19021：sign match fail";
        QTest::newRow("Feishu HTTP error") << Kind::Feishu << 400 << QByteArray(R"({"code":9499,"msg":"Bad Request"})") << "HTTP 400：Bad Request";
        QTest::newRow("Json 204 taken") << Kind::Json << 204 << QByteArray() << "";
        QTest::newRow("Json 500") << Kind::Json << 500 << QByteArray("oops") << "HTTP 500";
    }

    void onlyATakenMessageCountsAsSent()
    {
        QFETCH(Kind, kind);
        QFETCH(int, status);
        QFETCH(QByteArray, answer);
        QFETCH(QString, failure);
        QCOMPARE(Robot::failureIn(kind, status, answer), failure);
    }

    // Delivery to a robot on 127.0.0.1: in order, tried again after 1, 5 and
    // 15 minutes on virtual time, then given up, at most 20 waiting, and the
    // robot's key never written down.
    void deliveryKeepsOrderRetriesAndGivesUp_data()
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
        QTest::newRow("a redirect is no delivery, and is tried again")
            << QList<int>{302} << 1 << QStringList{"m1", "m1"} << QList<int>{0, 1} << QStringList{"HTTP 302，1 分钟后重试"};
        QTest::newRow("a later message waits behind a retry")
            << QList<int>{500} << 2 << QStringList{"m1", "m1", "m2"} << QList<int>{0, 1, 1} << QStringList{"（m2）"};
        QTest::newRow("of 23 waiting the oldest go, counted in the next")
            << QList<int>{500} << 23 << QStringList{"m1", "m1 另有 3 条"} + m5to23 << QList<int>{0} + QList<int>(20, 1) << QStringList{"（m23）"};
    }

    void deliveryKeepsOrderRetriesAndGivesUp()
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
            const int status = statuses.isEmpty() ? 200 : statuses.takeFirst();
            return status == 302 ? HttpResponse::redirect("/moved") : HttpResponse::html("{}", status);
        });
        QVERIFY(robot.listen());
        Delivery delivery;
        const QString &journalPath = delivery.journalPath;
        VirtualClock &clock = delivery.clock;
        Notifier &notifier = delivery.notifier;
        notifier.setSettings({robot.url("/hook?key=K3Y"), {}, RobotKind::Json, {}});
        for (int i = 1; i <= messages; ++i)
            notifier.send(QStringLiteral("m%1").arg(i), "cms.example", "text");
        // Each answer is written down before the clock moves on.
        for (int k = 0, now = 0; k < minutes.size(); now = minutes.at(k++)) {
            const qint64 due = (minutes.at(k) - now) * 60000;
            if (due > 0) { // nothing comes a second before its minute
                clock.advance(due - 1000);
                QTRY_VERIFY(delivery.network.findChildren<QNetworkReply *>().isEmpty());
                QCOMPARE(got.size(), k);
            }
            clock.advance(qMin<qint64>(due, 1000));
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

    // Saved settings are tried at once, not after the retry the old ones
    // scheduled; what is still waiting at quit is counted as not sent.
    void savedSettingsSendAtOnceAndQuitCountsWhatIsLeft()
    {
        int posts = 0;
        HttpTestServer robot([&posts](const HttpRequest &) { return HttpResponse::html("{}", ++posts == 1 ? 500 : 503); });
        QVERIFY(robot.listen());
        Delivery delivery;
        const QString &journalPath = delivery.journalPath;
        Notifier &notifier = delivery.notifier;
        const NotifySettings settings{robot.url("/hook"), {}, RobotKind::Json, {}};
        notifier.setSettings(settings);
        notifier.send("m1", "cms.example", "text");
        QTRY_COMPARE(occurrencesIn(journalPath, "1 分钟后重试"), 1);
        notifier.setSettings(settings);
        QTRY_COMPARE(posts, 2);
        bool done = false;
        notifier.sendLast("quit", "cms.example", "text", 60000, [&done] { done = true; });
        QTRY_VERIFY(done);
        QCOMPARE(occurrencesIn(journalPath, "退出时还有 1 条通知未发送"), 1);
    }
};

QTEST_GUILESS_MAIN(TestNotify)
#include "tst_notify.moc"
