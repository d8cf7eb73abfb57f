#pragma once

#include "ServerCommand.h"

#include <QObject>
#include <deque>
#include <functional>

class QUdpSocket;

// The UDP listener of the logging server: receives the datagrams of other programs on all local
// addresses and hands their commands, one at a time and in arrival order, to a handler.
//
// The handler may open a message box (a duplicate warning, a lookup error), whose event loop lets the
// socket report new datagrams meanwhile. Those are only queued: the handler is never entered again while
// it runs, and the queue is worked off once it returns. The socket is drained completely on every
// readiness signal and before each queued command, and its receive buffer is large, so a burst is kept
// even while the entry form is busy.
class TLoggingServer : public QObject
{
    Q_OBJECT

public:
    using THandler = std::function<void(const TServerCommand&)>;

    explicit TLoggingServer(THandler handler, QObject* parent = nullptr);
    ~TLoggingServer() override;

    // Opens the socket on a port (0: any free port) of all local addresses. Throws EVantrel with the
    // socket's error text when it cannot be opened (the port in use, for instance).
    void Open(quint16 port);
    // Closes the socket. Commands already received are still handled.
    void Close();
    bool IsOpen() const;
    // The port the socket listens on (0 while closed).
    quint16 LocalPort() const;

    // While held, datagrams are received and queued but not handled; releasing handles the queue.
    void SetHeld(bool held);
    // True while the handler runs.
    bool IsHandling() const { return fHandling; }
    // True when every command received has been handled.
    bool IsIdle() const { return !fHandling && !fScheduled && fQueue.empty(); }
    // Datagrams received so far and those dropped as not understood.
    qint64 Received() const { return fReceived; }
    qint64 Dropped() const { return fDropped; }

    // The receive buffer the socket asks the system for.
    static constexpr int kReceiveBufferSize = 4 * 1024 * 1024;

signals:
    // A command has been handled, in so many nanoseconds.
    void CommandHandled(TServerCommandKind kind, qint64 nanoseconds);

private:
    void Drain();
    void ScheduleHandling();
    void HandleQueue();

    THandler fHandler;
    QUdpSocket* fSocket = nullptr;
    std::deque<QByteArray> fQueue;
    bool fHandling = false;
    bool fScheduled = false;
    bool fHeld = false;
    qint64 fReceived = 0;
    qint64 fDropped = 0;
};
