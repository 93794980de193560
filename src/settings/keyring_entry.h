#pragma once

#include <QObject>

class Keyring;

// One secret of the tool's in the desktop's keyring (the Secret Service,
// through QtKeychain, never its fall-back that writes through QSettings).
// A read that gives an error other than "not found", or none within the
// keyring's patience, is no answer: no keyring runs, or it is still locked.
class KeyringEntry : public QObject {
    Q_OBJECT
public:
    KeyringEntry(const QString &key, Keyring &keyring, QObject *parent = nullptr);

    // read() answers once through `read`.
    void read();
    void write(const QByteArray &secret);
    void remove();

signals:
    // `answered`: the keyring answered; `secret` is empty where it holds none.
    void readDone(bool answered, const QByteArray &secret);
    // Empty `failure`: written; removed (or there was none).
    void written(const QString &failure);
    void removed(const QString &failure);

private:
    const QString m_key;
    Keyring &m_keyring;
    bool m_reading = false;
};
