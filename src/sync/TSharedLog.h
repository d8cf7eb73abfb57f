#pragma once

#include "TShareSettings.h"
#include "TSyncServer.h"

#include "data/SyncStore.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QTimer>
#include <memory>
#include <optional>

class QThread;
class TDM;
class TOutboxWatch;
class TSyncWorker;

// What the links strip shows of the sharing.
struct TShareStatus
{
    enum class TState
    {
        Off,        // not shared
        Connecting, // started, no answer from the server yet
        Online,
        Offline // the server cannot be used now (error says why); the position logs on
    };
    TState state = TState::Off;
    int positions = 0;   // positions that joined the shared log (this one included)
    int toSend = 0;      // contacts changed here that the server has not taken yet
    bool inStep = false; // online, nothing to send, every change of the others applied here
    QString error;       // why the server cannot be used (or a change could not be stored); empty when fine

    // "Shared: 3 positions, in step", "Shared: 3 positions, 12 to send", "Shared: offline, 12 to send",
    // "Shared: connecting, 12 to send"; empty when the log is not shared.
    QString Text() const;

    bool operator==(const TShareStatus&) const = default;
};

// One line of the positions list.
struct TPositionInfo
{
    QString name;
    int contacts = 0;    // contacts of this position in the local log
    QString lastContact; // date and time of its latest contact as logged, empty when none
    QDateTime lastSeen;  // when it was last in touch with the server (UTC; invalid when not known)
    bool self = false;   // this position
};

// One position's sharing of one log through a PostgreSQL server, local first: the position logs into its
// own logs.db as ever and nothing waits for the server. Triggers on the log table give every contact its
// global identity and queue each change in logs.db in the same transaction (SyncStore); a worker thread
// with its own connection sends the queue and brings the other positions' changes (LISTEN/NOTIFY, and a
// poll every second), which are stored here on the owner's thread through the remote-logging functions,
// last writer winning per contact by the server's order. When the network drops, changes wait in logs.db
// and go out once the server answers again, even after a restart.
//
// For the main window (one TSharedLog for the run, beside TDM):
//   share.SetRemoteLogging({insert, update, erase});    // the other positions' contacts go through the
//                                                        // program's one logging path (default: the data
//                                                        // layer's own, DataLayerLogging)
//   connect(&share, &TSharedLog::StatusChanged, ...);    // links strip: status.Text(), tip: status.error
//   connect(&share, &TSharedLog::RemoteChanges, ...);    // recount, dupe list, recent contacts, statistics
//   connect(&share, &TSharedLog::LogJoined, ...);        // a log made from the server's copy: list it
//   share.Start(settings);                               // File > "Share This Log..." (TfrmShareLog), or at
//                                                        // start when ReadShareSettings(...).joinAtStart
//   new TfrmSharePositions(share, this);                 // Display > Positions
// Nothing is needed after a local write: every change of the shared log table, by any path, is queued by
// triggers and noticed at once (LocalChanged only makes it prompter). Stop() (or the destructor) on close.
class TSharedLog : public QObject
{
    Q_OBJECT

public:
    explicit TSharedLog(TDM& dm, QObject* parent = nullptr);
    ~TSharedLog() override;

    // How the other positions' contacts are written into the local log (the data layer's own writing
    // unless set). Set it before Start.
    void SetRemoteLogging(TRemoteLogging logging);

    // Starts sharing the log named in the settings. When logs.db holds the log, it is made ready at once
    // (from here on every change is kept for the server, whatever the network does) and the server's copy is
    // created or joined; when it does not, the log is made from the server's copy once the server answers
    // (LogJoined). Returns at once. Throws EVantrel when the settings are incomplete or logs.db cannot be
    // prepared; a server that cannot be used only makes the status offline.
    void Start(const TShareSettings& settings);
    // Stops talking to the server. Changes made meanwhile are kept in logs.db and sent at the next Start.
    void Stop();
    bool IsStarted() const { return fWorker != nullptr; }
    QString Table() const { return fSettings.log; }
    const TShareSettings& Settings() const { return fSettings; }

    TShareStatus Status() const { return fStatus; }
    // Every position known to the server (or, offline, to the local log), with its contacts here.
    QList<TPositionInfo> Positions();
    // Makes the sending prompt after a change of the log; changes are also noticed without it.
    void LocalChanged();

signals:
    void StatusChanged(const TShareStatus& status);
    // Changes of the other positions, already stored in the local log.
    void RemoteChanges(const QList<TRemoteChange>& changes);
    // The local log was made from the server's copy of the event (this position did not hold it).
    void LogJoined(const QString& table);
    void PositionsChanged();

private:
    struct TJob
    {
        QList<TSyncContact> states;
        std::optional<qint64> applied;
        std::optional<qint64> acknowledged;
    };

    void OnJoined(const TEventConfig& event, const QList<TServerPosition>& positions);
    void OnOffline(int kind, const QString& message);
    void OnPushed(const QList<TSyncContact>& states, qint64 upTo);
    void OnPushRefused(const QString& message);
    void OnReceived(const QList<TSyncContact>& states, qint64 upTo, bool caughtUp);
    void OnPositions(const QList<TServerPosition>& positions);
    // Makes the local log from the server's copy of the event, when logs.db does not hold it.
    void MakeLocalLog(const TEventConfig& event);
    // Stores what came from the server; waits while the logs connection is inside a transaction.
    void Work();
    void PushIfNeeded();
    void Look();
    void UpdateStatus();

    TDM& fDM;
    TShareSettings fSettings;
    TRemoteLogging fLogging;
    QObject* fSession = nullptr; // the context of one start's connections
    QThread* fThread = nullptr;
    TSyncWorker* fWorker = nullptr;
    std::unique_ptr<TOutboxWatch> fWatch;
    QTimer fLook;  // the outbox, for changes made by other programs, and work that had to wait
    QTimer fLater; // work that waits for the logs connection
    QTimer fStatusSoon;
    QList<TJob> fJobs;
    QList<TServerPosition> fPositions;
    bool fPrepared = false;
    bool fOnline = false;
    bool fConnecting = false;
    bool fPushing = false;
    bool fCaughtUp = false;
    qint64 fSentTop = -1; // the outbox's last entry when it was last read
    QString fServerError;
    QString fStoreError;
    TShareStatus fStatus;
};

Q_DECLARE_METATYPE(TShareStatus)
