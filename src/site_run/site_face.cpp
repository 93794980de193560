#include "site_face.h"

#include "automation/cycle/countdown.h"
#include "automation/cycle/cycle_clock.h"
#include "automation/cycle/stage_machine.h"
#include "run_narrator.h"
#include "run_watch.h"
#include "settings/login_keeper.h"
#include "site_run.h"

#include <QFileInfo>

SiteFace::SiteFace(SiteRun &run) : QObject(&run), m_run(run)
{
    const StageMachine &stages = run.stages();
    connect(&stages.countdown(), &Countdown::captionChanged, this, &SiteFace::showCaption);
    connect(&stages, &StageMachine::pageOpened, this, [this] {
        if (std::exchange(m_stepsShown, false))
            emit stageChanged();
    });
    connect(&stages, &StageMachine::cycleStarted, this, [this] {
        m_stopped = false;
        emit stageChanged();
    });
    connect(&stages, &StageMachine::cycleStopped, this, [this] {
        m_stopped = true;
        say(RunNarrator::stopped());
        emit stageChanged();
    });
    connect(&run.watch(), &RunWatch::troubleBegan, this, &SiteFace::troubleBegan);
    connect(&run.watch(), &RunWatch::troubleEnded, this, &SiteFace::troubleEnded);
    connect(&run.logins(), &LoginKeeper::loaded, this, &SiteFace::rememberedLoginChanged);
    connect(&run.logins(), &LoginKeeper::changed, this, &SiteFace::rememberedLoginChanged);
    connect(&run, &SiteRun::rememberOffered, this, &SiteFace::rememberOffered);
    connect(&run, &SiteRun::captchaFound, this, &SiteFace::captchaFound);
}

QString SiteFace::settingsPath() const { return m_run.settingsPath(); }
QString SiteFace::folder() const { return QFileInfo(m_run.settingsPath()).absolutePath(); }
QString SiteFace::host() const { return m_run.site(); }
QString SiteFace::notifySettingsPath() const { return m_run.notifySettingsPath(); }
Notifier &SiteFace::notifier() { return m_run.notifier(); }
const AdminAddresses &SiteFace::addresses() const { return m_run.addresses(); }
int SiteFace::cycleLength() const { return m_run.cycleLength(); }
bool SiteFace::cycleRunning() const { return m_run.stages().isRunning(); }

QString SiteFace::shortState() const
{
    const Countdown &countdown = m_run.stages().countdown();
    if (!cycleRunning())
        return m_stopped ? QStringLiteral("已停止") : QStringLiteral("未开始");
    const int seconds = countdown.seconds();
    switch (countdown.phase()) {
    case Countdown::Phase::UntilGeneration:
        return QStringLiteral("采集中 %1 秒").arg(seconds);
    case Countdown::Phase::UntilHomePage:
        return QStringLiteral("生成中 %1 秒").arg(seconds);
    case Countdown::Phase::UntilNextCollection:
        return QStringLiteral("等待 %1:%2").arg(qMax(0, seconds) / 60).arg(qMax(0, seconds) % 60, 2, 10, QChar('0'));
    case Countdown::Phase::None:
        break;
    }
    return QStringLiteral("等待开始");
}

QStringList SiteFace::troubleMarks() const
{
    const SiteHealth &health = m_run.watch().health();
    QStringList marks;
    if (health.loginLost)
        marks << QStringLiteral("登录失效");
    if (health.outage)
        marks << QStringLiteral("无法访问");
    if (health.awaited.kind != PersonWait::None)
        marks << QStringLiteral("等待回答");
    if (health.unexpectedPage)
        marks << QStringLiteral("页面改变");
    if (health.reloginFailed)
        marks << QStringLiteral("自动登录失败");
    return marks;
}

QString SiteFace::rememberedWho() const
{
    const std::optional<RememberedLogin> &login = m_run.logins().login();
    return login ? login->who() : QString();
}

bool SiteFace::rememberedForThisAddress() const
{
    const std::optional<RememberedLogin> &login = m_run.logins().login();
    return login && login->address == m_run.addresses().login;
}

QString SiteFace::plainLoginFile() const
{
    return m_run.logins().keyringAnswers() ? QString() : m_run.logins().filePath();
}

void SiteFace::openLoginPage() { m_run.openLoginPage(); }
void SiteFace::startCycle() { m_run.startCycle(); }
void SiteFace::keepCycleLength(int minutes) { m_run.keepCycleLength(minutes); }
void SiteFace::rememberLogin(const RememberedLogin &login) { m_run.rememberLogin(login); }
void SiteFace::forgetLogin() { m_run.forgetLogin(); }
void SiteFace::notePersonActive() { m_run.notePersonActive(); }

void SiteFace::useAddresses(const AdminAddresses &addresses)
{
    m_run.useAddresses(addresses);
    emit rememberedLoginChanged(); // it may or may not be for the address typed
}

QString SiteFace::saveAddresses(const AdminAddresses &addresses)
{
    m_stepsShown = false;
    return m_run.saveAddresses(addresses);
}

void SiteFace::tellStartAtLogin()
{
    m_run.tellStartAtLogin();
}

void SiteFace::sayCannotStart()
{
    say(QStringLiteral("地址尚未保存，本次无法自动开始挂机"));
}

void SiteFace::showCaption(const QString &caption)
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

void SiteFace::troubleBegan(SiteTrouble trouble)
{
    const SiteHealth &health = m_run.watch().health();
    if (trouble == SiteTrouble::PersonAwaited && !m_awaiting)
        m_lineBeforeAwaited = m_line;
    m_awaiting = m_awaiting || trouble == SiteTrouble::PersonAwaited;
    // An outage and a box are told by the warning, in which a box comes first.
    const bool asksForAnswer = (trouble == SiteTrouble::PersonAwaited || trouble == SiteTrouble::Outage)
        && health.awaited.kind != PersonWait::None;
    const QString alarm = RunNarrator::alarm(trouble, health);
    say(alarm, asksForAnswer);
    emit alarmed(alarm);
    emit troublesChanged();
}

void SiteFace::troubleEnded(SiteTrouble trouble)
{
    emit troublesChanged();
    if (trouble != SiteTrouble::PersonAwaited)
        return;
    // Once answered, a line that still asks for the person shows again what
    // it showed before (the countdown replaces it anyway).
    m_awaiting = false;
    if (m_showsAwaited)
        say(m_lineBeforeAwaited);
}

void SiteFace::say(const QString &text, bool awaited)
{
    m_line = text;
    m_showsAwaited = awaited;
    emit lineChanged(text);
}
