#pragma once

#include "robot_kind.h"

#include <QString>
#include <QStringList>
#include <QTime>
#include <QUrl>
#include <optional>

// Where alerts go, as kept in notify.ini beside the settings file:
//
//   [webhook]
//   url=...      the group robot's address
//   secret=...   its signing secret, if it has one
//   kind=...     wecom, dingtalk, feishu or json; empty: from the address
//   [heartbeat]
//   url=...      opened after every completed cycle
//   [report]
//   at=08:00     when the day's report goes to the robot; "off": never
struct NotifySettings {
    QUrl webhook;
    QString secret;
    RobotKind kind = RobotKind::FromAddress;
    QUrl heartbeat;
    std::optional<QTime> reportAt = QTime(8, 0);

    static QString pathBeside(const QString &settingsPath);
    // What cannot be used is left out and named in `problems`, a file that
    // cannot be read included; no file means no alerts and no problem.
    static NotifySettings load(const QString &path, QStringList *problems);
    // Why the file could not be written; empty when it was. The file is
    // readable by its owner only before the secret goes into it, and is
    // replaced whole: a crash or a full disk leaves the old one.
    QString save(const QString &path) const;
    // The file exists and its group or others may read its secret.
    static bool readableByOthers(const QString &path);
    // Why the values as typed cannot be used; empty when they can.
    QStringList problems() const;
};
