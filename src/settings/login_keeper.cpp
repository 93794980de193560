#include "login_keeper.h"

#include "base/folder_key.h"
#include "base/no_link.h"
#include "base/owner_only.h"
#include "keyring_entry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace {

// login.ini while the keyring may still hold a forgotten login.
const QByteArray Forgotten = "forgotten=1\n";

} // namespace

LoginKeeper::LoginKeeper(const QString &settingsPath, Keyring &keyring, QObject *parent)
    : QObject(parent),
      m_filePath(QFileInfo(settingsPath).absoluteDir().filePath(QStringLiteral("login.ini"))),
      m_keyring(new KeyringEntry(QStringLiteral("login-") + folderKey(QFileInfo(settingsPath).absolutePath()), keyring, this))
{
    connect(m_keyring, &KeyringEntry::readDone, this, [this](bool answered, const QByteArray &secret) {
        loadedFrom(answered, RememberedLogin::fromText(secret));
    });
    connect(m_keyring, &KeyringEntry::written, this, [this](const QString &failure) {
        if (failure.isEmpty() && m_writing) { // not forgotten meanwhile
            m_login = std::exchange(m_writing, std::nullopt);
            m_place = Place::Keyring;
            QFile::remove(m_filePath); // an older copy in plain text
        }
        emit changed(failure);
    });
    connect(m_keyring, &KeyringEntry::removed, this, [this](const QString &failure) {
        std::optional<RememberedLogin> ignored;
        if (failure.isEmpty() && readFile(ignored) == FileHolds::Forgotten)
            QFile::remove(m_filePath);
    });
}

void LoginKeeper::load()
{
    m_keyring->read();
}

LoginKeeper::FileHolds LoginKeeper::readFile(std::optional<RememberedLogin> &login) const
{
    QFile file(m_filePath);
    // Never one another user could have written, nor one behind a link.
    if (!linkRefusal(m_filePath).isEmpty() || QFileInfo(file).ownerId() != ::getuid() || !file.open(QIODevice::ReadOnly))
        return FileHolds::Nothing;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QByteArray text = file.readAll();
    if (text == Forgotten)
        return FileHolds::Forgotten;
    login = RememberedLogin::fromText(text);
    return login ? FileHolds::Login : FileHolds::Nothing;
}

void LoginKeeper::loadedFrom(bool keyringAnswered, const std::optional<RememberedLogin> &inKeyring)
{
    m_keyringAnswers = keyringAnswered;
    const FileHolds file = readFile(m_login);
    if (file == FileHolds::Nothing)
        m_login = inKeyring;
    else if (keyringAnswered)
        m_keyring->remove(); // older than the file
    m_place = !m_login ? Place::Nowhere : file == FileHolds::Login ? Place::File : Place::Keyring;
    m_loaded = true;
    emit loaded();
}

void LoginKeeper::keep(const RememberedLogin &login)
{
    if (!m_keyringAnswers) {
        const QString failure = writeOwnerOnlyFile(m_filePath, login.toText());
        if (failure.isEmpty()) {
            m_login = login;
            m_place = Place::File; // the keyring's older copy goes once it answers
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
    if (!writeOwnerOnlyFile(m_filePath, Forgotten).isEmpty())
        QFile::remove(m_filePath);
    m_keyring->remove();
    emit changed();
}
