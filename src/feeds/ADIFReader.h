#pragma once

#include "data/tLogRecord.h"

#include <QString>

// Reading the contact that FLdigi writes into its temporary ADIF log file. Every search finds the first
// occurrence in the whole text, so a file holding several records is read as one contact.
//
// A field is "<TAG:count>value" or, with a data-type indicator, "<TAG:count:type>value". A count that is
// not a whole number, or a field without its closing ">", throws EVantrel; a count larger than the text
// that follows takes what is there.

// The value of a field (tag such as "<CALL:"), upper-cased; the tag is found whatever its letter case.
// A missing tag or a count of 0 gives empty text.
QString ProcessADIFTag(const QString& tag, const QString& line);

// The QSO date (tag "<qso_date:") as yyyy-mm-dd; empty without the tag. Eight characters yyyymmdd are
// expected; a value of another length is used when its digits make eight, else the date is empty.
QString ProcessADIFDate(const QString& tag, const QString& line);

// The time (tag "<TIME_ON:") with ":" between the digit pairs: hhmmss gives hh:mm:ss, hhmm gives hh:mm;
// empty without the tag.
QString ProcessADIFTime(const QString& tag, const QString& line);

// The contact of a file: date, time, call sign, name, comment (NOTES), mode, QTH (STATE, or "DX" for a
// COUNTRY without a STATE), US county (the part of CNTY after its first comma), Ten-Ten number and the
// EPC and 070 numbers of SRX_STRING ("EPC:123 070:45"). The VP number is never read from the file.
tLogRecord ProcessADIFLine(const QString& line);

// True when the text holds an end-of-record marker "<EOR>" (any letter case): FLdigi has finished
// writing the record.
bool HasEndOfRecord(const QString& text);
