#pragma once

#include <QDateTime>
#include <QObject>
#include <functional>
#include <vector>

class Notifier;
class Relogin;
class RunWatch;
class Timer;
class TimerFactory;

// Once a day, at the time set in 通知设置, tells the robot how the hours since
// the last report went: cycles completed, collections and generations pressed,
// outages and their minutes, lost logins, automatic logins and their failures,
// pages not as expected, and the state now in the red line's words. The
// figures and the day last reported are kept in report.ini beside 123.txt:
// a restart loses none, a report missed while the tool was not running goes
// at its next start, and no day gets two.
class DailyReport : public QObject {
    Q_OBJECT
public:
    DailyReport(const RunWatch &watch, const Relogin &relogin, Notifier &notifier, TimerFactory &timers,
                const QString &settingsPath, std::function<QString()> site, QObject *parent = nullptr);

private:
    struct Tally {
        QDateTime since;
        QDate reported; // the last day a report went for
        int cycles = 0, collections = 0, generations = 0, outages = 0, outageMinutes = 0, loginsLost = 0,
            relogins = 0, reloginsFailed = 0, pagesChanged = 0;
    };

    // The figures by the names report.ini gives them.
    static const std::vector<std::pair<const char *, int Tally::*>> &figures();
    void load();
    void count(int Tally::*figure, int by = 1);
    void sendIfDue();
    QString text() const;
    void save() const;

    const RunWatch &m_watch;
    Notifier &m_notifier;
    TimerFactory &m_timers;
    const QString m_path;
    const std::function<QString()> m_site;
    Timer *const m_minute;
    Tally m_tally;
};
