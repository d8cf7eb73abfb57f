#include "TTestHttpServer.h"

#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>

TTestHttpServer::TTestHttpServer(QObject* parent) : QObject(parent) {}

TTestHttpServer::~TTestHttpServer() = default;

bool TTestHttpServer::Listen(QTcpServer* server)
{
    fTls = server != nullptr && qobject_cast<QSslServer*>(server) != nullptr;
    fServer = server ? server : new QTcpServer(this);
    if (server) {
        server->setParent(this);
    }
    connect(fServer, &QTcpServer::pendingConnectionAvailable, this, &TTestHttpServer::OnNewConnection);
    return fServer->listen(QHostAddress::LocalHost, 0);
}

quint16 TTestHttpServer::Port() const
{
    return fServer ? fServer->serverPort() : 0;
}

QUrl TTestHttpServer::Url(const QString& path) const
{
    return QUrl(QStringLiteral("%1://127.0.0.1:%2%3")
                    .arg(fTls ? QStringLiteral("https") : QStringLiteral("http"))
                    .arg(Port())
                    .arg(path));
}

void TTestHttpServer::OnNewConnection()
{
    while (fServer->hasPendingConnections()) {
        QTcpSocket* socket = fServer->nextPendingConnection();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            fBuffers.remove(socket);
            fHeld.remove(socket);
            socket->deleteLater();
        });
        if (socket->bytesAvailable() > 0) {
            OnReadyRead(socket);
        }
    }
}

void TTestHttpServer::OnReadyRead(QTcpSocket* socket)
{
    QByteArray& buffer = fBuffers[socket];
    buffer += socket->readAll();
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0) {
        return;
    }
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    buffer.remove(0, end + 4);
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    const QByteArray target = requestLine.value(1);
    TRequest request;
    const qsizetype q = target.indexOf('?');
    request.path = QString::fromUtf8(q < 0 ? target : target.left(q));
    request.query = q < 0 ? QString() : QString::fromUtf8(target.mid(q + 1));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0) {
            request.headers.insert(QString::fromUtf8(line.left(colon)).toLower(),
                                   QString::fromUtf8(line.mid(colon + 1).trimmed()));
        }
    }
    fRequests.append(request);
    if (fSilent) {
        return;
    }
    TResponse response;
    if (fHandler) {
        response = fHandler(request);
    } else {
        response.status = 404;
    }
    QByteArray reply = "HTTP/1.1 " + QByteArray::number(response.status) + " " +
                       (response.status < 400 ? QByteArray("OK") : QByteArray("Error")) + "\r\n";
    reply += "Content-Type: " + response.contentType + "\r\n";
    if (response.announceLength && !response.endless) {
        reply += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    }
    for (auto it = response.headers.cbegin(); it != response.headers.cend(); ++it) {
        reply += it.key() + ": " + it.value() + "\r\n";
    }
    reply += "Connection: close\r\n\r\n";
    if (response.holdAfter >= 0) {
        socket->write(reply + response.body.left(response.holdAfter));
        fHeld.insert(socket, response.body.mid(response.holdAfter));
        return;
    }
    reply += response.body;
    socket->write(reply);
    if (!response.endless || response.body.isEmpty()) {
        socket->disconnectFromHost();
        return;
    }
    // Top up the send buffers whenever they run low, until the client goes away. A TLS socket hands
    // plain bytes on to encryption at once, so its encrypted buffer is the one that shows progress.
    const QByteArray chunk = response.body.repeated(std::max<qsizetype>(1, 65536 / response.body.size()));
    auto* tls = qobject_cast<QSslSocket*>(socket);
    auto topUp = [this, socket, tls, chunk] {
        const qint64 pending = socket->bytesToWrite() + (tls ? tls->encryptedBytesToWrite() : 0);
        if (socket->state() == QAbstractSocket::ConnectedState && pending < 65536) {
            fStreamed += socket->write(chunk);
        }
    };
    if (tls) {
        connect(tls, &QSslSocket::encryptedBytesWritten, this, topUp);
    } else {
        connect(socket, &QTcpSocket::bytesWritten, this, topUp);
    }
}

void TTestHttpServer::ReleaseHeld()
{
    const auto held = fHeld;
    fHeld.clear();
    for (auto it = held.cbegin(); it != held.cend(); ++it) {
        it.key()->write(it.value());
        it.key()->disconnectFromHost();
    }
}
