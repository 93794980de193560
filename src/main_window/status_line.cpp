#include "status_line.h"

#include "automation/countdown.h"
#include "automation/stage_machine.h"
#include "site_run/run_narrator.h"
#include "site_run/run_watch.h"
#include "site_run/site_run.h"

StatusLine::StatusLine(const SiteRun &run, QWidget *parent)
    : QLabel(QStringLiteral(".."), parent), m_run(run)
{
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QPalette red = palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    setPalette(red);

    connect(&run.stages().countdown(), &Countdown::captionChanged, this, &StatusLine::showCaption);
    connect(&run.stages(), &StageMachine::cycleStopped, this, [this] { say(RunNarrator::stopped()); });
    connect(&run.watch(), &RunWatch::troubleBegan, this, &StatusLine::troubleBegan);
    connect(&run.watch(), &RunWatch::troubleEnded, this, &StatusLine::troubleEnded);
}

void StatusLine::sayCannotStart()
{
    say(QStringLiteral("地址尚未保存，本次无法自动开始挂机"));
}

void StatusLine::showCaption(const QString &caption)
{
    // While something is wrong, the warning takes every other second of the
    // line, so the countdown stays readable.
    const SiteHealth &health = m_run.watch().health();
    QString warning = RunNarrator::warning(health);
    // Files to mend, each in turn, while the site itself is well.
    if (const QStringList lasting = m_run.lastingWarnings(); warning.isEmpty() && !lasting.isEmpty())
        warning = lasting.at(m_captionsShown / 2 % lasting.size());
    const bool warnNow = !warning.isEmpty() && ++m_captionsShown % 2 == 0;
    say(warnNow ? warning : caption, warnNow && health.awaited.kind != PersonWait::None);
}

void StatusLine::troubleBegan(SiteTrouble trouble)
{
    const SiteHealth &health = m_run.watch().health();
    if (trouble == SiteTrouble::PersonAwaited && !m_awaiting)
        m_lineBeforeAwaited = text();
    m_awaiting = m_awaiting || trouble == SiteTrouble::PersonAwaited;
    // An outage and a box are told by the warning, in which a box comes first.
    const bool asksForAnswer = (trouble == SiteTrouble::PersonAwaited || trouble == SiteTrouble::Outage)
        && health.awaited.kind != PersonWait::None;
    const QString alarm = RunNarrator::alarm(trouble, health);
    say(alarm, asksForAnswer);
    emit alarmed(alarm);
}

void StatusLine::troubleEnded(SiteTrouble trouble)
{
    if (trouble != SiteTrouble::PersonAwaited)
        return;
    // Once answered, a line that still asks for the person shows again what
    // it showed before (the countdown replaces it anyway).
    m_awaiting = false;
    if (m_showsAwaited)
        say(m_lineBeforeAwaited);
}

void StatusLine::say(const QString &text, bool awaited)
{
    setText(text);
    // Too long for the line (a file's path, say): its beginning shows, the
    // whole of it in the tooltip and the journal.
    const bool fits = fontMetrics().horizontalAdvance(text) <= contentsRect().width();
    setAlignment((fits ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
    setToolTip(fits ? QString() : text);
    m_showsAwaited = awaited;
}
