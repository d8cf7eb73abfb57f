#pragma once

#include "data/TDM.h"
#include "process/SubmissionLog.h"

#include <QDate>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

struct TMysettings;
struct TContactScore;

// The log being worked: its configuration record, whether one is current, and its score counters, which
// follow what this program and other programs change in "logs.db". The window shows the counters when
// CountersChanged is signalled.
class TCurrentLog : public QObject
{
    Q_OBJECT

public:
    TCurrentLog(TDM& dm, TMysettings& rec, QObject* parent = nullptr);

    // Readies a log's table for work and reads its configuration record into rec: a table of an older
    // layout is converted (a temp_table left by a conversion that did not finish is kept under another
    // name, told to keptAside before anything else is done), the call-sign index is made. The one way a
    // log is opened, by the window and by the headless ADIF import. Throws EDatabaseError.
    static void ReadyLog(TDM& dm, const QString& table, TMysettings& rec, const QDate& today,
                         const std::function<void(const QString& aside)>& keptAside = {});

    // Opens a log as ReadyLog does and counts it; only a log whose table can be counted has its record
    // taken. The caller makes it current with the counts.
    TDM::TLogCounts Open(const QString& table, const QDate& today);

    TMysettings& Record() { return fRec; }
    const TMysettings& Record() const { return fRec; }
    QString TableName() const;
    bool IsCurrent() const { return fCurrent; }
    void SetCurrent() { fCurrent = true; }

    int ctx_with() const { return fctxwith; }
    int ctx_without() const { return fctxwithout; }
    int ctx_epc() const { return fctxepc; }
    int ctx_070() const { return fctx070; }
    int totalpoints() const { return ftotalpoints; }
    void Setctx_with(int value);
    void Setctx_without(int value);
    void Setctx_epc(int value);
    void Setctx_070(int value);
    void SetTotalpoints(int value);
    // Sets the five counters from counts of the log's table.
    void SetCounters(const TDM::TLogCounts& counts);
    // Raises the counters by a logged contact's score.
    void RaiseCounters(const TContactScore& score);
    // Sets the five counters from the current log's table.
    void RecountScores();
    // Recounts when another program (a script's ADIF import, a second copy of the program) has changed
    // "logs.db" since the last look; true when the current log was recounted and its table may have
    // changed.
    bool FollowLogFile();
    // The counters as Process Contest reads them.
    TScoreCounters Score() const { return TScoreCounters{fctxwith, fctxwithout, ftotalpoints}; }

signals:
    // One of the counters changed.
    void CountersChanged();
    // Opening a log kept a table left by an unfinished conversion under the name aside.
    void TableKeptAside(const QString& table, const QString& aside);

private:
    TDM& fDM;
    TMysettings& fRec;
    bool fCurrent = false;
    int fctxwith = 0;
    int fctxwithout = 0;
    int fctxepc = 0;
    int fctx070 = 0;
    int ftotalpoints = 0;
    // The data version of "logs.db" that the counters were last brought up to date with.
    std::optional<qint64> fLogsVersion;
};
