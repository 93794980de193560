#include "accepted_certificates.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString entry(const QString &host, const QString &fingerprint)
{
    return host + QLatin1Char(' ') + fingerprint;
}

} // namespace

AcceptedCertificates::AcceptedCertificates(const QString &path) : m_path(path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (!line.isEmpty())
            m_entries.insert(line);
    }
}

QString AcceptedCertificates::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
        + QStringLiteral("/accepted-certificates.txt");
}

bool AcceptedCertificates::contains(const QString &host, const QString &fingerprint) const
{
    return m_entries.contains(entry(host, fingerprint));
}

bool AcceptedCertificates::knowsHost(const QString &host) const
{
    const QString prefix = host + QLatin1Char(' ');
    for (const QString &line : m_entries) {
        if (line.startsWith(prefix))
            return true;
    }
    return false;
}

void AcceptedCertificates::remember(const QString &host, const QString &fingerprint)
{
    m_entries.insert(entry(host, fingerprint));
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QFile file(m_path);
    if (file.open(QIODevice::Append | QIODevice::Text))
        file.write((entry(host, fingerprint) + QLatin1Char('\n')).toUtf8());
}
