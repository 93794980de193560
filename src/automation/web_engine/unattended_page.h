#pragma once

#include "automation/browser.h"

#include <QElapsedTimer>
#include <QWebEnginePage>

// A page that, while unattended, never waits for a person: an alert is
// acknowledged, a confirm answered OK (the tool pressed that button on
// purpose), a prompt given its default text, and a "leave this page?"
// question lets the navigation go on. Otherwise its dialogs are a browser's
// own boxes, which wait for the person (a wrong login's alert, say). A
// dialog that follows the person's own click or key is theirs as well: the
// page then stops being unattended.
// What the page said goes to standard error with the time, on one line; the
// page's console messages go nowhere (under autostart, standard error is a
// file that only grows).
class UnattendedPage : public QWebEnginePage {
    Q_OBJECT
public:
    using QWebEnginePage::QWebEnginePage;
    void setUnattended(bool unattended) { m_unattended = unattended; }
    // The person clicked or typed in the page just now.
    void notePersonInput() { m_personInput.start(); }

signals:
    void dialogAnswered(PageDialog kind, const QString &text);
    // A dialog followed the person's input: the page is no longer unattended.
    void personTookOver();

protected:
    void javaScriptAlert(const QUrl &origin, const QString &text) override;
    bool javaScriptConfirm(const QUrl &origin, const QString &text) override;
    bool javaScriptPrompt(const QUrl &origin, const QString &text, const QString &defaultValue,
                          QString *result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int, const QString &) override {}

private:
    // A dialog that follows the person's input this soon is theirs.
    static constexpr qint64 PersonsDialogWithinMs = 2000;

    bool answersItself();
    void report(PageDialog kind, const QString &text);

    bool m_unattended = false;
    QElapsedTimer m_personInput;
};
