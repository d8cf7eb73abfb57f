#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <array>
#include <initializer_list>
#include <memory>
#include <utility>

// One row of an event log table held as QString values: every column by name, NULL as empty text. Copies
// of a row share its column index, so a copy costs only its values.
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

    // Column names are matched without regard to case, as the database does.
    bool Has(const QString& column) const { return IndexOf(column) >= 0; }
    QString Value(const QString& column) const
    {
        const int i = IndexOf(column);
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
            fCache.fill(TCacheSlot());
            fValues.resize(fIndex->size());
        }
        fValues[i] = value;
    }

private:
    int IndexOf(const QString& column) const
    {
        if (!fIndex) {
            return -1;
        }
        // The same name object asked again (a literal at its place in the code, for row after row) is found
        // by its address: the slot keeps a reference to it, so no other text can take that address.
        TCacheSlot& slot = fCache[(quintptr(column.constData()) / sizeof(QChar)) % kCacheSlots];
        if (slot.name.constData() != column.constData() || slot.name.size() != column.size()) {
            slot.name = column;
            slot.index = fIndex->value(Key(column), -1);
        }
        return slot.index;
    }

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

    static constexpr size_t kCacheSlots = 64;
    struct TCacheSlot
    {
        QString name;
        int index = -1;
    };

    std::shared_ptr<QHash<QString, int>> fIndex;
    QList<QString> fValues;
    // Positions of the names asked for last; a column the row gains later is found anew.
    mutable std::array<TCacheSlot, kCacheSlots> fCache;
};
