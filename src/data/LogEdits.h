#pragma once

#include "tLogRecord.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class TDM;

// Reading, changing and removing single contacts of an event log table, by their key (pkey).

// One line of the recent-contacts list.
struct TRecentContact
{
    qint64 key = 0;
    QString date;
    QString time;
    QString call;
    QString mode;
    QString qth;
    QString county;
    QString tenten;
    QString vp;
    QString epc;
    QString p070;
    int points = 0;
};

// The last contacts of a log, newest first (by key), at most limit of them. Reads them from the end of
// the table's key, so the cost does not grow with the size of the log.
QList<TRecentContact> RecentContacts(TDM& dm, const QString& table, int limit);

// The stored contact of a key; nothing when the log holds no such key.
std::optional<tLogRecord> ReadContact(TDM& dm, const QString& table, qint64 key);

// Rewrites the entry-form fields, DXCC number and points of one contact; its key and submit flags stay.
void UpdateContact(TDM& dm, const QString& table, qint64 key, const tLogRecord& rec);

// Removes one contact.
void DeleteContact(TDM& dm, const QString& table, qint64 key);

// The key of the newest contact of a log; nothing for an empty log.
std::optional<qint64> LastContactKey(TDM& dm, const QString& table);

// True when another contact of the log (any key but the one given) holds the call sign, optionally on
// the same mode or in the same county: the duplicate rule for a contact that is being corrected.
bool IsDupeOfOther(TDM& dm, const QString& table, qint64 key, const QString& call,
                   const std::optional<QString>& mode, const std::optional<QString>& county);

// Table names of the logs marked processed, in the order the database returns them.
QStringList ProcessedLogs(TDM& dm);

// Clears the processed mark of a log, so that it is listed among the open logs again.
void ReopenLog(TDM& dm, const QString& table);
