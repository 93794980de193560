#include "keyring.h"

#include "base/timer.h"

#include <qt6keychain/keychain.h>

Keyring::Keyring(TimerFactory &timers, QObject *parent) : QObject(parent), m_patience(timers.create(PatienceMs, this))
{
    connect(m_patience, &Timer::timeout, this, [this] { endRunning(true); });
}

Keyring::~Keyring()
{
    for (const Queued &queued : std::as_const(m_waiting))
        delete queued.job;
}

void Keyring::start(QKeychain::Job *job, QObject *owner, std::function<void()> overdue)
{
    m_waiting.append({job, owner, std::move(overdue)});
    startNext();
}

void Keyring::startNext()
{
    while (!m_running.job && !m_waiting.isEmpty()) {
        Queued next = m_waiting.takeFirst();
        if (!next.owner) {
            delete next.job;
            continue;
        }
        m_running = next;
        connect(next.job, &QKeychain::Job::finished, this, [this, job = next.job] {
            if (m_running.job == job)
                endRunning(false);
        });
        m_patience->setEnabled(true);
        next.job->start(); // may finish at once
    }
}

void Keyring::endRunning(bool overdue)
{
    m_patience->setEnabled(false);
    const Queued ended = std::exchange(m_running, {});
    if (overdue && ended.owner)
        ended.overdue();
    startNext();
}
