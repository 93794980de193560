#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>

namespace QKeychain {
class Job;
}
class Timer;
class TimerFactory;

// The desktop's keyring, one job at a time, for the whole process.
// QtKeychain queues its jobs too, but a wait for an answer must count from
// when the job starts: a keyring unlocked while the first read waits then
// answers the next one in time.
class Keyring : public QObject {
    Q_OBJECT
public:
    static constexpr int PatienceMs = 10000;

    explicit Keyring(TimerFactory &timers, QObject *parent = nullptr);
    ~Keyring() override;

    // Starts `job` once those before it have finished or had their
    // PatienceMs; `overdue` runs if it has not finished by then. Nothing
    // runs, nor is the job started, once `owner` is gone.
    void start(QKeychain::Job *job, QObject *owner, std::function<void()> overdue);

private:
    struct Queued {
        QKeychain::Job *job = nullptr;
        QPointer<QObject> owner;
        std::function<void()> overdue;
    };
    void startNext();
    void endRunning(bool overdue);

    Timer *const m_patience;
    QList<Queued> m_waiting;
    Queued m_running;
};
