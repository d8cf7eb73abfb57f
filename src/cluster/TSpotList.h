#pragma once

#include "SpotLine.h"

#include <QDateTime>
#include <QStringList>
#include <vector>

// A call sign as the band map shows it: the latest spot of the call and when it was heard.
struct TBandSpot
{
    // Times are kept in UTC: two local times are compared through the time zone, thousands of times a
    // refresh on a full map.
    TSpot spot;           // the latest spot of the call
    QDateTime firstHeard; // when the first spot of the call arrived
    QDateTime lastHeard;  // when the latest arrived
    int count = 0;        // how many spots of the call arrived
    QStringList spotters; // who spotted it, latest first, each once
};

// The spots on the band map: one entry per call sign (repeated spots of a call merge into one, the latest
// frequency and comment taking over), each leaving once it has not been spotted for the longest age. Held
// in order of frequency, the most recently heard first at one frequency. The number of calls is bounded:
// past kMaxCalls the least recently heard leaves, so a flood of spots holds no more memory than that.
class TSpotList
{
public:
    static constexpr int kMaxCalls = 2000;
    static constexpr int kDefaultMaxAgeMinutes = 30;

    void SetMaxAge(int minutes) { fMaxAgeSecs = qint64(std::max(1, minutes)) * 60; }
    int MaxAgeMinutes() const { return int(fMaxAgeSecs / 60); }

    // Takes a spot heard at a time; true when the call was not on the list before.
    bool Add(const TSpot& spot, const QDateTime& heard);
    // Removes the calls last heard longer ago than the age; returns how many left.
    int Expire(const QDateTime& now);
    void Clear() { fSpots.clear(); }

    const std::vector<TBandSpot>& Spots() const { return fSpots; }
    // The place of a call on the list, -1 when it is not there.
    int IndexOf(const QString& call) const;

private:
    void Insert(TBandSpot entry);

    std::vector<TBandSpot> fSpots;
    qint64 fMaxAgeSecs = qint64(kDefaultMaxAgeMinutes) * 60;
};
