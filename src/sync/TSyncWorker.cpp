#include "TSyncWorker.h"

#include <QAtomicInt>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <algorithm>

Q_LOGGING_CATEGORY(lcSync, "vantrel.sync")

namespace {

QAtomicInt gConnections;

// The worker looks at its connection this often, and asks the server every kPollTicks-th time.
constexpr int kTickMs = 200;
constexpr int kPollTicks = 5;
// The positions list is read again every this many ticks.
constexpr int kPositionTicks = 25;
constexpr int kPullLimit = 1000;

} // namespace

TSyncWorker::TSyncWorker() = default;

TSyncWorker::~TSyncWorker() = default;

void TSyncWorker::Open(const TSyncTarget& target)
{
    fTarget = target;
    fPulled = target.applied;
    fServer = std::make_unique<TSyncServer>(
        QStringLiteral("vantrel_sync_%1").arg(gConnections.fetchAndAddRelaxed(1)));
    fRetry = new QTimer(this);
    fRetry->setSingleShot(true);
    connect(fRetry, &QTimer::timeout, this, &TSyncWorker::TryConnect);
    fTick = new QTimer(this);
    fTick->setInterval(kTickMs);
    connect(fTick, &QTimer::timeout, this, &TSyncWorker::Tick);
    TryConnect();
}

void TSyncWorker::TryConnect()
{
    if (!fServer) {
        return;
    }
    try {
        fServer->Connect(fTarget.settings);
        const TEventConfig event = fServer->OpenLog(fTarget.table, fTarget.event);
        fServer->Listen();
        fServer->JoinPosition(fTarget.settings.position, true);
        // The connection's socket stirs when a notification (or the connection's end) arrives.
        fSocket = new QSocketNotifier(fServer->Socket(), QSocketNotifier::Read, this);
        connect(fSocket, &QSocketNotifier::activated, this, &TSyncWorker::Drain);
        fPositions = fServer->Positions();
        fOnline = true;
        fFailures = 0;
        fLastError.clear();
        fTicks = 0;
        fCaughtUp = false;
        fTick->start();
        emit Joined(event, fPositions);
        PullAll();
    } catch (const ESyncError& e) {
        Lost(e);
    }
}

void TSyncWorker::Lost(const ESyncError& error)
{
    // Said once per reason, not at every try of a long outage.
    if (error.Message() != fLastError) {
        qCInfo(lcSync) << "offline:" << error.Message() << error.Detail();
        fLastError = error.Message();
    }
    // The socket is no longer watched before the connection (and its socket) is closed; the notifier may be
    // the one whose signal got here.
    if (fSocket) {
        fSocket->setEnabled(false);
        fSocket->deleteLater();
        fSocket = nullptr;
    }
    fServer->Close();
    fOnline = false;
    fTick->stop();
    emit Offline(int(error.Kind()), error.Message());
    int delay = 0;
    if (error.Lasting()) {
        delay = 30000;
    } else if (error.Kind() == TSyncErrorKind::NoSharedLog) {
        delay = 5000;
    } else {
        // At once after a loss, then less and less often, to once every two seconds.
        delay = std::min(2000, 250 << std::min(fFailures, 3));
        if (fFailures == 0 && error.Kind() == TSyncErrorKind::ConnectionLost) {
            delay = 0;
        }
    }
    ++fFailures;
    fRetry->start(delay);
}

void TSyncWorker::Push(const QList<TSyncContact>& changes, qint64 upTo)
{
    if (!fOnline) {
        emit PushRefused(QString());
        return;
    }
    try {
        const QList<TSyncContact> states = fServer->Push(changes, fTarget.settings.position);
        emit Pushed(states, upTo);
        Drain();
    } catch (const ESyncError& e) {
        if (fServer->IsConnected()) {
            emit PushRefused(e.Message());
        } else {
            emit PushRefused(QString());
            Lost(e);
        }
    }
}

void TSyncWorker::PullAll()
{
    try {
        for (;;) {
            const QList<TSyncContact> states = fServer->Pull(fPulled, kPullLimit);
            const bool more = states.size() == kPullLimit;
            if (!states.isEmpty()) {
                fPulled = states.last().seq;
            }
            if (!states.isEmpty() || !fCaughtUp) {
                fCaughtUp = !more;
                emit Received(states, fPulled, fCaughtUp);
            }
            if (!more) {
                break;
            }
        }
    } catch (const ESyncError& e) {
        if (!fServer->IsConnected()) {
            Lost(e);
        }
    }
}

void TSyncWorker::Drain()
{
    if (!fOnline) {
        return;
    }
    const QStringList others = fServer->TakeNotifications();
    if (!fServer->IsConnected()) {
        Lost(ESyncError(TSyncErrorKind::ConnectionLost,
                        QStringLiteral("The connection to the server was lost.")));
        return;
    }
    if (others.isEmpty()) {
        return;
    }
    // Every notification names the position that made it: one not known yet has just joined.
    for (const QString& position : others) {
        if (std::none_of(fPositions.cbegin(), fPositions.cend(),
                         [&](const TServerPosition& p) { return p.name == position; })) {
            try {
                fPositions = fServer->Positions();
                emit PositionsRead(fPositions);
            } catch (const ESyncError& e) {
                if (!fServer->IsConnected()) {
                    Lost(e);
                    return;
                }
            }
            break;
        }
    }
    PullAll();
}

void TSyncWorker::Tick()
{
    if (!fOnline) {
        return;
    }
    // Notifications that came in with the answer of a statement, and the state of the connection.
    Drain();
    if (!fOnline) {
        return;
    }
    ++fTicks;
    if (fTicks % kPollTicks != 0) {
        return;
    }
    try {
        if (fServer->ServerSeq() > fPulled) {
            PullAll();
        }
        if (fOnline && fTicks % kPositionTicks == 0) {
            fServer->JoinPosition(fTarget.settings.position);
            const QList<TServerPosition> positions = fServer->Positions();
            if (positions != fPositions) {
                fPositions = positions;
                emit PositionsRead(positions);
            }
        }
    } catch (const ESyncError& e) {
        if (!fServer->IsConnected()) {
            Lost(e);
        } else {
            qCWarning(lcSync) << e.Message();
        }
    }
}

void TSyncWorker::Shutdown()
{
    delete fSocket;
    fSocket = nullptr;
    delete fRetry;
    fRetry = nullptr;
    delete fTick;
    fTick = nullptr;
    fServer.reset();
    fOnline = false;
    QThread::currentThread()->quit();
}
