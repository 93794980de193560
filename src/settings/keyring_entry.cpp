#include "keyring_entry.h"

#include "keyring.h"

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

KeyringEntry::KeyringEntry(const QString &key, Keyring &keyring, QObject *parent)
    : QObject(parent), m_key(key), m_keyring(keyring)
{
}

void KeyringEntry::read()
{
    m_reading = true;
    auto *read = job<QKeychain::ReadPasswordJob>(m_key);
    connect(read, &QKeychain::Job::finished, this, [this, read] {
        if (!std::exchange(m_reading, false))
            return; // answered too late
        const bool answered = read->error() == QKeychain::NoError || read->error() == QKeychain::EntryNotFound;
        emit readDone(answered, read->binaryData());
    });
    m_keyring.start(read, this, [this] {
        if (std::exchange(m_reading, false))
            emit readDone(false, {});
    });
}

void KeyringEntry::write(const QByteArray &secret)
{
    auto *write = job<QKeychain::WritePasswordJob>(m_key);
    write->setBinaryData(secret);
    connect(write, &QKeychain::Job::finished, this, [this, write] {
        emit written(write->error() == QKeychain::NoError ? QString() : write->errorString());
    });
    m_keyring.start(write, this, [] {});
}

void KeyringEntry::remove()
{
    auto *remove = job<QKeychain::DeletePasswordJob>(m_key);
    connect(remove, &QKeychain::Job::finished, this, [this, remove] {
        const bool gone = remove->error() == QKeychain::NoError || remove->error() == QKeychain::EntryNotFound;
        emit removed(gone ? QString() : remove->errorString());
    });
    m_keyring.start(remove, this, [] {});
}
