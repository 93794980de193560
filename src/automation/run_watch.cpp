#include "run_watch.h"

#include "browser.h"
#include "cycle_clock.h"
#include "run_journal.h"

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

RunWatch::RunWatch(StageMachine &stages, Browser &browser, RunJournal &journal, QObject *parent)
    : QObject(parent), m_journal(journal)
{
    connect(&stages, &StageMachine::pageOpened, this, &RunWatch::pageOpened);
    connect(&browser, &Browser::pageLoaded, this, &RunWatch::pageLoaded);
    connect(&browser, &Browser::pressReported, this, &RunWatch::pressReported);
    connect(&browser, &Browser::pageDialogAnswered, this, [this](const QString &kind, const QString &text) {
        m_journal.write(QStringLiteral("网页对话框（%1）已自动应答：%2").arg(kind, text));
    });
    // The stage machine reacts to the restart first, so this line follows
    // the opening of the collection page that the restart caused.
    connect(&stages.clock(), &CycleClock::cycleDue, this, [this] {
        m_journal.write(QStringLiteral("到达采集间隔，已重新开始采集"));
    });
}

void RunWatch::pageOpened(StageMachine::Page page, const QString &address, bool again)
{
    m_page = page;
    if (page == StageMachine::Page::Collection)
        m_journal.setCycle(++m_cycle);
    m_journal.write((again ? QStringLiteral("按时再次打开") : QStringLiteral("打开")) + pageName(page)
                    + QStringLiteral("：") + address);
}

void RunWatch::pageLoaded(const PageLoad &load)
{
    const QString name = pageName(m_page);
    switch (load.outcome) {
    case PageLoad::Loaded:
        m_journal.write(name + QStringLiteral("载入成功"));
        break;
    case PageLoad::Failed:
        m_journal.write(name + QStringLiteral("载入失败：") + load.detail);
        break;
    case PageLoad::TimedOut:
        m_journal.write(name + QStringLiteral("载入超时：") + load.detail);
        break;
    }
}

void RunWatch::pressReported(int found, bool pressed)
{
    const QString name = pageName(m_page);
    if (pressed)
        m_journal.write(name + QStringLiteral("：已按下提交按钮"));
    else if (found < 0)
        m_journal.write(name + QStringLiteral("：未按下提交按钮（页面没有载入）"));
    else
        m_journal.write(name + QStringLiteral("：未按下提交按钮（找到 %1 个 submit_button）").arg(found));

    if (m_page != StageMachine::Page::Collection || found < 0)
        return;
    if (pressed)
        setLoginLost(false);
    else if (found == 0 && m_collectionHadButton)
        setLoginLost(true);
    m_collectionHadButton = found > 0;
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
