#include "stage_machine.h"

#include "automation/browser.h"
#include "automation/cycle/countdown.h"
#include "automation/cycle/cycle_clock.h"
#include "automation/page_gate.h"
#include "base/timer.h"

namespace {

Timer *waitTimer(TimerFactory &timers, std::chrono::seconds length, const char *name, QObject *parent)
{
    Timer *timer = timers.create(int(std::chrono::milliseconds(length).count()), parent);
    timer->setObjectName(QLatin1String(name));
    return timer;
}

} // namespace

StageMachine::StageMachine(Browser &browser, TimerFactory &timers, const AdminAddresses &addresses, PageGate &gate,
                           QObject *parent)
    : QObject(parent),
      m_browser(browser),
      m_addresses(addresses),
      m_gate(gate),
      m_collectionWait(waitTimer(timers, CollectionWait, "collectionWait", this)),
      m_generationWait(waitTimer(timers, GenerationWait, "generationWait", this)),
      m_countdown(new Countdown(timers, this)),
      m_clock(new CycleClock(timers, this))
{
    connect(m_collectionWait, &Timer::timeout, this, &StageMachine::onCollectionWaitOver);
    connect(m_generationWait, &Timer::timeout, this, &StageMachine::onGenerationWaitOver);
    connect(&m_browser, &Browser::pageLoaded, this, &StageMachine::onPageLoaded);
    // A page dialog that the person's own click raised: the browser is theirs.
    connect(&m_browser, &Browser::personTookOver, this, [this] {
        if (isRunning())
            stop(Stop::PersonsDialog);
    });
    connect(m_clock, &CycleClock::cycleDue, this, &StageMachine::startCycle);
    connect(m_clock, &CycleClock::homePageDue, this, [this] { open(Page::HomePage, m_addresses.homePage, true); });
}

void StageMachine::openLoginPage()
{
    if (isRunning())
        stop(Stop::LoginPressed);
    emit loginOpened();
    // The person's own page: at once, whatever the other sites load.
    ++m_openings;
    show(Page::Login, m_addresses.login, false);
}

void StageMachine::startCycle()
{
    m_browser.setUnattended(true);
    m_stage = Stage::CollectionRequested;
    open(Page::Collection, m_addresses.collection);
    emit cycleStarted();
}

void StageMachine::openLoginPageToLogIn()
{
    endWaits();
    m_stage = Stage::LoggingIn;
    open(Page::Login, m_addresses.login);
}

void StageMachine::endWaits()
{
    m_collectionWait->setEnabled(false);
    m_generationWait->setEnabled(false);
    m_clock->stop();
    m_countdown->stop();
}

void StageMachine::stop(Stop why)
{
    m_stage = Stage::Idle;
    endWaits();
    ++m_openings; // a page still waiting for the gate is not opened
    m_gate.leave();
    m_browser.setUnattended(false);
    emit cycleStopped(why);
}

void StageMachine::submitCollectionForm()
{
    // The stage moves on before the press, so that the page the submission
    // loads is left alone.
    m_stage = Stage::CollectionSubmitted;
    m_browser.pressSubmitButton();
    m_countdown->start(Countdown::Phase::UntilGeneration, int(CollectionWait.count()));
    startWait(m_collectionWait);
}

void StageMachine::openGenerationPage()
{
    m_stage = Stage::GenerationRequested;
    open(Page::Generation, m_addresses.generation);
}

void StageMachine::submitGenerationForm()
{
    m_browser.pressSecondSubmitButton();
    m_stage = Stage::GenerationSubmitted;
    m_countdown->start(Countdown::Phase::UntilHomePage, int(GenerationWait.count()));
    startWait(m_generationWait);
}

void StageMachine::openHomePageAndCountDown()
{
    open(Page::HomePage, m_addresses.homePage);
    // From the second cycle on the clock has run since the restart, so the
    // next collection is that much nearer than a whole cycle.
    m_countdown->start(Countdown::Phase::UntilNextCollection, m_clock->secondsToRestart());
    m_clock->start();
}

void StageMachine::setCycleLength(int minutes)
{
    m_clock->setCycleLength(minutes);
    if (m_countdown->phase() == Countdown::Phase::UntilNextCollection)
        m_countdown->setSeconds(m_clock->secondsToRestart());
}

void StageMachine::open(Page page, const QString &address, bool again)
{
    // Only the page asked for last opens, once the gate lets it.
    const quint64 opening = ++m_openings;
    m_gate.enter([this, page, address, again, opening] {
        if (opening == m_openings)
            show(page, address, again);
    });
}

void StageMachine::show(Page page, const QString &address, bool again)
{
    m_page = page;
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

void StageMachine::onPageLoaded()
{
    m_gate.loaded();
    // The home page ends the page's work until the clock needs it again.
    if (m_page == Page::HomePage)
        m_gate.leave();
    switch (m_stage) {
    case Stage::CollectionRequested:
        submitCollectionForm();
        break;
    case Stage::GenerationRequested:
        submitGenerationForm();
        break;
    case Stage::Idle:
    case Stage::CollectionSubmitted:
    case Stage::GenerationSubmitted:
    case Stage::LoggingIn:
        break;
    }
}

void StageMachine::onCollectionWaitOver()
{
    m_collectionWait->setEnabled(false);
    if (m_stage == Stage::CollectionSubmitted)
        openGenerationPage();
}

void StageMachine::onGenerationWaitOver()
{
    m_generationWait->setEnabled(false);
    if (m_stage == Stage::GenerationSubmitted)
        openHomePageAndCountDown();
}
