#include "http_test_server.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

HttpResponse HttpResponse::html(const QByteArray &body, int status)
{
    return {status, {{"Content-Type", "text/html; charset=gb2312"}}, body};
}

HttpResponse HttpResponse::redirect(const QByteArray &location)
{
    return {302, {{"Location", location}}, {}};
}

HttpTestServer::HttpTestServer(Handler handler, QObject *parent)
    : QObject(parent), m_handler(std::move(handler)), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

bool HttpTestServer::listen(quint16 port)
{
    return m_server->listen(QHostAddress::LocalHost, port);
}

quint16 HttpTestServer::port() const
{
    return m_server->serverPort();
}

void HttpTestServer::readFrom(QTcpSocket *socket)
{
    // A request may come in pieces; it is answered once it is whole.
    const QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    socket->setProperty("buffer", buffer);
    const int headerEnd = buffer.indexOf("\r\n\r\n");
    if (socket->property("answered").toBool() || headerEnd < 0)
        return;
    HttpRequest request;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    for (const QByteArray &line : lines.mid(1)) {
        const int colon = line.indexOf(':');
        if (colon > 0)
            request.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
    }
    const int length = request.header("Content-Length").toInt();
    if (buffer.size() - headerEnd - 4 < length)
        return;
    request.body = buffer.mid(headerEnd + 4, length);
    socket->setProperty("answered", true);
    m_requests.append(request);
    const HttpResponse response = m_handler(request);
    if (response.delayMs > 0)
        QTimer::singleShot(response.delayMs, socket, [this, socket, response] { respond(socket, response); });
    else
        respond(socket, response);
}

void HttpTestServer::respond(QTcpSocket *socket, const HttpResponse &response)
{
    if (response.delivery == HttpResponse::Delivery::Hang)
        return;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n";
    for (const auto &[name, value] : response.headers)
        head += name + ": " + value + "\r\n";
    head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\nConnection: close\r\n\r\n";
    const bool cut = response.delivery == HttpResponse::Delivery::CutMidBody;
    socket->write(head + response.body.left(cut ? response.body.size() / 2 : response.body.size()));
    if (cut) {
        socket->flush();
        socket->abort();
    } else {
        socket->disconnectFromHost();
    }
}
