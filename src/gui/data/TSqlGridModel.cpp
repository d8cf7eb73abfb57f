#include "TSqlGridModel.h"

#include "data/Errors.h"
#include "data/TDM.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <sqlite3.h>

Q_LOGGING_CATEGORY(lcGrid, "vantrel.data.grid")

namespace {

// Declared types that SQLite gives a numeric affinity (its own rules: INT, REAL, FLOA, DOUB, NUM).
bool IsNumericType(const QString& declared)
{
    const QString type = declared.toUpper();
    for (const char* part : {"INT", "REAL", "FLOA", "DOUB", "NUM", "DEC", "BOOL"}) {
        if (type.contains(QLatin1String(part))) {
            return true;
        }
    }
    return false;
}

// Declared types that SQLite gives an integer affinity.
bool IsWholeNumberType(const QString& declared)
{
    return declared.toUpper().contains(QLatin1String("INT"));
}

// A typed value as a message quotes it: at most 60 characters.
QString Quoted(const QString& text)
{
    constexpr qsizetype kShown = 60;
    return QLatin1Char('"') + (text.size() > kShown ? text.first(kShown) + QChar(0x2026) : text) +
           QLatin1Char('"');
}

// The rowids a statement returns (its first column), stepped through the engine's interface where the
// connection is an SQLite one: the keys of a whole log are read without a value object per row.
std::vector<qint64> ReadRowids(const QSqlDatabase& db, const QString& sql, const QList<qint64>& values)
{
    std::vector<qint64> keys;
    if (sqlite3* handle = SqliteHandle(db)) {
        sqlite3_stmt* statement = nullptr;
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(handle, text.constData(), int(text.size()), &statement, nullptr) !=
            SQLITE_OK) {
            throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(handle)));
        }
        const auto done = qScopeGuard([statement] { sqlite3_finalize(statement); });
        for (int i = 0; i < values.size(); ++i) {
            sqlite3_bind_int64(statement, i + 1, values[i]);
        }
        int rc = SQLITE_ROW;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
            keys.push_back(sqlite3_column_int64(statement, 0));
        }
        if (rc != SQLITE_DONE) {
            throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(handle)));
        }
        return keys;
    }
    QSqlQuery q(db);
    q.setForwardOnly(true);
    QVariantList bound;
    for (qint64 v : values) {
        bound << QVariant(v);
    }
    ExecSql(q, sql, bound);
    while (q.next()) {
        keys.push_back(q.value(0).toLongLong());
    }
    return keys;
}

} // namespace

TSqlGridModel::TSqlGridModel(QSqlDatabase db, QObject* parent)
    : QAbstractTableModel(parent), fDb(std::move(db))
{}

void TSqlGridModel::Open(const QString& table, const QString& orderBy)
{
    // Read the layout first: a table the database does not know fails here, before anything changes.
    QSqlQuery q(fDb);
    ExecSql(q, QStringLiteral("select * from ") + QuoteIdent(table) + QStringLiteral(" limit 0"));
    const QSqlRecord record = q.record();
    QStringList columns;
    for (int i = 0; i < record.count(); ++i) {
        columns << record.fieldName(i);
    }
    ExecSql(q, QStringLiteral("PRAGMA table_info(") + QuoteIdent(table) + QLatin1Char(')'));
    QHash<QString, QString> types;
    while (q.next()) {
        types.insert(q.value(QStringLiteral("name")).toString().toLower(),
                     q.value(QStringLiteral("type")).toString());
    }
    q.finish();

    beginResetModel();
    fTable = table;
    fOrderBy = orderBy;
    fColumns = columns;
    fNumeric = QBitArray(int(columns.size()));
    fWhole = QBitArray(int(columns.size()));
    for (int i = 0; i < columns.size(); ++i) {
        const QString type = types.value(columns[i].toLower());
        fNumeric.setBit(i, IsNumericType(type));
        fWhole.setBit(i, IsWholeNumberType(type));
    }
    fEditRow = -1;
    fInserting = false;
    fLastError.clear();
    try {
        ReadRows();
    } catch (...) {
        ClearKeys();
        endResetModel();
        throw;
    }
    DropPages();
    endResetModel();
}

void TSqlGridModel::ReadRows()
{
    // In rowid order the keys wait until their rows are shown; another order needs them all at once.
    if (fOrderBy.isEmpty()) {
        CountRows();
    } else {
        ReadKeys();
    }
}

void TSqlGridModel::ReadKeys()
{
    // Every key in the grid's order, through the engine's interface: eight bytes a row.
    ClearKeys();
    QString sql = QStringLiteral("select rowid from ") + QuoteIdent(fTable) + QStringLiteral(" order by ") +
                  (fOrderBy.isEmpty() ? QStringLiteral("rowid") : fOrderBy);
    fKeys = ReadRowids(fDb, sql, {});
}

void TSqlGridModel::CountRows()
{
    // One statement, so that the count and the ends are of the same moment; each subquery is one step of
    // the engine (the count walks the smallest index, the ends one path down the table's tree).
    ClearKeys();
    const QString name = QuoteIdent(fTable);
    QSqlQuery q(fDb);
    q.setForwardOnly(true);
    ExecSql(q, QStringLiteral("select (select count(*) from ") + name +
                   QStringLiteral("), (select min(rowid) from ") + name +
                   QStringLiteral("), (select max(rowid) from ") + name + QLatin1Char(')'));
    if (!q.next()) {
        throw EDatabaseError(QStringLiteral("The rows of %1 cannot be counted.").arg(fTable));
    }
    fCount = q.value(0).toLongLong();
    fFirstKey = q.value(1).toLongLong();
    fLastKey = q.value(2).toLongLong();
    fDense = fCount == 0 || fLastKey - fFirstKey + 1 == fCount;
    fAllKeys = fCount == 0;
}

void TSqlGridModel::ClearKeys()
{
    fKeys.clear();
    fAllKeys = true;
    fCount = 0;
    fFirstKey = 0;
    fLastKey = 0;
    fDense = false;
    fKeyChunks.clear();
}

qint64 TSqlGridModel::KeyCount() const
{
    return fAllKeys ? qint64(fKeys.size()) : fCount;
}

qint64 TSqlGridModel::KeyAt(qint64 position) const
{
    if (fAllKeys) {
        return fKeys[size_t(position)];
    }
    if (fDense) {
        return fFirstKey + position;
    }
    const qint64 chunk = position / kPageRows;
    auto it = fKeyChunks.constFind(chunk);
    if (it == fKeyChunks.constEnd()) {
        LoadKeyChunk(chunk);
        it = fKeyChunks.constFind(chunk);
    }
    return (*it)[size_t(position % kPageRows)];
}

void TSqlGridModel::LoadKeyChunk(qint64 chunk) const
{
    // The keys of one page of positions, found from a neighbouring page already read, else counted from the
    // nearer end of the table. Only rowids up to the last one counted are rows of the grid.
    const qint64 first = chunk * kPageRows;
    const qint64 count = std::min<qint64>(kPageRows, fCount - first);
    const QString name = QuoteIdent(fTable);
    const auto before = fKeyChunks.constFind(chunk - 1);
    const auto after = fKeyChunks.constFind(chunk + 1);
    std::vector<qint64> keys;
    try {
        if (before != fKeyChunks.constEnd() && before->back() >= 0) {
            keys = ReadRowids(fDb,
                              QStringLiteral("select rowid from ") + name +
                                  QStringLiteral(" where rowid > ? and rowid <= ? order by rowid limit ?"),
                              {before->back(), fLastKey, count});
        } else if (after != fKeyChunks.constEnd() && after->front() >= 0) {
            keys = ReadRowids(fDb,
                              QStringLiteral("select rowid from ") + name +
                                  QStringLiteral(" where rowid < ? order by rowid desc limit ?"),
                              {after->front(), count});
            std::reverse(keys.begin(), keys.end());
        } else if (first <= fCount - first - count) {
            keys = ReadRowids(fDb,
                              QStringLiteral("select rowid from ") + name +
                                  QStringLiteral(" where rowid <= ? order by rowid limit ? offset ?"),
                              {fLastKey, count, first});
        } else {
            keys = ReadRowids(fDb,
                              QStringLiteral("select rowid from ") + name +
                                  QStringLiteral(" where rowid <= ? order by rowid desc limit ? offset ?"),
                              {fLastKey, count, fCount - first - count});
            std::reverse(keys.begin(), keys.end());
        }
    } catch (const EVantrel& e) {
        // Keys that cannot be read show empty rows; the next refresh reads them again.
        qCWarning(lcGrid) << "reading row keys of" << fTable << "failed:" << e.Message();
        keys.clear();
    }
    // Rows deleted by another program since the count leave no key: their places show empty.
    keys.resize(size_t(count), -1);
    fKeyChunks.insert(chunk, std::move(keys));
}

void TSqlGridModel::ReadAllKeys()
{
    if (fAllKeys) {
        return;
    }
    std::vector<qint64> keys;
    if (fDense) {
        keys.resize(size_t(fCount));
        std::iota(keys.begin(), keys.end(), fFirstKey);
    } else {
        keys = ReadRowids(fDb,
                          QStringLiteral("select rowid from ") + QuoteIdent(fTable) +
                              QStringLiteral(" where rowid <= ? order by rowid"),
                          {fLastKey});
    }
    ClearKeys();
    fKeys = std::move(keys);
}

int TSqlGridModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid()) {
        return 0;
    }
    return int(KeyCount()) + (fInserting ? 1 : 0);
}

int TSqlGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(fColumns.size());
}

const QList<QVariant>& TSqlGridModel::RowValues(int row) const
{
    if (row == fEditRow) {
        return fEditValues;
    }
    const int keyIndex = (fInserting && row > fEditRow) ? row - 1 : row;
    const int page = keyIndex / kPageRows;
    if (!fPages.contains(page)) {
        LoadPage(page);
    }
    return fPages[page][keyIndex % kPageRows];
}

void TSqlGridModel::LoadPage(int page) const
{
    const int first = page * kPageRows;
    const int last = std::min<int>(first + kPageRows, int(KeyCount()));
    QList<QList<QVariant>> rows(last - first, QList<QVariant>(fColumns.size()));
    QStringList marks;
    QVariantList keys;
    for (int i = first; i < last; ++i) {
        if (const qint64 key = KeyAt(i); key >= 0) {
            marks << QStringLiteral("?");
            keys << QVariant(key);
        }
    }
    if (!keys.isEmpty()) {
        try {
            QSqlQuery q(fDb);
            q.setForwardOnly(true);
            ExecSql(q,
                    QStringLiteral("select rowid, * from ") + QuoteIdent(fTable) +
                        QStringLiteral(" where rowid in (") + marks.join(QLatin1Char(',')) + QLatin1Char(')'),
                    keys);
            QHash<qint64, int> position;
            for (int i = first; i < last; ++i) {
                position.insert(KeyAt(i), i - first);
            }
            const int count = int(fColumns.size());
            while (q.next()) {
                const int at = position.value(q.value(0).toLongLong(), -1);
                if (at < 0) {
                    continue;
                }
                QList<QVariant>& values = rows[at];
                for (int c = 0; c < count; ++c) {
                    values[c] = q.value(c + 1);
                }
            }
        } catch (const EVantrel& e) {
            // A page that cannot be read shows empty cells; the next refresh reads it again.
            qCWarning(lcGrid) << "reading rows of" << fTable << "failed:" << e.Message();
        }
    }
    if (fPages.size() >= kMaxPages && !fPageOrder.isEmpty()) {
        fPages.remove(fPageOrder.takeFirst());
    }
    fPages.insert(page, rows);
    fPageOrder.append(page);
}

void TSqlGridModel::DropPages() const
{
    fPages.clear();
    fPageOrder.clear();
}

QVariant TSqlGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) {
        return QVariant();
    }
    const QVariant& value = RowValues(index.row()).at(index.column());
    // Every cell is edited as text, so that any cell (a number included) can be emptied.
    if (role == Qt::EditRole) {
        return value.isNull() ? QString() : value.toString();
    }
    return value;
}

QVariant TSqlGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (orientation == Qt::Horizontal) {
        return section >= 0 && section < fColumns.size() ? QVariant(fColumns[section]) : QVariant();
    }
    // The row indicator: "*" for a new row, "✎" for a row with changes not yet posted.
    if (section == fEditRow) {
        return fInserting ? QStringLiteral("*") : QStringLiteral("\u270E");
    }
    return section + 1;
}

Qt::ItemFlags TSqlGridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

QVariant TSqlGridModel::StoredValue(const QVariant& value, int column) const
{
    const QString text = value.toString();
    if (text.isEmpty() && (fEmptyAsNull || fNumeric.testBit(column))) {
        return QVariant();
    }
    return text;
}

bool TSqlGridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole) {
        return false;
    }
    const int row = index.row();
    if (fEditRow >= 0 && fEditRow != row) {
        try {
            Post();
        } catch (const EVantrel& e) {
            fLastError = e.Message();
            return false;
        }
    }
    const QVariant stored = StoredValue(value, index.column());
    const QVariant current = RowValues(row).at(index.column());
    if (current.isNull() == stored.isNull() && current.toString() == stored.toString()) {
        return true;
    }
    if (fEditRow < 0) {
        fEditValues = RowValues(row);
        fEditChanged = QBitArray(int(fColumns.size()));
        fEditRow = row;
        emit headerDataChanged(Qt::Vertical, row, row);
    }
    fEditValues[index.column()] = stored;
    fEditChanged.setBit(index.column());
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

QVariant TSqlGridModel::NumberValue(int column, const QVariant& value) const
{
    const QString text = value.toString().trimmed();
    if (!fWhole.testBit(column)) {
        bool ok = false;
        const double number = text.toDouble(&ok);
        if (!ok || !std::isfinite(number)) {
            throw EVantrel(QStringLiteral("The column %1 takes a number: %2 is not one.")
                               .arg(fColumns[column], Quoted(value.toString())));
        }
        return QVariant(number);
    }
    static const QRegularExpression whole(QStringLiteral("^[+-]?[0-9]+\\z"));
    if (!whole.match(text).hasMatch()) {
        throw EVantrel(QStringLiteral("The column %1 takes a whole number: %2 is not one.")
                           .arg(fColumns[column], Quoted(value.toString())));
    }
    // Whole numbers of the range the counters add up in.
    bool ok = false;
    const qlonglong number = text.toLongLong(&ok);
    if (!ok || number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max()) {
        throw EVantrel(QStringLiteral("The column %1 takes a whole number from %2 to %3: %4 is not one.")
                           .arg(fColumns[column])
                           .arg(std::numeric_limits<int>::min())
                           .arg(std::numeric_limits<int>::max())
                           .arg(Quoted(value.toString())));
    }
    return QVariant(number);
}

void TSqlGridModel::Post()
{
    if (fEditRow < 0) {
        return;
    }
    QStringList names;
    QVariantList values;
    for (int c = 0; c < fColumns.size(); ++c) {
        if (fEditChanged.testBit(c)) {
            names << QuoteIdent(fColumns[c]);
            // A number column refuses what is not a number: the row stays in edit with what was typed.
            values << (fNumeric.testBit(c) && !fEditValues[c].isNull() ? NumberValue(c, fEditValues[c])
                                                                       : fEditValues[c]);
        }
    }
    const int row = fEditRow;
    QSqlQuery q(fDb);
    if (fInserting) {
        QString sql = QStringLiteral("insert into ") + QuoteIdent(fTable);
        if (names.isEmpty()) {
            sql += QStringLiteral(" default values");
        } else {
            QStringList marks;
            for (qsizetype i = 0; i < names.size(); ++i) {
                marks << QStringLiteral("?");
            }
            sql += QStringLiteral(" (") + names.join(QLatin1Char(',')) + QStringLiteral(") values (") +
                   marks.join(QLatin1Char(',')) + QLatin1Char(')');
        }
        // The new row takes its place by position among the stored ones: every key is needed from now on.
        ReadAllKeys();
        ExecSql(q, sql, values);
        const qint64 key = q.lastInsertId().toLongLong();
        fKeys.insert(fKeys.begin() + row, key);
        fInserting = false;
    } else if (!names.isEmpty()) {
        QStringList sets;
        for (const QString& name : names) {
            sets << name + QStringLiteral("=?");
        }
        const qint64 key = KeyAt(row);
        values << QVariant(key);
        ExecSql(q,
                QStringLiteral("update ") + QuoteIdent(fTable) + QStringLiteral(" set ") +
                    sets.join(QLatin1Char(',')) + QStringLiteral(" where rowid=?"),
                values);
        if (q.numRowsAffected() == 0) {
            KeepDeletedRow();
        }
    }
    // The stored row is read back: defaults and the engine's conversions show as they were stored.
    DropPages();
    EndEdit();
    emit dataChanged(index(row, 0), index(row, int(fColumns.size()) - 1));
}

void TSqlGridModel::KeepDeletedRow()
{
    // Another program deleted the row after it was read. What was typed is not dropped: the row becomes a
    // new row holding every value it showed, key included, so that posting it stores it again as it was.
    const int row = fEditRow;
    ReadAllKeys();
    fKeys.erase(fKeys.begin() + row);
    fInserting = true;
    for (int c = 0; c < fColumns.size(); ++c) {
        fEditChanged.setBit(c, !fEditValues[c].isNull());
    }
    // The pages are kept by position among the keys, which have moved.
    DropPages();
    emit headerDataChanged(Qt::Vertical, row, row);
    throw EVantrel(QStringLiteral("Row %1 was deleted by another program after this window read it, so the "
                                  "change was not written. The row stays here as a new row with what "
                                  "was typed: post it to store it again, or cancel it to let it go.")
                       .arg(row + 1));
}

void TSqlGridModel::EndEdit()
{
    const int row = fEditRow;
    fEditRow = -1;
    fEditValues.clear();
    fEditChanged.clear();
    fLastError.clear();
    if (row >= 0 && row < rowCount()) {
        emit headerDataChanged(Qt::Vertical, row, row);
    }
}

void TSqlGridModel::Cancel()
{
    if (fEditRow < 0) {
        return;
    }
    const int row = fEditRow;
    if (fInserting) {
        beginRemoveRows(QModelIndex(), row, row);
        fInserting = false;
        fEditRow = -1;
        fEditValues.clear();
        fEditChanged.clear();
        fLastError.clear();
        endRemoveRows();
        return;
    }
    EndEdit();
    emit dataChanged(index(row, 0), index(row, int(fColumns.size()) - 1));
}

void TSqlGridModel::InsertRowAt(int row)
{
    Post();
    row = std::clamp(row, 0, rowCount());
    beginInsertRows(QModelIndex(), row, row);
    fInserting = true;
    fEditRow = row;
    fEditValues = QList<QVariant>(fColumns.size());
    fEditChanged = QBitArray(int(fColumns.size()));
    endInsertRows();
}

void TSqlGridModel::DeleteRow(int row)
{
    if (row < 0 || row >= rowCount()) {
        return;
    }
    if (row == fEditRow) {
        // The row's own unposted changes go with it; a new row was never stored.
        const bool inserting = fInserting;
        Cancel();
        if (inserting) {
            return;
        }
    } else {
        // Posting keeps every row where it is: a new row takes its place among the stored ones.
        Post();
    }
    // The rows after it move up by one: every key is needed from now on.
    ReadAllKeys();
    QSqlQuery q(fDb);
    ExecSql(q, QStringLiteral("delete from ") + QuoteIdent(fTable) + QStringLiteral(" where rowid=?"),
            {QVariant(fKeys[row])});
    beginRemoveRows(QModelIndex(), row, row);
    fKeys.erase(fKeys.begin() + row);
    DropPages();
    endRemoveRows();
}

void TSqlGridModel::Refresh()
{
    Post();
    beginResetModel();
    try {
        ReadRows();
    } catch (...) {
        ClearKeys();
        DropPages();
        endResetModel();
        throw;
    }
    DropPages();
    endResetModel();
}
