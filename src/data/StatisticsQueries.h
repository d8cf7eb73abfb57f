#pragma once

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>
#include <functional>

class TDM;

// What the statistics read of an event log table.

// One contact as the statistics see it: its key and the stored values of the columns they use, as UTF-8
// text (NULL is empty). The views are valid during the visit only.
struct TStatsRow
{
    qint64 key = 0;
    QByteArrayView date;
    QByteArrayView time;
    QByteArrayView mode;
    QByteArrayView qth;
    int points = 0; // the stored points as a whole number; NULL and a text that is no number count 0
};

// Calls visit for every contact of the table whose key is above afterKey, in the order of the keys (the
// order logged). Reading from a key on costs only the rows after it. Throws EDatabaseError when the table
// cannot be read.
void ForEachStatsRow(TDM& dm, const QString& table, qint64 afterKey,
                     const std::function<void(const TStatsRow&)>& visit);

// How far the logs database has been written: the rows this program's connection has inserted, changed or
// deleted since it opened (those of triggers included), and the version of the file as other connections
// (other programs) left it. Two equal marks mean nothing was written in between.
struct TLogsWriteMark
{
    qint64 changes = -1;
    qint64 dataVersion = -1;

    bool operator==(const TLogsWriteMark&) const = default;
};

TLogsWriteMark LogsWriteMark(TDM& dm);
