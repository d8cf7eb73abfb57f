#pragma once

#include "data/tLogRecord.h"

#include <QByteArrayView>
#include <QString>

// Reading the contact that FLdigi writes into its temporary ADIF log file, given as the file's bytes
// (UTF-8, as fldigi writes it). Every search finds the first occurrence in the whole text, so a file
// holding several records is read as one contact.
//
// A field is "<TAG:count>value" or, with a data-type indicator, "<TAG:count:type>value". The count is the
// number of bytes of the value, as fldigi and the ADIF standard count it; when a byte count ends
// inside a multi-byte character, or the text after it is no next tag while the same number of characters
// is followed by one (a program that counts characters), the value is read by characters. A value that is
// no valid UTF-8 is read one character per byte. A count that is not a whole number, or a field without
// its closing ">", throws EVantrel; a count larger than the text that follows takes what is there.

// The value of a field (tag such as "<CALL:"), upper-cased; the tag is found whatever its letter case.
// A missing tag or a count of 0 gives empty text.
QString ProcessADIFTag(const QString& tag, QByteArrayView text);

// The QSO date (tag "<qso_date:") as yyyy-mm-dd; empty without the tag. Eight characters yyyymmdd are
// expected; a value of another length is used when its digits make eight, else the date is empty.
QString ProcessADIFDate(const QString& tag, QByteArrayView text);

// The time (tag "<TIME_ON:") as the log keeps it, hh:mm (ContactTime): hhmmss and hhmm both give hh:mm;
// empty without the tag.
QString ProcessADIFTime(const QString& tag, QByteArrayView text);

// The contact of a file: date, time, call sign, name, comment (NOTES), mode, QTH (STATE, or "DX" for a
// COUNTRY without a STATE), US county (the part of CNTY after its first comma), Ten-Ten number and the
// EPC and 070 numbers of SRX_STRING ("EPC:123 070:45"). The VP number is never read from the file.
tLogRecord ProcessADIFLine(QByteArrayView text);

// True when the text holds an end-of-record marker "<EOR>" (any letter case): FLdigi has finished
// writing the record.
bool HasEndOfRecord(QByteArrayView text);
