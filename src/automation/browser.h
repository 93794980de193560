#pragma once

#include "settings/remembered_login.h"

#include <QObject>
#include <QString>
#include <QUrl>

class QWidget;

// Why a page did not load: the kind of failure, and the browser's own
// error name, or the number that goes with it.
struct LoadFailure {
    enum Kind {
        ConnectionTimedOut, ConnectionInterrupted, ConnectionRefused, ServerNotFound, Offline, CannotConnect,
        EmptyResponse, ServerError, CertificateInvalid, Other, TimedOut
    };
    Kind kind = Other;
    QString errorName; // as the browser names it (ERR_CONNECTION_REFUSED, say)
    int number = 0;    // ServerError: the HTTP status; TimedOut: the seconds waited

    bool operator==(const LoadFailure &other) const
    {
        return kind == other.kind && errorName == other.errorName && number == other.number;
    }
};

// How a page that the cycle asked for ended its load.
struct PageLoad {
    // Elsewhere: a page loaded, but not the one asked for (the CMS redirected
    // to its login page, say).
    enum Outcome { Loaded, Failed, Elsewhere };
    Outcome outcome = Loaded;
    LoadFailure failure; // Failed
    QString endedAt;     // Elsewhere: the address where the load ended

    bool loaded() const { return outcome == Loaded; }
};

// The outcome of a press of a page's submit button.
struct PressOutcome {
    enum Result {
        Pressed,
        NotPressed,        // the page did not have the button where it was looked for
        LoginForm,         // the button is a login form's: the login has ended
        NotOnRequestedPage // the page shown is not the one asked for: nothing was looked for
    };
    Result result = NotOnRequestedPage;
    int found = 0; // the elements answering to the name, where they were looked for
};

// A box of the browser that waits for a person: a site's user name and
// password, or whether to trust its certificate.
struct PersonWait {
    enum Kind { None, SitePassword, Certificate };
    Kind kind = None;
    QString host;

    bool operator==(const PersonWait &other) const { return kind == other.kind && host == other.host; }
    bool operator!=(const PersonWait &other) const { return !(*this == other); }
};

// A site's question for the person, shown by the window in a box that does
// not block: its user name and password (HTTP authentication), or whether to
// trust a certificate that no authority vouches for.
struct SiteQuestion {
    enum Kind { Password, Certificate };
    Kind kind = Password;
    QString key;  // the answer names it
    QString text; // what the box says
    bool canRemember = false; // Password: a keyring can keep the answer
    bool strict = false;      // Certificate: only a click accepts, Enter refuses
};

// The file of the certificates a person accepted could not be read at
// start, or an accepted one could not be added to it: later runs will ask
// again, and under --start nobody is there to answer.
struct CertificatesNotKept {
    enum Kind { Unreadable, Unsaved };
    Kind kind = Unsaved;
    QString file;
    QString reason;
};

// The page dialogs a page can open, by the script function that opens them.
enum class PageDialog { Alert, Confirm, Prompt };

inline QString functionName(PageDialog dialog)
{
    switch (dialog) {
    case PageDialog::Alert:
        return QStringLiteral("alert");
    case PageDialog::Confirm:
        return QStringLiteral("confirm");
    case PageDialog::Prompt:
        return QStringLiteral("prompt");
    }
    return {};
}

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
    // Fills in and submits the login form of the page shown, as remembered;
    // loginSent() tells whether it did.
    virtual void logIn(const RememberedLogin &login) = 0;
    // While the cycle drives the browser, the pages' dialogs are answered by
    // the browser itself; otherwise they wait for the person, as in any browser.
    virtual void setUnattended(bool unattended) = 0;
    // A resting page gives back its memory (its renderer goes) until it is
    // woken; a page on the screen stays awake whatever is asked.
    virtual void setResting(bool resting) = 0;
    // A load of the page's is in flight: one asked for, or a form's submission.
    virtual bool loading() const = 0;
    // The person's answer to a question: `yes` with the user name and
    // password typed, or to trust the certificate; no, or the box closed.
    virtual void answer(const SiteQuestion &question, bool yes, const QString &user = {},
                        const QString &password = {}, bool remember = false)
    {
        Q_UNUSED(question) Q_UNUSED(yes) Q_UNUSED(user) Q_UNUSED(password) Q_UNUSED(remember)
    }
    // The widget that shows its pages; none where nothing is shown.
    virtual QWidget *view() const { return nullptr; }

signals:
    void loadingEnded();
    void pageLoaded(const PageLoad &load);
    void pressReported(const PressOutcome &outcome);
    // While unattended, a page opened an alert, confirm, prompt or leave-page
    // box (a confirm), which the browser answered by itself; `text` is what
    // the page said.
    void pageDialogAnswered(PageDialog kind, const QString &text);
    // A box waits for a person, or none any more (PersonWait::None). Until
    // it is answered nothing is pressed on the site.
    void personAwaited(const PersonWait &wait);
    // A question for the person, to be shown in a box; answered by answer().
    void questionAsked(const SiteQuestion &question);
    // While unattended, a page opened a dialog right after the person's own
    // click or key in it: the browser is theirs, and the dialog waits for them.
    void personTookOver();
    // A certificate that no authority vouches for came with something other
    // than the page itself (an image, a frame): refused without a question.
    void certificateRefused(const QUrl &url);
    void certificatesNotKept(const CertificatesNotKept &failure);
    // A site password that the person asked to remember, or to forget once
    // the site refused it, did not reach the keyring.
    void sitePasswordNotKept(const QString &failure);
    // The person submitted a login form: a POST form with a password field,
    // in the page at `page` (login.address is left empty).
    void loginSubmitted(const QUrl &page, const RememberedLogin &login, bool captcha);
    // logIn() submitted the form, or sent nothing: the page has changed.
    void loginSent(bool sent);
    // The load that a login form's submission started has ended at `at`;
    // whether the page it shows still asks for a password (so does a failed
    // load).
    void loginAnswered(bool stillAsks, const QUrl &at);
};
