#pragma once

#include <QDateTime>
#include <QObject>

class Notifier;
class RunWatch;
class StageMachine;

// Tells the robot what the window shows when something needs a person: the
// login lost, an outage, a box waiting for an answer, a cycle stopped by "1"
// for too long; then, at the first collection page pressed again, that it
// recovered and after how long. One message per event, never one per
// cycle. Each completed cycle opens the heartbeat address.
class Alerts : public QObject {
    Q_OBJECT
public:
    Alerts(RunWatch &watch, StageMachine &stages, Notifier &notifier, QObject *parent = nullptr);

    // The CMS's host, as the messages name it.
    QString site() const;

private:
    void trouble(const QString &event, const QString &what);

    StageMachine &m_stages;
    Notifier &m_notifier;
    QDateTime m_troubleSince; // invalid while all is well
};
