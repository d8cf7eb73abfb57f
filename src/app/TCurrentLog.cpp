#include "TCurrentLog.h"

#include "data/LogRules.h"
#include "data/TMysettings.h"

TCurrentLog::TCurrentLog(TDM& dm, TMysettings& rec, QObject* parent) : QObject(parent), fDM(dm), fRec(rec) {}

void TCurrentLog::ReadyLog(TDM& dm, const QString& table, TMysettings& rec, const QDate& today,
                           const std::function<void(const QString& aside)>& keptAside)
{
    if (const auto aside = dm.CheckTable(table, today); aside && keptAside) {
        keptAside(*aside);
    }
    dm.EnsureCallIndex(table);
    dm.ReadConfigRecord(table, rec);
    rec.TableName = table;
}

TDM::TLogCounts TCurrentLog::Open(const QString& table, const QDate& today)
{
    TMysettings rec = fRec;
    ReadyLog(fDM, table, rec, today, [&](const QString& aside) { emit TableKeptAside(table, aside); });
    // Only a log whose table can be counted becomes current; its counters start again from the table.
    const TDM::TLogCounts counts = fDM.LogCounts(table);
    fRec = rec;
    return counts;
}

QString TCurrentLog::TableName() const
{
    return fRec.TableName;
}

void TCurrentLog::Setctx_with(int value)
{
    fctxwith = value;
    emit CountersChanged();
}

void TCurrentLog::Setctx_without(int value)
{
    fctxwithout = value;
    emit CountersChanged();
}

void TCurrentLog::Setctx_070(int value)
{
    fctx070 = value;
    emit CountersChanged();
}

void TCurrentLog::Setctx_epc(int value)
{
    fctxepc = value;
    emit CountersChanged();
}

void TCurrentLog::SetTotalpoints(int value)
{
    ftotalpoints = value;
    emit CountersChanged();
}

void TCurrentLog::SetCounters(const TDM::TLogCounts& counts)
{
    Setctx_with(counts.withTenTen);
    Setctx_without(counts.total - counts.withTenTen);
    Setctx_epc(counts.withEpc);
    Setctx_070(counts.with070);
    SetTotalpoints(counts.points);
}

void TCurrentLog::RaiseCounters(const TContactScore& score)
{
    if (score.withTenTen) {
        Setctx_with(fctxwith + 1);
    } else {
        Setctx_without(fctxwithout + 1);
    }
    if (score.withEpc) {
        Setctx_epc(fctxepc + 1);
    }
    if (score.with070) {
        Setctx_070(fctx070 + 1);
    }
    SetTotalpoints(ftotalpoints + score.points);
}

void TCurrentLog::RecountScores()
{
    SetCounters(fDM.LogCounts(fRec.TableName));
}

bool TCurrentLog::FollowLogFile()
{
    const std::optional<qint64> version = fDM.LogsDataVersion();
    if (!version || version == fLogsVersion) {
        return false;
    }
    // Taken first: a log that cannot be counted is reported once, not at every tick.
    fLogsVersion = version;
    if (!fCurrent || fRec.TableName.isEmpty()) {
        return false;
    }
    // The counts the database keeps change with every contact, whoever stores it.
    RecountScores();
    return true;
}
