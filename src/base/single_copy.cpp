#include "single_copy.h"

#include "base/folder_key.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

SingleCopy::SingleCopy(const QString &folder, QObject *parent) : QObject(parent)
{
    // The home folder is part of the name: the socket lives in the shared
    // temporary folder, and each user (each test home) runs copies of its own.
    const QString key = folderKey(QDir::homePath() + QLatin1Char('\n') + folder);
    m_name = QStringLiteral("orvo-collector-") + key;
    const QString lockFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(lockFolder);
    m_lock = std::make_unique<QLockFile>(lockFolder + QStringLiteral("/running-") + key + QStringLiteral(".lock"));
    // Only a dead owner makes the lock stale, however long a copy runs.
    m_lock->setStaleLockTime(0);
}

SingleCopy::~SingleCopy() = default; // QLockFile is complete here

SingleCopy::Claim SingleCopy::claim(bool callForward)
{
    if (!m_lock->tryLock(0)) {
        if (m_lock->error() != QLockFile::LockFailedError)
            return Claim::Unlocked; // run rather than never
        if (!callForward)
            return Claim::Taken;
        QLocalSocket socket;
        socket.connectToServer(m_name);
        socket.waitForConnected(2000); // another process answers; nothing of this one's waits on it
        return Claim::Taken;
    }
    // A socket file left by a copy that crashed is ours to replace now.
    QLocalServer::removeServer(m_name);
    m_server = new QLocalServer(this);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection())
            socket->deleteLater();
        emit comeForwardAsked();
    });
    m_server->listen(m_name);
    return Claim::Held;
}
