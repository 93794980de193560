#include "robot_kind.h"

namespace {

const std::pair<RobotKind, const char *> Names[] = {
    {RobotKind::FromAddress, ""}, {RobotKind::WeCom, "wecom"}, {RobotKind::DingTalk, "dingtalk"},
    {RobotKind::Feishu, "feishu"}, {RobotKind::Json, "json"}};

} // namespace

std::optional<RobotKind> robotKindNamed(const QString &name)
{
    for (const auto &[kind, text] : Names) {
        if (name == QLatin1String(text))
            return kind;
    }
    return std::nullopt;
}

QString robotKindName(RobotKind kind)
{
    for (const auto &[known, text] : Names) {
        if (known == kind)
            return QLatin1String(text);
    }
    return {};
}

RobotKind robotKindFor(RobotKind kind, const QUrl &webhook)
{
    if (kind != RobotKind::FromAddress)
        return kind;
    const QString host = webhook.host().toLower();
    if (host == QLatin1String("qyapi.weixin.qq.com"))
        return RobotKind::WeCom;
    if (host == QLatin1String("oapi.dingtalk.com"))
        return RobotKind::DingTalk;
    if (host == QLatin1String("open.feishu.cn") || host == QLatin1String("open.larksuite.com"))
        return RobotKind::Feishu;
    return RobotKind::Json;
}
