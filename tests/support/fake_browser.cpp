#include "fake_browser.h"

#include "virtual_clock.h"

FakeBrowser::FakeBrowser(VirtualClock &clock, QObject *parent)
    : Browser(parent), m_clock(clock)
{
}

void FakeBrowser::navigate(const QString &address)
{
    record(QStringLiteral("navigate ") + address);
    if (m_loadDelay >= 0)
        m_clock.schedule(m_loadDelay, [this] { emit pageLoaded(PageLoad{}); });
}

void FakeBrowser::pressSubmitButton()
{
    record(QStringLiteral("press"));
    const int found = collectionButtons;
    m_clock.schedule(0, [this, found] { emit pressReported(found, found == 1); });
}

void FakeBrowser::pressSecondSubmitButton()
{
    record(QStringLiteral("press second"));
    m_clock.schedule(0, [this] { emit pressReported(2, true); });
}

QStringList FakeBrowser::callNames() const
{
    QStringList names;
    for (const Call &call : calls)
        names << call.what;
    return names;
}

QList<qint64> FakeBrowser::timesOf(const QString &what) const
{
    QList<qint64> times;
    for (const Call &call : calls) {
        if (call.what == what)
            times << call.at;
    }
    return times;
}

void FakeBrowser::record(const QString &what)
{
    calls.append({m_clock.now(), what});
}
