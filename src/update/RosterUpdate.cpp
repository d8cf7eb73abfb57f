#include "RosterUpdate.h"

#include "RosterFiles.h"
#include "UpdateSettings.h"

#include "data/MyFunc.h"
#include "data/Paths.h"
#include "data/RosterLoad.h"

#include <QDir>

namespace {

using TKind = TRosterEntry::TKind;
using TParse = TRosterEntry (*)(const QString&);

TParse Parser(TRoster roster)
{
    switch (roster) {
    case TRoster::TenTen:
        return ParseTenTenLine;
    case TRoster::VP:
        return ParseVPLine;
    case TRoster::EPC:
        return ParseEPCLine;
    case TRoster::P070:
        return ParseP070Line;
    }
    return ParseTenTenLine;
}

TRosterCount CountLines(const QStringList& lines, TParse parse)
{
    TRosterCount count;
    count.lines = lines.size();
    for (const QString& line : lines) {
        switch (parse(line).kind) {
        case TKind::Member:
            ++count.members;
            break;
        case TKind::Bad:
            ++count.damaged;
            break;
        case TKind::Foreign:
            ++count.foreign;
            break;
        case TKind::Ignored:
            break;
        }
    }
    return count;
}

// Throws ERosterRefused when the text cannot be the roster.
void Judge(TRoster roster, const QString& file, const QString& url, const QString& text)
{
    const QString problem = RosterProblem(text, CountRoster(roster, text));
    if (problem.isEmpty()) {
        return;
    }
    const QString source = url.isEmpty() ? QString() : QStringLiteral(", downloaded from %1,").arg(url);
    throw ERosterRefused(QStringLiteral("%1%2 is not the %3 roster: %4.\nNo roster was changed.")
                             .arg(QDir::toNativeSeparators(file), source, RosterName(roster), problem));
}

// Runs one roster file through its line reader inside the caller's transaction, handing every member to
// the store; the file is judged first, so one that is not the roster touches nothing.
template <typename Store>
TRosterResult Load(TRosterLoad& load, TRoster roster, const TRosterHooks& hooks, const QString& clearTable,
                   Store&& store)
{
    const QString file = RosterFile(roster);
    QString text = ReadTextFile(file);
    Judge(roster, file, QString(), text);
    if (roster == TRoster::EPC) {
        FormatEPCFile(file, file);
        text = ReadTextFile(file);
    }
    const QStringList lines = SplitLines(text);
    text.clear();
    const TParse parse = Parser(roster);
    TRosterResult result;
    result.lines = int(lines.size());
    if (hooks.progress) {
        hooks.progress(roster, 0, result.lines);
    }
    if (!clearTable.isEmpty()) {
        load.ClearRoster(clearTable);
    }
    for (int i = 0; i < result.lines; ++i) {
        const TRosterEntry entry = parse(lines[i]);
        if (entry.kind == TKind::Member) {
            store(entry);
        } else if (entry.kind == TKind::Bad) {
            ++result.skipped;
        }
        if (hooks.progress) {
            hooks.progress(roster, i + 1, result.lines);
        }
    }
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

QString RosterName(TRoster roster)
{
    switch (roster) {
    case TRoster::TenTen:
        return QStringLiteral("Ten-Ten");
    case TRoster::VP:
        return QStringLiteral("VP");
    case TRoster::EPC:
        return QStringLiteral("EPC");
    case TRoster::P070:
        return QStringLiteral("070");
    }
    return {};
}

TRosterCount CountRoster(TRoster roster, const QString& text)
{
    const QStringList lines = SplitLines(text);
    if (roster != TRoster::EPC) {
        return CountLines(lines, Parser(roster));
    }
    // The EPC list is judged as published: its entries as the rewrite reads them, and the lines that
    // hold none.
    qsizetype foreign = 0;
    TRosterCount count = CountLines(SplitLines(FormatEPCText(lines, &foreign)), ParseEPCLine);
    count.lines = lines.size();
    count.foreign += foreign;
    return count;
}

void CheckRoster(TRoster roster, const QString& file, const QString& url)
{
    Judge(roster, file, url, ReadTextFile(file));
}

QMap<TRoster, TRosterResult> LoadRosters(TDM& dm, const QList<TRoster>& rosters, const TRosterHooks& hooks)
{
    QMap<TRoster, TRosterResult> results;
    auto completed = [&](TRoster roster) {
        if (hooks.completed) {
            hooks.completed(roster);
        }
    };
    const bool tenten = rosters.contains(TRoster::TenTen);
    const bool vp = rosters.contains(TRoster::VP);
    if (tenten || vp) {
        TRosterLoad load(dm);
        if (tenten) {
            results[TRoster::TenTen] =
                Load(load, TRoster::TenTen, hooks, QStringLiteral("tenten"),
                     [&](const TRosterEntry& e) { load.AddTenTen(e.callsign, e.number); });
        }
        if (vp) {
            results[TRoster::VP] = Load(load, TRoster::VP, hooks, QString(),
                                        [&](const TRosterEntry& e) { load.SetVP(e.number, e.tenten); });
        }
        load.Commit();
        if (tenten) {
            completed(TRoster::TenTen);
        }
        if (vp) {
            completed(TRoster::VP);
        }
    }
    for (const TRoster roster : {TRoster::EPC, TRoster::P070}) {
        if (!rosters.contains(roster)) {
            continue;
        }
        const QString table = roster == TRoster::EPC ? QStringLiteral("epc") : QStringLiteral("p070");
        TRosterLoad load(dm);
        results[roster] = Load(load, roster, hooks, table,
                               [&](const TRosterEntry& e) { load.AddMember(table, e.callsign, e.number); });
        load.Commit();
        completed(roster);
    }
    return results;
}
