#include "StatisticsQueries.h"

#include "Errors.h"
#include "TDM.h"

#include <sqlite3.h>

namespace {

sqlite3* NativeLogs(TDM& dm)
{
    sqlite3* db = SqliteHandle(dm.condb());
    if (!db) {
        throw EDatabaseError(QStringLiteral("The logs database is not open"));
    }
    return db;
}

// A prepared statement that is finalised however the reading ends.
class TStatement
{
public:
    TStatement(sqlite3* db, const QByteArray& sql) : fDB(db)
    {
        if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &fStatement, nullptr) != SQLITE_OK) {
            Fail();
        }
    }
    ~TStatement() { sqlite3_finalize(fStatement); }
    TStatement(const TStatement&) = delete;
    TStatement& operator=(const TStatement&) = delete;

    sqlite3_stmt* get() const { return fStatement; }
    [[noreturn]] void Fail() const { throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(fDB))); }

private:
    sqlite3* fDB;
    sqlite3_stmt* fStatement = nullptr;
};

// A value as UTF-8 text (numbers converted, NULL empty). The value object is asked directly: each
// sqlite3_column_*() call looks the column up anew, and this runs for every row of a log.
QByteArrayView Text(sqlite3_stmt* q, int column)
{
    sqlite3_value* value = sqlite3_column_value(q, column);
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return text ? QByteArrayView(text, sqlite3_value_bytes(value)) : QByteArrayView();
}

} // namespace

void ForEachStatsRow(TDM& dm, const QString& table, qint64 afterKey,
                     const std::function<void(const TStatsRow&)>& visit)
{
    sqlite3* db = NativeLogs(dm);
    // The key is the table's rowid: the rows after a key are read from that place of the table on.
    const TStatement q(db, (QStringLiteral("select pkey,_date,_time,_mode,_qth,_points from ") +
                            QuoteIdent(table) + QStringLiteral(" where pkey>? order by pkey"))
                               .toUtf8());
    if (sqlite3_bind_int64(q.get(), 1, afterKey) != SQLITE_OK) {
        q.Fail();
    }
    TStatsRow row;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(q.get())) == SQLITE_ROW) {
        row.key = sqlite3_column_int64(q.get(), 0);
        row.date = Text(q.get(), 1);
        row.time = Text(q.get(), 2);
        row.mode = Text(q.get(), 3);
        row.qth = Text(q.get(), 4);
        row.points = sqlite3_value_int(sqlite3_column_value(q.get(), 5));
        visit(row);
    }
    if (step != SQLITE_DONE) {
        q.Fail();
    }
}

TLogsWriteMark LogsWriteMark(TDM& dm)
{
    sqlite3* db = NativeLogs(dm);
    TLogsWriteMark mark;
    mark.changes = sqlite3_total_changes64(db);
    const TStatement q(db, QByteArrayLiteral("PRAGMA data_version"));
    if (sqlite3_step(q.get()) != SQLITE_ROW) {
        q.Fail();
    }
    mark.dataVersion = sqlite3_column_int64(q.get(), 0);
    return mark;
}
