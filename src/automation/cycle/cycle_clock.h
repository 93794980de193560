#pragma once

#include <QObject>

class Timer;
class TimerFactory;

// Counts the seconds and minutes of the cycle, one tick a second. At minutes
// 9 and 18 the home page is due to be generated again; once the minutes
// reach the cycle length the next cycle is due and the minutes start again
// from zero. Once started it runs for as long as the tool does.
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

    // Starts ticking if stopped; never resets the counts or the tick's schedule.
    void start();
    // Stops ticking and counts from zero at the next start.
    void stop();
    void tick();

signals:
    void homePageDue();
    void cycleDue();

private:
    Timer *const m_tick;
    int m_seconds = 0; // of the current minute
    int m_minutes = 0; // whole minutes since the last restart
    int m_cycleLength = 10;
};
