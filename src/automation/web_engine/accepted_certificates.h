#pragma once

#include <QSet>
#include <QString>

// The certificates that a person accepted for sites no authority vouches
// for, each as its host, port and SHA-256 fingerprint. They are kept one to
// a line in a small file, so that the cycle's pages and later runs do not
// ask again. Lines of earlier versions name the host alone; they still count
// for their fingerprint on any port.
class AcceptedCertificates {
public:
    explicit AcceptedCertificates(const QString &path);
    // In the tool's data folder.
    static QString defaultPath();

    QString path() const { return m_path; }
    // Why the file, which exists, could not be read; empty when it was.
    QString readFailure() const { return m_readFailure; }

    bool contains(const QString &host, int port, const QString &fingerprint) const;
    // Whether some certificate of this host and port was accepted before:
    // another one is then what an attacker in the middle would present.
    bool knows(const QString &host, int port) const;
    // Kept in memory for this run even if the file cannot be written; then
    // returns why, else nothing.
    QString remember(const QString &host, int port, const QString &fingerprint);

private:
    const QString m_path;
    QString m_readFailure;
    QSet<QString> m_entries; // "host:port fingerprint", or "host fingerprint" from earlier versions
};
