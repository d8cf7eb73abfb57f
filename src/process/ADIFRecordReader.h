#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// Reading the records of an ADIF file (.adi) as other logging programs write it: an optional header
// ended by <EOH>, then fields "<NAME:count>value" or "<NAME:count:type>value" up to each <EOR>. Tags are
// read in any letter case; text outside the fields (blanks, line ends, free text of the header) is
// skipped. A record is read field by field by its counts, so a "<" inside a value is never taken for a tag.
//
// The count is the number of bytes of the value: UTF-8 text counts each byte, as WSJT-X and fldigi write
// it. Some programs (loggers written in Python among them) count the characters of UTF-8 text instead; a
// value is read by characters when its byte count ends inside a UTF-8 character, or when the text after
// it is not the next tag while the text after its characters is.

// One record of the file. Its fields refer to the bytes the reader was given, which must outlive it.
class TADIFRecord
{
public:
    struct TField
    {
        QByteArrayView name;
        QByteArrayView value;
    };

    // The position of the record in the file, from 1.
    int number = 0;
    // Why the record is incomplete (a field running past the end of the file, no <EOR> at the end);
    // empty for a complete record.
    QString problem;
    QList<TField> fields;

    // True when the record holds the field (name in lower case; the file's letter case does not matter).
    bool Has(const char* name) const { return Find(name) != nullptr; }
    // The value of a field, decoded as UTF-8 (or, when it is no valid UTF-8, one character per byte);
    // empty text when the record lacks the field.
    QString Value(const char* name) const;

    // The bytes of a field's value; empty when the record lacks the field.
    QByteArrayView Raw(const char* name) const;

    // A value's bytes as text: UTF-8, or one character per byte when the bytes are no valid UTF-8.
    static QString Decode(QByteArrayView bytes);
    // A value as a message quotes it, in double quotes, on one line and without blanks at either end. A
    // value longer than 60 characters is cut there, followed by "…" and its whole length in bytes; only
    // its beginning is decoded, so a huge value costs nothing.
    static QString Quoted(QByteArrayView bytes);

private:
    const TField* Find(const char* name) const;
};

class TADIFRecordReader
{
public:
    // The reader keeps a view of the bytes: they must outlive it and every record read.
    explicit TADIFRecordReader(QByteArrayView data) : fData(data) {}

    // Reads the next record; false once the data holds no further record. Fields before <EOH> belong to
    // the header and are not returned. Fields after the last <EOR> make a last record with a problem.
    bool Next(TADIFRecord& record);

    // How far the reader has come, in bytes of the data.
    qsizetype Position() const { return fPos; }

private:
    struct TTag
    {
        QByteArrayView name;
        qint64 count = -1;        // -1 without a count
        QByteArrayView countText; // the count's digits as written
        qsizetype end = 0;        // the position after the ">"
    };
    // Reads the tag that starts at a "<"; false when the text there is no tag.
    bool ParseTag(qsizetype pos, TTag& tag) const;
    // True when the next tag (after blanks and line ends), or the end of the data, follows the position.
    bool TagFollows(qsizetype pos) const;
    // The end of a value of count units that starts at pos: count bytes, or count characters where the
    // writer counted characters (see above). The count bytes lie within the data.
    qsizetype ValueEnd(qsizetype pos, qsizetype count) const;

    QByteArrayView fData;
    qsizetype fPos = 0;
    int fNumber = 0;
    bool fHeaderDone = false;
};
