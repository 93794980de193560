#include "countdown.h"

#include "base/timer.h"

Countdown::Countdown(TimerFactory &timers, QObject *parent)
    : QObject(parent), m_tick(timers.create(1000, this))
{
    m_tick->setObjectName(QStringLiteral("countdownTick"));
    connect(m_tick, &Timer::timeout, this, &Countdown::tick);
}

QString Countdown::sentence(Phase phase, int seconds)
{
    const QString number = QString::number(seconds);
    switch (phase) {
    case Phase::UntilGeneration:
        return QStringLiteral("离生成信息页面时间还有 ") + number + QStringLiteral(" 秒");
    case Phase::UntilHomePage:
        return QStringLiteral("离生成首页时间还有 ") + number + QStringLiteral(" 秒");
    case Phase::UntilNextCollection:
        return QStringLiteral("离下次采集时间还有 ") + number + QStringLiteral(" 秒");
    case Phase::None:
        break;
    }
    return {};
}

void Countdown::start(Phase phase, int seconds)
{
    m_phase = phase;
    m_seconds = seconds;
    m_tick->setEnabled(true);
}

void Countdown::stop()
{
    m_phase = Phase::None;
    m_tick->setEnabled(false);
}

void Countdown::tick()
{
    --m_seconds;
    const QString caption = sentence(m_phase, m_seconds);
    if (!caption.isEmpty())
        emit captionChanged(caption);
}
