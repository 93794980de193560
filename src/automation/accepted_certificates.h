#pragma once

#include <QSet>
#include <QString>

// The certificates that a person accepted for sites no authority vouches
// for, each as its host and SHA-256 fingerprint. They are kept one to a line
// in a small file, so that the cycle's pages and later runs do not ask again.
class AcceptedCertificates {
public:
    explicit AcceptedCertificates(const QString &path);
    // In the tool's data folder.
    static QString defaultPath();

    bool contains(const QString &host, const QString &fingerprint) const;
    // Whether some certificate of this host was accepted before: another one
    // is then what an attacker in the middle would present.
    bool knowsHost(const QString &host) const;
    // Kept in memory for this run even if the file cannot be written.
    void remember(const QString &host, const QString &fingerprint);

private:
    const QString m_path;
    QSet<QString> m_entries; // "host fingerprint"
};
