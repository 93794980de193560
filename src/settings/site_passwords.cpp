#include "site_passwords.h"

#include "keyring_entry.h"

#include <QUrl>

SitePasswords::SitePasswords(const QString &folderKey, Keyring &keyring, QObject *parent)
    : QObject(parent), m_keyring(new KeyringEntry(QStringLiteral("site-passwords-") + folderKey, keyring, this))
{
    // One "site user password" per line, each percent-encoded.
    connect(m_keyring, &KeyringEntry::readDone, this, [this](bool answered, const QByteArray &secret) {
        m_keyringAnswers = answered;
        for (const QByteArray &line : secret.split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() == 3)
                m_answers.insert(QUrl::fromPercentEncoding(parts[0]),
                                 {QUrl::fromPercentEncoding(parts[1]), QUrl::fromPercentEncoding(parts[2])});
        }
        m_loaded = true;
        emit loaded();
    });
    for (auto done : {&KeyringEntry::written, &KeyringEntry::removed})
        connect(m_keyring, done, this, [this](const QString &failure) {
            if (!failure.isEmpty())
                emit notKept(failure);
        });
}

void SitePasswords::load()
{
    m_keyring->read();
}

std::optional<SitePasswords::Answer> SitePasswords::answerFor(const QString &site) const
{
    const auto found = m_answers.constFind(site);
    return found == m_answers.cend() ? std::nullopt : std::optional<Answer>(*found);
}

void SitePasswords::remember(const QString &site, const Answer &answer)
{
    m_answers.insert(site, answer);
    save();
}

void SitePasswords::forget(const QString &site)
{
    if (m_answers.remove(site))
        save();
}

void SitePasswords::save()
{
    QByteArray text;
    for (auto it = m_answers.cbegin(); it != m_answers.cend(); ++it)
        text += QUrl::toPercentEncoding(it.key()) + ' ' + QUrl::toPercentEncoding(it->user) + ' '
            + QUrl::toPercentEncoding(it->password) + '\n';
    m_answers.isEmpty() ? m_keyring->remove() : m_keyring->write(text);
}
