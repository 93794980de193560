#pragma once

#include "settings/robot_kind.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrl>

// The requests that post an alert to a group robot, and the reading of the
// robot's answer. Nothing here touches the network.
namespace Robot {

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

// `kind` is the one the message goes out as, never FromAddress.
Request compose(RobotKind kind, const QUrl &webhook, const QString &secret, const Message &message);

// Empty when the robot took the message; otherwise why not, in Chinese words
// with the HTTP status and the robot's own error code and text.
QString failureIn(RobotKind kind, int httpStatus, const QByteArray &answer);

} // namespace Robot
