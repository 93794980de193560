#pragma once

#include "settings/remembered_login.h"

#include <QJsonObject>
#include <QObject>
#include <QUrl>

class QWebEnginePage;

// Watches a page for the person's logins: each POST form with a password
// field submitted in the main frame is reported as a login to remember,
// read by a script in the tool's own script world and sent over a web
// channel before the page's own scripts see the submission.
class LoginWatch : public QObject {
    Q_OBJECT
public:
    explicit LoginWatch(QWebEnginePage &page, QObject *parent = nullptr);

    // The arguments of the script that logs in with `login`.
    static QJsonObject scriptArguments(const RememberedLogin &login);

    // Called by the page's script.
    Q_INVOKABLE void submitted(const QJsonObject &report);

signals:
    // `login.address` is empty: the form does not know which address it was
    // asked for under. A form with a captcha cannot be sent again by itself.
    void loginSubmitted(const QUrl &page, const RememberedLogin &login, bool captcha);
};
