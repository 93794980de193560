#pragma once

#include "automation/cycle/stage_machine.h"
#include "base/run_journal.h"
#include "site_health.h"

#include <QObject>

class Browser;
class RunJournal;
class LoginKeeper;
class Relogin;
class RunWatch;

// The words of a site's run, all in one place: it writes what the run does
// to the journal, one line per event, and gives the sentences that the red
// line, the tray and the group robot say of the run's health.
class RunNarrator : public QObject {
    Q_OBJECT
public:
    RunNarrator(const StageMachine &stages, Browser &browser, RunJournal &journal, QObject *parent = nullptr);
    // Tells the watch's troubles too. Called after the narrator has heard the
    // stage machine and the browser, so that a page's own line comes before
    // the trouble it causes.
    void follow(const RunWatch &watch);
    // Tells the tool's own logins and what is remembered.
    void follow(const Relogin &relogin, const LoginKeeper &logins);

    // What the red line alternates with the countdown while something is
    // wrong; empty while all is well.
    static QString warning(const SiteHealth &health);
    // What the red line and the tray say as a trouble begins.
    static QString alarm(SiteTrouble trouble, const SiteHealth &health);
    // What the group robot is told as a trouble begins, and its event name.
    static QString alert(SiteTrouble trouble, const SiteHealth &health);
    static QString alertEvent(SiteTrouble trouble);
    static QString recovered(qint64 minutes);
    static QString loggedInAgain();
    static QString startedAtLogin(RunJournal::LastRun before);
    // `saved`: 123.txt is there, without four addresses.
    static QString cannotStartAtLogin(bool saved);
    static QString quit();
    // The red line while the cycle waits for "2".
    static QString stopped();
    // What the journal and the red line say of a file the person must mend.
    static QString certificatesNotKept(const CertificatesNotKept &failure);
    static QString notifySettingsReadableByOthers();

private:
    void pageLoaded(const PageLoad &load);
    void pressReported(const PressOutcome &outcome);
    void troubleBegan(SiteTrouble trouble, const SiteHealth &health);
    void troubleEnded(SiteTrouble trouble, const SiteHealth &health);

    const StageMachine &m_stages;
    RunJournal &m_journal;
    int m_cycle = 0;
    bool m_stopped = false;
    bool m_running = false; // from a start by a person or --start to a stop
    QString m_remembered; // the last remembered login told
};
