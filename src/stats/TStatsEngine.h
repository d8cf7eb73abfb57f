#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Minutes since 1970-01-01 00:00 UTC: the time of a contact to the minute, as its log row holds it.
using TMinute = qint64;

// The UTC minute of a contact's stored date and time; nothing when either is empty or not a valid date or
// time. The date is yyyy-MM-dd (as the program stores it) or yyyyMMdd, the time HH:mm (as stored), HHmm or
// H:mm (typed in off-line logging) or HH:mm:ss (seconds are dropped); blanks around them are ignored.
std::optional<TMinute> ContactMinute(QByteArrayView date, QByteArrayView time);
// The UTC minute a moment falls in.
TMinute MinuteOf(const QDateTime& moment);
// The UTC date and time of a minute.
QDateTime MinuteTime(TMinute minute);
// The first minute of the UTC hour a minute falls in.
TMinute HourStart(TMinute minute);

// A QTH of exactly two characters is a US state code, anything else a DX country (the rule of the
// submission log).
inline bool IsStateQth(const QString& qth)
{
    return qth.size() == 2;
}

// A number of contacts over a span of minutes.
struct TRate
{
    int contacts = 0;
    qint64 minutes = 0;
    // Contacts per hour; 0 without contacts.
    double PerHour() const { return minutes > 0 ? contacts * 60.0 / double(minutes) : 0.0; }
};

// The 60 minutes of the log that hold the most contacts: the minutes start to start + 59.
struct TBestHour
{
    int contacts = 0;
    TMinute start = 0;
};

// A time off the air: from the last contact before it to the first contact after it.
struct TOffTime
{
    TMinute from = 0;
    TMinute to = 0;
    qint64 Minutes() const { return to - from; }
};

// Contacts of one UTC hour and the points they scored.
struct THourCount
{
    int contacts = 0;
    qint64 points = 0;
};

// The names with the most contacts, most first (ties by name), and the contacts of all the others.
struct TBreakdown
{
    QList<QPair<QString, int>> top;
    int other = 0;
};

// The figures of a log, kept up to date contact by contact: a contact is added in time logarithmic in the
// number of distinct minutes of the log, and every figure is read without a pass over the log.
//
// Every contact counts in Contacts(); only those with a valid date and time (Timed()) count in the rates,
// the times and the charts, the others are LeftOut(). Definitions, all by the contacts' own UTC date and
// time, to the minute:
// - contacts in the last N minutes at minute "now": those of the minutes now - N + 1 to now;
// - the rate of the last N contacts: the N latest contacts (fewer when the log holds fewer) over the
//   minutes from the first minute of the N-th latest to the end of the latest's minute, so N contacts
//   within one minute are N per minute;
// - the best hour: the 60 minutes (start to start + 59, start a contact's minute) holding the most
//   contacts, the earliest of equal ones;
// - an off-time: a gap between two consecutive contacts longer than the threshold (strictly), from the
//   first to the second; time on the air: the span from the first to the last contact less the
//   off-times (0 for a single contact).
class TStatsEngine
{
public:
    static constexpr int kDefaultOffTime = 30;

    explicit TStatsEngine(int offTimeMinutes = kDefaultOffTime);

    // Forgets every contact; the threshold stays.
    void Clear();
    // A full load: Clear(), then Add() every contact, then EndLoad(). The figures that span the log (the
    // best hour, the off-times) are worked out once at the end instead of after every contact.
    void BeginLoad();
    void EndLoad();
    // One contact: its minute (nothing when its date or time is not valid), points, mode and QTH.
    void Add(std::optional<TMinute> minute, int points, QByteArrayView mode, QByteArrayView qth);

    // Off-times are gaps longer than this many minutes (at least 1).
    void SetOffTimeThreshold(int minutes);
    int OffTimeThreshold() const { return fThreshold; }

    int Contacts() const { return fContacts; }
    int Timed() const { return fTimed; }
    int LeftOut() const { return fContacts - fTimed; }

    // Rate.
    int InLastMinutes(TMinute now, int minutes) const;
    // Contacts of the UTC hour the minute falls in.
    int InHourOf(TMinute minute) const;
    TRate LastContacts(int n) const;
    TBestHour BestHour() const { return fBest; }

    // Time.
    std::optional<TMinute> First() const;
    std::optional<TMinute> Last() const;
    qint64 TimeOn() const;
    QList<TOffTime> OffTimes() const;
    qint64 OffTotal() const { return fOffTotal; }

    // Charts: contacts and points of each UTC hour with contacts, by the hour's first minute / 60.
    const std::map<qint64, THourCount>& Hours() const { return fHours; }
    // Points of the contacts that count in the charts.
    qint64 TimedPoints() const { return fTimedPoints; }
    // Contacts by mode and by QTH, over the contacts with a valid date and time.
    TBreakdown Modes(int top) const;
    TBreakdown Qths(int top) const;

private:
    // Contacts by name (mode, QTH): an open-addressing table over the few names a log holds, cheaper per
    // contact than a general hash map, and the name of the contact before tried first.
    class TNameCounts
    {
    public:
        TNameCounts() { Clear(); }
        void Clear();
        void Add(QByteArrayView name);
        TBreakdown Breakdown(int top) const;

    private:
        struct TEntry
        {
            quint64 hash;
            int count;
            std::string name;
        };
        std::vector<TEntry> fEntries;
        std::vector<int> fSlots; // index into fEntries + 1; 0 is a free slot
        int fLast = -1;
    };

    void AddGap(TMinute from, TMinute to);
    void RemoveGap(TMinute from, TMinute to);
    void FindOffTimes();
    void FindBestHour();
    // Looks at the 60-minute windows that hold the minute, after a contact was added to it.
    void BestHourAround(TMinute minute);

    int fThreshold;
    bool fLoading = false;
    int fContacts = 0;
    int fTimed = 0;
    qint64 fTimedPoints = 0;
    std::map<TMinute, int> fMinutes; // contacts of each minute with contacts
    std::map<qint64, THourCount> fHours;
    std::map<TMinute, TMinute> fOff; // off-times, from -> to
    qint64 fOffTotal = 0;
    TBestHour fBest;
    TNameCounts fModes;
    TNameCounts fQths;
    // The entries the last contact went to: a log's contacts mostly follow each other in the same minute
    // and hour.
    std::map<TMinute, int>::iterator fLastMinute;
    std::map<qint64, THourCount>::iterator fLastHour;
};
