#include "TWsjtxListener.h"

#include "TFeedQueue.h"
#include "WsjtxMessage.h"
#include "app/ADIFImport.h"
#include "data/Errors.h"
#include "process/ADIFRecordReader.h"

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
{
    fClock.start();
}

QHostAddress TWsjtxListener::LocalAddress() const
{
    return fFeed.Socket() ? fFeed.Socket()->localAddress() : QHostAddress();
}

void TWsjtxListener::Open(quint16 port, const QString& group, bool allAddresses)
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
    // Contacts come from the programs of this computer unless the operator opens the port to the network;
    // a group member receives on every address.
    const QHostAddress address = groupAddress.isNull() && !allAddresses
                                     ? QHostAddress(QHostAddress::LocalHost)
                                     : QHostAddress(QHostAddress::AnyIPv4);
    if (!socket->bind(address, port, mode)) {
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

bool TWsjtxListener::IsSecondReport(const QString& key, quint32 type)
{
    const qint64 now = fClock.elapsed();
    while (!fRecent.empty() && now - fRecent.front().receivedMs > kPairWindowMs) {
        fRecent.pop_front();
    }
    for (auto it = fRecent.begin(); it != fRecent.end(); ++it) {
        if (it->key == key && it->type != type) {
            // The pair is complete: a third report of the same contact is a contact of its own again.
            fRecent.erase(it);
            return true;
        }
    }
    fRecent.push_back({key, type, now});
    if (fRecent.size() > 64) {
        fRecent.pop_front();
    }
    return false;
}

void TWsjtxListener::Drain()
{
    QUdpSocket* socket = fFeed.Socket();
    if (!socket) {
        return;
    }
    for (int n = 0; n < TFeedSocket::kDrainBatch && socket->hasPendingDatagrams(); ++n) {
        const qint64 size = socket->pendingDatagramSize();
        const QNetworkDatagram datagram =
            socket->receiveDatagram(size > kMaxDatagram ? 0 : qMax<qint64>(size, 0));
        if (!datagram.isValid()) {
            break;
        }
        ++fReceived;
        if (size > kMaxDatagram) {
            continue;
        }
        // Only contacts are kept: a heartbeat or a status message never waits in the queue.
        const std::optional<TWsjtxMessage> message = ParseWsjtxMessage(datagram.data());
        if (!message || message->adif.isEmpty()) {
            continue;
        }
        TADIFRecordReader reader(message->adif);
        TADIFRecord record;
        tLogRecord rec;
        if (reader.Next(record)) {
            ContactFromADIF(record, TCountryTable(), rec);
        }
        const QChar unit(0x1f);
        const QString key = message->id + unit + datagram.senderAddress().toString() + unit +
                            QString::number(datagram.senderPort()) + unit + rec.call + unit + rec.date +
                            unit + rec.time + unit + rec.mode;
        if (IsSecondReport(key, message->type)) {
            ++fEchoes;
            continue;
        }
        // A listener closed and gone before its contacts were handled leaves them unhandled.
        QPointer<TWsjtxListener> self(this);
        fQueue.Push(
            message->adif,
            [self](const QByteArray& adif) {
                if (self) {
                    self->Handle(adif);
                }
            },
            true);
    }
}

void TWsjtxListener::Handle(const QByteArray& adif)
{
    ++fContacts;
    fHandler(adif);
}
