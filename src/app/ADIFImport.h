#pragma once

#include "data/LogRules.h"
#include "data/tLogRecord.h"
#include "process/ADIFContact.h"

#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <functional>

class TADIFRecord;
class TDM;
struct TMysettings;

// The contacts of an ADIF file into the current log (File > Import ADIF, the --import-adif command). Each
// record becomes a log row as a typed contact would, is checked with the event's duplicate rule and scored
// as the Log button scores it.

// A record that was not imported, and why.
struct TADIFSkipped
{
    int record = 0;
    QString reason;
};

// The import of one ADIF file: Read finds the contacts and the duplicates, Store adds them to the log.
class TADIFImport
{
public:
    // The log is the configuration record of the log imported into (its table and event).
    TADIFImport(TDM& dm, const TMysettings& log);

    // Reads every record of the file's bytes: each becomes a contact or a skipped record. A contact is a
    // duplicate when the log or an earlier contact of the file holds it under the event's duplicate
    // rule. The progress function is told the bytes read so far.
    void Read(QByteArrayView data, const std::function<void(qsizetype bytesRead)>& progress = {});

    int Records() const { return fRecords; }
    int Contacts() const { return int(fContacts.size()); }
    int Duplicates() const { return fDuplicates; }
    const QList<TADIFSkipped>& Skipped() const { return fSkipped; }

    // Adds the contacts to the log in one transaction (the duplicates only when asked): all of them or,
    // on a database error, none. Returns the number stored. Called once, after Read.
    int Store(bool keepDuplicates, const std::function<void(qsizetype stored)>& progress = {});

    // The summary for the operator: how many were imported, how many were duplicates, and which records
    // were skipped and why (the first few of them).
    QString Summary(int imported, bool keptDuplicates) const;

private:
    QString DupeKey(const tLogRecord& rec) const;
    // Marks the contacts of the file whose key the log holds already.
    void MarkLogDuplicates();

    TDM& fDM;
    const TMysettings& fLog;
    TDupeRule fRule;
    TCountryTable fCountries;
    QList<tLogRecord> fContacts;
    QList<bool> fIsDuplicate;
    QList<TADIFSkipped> fSkipped;
    int fRecords = 0;
    int fDuplicates = 0;
};
