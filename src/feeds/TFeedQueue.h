#pragma once

#include <QByteArray>
#include <QObject>
#include <deque>
#include <functional>

class QUdpSocket;

// The one ordered queue of the live feeds: datagrams of every listener wait here and are handled one at
// a time, in the order they arrived, each by the handler of its listener.
//
// A handler may open a message box (a duplicate warning), whose event loop lets the sockets report new
// datagrams meanwhile. Those are only queued: no handler is entered while another runs, and the queue
// is worked off once it returns. Before each datagram is handled, every listener's socket is drained
// into the queue, so a burst keeps its order even while the entry form is busy.
class TFeedQueue : public QObject
{
    Q_OBJECT

public:
    using THandler = std::function<void(const QByteArray& payload)>;
    using TDrain = std::function<void()>;

    explicit TFeedQueue(QObject* parent = nullptr) : QObject(parent) {}

    // Ties a listener's socket to the queue. The drain reads what the socket holds into the queue; it runs
    // on every readiness signal, and the queue is worked off after that signal has returned (inside it
    // the socket would not report further datagrams while a handler's message box is open). Returns an
    // id for Detach.
    int Attach(QUdpSocket* socket, TDrain drain);
    // Drains the socket a last time (what the system has received already is kept for the handler),
    // forgets it, and has the queue worked off.
    void Detach(int id);
    // Forgets a socket without draining it (its listener is being destroyed).
    void Forget(int id);

    // Queues a datagram with the handler that takes it, and has the queue worked off soon.
    void Push(QByteArray payload, THandler handler);
    // Has the queue worked off after the current signal has returned.
    void Schedule();

    // While held, datagrams are queued but not handled; releasing works the queue off.
    void SetHeld(bool held);
    bool IsHandling() const { return fHandling; }
    // True when every datagram queued has been handled.
    bool IsIdle() const { return !fHandling && !fScheduled && fQueue.empty(); }

private:
    struct TItem
    {
        QByteArray payload;
        THandler handler;
    };
    void DrainAll();
    void HandleQueue();

    std::deque<TItem> fQueue;
    std::deque<std::pair<int, TDrain>> fDrains;
    int fNextDrain = 1;
    bool fHandling = false;
    bool fScheduled = false;
    bool fHeld = false;
};

// A listener's socket tied to the feed queue: attached while open; on closing drained a last time and
// detached; forgotten, undrained, when its listener goes.
class TFeedSocket
{
public:
    explicit TFeedSocket(TFeedQueue& queue) : fQueue(queue) {}
    ~TFeedSocket();
    TFeedSocket(const TFeedSocket&) = delete;
    TFeedSocket& operator=(const TFeedSocket&) = delete;

    // Takes a bound socket (owned by the listener as its QObject parent) and ties it to the queue with
    // the drain that reads it.
    void Attach(QUdpSocket* socket, TFeedQueue::TDrain drain);
    void Close();
    // The open socket, or nullptr.
    QUdpSocket* Socket() const { return fSocket; }
    quint16 LocalPort() const;

private:
    TFeedQueue& fQueue;
    QUdpSocket* fSocket = nullptr;
    int fDrain = 0;
};
