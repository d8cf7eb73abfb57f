#include "TLoggingServer.h"

#include "TFeedQueue.h"
#include "data/Errors.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QPointer>
#include <QUdpSocket>
#include <QVariant>

TLoggingServer::TLoggingServer(TFeedQueue& queue, THandler handler, QObject* parent)
    : QObject(parent), fQueue(queue), fFeed(queue), fHandler(std::move(handler))
{}

void TLoggingServer::Open(quint16 port)
{
    Close();
    auto* socket = new QUdpSocket(this);
    // The port is this program's alone: a second listener on it would take datagrams meant for this one.
    if (!socket->bind(QHostAddress::Any, port, QAbstractSocket::DontShareAddress)) {
        const QString error = socket->errorString();
        delete socket;
        throw EVantrel(error);
    }
    socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(kReceiveBufferSize));
    fFeed.Attach(socket, [this] { Drain(); });
}

void TLoggingServer::SetHeld(bool held)
{
    fQueue.SetHeld(held);
}

bool TLoggingServer::IsHandling() const
{
    return fQueue.IsHandling();
}

bool TLoggingServer::IsIdle() const
{
    return fQueue.IsIdle();
}

void TLoggingServer::Drain()
{
    QUdpSocket* socket = fFeed.Socket();
    if (!socket) {
        return;
    }
    while (socket->hasPendingDatagrams()) {
        const qint64 size = socket->pendingDatagramSize();
        if (size > kMaxDatagramSize) {
            // Read and thrown away: only the size is wanted.
            socket->receiveDatagram(0);
            ++fReceived;
            ++fDropped;
            continue;
        }
        const QNetworkDatagram datagram = socket->receiveDatagram(qMax<qint64>(size, 0));
        if (!datagram.isValid()) {
            break;
        }
        ++fReceived;
        // A server gone before its datagrams were handled leaves them unhandled.
        QPointer<TLoggingServer> self(this);
        fQueue.Push(datagram.data(), [self](const QByteArray& payload) {
            if (self) {
                self->Handle(payload);
            }
        });
    }
}

void TLoggingServer::Handle(const QByteArray& payload)
{
    const TServerCommand command = ParseDatagram(payload);
    if (command.kind == TServerCommandKind::None) {
        ++fDropped;
        return;
    }
    QElapsedTimer timer;
    timer.start();
    fHandler(command);
    emit CommandHandled(command.kind, timer.nsecsElapsed());
}
