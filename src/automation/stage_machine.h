#pragma once

#include <QObject>
#include <QString>

class Browser;
class Countdown;
class CycleClock;
class Timer;
class TimerFactory;

// The addresses of the administration pages, as typed on the address panel.
struct AdminAddresses {
    QString login;      // Text2
    QString collection; // Text3
    QString generation; // Text4
    QString homePage;   // Text5
};

// Leads the browser through one collection cycle. Text1 holds the stage:
// "1" collection page requested, "3" collection form submitted, "2"
// generation page requested, "4" generation form submitted and everything
// after it; any other text is idle.
class StageMachine : public QObject {
    Q_OBJECT
public:
    enum class Page { Login, Collection, Generation, HomePage };
    Q_ENUM(Page)

    StageMachine(Browser &browser, TimerFactory &timers, QObject *parent = nullptr);

    void Command1_Click(); // start a cycle
    void Command2_Click(); // press the collection page's submit button
    void Command3_Click(); // open the information-page generation page
    void Command4_Click(); // press the generation page's second submit button
    void Command5_Click(); // open the home-page generation page, start the clock
    void Command6_Click(); // manual login
    // A cycle length the user confirmed; a countdown to the next collection
    // that is running moves with it.
    void setCycleLength(int minutes);
    void WebBrowser1_DocumentComplete();
    void Timer1_Timer();
    void Timer2_Timer();

    Countdown &countdown() { return *m_countdown; }
    CycleClock &clock() { return *m_clock; }

    AdminAddresses addresses;
    QString Text1 = QStringLiteral("Text1");
    Timer *const Timer1;
    Timer *const Timer2;

signals:
    void loginOpened();     // the start panel over the browser goes away
    void cycleStarted();    // "1", "2" and 地址设置 are disabled
    // A page is being opened; `again` for the home page reopened by the clock.
    void pageOpened(StageMachine::Page page, const QString &address, bool again);

private:
    void startWait(Timer *wait);
    void open(Page page, const QString &address, bool again = false);

    Browser &m_browser;
    Countdown *const m_countdown;
    CycleClock *const m_clock;
};
