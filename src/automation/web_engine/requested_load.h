#pragma once

#include <QUrl>
#include <QWebEngineLoadingInfo>

// Picks the end of the load that the tool asked for out of the browser's
// loading reports. Reports of other loads come in between: the end of the
// page shown before, which may arrive just after the next navigation was
// asked for, form submissions and the login typed by hand. A report ends the
// requested load when it is for the requested address, or when that address
// was reported started (the load may then end on the address it was
// redirected to). A load asked for while another is under way may be
// reported without a start of its own, and may end redirected: any end then
// is its own but the end of the load it replaced.
class RequestedLoad {
public:
    void request(const QUrl &url);
    void forget() { m_state = Idle; }
    bool pending() const { return m_state != Idle; }
    // Requested, and not yet reported started.
    bool awaitingStart() const { return m_state == Requested; }
    QUrl url() const { return m_url; }
    // Whether this report ends the requested load.
    bool endsWith(QWebEngineLoadingInfo::LoadStatus status, const QUrl &url);
    // Whether a load that ended at `url` reached the page asked for: the same
    // site (the same host, give or take a leading "www.", and port, or an
    // upgrade to HTTPS), the same path, and every query item asked for with
    // its value. A CMS that routes every page through one script
    // (index.php?m=...) differs only there.
    bool reached(const QUrl &url) const;

private:
    enum State { Idle, Requested, Started };
    State m_state = Idle;
    QUrl m_url;
    QUrl m_underway;   // the last load reported started and not yet ended
    QUrl m_superseded; // what was under way when this load was asked for
};
