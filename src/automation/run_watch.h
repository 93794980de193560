#pragma once

#include "stage_machine.h"

#include <QObject>

class Browser;
class RunJournal;
struct PageLoad;

// Follows the cycle for the run journal, and notices when it stops being
// useful: a collection page that loads without its submit button, after one
// that had it, usually means the CMS's login has expired (it answers with
// its login form) or the page changed. That sign stays until a collection
// page's button is pressed again.
class RunWatch : public QObject {
    Q_OBJECT
public:
    RunWatch(StageMachine &stages, Browser &browser, RunJournal &journal, QObject *parent = nullptr);

    bool loginLost() const { return m_loginLost; }

signals:
    void loginLostChanged(bool lost);

private:
    void pageOpened(StageMachine::Page page, const QString &address, bool again);
    void pageLoaded(const PageLoad &load);
    void pressReported(int found, bool pressed);
    void setLoginLost(bool lost);

    RunJournal &m_journal;
    StageMachine::Page m_page = StageMachine::Page::Login;
    int m_cycle = 0;
    bool m_collectionHadButton = false;
    bool m_loginLost = false;
};
