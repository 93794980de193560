#include "run_narrator.h"

#include "automation/cycle/cycle_clock.h"
#include "base/one_line.h"
#include "base/run_journal.h"
#include "relogin.h"
#include "run_watch.h"
#include "settings/login_keeper.h"

namespace {

QString pageName(StageMachine::Page page)
{
    switch (page) {
    case StageMachine::Page::Login:
        return QStringLiteral("登录页");
    case StageMachine::Page::Collection:
        return QStringLiteral("采集页");
    case StageMachine::Page::Generation:
        return QStringLiteral("信息页生成页");
    case StageMachine::Page::HomePage:
        return QStringLiteral("首页生成页");
    }
    return {};
}

// Why a page did not load, in a few words.
QString failureWords(const LoadFailure &failure)
{
    switch (failure.kind) {
    case LoadFailure::ConnectionTimedOut: return QStringLiteral("连接超时");
    case LoadFailure::ConnectionInterrupted: return QStringLiteral("连接被中断");
    case LoadFailure::ConnectionRefused: return QStringLiteral("连接被拒绝");
    case LoadFailure::ServerNotFound: return QStringLiteral("找不到服务器");
    case LoadFailure::Offline: return QStringLiteral("本机没有连接网络");
    case LoadFailure::CannotConnect: return QStringLiteral("无法连接到服务器");
    case LoadFailure::EmptyResponse: return QStringLiteral("服务器没有返回内容");
    case LoadFailure::ServerError: return QStringLiteral("服务器出错");
    case LoadFailure::CertificateInvalid: return QStringLiteral("证书不可信");
    case LoadFailure::Other: return QStringLiteral("页面载入失败");
    case LoadFailure::TimedOut: return QStringLiteral("页面载入超时");
    }
    return {};
}

// The words with what the browser said of it.
QString failureInFull(const LoadFailure &failure)
{
    QString detail = failure.errorName;
    if (failure.kind == LoadFailure::ServerError)
        detail = QStringLiteral("HTTP %1").arg(failure.number);
    else if (failure.kind == LoadFailure::TimedOut)
        detail = QStringLiteral("%1 秒后仍未载入完成，已停止").arg(failure.number);
    return failureWords(failure) + QStringLiteral("（%1）").arg(detail);
}

QString awaitedWords(const PersonWait &wait)
{
    switch (wait.kind) {
    case PersonWait::SitePassword:
        return QStringLiteral("等待输入网站 %1 的用户名和密码").arg(wait.host);
    case PersonWait::Certificate:
        return QStringLiteral("等待确认网站 %1 的安全证书").arg(wait.host);
    case PersonWait::None:
        break;
    }
    return {};
}

const char LoginLostLine[] = "未找到提交按钮，请重新登陆后台";
const char ReloginFailedLine[] = "自动重新登录失败，请手动登陆";

QString unexpectedPageWords(const UnexpectedPage &page)
{
    return page.collection ? QStringLiteral("采集页有 %1 个提交按钮，未按下，请检查采集页").arg(page.found)
                           : QStringLiteral("生成页没有第二个提交按钮，未按下");
}

} // namespace

RunNarrator::RunNarrator(const StageMachine &stages, Browser &browser, RunJournal &journal, QObject *parent)
    : QObject(parent), m_stages(stages), m_journal(journal)
{
    connect(&stages, &StageMachine::pageOpened, this, [this](StageMachine::Page page, const QString &address, bool again) {
        if (page == StageMachine::Page::Collection)
            m_journal.setCycle(++m_cycle);
        m_journal.write((again ? QStringLiteral("按时再次打开") : QStringLiteral("打开")) + pageName(page)
                        + QStringLiteral("：") + address);
    });
    // The stage machine reacts to the restart first, so this line follows
    // the opening of the collection page that the restart caused.
    connect(&stages.clock(), &CycleClock::cycleDue, this,
            [this] { m_journal.write(QStringLiteral("到达采集间隔，已重新开始采集")); });
    connect(&stages, &StageMachine::cycleStopped, this, [this](StageMachine::Stop why) {
        m_stopped = true;
        m_running = false;
        m_journal.write(why == StageMachine::Stop::LoginPressed
                            ? QStringLiteral("按了“1: 手动登陆”：挂机已停止，登陆后请按“2: 开始自动挂机”")
                            : QStringLiteral("网页在您点击或按键后弹出对话框：挂机已停止，对话框留给您回答，"
                                             "完成后请按“2: 开始自动挂机”"));
    });
    // Started by a person or --start, not restarted by the clock.
    connect(&stages, &StageMachine::cycleStarted, this, [this] {
        if (std::exchange(m_running, true))
            return;
        const QString length = QStringLiteral("，采集间隔 %1 分钟").arg(m_stages.clock().cycleLength());
        m_journal.write((std::exchange(m_stopped, false) ? QStringLiteral("按了“2: 开始自动挂机”：重新开始挂机")
                                                          : QStringLiteral("开始自动挂机"))
                        + length);
    });
    connect(&browser, &Browser::pageLoaded, this, &RunNarrator::pageLoaded);
    connect(&browser, &Browser::pressReported, this, &RunNarrator::pressReported);
    connect(&browser, &Browser::pageDialogAnswered, this, [this](PageDialog kind, const QString &text) {
        m_journal.write(QStringLiteral("网页对话框（%1）已自动应答：%2").arg(functionName(kind), text));
    });
    connect(&browser, &Browser::certificateRefused, this, [this](const QUrl &url) {
        m_journal.write(QStringLiteral("已拒绝网页中 %1 的不可信证书（不是网页本身，不询问）").arg(url.toString()));
    });
    connect(&browser, &Browser::certificatesNotKept, this,
            [this](const CertificatesNotKept &failure) { m_journal.write(certificatesNotKept(failure)); });
    connect(&browser, &Browser::sitePasswordNotKept, this, [this](const QString &failure) {
        m_journal.write(QStringLiteral("网站密码未能保存到密钥环：") + oneLine(failure));
    });
}

void RunNarrator::follow(const Relogin &relogin, const LoginKeeper &logins)
{
    connect(&relogin, &Relogin::begun, this,
            [this] { m_journal.write(QStringLiteral("用记住的登录自动重新登录：打开登录页")); });
    connect(&relogin, &Relogin::tried, this, [this](Relogin::Outcome outcome) {
        switch (outcome) {
        case Relogin::Outcome::LoggedIn:
            return m_journal.write(QStringLiteral("已自动重新登录"));
        case Relogin::Outcome::StillLoggedIn:
            return m_journal.write(QStringLiteral("登录仍有效"));
        case Relogin::Outcome::GivenUp:
            return m_journal.write(QStringLiteral("有人在操作本工具：自动重新登录已放弃，没有发送"));
        case Relogin::Outcome::FormChanged:
            return m_journal.write(QStringLiteral("登录表单已改变，未自动登录"));
        case Relogin::Outcome::Unconfirmed:
            return m_journal.write(QStringLiteral("上次自动登录没有结果（失败，或本工具在回答之前结束）：不再自动发送"));
        case Relogin::Outcome::NotSent:
            return m_journal.write(QStringLiteral("自动重新登录没有发送，下一轮再试"));
        case Relogin::Outcome::Disabled:
            return m_journal.write(QStringLiteral("本次运行不自动重新登录（无法锁定本文件夹），请手动登陆"));
        case Relogin::Outcome::Failed: // told as a trouble
        case Relogin::Outcome::PageChanged:
        case Relogin::Outcome::NotRemembered:
            return;
        }
    });
    connect(&logins, &LoginKeeper::changed, this, [this, &logins](const QString &failure) {
        const std::optional<RememberedLogin> &login = logins.login();
        if (!failure.isEmpty())
            m_journal.write(QStringLiteral("无法保存登录：") + failure);
        else if (!login)
            m_journal.write(QStringLiteral("已忘记登录")), m_remembered.clear();
        else if (!login->failed) {
            const QString place = logins.place() == LoginKeeper::Place::Keyring ? QStringLiteral("保存在密钥环")
                                                                                 : QStringLiteral("保存在 login.ini");
            const QString line = QStringLiteral("已记住登录：%1（%2）").arg(login->who(), place);
            // Once, not again as an automatic login's mark is cleared.
            if (std::exchange(m_remembered, line) != line)
                m_journal.write(line);
        }
    });
}

QString RunNarrator::loggedInAgain()
{
    return QStringLiteral("登录失效，已自动重新登录");
}

QString RunNarrator::certificatesNotKept(const CertificatesNotKept &failure)
{
    return (failure.kind == CertificatesNotKept::Unreadable ? QStringLiteral("无法读取已接受的证书：")
                                                            : QStringLiteral("无法保存已接受的证书："))
        + failure.file + QStringLiteral("：") + failure.reason;
}

QString RunNarrator::notifySettingsReadableByOthers()
{
    return QStringLiteral("notify.ini 可被其他用户读取，请执行 chmod 600 notify.ini");
}

void RunNarrator::follow(const RunWatch &watch)
{
    connect(&watch, &RunWatch::troubleBegan, this,
            [this, &watch](SiteTrouble trouble) { troubleBegan(trouble, watch.health()); });
    connect(&watch, &RunWatch::troubleEnded, this,
            [this, &watch](SiteTrouble trouble) { troubleEnded(trouble, watch.health()); });
}

void RunNarrator::pageLoaded(const PageLoad &load)
{
    const QString name = pageName(m_stages.page());
    switch (load.outcome) {
    case PageLoad::Loaded:
        m_journal.write(name + QStringLiteral("载入成功"));
        break;
    case PageLoad::Elsewhere:
        m_journal.write(name + QStringLiteral("没有打开，停在了另一个页面：") + load.endedAt);
        break;
    case PageLoad::Failed:
        m_journal.write(name + QStringLiteral("载入失败：") + failureInFull(load.failure));
        break;
    }
}

void RunNarrator::pressReported(const PressOutcome &outcome)
{
    const QString name = pageName(m_stages.page());
    switch (outcome.result) {
    case PressOutcome::Pressed:
        m_journal.write(name + QStringLiteral("：已按下提交按钮"));
        break;
    case PressOutcome::NotPressed:
        m_journal.write(name + QStringLiteral("：未按下提交按钮（找到 %1 个 submit_button）").arg(outcome.found));
        break;
    case PressOutcome::NotOnRequestedPage:
        m_journal.write(name + QStringLiteral("：未按下提交按钮（不在要打开的页面上）"));
        break;
    case PressOutcome::LoginForm:
        m_journal.write(name + QStringLiteral("：未按下提交按钮（它在登录表单里：后台登录可能已失效）"));
        break;
    }
}

void RunNarrator::troubleBegan(SiteTrouble trouble, const SiteHealth &health)
{
    switch (trouble) {
    case SiteTrouble::LoginLost:
        // Named by the page of the cycle where it showed.
        m_journal.write(QStringLiteral("在%1发现后台登录可能已失效，请重新登陆").arg(pageName(m_stages.page())));
        break;
    case SiteTrouble::Outage:
        m_journal.write(QStringLiteral("网站无法访问：") + failureInFull(*health.outage));
        break;
    case SiteTrouble::PersonAwaited:
        m_journal.write(awaitedWords(health.awaited) + QStringLiteral("：回答之前不在该网站上按任何按钮"));
        break;
    case SiteTrouble::StoppedTooLong:
        m_journal.write(QStringLiteral("挂机已停止 %1 分钟，仍在等待按“2: 开始自动挂机”").arg(RunWatch::ReminderAfter.count()));
        break;
    case SiteTrouble::PageChanged:
        m_journal.write(unexpectedPageWords(*health.unexpectedPage));
        break;
    case SiteTrouble::ReloginFailed:
        m_journal.write(QString::fromUtf8(ReloginFailedLine));
        break;
    }
}

void RunNarrator::troubleEnded(SiteTrouble trouble, const SiteHealth &health)
{
    switch (trouble) {
    case SiteTrouble::LoginLost:
        m_journal.write(QStringLiteral("采集页的提交按钮又按下了"));
        break;
    case SiteTrouble::Outage:
        m_journal.write(QStringLiteral("网站恢复访问（无法访问约 %1 分钟）")
                            .arg(health.outageMinutes));
        break;
    case SiteTrouble::PersonAwaited:
        m_journal.write(QStringLiteral("网站的询问已回答或已取消"));
        break;
    case SiteTrouble::PageChanged:
        m_journal.write(QStringLiteral("页面的提交按钮又按下了"));
        break;
    case SiteTrouble::StoppedTooLong:
    case SiteTrouble::ReloginFailed: // ends with the login lost
        break;
    }
}

QString RunNarrator::warning(const SiteHealth &health)
{
    if (health.awaited.kind != PersonWait::None)
        return awaitedWords(health.awaited);
    // The red line is narrow: the reason without the browser's error name.
    if (health.outage)
        return QStringLiteral("网站无法访问：") + failureWords(*health.outage);
    if (health.loginLost)
        return QString::fromUtf8(health.reloginFailed ? ReloginFailedLine : LoginLostLine);
    return health.unexpectedPage ? unexpectedPageWords(*health.unexpectedPage) : QString();
}

QString RunNarrator::alarm(SiteTrouble trouble, const SiteHealth &health)
{
    switch (trouble) {
    case SiteTrouble::LoginLost:
        return QString::fromUtf8(LoginLostLine);
    case SiteTrouble::Outage:
    case SiteTrouble::PersonAwaited:
        return warning(health);
    case SiteTrouble::StoppedTooLong:
        return health.stoppedByDialog ? QStringLiteral("已停止挂机10分钟：回答网页的对话框后请按 2")
                                      : QStringLiteral("已停止挂机10分钟：登陆后请按 2");
    case SiteTrouble::PageChanged:
        return unexpectedPageWords(*health.unexpectedPage);
    case SiteTrouble::ReloginFailed:
        return QString::fromUtf8(ReloginFailedLine);
    }
    return {};
}

QString RunNarrator::alert(SiteTrouble trouble, const SiteHealth &health)
{
    switch (trouble) {
    case SiteTrouble::LoginLost:
        return QStringLiteral("后台登录已失效，采集页上找不到提交按钮。请在这台机器上按“1: 手动登陆”登录后台，"
                              "再按“2: 开始自动挂机”。");
    case SiteTrouble::Outage:
        return QStringLiteral("网站无法访问：%1。请检查网站和网络；恢复后会自动继续采集。").arg(failureInFull(*health.outage));
    case SiteTrouble::PersonAwaited:
        return awaitedWords(health.awaited) + QStringLiteral("，在此之前不会采集。请到这台机器上回答窗口中的对话框。");
    case SiteTrouble::StoppedTooLong:
        return (health.stoppedByDialog
                    ? QStringLiteral("网页在有人点击后弹出了对话框，挂机已停止 %1 分钟。请回答对话框后按“2: 开始自动挂机”。")
                    : QStringLiteral("挂机已被“1: 手动登陆”停止 %1 分钟。请登录后台后按“2: 开始自动挂机”。"))
            .arg(RunWatch::ReminderAfter.count());
    case SiteTrouble::PageChanged:
        return unexpectedPageWords(*health.unexpectedPage) + QStringLiteral("。后台页面可能改版了，请检查；按下后会自动继续。");
    case SiteTrouble::ReloginFailed:
        return QStringLiteral("后台登录已失效，本工具自动重新登录失败，不会再自动登录。请在这台机器上按“1: 手动登陆”登录后台，"
                              "再按“2: 开始自动挂机”。");
    }
    return {};
}

QString RunNarrator::alertEvent(SiteTrouble trouble)
{
    switch (trouble) {
    case SiteTrouble::LoginLost:
        return QStringLiteral("login_lost");
    case SiteTrouble::Outage:
        return QStringLiteral("outage");
    case SiteTrouble::PersonAwaited:
        return QStringLiteral("waiting");
    case SiteTrouble::StoppedTooLong:
        return QStringLiteral("stopped");
    case SiteTrouble::PageChanged:
        return QStringLiteral("page_changed");
    case SiteTrouble::ReloginFailed:
        return QStringLiteral("relogin_failed");
    }
    return {};
}

QString RunNarrator::recovered(qint64 minutes)
{
    return QStringLiteral("已恢复采集，采集页的提交按钮又按下了（问题持续约 %1 分钟）。").arg(minutes);
}

QString RunNarrator::startedAtLogin(RunJournal::LastRun before)
{
    return QStringLiteral("已随开机（--start）启动并开始自动挂机。")
        + (before == RunJournal::LastRun::Quit         ? QStringLiteral("上次正常退出。")
               : before == RunJournal::LastRun::Unexpected ? QStringLiteral("上次意外结束（崩溃、被强行结束或断电）。")
                                                           : QString());
}

QString RunNarrator::cannotStartAtLogin(bool saved)
{
    return QStringLiteral("已随开机（--start）启动，但无法开始自动挂机：")
        + (saved ? QStringLiteral("123.txt 里没有完整的四个地址。") : QStringLiteral("文件夹里没有 123.txt。"))
        + QStringLiteral("请在窗口里填好地址并保存。");
}

QString RunNarrator::quit()
{
    return QStringLiteral("工具已退出，不再采集。如果不是有意退出，请重新启动它。");
}

QString RunNarrator::stopped()
{
    return QStringLiteral("已停止挂机：登陆后请按 2 开始");
}
