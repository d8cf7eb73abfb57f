#pragma once

#include "data/LicenceStore.h"

#include <QString>
#include <vector>

// The text source of the postal data: a gzip-compressed CSV file whose first line names the columns
// zip, county, state, latitude and longitude (in that order), one ZIP code a line after it, fields
// quoted as in RFC 4180 where they hold a comma. Throws EVantrel when the file cannot be read or a
// line does not have the five fields.
std::vector<TPostalCode> ReadPostalText(const QString& path);
