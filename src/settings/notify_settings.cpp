#include "notify_settings.h"

#include "base/owner_only.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

bool usable(const QUrl &url)
{
    return url.isValid() && (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"))
        && !url.host().isEmpty();
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
    if (!heartbeat.isEmpty() && !usable(heartbeat))
        found << QStringLiteral("心跳地址无法识别");
    return found;
}

NotifySettings NotifySettings::load(const QString &path, QStringList *problems)
{
    NotifySettings settings;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        // Owned by another user after a run with sudo, say: no alerts, and
        // whoever reads the journal must know why.
        if (file.exists())
            *problems = QStringList{QStringLiteral("无法读取（%1）").arg(file.errorString())};
        return settings;
    }
    QString section;
    QString unknownKind; // a kind named in the file that no robot has
    QString unreadableTime; // the report's
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
        if (key == QLatin1String("webhook/url")) {
            settings.webhook = QUrl(value, QUrl::StrictMode);
        } else if (key == QLatin1String("webhook/secret")) {
            settings.secret = value;
        } else if (key == QLatin1String("webhook/kind")) {
            const std::optional<RobotKind> kind = robotKindNamed(value.toLower());
            settings.kind = kind.value_or(RobotKind::FromAddress);
            unknownKind = kind ? QString() : value.toLower();
        } else if (key == QLatin1String("heartbeat/url")) {
            settings.heartbeat = QUrl(value, QUrl::StrictMode);
        } else if (key == QLatin1String("report/at")) {
            settings.reportAt = value == QLatin1String("off") ? std::nullopt
                                                              : std::optional<QTime>(QTime::fromString(value, QStringLiteral("H:mm")));
            if (settings.reportAt && !settings.reportAt->isValid()) {
                unreadableTime = value;
                settings.reportAt = QTime(8, 0);
            }
        }
    }
    *problems = settings.problems();
    if (usable(settings.webhook) && !unknownKind.isEmpty())
        problems->prepend(QStringLiteral("未知的机器人类型“%1”").arg(unknownKind));
    if (!unreadableTime.isEmpty())
        problems->append(QStringLiteral("每日报告时间“%1”无法识别，按 08:00 发送").arg(unreadableTime));
    // Only what can be used is kept.
    if (!usable(settings.webhook) || !unknownKind.isEmpty())
        settings.webhook.clear();
    if (!usable(settings.heartbeat))
        settings.heartbeat.clear();
    return settings;
}

QString NotifySettings::save(const QString &path) const
{
    const QString text = QStringLiteral("[webhook]\nurl=%1\nsecret=%2\nkind=%3\n[heartbeat]\nurl=%4\n[report]\nat=%5\n")
                             .arg(QString::fromUtf8(webhook.toEncoded()), secret, robotKindName(kind),
                                  QString::fromUtf8(heartbeat.toEncoded()),
                                  reportAt ? reportAt->toString(QStringLiteral("HH:mm")) : QStringLiteral("off"));
    return writeOwnerOnlyFile(path, text.toUtf8());
}

bool NotifySettings::readableByOthers(const QString &path)
{
    const QFileInfo file(path);
    return !file.isSymLink() && file.isFile() && (file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther));
}
