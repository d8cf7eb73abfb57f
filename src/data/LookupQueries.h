#pragma once

#include <QString>
#include <optional>

class TDM;

// The statements of the call-sign lookup: the licence data file ("fccdata.db" on conLookup), the postal
// data file ("postal.db" on conPostal) and the club rosters of "config.db". Values are always bound, so
// a call sign holding a quote simply finds nothing. Each function reads its result completely and
// throws EDatabaseError when a table or column is missing.

// The licence columns of one active licence ("A" status).
struct TLicenceRow
{
    QString callSign;
    QString entityName;
    QString firstName;
    QString lastName;
    QString poBox;
    QString streetAddress;
    QString city;
    QString state;
    QString zipCode;
    QString operatorClass;
    QString previousCallsign;
    // Empty when no table of the file carries a county column.
    QString county;
};

// The first active licence of the call sign (compared exactly, case included), joined from fcc_en,
// fcc_am and fcc_hd; a column present in more than one table is taken from the first of them.
std::optional<TLicenceRow> FindActiveLicence(TDM& dm, const QString& callsign);

struct TPostalRow
{
    QString county;
    QString latitude;
    QString longitude;
};

// The `zipcodes` row of a zip code.
std::optional<TPostalRow> FindZipCode(TDM& dm, const QString& zip);

struct TRosterNumbers
{
    QString tenten;
    QString vp;
    QString epc;
    QString p070;
};

// The club numbers of a call sign: the Ten-Ten roster is searched with the call sign in upper case, the
// EPC and 070 rosters with the call sign as given.
TRosterNumbers FindRosterNumbers(TDM& dm, const QString& callsign);
// The Ten-Ten number alone (the `ten` column of its row in `tenten`), empty for a call in no roster.
QString FindTenTenNumber(TDM& dm, const QString& callsign);
