#include "TDupeListModel.h"

#include "data/Errors.h"

#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(lcDupeList, "vantrel.dupelist")

// Rows read with the first keystroke: more than the list shows, so the view is full at once.
constexpr int kFirstRows = 64;
// Rows read each time the view scrolls to the end of those read.
constexpr int kMoreRows = 256;

} // namespace

void TDupeListModel::SetReader(std::unique_ptr<TDupeListReader> reader)
{
    beginResetModel();
    fRows.clear();
    fBroken = false;
    fReader = std::move(reader);
    try {
        fRows = fReader->Next(kFirstRows);
    } catch (...) {
        fReader.reset();
        endResetModel();
        throw;
    }
    endResetModel();
}

void TDupeListModel::clear()
{
    beginResetModel();
    fRows.clear();
    fBroken = false;
    fReader.reset();
    endResetModel();
}

int TDupeListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(fRows.size());
}

int TDupeListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !fReader ? 0 : 3;
}

QVariant TDupeListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= fRows.size() ||
        (role != Qt::DisplayRole && role != Qt::EditRole)) {
        return QVariant();
    }
    const TDupeRow& row = fRows.at(index.row());
    switch (index.column()) {
    case 0:
        return row.call;
    case 1:
        return row.mode;
    case 2:
        return row.place;
    default:
        return QVariant();
    }
}

QVariant TDupeListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const char* const kHeaders[] = {"Callsign", "Mode", "County"};
    return section >= 0 && section < 3 ? QVariant(QString::fromLatin1(kHeaders[section])) : QVariant();
}

bool TDupeListModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && fReader && !fBroken && !fReader->AtEnd();
}

void TDupeListModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent)) {
        return;
    }
    QList<TDupeRow> more;
    try {
        more = fReader->Next(kMoreRows);
    } catch (const EVantrel& e) {
        // Called by the view while it scrolls: the list ends where it could no longer be read.
        qCWarning(lcDupeList) << e.Message();
        fBroken = true;
        return;
    }
    if (more.isEmpty()) {
        return;
    }
    beginInsertRows(QModelIndex(), int(fRows.size()), int(fRows.size() + more.size() - 1));
    fRows += more;
    endInsertRows();
}
