#pragma once

#include "site_health.h"

#include <QDateTime>
#include <QObject>
#include <functional>

class Notifier;
class Relogin;
class RunWatch;

// Tells the robot what the window shows when something needs a person: the
// login lost, an outage, a box waiting for an answer, a cycle stopped by "1"
// for too long; then, at the first collection page pressed again, that it
// recovered and after how long. One message per event, never one per
// cycle. A lost login that the tool logs in again for by itself is told
// once the try is over: that it logged in, or that it failed. Each
// completed cycle opens the heartbeat address.
class Alerts : public QObject {
    Q_OBJECT
public:
    // `site` gives the CMS's host, as the messages name it.
    Alerts(const RunWatch &watch, const Relogin &relogin, Notifier &notifier, std::function<QString()> site,
           QObject *parent = nullptr);

private:
    void tell(SiteTrouble trouble);

    const RunWatch &m_watch;
    Notifier &m_notifier;
    const std::function<QString()> m_site;
    QDateTime m_troubleSince; // invalid while all is well
    bool m_loginLostTold = false;
};
