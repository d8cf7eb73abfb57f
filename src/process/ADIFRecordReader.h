#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// Reading the records of an ADIF file (.adi) as other logging programs write it: an optional header
// ended by <EOH>, then fields "<NAME:count>value" or "<NAME:count:type>value" up to each <EOR>. Tags are
// read in any letter case; the count is the number of bytes of the value (UTF-8 text counts each byte);
// text outside the fields (blanks, line ends, free text of the header) is skipped. A record is read field
// by field by its counts, so a "<" inside a value is never taken for a tag.

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

    // A value's bytes as text: UTF-8, or one character per byte when the bytes are no valid UTF-8.
    static QString Decode(QByteArrayView bytes);

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
    // Reads the tag that starts at fPos ("<"): on success fills name, the count (-1 without one) and
    // moves fPos past the ">". A text that is no tag moves fPos one byte on.
    bool ReadTag(QByteArrayView& name, qint64& count);

    QByteArrayView fData;
    qsizetype fPos = 0;
    int fNumber = 0;
    bool fHeaderDone = false;
};
