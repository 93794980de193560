#pragma once

#include "settings/remembered_login.h"

#include <QObject>
#include <optional>

class Browser;
class LoginKeeper;
class QUrl;
class RunWatch;
class StageMachine;
struct AdminAddresses;

// The person's own logins on the login page, after "1": one that worked (it
// reached an administration page of the site that asks for no password: the
// collection page, or any page but the login page) lets the tool log in by
// itself again after a failed try, and is offered for remembering when it
// is not the one remembered already. A login that failed is neither.
class HandLogins : public QObject {
    Q_OBJECT
public:
    HandLogins(const StageMachine &stages, Browser &browser, const RunWatch &watch, LoginKeeper &keeper,
               const AdminAddresses &addresses, QObject *parent = nullptr);

signals:
    void rememberOffered(const RememberedLogin &login);
    // The form has a captcha: it cannot be sent again by the tool.
    void captchaFound();

private:
    void submitted(const QUrl &page, const RememberedLogin &login, bool captcha);
    void answered(bool stillAsks, const QUrl &at);
    void worked();

    const StageMachine &m_stages;
    LoginKeeper &m_keeper;
    const AdminAddresses &m_addresses;
    std::optional<RememberedLogin> m_sent;
    bool m_captcha = false;
    bool m_awaitingAdminPage = false; // answered at the login address, without a form
};
