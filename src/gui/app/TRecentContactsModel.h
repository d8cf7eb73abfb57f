#pragma once

#include "data/LogEdits.h"

#include <QAbstractTableModel>

class TDM;

// The recent-contacts list of the main window: the current log's last contacts, newest first, read
// from the log table again whenever the table changes (Refresh).
class TRecentContactsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int kRows = 100;

    explicit TRecentContactsModel(QObject* parent = nullptr);

    // Reads the last contacts of a log table; an empty table name empties the list.
    void Refresh(TDM& dm, const QString& table);
    void Clear();

    // The key (pkey) of a line's contact; 0 for a line that does not exist.
    qint64 KeyAt(int row) const;
    const QList<TRecentContact>& Contacts() const { return fRows; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<TRecentContact> fRows;
};
