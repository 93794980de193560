#include "login_keeper.h"

#include "base/folder_key.h"
#include "base/timer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <qt6keychain/keychain.h>

#include <unistd.h>

namespace {

const QString Service = QStringLiteral("orvo-collector");

// A job lives until it finishes, whatever becomes of the keeper: libsecret
// calls back into a job deleted before its answer.
template <typename Job> Job *job(const QString &key)
{
    auto *made = new Job(Service);
    made->setAutoDelete(true);
    made->setInsecureFallback(false);
    made->setKey(key);
    return made;
}

} // namespace

LoginKeeper::LoginKeeper(const QString &settingsPath, TimerFactory &timers, QObject *parent)
    : QObject(parent),
      m_key(QStringLiteral("login-") + folderKey(QFileInfo(settingsPath).absolutePath())),
      m_filePath(QFileInfo(settingsPath).absoluteDir().filePath(QStringLiteral("login.ini"))),
      m_patience(timers.create(KeyringPatienceMs, this))
{
    connect(m_patience, &Timer::timeout, this, [this] {
        if (!m_loaded)
            readFile();
    });
}

void LoginKeeper::load()
{
    m_patience->setEnabled(true);
    auto *read = job<QKeychain::ReadPasswordJob>(m_key);
    connect(read, &QKeychain::Job::finished, this, [this, read] {
        if (m_loaded)
            return; // answered too late
        m_keyringAnswers = read->error() == QKeychain::NoError || read->error() == QKeychain::EntryNotFound;
        m_login = RememberedLogin::fromText(read->binaryData());
        if (!m_login)
            return readFile();
        m_place = Place::Keyring;
        m_loaded = true;
        emit loaded();
    });
    read->start();
}

void LoginKeeper::readFile()
{
    m_patience->setEnabled(false);
    QFile file(m_filePath);
    // Never one another user could have written.
    if (QFileInfo(file).ownerId() == ::getuid() && file.open(QIODevice::ReadOnly)) {
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        m_login = RememberedLogin::fromText(file.readAll());
        m_place = m_login ? Place::File : Place::Nowhere;
    }
    m_loaded = true;
    emit loaded();
}

void LoginKeeper::keep(const RememberedLogin &login)
{
    m_login = login;
    if (!m_keyringAnswers) {
        const QString failure = writeFile(login.toText());
        m_place = failure.isEmpty() ? Place::File : m_place;
        return emit changed(failure);
    }
    auto *write = job<QKeychain::WritePasswordJob>(m_key);
    write->setBinaryData(login.toText());
    connect(write, &QKeychain::Job::finished, this, [this, write] {
        const bool written = write->error() == QKeychain::NoError;
        if (written) {
            m_place = Place::Keyring;
            QFile::remove(m_filePath); // an older copy in plain text
        }
        emit changed(written ? QString() : write->errorString());
    });
    write->start();
}

void LoginKeeper::forget()
{
    m_login.reset();
    m_place = Place::Nowhere;
    QFile::remove(m_filePath);
    if (m_keyringAnswers)
        job<QKeychain::DeletePasswordJob>(m_key)->start();
    emit changed();
}

QString LoginKeeper::writeFile(const QByteArray &text) const
{
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    QFile created(m_filePath);
    if (!created.open(QIODevice::NewOnly, ownerOnly) && !created.exists())
        return created.errorString();
    created.close();
    if (!created.setPermissions(ownerOnly))
        return created.errorString();
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) < 0 || !file.commit())
        return file.errorString();
    return {};
}
