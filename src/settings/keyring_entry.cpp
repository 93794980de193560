#include "keyring_entry.h"

#include "base/timer.h"

#include <qt6keychain/keychain.h>

namespace {

// A job lives until it finishes, whatever becomes of the entry: libsecret
// calls back into a job deleted before its answer.
template <typename Job> Job *job(const QString &key)
{
    auto *made = new Job(QStringLiteral("orvo-collector"));
    made->setAutoDelete(true);
    made->setInsecureFallback(false);
    made->setKey(key);
    return made;
}

} // namespace

KeyringEntry::KeyringEntry(const QString &key, TimerFactory &timers, QObject *parent)
    : QObject(parent), m_key(key), m_patience(timers.create(PatienceMs, this))
{
    connect(m_patience, &Timer::timeout, this, [this] {
        m_patience->setEnabled(false);
        if (std::exchange(m_reading, false))
            emit readDone(false, {});
    });
}

void KeyringEntry::read()
{
    m_reading = true;
    m_patience->setEnabled(true);
    auto *read = job<QKeychain::ReadPasswordJob>(m_key);
    connect(read, &QKeychain::Job::finished, this, [this, read] {
        if (!std::exchange(m_reading, false))
            return; // answered too late
        m_patience->setEnabled(false);
        const bool answered = read->error() == QKeychain::NoError || read->error() == QKeychain::EntryNotFound;
        emit readDone(answered, read->binaryData());
    });
    read->start();
}

void KeyringEntry::write(const QByteArray &secret)
{
    auto *write = job<QKeychain::WritePasswordJob>(m_key);
    write->setBinaryData(secret);
    connect(write, &QKeychain::Job::finished, this, [this, write] {
        emit written(write->error() == QKeychain::NoError ? QString() : write->errorString());
    });
    write->start();
}

void KeyringEntry::remove()
{
    job<QKeychain::DeletePasswordJob>(m_key)->start();
}
