#include "http_test_server.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

HttpResponse HttpResponse::html(const QByteArray &body, int status)
{
    HttpResponse response;
    response.status = status;
    response.headers = {{"Content-Type", "text/html; charset=gb2312"}};
    response.body = body;
    return response;
}

HttpResponse HttpResponse::redirect(const QByteArray &location)
{
    HttpResponse response;
    response.status = 302;
    response.headers = {{"Location", location}};
    return response;
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

HttpTestServer::~HttpTestServer() = default;

bool HttpTestServer::listen(quint16 port)
{
    return m_server->listen(QHostAddress::LocalHost, port);
}

quint16 HttpTestServer::port() const
{
    return m_server->serverPort();
}

QUrl HttpTestServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path));
}

void HttpTestServer::readFrom(QTcpSocket *socket)
{
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    socket->setProperty("buffer", buffer);
    if (socket->property("answered").toBool())
        return;
    const int headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;

    HttpRequest request;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    for (int i = 1; i < lines.size(); ++i) {
        const int colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
    }
    const int length = request.header("Content-Length").toInt();
    if (buffer.size() - headerEnd - 4 < length)
        return;
    request.body = buffer.mid(headerEnd + 4, length);
    request.received = QDateTime::currentDateTime();
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
    head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    if (response.delivery == HttpResponse::Delivery::CutMidBody) {
        socket->write(head + response.body.left(response.body.size() / 2));
        socket->flush();
        socket->abort();
        return;
    }
    socket->write(head + response.body);
    socket->disconnectFromHost();
}
