#include "requested_load.h"

namespace {

QUrl normalised(const QUrl &url)
{
    return url.adjusted(QUrl::NormalizePathSegments | QUrl::StripTrailingSlash);
}

} // namespace

void RequestedLoad::request(const QUrl &url)
{
    m_url = normalised(url);
    m_state = Requested;
}

bool RequestedLoad::endsWith(QWebEngineLoadingInfo::LoadStatus status, const QUrl &url)
{
    if (m_state == Idle)
        return false;
    const bool requestedAddress = normalised(url) == m_url;
    if (status == QWebEngineLoadingInfo::LoadStartedStatus) {
        if (requestedAddress)
            m_state = Started;
        return false;
    }
    if (m_state != Started && !requestedAddress)
        return false;
    m_state = Idle;
    return true;
}
