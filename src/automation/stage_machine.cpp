#include "stage_machine.h"

#include "browser.h"
#include "countdown.h"
#include "cycle_clock.h"
#include "text_number.h"
#include "timer.h"

StageMachine::StageMachine(Browser &browser, TimerFactory &timers, QObject *parent)
    : QObject(parent),
      Timer1(timers.create(60000, this)),
      Timer2(timers.create(20000, this)),
      m_browser(browser),
      m_countdown(new Countdown(timers, this)),
      m_clock(new CycleClock(timers, this))
{
    connect(Timer1, &Timer::timeout, this, &StageMachine::Timer1_Timer);
    connect(Timer2, &Timer::timeout, this, &StageMachine::Timer2_Timer);
    connect(&m_browser, &Browser::pageLoaded, this, &StageMachine::WebBrowser1_DocumentComplete);
    connect(m_clock, &CycleClock::cycleDue, this, &StageMachine::Command1_Click);
    connect(m_clock, &CycleClock::homePageDue, this, [this] { open(Page::HomePage, addresses.homePage, true); });
}

void StageMachine::Command6_Click()
{
    emit loginOpened();
    open(Page::Login, addresses.login);
}

void StageMachine::Command1_Click()
{
    Text1 = QStringLiteral("1");
    open(Page::Collection, addresses.collection);
    emit cycleStarted();
}

void StageMachine::Command2_Click()
{
    // The stage moves on before the press, so that the page the submission
    // loads finds stage "3" and is left alone.
    Text1 = QStringLiteral("3");
    m_browser.pressSubmitButton();
    m_countdown->Text8 = QStringLiteral("60");
    m_countdown->Text9 = QStringLiteral("1");
    m_countdown->Timer4->setEnabled(true);
    startWait(Timer1);
}

void StageMachine::Command3_Click()
{
    Text1 = QStringLiteral("2");
    open(Page::Generation, addresses.generation);
}

void StageMachine::Command4_Click()
{
    m_browser.pressSecondSubmitButton();
    Text1 = QStringLiteral("4");
    m_countdown->Text8 = QStringLiteral("20");
    m_countdown->Text9 = QStringLiteral("2");
    startWait(Timer2);
}

void StageMachine::Command5_Click()
{
    open(Page::HomePage, addresses.homePage);
    // From the second cycle on the clock has run since the restart, so the
    // next collection is that much nearer than a whole cycle.
    m_countdown->Text8 = textFromNumber(m_clock->secondsToRestart());
    m_countdown->Text9 = QStringLiteral("3");
    m_countdown->Timer4->setEnabled(true);
    m_clock->Timer3->setEnabled(true);
}

void StageMachine::setCycleLength(int minutes)
{
    m_clock->setCycleLength(minutes);
    if (m_countdown->Text9 == QLatin1String("3"))
        m_countdown->Text8 = textFromNumber(m_clock->secondsToRestart());
}

void StageMachine::open(Page page, const QString &address, bool again)
{
    emit pageOpened(page, address, again);
    m_browser.navigate(address);
}

void StageMachine::startWait(Timer *wait)
{
    // A wait always runs its full length from the press. A wait left running
    // by a cycle that a slow page pushed past its end would otherwise end
    // early and open the next page before the CMS had its time.
    wait->setEnabled(false);
    wait->setEnabled(true);
}

void StageMachine::WebBrowser1_DocumentComplete()
{
    if (Text1 == QLatin1String("1"))
        Command2_Click();
    if (Text1 == QLatin1String("2"))
        Command4_Click();
}

void StageMachine::Timer1_Timer()
{
    Timer1->setEnabled(false);
    if (Text1 == QLatin1String("3"))
        Command3_Click();
}

void StageMachine::Timer2_Timer()
{
    Timer2->setEnabled(false);
    if (Text1 == QLatin1String("4"))
        Command5_Click();
}
