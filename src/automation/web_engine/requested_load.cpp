#include "requested_load.h"

#include <QUrlQuery>

#include <algorithm>

namespace {

// The browser reports "http://host?q" as "http://host/?q": an empty path is "/".
QUrl normalised(const QUrl &url)
{
    QUrl adjusted = url.adjusted(QUrl::NormalizePathSegments | QUrl::StripTrailingSlash);
    if (adjusted.path().isEmpty())
        adjusted.setPath(QStringLiteral("/"));
    return adjusted;
}

QString siteHost(const QUrl &url)
{
    const QString host = url.host(QUrl::FullyEncoded).toLower();
    return host.startsWith(QLatin1String("www.")) ? host.mid(4) : host;
}

int portOf(const QUrl &url)
{
    return url.port(url.scheme() == QLatin1String("https") ? 443 : url.scheme() == QLatin1String("http") ? 80 : -1);
}

// The same site: the same host, give or take a leading "www.", on the same
// scheme and port, a default port written or left out; or the same host
// upgraded from HTTP to HTTPS.
bool sameSite(const QUrl &asked, const QUrl &ended)
{
    if (siteHost(asked) != siteHost(ended))
        return false;
    if (asked.scheme() == ended.scheme())
        return portOf(asked) == portOf(ended);
    return asked.scheme() == QLatin1String("http") && ended.scheme() == QLatin1String("https")
        && (portOf(ended) == 443 || portOf(ended) == portOf(asked));
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
    if (!sameSite(m_url, ended) || ended.path() != m_url.path())
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
