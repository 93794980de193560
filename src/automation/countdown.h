#pragma once

#include <QObject>
#include <QString>

class Timer;
class TimerFactory;

// The red countdown line: Timer4 takes one from Text8 every second and shows
// what is left in the sentence of the phase held in Text9.
class Countdown : public QObject {
    Q_OBJECT
public:
    Countdown(TimerFactory &timers, QObject *parent = nullptr);

    // The sentence shown for a phase, or an empty text for a phase that has
    // none (the line then keeps what it shows).
    static QString sentence(const QString &phase, const QString &seconds);

    void Timer4_Timer();

    QString Text8 = QStringLiteral("Text8"); // seconds left, may go below zero
    QString Text9 = QStringLiteral("Text9"); // phase "1", "2" or "3"
    Timer *const Timer4;

signals:
    void captionChanged(const QString &caption);
};
