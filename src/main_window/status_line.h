#pragma once

#include "site_run/site_health.h"

#include <QLabel>

class SiteRun;

// The red line under the browser: the countdown of the cycle's waits and,
// while something is wrong, a warning every other second in turn with it.
// When trouble begins it says so at once; a cycle stopped by "1" says how to
// go on.
class StatusLine : public QLabel {
    Q_OBJECT
public:
    StatusLine(const SiteRun &run, QWidget *parent);

    // --start found no saved addresses.
    void sayCannotStart();

signals:
    // Trouble began, in these words; the tray says it while the window is hidden.
    void alarmed(const QString &text);

private:
    void showCaption(const QString &caption);
    void troubleBegan(SiteTrouble trouble);
    void troubleEnded(SiteTrouble trouble);
    // `awaited`: the text asks for a box's answer.
    void say(const QString &text, bool awaited = false);

    const SiteRun &m_run;
    int m_captionsShown = 0;
    bool m_awaiting = false;         // a box waits for an answer
    bool m_showsAwaited = false;     // the line asks for that answer
    QString m_lineBeforeAwaited;     // what it said before the box came
};
