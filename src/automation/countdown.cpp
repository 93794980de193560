#include "countdown.h"

#include "text_number.h"
#include "timer.h"

Countdown::Countdown(TimerFactory &timers, QObject *parent)
    : QObject(parent), Timer4(timers.create(1000, this))
{
    connect(Timer4, &Timer::timeout, this, &Countdown::Timer4_Timer);
}

QString Countdown::sentence(const QString &phase, const QString &seconds)
{
    if (phase == QLatin1String("1"))
        return QStringLiteral("离生成信息页面时间还有 ") + seconds + QStringLiteral(" 秒");
    if (phase == QLatin1String("2"))
        return QStringLiteral("离生成首页时间还有 ") + seconds + QStringLiteral(" 秒");
    if (phase == QLatin1String("3"))
        return QStringLiteral("离下次采集时间还有 ") + seconds + QStringLiteral(" 秒");
    return {};
}

void Countdown::Timer4_Timer()
{
    if (const auto seconds = numberFromText(Text8))
        Text8 = textFromNumber(*seconds - 1);
    const QString caption = sentence(Text9, Text8);
    if (!caption.isEmpty())
        emit captionChanged(caption);
}
