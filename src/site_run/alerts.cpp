#include "alerts.h"

#include "notify/notifier.h"
#include "relogin.h"
#include "run_narrator.h"
#include "run_watch.h"

Alerts::Alerts(const RunWatch &watch, const Relogin &relogin, Notifier &notifier, std::function<QString()> site,
               QObject *parent)
    : QObject(parent), m_watch(watch), m_notifier(notifier), m_site(std::move(site))
{
    connect(&watch, &RunWatch::troubleBegan, this, [this, &relogin](SiteTrouble trouble) {
        if (!m_troubleSince.isValid())
            m_troubleSince = QDateTime::currentDateTime();
        if (trouble != SiteTrouble::LoginLost || !relogin.willTry())
            tell(trouble);
    });
    // Recovered once the collection page is pressed again, and no page of the
    // cycle is left that the tool cannot press.
    const auto recovered = [this] {
        if (!m_troubleSince.isValid() || m_watch.health().unexpectedPage)
            return;
        const qint64 minutes = m_troubleSince.secsTo(QDateTime::currentDateTime()) / 60;
        m_troubleSince = {};
        m_notifier.send(QStringLiteral("recovered"), m_site(), RunNarrator::recovered(minutes));
    };
    connect(&watch, &RunWatch::collectionPressed, this, recovered);
    connect(&watch, &RunWatch::troubleEnded, this, [recovered](SiteTrouble trouble) {
        if (trouble == SiteTrouble::PageChanged)
            recovered();
    });
    connect(&relogin, &Relogin::tried, this, [this](Relogin::Outcome outcome) {
        if (outcome == Relogin::Outcome::LoggedIn) {
            m_troubleSince = {};
            m_notifier.send(QStringLiteral("relogin"), m_site(), RunNarrator::loggedInAgain());
        } else if (outcome != Relogin::Outcome::Failed && m_watch.health().loginLost) {
            tell(SiteTrouble::LoginLost); // no login sent: its own alert, held back for the try
        } // a failure is a trouble of its own
    });
    connect(&watch, &RunWatch::cycleCompleted, &notifier, &Notifier::beat);
}

void Alerts::tell(SiteTrouble trouble)
{
    m_notifier.send(RunNarrator::alertEvent(trouble), m_site(), RunNarrator::alert(trouble, m_watch.health()));
}
