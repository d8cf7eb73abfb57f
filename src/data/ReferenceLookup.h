#pragma once

#include <QString>

class TDM;

// Country of a call sign from the reference tables of "config.db": the longest leading part of the call
// that stands in the `old` column of `prefix` gives the entity's main prefix (`new`), and the `country` row
// with that prefix gives the name. Empty text when no leading part is known or no country has the prefix.
// Runs on the shared query of the reference database; a statement failure throws EDatabaseError.
QString CountryOfCall(TDM& dm, const QString& call);

// The code of the US state that a country of the reference tables is: Alaska and Hawaii are entities of
// their own for DXCC, yet states for the club's events. Empty text for any other country.
QString UsStateOfCountry(const QString& country);
