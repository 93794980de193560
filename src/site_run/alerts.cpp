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
        switch (outcome) {
        case Relogin::Outcome::LoggedIn:
            m_troubleSince = {};
            return m_notifier.send(QStringLiteral("relogin"), m_site(), RunNarrator::loggedInAgain());
        case Relogin::Outcome::Failed: // troubles of their own
        case Relogin::Outcome::Unconfirmed:
        case Relogin::Outcome::FormChanged:
        case Relogin::Outcome::PageChanged:
            return;
        case Relogin::Outcome::StillLoggedIn:
        case Relogin::Outcome::NotSent:
        case Relogin::Outcome::GivenUp:
        case Relogin::Outcome::NotRemembered:
        case Relogin::Outcome::Disabled:
            // No login sent: the lost login's own alert, held back for the try.
            if (m_watch.health().loginLost)
                tell(SiteTrouble::LoginLost);
        }
    });
    connect(&watch, &RunWatch::troubleEnded, this, [this](SiteTrouble trouble) {
        if (trouble == SiteTrouble::LoginLost)
            m_loginLostTold = false;
    });
    connect(&watch, &RunWatch::cycleCompleted, &notifier, &Notifier::beat);
}

void Alerts::tell(SiteTrouble trouble)
{
    // Once per lost login, however many tries that sent nothing it sees.
    if (trouble == SiteTrouble::LoginLost && std::exchange(m_loginLostTold, true))
        return;
    m_notifier.send(RunNarrator::alertEvent(trouble), m_site(), RunNarrator::alert(trouble, m_watch.health()));
}
