#pragma once

#include "tLogRecord.h"

#include <QList>
#include <QMetaType>
#include <QString>
#include <functional>
#include <optional>

class TDM;

// The local side of a shared log, kept in logs.db beside the log table and never in it:
// - sync_contacts gives every contact of a shared log its global identity (the same on every position),
//   the position that logged it and its place in the server's order;
// - sync_outbox lists the contacts changed here and not yet taken by the server;
// - sync_state holds, per shared log, this position's name and how far the server's changes are applied;
// - sync_apply is empty except inside the transaction that stores a change from another position.
// Triggers on the shared log table fill sync_contacts and sync_outbox in the same transaction as the
// change itself, whichever code or program makes it, so a contact acknowledged here is never lost to the
// shared log, even when the program is killed the next moment.

// One contact as the shared log holds it.
struct TSyncContact
{
    QString gid;          // global identity
    QString origin;       // the position that logged it
    qint64 seq = 0;       // the server's order of its last change; 0 while the server has not taken it
    qint64 ord = 0;       // the server's order of its first arrival: the order of the event's contacts
    bool deleted = false; // a tombstone: the contact was deleted
    tLogRecord rec;       // every column of the log table except the key
};

// A change from another position, as it was stored in the local log.
struct TRemoteChange
{
    enum class TKind
    {
        Insert,
        Update,
        Delete
    };
    TKind kind = TKind::Insert;
    QString table;
    qint64 key = 0; // the contact's key (pkey) in the local log table
    tLogRecord rec; // its values (for a deletion, nothing)
    QString origin; // the position that logged the contact
};

// How the contacts of other positions are written into the local log table. Each function runs inside the
// transaction that records the change, must store what it is given (an insert may not be refused: a contact
// worked twice is kept twice) and may throw to undo the whole batch. Columns a function leaves out are
// written after it.
struct TRemoteLogging
{
    std::function<void(const QString& table, const tLogRecord& rec)> insert;
    std::function<void(const QString& table, qint64 key, const tLogRecord& rec)> update;
    std::function<void(const QString& table, qint64 key)> erase;
};

// The data layer's own writing: TDM::LogAddRecord for an insert, a rewrite of every column for an edit,
// DeleteContact for a deletion.
TRemoteLogging DataLayerLogging(TDM& dm);

// What the local log holds of one position.
struct TPositionCount
{
    QString position;
    int contacts = 0;
    QString lastContact; // date and time of its latest contact, as logged ("yyyy-mm-dd hh:mm")
};

namespace SyncStore {

// Makes a log table ready for sharing under this position's name, in one transaction: the side tables, the
// triggers (made again when they are not exactly as this program writes them), an identity and an outbox
// entry for every contact logged while there were no triggers, and a tombstone for every contact removed
// meanwhile. Throws EDatabaseError.
void PrepareLog(TDM& dm, const QString& table, const QString& position);

// True when logs.db holds a table of that name.
bool HasLogTable(TDM& dm, const QString& table);

// True when the log has been prepared for sharing (and not forgotten since).
bool IsShared(TDM& dm, const QString& table);

// Ends the sharing of a log for good: its triggers and its rows of the side tables are removed.
void ForgetLog(TDM& dm, const QString& table);

// The server's order up to which the other positions' changes are applied here.
qint64 AppliedSeq(TDM& dm, const QString& table);

// The first entries of the outbox (at most limit), as the contacts they name stand now: their values, or
// a tombstone for a deleted one. upTo is the last entry read; the server's answer acknowledges it.
struct TOutbox
{
    qint64 upTo = 0;
    QList<TSyncContact> contacts;
};
TOutbox ReadOutbox(TDM& dm, const QString& table, int limit);

// The number of contacts waiting in the outbox.
int PendingCount(TDM& dm, const QString& table);

// The last outbox entry of the log (0 for none): a change of it means something new to send.
qint64 OutboxTop(TDM& dm, const QString& table);

// Stores the server's state of contacts in one transaction, last writer winning by the server's order: a
// contact changed here and not yet sent keeps its local state (it will be sent, and the server's answer
// settles it); a state older than the one held is ignored; a tombstone deletes. acknowledged removes the
// outbox entries up to it (the server has taken them); applied records how far the server's changes are
// applied. Returns the changes made to the log table. Throws when a statement fails (nothing is stored).
QList<TRemoteChange> ApplyServerState(TDM& dm, const QString& table, const QList<TSyncContact>& states,
                                      const TRemoteLogging& logging, std::optional<qint64> applied = {},
                                      std::optional<qint64> acknowledged = {});

// Contacts and the latest contact of each position, from the local log.
QList<TPositionCount> PositionCounts(TDM& dm, const QString& table);

// When the side tables are gone (removed by hand or by another program), drops the sync triggers of a log,
// which would refuse every change of it; true when it dropped any. The log is prepared again at the next
// start of its sharing.
bool DropOrphanedTriggers(TDM& dm, const QString& table);

// True while the logs connection is inside a transaction: the sharing then waits instead of writing.
bool InTransaction(TDM& dm);

} // namespace SyncStore

Q_DECLARE_METATYPE(TSyncContact)
Q_DECLARE_METATYPE(TRemoteChange)
