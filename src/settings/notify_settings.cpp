#include "notify_settings.h"

#include "notify/robot_message.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

bool usable(const QUrl &url)
{
    return url.isValid() && (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"))
        && !url.host().isEmpty();
}

bool webhookUsable(const NotifySettings &settings)
{
    return usable(settings.webhook) && Robot::kindFor(settings.kind, settings.webhook);
}

} // namespace

QString NotifySettings::pathBeside(const QString &settingsPath)
{
    return QFileInfo(settingsPath).dir().filePath(QStringLiteral("notify.ini"));
}

QStringList NotifySettings::problems() const
{
    QStringList found;
    if (!webhook.isEmpty() && !usable(webhook))
        found << QStringLiteral("机器人地址无法识别");
    else if (!webhook.isEmpty() && !Robot::kindFor(kind, webhook))
        found << QStringLiteral("未知的机器人类型“%1”").arg(kind);
    if (!heartbeat.isEmpty() && !usable(heartbeat))
        found << QStringLiteral("心跳地址无法识别");
    return found;
}

NotifySettings NotifySettings::load(const QString &path, QStringList *problems)
{
    NotifySettings settings;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return settings;
    QString section;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed();
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')) || equals < 0)
            continue;
        const QString key = section + QLatin1Char('/') + line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("webhook/url"))
            settings.webhook = QUrl(value, QUrl::StrictMode);
        else if (key == QLatin1String("webhook/secret"))
            settings.secret = value;
        else if (key == QLatin1String("webhook/kind"))
            settings.kind = value.toLower();
        else if (key == QLatin1String("heartbeat/url"))
            settings.heartbeat = QUrl(value, QUrl::StrictMode);
    }
    *problems = settings.problems();
    // Only what can be used is kept.
    if (!webhookUsable(settings))
        settings.webhook.clear();
    if (!usable(settings.heartbeat))
        settings.heartbeat.clear();
    return settings;
}

QString NotifySettings::save(const QString &path) const
{
    QFile file(path);
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text, ownerOnly)
        || !file.setPermissions(ownerOnly))
        return file.errorString();
    const QString text = QStringLiteral("[webhook]\nurl=%1\nsecret=%2\nkind=%3\n[heartbeat]\nurl=%4\n")
                             .arg(QString::fromUtf8(webhook.toEncoded()), secret, kind,
                                  QString::fromUtf8(heartbeat.toEncoded()));
    if (file.write(text.toUtf8()) < 0 || !file.flush())
        return file.errorString();
    return {};
}
