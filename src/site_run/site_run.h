#pragma once

#include "automation/page_gate.h"
#include "base/run_journal.h"
#include "settings/admin_addresses.h"

#include <QObject>
#include <QStringList>
#include <functional>

class Alerts;
class DailyReport;
class HandLogins;
class Keyring;
class LoginKeeper;
class Relogin;
struct RememberedLogin;
class Browser;
class Notifier;
class QNetworkAccessManager;
class RunJournal;
class RunNarrator;
class RunWatch;
class SiteFace;
class StageMachine;
class TimerFactory;

// One site's run: its addresses, the cycle through its pages in a browser of
// its own, the journal beside its settings file, the watch on its health and
// the alerts to its group robot. Nothing of it is shared with another site's
// run in the same process.
class SiteRun : public QObject {
    Q_OBJECT
public:
    // `settingsPath` is the site's 123.txt; its journal and notify.ini are
    // kept beside it. The addresses are loaded from it at once. `gate`, where
    // given, is where the cycle asks for its page in a set of sites.
    SiteRun(Browser &browser, TimerFactory &timers, Keyring &keyring, QNetworkAccessManager &network,
            const QString &settingsPath, PageGate *gate = nullptr, QObject *parent = nullptr);
    ~SiteRun() override;

    QString settingsPath() const { return m_settingsPath; }
    // The site's own notify.ini; in a set, the set's where the site has none.
    QString notifySettingsPath() const;
    // In a set: alerts go as the set's notify.ini says, unless the site has its own.
    void shareNotifySettings(const QString &setPath);
    bool hasOwnNotifySettings() const;
    // The addresses in use; on a first run some are empty.
    const AdminAddresses &addresses() const { return m_addresses; }
    // The CMS's host, and its port where the address names one, as the alerts name it.
    QString site() const;

    // The person's commands.
    void openLoginPage();
    void startCycle();
    int cycleLength() const;
    // For this run only (--minutes).
    void setCycleLength(int minutes);
    // Confirmed in the window: kept for the folder, for every later start.
    void keepCycleLength(int minutes);
    // Addresses as typed, used from the next page opened.
    void useAddresses(const AdminAddresses &addresses);
    // Used and appended to the settings file. Returns why the file could
    // not be written, in words; empty when it was.
    QString saveAddresses(const AdminAddresses &addresses);

    // The login remembered for this folder, and where it is kept.
    const LoginKeeper &logins() const { return *m_logins; }
    // The person agreed to remember it, or asked to forget it.
    void rememberLogin(const RememberedLogin &login);
    void forgetLogin();
    // The person clicked or typed somewhere in the tool: it does not log in
    // by itself for the next 2 minutes.
    void notePersonActive();

    // Another copy may run in this folder unseen: the two must not each send
    // the remembered login once.
    void runWithoutAutomaticLogin();

    // --start: the group robot hears once the cycle has begun, with how the
    // run before ended, or at once why it cannot begin.
    void tellStartAtLogin();
    // Tells the group robot that the tool quits; `done` runs once that is
    // sent or failed, or after `limitMs`.
    void sayGoodbye(int limitMs, const std::function<void()> &done);

    // Files the person must mend, in words: the red line shows them in turn
    // with the countdown. A notify.ini that others can read, a file of the
    // folder that is a symbolic link, and a folder others can write are
    // named until mended; the accepted certificates not kept, until the tool
    // quits.
    QStringList lastingWarnings() const;

    // What a window shows of this run, and the way its commands come in.
    SiteFace &face() { return *m_face; }

    const StageMachine &stages() const { return *m_stages; }
    const RunWatch &watch() const { return *m_watch; }
    const Relogin &relogin() const { return *m_relogin; }
    RunJournal &journal() { return *m_journal; }
    Notifier &notifier() { return *m_notifier; }

signals:
    // A login by hand that worked, not the one remembered: ask the person.
    void rememberOffered(const RememberedLogin &login);
    // A login by hand with a captcha: it cannot be remembered.
    void captchaFound();

private:
    void loadNotifySettings();

    const QString m_settingsPath;
    QString m_sharedNotifyPath;
    AdminAddresses m_addresses;
    OpenGate m_alone; // the gate when none is given
    int m_keptLength; // in cycle.ini; 0: none
    RunJournal::LastRun m_lastRun; // read before this run's first line
    RunJournal *const m_journal;
    StageMachine *const m_stages;
    RunNarrator *const m_narrator;
    RunWatch *const m_watch;
    Notifier *const m_notifier;
    LoginKeeper *const m_logins;
    HandLogins *const m_handLogins;
    Relogin *const m_relogin;
    Alerts *const m_alerts;
    DailyReport *const m_report;
    QStringList m_certificatesNotKept;
    SiteFace *m_face;
};
