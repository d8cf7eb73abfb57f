#pragma once

#include "data/TDupeListReader.h"

#include <QAbstractTableModel>
#include <memory>

// The dupe list under the call field: call, mode and "qth:county" of the logged rows that match what is
// typed, in the order they were logged. Holds the rows read so far; the view asks for more as it scrolls.
class TDupeListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    // Shows the rows of a reader, the first screenful at once. Throws EDatabaseError from the reader.
    void SetReader(std::unique_ptr<TDupeListReader> reader);
    // Empties the list (no columns either).
    void clear();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    std::unique_ptr<TDupeListReader> fReader;
    QList<TDupeRow> fRows;
    bool fBroken = false; // a piece could not be read: the list ends there
};
