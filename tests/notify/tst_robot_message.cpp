// The requests posted to group robots and the reading of their answers. The
// signatures below were made with openssl, not with the code under test.

#include "notify/robot_message.h"

#include <QJsonDocument>
#include <QtTest>

using Robot::Kind;

class TestRobotMessage : public QObject {
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
        QVERIFY(!Robot::kindFor(QStringLiteral("slack"), hook));
        const std::optional<Kind> kind = Robot::kindFor(name, hook);
        QVERIFY(kind);
        const Robot::Message message{QStringLiteral("outage"), QStringLiteral("cms.example.com"), QStringLiteral("pc-7"),
                                     QStringLiteral("【OrvoCMS挂机】掉线"), QDateTime::fromString(QStringLiteral("2023-11-15T06:13:22+08:00"), Qt::ISODate)};
        const Robot::Request request = Robot::compose(*kind, hook, secret, message);
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
};

QTEST_GUILESS_MAIN(TestRobotMessage)
#include "tst_robot_message.moc"
