#pragma once

#include "settings/remembered_login.h"

#include <QObject>
#include <optional>

class Browser;
class LoginKeeper;
class QUrl;
class StageMachine;
struct AdminAddresses;

// The person's own logins on the login page, after "1": one that worked (its
// page no longer asks for a password) lets the tool log in by itself again
// after a failed try, and is offered for remembering when it is not the one
// remembered already.
class HandLogins : public QObject {
    Q_OBJECT
public:
    HandLogins(const StageMachine &stages, Browser &browser, LoginKeeper &keeper, const AdminAddresses &addresses,
               QObject *parent = nullptr);

signals:
    void rememberOffered(const RememberedLogin &login);
    // The form has a captcha: it cannot be sent again by the tool.
    void captchaFound();

private:
    void submitted(const QUrl &page, const RememberedLogin &login, bool captcha);
    void answered(bool stillAsks);

    const StageMachine &m_stages;
    LoginKeeper &m_keeper;
    const AdminAddresses &m_addresses;
    std::optional<RememberedLogin> m_sent;
    bool m_captcha = false;
};
