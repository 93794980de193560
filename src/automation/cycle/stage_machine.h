#pragma once

#include "settings/admin_addresses.h"

#include <QObject>
#include <QString>
#include <chrono>

class Browser;
class Countdown;
class PageGate;
class CycleClock;
class Timer;
class TimerFactory;

// Leads the browser through the collection cycle: the collection page and
// its button, a wait, the generation page and its second button, a wait,
// the home page and the countdown to the next cycle.
class StageMachine : public QObject {
    Q_OBJECT
public:
    enum class Page { Login, Collection, Generation, HomePage };
    Q_ENUM(Page)
    // Who took the browser from a running cycle: "1", or a page dialog that
    // followed the person's own click in the page.
    enum class Stop { LoginPressed, PersonsDialog };

    // From the press of the collection button to the generation page, and
    // from the press of the generation button to the home page.
    static constexpr std::chrono::seconds CollectionWait{60};
    static constexpr std::chrono::seconds GenerationWait{20};

    // `addresses` are read at each page opened, so they may change between
    // pages. `gate` is asked before each page the cycle or the clock opens.
    StageMachine(Browser &browser, TimerFactory &timers, const AdminAddresses &addresses, PageGate &gate,
                 QObject *parent = nullptr);

    // Hands the browser to the operator: a running cycle stops, so that no
    // page of the tool's replaces the login page while they type.
    void openLoginPage();
    void startCycle();
    // For the tool to log in again by itself: the cycle's waits end and the
    // login page opens, the browser still unattended and the cycle still
    // taken for running; startCycle() goes on, "1" hands over as always.
    void openLoginPageToLogIn();
    bool isRunning() const { return m_stage != Stage::Idle; }
    // A cycle length the user confirmed; a countdown to the next collection
    // that is running moves with it.
    void setCycleLength(int minutes);

    // The page opened last.
    Page page() const { return m_page; }
    const Countdown &countdown() const { return *m_countdown; }
    const CycleClock &clock() const { return *m_clock; }

signals:
    void loginOpened();     // the start panel over the browser goes away
    void cycleStarted();    // "1", "2" and 地址设置 are disabled
    void cycleStopped(StageMachine::Stop why); // nothing runs until "2"
    // A page is being opened; `again` for the home page reopened by the clock.
    void pageOpened(StageMachine::Page page, const QString &address, bool again);

private:
    enum class Stage { Idle, CollectionRequested, CollectionSubmitted, GenerationRequested, GenerationSubmitted, LoggingIn };

    void submitCollectionForm();
    void openGenerationPage();
    void submitGenerationForm();
    void openHomePageAndCountDown();
    void onPageLoaded();
    void onCollectionWaitOver();
    void onGenerationWaitOver();
    void stop(Stop why);
    void endWaits();
    void startWait(Timer *wait);
    void open(Page page, const QString &address, bool again = false);
    void show(Page page, const QString &address, bool again);

    Browser &m_browser;
    const AdminAddresses &m_addresses;
    PageGate &m_gate;
    Timer *const m_collectionWait;
    Timer *const m_generationWait;
    Countdown *const m_countdown;
    CycleClock *const m_clock;
    Stage m_stage = Stage::Idle;
    Page m_page = Page::Login;
    quint64 m_openings = 0; // pages asked for
};
