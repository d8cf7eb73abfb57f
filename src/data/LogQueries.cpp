#include "LogQueries.h"

#include "Errors.h"
#include "SyncStore.h"
#include "TDM.h"

#include <QLocale>
#include <QSqlError>
#include <algorithm>
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

// A text as an SQL literal.
QString SqlText(const QString& text)
{
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QStringLiteral("''")) +
           QLatin1Char('\'');
}

// The engine's connection under the logs connection (Qt's SQLite driver runs on the system's library, the
// one this program links).
sqlite3* NativeHandle(TDM& dm)
{
    sqlite3* db = SqliteHandle(dm.condb());
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

// A value in UTF-8 as ColumnText gives it. Text stored as plain ASCII, nearly every value of a log, is
// viewed where it lies in the engine's row, without a copy; any other value is converted into converted.
QByteArrayView ValueText(sqlite3_stmt* q, int i, QByteArray& converted)
{
    // The value object is asked directly, as each sqlite3_column_*() call looks the column up anew; the
    // connection is used from this thread alone, which such an unprotected value needs.
    sqlite3_value* value = sqlite3_column_value(q, i);
    switch (sqlite3_value_type(value)) {
    case SQLITE_NULL:
        return QByteArrayView();
    case SQLITE_TEXT: {
        const char* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
        const int size = sqlite3_value_bytes(value);
        if (std::all_of(text, text + size, [](char c) { return quint8(c) < 0x80; })) {
            return QByteArrayView(text, size);
        }
        break;
    }
    default:
        break;
    }
    // Text outside ASCII goes through the engine's UTF-16 form, as Qt's driver reads it: whatever the
    // bytes stored, the text written is then valid UTF-8.
    converted = ColumnText(q, i).toUtf8();
    return converted;
}

} // namespace

void ForEachLogRow(TDM& dm, const QString& table, const QStringList& columns,
                   const std::function<void(const TLogRowText&)>& visit)
{
    // Reading only the columns needed matters for a large log. A table with none of them (or none at all)
    // is read whole, which reports a missing table.
    const QStringList selected = PresentColumns(dm, table, columns);
    // A shared log is read in the event's order, the order in which the server first took its contacts
    // (those it has not taken yet last, as logged here): every position in step reads the same rows in the
    // same order, so each writes the same files.
    const bool shared =
        SyncStore::IsShared(dm, table) && !PresentColumns(dm, table, {QStringLiteral("pkey")}).isEmpty();
    const QString name = QuoteIdent(table);
    QString list = shared ? name + QStringLiteral(".*") : QStringLiteral("*");
    if (!selected.isEmpty()) {
        QStringList quoted;
        for (const QString& column : selected) {
            quoted << (shared ? name + '.' + QuoteIdent(column) : QuoteIdent(column));
        }
        list = quoted.join(QLatin1Char(','));
    }

    // The rows are read through the engine's own interface on the logs connection: a million-row log is
    // read several times faster than through QSqlQuery, which wraps every value in a QVariant first.
    QString statement = QStringLiteral("select ") + list + QStringLiteral(" from ") + name;
    if (shared) {
        statement += QStringLiteral(" left join sync_contacts s on s.log=") + SqlText(table) +
                     QStringLiteral(" and s.key=") + name +
                     QStringLiteral(".pkey order by s.ord is null, s.ord, ") + name + QStringLiteral(".pkey");
    }
    sqlite3* db = NativeHandle(dm);
    sqlite3_stmt* q = nullptr;
    if (sqlite3_prepare16_v2(db, statement.utf16(), int(statement.size() * sizeof(QChar)), &q, nullptr) !=
        SQLITE_OK) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(db)).trimmed(); // as ErrorText gives it
        sqlite3_finalize(q);
        throw EDatabaseError(message);
    }
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> finalize(q, sqlite3_finalize);
    TLogRowText row;
    row.fSource.assign(columns.size(), -1);
    row.fValues.resize(columns.size());
    row.fConverted.resize(columns.size());
    if (!selected.isEmpty()) {
        for (qsizetype i = 0; i < columns.size(); ++i) {
            row.fSource[i] = int(selected.indexOf(columns[i]));
        }
    }
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(q)) == SQLITE_ROW) {
        for (size_t i = 0; i < row.fSource.size(); ++i) {
            if (row.fSource[i] >= 0) {
                row.fValues[i] = ValueText(q, row.fSource[i], row.fConverted[i]);
            }
        }
        visit(row);
    }
    // A read that fails part way must not pass for a short log.
    if (rc != SQLITE_DONE) {
        throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(db)).trimmed());
    }
}
