#include "TWsjtxListener.h"

#include "TFeedQueue.h"
#include "WsjtxMessage.h"
#include "data/Errors.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QPointer>
#include <QUdpSocket>

namespace {

// Far above any message of the protocol; anything larger is read and dropped.
constexpr qint64 kMaxDatagram = 64 * 1024;

} // namespace

TWsjtxListener::TWsjtxListener(TFeedQueue& queue, THandler handler, QObject* parent)
    : QObject(parent), fQueue(queue), fFeed(queue), fHandler(std::move(handler))
{}

void TWsjtxListener::Open(quint16 port, const QString& group)
{
    Close();
    QHostAddress groupAddress;
    if (!group.trimmed().isEmpty()) {
        groupAddress = QHostAddress(group.trimmed());
        if (groupAddress.protocol() != QAbstractSocket::IPv4Protocol || !groupAddress.isMulticast()) {
            throw EVantrel(
                QStringLiteral("%1 is no IPv4 multicast group address (224.0.0.0 to 239.255.255.255)")
                    .arg(group));
        }
    }
    auto* socket = new QUdpSocket(this);
    // A multicast group is shared by every program that listens to it; a unicast port belongs to one.
    const QAbstractSocket::BindMode mode =
        groupAddress.isNull() ? QAbstractSocket::DontShareAddress
                              : QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint;
    if (!socket->bind(QHostAddress::AnyIPv4, port, mode)) {
        const QString error = socket->errorString();
        delete socket;
        throw EVantrel(error);
    }
    if (!groupAddress.isNull()) {
        // WSJT-X sends to the group on the interfaces it is set to use, often the loopback one: join on
        // each interface that is up, the loopback one whatever it claims it can do.
        bool joined = false;
        for (const QNetworkInterface& iface : QNetworkInterface::allInterfaces()) {
            const auto flags = iface.flags();
            if (!(flags & QNetworkInterface::IsUp)) {
                continue;
            }
            if ((flags & QNetworkInterface::IsLoopBack) || (flags & QNetworkInterface::CanMulticast)) {
                joined = socket->joinMulticastGroup(groupAddress, iface) || joined;
            }
        }
        if (!joined) {
            const QString error = socket->errorString();
            delete socket;
            throw EVantrel(QStringLiteral("Unable to join the multicast group %1: %2").arg(group, error));
        }
    }
    fFeed.Attach(socket, [this] { Drain(); });
}

void TWsjtxListener::Drain()
{
    QUdpSocket* socket = fFeed.Socket();
    if (!socket) {
        return;
    }
    while (socket->hasPendingDatagrams()) {
        const qint64 size = socket->pendingDatagramSize();
        const QNetworkDatagram datagram =
            socket->receiveDatagram(size > kMaxDatagram ? 0 : qMax<qint64>(size, 0));
        if (!datagram.isValid()) {
            break;
        }
        ++fReceived;
        if (size <= kMaxDatagram) {
            // A listener closed and gone before its datagrams were handled leaves them unhandled.
            QPointer<TWsjtxListener> self(this);
            fQueue.Push(datagram.data(), [self](const QByteArray& payload) {
                if (self) {
                    self->Handle(payload);
                }
            });
        }
    }
}

void TWsjtxListener::Handle(const QByteArray& payload)
{
    const std::optional<TWsjtxMessage> message = ParseWsjtxMessage(payload);
    if (!message || message->adif.isEmpty()) {
        return;
    }
    ++fContacts;
    fHandler(message->adif);
}
