#pragma once

#include "TFeedQueue.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <deque>
#include <functional>

class QUdpSocket;

// The listener for WSJT-X and JTDX: receives their UDP messages on a port (2237 unless the settings say
// otherwise) and hands the contact of each "QSO Logged" or "Logged ADIF" message to a handler as an ADIF
// record. It listens on the loopback address alone unless told to listen on all addresses (then any host
// of the network can log contacts here); with a multicast group it listens as a member of that group on
// every interface that can take part (the loopback interface included).
//
// Only contacts are queued: heartbeats, status, decodes and whatever else arrives are dropped as they are
// read. WSJT-X reports every contact twice, as "QSO Logged" and, microseconds later, as "Logged ADIF": the
// second report of a pair (the same call, date, time on and mode from the same sender within a few
// seconds, one of each type) is dropped quietly, so each contact reaches the handler once.
//
// The contacts wait in the feeds' ordered queue with the datagrams of the other listeners, so they are
// handled one at a time in the order they arrived.
class TWsjtxListener : public QObject
{
    Q_OBJECT

public:
    using THandler = std::function<void(const QByteArray& adif)>;

    TWsjtxListener(TFeedQueue& queue, THandler handler, QObject* parent = nullptr);

    // Opens the socket on a port (0: any free port) of the loopback address, or of every address when
    // allAddresses is set; with a group address, joins that multicast group (and listens on every address,
    // as a group member must). Throws EVantrel with the reason when the socket cannot be opened or the
    // group is no multicast address or cannot be joined.
    void Open(quint16 port, const QString& group = QString(), bool allAddresses = false);
    void Close() { fFeed.Close(); }
    bool IsOpen() const { return fFeed.Socket() != nullptr; }
    quint16 LocalPort() const { return fFeed.LocalPort(); }
    // The address the socket listens on (nothing while closed).
    QHostAddress LocalAddress() const;

    // Messages received, contacts handed to the handler, and second reports of a contact dropped.
    qint64 Received() const { return fReceived; }
    qint64 Contacts() const { return fContacts; }
    qint64 Echoes() const { return fEchoes; }

    // How close in time the two reports of one contact arrive at most.
    static constexpr qint64 kPairWindowMs = 5000;

private:
    // A contact report kept to recognise its pair.
    struct TReport
    {
        QString key; // sender and contact
        quint32 type = 0;
        qint64 receivedMs = 0;
    };

    void Drain();
    void Handle(const QByteArray& adif);
    // True when the report is the second of a pair whose first was seen already.
    bool IsSecondReport(const QString& key, quint32 type);

    TFeedQueue& fQueue;
    TFeedSocket fFeed;
    THandler fHandler;
    QElapsedTimer fClock;
    std::deque<TReport> fRecent;
    qint64 fReceived = 0;
    qint64 fContacts = 0;
    qint64 fEchoes = 0;
};
