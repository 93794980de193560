#pragma once

#include <QObject>
#include <QString>

// How a page that the cycle asked for ended its load.
struct PageLoad {
    // Elsewhere: a page loaded, but not the one asked for (the CMS redirected
    // to its login page, say).
    enum Outcome { Loaded, Failed, TimedOut, Elsewhere };
    Outcome outcome = Loaded;
    // Why it failed, in Chinese words, the browser's own error name after
    // them; for Elsewhere, the address where the load ended.
    QString detail;

    bool loaded() const { return outcome == Loaded; }
};

// The embedded browser as the collection cycle sees it. Every call only
// starts work and returns at once; the end of each load that navigate()
// asked for is reported later through pageLoaded(), and only that load's.
class Browser : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void navigate(const QString &address) = 0;
    // Clicks the one element whose name or id is "submit_button"; does
    // nothing when there is none or more than one.
    virtual void pressSubmitButton() = 0;
    // Clicks the second element named "submit_button", if there is one.
    virtual void pressSecondSubmitButton() = 0;
    // While the cycle drives the browser, the pages' dialogs are answered by
    // the browser itself; otherwise they wait for the person, as in any browser.
    virtual void setUnattended(bool unattended) = 0;

signals:
    void pageLoaded(const PageLoad &load);
    // The outcome of a press: how many elements answered to the name (-1:
    // the requested page is not the one shown, so nothing was looked for), and
    // whether one was clicked.
    void pressReported(int found, bool pressed);
    // While unattended, a page opened an alert, confirm, prompt or leave-page
    // box, which the browser answered by itself: `kind` is "alert", "confirm" (the leave-page
    // question included) or "prompt", `text` what the page said.
    void pageDialogAnswered(const QString &kind, const QString &text);
    // A box waits for a person: the site's user name and password, or whether
    // to trust its certificate. Until it is answered nothing is pressed on
    // the site. `why` says so in words; empty once no box waits.
    void personAwaited(const QString &why);
    // While unattended, a page opened a dialog right after the person's own
    // click or key in it: the browser is theirs, and the dialog waits for them.
    void personTookOver();
};
