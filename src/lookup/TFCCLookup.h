#pragma once

#include "TFccRec.h"

class TDM;

// Reads one active United States amateur licence from the licence data file that the data module's
// licence connection points at, and turns it into a lookup result.
class TFCCLookup
{
public:
    explicit TFCCLookup(TDM& dm);

    // The active licence of the call sign (compared exactly), or an empty record when there is none.
    // The address is the post-office box when there is one, else the street address. Throws
    // EDatabaseError when the file lacks the licence tables or columns.
    TFccRec GetCall(const QString& callsign);

private:
    TDM& fDM;
};
