#pragma once

#include "data/LicenceStore.h"

#include <QByteArray>
#include <QByteArrayView>

// The record files of the FCC's amateur licence data (EN.dat, AM.dat, HD.dat): one record a line, fields
// separated by "|", the record type first and the unique system identifier second. Each function reads
// one line (without its line feed; a carriage return before it is dropped) into the row of its table
// and returns false for a line that is not such a record: another record type, an identifier that is
// not a number, no call sign, or fewer fields than the columns kept need.
//
// Text is stored as UTF-8: a line that is not valid UTF-8 is read as Latin-1. The values point into the
// line or into `buffer`, which holds a re-encoded line; both must outlive the row.
namespace UlsRecords {

bool ParseEn(QByteArrayView line, QByteArray& buffer, TEnRow& row);
bool ParseAm(QByteArrayView line, QByteArray& buffer, TAmRow& row);
bool ParseHd(QByteArrayView line, QByteArray& buffer, THdRow& row);

} // namespace UlsRecords
