#pragma once

#include <QObject>
#include <QString>

class Timer;
class TimerFactory;

// The red countdown line: every second it takes one from the seconds left and
// shows them in the sentence of the current phase. The seconds may go below
// zero when a page is late.
class Countdown : public QObject {
    Q_OBJECT
public:
    enum class Phase { None, UntilGeneration, UntilHomePage, UntilNextCollection };

    Countdown(TimerFactory &timers, QObject *parent = nullptr);

    // The sentence shown for a phase; empty for None, and the line then keeps
    // what it shows.
    static QString sentence(Phase phase, int seconds);

    // Counts down from `seconds` in `phase`. A tick already running keeps its
    // schedule, so the line changes on the same beat as before.
    void start(Phase phase, int seconds);
    // The line keeps what it shows.
    void stop();
    Phase phase() const { return m_phase; }
    int seconds() const { return m_seconds; }
    // Moves the seconds left without changing the phase or the beat.
    void setSeconds(int seconds) { m_seconds = seconds; }

signals:
    void captionChanged(const QString &caption);

private:
    void tick();

    Timer *const m_tick;
    Phase m_phase = Phase::None;
    int m_seconds = 0;
};
