#pragma once

#include <QHash>
#include <QObject>
#include <optional>

class KeyringEntry;
class Keyring;

// The answers to sites' requests for a user name and password (HTTP
// authentication) that the person asked to remember, by host, port and
// realm (scheme, host, port and realm), in one keyring entry per folder. Where no keyring answers, none is
// kept.
class SitePasswords : public QObject {
    Q_OBJECT
public:
    struct Answer {
        QString user;
        QString password;
    };

    // `folderKey` names the folder, as its browser profile does.
    SitePasswords(const QString &folderKey, Keyring &keyring, QObject *parent = nullptr);

    // Reads what is kept; loaded() follows once there is an answer.
    void load();
    bool isLoaded() const { return m_loaded; }
    bool keyringAnswers() const { return m_keyringAnswers; }

    // `site`: scheme, host, port and realm, in one string.
    std::optional<Answer> answerFor(const QString &site) const;
    void remember(const QString &site, const Answer &answer);
    void forget(const QString &site);

signals:
    void loaded();
    // What the person asked to remember or to forget did not reach the keyring.
    void notKept(const QString &failure);

private:
    void save();

    KeyringEntry *const m_keyring;
    QHash<QString, Answer> m_answers;
    bool m_loaded = false;
    bool m_keyringAnswers = false;
};
