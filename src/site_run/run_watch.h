#pragma once

#include "automation/stage_machine.h"

#include <QDateTime>
#include <QObject>

class Browser;
class RunJournal;
class Timer;
class TimerFactory;
struct PageLoad;

// Follows the cycle for the run journal, and notices when it stops being
// useful:
// - the login is lost: a collection page loads without its submit button,
//   or a page of the cycle ends up elsewhere (the CMS's login form, usually).
//   The sign stays until a collection page's button is pressed again;
// - an outage: two loads of the cycle's pages in a row fail. It lasts until
//   a page of the cycle loads again;
// - a cycle stopped by "1" that has waited ReminderAfter for "2";
// - a box of the browser that waits for a person's answer.
class RunWatch : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::minutes ReminderAfter{10};

    RunWatch(StageMachine &stages, Browser &browser, RunJournal &journal, TimerFactory &timers,
             QObject *parent = nullptr);

    bool loginLost() const { return m_loginLost; }
    // Why the site cannot be reached, in words; empty outside an outage.
    QString outage() const { return m_outage; }
    // What a box of the browser waits for a person to answer; empty if none.
    QString personAwaited() const { return m_personAwaited; }

signals:
    void loginLostChanged(bool lost);
    void outageChanged(const QString &reason);
    void stoppedTooLong();
    void personAwaitedChanged();
    void collectionPressed();
    // A cycle in which both presses were made has loaded its home page.
    void cycleCompleted();

private:
    void pageOpened(StageMachine::Page page, const QString &address, bool again);
    void pageLoaded(const PageLoad &load);
    void pressReported(int found, bool pressed);
    void setLoginLost(bool lost);
    void noteFailure(const QString &reason);
    void noteLoaded();

    RunJournal &m_journal;
    Timer *const m_reminder;
    StageMachine::Page m_page = StageMachine::Page::Login;
    int m_cycle = 0;
    bool m_loginLost = false;
    bool m_stopped = false;
    int m_failuresInARow = 0;
    QString m_outage;
    QDateTime m_outageStart;
    QString m_personAwaited;
    int m_pressesThisCycle = 0;
};
