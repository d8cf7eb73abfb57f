#include "TSharedLog.h"

#include "SharedEvent.h"
#include "TSyncWorker.h"

#include "data/Errors.h"
#include "data/TDM.h"
#include "data/TOutboxWatch.h"

#include <QThread>
#include <algorithm>

namespace {

// Contacts sent in one transaction.
constexpr int kBatch = 500;

QString PositionsText(int positions)
{
    return positions == 1 ? QStringLiteral("1 position") : QStringLiteral("%1 positions").arg(positions);
}

} // namespace

QString TShareStatus::Text() const
{
    switch (state) {
    case TState::Off:
        return QString();
    case TState::Connecting:
        return QStringLiteral("Shared: connecting, %1 to send").arg(toSend);
    case TState::Offline:
        return QStringLiteral("Shared: offline, %1 to send").arg(toSend);
    case TState::Online:
        break;
    }
    if (inStep) {
        return QStringLiteral("Shared: %1, in step").arg(PositionsText(positions));
    }
    if (toSend > 0) {
        return QStringLiteral("Shared: %1, %2 to send").arg(PositionsText(positions)).arg(toSend);
    }
    return QStringLiteral("Shared: %1, receiving").arg(PositionsText(positions));
}

TSharedLog::TSharedLog(TDM& dm, QObject* parent) : QObject(parent), fDM(dm), fLogging(DataLayerLogging(dm))
{
    qRegisterMetaType<TSyncContact>();
    qRegisterMetaType<QList<TSyncContact>>();
    qRegisterMetaType<TServerPosition>();
    qRegisterMetaType<QList<TServerPosition>>();
    qRegisterMetaType<TEventConfig>();
    qRegisterMetaType<TShareStatus>();
    qRegisterMetaType<QList<TRemoteChange>>();
    fLook.setInterval(1000);
    connect(&fLook, &QTimer::timeout, this, &TSharedLog::Look);
    fLater.setSingleShot(true);
    fLater.setInterval(50);
    connect(&fLater, &QTimer::timeout, this, [this] {
        Work();
        PushIfNeeded();
    });
    fStatusSoon.setSingleShot(true);
    fStatusSoon.setInterval(0);
    connect(&fStatusSoon, &QTimer::timeout, this, &TSharedLog::UpdateStatus);
}

TSharedLog::~TSharedLog()
{
    Stop();
}

void TSharedLog::SetRemoteLogging(TRemoteLogging logging)
{
    fLogging = std::move(logging);
}

void TSharedLog::Start(const TShareSettings& settings)
{
    Stop();
    const QString problem = settings.Problem();
    if (!problem.isEmpty()) {
        throw EVantrel(problem);
    }
    fSettings = settings;
    fSettings.position = settings.position.trimmed();
    TSyncTarget target;
    target.settings = fSettings;
    target.table = fSettings.log;
    if (SyncStore::HasLogTable(fDM, fSettings.log)) {
        SyncStore::PrepareLog(fDM, fSettings.log, fSettings.position);
        TMysettings rec;
        fDM.ReadConfigRecord(fSettings.log, rec);
        rec.TableName = fSettings.log;
        target.event = EventConfigOf(rec);
        target.applied = SyncStore::AppliedSeq(fDM, fSettings.log);
        fPrepared = true;
    } else {
        // Whatever an earlier sharing of a log of that name left belongs to a table that is gone: the copy
        // made from the server starts from the beginning of its order.
        SyncStore::ForgetLog(fDM, fSettings.log);
        fPrepared = false;
    }
    fOnline = false;
    fConnecting = true;
    fPushing = false;
    fCaughtUp = false;
    fServerError.clear();
    fStoreError.clear();
    fJobs.clear();
    fPositions.clear();

    // Signals of the worker reach this object through a context that ends with this start, so nothing an
    // earlier start queued is taken for this one.
    fSession = new QObject(this);
    fThread = new QThread(this);
    fWorker = new TSyncWorker;
    fWorker->moveToThread(fThread);
    connect(fWorker, &TSyncWorker::Joined, fSession,
            [this](const TEventConfig& event, const QList<TServerPosition>& p) { OnJoined(event, p); });
    connect(fWorker, &TSyncWorker::Offline, fSession,
            [this](int kind, const QString& message) { OnOffline(kind, message); });
    connect(fWorker, &TSyncWorker::Pushed, fSession,
            [this](const QList<TSyncContact>& states, qint64 upTo) { OnPushed(states, upTo); });
    connect(fWorker, &TSyncWorker::PushRefused, fSession,
            [this](const QString& message) { OnPushRefused(message); });
    connect(fWorker, &TSyncWorker::Received, fSession,
            [this](const QList<TSyncContact>& states, qint64 upTo, bool caughtUp) {
                OnReceived(states, upTo, caughtUp);
            });
    connect(fWorker, &TSyncWorker::PositionsRead, fSession,
            [this](const QList<TServerPosition>& positions) { OnPositions(positions); });
    fThread->start();
    QMetaObject::invokeMethod(
        fWorker, [worker = fWorker, target] { worker->Open(target); }, Qt::QueuedConnection);
    fWatch = std::make_unique<TOutboxWatch>(fDM, fSession, [this] { LocalChanged(); });
    fLook.start();
    UpdateStatus();
}

void TSharedLog::Stop()
{
    if (!fWorker) {
        return;
    }
    fWatch.reset();
    fLook.stop();
    fLater.stop();
    QMetaObject::invokeMethod(fWorker, &TSyncWorker::Shutdown, Qt::QueuedConnection);
    fThread->wait();
    delete fWorker;
    fWorker = nullptr;
    delete fThread;
    fThread = nullptr;
    delete fSession;
    fSession = nullptr;
    fJobs.clear();
    fOnline = false;
    fConnecting = false;
    fPushing = false;
    fCaughtUp = false;
    UpdateStatus();
}

void TSharedLog::LocalChanged()
{
    PushIfNeeded();
    fStatusSoon.start();
}

void TSharedLog::OnJoined(const TEventConfig& event, const QList<TServerPosition>& positions)
{
    fOnline = true;
    fConnecting = false;
    fServerError.clear();
    fPositions = positions;
    if (!fPrepared) {
        MakeLocalLog(event);
    }
    emit PositionsChanged();
    Work();
    PushIfNeeded();
    UpdateStatus();
}

void TSharedLog::MakeLocalLog(const TEventConfig& event)
{
    const QString table = fSettings.log;
    try {
        if (!SyncStore::HasLogTable(fDM, table)) {
            if (fDM.TableExists(table)) {
                // A configuration row whose table is gone: the table alone is made.
                fDM.CreateNewLogTable(table);
                fDM.EnsureCallIndex(table);
            } else {
                fDM.CreateLog(EventRecord(event, table));
            }
        }
        SyncStore::PrepareLog(fDM, table, fSettings.position);
    } catch (const EVantrel& e) {
        fStoreError =
            QStringLiteral("The shared log %1 cannot be made in logs.db: %2").arg(table, e.Message());
        return;
    }
    fPrepared = true;
    fStoreError.clear();
    emit LogJoined(table);
}

void TSharedLog::OnOffline(int, const QString& message)
{
    fOnline = false;
    fConnecting = false;
    fPushing = false;
    fCaughtUp = false;
    fServerError = message;
    UpdateStatus();
}

void TSharedLog::OnPushed(const QList<TSyncContact>& states, qint64 upTo)
{
    fPushing = false;
    fJobs << TJob{states, std::nullopt, upTo};
    Work();
    PushIfNeeded();
    fStatusSoon.start();
}

void TSharedLog::OnPushRefused(const QString& message)
{
    fPushing = false;
    if (!message.isEmpty()) {
        fServerError = message;
        QTimer::singleShot(2000, fSession, [this] { PushIfNeeded(); });
    }
    fStatusSoon.start();
}

void TSharedLog::OnReceived(const QList<TSyncContact>& states, qint64 upTo, bool caughtUp)
{
    fCaughtUp = caughtUp;
    if (!states.isEmpty()) {
        fJobs << TJob{states, upTo, std::nullopt};
    }
    Work();
    fStatusSoon.start();
}

void TSharedLog::OnPositions(const QList<TServerPosition>& positions)
{
    const bool changed = positions.size() != fPositions.size();
    fPositions = positions;
    emit PositionsChanged();
    if (changed) {
        fStatusSoon.start();
    }
}

void TSharedLog::Work()
{
    if (fJobs.isEmpty() || !fWorker) {
        return;
    }
    // Only in a transaction of its own: one the program has open (a long import) is waited for.
    if (!fPrepared || SyncStore::InTransaction(fDM)) {
        fLater.start();
        return;
    }
    while (!fJobs.isEmpty()) {
        const TJob& job = fJobs.first();
        QList<TRemoteChange> changes;
        try {
            changes = SyncStore::ApplyServerState(fDM, fSettings.log, job.states, fLogging, job.applied,
                                                  job.acknowledged);
        } catch (const EVantrel& e) {
            // Kept and tried again (every second): a busy or full disk passes.
            fStoreError = QStringLiteral("The other positions' contacts cannot be stored in logs.db: %1")
                              .arg(e.Message());
            fStatusSoon.start();
            return;
        }
        fJobs.removeFirst();
        fStoreError.clear();
        if (!changes.isEmpty()) {
            emit RemoteChanges(changes);
        }
    }
    fStatusSoon.start();
}

void TSharedLog::PushIfNeeded()
{
    if (!fOnline || fPushing || !fPrepared || !fWorker) {
        return;
    }
    if (SyncStore::InTransaction(fDM)) {
        fLater.start();
        return;
    }
    SyncStore::TOutbox outbox;
    try {
        outbox = SyncStore::ReadOutbox(fDM, fSettings.log, kBatch);
    } catch (const EVantrel& e) {
        fStoreError = QStringLiteral("The changes to send cannot be read from logs.db: %1").arg(e.Message());
        fStatusSoon.start();
        return;
    }
    if (outbox.upTo == 0) {
        return;
    }
    fPushing = true;
    QMetaObject::invokeMethod(
        fWorker,
        [worker = fWorker, contacts = outbox.contacts, upTo = outbox.upTo] { worker->Push(contacts, upTo); },
        Qt::QueuedConnection);
}

void TSharedLog::Look()
{
    Work();
    PushIfNeeded();
    UpdateStatus();
}

void TSharedLog::UpdateStatus()
{
    TShareStatus s;
    if (fWorker) {
        s.state = fOnline       ? TShareStatus::TState::Online
                  : fConnecting ? TShareStatus::TState::Connecting
                                : TShareStatus::TState::Offline;
        s.positions = int(fPositions.size());
        if (fPrepared && !SyncStore::InTransaction(fDM)) {
            try {
                s.toSend = SyncStore::PendingCount(fDM, fSettings.log);
            } catch (const EVantrel&) {
                s.toSend = fStatus.toSend;
            }
        } else {
            s.toSend = fStatus.toSend;
        }
        s.inStep = fOnline && fPrepared && s.toSend == 0 && fCaughtUp && fJobs.isEmpty() && !fPushing;
        s.error = !fStoreError.isEmpty() ? fStoreError : fServerError;
    }
    if (!(s == fStatus)) {
        fStatus = s;
        emit StatusChanged(s);
    }
}

QList<TPositionInfo> TSharedLog::Positions()
{
    QList<TPositionInfo> list;
    const auto find = [&](const QString& name) -> TPositionInfo& {
        for (TPositionInfo& p : list) {
            if (p.name == name) {
                return p;
            }
        }
        list << TPositionInfo{name, 0, QString(), QDateTime(), name == fSettings.position};
        return list.last();
    };
    for (const TServerPosition& p : fPositions) {
        find(p.name).lastSeen = p.seen;
    }
    if (fPrepared) {
        for (const TPositionCount& c : SyncStore::PositionCounts(fDM, fSettings.log)) {
            TPositionInfo& p = find(c.position);
            p.contacts = c.contacts;
            p.lastContact = c.lastContact;
        }
    }
    if (!fSettings.position.isEmpty()) {
        find(fSettings.position);
    }
    std::sort(list.begin(), list.end(), [](const TPositionInfo& a, const TPositionInfo& b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return list;
}
