#pragma once

#include <QObject>

class Timer;
class TimerFactory;

// One secret of the tool's in the desktop's keyring (the Secret Service,
// through QtKeychain, never its fall-back that writes through QSettings).
// A read that gives an error other than "not found", or none within 10 s,
// is no answer: no keyring runs, or it is still locked.
class KeyringEntry : public QObject {
    Q_OBJECT
public:
    static constexpr int PatienceMs = 10000;

    KeyringEntry(const QString &key, TimerFactory &timers, QObject *parent = nullptr);

    // read() answers once through `read`.
    void read();
    void write(const QByteArray &secret);
    void remove();

signals:
    // `answered`: the keyring answered; `secret` is empty where it holds none.
    void readDone(bool answered, const QByteArray &secret);
    // Empty `failure`: written.
    void written(const QString &failure);

private:
    const QString m_key;
    Timer *const m_patience;
    bool m_reading = false;
};
