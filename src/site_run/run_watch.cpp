#include "run_watch.h"

#include "automation/browser.h"
#include "automation/cycle_clock.h"
#include "base/run_journal.h"
#include "base/timer.h"

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

} // namespace

RunWatch::RunWatch(StageMachine &stages, Browser &browser, RunJournal &journal, TimerFactory &timers,
                   QObject *parent)
    : QObject(parent),
      m_journal(journal),
      m_reminder(timers.create(int(std::chrono::milliseconds(ReminderAfter).count()), this))
{
    connect(&stages, &StageMachine::pageOpened, this, &RunWatch::pageOpened);
    connect(&browser, &Browser::pageLoaded, this, &RunWatch::pageLoaded);
    connect(&browser, &Browser::pressReported, this, &RunWatch::pressReported);
    connect(&browser, &Browser::pageDialogAnswered, this, [this](const QString &kind, const QString &text) {
        m_journal.write(QStringLiteral("网页对话框（%1）已自动应答：%2").arg(kind, text));
    });
    connect(&browser, &Browser::personAwaited, this, [this](const QString &why) {
        if (why == m_personAwaited)
            return;
        m_journal.write(why.isEmpty() ? QStringLiteral("网站的询问已回答或已取消") : why + QStringLiteral("：回答之前不在该网站上按任何按钮"));
        m_personAwaited = why;
        emit personAwaitedChanged();
    });
    // The stage machine reacts to the restart first, so this line follows
    // the opening of the collection page that the restart caused.
    connect(&stages.clock(), &CycleClock::cycleDue, this, [this] {
        m_journal.write(QStringLiteral("到达采集间隔，已重新开始采集"));
    });
    connect(&stages, &StageMachine::cycleStopped, this, [this](StageMachine::Stop why) {
        m_stopped = true;
        m_journal.write(why == StageMachine::Stop::LoginPressed
                            ? QStringLiteral("按了“1: 手动登陆”：挂机已停止，登陆后请按“2: 开始自动挂机”")
                            : QStringLiteral("网页在您点击或按键后弹出对话框：挂机已停止，对话框留给您回答，"
                                             "完成后请按“2: 开始自动挂机”"));
        m_reminder->setEnabled(true);
    });
    connect(&stages, &StageMachine::cycleStarted, this, [this] {
        m_reminder->setEnabled(false);
        if (m_stopped)
            m_journal.write(QStringLiteral("按了“2: 开始自动挂机”：重新开始挂机"));
        m_stopped = false;
    });
    connect(m_reminder, &Timer::timeout, this, [this] {
        m_reminder->setEnabled(false);
        m_journal.write(QStringLiteral("挂机已停止 %1 分钟，仍在等待按“2: 开始自动挂机”").arg(ReminderAfter.count()));
        emit stoppedTooLong();
    });
}

void RunWatch::pageOpened(StageMachine::Page page, const QString &address, bool again)
{
    m_page = page;
    if (page == StageMachine::Page::Collection) {
        m_journal.setCycle(++m_cycle);
        m_pressesThisCycle = 0;
    }
    m_journal.write((again ? QStringLiteral("按时再次打开") : QStringLiteral("打开")) + pageName(page)
                    + QStringLiteral("：") + address);
}

void RunWatch::pageLoaded(const PageLoad &load)
{
    const QString name = pageName(m_page);
    const bool cyclePage = m_page != StageMachine::Page::Login;
    switch (load.outcome) {
    case PageLoad::Loaded:
        m_journal.write(name + QStringLiteral("载入成功"));
        if (cyclePage)
            noteLoaded();
        if (m_page == StageMachine::Page::HomePage && m_pressesThisCycle == 2) {
            m_pressesThisCycle = 0; // once per cycle, not at each reopening
            emit cycleCompleted();
        }
        break;
    case PageLoad::Elsewhere:
        m_journal.write(name + QStringLiteral("没有打开，停在了另一个页面：") + load.detail);
        if (cyclePage) {
            noteLoaded();
            setLoginLost(true);
        }
        break;
    case PageLoad::Failed:
    case PageLoad::TimedOut:
        m_journal.write(name + QStringLiteral("载入失败：") + load.detail);
        // A page refused while a box asks the person is no outage.
        if (cyclePage && m_personAwaited.isEmpty())
            noteFailure(load.detail);
        break;
    }
}

void RunWatch::noteFailure(const QString &reason)
{
    if (++m_failuresInARow < 2 || !m_outage.isEmpty())
        return;
    m_outage = reason;
    m_outageStart = QDateTime::currentDateTime();
    m_journal.write(QStringLiteral("网站无法访问：") + reason);
    emit outageChanged(reason);
}

void RunWatch::noteLoaded()
{
    m_failuresInARow = 0;
    if (m_outage.isEmpty())
        return;
    m_outage.clear();
    const qint64 minutes = m_outageStart.secsTo(QDateTime::currentDateTime()) / 60;
    m_journal.write(QStringLiteral("网站恢复访问（无法访问约 %1 分钟）").arg(minutes));
    emit outageChanged({});
}

void RunWatch::pressReported(int found, bool pressed)
{
    const QString name = pageName(m_page);
    if (pressed)
        m_journal.write(name + QStringLiteral("：已按下提交按钮"));
    else if (found < 0)
        m_journal.write(name + QStringLiteral("：未按下提交按钮（不在要打开的页面上）"));
    else
        m_journal.write(name + QStringLiteral("：未按下提交按钮（找到 %1 个 submit_button）").arg(found));

    m_pressesThisCycle += pressed;
    if (m_page != StageMachine::Page::Collection || found < 0)
        return;
    if (pressed) {
        setLoginLost(false);
        emit collectionPressed();
    }
    else if (found == 0)
        setLoginLost(true);
}

void RunWatch::setLoginLost(bool lost)
{
    if (lost == m_loginLost)
        return;
    m_loginLost = lost;
    m_journal.write(lost ? QStringLiteral("采集页上没有提交按钮：后台登录可能已失效，请重新登陆")
                         : QStringLiteral("采集页的提交按钮又按下了"));
    emit loginLostChanged(lost);
}
