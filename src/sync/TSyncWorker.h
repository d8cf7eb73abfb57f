#pragma once

#include "SharedEvent.h"
#include "TShareSettings.h"
#include "TSyncServer.h"

#include "data/SyncStore.h"

#include <QList>
#include <QObject>
#include <memory>
#include <optional>

class QSocketNotifier;
class QTimer;

// What a position shares, as the worker needs it.
struct TSyncTarget
{
    TShareSettings settings;
    QString table;
    std::optional<TEventConfig> event; // the local log's configuration, when this position holds the log
    qint64 applied = 0;                // the server's order up to which changes are applied here
};

// The sharing's side on its own thread: one connection to the PostgreSQL server, which it opens, keeps,
// and opens again after a loss (at once, then less often; every half minute for settings the server
// refuses). It sends what it is given, listens for the other positions' changes (and polls every second,
// which also notices a dead connection) and hands them over. It never touches logs.db: everything it
// learns goes out through its signals, queued to the thread that owns the log.
class TSyncWorker : public QObject
{
    Q_OBJECT

public:
    TSyncWorker();
    ~TSyncWorker() override;

    // These run on the worker's thread (call them through a queued invocation).
    void Open(const TSyncTarget& target);
    void Push(const QList<TSyncContact>& changes, qint64 upTo);
    // Closes the connection and ends the thread's event loop.
    void Shutdown();

signals:
    // Connected and the log's table set opened (again).
    void Joined(const TEventConfig& event, const QList<TServerPosition>& positions);
    // Not connected, and why; it tries again by itself.
    void Offline(int kind, const QString& message);
    // The server took the changes (the outbox up to upTo) and holds these states of the contacts.
    void Pushed(const QList<TSyncContact>& states, qint64 upTo);
    // The changes were not sent (message empty when the connection was lost; Offline tells why).
    void PushRefused(const QString& message);
    // Changes of the server's order after the last one handed over, up to upTo; caughtUp when nothing more
    // is waiting on the server.
    void Received(const QList<TSyncContact>& states, qint64 upTo, bool caughtUp);
    void PositionsRead(const QList<TServerPosition>& positions);

private:
    void TryConnect();
    void Lost(const ESyncError& error);
    void Tick();
    void PullAll();
    // Takes the notifications the connection holds; pulls when another position made any.
    void Drain();

    std::unique_ptr<TSyncServer> fServer;
    TSyncTarget fTarget;
    QTimer* fRetry = nullptr;
    QTimer* fTick = nullptr;
    QSocketNotifier* fSocket = nullptr;
    qint64 fPulled = 0;
    bool fOnline = false;
    bool fCaughtUp = false;
    int fFailures = 0;
    int fTicks = 0;
    QList<TServerPosition> fPositions;
    QString fLastError;
};

Q_DECLARE_METATYPE(TSyncTarget)
