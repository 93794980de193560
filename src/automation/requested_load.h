#pragma once

#include <QWebEngineLoadingInfo>

// Picks the end of the load that the tool asked for out of the browser's
// loading reports. Reports of other loads come in between: the end of the
// page shown before, which may arrive just after the next navigation was
// asked for, form submissions and the login typed by hand. A load counts as
// ours from the first start reported after the request on.
class RequestedLoad {
public:
    void request() { m_state = AwaitingStart; }
    void forget() { m_state = Idle; }
    bool pending() const { return m_state != Idle; }
    // Whether `status` ends the requested load.
    bool endsWith(QWebEngineLoadingInfo::LoadStatus status);

private:
    enum State { Idle, AwaitingStart, Loading };
    State m_state = Idle;
};
