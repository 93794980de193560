#pragma once

#include "timer.h"

class QTimer;

// A Timer on QTimer with Qt::PreciseTimer: each tick is scheduled from the
// previous due time, so a 1000 ms clock does not drift over days.
class PreciseTimer : public Timer {
    Q_OBJECT
public:
    PreciseTimer(int intervalMs, QObject *parent);
    void setEnabled(bool enabled) override;
    bool isEnabled() const override;
    int interval() const override;

private:
    QTimer *m_timer;
};

class PreciseTimerFactory : public TimerFactory {
public:
    Timer *create(int intervalMs, QObject *parent) override;
};
