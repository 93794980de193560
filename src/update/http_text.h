#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class QNetworkAccessManager;
class QObject;
class QUrl;

// Longest wait for the next byte of a fetch before it is given up.
constexpr int HttpTextTimeoutMs = 20000;
// Largest body a fetch accepts; anything longer is not a text we want.
constexpr qint64 HttpTextMaxBytes = 64 * 1024;

// Fetches `url` with a GET and hands the whole body to `done`, once, when the
// request ends, as text: GB2312, read as GB18030. The text is empty when the fetch failed: no answer,
// a status other than 2xx, no byte for `transferTimeoutMs`, or a body over
// HttpTextMaxBytes. Redirects are followed unless they go from HTTPS to HTTP.
// Nothing waits: the call returns at once and `done` runs later from the
// event loop of the calling thread. It is dropped if `receiver` (may be null)
// is gone by then.
void fetchText(QNetworkAccessManager &network, const QUrl &url, QObject *receiver,
               std::function<void(const QString &text)> done, int transferTimeoutMs = HttpTextTimeoutMs);
