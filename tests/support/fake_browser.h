#pragma once

#include "automation/browser.h"
#include "virtual_clock.h"

#include <QList>

// A browser that loads nothing: it notes what it is asked to do, with the
// virtual time, and reports a finished page when the test says so, or by
// itself a set time after each navigation. Like the real one it reports only
// the loads it was asked for, not those of the forms a press submits; what a
// press found is reported as soon as the clock moves.
class FakeBrowser : public Browser {
public:
    explicit FakeBrowser(VirtualClock &clock) : m_clock(clock) {}

    void navigate(const QString &address) override
    {
        record(address);
        ++inFlight;
        if (m_loadDelay >= 0)
            m_clock.schedule(m_loadDelay, [this] { finishLoad(); });
    }
    void pressSubmitButton() override
    {
        record(QStringLiteral("press"));
        const PressOutcome outcome = !m_onPage ? PressOutcome{}
            : collectionButtons == 1         ? PressOutcome{PressOutcome::Pressed, 1}
                                             : PressOutcome{PressOutcome::NotPressed, collectionButtons};
        m_clock.schedule(0, [this, outcome] { emit pressReported(outcome); });
    }
    void pressSecondSubmitButton() override
    {
        record(QStringLiteral("press second"));
        const PressOutcome outcome = !m_onPage ? PressOutcome{}
            : generationButtons >= 2         ? PressOutcome{PressOutcome::Pressed, generationButtons}
                                             : PressOutcome{PressOutcome::NotPressed, generationButtons};
        m_clock.schedule(0, [this, outcome] { emit pressReported(outcome); });
    }
    // Ends the load with the next of `loads`, or as loaded when none is left.
    void setUnattended(bool) override {}
    void setResting(bool rest) override { resting = rest; }
    bool loading() const override { return loadingNow; }
    void endLoading()
    {
        loadingNow = false;
        emit loadingEnded();
    }
    // Sent when the form is as remembered, and then logged in.
    void logIn(const RememberedLogin &) override
    {
        record(QStringLiteral("log in"));
        m_clock.schedule(loginAnswerDelay, [this] {
            emit loginSent(loginFormAsRemembered);
            if (loginFormAsRemembered)
                emit loginAnswered(false, QUrl(QStringLiteral("http://cms/collect")));
        });
    }
    void finishLoad()
    {
        const PageLoad load = loads.isEmpty() ? PageLoad{} : loads.takeFirst();
        m_onPage = load.loaded();
        --inFlight;
        emit pageLoaded(load);
    }
    // -1: pages finish only through finishLoad().
    void setLoadDelay(qint64 ms) { m_loadDelay = ms; }

    struct Call {
        qint64 at;
        QString what; // the address opened, "press" or "press second"
    };
    QList<Call> calls;
    int collectionButtons = 1; // what a press of the only submit_button finds
    int generationButtons = 2; // what a press of the second submit_button finds
    bool loginFormAsRemembered = true;
    qint64 loginAnswerDelay = 0; // ms
    QList<PageLoad> loads;
    bool resting = false;
    int inFlight = 0; // pages asked for and not yet finished
    bool loadingNow = false; // a load of the page's own (a form's POST, say)

private:
    void record(const QString &what) { calls.append({m_clock.now(), what}); }

    VirtualClock &m_clock;
    qint64 m_loadDelay = -1;
    bool m_onPage = false;
};
