#pragma once

#include "remembered_login.h"

#include <QObject>
#include <optional>

class Keyring;
class KeyringEntry;

// Keeps the login remembered for one folder (that of its 123.txt): in the
// desktop's keyring (the Secret Service, through QtKeychain, never its
// fall-back that writes through QSettings), under the folder's key; where no
// keyring answers and the person agreed, in login.ini beside 123.txt,
// readable by its owner only. It is kept in one place at a time: a login.ini
// beside a keyring entry was written after it, while the keyring did not
// answer, and wins; the keyring's copy is then removed.
class LoginKeeper : public QObject {
    Q_OBJECT
public:
    enum class Place { Nowhere, Keyring, File };

    LoginKeeper(const QString &settingsPath, Keyring &keyring, QObject *parent = nullptr);

    QString filePath() const { return m_filePath; }
    // Reads what is kept; loaded() follows once there is an answer.
    void load();
    bool isLoaded() const { return m_loaded; }
    const std::optional<RememberedLogin> &login() const { return m_login; }
    Place place() const { return m_place; }
    // The keyring answered the read, with a login or without one.
    bool keyringAnswers() const { return m_keyringAnswers; }

    // In the keyring where it answers, else in the file; login() is the new
    // one once it is written.
    void keep(const RememberedLogin &login);
    // From wherever it is kept. Until the keyring says its copy is gone,
    // login.ini says the login was forgotten, so that a keyring that answers
    // only at a later start gives nothing back.
    void forget();

signals:
    void loaded();
    // What is kept changed: kept, forgotten, or not kept for `failure`.
    void changed(const QString &failure = {});

private:
    // What login.ini holds; nothing when it is a link, or another user's.
    enum class FileHolds { Nothing, Login, Forgotten };
    FileHolds readFile(std::optional<RememberedLogin> &login) const;
    void loadedFrom(bool keyringAnswered, const std::optional<RememberedLogin> &inKeyring);

    const QString m_filePath;
    KeyringEntry *const m_keyring;
    std::optional<RememberedLogin> m_login;
    std::optional<RememberedLogin> m_writing; // to the keyring
    Place m_place = Place::Nowhere;
    bool m_keyringAnswers = false;
    bool m_loaded = false;
};
