#pragma once

#include "TContactText.h"

#include "data/TLogRow.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <functional>
#include <utility>

// The ADIF export: the whole log for import into other logging programs, with the club numbers in
// fields of their own (ten_ten, vp, epc, p070) and joined in SRX_STRING.

// The DXCC number of a country name as text, empty when the country is unknown.
using TCountryLookup = std::function<QString(const QString& country)>;

// The DXCC numbers of the countries of a log, each looked up once: a log names the same few countries
// again and again.
class TCountryCodes
{
public:
    explicit TCountryCodes(TCountryLookup lookup) : fLookup(std::move(lookup)) {}
    // The number of a country name, both in UTF-8.
    QByteArray Code(QByteArrayView country);

private:
    TCountryLookup fLookup;
    QHash<QByteArray, QByteArray> fCodes;
};

// The text before the first record: a free-text line, the ADIF version and <EOH>, on lines of their own.
// Each record follows on a line of its own; the file ends with the last record, or with <EOH>.
QByteArray ADIFHeader();

// Appends one field: the prefix (the field's opening, such as " <call:"), the length of the value,
// the data type when one is given (":d"), ">" and the value. The length counts the bytes of the value in
// UTF-8, as ADIF readers count it (the same as its characters for plain ASCII).
void AppendADIFField(QByteArray& out, const char* prefix, const QString& value, const char* type = nullptr);

// Appends the record of one contact (no line end). A column the log lacks writes no field of its own;
// with comments on, the VP, EPC and 070 numbers are repeated in a comment field. The log's own call sign
// (UTF-8), when given, ends the record in a station_callsign field, as logging programs expect on import.
void AppendADIFRecord(QByteArray& out, const TContactText& contact, bool comments, TCountryCodes& dxcc,
                      QByteArrayView stationCallsign);

// The record of one log row held as QString values, as text.
QString ADIFRecord(const TLogRow& row, bool comments, const TCountryLookup& dxcc,
                   const QString& stationCallsign = QString());
