#include "TDM.h"

#include "Errors.h"
#include "Paths.h"
#include "SqlScript.h"
#include "SyncStore.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <QStringDecoder>
#include <QUrl>
#include <array>
#include <atomic>
#include <sqlite3.h>

namespace {

std::atomic<int> gInstance{0};

void OpenSqlite(QSqlDatabase db, const QString& path, bool create)
{
    db.close();
    if (create) {
        db.setConnectOptions();
        db.setDatabaseName(path);
    } else {
        // Opened through a URI in mode "rw": a missing file is an error instead of a new empty database.
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
        db.setDatabaseName(
            QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded) +
            QStringLiteral("?mode=rw"));
    }
    if (!db.open()) {
        throw EDatabaseError(ErrorText(db.lastError()));
    }
    QSqlQuery q(db);
    ExecSql(q, QStringLiteral("PRAGMA journal_mode=WAL"));
    ExecSql(q, QStringLiteral("PRAGMA synchronous=NORMAL"));
}

// Opens a connection that was only pointed at its file, on first use.
void EnsureOpen(QSqlDatabase db)
{
    if (!db.isOpen() && !db.open()) {
        throw EDatabaseError(ErrorText(db.lastError()));
    }
}

// The twenty columns of an event log table, in table order.
const QString kLogColumns = QStringLiteral(
    "_date VARCHAR(10) NULL,_time VARCHAR(5) NULL,_call VARCHAR(10) NULL,_tenten VARCHAR(5) NULL,"
    "_vp VARCHAR(5) NULL,_epc VARCHAR(5) NULL,_p070 VARCHAR(5) NULL,_mode VARCHAR(10) NULL,"
    "_name VARCHAR(100) NULL,_qth VARCHAR(100) NULL,_mycounty VARCHAR(100) NULL,"
    "_uscounty VARCHAR(100) NULL,_points INTEGER NULL,pkey INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL,"
    "_mobile INTEGER NULL,_dxcc INTEGER NULL,_comment VARCHAR(100) NULL,"
    "submit_bar INTEGER DEFAULT \"0\" NOT NULL,submit_digital INTEGER DEFAULT \"0\" NOT NULL,"
    "submit_county INTEGER DEFAULT \"0\" NOT NULL");

// The columns a new contact fills, in the order of the values bound to them (tLogRecord's order), for the
// single insert and for the insert of many.
const QString kInsertColumns =
    QStringLiteral(" (`_date`,`_time`,`_call`,`_tenten`,`_vp`,`_epc`,`_p070`,`_mode`,`_name`,`_qth`,"
                   "`_mycounty`,`_uscounty`,`_points`,`_dxcc`,`_comment`)"
                   " VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");

QString CreateLogTableStatement(const QString& name)
{
    return QStringLiteral("CREATE TABLE ") + QuoteIdent(name) + QStringLiteral(" (") + kLogColumns +
           QStringLiteral(")");
}

// Each log's counters, kept true by triggers on the log table through every insert, delete and update of
// a counted column, whichever program makes it; a selection then reads one row instead of every contact.
const QString kCountsTable =
    QStringLiteral("CREATE TABLE log_counts (log TEXT PRIMARY KEY NOT NULL,total INTEGER NOT NULL,"
                   "tenten INTEGER NOT NULL,epc INTEGER NOT NULL,p070 INTEGER NOT NULL,points NOT NULL)");

struct TCountTrigger
{
    QString name;
    QString sql;
};

// The triggers that keep a log table's row of log_counts. A column counts as the recount counts it: a
// non-empty text (NULL !='' is NULL, read as 0); NULL points add nothing, as in sum(). The row is named by
// the table name as a literal, so a renamed table's triggers no longer read as this table's.
std::array<TCountTrigger, 3> CountTriggers(const QString& table)
{
    const auto terms = [](const QString& row) {
        QStringList t;
        for (const char* column : {"_tenten", "_epc", "_p070"}) {
            t << QStringLiteral("ifnull(%1.%2!='',0)").arg(row, QLatin1String(column));
        }
        t << QStringLiteral("ifnull(%1._points,0)").arg(row);
        return t;
    };
    const QStringList added = terms(QStringLiteral("new"));
    const QStringList removed = terms(QStringLiteral("old"));
    const QStringList counters = {QStringLiteral("tenten"), QStringLiteral("epc"), QStringLiteral("p070"),
                                  QStringLiteral("points")};
    QString insert = QStringLiteral("total=total+1");
    QString erase = QStringLiteral("total=total-1");
    QString update;
    for (qsizetype i = 0; i < counters.size(); ++i) {
        const QString& c = counters[i];
        insert += ',' + c + '=' + c + '+' + added[i];
        erase += ',' + c + '=' + c + '-' + removed[i];
        update += (i ? QStringLiteral(",") : QString()) + c + '=' + c + '+' + added[i] + '-' + removed[i];
    }
    const QString on =
        QStringLiteral(" ON ") + QuoteIdent(table) + QStringLiteral(" BEGIN UPDATE log_counts SET ");
    const QString where = QStringLiteral(" WHERE log='") +
                          QString(table).replace('\'', QStringLiteral("''")) + QStringLiteral("'; END");
    const auto trigger = [&](const QString& suffix, const QString& event, const QString& set) {
        const QString name = table + suffix;
        return TCountTrigger{name, QStringLiteral("CREATE TRIGGER ") + QuoteIdent(name) + ' ' + event + on +
                                       set + where};
    };
    return {trigger(QStringLiteral("_counts_insert"), QStringLiteral("AFTER INSERT"), insert),
            trigger(QStringLiteral("_counts_delete"), QStringLiteral("AFTER DELETE"), erase),
            trigger(QStringLiteral("_counts_update"),
                    QStringLiteral("AFTER UPDATE OF _tenten,_epc,_p070,_points"), update)};
}

} // namespace

QString ErrorText(const QSqlError& error)
{
    const QString engine = error.databaseText().trimmed();
    return engine.isEmpty() ? error.text().trimmed() : engine;
}

QString QuoteIdent(const QString& name)
{
    return '"' + QString(name).replace('"', QStringLiteral("\"\"")) + '"';
}

QVariant TextValue(const QString& text)
{
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

sqlite3* SqliteHandle(const QSqlDatabase& db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) {
        return nullptr;
    }
    return *static_cast<sqlite3* const*>(handle.data());
}

void ExecSql(QSqlQuery& query, const QString& statement, const QVariantList& values)
{
    bool ok = false;
    if (values.isEmpty()) {
        ok = query.exec(statement);
    } else {
        ok = query.prepare(statement);
        if (ok) {
            for (qsizetype i = 0; i < values.size(); ++i) {
                query.bindValue(int(i), values[i]);
            }
            ok = query.exec();
        }
    }
    if (!ok) {
        const QString text = ErrorText(query.lastError());
        // A connection that never opened reports no error of its own.
        throw EDatabaseError(text.isEmpty() ? QStringLiteral("the database is not open") : text);
    }
}

TDM::TDM()
{
    const QString suffix = QString::number(gInstance++);
    fLogsName = QStringLiteral("condb") + suffix;
    fConfigName = QStringLiteral("conConfig") + suffix;
    fLookupName = QStringLiteral("conLookup") + suffix;
    fPostalName = QStringLiteral("conPostal") + suffix;
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), fLogsName);
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), fConfigName);
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), fLookupName);
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), fPostalName);
    fdbQuery = std::make_unique<QSqlQuery>(condb());
    fdbConfigQuery = std::make_unique<QSqlQuery>(conConfig());
}

TDM::~TDM()
{
    ForgetStatements();
    fdbQuery.reset();
    fdbConfigQuery.reset();
    fdbLookupQuery.reset();
    fdbPostalQuery.reset();
    for (const QString& name : {fLogsName, fConfigName, fLookupName, fPostalName}) {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
}

QSqlDatabase TDM::condb() const
{
    return QSqlDatabase::database(fLogsName, false);
}

QSqlDatabase TDM::conConfig() const
{
    return QSqlDatabase::database(fConfigName, false);
}

QSqlDatabase TDM::conLookup() const
{
    return QSqlDatabase::database(fLookupName, false);
}

QSqlDatabase TDM::conPostal() const
{
    return QSqlDatabase::database(fPostalName, false);
}

void TDM::OpenLogs(const QString& path)
{
    ForgetStatements();
    fdbQuery = std::make_unique<QSqlQuery>(condb());
    OpenSqlite(condb(), path, true);
    fdbQuery = std::make_unique<QSqlQuery>(condb());
}

void TDM::OpenConfig(const QString& path)
{
    fdbConfigQuery = std::make_unique<QSqlQuery>(conConfig());
    OpenSqlite(conConfig(), path, false);
    fdbConfigQuery = std::make_unique<QSqlQuery>(conConfig());
}

void TDM::CloseLogs()
{
    ForgetStatements();
    fdbQuery->finish();
    condb().close();
}

void TDM::CloseConfig()
{
    fdbConfigQuery->finish();
    conConfig().close();
}

void TDM::SetLookupFile(const QString& path)
{
    fdbLookupQuery.reset();
    QSqlDatabase db = conLookup();
    db.close();
    db.setDatabaseName(path);
}

void TDM::SetPostalFile(const QString& path)
{
    fdbPostalQuery.reset();
    QSqlDatabase db = conPostal();
    db.close();
    db.setDatabaseName(path);
}

QSqlQuery& TDM::dbLookupQuery()
{
    EnsureOpen(conLookup());
    if (!fdbLookupQuery) {
        fdbLookupQuery = std::make_unique<QSqlQuery>(conLookup());
    }
    return *fdbLookupQuery;
}

QSqlQuery& TDM::dbPostalQuery()
{
    EnsureOpen(conPostal());
    if (!fdbPostalQuery) {
        fdbPostalQuery = std::make_unique<QSqlQuery>(conPostal());
    }
    return *fdbPostalQuery;
}

QStringList TDM::ReadColumn(QSqlQuery& query, const QString& statement, const QString& column,
                            const QVariantList& values)
{
    query.finish();
    ExecSql(query, statement, values);
    const int index = query.record().indexOf(column);
    QStringList result;
    while (query.next()) {
        result << query.value(index).toString();
    }
    return result;
}

QStringList TDM::GetLogTables()
{
    return ReadColumn(dbQuery(),
                      QStringLiteral("SELECT name FROM sqlite_master where name !='sqlite_sequence'"),
                      QStringLiteral("name"));
}

void TDM::CreateConfig(const QString& scriptPath)
{
    const QString path = scriptPath.isEmpty() ? Paths::ShippedFile(QStringLiteral("config.sql")) : scriptPath;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw EVantrel(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    }
    const QByteArray bytes = file.readAll();
    QStringDecoder decoder(QStringConverter::encodingForData(bytes).value_or(QStringConverter::Utf8));
    QString script = decoder(bytes);
    if (script.startsWith(QChar(0xFEFF))) {
        script.remove(0, 1);
    }
    QSqlQuery q(condb());
    for (const QString& statement : SplitSqlScript(script)) {
        ExecSql(q, statement);
    }
}

void TDM::CreateNewLogTable(const QString& name)
{
    QSqlQuery q(condb());
    ExecSql(q, CreateLogTableStatement(name));
}

void TDM::CreateLog(const TMysettings& rec)
{
    QSqlDatabase db = condb();
    if (!db.transaction()) {
        throw EDatabaseError(ErrorText(db.lastError()));
    }
    try {
        ConfigAddRecord(rec);
        dbQuery().finish();
        CreateNewLogTable(rec.TableName);
        EnsureCallIndex(rec.TableName);
        KeepCounts(rec.TableName, TLogCounts());
        if (!db.commit()) {
            throw EDatabaseError(ErrorText(db.lastError()));
        }
    } catch (...) {
        db.rollback();
        throw;
    }
}

void TDM::EnsureCallIndex(const QString& name)
{
    // One NOCASE index serves both lookups: LIKE 'W1%' becomes a range search on it, and an exact
    // comparison searches it case-blind and re-checks the exact text.
    QSqlQuery q(condb());
    ExecSql(q, QStringLiteral("CREATE INDEX IF NOT EXISTS ") + QuoteIdent(name + QStringLiteral("_call")) +
                   QStringLiteral(" ON ") + QuoteIdent(name) + QStringLiteral(" (_call COLLATE NOCASE)"));
}

QSqlQuery& TDM::Prepared(TLogStatement kind, const QString& table)
{
    const std::pair<int, QString> key(int(kind), table);
    if (const auto it = fPrepared.constFind(key); it != fPrepared.constEnd()) {
        return **it;
    }
    const QString name = QuoteIdent(table);
    QString sql;
    switch (kind) {
    case TLogStatement::Insert:
        sql = QStringLiteral("INSERT INTO ") + name + kInsertColumns;
        break;
    case TLogStatement::DupeListBounds:
        // Three subqueries, each one step down the table's tree; one query of min and max reads every row.
        sql = QStringLiteral("select (select min(rowid) from ") + name +
              QStringLiteral("), (select max(rowid) from ") + name +
              QStringLiteral("), (select min(rowid) is null from ") + name + ')';
        break;
    }
    auto q = std::make_shared<QSqlQuery>(condb());
    q->setForwardOnly(true);
    if (!q->prepare(sql)) {
        throw EDatabaseError(ErrorText(q->lastError()));
    }
    fPrepared.insert(key, q);
    return *q;
}

std::shared_ptr<QSqlQuery> TDM::KeptStatement(const QString& sql)
{
    const std::pair<int, QString> key(-1, sql);
    if (const auto it = fPrepared.constFind(key); it != fPrepared.constEnd()) {
        return *it;
    }
    auto q = std::make_shared<QSqlQuery>(condb());
    q->setForwardOnly(true);
    if (!q->prepare(sql)) {
        throw EDatabaseError(ErrorText(q->lastError()));
    }
    fPrepared.insert(key, q);
    return q;
}

void TDM::ForgetStatements()
{
    fPrepared.clear();
    for (sqlite3_stmt* statement : std::as_const(fRawPrepared)) {
        sqlite3_finalize(statement);
    }
    fRawPrepared.clear();
}

sqlite3_stmt* TDM::RawPrepared(int kind, const QString& table, const QString& sql)
{
    const std::pair<int, QString> key(kind, table);
    if (const auto it = fRawPrepared.constFind(key); it != fRawPrepared.constEnd()) {
        return *it;
    }
    sqlite3* db = SqliteHandle(condb());
    if (!db) {
        throw EDatabaseError(QStringLiteral("The logs database is not open."));
    }
    sqlite3_stmt* statement = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v3(db, text.constData(), int(text.size()), SQLITE_PREPARE_PERSISTENT, &statement,
                           nullptr) != SQLITE_OK) {
        throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    fRawPrepared.insert(key, statement);
    return statement;
}

namespace {

// A column's text as SQLite gives it, in UTF-8; NULL is empty.
QString RowText(sqlite3_stmt* statement, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(statement, column)) : QString();
}

// The columns of a dupe list line and the comparison that keeps the calls of a range (?1, ?2) under the
// call index's collation.
const QString kDupeListColumns =
    QStringLiteral("rowid, _call, _mode, ifnull(_qth,'') || ':' || ifnull(_uscounty,'')");
const QString kInCallRange = QStringLiteral("_call >= ?1 COLLATE NOCASE and _call < ?2 COLLATE NOCASE");

void BindCallRange(sqlite3_stmt* q, const TDM::TCallRange& calls)
{
    sqlite3_bind_text(q, 1, calls.low.constData(), int(calls.low.size()), SQLITE_TRANSIENT);
    if (calls.high) {
        sqlite3_bind_text(q, 2, calls.high->constData(), int(calls.high->size()), SQLITE_TRANSIENT);
    } else {
        // Every text sorts below a blob.
        sqlite3_bind_zeroblob(q, 2, 0);
    }
}

} // namespace

void TDM::StepDupeList(sqlite3_stmt* q, const TDupeListSink& row)
{
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(q)) == SQLITE_ROW) {
        row(sqlite3_column_int64(q, 0), RowText(q, 1), RowText(q, 2), RowText(q, 3));
    }
    sqlite3_reset(q);
    if (rc != SQLITE_DONE) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(SqliteHandle(condb())));
        ForgetStatements();
        throw EDatabaseError(message);
    }
}

std::vector<qint64> TDM::DupeListRowids(const QString& table, const TCallRange& calls, qint64 from,
                                        qint64 limit)
{
    // "+rowid" keeps the engine on the call index, whose entries hold the rowid.
    sqlite3_stmt* q =
        RawPrepared(-1, table,
                    QStringLiteral("select rowid from ") + QuoteIdent(table) + QStringLiteral(" where ") +
                        kInCallRange + QStringLiteral(" and +rowid >= ?3 limit ?4"));
    BindCallRange(q, calls);
    sqlite3_bind_int64(q, 3, from);
    sqlite3_bind_int64(q, 4, limit);
    std::vector<qint64> rowids;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(q)) == SQLITE_ROW) {
        rowids.push_back(sqlite3_column_int64(q, 0));
    }
    sqlite3_reset(q);
    if (rc != SQLITE_DONE) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(SqliteHandle(condb())));
        ForgetStatements();
        throw EDatabaseError(message);
    }
    return rowids;
}

void TDM::DupeListScan(const QString& table, const TCallRange& calls, qint64 from, qint64 to, qint64 limit,
                       const TDupeListSink& row)
{
    sqlite3_stmt* q = RawPrepared(-3, table,
                                  QStringLiteral("select ") + kDupeListColumns + QStringLiteral(" from ") +
                                      QuoteIdent(table) +
                                      QStringLiteral(" not indexed where rowid >= ?3 and rowid <= ?4 and ") +
                                      kInCallRange + QStringLiteral(" order by rowid limit ?5"));
    BindCallRange(q, calls);
    sqlite3_bind_int64(q, 3, from);
    sqlite3_bind_int64(q, 4, to);
    sqlite3_bind_int64(q, 5, limit);
    StepDupeList(q, row);
}

void TDM::DupeListByIndex(const QString& table, const TCallRange& calls, qint64 from, qint64 limit,
                          const TDupeListSink& row)
{
    const QString name = QuoteIdent(table);
    sqlite3_stmt* q = RawPrepared(
        -4, table,
        QStringLiteral("select ") + kDupeListColumns + QStringLiteral(" from ") + name +
            QStringLiteral(" where rowid in (select rowid from ") + name + QStringLiteral(" where ") +
            kInCallRange + QStringLiteral(" and +rowid >= ?3 order by rowid limit ?4) order by rowid"));
    BindCallRange(q, calls);
    sqlite3_bind_int64(q, 3, from);
    sqlite3_bind_int64(q, 4, limit);
    StepDupeList(q, row);
}

void TDM::DupeListRows(const QString& table, const std::vector<qint64>& rowids, const TDupeListSink& row)
{
    sqlite3_stmt* q = RawPrepared(-2, table,
                                  QStringLiteral("select ") + kDupeListColumns + QStringLiteral(" from ") +
                                      QuoteIdent(table) + QStringLiteral(" where rowid = ?1"));
    // One read transaction for all of them, so that the rows are of one moment.
    sqlite3* db = SqliteHandle(condb());
    const bool own = sqlite3_get_autocommit(db) != 0;
    if (own) {
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    }
    const auto end = qScopeGuard([db, own] {
        if (own) {
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        }
    });
    for (qint64 rowid : rowids) {
        sqlite3_bind_int64(q, 1, rowid);
        StepDupeList(q, row);
    }
}

bool TDM::InAutocommit() const
{
    sqlite3* db = SqliteHandle(condb());
    return db && sqlite3_get_autocommit(db) != 0;
}

TDM::TLogCounts TDM::LogCounts(const QString& table)
{
    const std::optional<TLogCounts> stored = StoredCounts(table);
    return stored ? *stored : CountAndKeep(table);
}

namespace {

QVariantList TriggerNames(const std::array<TCountTrigger, 3>& triggers)
{
    return {triggers[0].name, triggers[1].name, triggers[2].name};
}

// The statement log_counts was made with, if there is such a table.
std::optional<QString> CountsTableSql(QSqlQuery& q)
{
    ExecSql(q, QStringLiteral("select sql from sqlite_master where type='table' and name='log_counts'"));
    const std::optional<QString> sql = q.next() ? std::optional(q.value(0).toString()) : std::nullopt;
    q.finish();
    return sql;
}

void DropCountTriggers(QSqlQuery& q, const std::array<TCountTrigger, 3>& triggers)
{
    for (const TCountTrigger& trigger : triggers) {
        ExecSql(q, QStringLiteral("DROP TRIGGER IF EXISTS ") + QuoteIdent(trigger.name));
    }
}

} // namespace

std::optional<TDM::TLogCounts> TDM::StoredCounts(const QString& table)
{
    const std::array<TCountTrigger, 3> triggers = CountTriggers(table);
    QSqlQuery& q = dbQuery();
    q.finish();
    // The row holds only while the counts table and the three triggers stand exactly as this program
    // writes them for this table name: a rebuilt table has lost its triggers, a renamed one has changed them.
    ExecSql(q,
            QStringLiteral("select sql from sqlite_master where (type='trigger' and name in (?,?,?)) or "
                           "(type='table' and name='log_counts')"),
            TriggerNames(triggers));
    QStringList found;
    while (q.next()) {
        found << q.value(0).toString();
    }
    q.finish();
    QStringList expected = {kCountsTable, triggers[0].sql, triggers[1].sql, triggers[2].sql};
    found.sort();
    expected.sort();
    if (found != expected) {
        return std::nullopt;
    }
    ExecSql(q, QStringLiteral("select total,tenten,epc,p070,points from log_counts where log=?"), {table});
    std::optional<TLogCounts> counts;
    if (q.next()) {
        counts = TLogCounts{q.value(0).toInt(), q.value(1).toInt(), q.value(2).toInt(), q.value(3).toInt(),
                            q.value(4).toInt()};
    }
    q.finish();
    return counts;
}

std::optional<qint64> TDM::LogsDataVersion()
{
    if (!condb().isOpen()) {
        return std::nullopt;
    }
    QSqlQuery q(condb());
    ExecSql(q, QStringLiteral("PRAGMA data_version"));
    return q.next() ? std::optional(q.value(0).toLongLong()) : std::nullopt;
}

void TDM::KeepCounts(const QString& table, const TLogCounts& counts)
{
    QSqlQuery q(condb());
    const std::optional<QString> existing = CountsTableSql(q);
    const std::array<TCountTrigger, 3> triggers = CountTriggers(table);
    DropCountTriggers(q, triggers);
    if (existing && *existing != kCountsTable) {
        // A table of that name that is not ours is left alone, and no trigger may write to it; the log is
        // then counted at each selection.
        return;
    }
    if (!existing) {
        ExecSql(q, kCountsTable);
    }
    for (const TCountTrigger& trigger : triggers) {
        ExecSql(q, trigger.sql);
    }
    ExecSql(q, QStringLiteral("INSERT OR REPLACE INTO log_counts VALUES(?,?,?,?,?,?)"),
            {table, counts.total, counts.withTenTen, counts.withEpc, counts.with070, counts.points});
}

bool TDM::DropOrphanedCountTriggers(const QString& table)
{
    QSqlQuery q(condb());
    if (CountsTableSql(q) == kCountsTable) {
        return false;
    }
    const std::array<TCountTrigger, 3> triggers = CountTriggers(table);
    ExecSql(q, QStringLiteral("select count(*) from sqlite_master where type='trigger' and name in (?,?,?)"),
            TriggerNames(triggers));
    const bool found = q.next() && q.value(0).toInt() > 0;
    q.finish();
    if (!found) {
        return false;
    }
    ForgetStatements();
    DropCountTriggers(q, triggers);
    return true;
}

bool TDM::DropOrphanedTriggers(const QString& table)
{
    // Both kinds are looked at: a log may have lost the tables of either.
    const bool counts = DropOrphanedCountTriggers(table);
    const bool sync = SyncStore::DropOrphanedTriggers(*this, table);
    if (sync) {
        ForgetStatements();
    }
    return counts || sync;
}

TDM::TLogCounts TDM::CountAndKeep(const QString& table)
{
    if (!InAutocommit()) {
        return Recount(table);
    }
    // The count and the triggers go in under one write lock, so no row can change between them. Counts
    // that cannot be kept (a busy or full database, a foreign log_counts table) are still right: the log
    // is counted again at its next selection.
    QSqlQuery begin(condb());
    if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        return Recount(table);
    }
    TLogCounts counts;
    try {
        counts = Recount(table);
    } catch (...) {
        begin.exec(QStringLiteral("ROLLBACK"));
        throw;
    }
    try {
        KeepCounts(table, counts);
        ExecSql(begin, QStringLiteral("COMMIT"));
    } catch (const EDatabaseError&) {
        begin.exec(QStringLiteral("ROLLBACK"));
    }
    return counts;
}

QSqlQuery& TDM::RunLogStatement(TLogStatement kind, const QString& table,
                                std::initializer_list<QVariant> values)
{
    QSqlQuery& q = Prepared(kind, table);
    int i = 0;
    for (const QVariant& value : values) {
        q.bindValue(i++, value);
    }
    if (!q.exec()) {
        const QString message = ErrorText(q.lastError());
        ForgetStatements();
        throw EDatabaseError(message);
    }
    return q;
}

bool TDM::IsDupe(const QString& table, const QString& call, const std::optional<QString>& mode,
                 const std::optional<QString>& county)
{
    // A cell emptied in the log window holds NULL: it matches an empty value as empty text does. Such a
    // check (an empty call, mode or county) is built as it comes; every other runs a kept statement.
    if (call.isEmpty() || (mode && mode->isEmpty()) || (county && county->isEmpty())) {
        QString sql = QStringLiteral("select _call from ") + QuoteIdent(table) + QStringLiteral(" where ");
        QVariantList values;
        if (call.isEmpty()) {
            sql += QStringLiteral("(_call='' or _call is null)");
        } else {
            sql += QStringLiteral("_call=? COLLATE NOCASE and _call=?");
            values << TextValue(call) << TextValue(call);
        }
        auto match = [&](const char* column, const QString& value) {
            const QString name = QString::fromLatin1(column);
            if (value.isEmpty()) {
                sql += QStringLiteral(" and (") + name + QStringLiteral("='' or ") + name +
                       QStringLiteral(" is null)");
            } else {
                sql += QStringLiteral(" and ") + name + QStringLiteral("=?");
                values << TextValue(value);
            }
        };
        if (mode) {
            match("_mode", *mode);
        }
        if (county) {
            match("_uscounty", *county);
        }
        sql += QStringLiteral(" limit 1");
        QSqlQuery& q = dbQuery();
        q.finish();
        ExecSql(q, sql, values);
        const bool found = q.next();
        q.finish();
        return found;
    }
    // Run through the engine's interface, kept prepared per table and kind: the entry form checks at every
    // contact, the band map every call it shows after each contact.
    const int kind = -5 - (mode ? 1 : 0) - (county ? 2 : 0);
    sqlite3_stmt* q = fRawPrepared.value({kind, table});
    if (!q) {
        // The NOCASE comparison finds the rows on the call index; the exact one keeps the letter case.
        QString sql = QStringLiteral("select _call from ") + QuoteIdent(table) +
                      QStringLiteral(" where _call=?1 COLLATE NOCASE and _call=?1");
        if (mode) {
            sql += QStringLiteral(" and _mode=?2");
        }
        if (county) {
            sql += QStringLiteral(" and _uscounty=?3");
        }
        q = RawPrepared(kind, table, sql + QStringLiteral(" limit 1"));
    }
    const auto bind = [q](int index, const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(q, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    };
    bind(1, call);
    if (mode) {
        bind(2, *mode);
    }
    if (county) {
        bind(3, *county);
    }
    const int rc = sqlite3_step(q);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(SqliteHandle(condb())));
        ForgetStatements();
        throw EDatabaseError(message);
    }
    sqlite3_reset(q);
    return rc == SQLITE_ROW;
}

int TDM::CountNonEmpty(const QString& table, const QString& column)
{
    QSqlQuery& q = dbQuery();
    q.finish();
    // The column goes in bare: a double-quoted name of a missing column would be read as a text.
    ExecSql(q, QStringLiteral("select count(*) from ") + QuoteIdent(table) + QStringLiteral(" where ") +
                   column + QStringLiteral(" !=''"));
    const int n = q.next() ? q.value(0).toInt() : 0;
    q.finish();
    return n;
}

TDM::TLogCounts TDM::Recount(const QString& table)
{
    QSqlQuery& q = dbQuery();
    TLogCounts counts;
    q.finish();
    // One pass over the table. A filter leaves a row out of its count unless the column holds a non-empty
    // text (a NULL compares as NULL: left out), and costs less per row than summing the comparisons;
    // sum() of no values is NULL, read as 0.
    ExecSql(q, QStringLiteral("select count(*), count(*) filter (where _tenten !=''), "
                              "count(*) filter (where _epc !=''), count(*) filter (where _p070 !=''), "
                              "sum(_points) from ") +
                   QuoteIdent(table));
    if (q.next()) {
        counts.total = q.value(0).toInt();
        counts.withTenTen = q.value(1).toInt();
        counts.withEpc = q.value(2).toInt();
        counts.with070 = q.value(3).toInt();
        counts.points = q.value(4).toInt();
    }
    q.finish();
    return counts;
}

std::optional<QString> TDM::CheckTable(const QString& name, const QDate& today)
{
    QSqlQuery& q = dbQuery();
    q.finish();
    ExecSql(q, QStringLiteral("PRAGMA table_xinfo(") + QuoteIdent(name) + ')');
    QStringList columns;
    bool oldLayout = false;
    while (q.next()) {
        columns << QuoteIdent(q.value(QStringLiteral("name")).toString());
        if (q.value(QStringLiteral("type")).toString() == QStringLiteral("VARCHAR(30)")) {
            oldLayout = true;
        }
    }
    q.finish();
    if (!oldLayout) {
        return std::nullopt;
    }
    const QString columnList = '(' + columns.join(',') + ')';
    // No kept statement may stand on the table while it is rebuilt.
    ForgetStatements();

    QSqlDatabase db = condb();
    if (!db.transaction()) {
        throw EDatabaseError(ErrorText(db.lastError()));
    }
    std::optional<QString> aside;
    try {
        QSqlQuery m(db);
        // A temp_table left by an interrupted run would block the rebuild; it may hold the only copy of a
        // log's rows, so it is renamed aside, never dropped.
        const auto exists = [&](const QString& table) {
            m.finish();
            ExecSql(m, QStringLiteral("select 1 from sqlite_master where lower(name)=lower(?)"), {table});
            const bool found = m.next();
            m.finish();
            return found;
        };
        if (exists(QStringLiteral("temp_table"))) {
            const QString base = QStringLiteral("temp_table_") + today.toString(QStringLiteral("yyyy_MM_dd"));
            QString candidate = base;
            for (int n = 2; exists(candidate); ++n) {
                candidate = base + '_' + QString::number(n);
            }
            ExecSql(m, QStringLiteral("alter table temp_table rename to ") + QuoteIdent(candidate));
            aside = candidate;
        }
        ExecSql(m, CreateLogTableStatement(QStringLiteral("temp_table")));
        ExecSql(m, QStringLiteral("insert into temp_table ") + columnList +
                       QStringLiteral(" select * from ") + QuoteIdent(name));
        ExecSql(m, QStringLiteral("drop table ") + QuoteIdent(name));
        ExecSql(m, QStringLiteral("alter table temp_table rename to ") + QuoteIdent(name));
        m.finish();
        if (!db.commit()) {
            throw EDatabaseError(ErrorText(db.lastError()));
        }
    } catch (...) {
        db.rollback();
        throw;
    }
    return aside;
}

void TDM::LogAddRecord(const tLogRecord& rec, const QString& tablename)
{
    const auto insert = [&] {
        RunLogStatement(TLogStatement::Insert, tablename,
                        {TextValue(rec.date), TextValue(rec.time), TextValue(rec.call), TextValue(rec.tenten),
                         TextValue(rec.vp), TextValue(rec.epc), TextValue(rec.p070), TextValue(rec.mode),
                         TextValue(rec.name), TextValue(rec.qth), TextValue(rec.mycounty),
                         TextValue(rec.uscounty), rec.points, rec.dxcc, TextValue(rec.comment)})
            .finish();
    };
    try {
        insert();
    } catch (const EDatabaseError&) {
        if (!DropOrphanedTriggers(tablename)) {
            throw;
        }
        insert();
    }
}

namespace {

// Binds a text as the bound values of single statements store it: never NULL, an empty text as ''.
int BindText(sqlite3_stmt* statement, int index, const QString& text)
{
    return sqlite3_bind_text16(statement, index, text.utf16(), int(text.size() * sizeof(char16_t)),
                               SQLITE_STATIC);
}

} // namespace

void TDM::LogAddRecords(const QList<tLogRecord>& records, const QString& tablename,
                        const std::function<void(qsizetype stored)>& progress)
{
    QSqlDatabase db = condb();
    sqlite3* handle = SqliteHandle(db);
    if (!handle) {
        throw EDatabaseError(QStringLiteral("The logs database is not open"));
    }
    if (!db.transaction()) {
        throw EDatabaseError(ErrorText(db.lastError()));
    }
    sqlite3_stmt* statement = nullptr;
    const auto fail = [&] { throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(handle))); };
    try {
        const QByteArray sql =
            (QStringLiteral("INSERT INTO ") + QuoteIdent(tablename) + kInsertColumns).toUtf8();
        const auto prepare = [&] {
            return sqlite3_prepare_v2(handle, sql.constData(), int(sql.size()), &statement, nullptr) ==
                   SQLITE_OK;
        };
        if (!prepare() && !(DropOrphanedTriggers(tablename) && prepare())) {
            fail();
        }
        qsizetype stored = 0;
        for (const tLogRecord& rec : records) {
            int index = 0;
            for (const QString* text :
                 {&rec.date, &rec.time, &rec.call, &rec.tenten, &rec.vp, &rec.epc, &rec.p070, &rec.mode,
                  &rec.name, &rec.qth, &rec.mycounty, &rec.uscounty}) {
                if (BindText(statement, ++index, *text) != SQLITE_OK) {
                    fail();
                }
            }
            if (sqlite3_bind_int(statement, ++index, rec.points) != SQLITE_OK ||
                sqlite3_bind_int(statement, ++index, rec.dxcc) != SQLITE_OK ||
                BindText(statement, ++index, rec.comment) != SQLITE_OK) {
                fail();
            }
            if (sqlite3_step(statement) != SQLITE_DONE) {
                fail();
            }
            sqlite3_reset(statement);
            ++stored;
            if (progress && stored % 1000 == 0) {
                progress(stored);
            }
        }
        sqlite3_finalize(statement);
        statement = nullptr;
        if (!db.commit()) {
            throw EDatabaseError(ErrorText(db.lastError()));
        }
        if (progress) {
            progress(stored);
        }
    } catch (...) {
        sqlite3_finalize(statement);
        db.rollback();
        throw;
    }
}

void TDM::ReadDupeColumns(
    const QString& table,
    const std::function<void(const QString& call, const QString& mode, const QString& county)>& row)
{
    QSqlQuery q(condb());
    q.setForwardOnly(true);
    ExecSql(q, QStringLiteral("select _call, _mode, _uscounty from ") + QuoteIdent(table) +
                   QStringLiteral(" order by pkey"));
    while (q.next()) {
        row(q.value(0).toString(), q.value(1).toString(), q.value(2).toString());
    }
}

void TDM::ConfigAddRecord(const TMysettings& r)
{
    QSqlQuery& q = dbQuery();
    q.finish();
    ExecSql(
        q,
        QStringLiteral(
            "INSERT INTO config (`qrzxmlid`,`qrzxmlpass`,`buckpath`,`contestname`,`contestmode`,`callarea`,"
            "`chapter`,`callsign`,`tenten`,`vp`,`epc`,`p070`,`firstname`,`lastname`,`address`,`city`,"
            "`state`,`postal`,`email`,`fcclocation`,`tablename`,`serversocket`,`processed`,`entitytype`,"
            "`operators`,`qrp`,`lookuptype`,`hamqthid`,`hamqthpass`)"
            " VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,0,?,?,?,?,?,?)"),
        {TextValue(r.QRZXMLid),
         TextValue(r.QRZXMLpass),
         TextValue(r.BuckPath),
         TextValue(r.ContestName),
         TextValue(r.ContestMode),
         TextValue(r.CallArea),
         TextValue(r.Chapter),
         TextValue(r.Callsign),
         TextValue(r.TenTen),
         TextValue(r.vp),
         TextValue(r.epc),
         TextValue(r.p070),
         TextValue(r.FirstName),
         TextValue(r.LastName),
         TextValue(r.Address),
         TextValue(r.City),
         TextValue(r.State),
         TextValue(r.Postal),
         TextValue(r.Email),
         TextValue(r.FCCLocation),
         TextValue(r.TableName),
         TextValue(r.ServerSocket),
         r.EntityType,
         TextValue(r.ClubOperators),
         r.QRP ? 1 : 0,
         r.LookupType,
         TextValue(r.HamQTHid),
         TextValue(r.HamQTHpass)});
}

void TDM::UpdateConfigRecord(const TMysettings& r)
{
    QSqlQuery& q = dbQuery();
    q.finish();
    ExecSql(q,
            QStringLiteral("UPDATE config SET qrzxmlid=?,qrzxmlpass=?,hamqthid=?,hamqthpass=?,buckpath=?,"
                           "contestname=?,contestmode=?,callarea=?,chapter=?,tenten=?,vp=?,firstname=?,"
                           "lastname=?,address=?,city=?,state=?,postal=?,email=?,epc=?,p070=?,serversocket=?,"
                           "fcclocation=?,entitytype=?,operators=?,lookuptype=?,qrp=?,processed=0"
                           " WHERE tablename=?"),
            {TextValue(r.QRZXMLid),
             TextValue(r.QRZXMLpass),
             TextValue(r.HamQTHid),
             TextValue(r.HamQTHpass),
             TextValue(r.BuckPath),
             TextValue(r.ContestName),
             TextValue(r.ContestMode),
             TextValue(r.CallArea),
             TextValue(r.Chapter),
             TextValue(r.TenTen),
             TextValue(r.vp),
             TextValue(r.FirstName),
             TextValue(r.LastName),
             TextValue(r.Address),
             TextValue(r.City),
             TextValue(r.State),
             TextValue(r.Postal),
             TextValue(r.Email),
             TextValue(r.epc),
             TextValue(r.p070),
             TextValue(r.ServerSocket),
             TextValue(r.FCCLocation),
             r.EntityType,
             TextValue(r.ClubOperators),
             r.LookupType,
             r.QRP ? 1 : 0,
             TextValue(r.TableName)});
}

void TDM::MarkLogProcessed(const QString& tablename)
{
    QSqlQuery q(condb());
    ExecSql(q, QStringLiteral("Update config set processed=1 where tablename=?"), {TextValue(tablename)});
}

bool TDM::TableExists(const QString& tablename)
{
    QSqlQuery& q = dbQuery();
    q.finish();
    ExecSql(q, QStringLiteral("select tablename from config where tablename=?"), {TextValue(tablename)});
    const bool found = q.next();
    q.finish();
    return found;
}

QStringList TDM::GetTables()
{
    QStringList names =
        ReadColumn(dbQuery(), QStringLiteral("SELECT tablename FROM config where processed=0"),
                   QStringLiteral("tablename"));
    dbQuery().finish();
    return names;
}

void TDM::ReadConfigRecord(const QString& tablename, TMysettings& rec)
{
    QSqlQuery& q = dbQuery();
    q.finish();
    ExecSql(q, QStringLiteral("select * from config where tablename=?"), {TextValue(tablename)});
    const bool found = q.next();
    auto text = [&](const char* column) {
        return found ? q.value(QString::fromLatin1(column)).toString() : QString();
    };
    auto number = [&](const char* column) {
        return found ? q.value(QString::fromLatin1(column)).toInt() : 0;
    };
    rec.Address = text("address");
    rec.BuckPath = text("buckpath");
    rec.QRZXMLid = text("qrzxmlid");
    rec.QRZXMLpass = text("qrzxmlpass");
    rec.HamQTHid = text("hamqthid");
    rec.HamQTHpass = text("hamqthpass");
    rec.ContestName = text("contestname");
    rec.ContestMode = text("contestmode");
    rec.CallArea = text("callarea");
    rec.Chapter = text("chapter");
    rec.Callsign = text("callsign");
    rec.TenTen = text("tenten");
    rec.vp = text("vp");
    rec.FirstName = text("firstname");
    rec.LastName = text("lastname");
    rec.City = text("city");
    rec.State = text("state");
    rec.Postal = text("postal");
    rec.Email = text("email");
    rec.TableName = text("tablename");
    rec.ServerSocket = text("serversocket");
    rec.FCCLocation = text("fcclocation");
    rec.EntityType = number("entitytype");
    rec.LookupType = number("LookupType");
    rec.QRP = number("qrp") != 0;
    rec.ClubOperators = text("operators");
    rec.epc = text("epc");
    rec.p070 = text("p070");
    q.finish();
}

QStringList TDM::GetCountries()
{
    return ReadColumn(dbConfigQuery(), QStringLiteral("select name from country order by name"),
                      QStringLiteral("name"));
}

QStringList TDM::GetStates()
{
    return ReadColumn(dbConfigQuery(), QStringLiteral("Select id from state order by id"),
                      QStringLiteral("id"));
}

QStringList TDM::GetModes()
{
    return ReadColumn(dbConfigQuery(), QStringLiteral("Select name from modes order by name"),
                      QStringLiteral("name"));
}

QStringList TDM::GetEvents()
{
    return ReadColumn(dbConfigQuery(), QStringLiteral("Select name from Contest order by name"),
                      QStringLiteral("name"));
}

QStringList TDM::GetCountyList(const QString& state)
{
    return ReadColumn(dbConfigQuery(), QStringLiteral("select name from county where state=?"),
                      QStringLiteral("name"), {TextValue(state.toLower())});
}

QList<QPair<QString, int>> TDM::GetCountryCodes()
{
    QSqlQuery& q = dbConfigQuery();
    q.finish();
    ExecSql(q, QStringLiteral("select name, dxcc from country"));
    QList<QPair<QString, int>> result;
    while (q.next()) {
        result.append({q.value(0).toString(), q.value(1).toInt()});
    }
    q.finish();
    return result;
}

std::optional<QString> TDM::CountryDXCC(const QString& country)
{
    QSqlQuery& q = dbConfigQuery();
    q.finish();
    ExecSql(q, QStringLiteral("select dxcc from country where name=?"), {TextValue(country)});
    if (!q.next()) {
        return std::nullopt;
    }
    return q.value(0).toString();
}
