#pragma once

#include "settings/admin_addresses.h"
#include "settings/remembered_login.h"
#include "site_health.h"

#include <QObject>
#include <QString>

class Notifier;
class SiteRun;

// What a window shows of one site's run, and the person's commands to it.
// The red line is composed here: the countdown and, while something is
// wrong, a warning every other second in turn with it.
class SiteFace : public QObject {
    Q_OBJECT
public:
    explicit SiteFace(SiteRun &run);

    QString settingsPath() const;
    QString folder() const;
    QString host() const;
    // Where 通知设置 keeps its settings, and the notifier they apply to.
    QString notifySettingsPath() const;
    Notifier &notifier();
    const AdminAddresses &addresses() const;
    int cycleLength() const;
    bool cycleRunning() const;
    // The steps of use stand over the browser until a page is opened or
    // the addresses are saved.
    bool stepsShown() const { return m_stepsShown; }

    // The red line, and whether it asks for a box's answer.
    QString line() const { return m_line; }
    // What the site does now, in a few words, for a list of sites.
    QString shortState() const;
    // The troubles that keep it from being useful now, in a few words each.
    QStringList troubleMarks() const;

    // Who is remembered for this folder (empty: nobody), and whether for
    // the login address in use.
    QString rememberedWho() const;
    bool rememberedForThisAddress() const;
    // Where a login would be kept in plain text; empty where the keyring keeps it.
    QString plainLoginFile() const;

    void openLoginPage();
    void startCycle();
    void keepCycleLength(int minutes);
    void useAddresses(const AdminAddresses &addresses);
    // Why the file could not be written, in words; empty when it was.
    QString saveAddresses(const AdminAddresses &addresses);
    void rememberLogin(const RememberedLogin &login);
    void forgetLogin();
    void notePersonActive();
    // --start: the group robot hears once the cycle has begun, or at once
    // why it cannot begin.
    void tellStartAtLogin();
    // --start found no saved addresses.
    void sayCannotStart();

signals:
    void lineChanged(const QString &text);
    // Trouble began, in these words.
    void alarmed(const QString &text);
    void troublesChanged();
    // Started, stopped, or a page opened.
    void stageChanged();
    void rememberedLoginChanged();
    void rememberOffered(const RememberedLogin &login);
    void captchaFound();

private:
    void showCaption(const QString &caption);
    void troubleBegan(SiteTrouble trouble);
    void troubleEnded(SiteTrouble trouble);
    void say(const QString &text, bool awaited = false);

    SiteRun &m_run;
    QString m_line = QStringLiteral("..");
    int m_captionsShown = 0;
    bool m_stepsShown = true;
    bool m_stopped = false;
    bool m_awaiting = false;     // a box waits for an answer
    bool m_showsAwaited = false; // the line asks for that answer
    QString m_lineBeforeAwaited; // what it said before the box came
};
