#pragma once

#include <QString>
#include <QUrl>
#include <optional>

// Which group robot the alerts go to, as notify.ini names it: "wecom",
// "dingtalk", "feishu" or "json"; an empty name means from the webhook's host.
enum class RobotKind { FromAddress, WeCom, DingTalk, Feishu, Json };

// std::nullopt for a name that is none of the above.
std::optional<RobotKind> robotKindNamed(const QString &name);
QString robotKindName(RobotKind kind);

// The kind a message goes out as. FromAddress is told by the host:
// qyapi.weixin.qq.com WeCom; oapi.dingtalk.com DingTalk; open.feishu.cn or
// open.larksuite.com Feishu; any other host Json.
RobotKind robotKindFor(RobotKind kind, const QUrl &webhook);
