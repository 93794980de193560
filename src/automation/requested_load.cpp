#include "requested_load.h"

#include <QUrlQuery>

#include <algorithm>

namespace {

QUrl normalised(const QUrl &url)
{
    return url.adjusted(QUrl::NormalizePathSegments | QUrl::StripTrailingSlash);
}

} // namespace

void RequestedLoad::request(const QUrl &url)
{
    m_url = normalised(url);
    m_superseded = m_underway;
    m_state = Requested;
}

bool RequestedLoad::reached(const QUrl &url) const
{
    const QUrl ended = normalised(url);
    if (ended.path() != m_url.path())
        return false;
    const QUrlQuery endedQuery(ended);
    const auto items = QUrlQuery(m_url).queryItems(QUrl::FullyDecoded);
    return std::all_of(items.begin(), items.end(), [&endedQuery](const auto &item) {
        return endedQuery.hasQueryItem(item.first)
            && endedQuery.allQueryItemValues(item.first, QUrl::FullyDecoded).contains(item.second);
    });
}

bool RequestedLoad::endsWith(QWebEngineLoadingInfo::LoadStatus status, const QUrl &url)
{
    const QUrl reported = normalised(url);
    const bool start = status == QWebEngineLoadingInfo::LoadStartedStatus;
    if (start)
        m_underway = reported;
    else if (reported == m_underway)
        m_underway.clear();
    if (m_state == Idle)
        return false;
    const bool requestedAddress = reported == m_url;
    if (start) {
        if (requestedAddress)
            m_state = Started;
        return false;
    }
    // Without a start of its own, an end elsewhere is still this load's,
    // redirected, unless it is the late end of the load it replaced.
    if (m_state != Started && !requestedAddress && reported == m_superseded)
        return false;
    m_state = Idle;
    return true;
}
