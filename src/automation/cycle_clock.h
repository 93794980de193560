#pragma once

#include <QObject>
#include <QString>

class Timer;
class TimerFactory;

// Timer3: counts the seconds (Text6) and minutes (Text7) of the cycle. At
// minutes 9 and 18 the home page is due to be generated again; once the
// minutes reach the cycle length the next cycle is due and the minutes start
// again from zero.
class CycleClock : public QObject {
    Q_OBJECT
public:
    static constexpr int MinCycleLength = 1;
    static constexpr int MaxCycleLength = 1440;

    CycleClock(TimerFactory &timers, QObject *parent = nullptr);

    int cycleLength() const { return m_cycleLength; }
    void setCycleLength(int minutes);
    // Seconds until the tick that restarts the cycle; never below zero.
    int secondsToRestart() const;

    void Timer3_Timer();

    QString Text6 = QStringLiteral("0"); // seconds of the current minute
    QString Text7 = QStringLiteral("0"); // whole minutes since the last restart
    Timer *const Timer3;

signals:
    void homePageDue();
    void cycleDue();

private:
    int m_cycleLength = 10;
};
