#pragma once

#include "data/tLogRecord.h"

#include <QHash>
#include <QPair>
#include <QString>

class TADIFRecord;
class TDM;

// A contact from an ADIF record, as a typed contact would be written: for the records of an imported ADIF
// file and for the one record of a contact that WSJT-X or JTDX reports.

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
