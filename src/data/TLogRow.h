#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <initializer_list>
#include <memory>
#include <utility>

// One row of an event log table: every column by name, NULL read as empty text. Rows read from one
// query share their column index, so a row costs only its values.
class TLogRow
{
public:
    TLogRow() = default;
    TLogRow(std::initializer_list<std::pair<QString, QString>> fields)
    {
        for (const auto& [column, value] : fields) {
            Set(column, value);
        }
    }

    // A row over the columns of a query, all values empty until set by position.
    explicit TLogRow(const QStringList& columns) : fIndex(std::make_shared<QHash<QString, int>>())
    {
        for (const QString& column : columns) {
            fIndex->insert(column.toLower(), int(fIndex->size()));
        }
        fValues.resize(fIndex->size());
    }

    // Column names are matched without regard to case, as the database does.
    bool Has(const QString& column) const { return fIndex && fIndex->contains(Key(column)); }
    QString Value(const QString& column) const
    {
        if (!fIndex) {
            return QString();
        }
        const int i = fIndex->value(Key(column), -1);
        return i < 0 ? QString() : fValues[i];
    }

    // Sets a column's value, adding the column when the row lacks it.
    void Set(const QString& column, const QString& value)
    {
        if (!fIndex) {
            fIndex = std::make_shared<QHash<QString, int>>();
        }
        const QString key = Key(column);
        int i = fIndex->value(key, -1);
        if (i < 0) {
            if (fIndex.use_count() > 1) {
                fIndex = std::make_shared<QHash<QString, int>>(*fIndex);
            }
            i = int(fIndex->size());
            fIndex->insert(key, i);
            fValues.resize(fIndex->size());
        }
        fValues[i] = value;
    }

    // Sets a value by the column's position in the query the row was made for.
    void SetAt(int position, const QString& value) { fValues[position] = value; }

private:
    // The program's own column names are lower case already; only others need converting.
    static QString Key(const QString& column)
    {
        for (const QChar c : column) {
            if (c.isUpper()) {
                return column.toLower();
            }
        }
        return column;
    }

    std::shared_ptr<QHash<QString, int>> fIndex;
    QList<QString> fValues;
};
