#include "robot_message.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageAuthenticationCode>

namespace {

QByteArray signature(const QByteArray &key, const QByteArray &text)
{
    return QMessageAuthenticationCode::hash(text, key, QCryptographicHash::Sha256).toBase64();
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QJsonObject textMessage(const QString &text)
{
    return {{QStringLiteral("msgtype"), QStringLiteral("text")},
            {QStringLiteral("text"), QJsonObject{{QStringLiteral("content"), text}}}};
}

// DingTalk takes its signature in the query, where a bare '+' would read as a
// space: everything but the unreserved characters goes out percent-encoded.
QUrl signedDingTalkUrl(const QUrl &webhook, const QString &secret, const QDateTime &time)
{
    const QByteArray timestamp = QByteArray::number(time.toMSecsSinceEpoch());
    const QByteArray sign = signature(secret.toUtf8(), timestamp + '\n' + secret.toUtf8());
    QByteArray query = webhook.query(QUrl::FullyEncoded).toLatin1();
    if (!query.isEmpty())
        query += '&';
    query += "timestamp=" + timestamp + "&sign=" + QUrl::toPercentEncoding(QString::fromLatin1(sign));
    QUrl url = webhook;
    url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    return url;
}

// Feishu keys its signature with the timestamp and secret and signs nothing.
QJsonObject feishuMessage(const QString &text, const QString &secret, const QDateTime &time)
{
    QJsonObject message{{QStringLiteral("msg_type"), QStringLiteral("text")},
                        {QStringLiteral("content"), QJsonObject{{QStringLiteral("text"), text}}}};
    if (!secret.isEmpty()) {
        const QString timestamp = QString::number(time.toSecsSinceEpoch());
        message.insert(QStringLiteral("timestamp"), timestamp);
        message.insert(QStringLiteral("sign"),
                       QString::fromLatin1(signature((timestamp + u'\n' + secret).toUtf8(), {})));
    }
    return message;
}

// The first of `texts` the answer holds.
QString firstText(const QJsonObject &answer, const QStringList &texts)
{
    for (const QString &key : texts) {
        const QString text = answer.value(key).toString();
        if (!text.isEmpty())
            return text;
    }
    return QString();
}

// Empty when the first of the `codes` the answer holds is 0, otherwise that
// code with the first of `texts`; nothing when the answer holds no code.
std::optional<QString> robotError(const QJsonObject &answer, const QStringList &codes, const QStringList &texts)
{
    for (const QString &name : codes) {
        const QJsonValue code = answer.value(name);
        if (!code.isDouble())
            continue;
        if (code.toInteger() == 0)
            return QString();
        return QStringLiteral("机器人返回错误 %1：%2").arg(QString::number(code.toInteger()), firstText(answer, texts));
    }
    return std::nullopt;
}

} // namespace

namespace Robot {

Request compose(RobotKind kind, const QUrl &webhook, const QString &secret, const Message &message)
{
    switch (kind) {
    case RobotKind::WeCom:
        return {webhook, compact(textMessage(message.text))};
    case RobotKind::DingTalk:
        return {secret.isEmpty() ? webhook : signedDingTalkUrl(webhook, secret, message.time),
                compact(textMessage(message.text))};
    case RobotKind::Feishu:
        return {webhook, compact(feishuMessage(message.text, secret, message.time))};
    case RobotKind::Json:
    case RobotKind::FromAddress:
        break;
    }
    // The time keeps its own offset, so a local time reads as such, not as UTC.
    const QDateTime time = message.time.toOffsetFromUtc(message.time.offsetFromUtc());
    return {webhook, compact({{QStringLiteral("event"), message.event},
                              {QStringLiteral("site"), message.site},
                              {QStringLiteral("machine"), message.machine},
                              {QStringLiteral("text"), message.text},
                              {QStringLiteral("time"), time.toString(Qt::ISODate)}})};
}

QString failureIn(RobotKind kind, int httpStatus, const QByteArray &answer)
{
    const QJsonObject json = QJsonDocument::fromJson(answer).object();
    if (httpStatus < 200 || httpStatus >= 300) {
        const QString text = firstText(json, {QStringLiteral("errmsg"), QStringLiteral("msg"),
                                                QStringLiteral("StatusMessage")});
        const QString status = QStringLiteral("HTTP %1").arg(httpStatus);
        return text.isEmpty() ? status : QStringLiteral("%1：%2").arg(status, text);
    }
    std::optional<QString> error;
    switch (kind) {
    case RobotKind::WeCom:
    case RobotKind::DingTalk:
        error = robotError(json, {QStringLiteral("errcode")}, {QStringLiteral("errmsg")});
        break;
    case RobotKind::Feishu:
        error = robotError(json, {QStringLiteral("code"), QStringLiteral("StatusCode")},
                           {QStringLiteral("msg"), QStringLiteral("StatusMessage")});
        break;
    case RobotKind::Json:
    case RobotKind::FromAddress:
        return QString();
    }
    return error.value_or(QStringLiteral("机器人的回答无法识别"));
}

} // namespace Robot
