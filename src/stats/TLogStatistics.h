#pragma once

#include "TStatsEngine.h"

#include "data/StatisticsQueries.h"
#include "data/TDM.h"

#include <QObject>
#include <QString>

// The statistics of the current event log, kept up to date as the log changes. The main window tells it
// which log is current (SetLog) and that the log changed (LogChanged, from its one refresh point); it
// works out what changed by itself:
// - contacts added since it last looked (a typed contact, one from a feed, an import) are read from the
//   end of the table on and added to the figures: no pass over the log;
// - any other change (an edit, a deletion, an undo, a change made by another program) is caught by the
//   database's own count of written rows and reloads the log.
// The score counts are those of the status bar, from the same source (TDM::LogCounts, the log's kept row
// of counts).
class TLogStatistics : public QObject
{
    Q_OBJECT

public:
    explicit TLogStatistics(TDM& dm, QObject* parent = nullptr);

    // Makes a log current and loads it (a pass over the log); an empty name: no log. Throws
    // EDatabaseError when the log cannot be read (the figures are then those of an empty log).
    void SetLog(const QString& table);
    QString Table() const { return fTable; }
    // The log has changed (or may have): brings the figures up to date, incrementally when only contacts
    // were added. Throws EDatabaseError when the log cannot be read.
    void LogChanged();
    // Reads the whole log again.
    void Reload();

    void SetOffTimeThreshold(int minutes);

    const TStatsEngine& Engine() const { return fEngine; }
    // The counts of the status bar: contacts, with a Ten-Ten, EPC or 070 number, total points.
    const TDM::TLogCounts& Counts() const { return fCounts; }
    // How many times the whole log was read since construction (the cost the incremental path saves).
    int FullLoads() const { return fFullLoads; }

signals:
    // The figures changed (a new log, a reload, added contacts, a new threshold).
    void Changed();

private:
    // Reads the contacts after the last key read; returns how many.
    int ReadFrom(qint64 key);
    void ReadCounts();

    TDM& fDM;
    QString fTable;
    TStatsEngine fEngine;
    TDM::TLogCounts fCounts;
    qint64 fLastKey = 0;
    // Whether the counts came from the log's kept row, so every insert also wrote that row by trigger.
    bool fCountsKept = false;
    TLogsWriteMark fMark;
    int fFullLoads = 0;
};
