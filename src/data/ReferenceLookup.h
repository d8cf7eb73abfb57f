#pragma once

#include <QString>

class TDM;

// Country of a call sign from the reference tables of "config.db": the longest leading part of the call
// that stands in the `old` column of `prefix` gives the entity's main prefix (`new`), and the `country` row
// with that prefix gives the name. Empty text when no leading part is known or no country has the prefix.
// Runs on the shared query of the reference database; a statement failure throws EDatabaseError.
QString CountryOfCall(TDM& dm, const QString& call);
