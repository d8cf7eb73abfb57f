#pragma once

#include "TFeedQueue.h"

#include <QHostAddress>
#include <QObject>
#include <functional>

class QUdpSocket;

// The listener for WSJT-X and JTDX: receives their UDP messages on a port (2237 unless the settings say
// otherwise), on all local addresses or, with a multicast group, as a member of that group on every
// interface that can take part (the loopback interface included), and hands the contact of each "QSO
// Logged" or "Logged ADIF" message to a handler as an ADIF record. Other messages are dropped.
//
// The datagrams wait in the feeds' ordered queue with those of the other listeners, so contacts are
// handled one at a time in the order they arrived, also while a message box is open.
class TWsjtxListener : public QObject
{
    Q_OBJECT

public:
    using THandler = std::function<void(const QByteArray& adif)>;

    TWsjtxListener(TFeedQueue& queue, THandler handler, QObject* parent = nullptr);

    // Opens the socket on a port (0: any free port); with a group address, joins that multicast group.
    // Throws EVantrel with the reason when the socket cannot be opened or the group is no multicast
    // address or cannot be joined.
    void Open(quint16 port, const QString& group = QString());
    void Close() { fFeed.Close(); }
    bool IsOpen() const { return fFeed.Socket() != nullptr; }
    quint16 LocalPort() const { return fFeed.LocalPort(); }

    // Messages received, and contacts handed to the handler.
    qint64 Received() const { return fReceived; }
    qint64 Contacts() const { return fContacts; }

private:
    void Drain();
    void Handle(const QByteArray& payload);

    TFeedQueue& fQueue;
    TFeedSocket fFeed;
    THandler fHandler;
    qint64 fReceived = 0;
    qint64 fContacts = 0;
};
