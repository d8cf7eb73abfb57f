#pragma once

#include "stats/TStatsEngine.h"

#include <QStringList>

// Every figure of an engine as lines of text, so that two engines compare with a readable difference.
inline QStringList DescribeStats(const TStatsEngine& e, TMinute now)
{
    const auto moment = [](std::optional<TMinute> m) {
        return m ? MinuteTime(*m).toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QStringLiteral("-");
    };
    QStringList lines;
    lines << QStringLiteral("contacts %1 timed %2 left out %3")
                 .arg(e.Contacts())
                 .arg(e.Timed())
                 .arg(e.LeftOut());
    lines << QStringLiteral("last 10 min %1, last 60 min %2, this hour %3")
                 .arg(e.InLastMinutes(now, 10))
                 .arg(e.InLastMinutes(now, 60))
                 .arg(e.InHourOf(now));
    for (const int n : {10, 100}) {
        const TRate r = e.LastContacts(n);
        lines << QStringLiteral("last %1 contacts: %2 in %3 min").arg(n).arg(r.contacts).arg(r.minutes);
    }
    lines
        << QStringLiteral("best hour %1 from %2").arg(e.BestHour().contacts).arg(moment(e.BestHour().start));
    lines << QStringLiteral("first %1 last %2 on %3 min")
                 .arg(moment(e.First()), moment(e.Last()))
                 .arg(e.TimeOn());
    for (const TOffTime& off : e.OffTimes()) {
        lines << QStringLiteral("off %1 to %2").arg(moment(off.from), moment(off.to));
    }
    lines << QStringLiteral("off in all %1 min").arg(e.OffTotal());
    for (const auto& [hour, count] : e.Hours()) {
        lines << QStringLiteral("hour %1: %2 contacts, %3 points")
                     .arg(moment(hour * 60))
                     .arg(count.contacts)
                     .arg(count.points);
    }
    lines << QStringLiteral("timed points %1").arg(e.TimedPoints());
    for (const auto& [name, breakdown] : {std::pair{"mode", e.Modes(100)}, std::pair{"qth", e.Qths(100)}}) {
        for (const auto& [what, n] : breakdown.top) {
            lines << QStringLiteral("%1 %2: %3").arg(QLatin1String(name), what).arg(n);
        }
    }
    return lines;
}
