#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrl>
#include <optional>

// The requests that post an alert to a group robot, and the reading of the
// robot's answer. Nothing here touches the network.
namespace Robot {

enum class Kind { WeCom, DingTalk, Feishu, Json };

// The kind named in notify.ini: "wecom", "dingtalk", "feishu" or "json".
// An empty name means: from the webhook's host (qyapi.weixin.qq.com: WeCom;
// oapi.dingtalk.com: DingTalk; open.feishu.cn or open.larksuite.com: Feishu;
// any other host: Json). Any other name: std::nullopt.
std::optional<Kind> kindFor(const QString &name, const QUrl &webhook);

struct Message {
    QString event;   // login_lost, outage, waiting, recovered, stopped, started, quit or test
    QString site;    // the CMS's host
    QString machine; // this machine's name
    QString text;    // what is shown in the group; already begins with 【OrvoCMS挂机】
    QDateTime time;  // when it happened; also the signature's timestamp
};

// One POST with a JSON body (Content-Type application/json).
struct Request {
    QUrl url;
    QByteArray body;
};

Request compose(Kind kind, const QUrl &webhook, const QString &secret, const Message &message);

// Empty when the robot took the message; otherwise why not, in Chinese words
// with the HTTP status and the robot's own error code and text.
QString failureIn(Kind kind, int httpStatus, const QByteArray &answer);

} // namespace Robot
