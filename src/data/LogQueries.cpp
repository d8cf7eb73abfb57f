#include "LogQueries.h"

#include "Errors.h"
#include "TDM.h"

#include <QSqlError>
#include <QSqlRecord>

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

    // A query of its own, forward only, so that a large log is never held in memory as a whole.
    QSqlQuery q(dm.condb());
    q.setForwardOnly(true);
    ExecSql(q, QStringLiteral("select ") + list + QStringLiteral(" from ") + QuoteIdent(table));
    const QSqlRecord record = q.record();
    QStringList names;
    for (int i = 0; i < record.count(); ++i) {
        names << record.fieldName(i);
    }
    TLogRow row(names);
    const int count = int(names.size());
    while (q.next()) {
        for (int i = 0; i < count; ++i) {
            row.SetAt(i, q.value(i).toString());
        }
        visit(row);
    }
    // A read that fails part way ends the loop like the last row did; it must not pass for a short log.
    if (q.lastError().isValid()) {
        throw EDatabaseError(ErrorText(q.lastError()));
    }
}
