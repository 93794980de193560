#include "alerts.h"

#include "notify/notifier.h"
#include "run_narrator.h"
#include "run_watch.h"

Alerts::Alerts(const RunWatch &watch, Notifier &notifier, std::function<QString()> site, QObject *parent)
    : QObject(parent), m_watch(watch), m_notifier(notifier), m_site(std::move(site))
{
    connect(&watch, &RunWatch::troubleBegan, this, [this](SiteTrouble trouble) {
        if (!m_troubleSince.isValid())
            m_troubleSince = QDateTime::currentDateTime();
        m_notifier.send(RunNarrator::alertEvent(trouble), m_site(), RunNarrator::alert(trouble, m_watch.health()));
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
    connect(&watch, &RunWatch::cycleCompleted, &notifier, &Notifier::beat);
}
