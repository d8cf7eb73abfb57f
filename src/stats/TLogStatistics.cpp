#include "TLogStatistics.h"

TLogStatistics::TLogStatistics(TDM& dm, QObject* parent) : QObject(parent), fDM(dm) {}

void TLogStatistics::SetLog(const QString& table)
{
    fTable = table;
    Reload();
}

int TLogStatistics::ReadFrom(qint64 key)
{
    int read = 0;
    ForEachStatsRow(fDM, fTable, key, [&](const TStatsRow& row) {
        fEngine.Add(ContactMinute(row.date, row.time), row.points, row.mode, row.qth);
        fLastKey = row.key;
        ++read;
    });
    return read;
}

void TLogStatistics::ReadCounts()
{
    const std::optional<TDM::TLogCounts> kept = fDM.StoredCounts(fTable);
    fCountsKept = kept.has_value();
    // A log whose counts are not kept yet is counted, and its counts are kept from then on.
    fCounts = kept ? *kept : fDM.LogCounts(fTable);
}

void TLogStatistics::Reload()
{
    fEngine.Clear();
    fCounts = TDM::TLogCounts();
    fLastKey = 0;
    fCountsKept = false;
    fMark = TLogsWriteMark();
    if (fTable.isEmpty()) {
        emit Changed();
        return;
    }
    ++fFullLoads;
    try {
        fEngine.BeginLoad();
        ReadFrom(0);
        fEngine.EndLoad();
        ReadCounts();
    } catch (...) {
        fEngine.Clear();
        fCounts = TDM::TLogCounts();
        emit Changed();
        throw;
    }
    // Taken last: reading the counts may have written them.
    fMark = LogsWriteMark(fDM);
    emit Changed();
}

void TLogStatistics::LogChanged()
{
    if (fTable.isEmpty()) {
        return;
    }
    const TLogsWriteMark now = LogsWriteMark(fDM);
    if (now == fMark) {
        return;
    }
    const bool kept = fCountsKept;
    const int added = ReadFrom(fLastKey);
    ReadCounts();
    // Each contact added by this program wrote two rows: its own and, by trigger, the log's row of counts.
    // Any other write (an edit, a deletion, another table, another program) leaves a difference, and the
    // log is read again.
    const bool onlyAdded = kept && fCountsKept && now.dataVersion == fMark.dataVersion &&
                           now.changes - fMark.changes == 2 * qint64(added) &&
                           fEngine.Contacts() == fCounts.total;
    if (!onlyAdded) {
        Reload();
        return;
    }
    fMark = LogsWriteMark(fDM);
    emit Changed();
}

void TLogStatistics::SetOffTimeThreshold(int minutes)
{
    if (minutes == fEngine.OffTimeThreshold()) {
        return;
    }
    fEngine.SetOffTimeThreshold(minutes);
    emit Changed();
}
