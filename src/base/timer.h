#pragma once

#include <QDateTime>
#include <QObject>

// A repeating timer that ticks on the window's thread while it is enabled.
// Enabling a running timer leaves its schedule alone, so a clock that is
// "started" again every cycle never loses or gains a tick.
class Timer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
    virtual int interval() const = 0;

signals:
    void timeout();
};

// Where timers come from; the app hands in real ones, tests a virtual clock,
// which also tells the local time of day.
class TimerFactory {
public:
    virtual ~TimerFactory() = default;
    virtual Timer *create(int intervalMs, QObject *parent) = 0;
    virtual QDateTime wallTime() const { return QDateTime::currentDateTime(); }
};
