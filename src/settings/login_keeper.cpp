#include "login_keeper.h"

#include "base/folder_key.h"
#include "base/no_link.h"
#include "base/owner_only.h"
#include "keyring_entry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

LoginKeeper::LoginKeeper(const QString &settingsPath, TimerFactory &timers, QObject *parent)
    : QObject(parent),
      m_filePath(QFileInfo(settingsPath).absoluteDir().filePath(QStringLiteral("login.ini"))),
      m_keyring(new KeyringEntry(QStringLiteral("login-") + folderKey(QFileInfo(settingsPath).absolutePath()), timers, this))
{
    connect(m_keyring, &KeyringEntry::readDone, this, [this](bool answered, const QByteArray &secret) {
        m_keyringAnswers = answered;
        m_login = RememberedLogin::fromText(secret);
        if (!m_login)
            return readFile();
        m_place = Place::Keyring;
        m_loaded = true;
        emit loaded();
    });
    connect(m_keyring, &KeyringEntry::written, this, [this](const QString &failure) {
        if (failure.isEmpty()) {
            m_login = std::exchange(m_writing, std::nullopt);
            m_place = Place::Keyring;
            QFile::remove(m_filePath); // an older copy in plain text
        }
        emit changed(failure);
    });
}

void LoginKeeper::load()
{
    m_keyring->read();
}

void LoginKeeper::readFile()
{
    QFile file(m_filePath);
    // Never one another user could have written, nor one behind a link.
    if (linkRefusal(m_filePath).isEmpty() && QFileInfo(file).ownerId() == ::getuid() && file.open(QIODevice::ReadOnly)) {
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        m_login = RememberedLogin::fromText(file.readAll());
        m_place = m_login ? Place::File : Place::Nowhere;
    }
    m_loaded = true;
    emit loaded();
}

void LoginKeeper::keep(const RememberedLogin &login)
{
    if (!m_keyringAnswers) {
        const QString failure = writeOwnerOnlyFile(m_filePath, login.toText());
        if (failure.isEmpty()) {
            m_login = login;
            m_place = Place::File;
        }
        return emit changed(failure);
    }
    m_writing = login;
    m_keyring->write(login.toText());
}

void LoginKeeper::forget()
{
    m_login.reset();
    m_writing.reset();
    m_place = Place::Nowhere;
    QFile::remove(m_filePath);
    if (m_keyringAnswers)
        m_keyring->remove();
    emit changed();
}
