#include "accepted_certificates.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace {

QString siteOf(const QString &host, int port)
{
    return host + QLatin1Char(':') + QString::number(port);
}

} // namespace

AcceptedCertificates::AcceptedCertificates(const QString &path) : m_path(path)
{
    QFile file(path);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        m_readFailure = file.errorString();
        return;
    }
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

bool AcceptedCertificates::contains(const QString &host, int port, const QString &fingerprint) const
{
    const QString withFingerprint = QLatin1Char(' ') + fingerprint;
    return m_entries.contains(siteOf(host, port) + withFingerprint) || m_entries.contains(host + withFingerprint);
}

bool AcceptedCertificates::knows(const QString &host, int port) const
{
    const QString site = siteOf(host, port) + QLatin1Char(' ');
    const QString hostAlone = host + QLatin1Char(' ');
    return std::any_of(m_entries.cbegin(), m_entries.cend(), [&](const QString &line) {
        return line.startsWith(site) || line.startsWith(hostAlone);
    });
}

QString AcceptedCertificates::remember(const QString &host, int port, const QString &fingerprint)
{
    const QString entry = siteOf(host, port) + QLatin1Char(' ') + fingerprint;
    m_entries.insert(entry);
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QFile file(m_path);
    if (!file.open(QIODevice::Append | QIODevice::Text) || file.write((entry + QLatin1Char('\n')).toUtf8()) < 0
        || !file.flush())
        return file.errorString();
    return {};
}
