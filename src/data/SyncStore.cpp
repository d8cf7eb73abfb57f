#include "SyncStore.h"

#include "Errors.h"
#include "LogEdits.h"
#include "TDM.h"

#include <QSet>
#include <QSqlQuery>
#include <QVariant>
#include <array>
#include <sqlite3.h>

namespace {

// Every column of a log table except its key, in table order: what travels between positions.
const QString kColumns = QStringLiteral("_date,_time,_call,_tenten,_vp,_epc,_p070,_mode,_name,_qth,_mycounty,"
                                        "_uscounty,_points,_mobile,_dxcc,_comment,submit_bar,submit_digital,"
                                        "submit_county");

const std::array<QString, 4> kSideTables = {
    QStringLiteral(
        "CREATE TABLE IF NOT EXISTS sync_state (log TEXT PRIMARY KEY NOT NULL, position TEXT NOT NULL, "
        "seq INTEGER NOT NULL DEFAULT 0)"),
    // Without a rowid, the table is its key's tree: one page fewer to write at every contact.
    QStringLiteral(
        "CREATE TABLE IF NOT EXISTS sync_contacts (log TEXT NOT NULL, key INTEGER NOT NULL, gid TEXT "
        "NOT NULL, origin TEXT NOT NULL, seq INTEGER, ord INTEGER, deleted INTEGER NOT NULL DEFAULT 0, "
        "PRIMARY KEY (log, key)) WITHOUT ROWID"),
    QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS sync_contacts_gid ON sync_contacts (log, gid)"),
    // AUTOINCREMENT: an entry's number is never given again, so acknowledging "up to n" can only ever
    // remove entries that were sent. No index beside its key: it holds only what waits to be sent, and an
    // index would cost one more page to write at every contact.
    QStringLiteral(
        "CREATE TABLE IF NOT EXISTS sync_outbox (id INTEGER PRIMARY KEY AUTOINCREMENT, log TEXT NOT "
        "NULL, gid TEXT NOT NULL)"),
};
const QString kApplyTable = QStringLiteral("CREATE TABLE IF NOT EXISTS sync_apply (gid TEXT NOT NULL, origin "
                                           "TEXT NOT NULL)");

// A text as an SQL literal, for the statements of a trigger (which take no bound values).
QString Literal(const QString& text)
{
    return '\'' + QString(text).replace('\'', QStringLiteral("''")) + '\'';
}

struct TSyncTrigger
{
    QString name;
    QString sql;
};

// The triggers that give each new contact of a shared log its identity and put every change made here into
// the outbox. A change stored from another position runs while sync_apply holds that contact's identity:
// the insert takes the identity from there, and nothing goes to the outbox. A row whose key was once a
// deleted contact's (a table rebuilt by another program) replaces that contact's stale entry.
std::array<TSyncTrigger, 3> SyncTriggers(const QString& table)
{
    const QString log = Literal(table);
    const QString notApplying = QStringLiteral("NOT EXISTS (SELECT 1 FROM sync_apply)");
    const auto trigger = [&](const QString& suffix, const QString& event, const QString& body) {
        const QString name = table + suffix;
        return TSyncTrigger{name, QStringLiteral("CREATE TRIGGER ") + QuoteIdent(name) + ' ' + event +
                                      QStringLiteral(" ON ") + QuoteIdent(table) + QStringLiteral(" BEGIN ") +
                                      body + QStringLiteral(" END")};
    };
    const QString insert =
        QStringLiteral(
            "INSERT OR REPLACE INTO sync_contacts(log,key,gid,origin,deleted) SELECT %1,new.pkey,gid,"
            "origin,0 FROM sync_apply; "
            "INSERT OR REPLACE INTO sync_contacts(log,key,gid,origin,deleted) SELECT %1,new.pkey,"
            "lower(hex(randomblob(16))),position,0 FROM sync_state WHERE log=%1 AND %2; "
            "INSERT INTO sync_outbox(log,gid) SELECT %1,gid FROM sync_contacts WHERE log=%1 AND "
            "key=new.pkey AND %2;")
            .arg(log, notApplying);
    const QString update =
        QStringLiteral(
            "UPDATE OR REPLACE sync_contacts SET key=new.pkey WHERE new.pkey<>old.pkey AND log=%1 AND "
            "key=old.pkey; "
            "INSERT INTO sync_outbox(log,gid) SELECT %1,gid FROM sync_contacts WHERE log=%1 AND "
            "key=new.pkey AND deleted=0 AND %2;")
            .arg(log, notApplying);
    const QString erase =
        QStringLiteral("INSERT INTO sync_outbox(log,gid) SELECT %1,gid FROM sync_contacts WHERE log=%1 AND "
                       "key=old.pkey AND deleted=0 AND %2; "
                       "UPDATE sync_contacts SET deleted=1 WHERE log=%1 AND key=old.pkey;")
            .arg(log, notApplying);
    return {trigger(QStringLiteral("_sync_insert"), QStringLiteral("AFTER INSERT"), insert),
            trigger(QStringLiteral("_sync_update"), QStringLiteral("AFTER UPDATE"), update),
            trigger(QStringLiteral("_sync_delete"), QStringLiteral("AFTER DELETE"), erase)};
}

bool TableExists(QSqlQuery& q, const QString& name)
{
    ExecSql(q, QStringLiteral("select 1 from sqlite_master where type='table' and name=?"), {name});
    const bool found = q.next();
    q.finish();
    return found;
}

// Runs work in one transaction on the logs connection; nothing of it stays when it throws.
template <typename Work> auto Transaction(TDM& dm, Work work)
{
    QSqlDatabase db = dm.condb();
    if (!db.transaction()) {
        throw EDatabaseError(ErrorText(db.lastError()));
    }
    try {
        if constexpr (std::is_void_v<decltype(work())>) {
            work();
            if (!db.commit()) {
                throw EDatabaseError(ErrorText(db.lastError()));
            }
        } else {
            auto result = work();
            if (!db.commit()) {
                throw EDatabaseError(ErrorText(db.lastError()));
            }
            return result;
        }
    } catch (...) {
        db.rollback();
        throw;
    }
}

// The values of a log row read from the column at first onwards (in the order of kColumns).
tLogRecord RecordAt(const QSqlQuery& q, int first)
{
    tLogRecord rec;
    int i = first;
    for (QString* text : {&rec.date, &rec.time, &rec.call, &rec.tenten, &rec.vp, &rec.epc, &rec.p070,
                          &rec.mode, &rec.name, &rec.qth, &rec.mycounty, &rec.uscounty}) {
        *text = q.value(i++).toString();
    }
    rec.points = q.value(i++).toInt();
    rec.mobile = q.value(i++).toInt() != 0;
    rec.dxcc = q.value(i++).toInt();
    rec.comment = q.value(i++).toString();
    rec.submit_bar = q.value(i++).toInt();
    rec.submit_digital = q.value(i++).toInt();
    rec.submit_county = q.value(i++).toInt();
    return rec;
}

// Two records as the log table holds them: NULL and empty text, NULL and 0 are alike.
bool SameRecord(const tLogRecord& a, const tLogRecord& b)
{
    const auto text = [](const QString& s) { return s.isNull() ? QStringLiteral("") : s; };
    return text(a.date) == text(b.date) && text(a.time) == text(b.time) && text(a.call) == text(b.call) &&
           text(a.tenten) == text(b.tenten) && text(a.vp) == text(b.vp) && text(a.epc) == text(b.epc) &&
           text(a.p070) == text(b.p070) && text(a.mode) == text(b.mode) && text(a.name) == text(b.name) &&
           text(a.qth) == text(b.qth) && text(a.mycounty) == text(b.mycounty) &&
           text(a.uscounty) == text(b.uscounty) && a.points == b.points && a.mobile == b.mobile &&
           a.dxcc == b.dxcc && text(a.comment) == text(b.comment) && a.submit_bar == b.submit_bar &&
           a.submit_digital == b.submit_digital && a.submit_county == b.submit_county;
}

QVariantList RecordValues(const tLogRecord& rec)
{
    return {TextValue(rec.date),
            TextValue(rec.time),
            TextValue(rec.call),
            TextValue(rec.tenten),
            TextValue(rec.vp),
            TextValue(rec.epc),
            TextValue(rec.p070),
            TextValue(rec.mode),
            TextValue(rec.name),
            TextValue(rec.qth),
            TextValue(rec.mycounty),
            TextValue(rec.uscounty),
            rec.points,
            rec.mobile ? 1 : 0,
            rec.dxcc,
            TextValue(rec.comment),
            rec.submit_bar,
            rec.submit_digital,
            rec.submit_county};
}

void Run(QSqlQuery& q, const QVariantList& values)
{
    for (int i = 0; i < values.size(); ++i) {
        q.bindValue(i, values[i]);
    }
    if (!q.exec()) {
        throw EDatabaseError(ErrorText(q.lastError()));
    }
}

// Rewrites every column of one contact.
void WriteRecord(TDM& dm, const QString& table, qint64 key, const tLogRecord& rec)
{
    QString set;
    for (const QString& column : kColumns.split(',')) {
        set += (set.isEmpty() ? QString() : QStringLiteral(",")) + column + QStringLiteral("=?");
    }
    QVariantList values = RecordValues(rec);
    values << key;
    QSqlQuery q(dm.condb());
    ExecSql(q,
            QStringLiteral("update ") + QuoteIdent(table) + QStringLiteral(" set ") + set +
                QStringLiteral(" where pkey=?"),
            values);
}

std::optional<tLogRecord> ReadRecord(QSqlQuery& q, qint64 key)
{
    Run(q, {key});
    std::optional<tLogRecord> rec;
    if (q.next()) {
        rec = RecordAt(q, 0);
    }
    q.finish();
    return rec;
}

} // namespace

TRemoteLogging DataLayerLogging(TDM& dm)
{
    TRemoteLogging logging;
    logging.insert = [&dm](const QString& table, const tLogRecord& rec) { dm.LogAddRecord(rec, table); };
    logging.update = [&dm](const QString& table, qint64 key, const tLogRecord& rec) {
        WriteRecord(dm, table, key, rec);
    };
    logging.erase = [&dm](const QString& table, qint64 key) { DeleteContact(dm, table, key); };
    return logging;
}

namespace SyncStore {

void PrepareLog(TDM& dm, const QString& table, const QString& position)
{
    Transaction(dm, [&] {
        QSqlQuery q(dm.condb());
        for (const QString& statement : kSideTables) {
            ExecSql(q, statement);
        }
        ExecSql(q, kApplyTable);
        // Left over only if a program stopped inside its transaction, which cannot commit it; emptied anyway,
        // as a row here would keep every change of the log out of the outbox.
        ExecSql(q, QStringLiteral("DELETE FROM sync_apply"));
        ExecSql(q,
                QStringLiteral("INSERT INTO sync_state(log,position) VALUES(?,?) "
                               "ON CONFLICT(log) DO UPDATE SET position=excluded.position"),
                {table, position});
        for (const TSyncTrigger& trigger : SyncTriggers(table)) {
            ExecSql(q, QStringLiteral("select sql from sqlite_master where type='trigger' and name=?"),
                    {trigger.name});
            const bool same = q.next() && q.value(0).toString() == trigger.sql;
            q.finish();
            if (!same) {
                ExecSql(q, QStringLiteral("DROP TRIGGER IF EXISTS ") + QuoteIdent(trigger.name));
                ExecSql(q, trigger.sql);
            }
        }
        const QString log = QuoteIdent(table);
        // Contacts removed while there were no triggers: tombstones.
        ExecSql(q,
                QStringLiteral(
                    "INSERT INTO sync_outbox(log,gid) SELECT log,gid FROM sync_contacts WHERE log=? AND "
                    "deleted=0 AND key NOT IN (SELECT pkey FROM ") +
                    log + ')',
                {table});
        ExecSql(q,
                QStringLiteral("UPDATE sync_contacts SET deleted=1 WHERE log=? AND deleted=0 AND key NOT IN "
                               "(SELECT pkey FROM ") +
                    log + ')',
                {table});
        // Contacts logged while there were no triggers (all of them, the first time a log is shared): new
        // identities of this position.
        ExecSql(
            q,
            QStringLiteral("INSERT OR REPLACE INTO sync_contacts(log,key,gid,origin,deleted) SELECT ?,pkey,"
                           "lower(hex(randomblob(16))),?,0 FROM ") +
                log +
                QStringLiteral(
                    " WHERE pkey NOT IN (SELECT key FROM sync_contacts WHERE log=? AND deleted=0)"),
            {table, position, table});
        // Whatever the server has never acknowledged goes out (again).
        ExecSql(q,
                QStringLiteral(
                    "INSERT INTO sync_outbox(log,gid) SELECT c.log,c.gid FROM sync_contacts c WHERE "
                    "c.log=? AND c.seq IS NULL AND c.gid NOT IN (SELECT gid FROM sync_outbox WHERE log=?) "
                    "ORDER BY c.key"),
                {table, table});
    });
}

bool HasLogTable(TDM& dm, const QString& table)
{
    QSqlQuery q(dm.condb());
    return TableExists(q, table);
}

bool IsShared(TDM& dm, const QString& table)
{
    QSqlQuery q(dm.condb());
    if (!TableExists(q, QStringLiteral("sync_state"))) {
        return false;
    }
    ExecSql(q, QStringLiteral("select 1 from sync_state where log=?"), {table});
    return q.next();
}

void ForgetLog(TDM& dm, const QString& table)
{
    Transaction(dm, [&] {
        QSqlQuery q(dm.condb());
        for (const TSyncTrigger& trigger : SyncTriggers(table)) {
            ExecSql(q, QStringLiteral("DROP TRIGGER IF EXISTS ") + QuoteIdent(trigger.name));
        }
        for (const char* side : {"sync_state", "sync_contacts", "sync_outbox"}) {
            const QString name = QString::fromLatin1(side);
            if (TableExists(q, name)) {
                ExecSql(q, QStringLiteral("DELETE FROM ") + name + QStringLiteral(" WHERE log=?"), {table});
            }
        }
    });
}

qint64 AppliedSeq(TDM& dm, const QString& table)
{
    QSqlQuery q(dm.condb());
    ExecSql(q, QStringLiteral("select seq from sync_state where log=?"), {table});
    return q.next() ? q.value(0).toLongLong() : 0;
}

TOutbox ReadOutbox(TDM& dm, const QString& table, int limit)
{
    TOutbox outbox;
    const std::shared_ptr<QSqlQuery> top = dm.KeptStatement(
        QStringLiteral("select max(id) from (select id from sync_outbox where log=? order by id limit ?)"));
    Run(*top, {table, limit});
    outbox.upTo = top->next() ? top->value(0).toLongLong() : 0;
    top->finish();
    if (outbox.upTo == 0) {
        return outbox;
    }
    QString columns;
    for (const QString& column : kColumns.split(',')) {
        columns += QStringLiteral(",l.") + column;
    }
    // One line per contact, however often it changed, with its values as they stand now.
    const std::shared_ptr<QSqlQuery> q = dm.KeptStatement(
        QStringLiteral("select o.gid, c.origin, c.deleted or l.pkey is null") + columns +
        QStringLiteral(" from (select id, gid from sync_outbox where log=? and id<=?) o"
                       " join sync_contacts c on c.log=? and c.gid=o.gid"
                       " left join ") +
        QuoteIdent(table) +
        QStringLiteral(" l on c.deleted=0 and l.pkey=c.key group by o.gid order by min(o.id)"));
    Run(*q, {table, outbox.upTo, table});
    while (q->next()) {
        TSyncContact c;
        c.gid = q->value(0).toString();
        c.origin = q->value(1).toString();
        c.deleted = q->value(2).toInt() != 0;
        if (!c.deleted) {
            c.rec = RecordAt(*q, 3);
        }
        outbox.contacts << c;
    }
    q->finish();
    return outbox;
}

int PendingCount(TDM& dm, const QString& table)
{
    const std::shared_ptr<QSqlQuery> q =
        dm.KeptStatement(QStringLiteral("select count(distinct gid) from sync_outbox where log=?"));
    Run(*q, {table});
    const int count = q->next() ? q->value(0).toInt() : 0;
    q->finish();
    return count;
}

qint64 OutboxTop(TDM& dm, const QString& table)
{
    const std::shared_ptr<QSqlQuery> q =
        dm.KeptStatement(QStringLiteral("select max(id) from sync_outbox where log=?"));
    Run(*q, {table});
    const qint64 top = q->next() ? q->value(0).toLongLong() : 0;
    q->finish();
    return top;
}

QList<TRemoteChange> ApplyServerState(TDM& dm, const QString& table, const QList<TSyncContact>& states,
                                      const TRemoteLogging& logging, std::optional<qint64> applied,
                                      std::optional<qint64> acknowledged)
{
    return Transaction(dm, [&] {
        QList<TRemoteChange> changes;
        if (acknowledged) {
            const std::shared_ptr<QSqlQuery> ack =
                dm.KeptStatement(QStringLiteral("delete from sync_outbox where log=? and id<=?"));
            Run(*ack, {table, *acknowledged});
            ack->finish();
        }
        // The contacts changed here that wait to be sent, read once for the whole batch.
        QSet<QString> waiting;
        if (!states.isEmpty()) {
            const std::shared_ptr<QSqlQuery> pending =
                dm.KeptStatement(QStringLiteral("select distinct gid from sync_outbox where log=?"));
            Run(*pending, {table});
            while (pending->next()) {
                waiting.insert(pending->value(0).toString());
            }
            pending->finish();
        }
        const std::shared_ptr<QSqlQuery> local = dm.KeptStatement(
            QStringLiteral("select key, seq, deleted from sync_contacts where log=? and gid=?"));
        const std::shared_ptr<QSqlQuery> row =
            dm.KeptStatement(QStringLiteral("select ") + kColumns + QStringLiteral(" from ") +
                             QuoteIdent(table) + QStringLiteral(" where pkey=?"));
        const std::shared_ptr<QSqlQuery> order =
            dm.KeptStatement(QStringLiteral("update sync_contacts set seq=?, ord=? where log=? and gid=?"));

        // Runs one write of the log table as a change from another position, then makes every column what
        // the server holds, whatever the writer left out.
        const auto asRemote = [&](const TSyncContact& s, const std::function<void()>& write) {
            const std::shared_ptr<QSqlQuery> mark =
                dm.KeptStatement(QStringLiteral("insert into sync_apply(gid,origin) values(?,?)"));
            Run(*mark, {s.gid, s.origin});
            mark->finish();
            write();
            const std::shared_ptr<QSqlQuery> keyOf = dm.KeptStatement(
                QStringLiteral("select key from sync_contacts where log=? and gid=? and deleted=0"));
            Run(*keyOf, {table, s.gid});
            const std::optional<qint64> key =
                keyOf->next() ? std::optional(keyOf->value(0).toLongLong()) : std::nullopt;
            keyOf->finish();
            if (key && !s.deleted) {
                const std::optional<tLogRecord> stored = ReadRecord(*row, *key);
                if (!stored) {
                    throw EVantrel(
                        QStringLiteral("A contact from position %1 was not stored.").arg(s.origin));
                }
                if (!SameRecord(*stored, s.rec)) {
                    WriteRecord(dm, table, *key, s.rec);
                }
            }
            const std::shared_ptr<QSqlQuery> unmark =
                dm.KeptStatement(QStringLiteral("delete from sync_apply"));
            Run(*unmark, {});
            unmark->finish();
            return key;
        };

        for (const TSyncContact& s : states) {
            if (waiting.contains(s.gid)) {
                continue; // changed here since: this position's state goes to the server next
            }
            Run(*local, {table, s.gid});
            const bool known = local->next();
            const qint64 key = known ? local->value(0).toLongLong() : 0;
            const bool heldSeq = known && !local->value(1).isNull();
            const qint64 seq = heldSeq ? local->value(1).toLongLong() : 0;
            const bool gone = known && local->value(2).toInt() != 0;
            local->finish();
            if (heldSeq && seq >= s.seq) {
                continue;
            }
            if (s.deleted) {
                if (known && !gone && ReadRecord(*row, key)) {
                    asRemote(s, [&] { logging.erase(table, key); });
                    if (ReadRecord(*row, key)) {
                        throw EVantrel(QStringLiteral("A contact deleted at position %1 was not removed.")
                                           .arg(s.origin));
                    }
                    changes << TRemoteChange{TRemoteChange::TKind::Delete, table, key, tLogRecord(),
                                             s.origin};
                }
                if (known) {
                    Run(*order, {s.seq, s.ord, table, s.gid});
                    order->finish();
                }
                continue; // a tombstone of a contact never seen here leaves nothing to do
            }
            // The server's answer to this position's own change holds the values sent: nothing to write.
            const bool answer = acknowledged && known && !gone;
            const std::optional<tLogRecord> current =
                known && !gone && !answer ? ReadRecord(*row, key) : std::optional<tLogRecord>();
            if (current && !SameRecord(*current, s.rec)) {
                asRemote(s, [&] { logging.update(table, key, s.rec); });
                changes << TRemoteChange{TRemoteChange::TKind::Update, table, key, s.rec, s.origin};
            } else if (!current && !answer) {
                const std::optional<qint64> added = asRemote(s, [&] { logging.insert(table, s.rec); });
                if (!added) {
                    throw EVantrel(
                        QStringLiteral("A contact from position %1 was not stored.").arg(s.origin));
                }
                changes << TRemoteChange{TRemoteChange::TKind::Insert, table, *added, s.rec, s.origin};
            }
            Run(*order, {s.seq, s.ord, table, s.gid});
            order->finish();
        }
        if (applied) {
            const std::shared_ptr<QSqlQuery> state =
                dm.KeptStatement(QStringLiteral("update sync_state set seq=max(seq,?) where log=?"));
            Run(*state, {*applied, table});
            state->finish();
        }
        return changes;
    });
}

QList<TPositionCount> PositionCounts(TDM& dm, const QString& table)
{
    QSqlQuery q(dm.condb());
    q.setForwardOnly(true);
    ExecSql(
        q,
        QStringLiteral("select c.origin, count(*), max(ifnull(l._date,'') || ' ' || ifnull(l._time,'')) from "
                       "sync_contacts c join ") +
            QuoteIdent(table) +
            QStringLiteral(" l on l.pkey=c.key where c.log=? and c.deleted=0 group by c.origin order by "
                           "c.origin"),
        {table});
    QList<TPositionCount> counts;
    while (q.next()) {
        counts << TPositionCount{q.value(0).toString(), q.value(1).toInt(), q.value(2).toString().trimmed()};
    }
    return counts;
}

bool DropOrphanedTriggers(TDM& dm, const QString& table)
{
    QSqlQuery q(dm.condb());
    bool sideTables = true;
    for (const char* side : {"sync_state", "sync_contacts", "sync_outbox", "sync_apply"}) {
        sideTables = sideTables && TableExists(q, QString::fromLatin1(side));
    }
    if (sideTables) {
        return false;
    }
    bool dropped = false;
    for (const TSyncTrigger& trigger : SyncTriggers(table)) {
        ExecSql(q, QStringLiteral("select 1 from sqlite_master where type='trigger' and name=?"),
                {trigger.name});
        const bool found = q.next();
        q.finish();
        if (found) {
            ExecSql(q, QStringLiteral("DROP TRIGGER ") + QuoteIdent(trigger.name));
            dropped = true;
        }
    }
    return dropped;
}

bool InTransaction(TDM& dm)
{
    sqlite3* handle = SqliteHandle(dm.condb());
    return handle && sqlite3_get_autocommit(handle) == 0;
}

} // namespace SyncStore
