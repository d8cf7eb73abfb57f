#pragma once

#include <QHash>
#include <QString>

class TDM;

// What a spotted call means for the open log.
enum class TSpotStatus
{
    New,    // not in the log: it counts
    Dupe,   // it would be a duplicate under the event's rule
    Worked, // in the log, and it may still count: the event counts a station once per county, and a spot
            // does not say the county
};

struct TSpotStanding
{
    TSpotStatus status = TSpotStatus::New;
    QString tenten; // the Ten-Ten number of a roster member, empty for a station in no roster
};

// Classifies spotted calls against the open log under its event's duplicate rule (once per log, once per
// mode, once per county), and looks them up in the Ten-Ten roster. The standing in the log is kept per call
// and mode until the log or its contacts change (call Forget after a contact is logged, edited or deleted);
// a call's roster number is kept until the rosters change (ForgetRosters), so that a logged contact checks
// the calls against the log again without looking each up in the roster again.
class TSpotClassifier
{
public:
    explicit TSpotClassifier(TDM& dm) : fDM(dm) {}

    // The log the spots are checked against (its table and event); an empty table makes every call new.
    void SetLog(const QString& table, const QString& event);
    void Forget() { fStatus.clear(); }
    void ForgetRosters() { fMembers.clear(); }

    // The standing of a call; mode is the mode the contact would be made in (the spot's, else the entry
    // form's), used by an event that counts a station once per mode. A log or roster that cannot be read
    // counts as one without the call.
    TSpotStanding Classify(const QString& call, const QString& mode);

private:
    TSpotStatus StatusOf(const QString& call, const QString& mode);
    QString MemberNumber(const QString& call);

    TDM& fDM;
    QString fTable;
    QString fEvent;
    // By call (and mode, when the event counts a station once per mode).
    QHash<QString, TSpotStatus> fStatus;
    // The Ten-Ten number by call, empty for a station in no roster.
    QHash<QString, QString> fMembers;
};
