#pragma once

#include "data/EventNames.h"

#include <QString>

// The rules of logging that need no window: table names, points and the duplicate rule of an event.

// The table name of a new event log: call sign, year and event joined by "_". Every character outside
// A-Z, a-z, 0-9 and "_" becomes "_" (a portable call W1AW/M gives W1AW_M_...), so the name is a plain
// identifier and also a safe file name.
QString FormTableName(const QString& callsign, int year, const QString& event);

// The time of a contact as the log keeps it, hours and minutes "hh:mm", from any of the forms contacts
// arrive in: "hhmm" and "hhmmss" (ADIF, as WSJT-X and fldigi write TIME_ON), "hh:mm" and "hh:mm:ss". The
// seconds are dropped (the submission log's time column holds four digits). Any other text, and a time that
// is none (25:00), is returned unchanged.
QString ContactTime(const QString& time);

// What one contact scores and which counters it raises.
struct TContactScore
{
    int points = 0; // P: what the running total rises by
    int stored = 0; // what is stored with the contact (0 in a General Log)
    bool withTenTen = false;
    bool withEpc = false;
    bool with070 = false;
};

// A Ten-Ten number scores 2 (3 in Weak Signal), a contact without one (not a whole number, or "0")
// scores 1; in Open Season an EPC and a 070 number add one point each.
TContactScore ScoreContact(const QString& event, const QString& tenten, const QString& epc,
                           const QString& p070);

// What else, besides the call sign, makes a contact a duplicate in an event.
enum class TDupeRule
{
    SameCall,          // once per log
    SameCallAndMode,   // Spirit Of 76: once per mode
    SameCallAndCounty, // Mobile: once per county
};

TDupeRule DupeRuleOf(const QString& event);
