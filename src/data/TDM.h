#pragma once

#include "TMysettings.h"
#include "tLogRecord.h"

#include <QDate>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The data module: the program's four SQLite connections, each with its shared query, and the
// statements on the logs database. Values are always bound; table names are always double-quoted.
// Every statement failure throws EDatabaseError with the engine's message.
struct sqlite3_stmt;

class TDM
{
public:
    TDM();
    ~TDM();
    TDM(const TDM&) = delete;
    TDM& operator=(const TDM&) = delete;

    // Opens "logs.db" (SQLite creates a missing file empty) and "config.db" (never created: a missing
    // file is an error), in WAL mode with synchronous=NORMAL so that every logged contact is durable once
    // its insert returns. Errors carry the engine's text.
    void OpenLogs(const QString& path);
    void OpenConfig(const QString& path);
    void CloseLogs();
    void CloseConfig();

    // Points the licence-data connections at their files; they open when first used.
    void SetLookupFile(const QString& path);
    void SetPostalFile(const QString& path);

    QSqlDatabase condb() const;
    QSqlDatabase conConfig() const;
    QSqlDatabase conLookup() const;
    QSqlDatabase conPostal() const;

    QSqlQuery& dbQuery() { return *fdbQuery; }
    QSqlQuery& dbConfigQuery() { return *fdbConfigQuery; }
    QSqlQuery& dbLookupQuery();
    QSqlQuery& dbPostalQuery();

    // Names of every schema object of "logs.db" except sqlite_sequence (tables, indexes, ...).
    QStringList GetLogTables();
    // Runs the script that creates the `config` table (by default the shipped "config.sql").
    void CreateConfig(const QString& scriptPath = QString());
    // Creates an empty event log table of the current layout.
    void CreateNewLogTable(const QString& name);
    // Brings a log table of the older layout (a column declared VARCHAR(30)) to the current one, keeping
    // every row and its key. Runs in one transaction: a failure leaves the old table exactly as it was.
    // A temp_table left by an interrupted conversion may hold the only copy of a log's rows: it is never
    // dropped but renamed aside as temp_table_<yyyy_MM_dd> (with _2, _3... when taken), and that name is
    // returned; nothing when there was none.
    std::optional<QString> CheckTable(const QString& name, const QDate& today = QDate::currentDate());

    void LogAddRecord(const tLogRecord& rec, const QString& tablename);
    void ConfigAddRecord(const TMysettings& rec);
    void UpdateConfigRecord(const TMysettings& rec);
    void MarkLogProcessed(const QString& tablename);
    bool TableExists(const QString& tablename);
    // Table names of the logs not yet processed, in the order the database returns them.
    QStringList GetTables();
    // Copies the `config` row of a log into the record (every field except Country). A missing row
    // empties the fields.
    void ReadConfigRecord(const QString& tablename, TMysettings& rec);

    // Creates a new event log: its `config` row and its table (with the call-sign index), together or
    // not at all.
    void CreateLog(const TMysettings& rec);
    // Gives a log table its index for the exact and prefix call-sign lookups (once).
    void EnsureCallIndex(const QString& name);

    // True when the log holds the call sign already (the exact text), optionally on the same mode or in
    // the same county.
    bool IsDupe(const QString& table, const QString& call, const std::optional<QString>& mode,
                const std::optional<QString>& county);

    // The statements run at every contact and every keystroke, kept prepared per log table: building and
    // preparing their text costs more than running them.
    enum class TLogStatement
    {
        Insert,         // a contact's row (15 values)
        DupeListBounds, // the smallest and largest rowid, 1 for an empty table
    };
    // Runs a kept statement with its values and returns it, positioned before its first row; the caller
    // reads what it needs and calls finish(), so that no read stays open on the log. A failure throws
    // EDatabaseError with the engine's message (and the statements are prepared afresh next time).
    QSqlQuery& RunLogStatement(TLogStatement kind, const QString& table,
                               std::initializer_list<QVariant> values);

    // A statement of the data layer run often (the sharing's, at every contact), kept prepared on the logs
    // connection by its text until the statements are forgotten (a closed connection, a rebuilt table, a
    // failure). The caller binds its values, runs it and finishes it; the pointer keeps the statement alive
    // even when the statements are forgotten meanwhile (a contact logged in between may do that). Throws
    // EDatabaseError.
    std::shared_ptr<QSqlQuery> KeptStatement(const QString& sql);

    // The calls that begin with a prefix as a range of the call index, which orders calls with ASCII
    // letters folded to lower case: from low (included) up to high (excluded), to the end without high.
    struct TCallRange
    {
        QByteArray low;
        std::optional<QByteArray> high;
    };
    // One line of the dupe list: the row's rowid, call, mode and "qth:county".
    using TDupeListSink =
        std::function<void(qint64 rowid, const QString& call, const QString& mode, const QString& place)>;
    // The dupe list's reads, through the engine's interface on statements kept per log table (no value
    // object per row, no temporary table, no pattern matched per entry). All throw EDatabaseError on a
    // failure.
    // The rowids of the rows whose call lies in the range, from a rowid on, as the call index holds them
    // (not in rowid order); at most limit of them.
    std::vector<qint64> DupeListRowids(const QString& table, const TCallRange& calls, qint64 from,
                                       qint64 limit);
    // The rows from..to (rowids) whose call lies in the range, in rowid order, at most limit: the table is
    // read in its own order, not through the index.
    void DupeListScan(const QString& table, const TCallRange& calls, qint64 from, qint64 to, qint64 limit,
                      const TDupeListSink& row);
    // The first limit rows whose call lies in the range, from a rowid on, in rowid order: found on the call
    // index and sorted by the engine.
    void DupeListByIndex(const QString& table, const TCallRange& calls, qint64 from, qint64 limit,
                         const TDupeListSink& row);
    // The rows by rowid, in the order given, in one read transaction; a rowid the table no longer holds is
    // passed over.
    void DupeListRows(const QString& table, const std::vector<qint64>& rowids, const TDupeListSink& row);

    struct TLogCounts
    {
        int total = 0;
        int withTenTen = 0;
        int withEpc = 0;
        int with070 = 0;
        int points = 0;
    };
    // The number of rows whose column holds a non-empty text (NULL does not count); the column is one of
    // the log table's own column names (such as _epc).
    int CountNonEmpty(const QString& table, const QString& column);
    // Counts of a log table: every row, rows with a Ten-Ten, EPC or 070 number (any non-empty text) and
    // the sum of the stored points (0 for an empty log). One pass over the table.
    TLogCounts Recount(const QString& table);
    // The same counts without a pass over the table: read from the table's row of log_counts, which
    // triggers on the table keep true through any change. A table without them (made by an earlier
    // version, rebuilt or renamed) is counted, and the triggers and its row are set up under the same
    // write lock.
    TLogCounts LogCounts(const QString& table);
    // The row of log_counts of a table, when it and the table's triggers stand as this program writes them.
    std::optional<TLogCounts> StoredCounts(const QString& table);
    // A number that changes whenever another connection to "logs.db" (another program, such as a script's
    // ADIF import) has committed a change since the last call; this connection's own changes leave it as
    // it is. Nothing while "logs.db" is not open.
    std::optional<qint64> LogsDataVersion();

    // Start-up lists from "config.db".
    QStringList GetCountries();
    QStringList GetStates();
    QStringList GetModes();
    QStringList GetEvents();
    QStringList GetCountyList(const QString& state);

    // The `dxcc` value of a country name as text (a NULL value is empty text); nothing when the country
    // is not in the table.
    std::optional<QString> CountryDXCC(const QString& country);
    // Every country of the `country` table with its DXCC number (a NULL number reads as 0).
    QList<QPair<QString, int>> GetCountryCodes();

    // Passes the call sign, mode and US county of every row of a log table, in the order logged.
    void ReadDupeColumns(
        const QString& table,
        const std::function<void(const QString& call, const QString& mode, const QString& county)>& row);
    // Adds many records to a log table in one transaction: all of them or, on an error, none. The
    // progress function is told how many are stored so far.
    void LogAddRecords(const QList<tLogRecord>& records, const QString& tablename,
                       const std::function<void(qsizetype stored)>& progress = {});

private:
    QSqlQuery& Prepared(TLogStatement kind, const QString& table);
    // Finalises every kept statement: before the connection closes or a table is rebuilt, and after a
    // statement failed.
    void ForgetStatements();

    // Creates log_counts when missing, (re)creates the table's triggers and stores its counts, inside the
    // caller's transaction. When a log_counts table of other columns stands there, it only drops the
    // table's triggers. Throws EDatabaseError when a statement fails.
    void KeepCounts(const QString& table, const TLogCounts& counts);
    // Drops the table's count triggers when log_counts is gone or not ours, as they would refuse every
    // change of the table; true when it dropped any. The table is counted again at its next selection.
    bool DropOrphanedCountTriggers(const QString& table);
    // The same, and the sharing's triggers of the table when the sharing's tables are gone.
    bool DropOrphanedTriggers(const QString& table);
    // Recounts a table and keeps its counts (see LogCounts); the counts stand even when keeping fails.
    TLogCounts CountAndKeep(const QString& table);

    QStringList ReadColumn(QSqlQuery& query, const QString& statement, const QString& column,
                           const QVariantList& values = {});

    QString fLogsName;
    QString fConfigName;
    QString fLookupName;
    QString fPostalName;
    std::unique_ptr<QSqlQuery> fdbQuery;
    std::unique_ptr<QSqlQuery> fdbConfigQuery;
    std::unique_ptr<QSqlQuery> fdbLookupQuery;
    std::unique_ptr<QSqlQuery> fdbPostalQuery;
    QHash<std::pair<int, QString>, std::shared_ptr<QSqlQuery>> fPrepared;
    // Statements run through the engine's interface, by kind and table; finalised with the others.
    sqlite3_stmt* RawPrepared(int kind, const QString& table, const QString& sql);
    QHash<std::pair<int, QString>, sqlite3_stmt*> fRawPrepared;
    // Runs a dupe list statement to its end, each row to the sink; resets it.
    void StepDupeList(sqlite3_stmt* q, const TDupeListSink& row);

    // True outside an explicit transaction on the logs connection.
    bool InAutocommit() const;
};

// The engine's own message of a failure where there is one, else Qt's description of it.
QString ErrorText(const QSqlError& error);

// Double-quotes an identifier for SQL text (inner double quotes doubled).
QString QuoteIdent(const QString& name);

// A text value as it is bound: never NULL, an empty text stays ''.
QVariant TextValue(const QString& text);

struct sqlite3;
// The engine's own handle of a connection (nullptr when it is not an open SQLite one): for work that goes
// through the engine's interface, such as many rows through one prepared statement.
sqlite3* SqliteHandle(const QSqlDatabase& db);

// Executes a statement on a query, throwing EDatabaseError with the engine's message on failure.
void ExecSql(QSqlQuery& query, const QString& statement, const QVariantList& values = {});
