// The roster line readers and the check of a downloaded roster over any text: a member always has a call
// sign and whole numbers in plain decimal, also after the EPC rewrite, the counts add up, and a file taken
// as a roster has a member line.
#include "data/MyFunc.h"
#include "update/RosterFiles.h"
#include "update/RosterUpdate.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using TKind = TRosterEntry::TKind;

void CheckMember(const TRosterEntry& entry, bool withCall)
{
    if (entry.kind != TKind::Member) {
        return;
    }
    if (withCall && !IsCallsignText(entry.callsign)) {
        abort();
    }
    if (!IsInteger(entry.number) || QString::number(entry.number.toInt()) != entry.number) {
        abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList lines = SplitLines(text);
    for (const QString& line : lines) {
        const TRosterEntry tenten = ParseTenTenLine(line);
        if (tenten.kind == TKind::Member &&
            (!IsCallsignText(tenten.callsign) || !IsInteger(tenten.number.trimmed()))) {
            abort();
        }
        const TRosterEntry vp = ParseVPLine(line);
        CheckMember(vp, false);
        if (vp.kind == TKind::Member && QString::number(vp.tenten.toInt()) != vp.tenten) {
            abort();
        }
        CheckMember(ParseEPCLine(line), true);
        CheckMember(ParseP070Line(line), true);
    }
    qsizetype foreign = -1;
    for (const QString& line : SplitLines(FormatEPCText(lines, &foreign))) {
        CheckMember(ParseEPCLine(line), true);
    }
    if (foreign < 0 || foreign > lines.size()) {
        abort();
    }
    for (const TRoster roster : {TRoster::TenTen, TRoster::VP, TRoster::EPC, TRoster::P070}) {
        const TRosterCount count = CountRoster(roster, text);
        if (count.lines != lines.size() || count.members < 0 || count.damaged < 0 || count.foreign < 0) {
            abort();
        }
        if (roster != TRoster::EPC && count.members + count.damaged + count.foreign > count.lines) {
            abort();
        }
        if (RosterProblem(text, count).isEmpty() && count.members == 0) {
            abort();
        }
    }
    return 0;
}
