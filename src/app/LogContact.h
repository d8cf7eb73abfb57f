#pragma once

#include "data/LogRules.h"
#include "data/SyncStore.h"
#include "data/tLogRecord.h"

#include <QString>
#include <optional>
#include <utility>

class TDM;
struct TMysettings;

// Every path that adds or changes a contact logs it here: the Log button, the logging server, FLdigi,
// WSJT-X and JTDX, the ADIF import and Edit Contact. The event's duplicate rule, the score and the store
// are applied the same way for all of them; a window only shows what happened.

// What a contact is compared on under an event's duplicate rule: the call sign always, and the mode or the
// county when the rule asks for it. The one place that chooses the rule's columns.
struct TDupeKey
{
    QString call;
    std::optional<QString> mode;
    std::optional<QString> county;

    // The key as one text, for a set of the keys of many contacts.
    QString Text() const;
    bool operator==(const TDupeKey&) const = default;
};

TDupeKey DupeKeyOf(TDupeRule rule, const tLogRecord& rec);

// What a path does with a contact that is a duplicate in the log.
enum class TOnDuplicate
{
    Refuse,    // not stored (the Log button, the logging server, WSJT-X, an edit)
    LogAnyway, // stored all the same, and said so (FLdigi auto logging)
};

// A contact to write: a new one, or the change of a stored one (Edit Contact).
struct TContactEntry
{
    TContactEntry() = default;
    TContactEntry(tLogRecord contact, TOnDuplicate how = TOnDuplicate::Refuse)
        : rec(std::move(contact)), onDuplicate(how)
    {}

    tLogRecord rec;
    TOnDuplicate onDuplicate = TOnDuplicate::Refuse;
    // The change of a stored contact: its key and what the log holds for it now. Only a change of what the
    // rule compares can make it a duplicate, so a log that holds a duplicate already (a feed's contact
    // logged anyway) can still be corrected otherwise.
    qint64 key = 0;
    std::optional<tLogRecord> stored;
};

// What logging one contact came to.
struct TLogResult
{
    enum class TOutcome
    {
        Logged,    // stored (or, for a change, rewritten)
        NoLog,     // no log is open: nothing stored
        Duplicate, // a duplicate refused: nothing stored
    };
    TOutcome outcome = TOutcome::NoLog;
    // A duplicate under the event's rule, also when it was logged anyway.
    bool duplicate = false;
    // What a new contact scored, when it was stored: the counters rise by it. (A change leaves it empty:
    // the counters are counted again.)
    TContactScore score;

    bool Logged() const { return outcome == TOutcome::Logged; }
};

// Scores a contact under the log's event and sets the points stored with it; returns the score.
TContactScore ScoreForLog(const TMysettings& log, tLogRecord& rec);

// True when the entry would be a duplicate in the log under the event's rule (for a change: a duplicate of
// another contact, and only when the change touches what the rule compares). Throws EDatabaseError.
bool IsDuplicateEntry(TDM& dm, const TMysettings& log, const TContactEntry& entry);

// Logs one contact into the log whose configuration record is given (its table and event): with no table
// nothing is stored; a duplicate is refused or logged anyway as the entry asks; a contact stored is scored
// first. A change rewrites the stored contact. Throws EDatabaseError when the row cannot be written.
TLogResult LogContact(TDM& dm, const TMysettings& log, TContactEntry entry);

// The storing part of LogContact, for a contact that is taken as it is (no duplicate check, no scoring):
// adds it to the log, or with a key rewrites the stored contact of that key. Throws EDatabaseError.
void StoreContact(TDM& dm, const QString& table, const tLogRecord& rec, std::optional<qint64> key = {});

// How the contacts another position of a shared log logged are written here: through StoreContact, never
// refused (a station worked twice, at two positions, is kept twice); a deletion removes the contact.
TRemoteLogging RemoteContactLogging(TDM& dm);
