#pragma once

#include "ServerCommand.h"
#include "TFeedQueue.h"

#include <QObject>
#include <functional>

class QUdpSocket;

// The UDP listener of the logging server: receives the datagrams of other programs on all local
// addresses and hands their commands, one at a time and in arrival order, to a handler.
//
// The commands wait in the feeds' ordered queue (TFeedQueue) together with the datagrams of the other
// listeners; a datagram that is no command is dropped as it is read. The socket is read on every readiness
// signal and before each queued datagram, and its receive buffer is large, so a burst is kept even while
// the entry form is busy. When the queue is full, commands are dropped; a LOG whose contact cannot be
// whole (an earlier command of it was dropped, or the LOG itself) is dropped and counted, and the entry
// form is emptied in its place, as a LOG would have left it, so that the next contact starts clean.
class TLoggingServer : public QObject
{
    Q_OBJECT

public:
    using THandler = std::function<void(const TServerCommand&)>;

    TLoggingServer(TFeedQueue& queue, THandler handler, QObject* parent = nullptr);

    // Opens the socket on a port (0: any free port) of all local addresses. Throws EVantrel with the
    // socket's error text when it cannot be opened (the port in use, for instance).
    void Open(quint16 port);
    // Closes the socket. Commands already received are still handled.
    void Close() { fFeed.Close(); }
    bool IsOpen() const { return fFeed.Socket() != nullptr; }
    // The port the socket listens on (0 while closed).
    quint16 LocalPort() const { return fFeed.LocalPort(); }

    // While held, datagrams of every feed are received and queued but not handled; releasing handles the
    // queue.
    void SetHeld(bool held);
    // True while a handler of the feeds' queue runs.
    bool IsHandling() const;
    // True when every datagram received by the feeds has been handled.
    bool IsIdle() const;
    // Datagrams received so far and those dropped as not understood.
    qint64 Received() const { return fReceived; }
    qint64 Dropped() const { return fDropped; }

signals:
    // A command has been handled, in so many nanoseconds.
    void CommandHandled(TServerCommandKind kind, qint64 nanoseconds);

private:
    void Drain();
    void Handle(const QByteArray& payload);
    // Queues a datagram for the handler of this server.
    bool Queue(const QByteArray& payload, bool contact);

    TFeedQueue& fQueue;
    TFeedSocket fFeed;
    THandler fHandler;
    qint64 fReceived = 0;
    qint64 fDropped = 0;
    // A command of the contact now being put together was dropped: its LOG would log a wrong contact.
    bool fFormLost = false;
};
