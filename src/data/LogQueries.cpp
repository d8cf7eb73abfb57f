#include "LogQueries.h"

#include "Errors.h"
#include "TDM.h"

#include <QLocale>
#include <QSqlDriver>
#include <QSqlError>
#include <memory>
#include <sqlite3.h>

namespace {

// The listed columns that the table has, in the order listed.
QStringList PresentColumns(TDM& dm, const QString& table, const QStringList& wanted)
{
    QSqlQuery q(dm.condb());
    ExecSql(q, QStringLiteral("PRAGMA table_xinfo(") + QuoteIdent(table) + QLatin1Char(')'));
    QStringList present;
    while (q.next()) {
        present << q.value(QStringLiteral("name")).toString();
    }
    QStringList result;
    for (const QString& column : wanted) {
        if (present.contains(column, Qt::CaseInsensitive)) {
            result << column;
        }
    }
    return result;
}

// The engine's connection under the logs connection (Qt's SQLite driver runs on the system's library, the
// one this program links).
sqlite3* NativeHandle(TDM& dm)
{
    const QVariant handle = dm.condb().driver()->handle();
    sqlite3* db = handle.isValid() ? *static_cast<sqlite3* const*>(handle.constData()) : nullptr;
    if (!db) {
        throw EDatabaseError(QStringLiteral("The logs database is not open"));
    }
    return db;
}

// A value as text, as Qt's driver and QVariant::toString() give it: NULL is empty, numbers in their
// shortest form, text and blobs as UTF-8.
QString ColumnText(sqlite3_stmt* q, int i)
{
    switch (sqlite3_column_type(q, i)) {
    case SQLITE_NULL:
        return QString();
    case SQLITE_INTEGER:
        return QString::number(sqlite3_column_int64(q, i));
    case SQLITE_FLOAT:
        return QString::number(sqlite3_column_double(q, i), 'g', QLocale::FloatingPointShortest);
    case SQLITE_BLOB:
        return QString::fromUtf8(static_cast<const char*>(sqlite3_column_blob(q, i)),
                                 sqlite3_column_bytes(q, i));
    default:
        return QString(static_cast<const QChar*>(sqlite3_column_text16(q, i)),
                       sqlite3_column_bytes16(q, i) / int(sizeof(QChar)));
    }
}

} // namespace

void ForEachLogRow(TDM& dm, const QString& table, const QStringList& columns,
                   const std::function<void(const TLogRow&)>& visit)
{
    // Reading only the columns needed matters for a large log: the driver converts every column it
    // returns. A table with none of them (or none at all) is read whole, which reports a missing table.
    QStringList selected = columns.isEmpty() ? QStringList() : PresentColumns(dm, table, columns);
    QString list = QStringLiteral("*");
    if (!selected.isEmpty()) {
        QStringList quoted;
        for (const QString& column : selected) {
            quoted << QuoteIdent(column);
        }
        list = quoted.join(QLatin1Char(','));
    }

    // The rows are read through the engine's own interface on the logs connection: a million-row log is
    // read several times faster than through QSqlQuery, which wraps every value in a QVariant first. The
    // values come out as QVariant::toString() would give them.
    const QString statement = QStringLiteral("select ") + list + QStringLiteral(" from ") + QuoteIdent(table);
    sqlite3* db = NativeHandle(dm);
    sqlite3_stmt* q = nullptr;
    if (sqlite3_prepare16_v2(db, statement.utf16(), int(statement.size() * sizeof(QChar)), &q, nullptr) !=
        SQLITE_OK) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(db)).trimmed(); // as ErrorText gives it
        sqlite3_finalize(q);
        throw EDatabaseError(message);
    }
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> finalize(q, sqlite3_finalize);
    const int count = sqlite3_column_count(q);
    QStringList names;
    for (int i = 0; i < count; ++i) {
        names << QString::fromUtf8(sqlite3_column_name(q, i));
    }
    TLogRow row(names);
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(q)) == SQLITE_ROW) {
        for (int i = 0; i < count; ++i) {
            // Plain ASCII text is taken as stored (UTF-8), without a conversion inside the engine.
            const bool ascii = sqlite3_column_type(q, i) == SQLITE_TEXT &&
                               row.SetAsciiAt(i, reinterpret_cast<const char*>(sqlite3_column_text(q, i)),
                                              sqlite3_column_bytes(q, i));
            if (!ascii) {
                row.SetAt(i, ColumnText(q, i));
            }
        }
        visit(row);
    }
    // A read that fails part way must not pass for a short log.
    if (rc != SQLITE_DONE) {
        throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(db)).trimmed());
    }
}
