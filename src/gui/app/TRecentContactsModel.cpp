#include "TRecentContactsModel.h"

namespace {

enum Column
{
    Time,
    Call,
    Mode,
    Qth,
    County,
    TenTen,
    VP,
    EPC,
    P070,
    Points,
    ColumnCount
};

} // namespace

TRecentContactsModel::TRecentContactsModel(QObject* parent) : QAbstractTableModel(parent) {}

void TRecentContactsModel::Refresh(TDM& dm, const QString& table)
{
    QList<TRecentContact> rows;
    if (!table.isEmpty()) {
        rows = RecentContacts(dm, table, kRows);
    }
    beginResetModel();
    fRows = std::move(rows);
    endResetModel();
}

void TRecentContactsModel::Clear()
{
    beginResetModel();
    fRows.clear();
    endResetModel();
}

qint64 TRecentContactsModel::KeyAt(int row) const
{
    return row >= 0 && row < fRows.size() ? fRows.at(row).key : 0;
}

int TRecentContactsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(fRows.size());
}

int TRecentContactsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TRecentContactsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= fRows.size()) {
        return QVariant();
    }
    const TRecentContact& c = fRows.at(index.row());
    if (role == Qt::TextAlignmentRole && index.column() == Points) {
        return int(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role == Qt::ToolTipRole) {
        return c.date + QLatin1Char(' ') + c.time + QLatin1Char(' ') + c.call;
    }
    if (role != Qt::DisplayRole) {
        return QVariant();
    }
    switch (index.column()) {
    case Time:
        return c.time;
    case Call:
        return c.call;
    case Mode:
        return c.mode;
    case Qth:
        return c.qth;
    case County:
        return c.county;
    case TenTen:
        return c.tenten;
    case VP:
        return c.vp;
    case EPC:
        return c.epc;
    case P070:
        return c.p070;
    case Points:
        return c.points;
    default:
        return QVariant();
    }
}

QVariant TRecentContactsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const char* const kTitles[ColumnCount] = {"Time",    "Call", "Mode", "QTH", "County",
                                                     "Ten-Ten", "VP",   "EPC",  "070", "Points"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(kTitles[section]) : QVariant();
}
