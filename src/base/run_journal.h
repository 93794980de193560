#pragma once

#include <QFile>
#include <QObject>
#include <QString>

// What the tool did, one line per event, appended to a UTF-8 text file: the
// local time to the second, the cycle number since start, and the event, on
// one line whatever the page said. The tool reads it back only to tell how
// the run before ended. Each line is written at once. A journal that cannot
// be written is reported once on standard error and costs the cycle nothing.
// At MaxBytes the file is renamed with a ".1" suffix, replacing an older one,
// and a new file is started; where the older one cannot be replaced, the
// file starts afresh.
class RunJournal : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 MaxBytes = 1024 * 1024;

    explicit RunJournal(QString path, QObject *parent = nullptr);

    // "run-journal.txt" beside the settings file.
    static QString pathBeside(const QString &settingsPath);
    // How the last run in the journal at `path` (and its older ".1") ended:
    // with its "退出" line, or without one (killed, crashed, the power cut).
    enum class LastRun { None, Quit, Unexpected };
    static LastRun lastRun(const QString &path);

    void setCycle(int cycle) { m_cycle = cycle; }
    void write(const QString &event);

private:
    bool ensureOpen(qint64 nextLineBytes);
    void reportFailure(const QString &reason);

    const QString m_path;
    QFile m_file;
    int m_cycle = 0;
    bool m_failureReported = false;
};
