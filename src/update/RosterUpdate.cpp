#include "RosterUpdate.h"

#include "RosterFiles.h"
#include "UpdateSettings.h"

#include "data/MyFunc.h"
#include "data/Paths.h"
#include "data/RosterLoad.h"

namespace {

using TKind = TRosterEntry::TKind;

// Runs one roster file through its line reader, handing every member to the store, in one transaction.
template <typename Store>
TRosterResult Load(TDM& dm, const QString& file, TRosterEntry (*parse)(const QString&),
                   const TRosterProgress& progress, const QString& clearTable, Store&& store)
{
    const QStringList lines = ReadTextLines(file);
    TRosterResult result;
    result.lines = int(lines.size());
    if (progress) {
        progress(0, result.lines);
    }
    TRosterLoad load(dm);
    if (!clearTable.isEmpty()) {
        load.ClearRoster(clearTable);
    }
    for (int i = 0; i < result.lines; ++i) {
        const TRosterEntry entry = parse(lines[i]);
        if (entry.kind == TKind::Member) {
            store(load, entry);
        } else if (entry.kind == TKind::Bad) {
            ++result.skipped;
        }
        if (progress) {
            progress(i + 1, result.lines);
        }
    }
    load.Commit();
    return result;
}

} // namespace

QString RosterFile(TRoster roster)
{
    switch (roster) {
    case TRoster::TenTen:
        return Paths::WorkFolder() + QStringLiteral("1010.dat");
    case TRoster::VP:
        return Paths::WorkFolder() + QStringLiteral("vp.dat");
    case TRoster::EPC:
        return Paths::WorkFolder() + QStringLiteral("epc1.dat");
    case TRoster::P070:
        return Paths::WorkFolder() + QStringLiteral("p070.dat");
    }
    return {};
}

TRosterSource RosterSource(TRoster roster, const TSettings& settings)
{
    switch (roster) {
    case TRoster::TenTen:
        return {ServerUrl(settings, SettingKeys::RosterServer, QStringLiteral("/download/1010.csv")),
                RosterFile(roster)};
    case TRoster::VP:
        return {ServerUrl(settings, SettingKeys::RosterServer, QStringLiteral("/download/vp.csv")),
                RosterFile(roster)};
    case TRoster::EPC:
        return {ServerUrl(settings, SettingKeys::EPCServer, QStringLiteral("/documents/epc.txt")),
                RosterFile(roster)};
    case TRoster::P070:
        return {ServerUrl(settings, SettingKeys::P070Url), RosterFile(roster)};
    }
    return {};
}

void DownloadRoster(TRoster roster, const TSettings& settings)
{
    const TRosterSource source = RosterSource(roster, settings);
    DownloadFile(source.url, source.file);
}

TRosterResult LoadTenTen(TDM& dm, const QString& file, const TRosterProgress& progress)
{
    return Load(dm, file, ParseTenTenLine, progress, QStringLiteral("tenten"),
                [](TRosterLoad& load, const TRosterEntry& e) { load.AddTenTen(e.callsign, e.number); });
}

TRosterResult LoadVP(TDM& dm, const QString& file, const TRosterProgress& progress)
{
    return Load(dm, file, ParseVPLine, progress, QString(),
                [](TRosterLoad& load, const TRosterEntry& e) { load.SetVP(e.number, e.tenten); });
}

TRosterResult LoadEPC(TDM& dm, const QString& file, const TRosterProgress& progress)
{
    FormatEPCFile(file, file);
    return Load(dm, file, ParseEPCLine, progress, QStringLiteral("epc"),
                [](TRosterLoad& load, const TRosterEntry& e) {
                    load.AddMember(QStringLiteral("epc"), e.callsign, e.number);
                });
}

TRosterResult LoadP070(TDM& dm, const QString& file, const TRosterProgress& progress)
{
    return Load(dm, file, ParseP070Line, progress, QStringLiteral("p070"),
                [](TRosterLoad& load, const TRosterEntry& e) {
                    load.AddMember(QStringLiteral("p070"), e.callsign, e.number);
                });
}
