#pragma once

#include "robot_message.h"
#include "settings/notify_settings.h"

#include <QList>
#include <QObject>
#include <functional>

class QNetworkAccessManager;
class RunJournal;
class Timer;
class TimerFactory;

// Sends alerts to the group robot of notify.ini, one at a time and in order,
// without ever holding up the cycle or opening a box. A failed send is tried
// again after 1, 5 and 15 minutes, then given up; at most MaxWaiting wait,
// and the oldest are dropped, with a count in the next message. The journal
// records each message sent or given up, naming the robot by its host only:
// the address's key and the secret never appear.
class Notifier : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxWaiting = 20;
    static constexpr int TimeoutMs = 10000;

    Notifier(QNetworkAccessManager &network, TimerFactory &timers, RunJournal &journal, QObject *parent = nullptr);

    // Applies at once; messages still waiting go to the new robot at once,
    // without waiting for a retry that the old settings scheduled.
    void setSettings(const NotifySettings &settings);
    const NotifySettings &settings() const { return m_settings; }
    // `site` is the CMS's host.
    void send(const QString &event, const QString &site, const QString &text);
    // Opens the heartbeat address once, never again for this beat.
    void beat();
    // The last message (the tool is quitting): `done` runs once it is sent or
    // failed, or after `limitMs`, or at once without a robot. Messages still
    // waiting are counted in the journal as not sent.
    void sendLast(const QString &event, const QString &site, const QString &text, int limitMs,
                  const std::function<void()> &done);
    // One message with `settings` as typed, saved or not, tried once; `answer`
    // gets the failure in words, empty on success.
    void sendTest(const NotifySettings &settings, const QString &site,
                  const std::function<void(const QString &)> &answer);

    // The text of a message: the tool's mark, the site, this machine, then `what`.
    static QString textOf(const QString &site, const QString &what);

private:
    struct Pending {
        Robot::Message message;
        int attempts = 0;
    };

    Robot::Message message(const QString &event, const QString &site, const QString &text) const;
    void sendNext();
    // `finished` gets the failure in words (empty on success) and the robot's answer.
    using Finished = std::function<void(const QString &failure, const QString &answer)>;
    void post(const NotifySettings &settings, const Robot::Message &message, const Finished &finished);
    void onSent(const QString &failure, const QString &answer);
    // The journal's line for a message sent or given up; the robot by its host only.
    void journal(const QString &event, const QString &failure, const QString &answer);

    QNetworkAccessManager &m_network;
    TimerFactory &m_timers;
    RunJournal &m_journal;
    NotifySettings m_settings;
    QList<Pending> m_waiting;
    Timer *m_retry = nullptr;
    bool m_sending = false;
    int m_dropped = 0;
    std::function<void()> m_afterLast;
};
