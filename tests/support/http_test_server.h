#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSslConfiguration>
#include <QTcpSocket>
#include <QUrl>
#include <functional>

class QTcpServer;

// One request as the server received it.
struct HttpRequest {
    QByteArray method;
    QByteArray target; // path and query, as sent
    QMap<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;

    QByteArray path() const { return target.left(target.indexOf('?') < 0 ? target.size() : target.indexOf('?')); }
    QByteArray header(const QByteArray &name) const { return headers.value(name.toLower()); }
};

// What the server does with a request.
struct HttpResponse {
    int status = 200;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    // How the whole answer, status line to body, reaches the socket.
    std::function<void(QTcpSocket *, const QByteArray &)> deliver = sendWhole;

    static HttpResponse html(const QByteArray &body, int status = 200);
    static HttpResponse redirect(const QByteArray &location);
    // All of it, then the connection is closed.
    static void sendWhole(QTcpSocket *socket, const QByteArray &whole) { socket->write(whole); socket->disconnectFromHost(); }
    // Nothing: the request hangs until the server goes.
    static void sendNothing(QTcpSocket *, const QByteArray &) {}
};

// A small HTTP/1.1 server on the loopback interface for tests: one request
// per connection, answered by a handler, every request kept in order.
class HttpTestServer : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<HttpResponse(const HttpRequest &)>;

    explicit HttpTestServer(Handler handler, QObject *parent = nullptr);

    // With `tls` holding a certificate and key, the server speaks HTTPS.
    bool listen(quint16 port = 0, const QSslConfiguration &tls = {});
    QUrl url(const QString &path) const;
    // A certificate for 127.0.0.1 that nobody vouches for, made afresh by
    // openssl on each call; null if openssl failed.
    static QSslConfiguration selfSignedTls();

    const QList<HttpRequest> &requests() const { return m_requests; }

private:
    void readFrom(QTcpSocket *socket);
    void respond(QTcpSocket *socket, const HttpResponse &response);

    Handler m_handler;
    QTcpServer *m_server = nullptr;
    bool m_secure = false;
    QList<HttpRequest> m_requests;
};
