#pragma once

#include "automation/browser.h"

#include <QStringList>

class VirtualClock;

// A browser that loads nothing: it records what it was asked to do, with
// the virtual time, and reports a finished page when told to, or by itself
// a set time after each navigation. Like the real one it reports only the
// loads it was asked for, not those of the forms a press submits; a press
// reports what it found at once.
class FakeBrowser : public Browser {
    Q_OBJECT
public:
    explicit FakeBrowser(VirtualClock &clock, QObject *parent = nullptr);

    void navigate(const QString &address) override;
    void pressSubmitButton() override;
    void pressSecondSubmitButton() override;

    // -1: pages finish only through finishLoad().
    void setLoadDelay(qint64 ms) { m_loadDelay = ms; }
    void finishLoad() { emit pageLoaded(PageLoad{}); }

    struct Call {
        qint64 at;
        QString what; // "navigate <address>", "press", "press second"
    };
    QList<Call> calls;
    int collectionButtons = 1; // what a press of the only submit_button finds
    QStringList callNames() const;
    QList<qint64> timesOf(const QString &what) const;

private:
    void record(const QString &what);

    VirtualClock &m_clock;
    qint64 m_loadDelay = -1;
};
