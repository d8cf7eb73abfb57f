#pragma once

#include "LogRules.h"
#include "data/tLogRecord.h"

#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <functional>

class TADIFRecord;
class TDM;
struct TMysettings;

// Contacts from ADIF records into the current log: the records of an ADIF file (File > Import ADIF, the
// --import-adif command) and the one record of a contact that WSJT-X or JTDX reports. Each record becomes a
// log row as a typed contact would, is checked with the event's duplicate rule and scored as the Log
// button scores it.

// Country names and DXCC numbers of the `country` table.
class TCountryTable
{
public:
    void Load(TDM& dm);
    // The table's own spelling of a country name (letter case ignored) and its number; false when the
    // name is not in the table.
    bool Find(const QString& name, QString& canonical, int& dxcc) const;
    // The country name of a DXCC number; empty when the number is not in the table.
    QString NameOf(int dxcc) const { return fNames.value(dxcc); }

private:
    QHash<QString, QPair<QString, int>> fByName; // lower-case name -> name, number
    QHash<int, QString> fNames;
};

// Turns one ADIF record into a contact: call (upper case), name, date and time (yyyy-mm-dd, HH:MM), mode
// (the submode where there is one, except under SSB), QTH (STATE: a US state; else COUNTRY, or the
// country of DXCC), the US county of CNTY "ST,County", the club numbers (TEN_TEN, VP, EPC and P070, or
// the numbers joined in SRX_STRING) and COMMENT. A Ten-Ten number of 0 stands for none. DXCC is 0 for a
// US state, as for a typed contact. Returns why the record cannot become a contact; empty when it can.
QString ContactFromADIF(const TADIFRecord& record, const TCountryTable& countries, tLogRecord& rec);

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
