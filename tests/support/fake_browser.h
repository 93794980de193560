#pragma once

#include "automation/browser.h"
#include "virtual_clock.h"

#include <QList>

// A browser that loads nothing: it notes what it is asked to do, with the
// virtual time, and reports a finished page when the test says so.
class FakeBrowser : public Browser {
public:
    explicit FakeBrowser(VirtualClock &clock) : m_clock(clock) {}

    void navigate(const QString &address) override { record(address); }
    void pressSubmitButton() override { record(QStringLiteral("press")); }
    void pressSecondSubmitButton() override { record(QStringLiteral("press second")); }
    void finishLoad() { emit pageLoaded(PageLoad{}); }

    struct Call {
        qint64 at;
        QString what; // the address opened, "press" or "press second"
    };
    QList<Call> calls;

private:
    void record(const QString &what) { calls.append({m_clock.now(), what}); }

    VirtualClock &m_clock;
};
