#include "THostileHttpServer.h"

#include <limits>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Writes all of data unless the client goes away or the server stops; false then.
bool WriteAll(int client, const char* data, qint64 size, const std::atomic<bool>& stop)
{
    while (size > 0) {
        if (stop) {
            return false;
        }
        pollfd p{client, POLLOUT, 0};
        if (::poll(&p, 1, 100) <= 0) {
            continue;
        }
        const ssize_t n = ::send(client, data, size_t(size), MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

} // namespace

THostileHttpServer::THostileHttpServer(TBody body, const QByteArray& pattern, qint64 size)
    : fBody(body), fPattern(pattern), fSize(size)
{
    fListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (fListen < 0 || ::bind(fListen, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(fListen, 8) != 0 ||
        ::getsockname(fListen, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (fListen >= 0) {
            ::close(fListen);
        }
        fListen = -1;
        return;
    }
    fPort = ntohs(address.sin_port);
    fThread = std::thread([this] { Serve(); });
}

THostileHttpServer::~THostileHttpServer()
{
    fStop = true;
    if (fThread.joinable()) {
        fThread.join();
    }
    if (fListen >= 0) {
        ::close(fListen);
    }
}

QUrl THostileHttpServer::Url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(fPort).arg(path));
}

void THostileHttpServer::Serve()
{
    while (!fStop) {
        pollfd p{fListen, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) {
            continue;
        }
        const int client = ::accept4(fListen, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0) {
            Answer(client);
            ::close(client);
        }
    }
}

void THostileHttpServer::Answer(int client)
{
    // The request, up to the blank line that ends its header.
    QByteArray request;
    char buffer[4096];
    while (!request.contains("\r\n\r\n") && !fStop) {
        pollfd p{client, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) {
            continue;
        }
        const ssize_t n = ::recv(client, buffer, sizeof(buffer), 0);
        if (n <= 0) {
            return;
        }
        request.append(buffer, n);
    }
    QByteArray header = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n";
    switch (fBody) {
    case TBody::EndlessChunked:
        header += "Transfer-Encoding: chunked\r\n";
        break;
    case TBody::EndlessUnannounced:
        break;
    case TBody::Sized:
    case TBody::Truncated:
        header += "Content-Length: " + QByteArray::number(fSize) + "\r\n";
        break;
    }
    header += "\r\n";
    if (!WriteAll(client, header.constData(), header.size(), fStop)) {
        return;
    }
    const QByteArray block =
        fPattern.repeated(qMax<qsizetype>(1, 65536 / qMax<qsizetype>(1, fPattern.size())));
    QByteArray piece = block;
    if (fBody == TBody::EndlessChunked) {
        piece = QByteArray::number(block.size(), 16) + "\r\n" + block + "\r\n";
    }
    qint64 left = fBody == TBody::Sized       ? fSize
                  : fBody == TBody::Truncated ? fSize / 2
                                              : std::numeric_limits<qint64>::max();
    while (left > 0) {
        const qint64 n = fBody == TBody::EndlessChunked ? piece.size() : qMin<qint64>(left, piece.size());
        if (!WriteAll(client, piece.constData(), n, fStop)) {
            return;
        }
        fWritten += n;
        left -= n;
    }
    ::shutdown(client, SHUT_WR);
}
