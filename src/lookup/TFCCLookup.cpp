#include "TFCCLookup.h"

#include "data/LookupQueries.h"

TFCCLookup::TFCCLookup(TDM& dm) : fDM(dm) {}

TFccRec TFCCLookup::GetCall(const QString& callsign)
{
    TFccRec rec;
    const auto row = FindActiveLicence(fDM, callsign);
    if (!row) {
        return rec;
    }
    rec.callsign = row->callSign;
    rec.entityname = row->entityName;
    rec.firstname = row->firstName;
    rec.lastname = row->lastName;
    rec.prevcall = row->previousCallsign;
    rec.address = row->poBox.isEmpty() ? row->streetAddress : row->poBox;
    rec.city = row->city;
    rec.state = row->state;
    rec.zipcode = row->zipCode;
    rec.opclass = row->operatorClass;
    rec.county = row->county;
    return rec;
}
