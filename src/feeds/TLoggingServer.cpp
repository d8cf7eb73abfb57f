#include "TLoggingServer.h"

#include "TFeedQueue.h"
#include "data/Errors.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QPointer>
#include <QUdpSocket>

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

bool TLoggingServer::Queue(const QByteArray& payload, bool contact)
{
    // A server gone before its datagrams were handled leaves them unhandled.
    QPointer<TLoggingServer> self(this);
    return fQueue.Push(
        payload,
        [self](const QByteArray& p) {
            if (self) {
                self->Handle(p);
            }
        },
        contact);
}

void TLoggingServer::Drain()
{
    QUdpSocket* socket = fFeed.Socket();
    if (!socket) {
        return;
    }
    for (int n = 0; n < TFeedSocket::kDrainBatch && socket->hasPendingDatagrams(); ++n) {
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
        const TServerCommandKind kind = ParseDatagram(datagram.data()).kind;
        if (kind == TServerCommandKind::None) {
            // Not understood: it would be dropped when handled, so it never waits in the queue.
            ++fDropped;
            continue;
        }
        if (kind == TServerCommandKind::Log) {
            if (fFormLost || !Queue(datagram.data(), true)) {
                if (fFormLost) {
                    fQueue.CountDropped(true);
                }
                ++fDropped;
                fFormLost = false;
                QPointer<TLoggingServer> self(this);
                fQueue.PushStandIn(QByteArrayLiteral("CLEAR"), [self](const QByteArray& p) {
                    if (self) {
                        self->Handle(p);
                    }
                });
            }
            continue;
        }
        if (!Queue(datagram.data(), false)) {
            ++fDropped;
            fFormLost = true;
        } else if (kind == TServerCommandKind::Update || kind == TServerCommandKind::Clear) {
            // The whole form is set again: the next LOG logs what was sent.
            fFormLost = false;
        }
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
