#pragma once

#include "remembered_login.h"

#include <QObject>
#include <optional>

class KeyringEntry;
class TimerFactory;

// Keeps the login remembered for one folder (that of its 123.txt): in the
// desktop's keyring (the Secret Service, through QtKeychain, never its
// fall-back that writes through QSettings), under the folder's key; where no
// keyring answers and the person agreed, in login.ini beside 123.txt,
// readable by its owner only.
class LoginKeeper : public QObject {
    Q_OBJECT
public:
    enum class Place { Nowhere, Keyring, File };

    LoginKeeper(const QString &settingsPath, TimerFactory &timers, QObject *parent = nullptr);

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
    // From wherever it is kept.
    void forget();

signals:
    void loaded();
    // What is kept changed: kept, forgotten, or not kept for `failure`.
    void changed(const QString &failure = {});

private:
    void readFile();

    const QString m_filePath;
    KeyringEntry *const m_keyring;
    std::optional<RememberedLogin> m_login;
    std::optional<RememberedLogin> m_writing; // to the keyring
    Place m_place = Place::Nowhere;
    bool m_keyringAnswers = false;
    bool m_loaded = false;
};
