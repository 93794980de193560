#include "hand_logins.h"

#include "automation/browser.h"
#include "automation/web_engine/requested_load.h"
#include "automation/cycle/stage_machine.h"
#include "run_watch.h"
#include "settings/login_keeper.h"

namespace {

// Whether a load that ended at `url` reached the page at `address`.
bool reached(const QString &address, const QUrl &url)
{
    RequestedLoad page;
    page.request(QUrl::fromUserInput(address));
    return page.reached(url);
}

} // namespace

HandLogins::HandLogins(const StageMachine &stages, Browser &browser, const RunWatch &watch, LoginKeeper &keeper,
                       const AdminAddresses &addresses, QObject *parent)
    : QObject(parent), m_stages(stages), m_keeper(keeper), m_addresses(addresses)
{
    connect(&browser, &Browser::loginSubmitted, this, &HandLogins::submitted);
    connect(&browser, &Browser::loginAnswered, this, &HandLogins::answered);
    // Answered at the login address: it worked once the collection page is pressed.
    connect(&watch, &RunWatch::collectionPressed, this, [this] {
        if (std::exchange(m_awaitingAdminPage, false))
            worked();
    });
    connect(&watch, &RunWatch::loginLostSeen, this, [this] { m_sent.reset(); });
}

void HandLogins::submitted(const QUrl &page, const RememberedLogin &login, bool captcha)
{
    m_sent.reset();
    m_awaitingAdminPage = false;
    // Only the person's, on the page of the login address; the tool's own
    // logins come while the cycle runs.
    if (m_stages.isRunning() || m_stages.page() != StageMachine::Page::Login || !reached(m_addresses.login, page))
        return;
    m_sent = login;
    m_sent->address = m_addresses.login;
    m_sent->failed = false; // a login by hand
    m_captcha = captcha;
}

void HandLogins::answered(bool stillAsks, const QUrl &at)
{
    if (!m_sent || stillAsks)
        return m_sent.reset();
    // Many CMSs answer a wrong password with a page without a form (an
    // error and a back link) at the login address: that is no admin page.
    if (reached(m_addresses.login, at) && !reached(m_addresses.collection, at))
        m_awaitingAdminPage = true;
    else
        worked();
}

void HandLogins::worked()
{
    if (!m_sent)
        return;
    const RememberedLogin login = *std::exchange(m_sent, std::nullopt);
    if (m_captcha)
        return emit captchaFound();
    const std::optional<RememberedLogin> &kept = m_keeper.login();
    if (kept && kept->sameAs(login)) {
        if (kept->failed)
            m_keeper.keep(login); // a login by hand: the tool may try again
        return;
    }
    emit rememberOffered(login);
}
