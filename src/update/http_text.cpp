#include "http_text.h"

#include "base/gb_text.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QUrl>
#include <memory>

void fetchText(QNetworkAccessManager &network, const QUrl &url, QObject *receiver,
               std::function<void(const QString &text)> done, int transferTimeoutMs)
{
    QNetworkRequest request(url);
    request.setTransferTimeout(transferTimeoutMs);
    // Stated here rather than left to the manager, which the window may share.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);

    QNetworkReply *reply = network.get(request);

    // The body is taken as it arrives, so an oversized one is cut off early
    // instead of piling up in the reply.
    struct Fetch {
        QByteArray body;
        bool tooLong = false;
    };
    auto fetch = std::make_shared<Fetch>();

    const auto take = [reply, fetch] {
        if (fetch->tooLong)
            return;
        fetch->body += reply->readAll();
        if (fetch->body.size() > HttpTextMaxBytes) {
            fetch->tooLong = true;
            fetch->body.clear();
            reply->abort();
        }
    };
    QObject::connect(reply, &QNetworkReply::readyRead, reply, take);

    QObject::connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
    QObject::connect(reply, &QNetworkReply::finished, reply,
                     [reply, fetch, take, hasReceiver = receiver != nullptr,
                      receiver = QPointer<QObject>(receiver), done = std::move(done)] {
        const bool answered = reply->error() == QNetworkReply::NoError;
        if (answered)
            take();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const bool ok = answered && !fetch->tooLong && status >= 200 && status < 300;
        if (hasReceiver && !receiver)
            return;
        done(ok ? fromGbBytes(fetch->body) : QString());
    });
}
