#include "requested_load.h"

bool RequestedLoad::endsWith(QWebEngineLoadingInfo::LoadStatus status)
{
    if (status == QWebEngineLoadingInfo::LoadStartedStatus) {
        if (m_state == AwaitingStart)
            m_state = Loading;
        return false;
    }
    if (m_state != Loading)
        return false;
    m_state = Idle;
    return true;
}
