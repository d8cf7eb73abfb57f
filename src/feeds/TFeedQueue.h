#pragma once

#include <QByteArray>
#include <QObject>
#include <deque>
#include <functional>

class QUdpSocket;

// The one ordered queue of the live feeds: datagrams of every listener wait here and are handled one at
// a time, in the order they arrived, each by the handler of its listener.
//
// A handler may run a nested event loop (a lookup waiting for its reply), which lets the sockets report
// new datagrams meanwhile. Those are only queued: no handler is entered while another runs, and the queue
// is worked off once it returns. Before each datagram is handled, every listener's socket is read into
// the queue, so a burst keeps its order even while the entry form is busy.
//
// What the queue holds is bounded. The listeners queue only what they act on (a heartbeat or a datagram
// that is not understood never waits here); when the queue is full, what arrives is refused and counted,
// a contact apart from the rest, so that the window can say what was lost. The queue is worked off in
// slices, so that a flood of datagrams never keeps the window from its own events, and the sockets are
// read in slices too.
class TFeedQueue : public QObject
{
    Q_OBJECT

public:
    using THandler = std::function<void(const QByteArray& payload)>;
    using TDrain = std::function<void()>;

    explicit TFeedQueue(QObject* parent = nullptr) : QObject(parent) {}

    // Ties a listener's socket to the queue. The drain reads what the socket holds into the queue; it runs
    // on every readiness signal and, should the socket stop signalling, on a steady check of the socket
    // (see kRecheckMs). The queue is worked off after the signal has returned. Returns an id for Detach.
    int Attach(QUdpSocket* socket, TDrain drain);
    // Drains the socket a last time (what the system has received already is kept for the handler),
    // forgets it, and has the queue worked off.
    void Detach(int id);
    // Forgets a socket without draining it (its listener is being destroyed).
    void Forget(int id);

    // Queues a datagram with the handler that takes it, and has it handled soon. A contact is a datagram
    // that logs a contact (a LOG command, a contact of WSJT-X). Returns false when the queue is full: the
    // datagram is not queued and is counted as dropped.
    bool Push(QByteArray payload, THandler handler, bool contact);
    // Queues a datagram that stands in for one that was dropped (the entry form emptied as a dropped LOG
    // would have left it): taken even when the queue is full, but never twice in a row.
    void PushStandIn(QByteArray payload, THandler handler);
    // Counts a datagram that a listener dropped for the queue's sake.
    void CountDropped(bool contact);
    // Has the queue worked off after the current signal has returned.
    void Schedule();

    // While held, datagrams are queued but not handled; releasing works the queue off.
    void SetHeld(bool held);
    bool IsHandling() const { return fHandling; }
    // True when every datagram queued has been handled.
    bool IsIdle() const { return !fHandling && !fScheduled && fQueue.empty(); }

    // The bounds: at most so many datagrams, and so many bytes of them, wait at once.
    void SetLimits(qsizetype items, qsizetype bytes);
    qsizetype Size() const { return qsizetype(fQueue.size()); }
    qsizetype Bytes() const { return fBytes; }
    // Datagrams dropped because the queue was full, since the start: contacts and the rest.
    qint64 DroppedContacts() const { return fDroppedContacts; }
    qint64 DroppedOthers() const { return fDroppedOthers; }

    static constexpr qsizetype kMaxItems = 20000;
    static constexpr qsizetype kMaxBytes = 16 * 1024 * 1024;
    // How often an open socket is checked for datagrams that no readiness signal reported.
    static constexpr int kRecheckMs = 250;
    // How long one slice of the queue's work may take before the window's own events run.
    static constexpr int kSliceMs = 50;

signals:
    // Datagrams were dropped because the queue was full (the counts above have risen).
    void Dropped();

private:
    struct TItem
    {
        QByteArray payload;
        THandler handler;
        bool standIn = false;
    };
    void DrainAll();
    void HandleQueue();
    void Append(TItem item);

    std::deque<TItem> fQueue;
    std::deque<std::pair<int, TDrain>> fDrains;
    int fNextDrain = 1;
    bool fHandling = false;
    bool fScheduled = false;
    bool fHeld = false;
    qsizetype fMaxItems = kMaxItems;
    qsizetype fMaxBytes = kMaxBytes;
    qsizetype fBytes = 0;
    qint64 fDroppedContacts = 0;
    qint64 fDroppedOthers = 0;
    bool fDropReported = false;
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

    // Takes a bound socket (owned by the listener as its QObject parent), gives it a large receive buffer
    // and ties it to the queue with the drain that reads it.
    void Attach(QUdpSocket* socket, TFeedQueue::TDrain drain);
    void Close();
    // The open socket, or nullptr.
    QUdpSocket* Socket() const { return fSocket; }
    quint16 LocalPort() const;

    // The most datagrams one drain reads: the rest wait for the next one, so that a flood never keeps the
    // window in a drain.
    static constexpr int kDrainBatch = 1000;
    // The receive buffer a socket asks the system for, so that a burst waits there while the window is
    // busy.
    static constexpr int kReceiveBufferSize = 4 * 1024 * 1024;

private:
    TFeedQueue& fQueue;
    QUdpSocket* fSocket = nullptr;
    int fDrain = 0;
};
