#include "alerts.h"

#include "run_watch.h"
#include "automation/stage_machine.h"
#include "notify/notifier.h"

#include <QUrl>

Alerts::Alerts(RunWatch &watch, StageMachine &stages, Notifier &notifier, QObject *parent)
    : QObject(parent), m_stages(stages), m_notifier(notifier)
{
    connect(&watch, &RunWatch::loginLostChanged, this, [this](bool lost) {
        if (lost)
            trouble(QStringLiteral("login_lost"),
                    QStringLiteral("后台登录已失效，采集页上找不到提交按钮。请在这台机器上按“1: 手动登陆”登录后台，"
                                   "再按“2: 开始自动挂机”。"));
    });
    connect(&watch, &RunWatch::outageChanged, this, [this](const QString &reason) {
        if (!reason.isEmpty())
            trouble(QStringLiteral("outage"), QStringLiteral("网站无法访问：%1。请检查网站和网络；恢复后会自动继续采集。").arg(reason));
    });
    connect(&watch, &RunWatch::personAwaitedChanged, this, [this, &watch] {
        if (!watch.personAwaited().isEmpty())
            trouble(QStringLiteral("waiting"),
                    watch.personAwaited() + QStringLiteral("，在此之前不会采集。请到这台机器上回答窗口中的询问。"));
    });
    connect(&watch, &RunWatch::stoppedTooLong, this, [this] {
        trouble(QStringLiteral("stopped"),
                QStringLiteral("挂机已被“1: 手动登陆”停止 %1 分钟。请登录后台后按“2: 开始自动挂机”。")
                    .arg(RunWatch::ReminderAfter.count()));
    });
    connect(&watch, &RunWatch::collectionPressed, this, [this] {
        if (!m_troubleSince.isValid())
            return;
        const qint64 minutes = m_troubleSince.secsTo(QDateTime::currentDateTime()) / 60;
        m_troubleSince = {};
        m_notifier.send(QStringLiteral("recovered"), site(),
                        QStringLiteral("已恢复采集，采集页的提交按钮又按下了（问题持续约 %1 分钟）。").arg(minutes));
    });
    connect(&watch, &RunWatch::cycleCompleted, &notifier, &Notifier::beat);
}

QString Alerts::site() const
{
    return QUrl::fromUserInput(m_stages.addresses.collection).host();
}

void Alerts::trouble(const QString &event, const QString &what)
{
    if (!m_troubleSince.isValid())
        m_troubleSince = QDateTime::currentDateTime();
    m_notifier.send(event, site(), what);
}
