#include "TSqlGridModel.h"

#include "data/Errors.h"
#include "data/TDM.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cmath>
#include <limits>

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
        ReadKeys();
    } catch (...) {
        fKeys.clear();
        endResetModel();
        throw;
    }
    DropPages();
    endResetModel();
}

void TSqlGridModel::ReadKeys()
{
    // Only the keys are read whole: eight bytes a row. A plain table scan returns rows in rowid order,
    // which is the order "select *" gives.
    QSqlQuery q(fDb);
    q.setForwardOnly(true);
    ExecSql(q, QStringLiteral("select rowid from ") + QuoteIdent(fTable) + QStringLiteral(" order by ") +
                   (fOrderBy.isEmpty() ? QStringLiteral("rowid") : fOrderBy));
    std::vector<qint64> keys;
    while (q.next()) {
        keys.push_back(q.value(0).toLongLong());
    }
    fKeys = std::move(keys);
}

int TSqlGridModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid()) {
        return 0;
    }
    return int(fKeys.size()) + (fInserting ? 1 : 0);
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
    const int last = std::min<int>(first + kPageRows, int(fKeys.size()));
    QList<QList<QVariant>> rows(last - first, QList<QVariant>(fColumns.size()));
    QStringList marks;
    QVariantList keys;
    for (int i = first; i < last; ++i) {
        marks << QStringLiteral("?");
        keys << QVariant(fKeys[i]);
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
                position.insert(fKeys[i], i - first);
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
        ExecSql(q, sql, values);
        const qint64 key = q.lastInsertId().toLongLong();
        fKeys.insert(fKeys.begin() + row, key);
        fInserting = false;
    } else if (!names.isEmpty()) {
        QStringList sets;
        for (const QString& name : names) {
            sets << name + QStringLiteral("=?");
        }
        const qint64 key = fKeys[row];
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
        ReadKeys();
    } catch (...) {
        fKeys.clear();
        DropPages();
        endResetModel();
        throw;
    }
    DropPages();
    endResetModel();
}
