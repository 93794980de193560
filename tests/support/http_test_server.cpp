#include "http_test_server.h"

#include <QFile>
#include <QProcess>
#include <QSslKey>
#include <QSslServer>
#include <QTcpSocket>
#include <QTemporaryDir>

HttpResponse HttpResponse::html(const QByteArray &body, int status)
{
    return {status, {{"Content-Type", "text/html; charset=gb2312"}}, body};
}

HttpResponse HttpResponse::redirect(const QByteArray &location)
{
    return {302, {{"Location", location}}, {}};
}

HttpTestServer::HttpTestServer(Handler handler, QObject *parent) : QObject(parent), m_handler(std::move(handler))
{
}

bool HttpTestServer::listen(quint16 port, const QSslConfiguration &tls)
{
    m_secure = !tls.localCertificate().isNull();
    if (m_secure) {
        auto *server = new QSslServer(this);
        server->setSslConfiguration(tls);
        m_server = server;
    } else {
        m_server = new QTcpServer(this);
    }
    // A TLS connection is pending once its handshake is done.
    connect(m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    return m_server->listen(QHostAddress::LocalHost, port);
}

QSslConfiguration HttpTestServer::selfSignedTls()
{
    QTemporaryDir dir;
    const QString key = dir.filePath(QStringLiteral("key.pem"));
    const QString certificate = dir.filePath(QStringLiteral("certificate.pem"));
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1",
                   "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", key, "-out", certificate});
    if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0)
        return {};
    QFile keyFile(key), certificateFile(certificate);
    keyFile.open(QIODevice::ReadOnly);
    certificateFile.open(QIODevice::ReadOnly);
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(QSslCertificate(certificateFile.readAll()));
    tls.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Rsa));
    return tls;
}

QUrl HttpTestServer::url(const QString &path) const
{
    return QStringLiteral("%1://127.0.0.1:%2%3").arg(m_secure ? "https" : "http").arg(m_server->serverPort()).arg(path);
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
    respond(socket, m_handler(request));
}

void HttpTestServer::respond(QTcpSocket *socket, const HttpResponse &response)
{
    QByteArray whole = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n";
    for (const auto &[name, value] : response.headers)
        whole += name + ": " + value + "\r\n";
    whole += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\nConnection: close\r\n\r\n" + response.body;
    response.deliver(socket, whole);
}
