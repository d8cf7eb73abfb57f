#include "ADIFRecordReader.h"

#include <QStringDecoder>
#include <cstring>

namespace {

bool SameName(QByteArrayView name, const char* lower)
{
    const qsizetype n = qsizetype(std::strlen(lower));
    if (name.size() != n) {
        return false;
    }
    for (qsizetype i = 0; i < n; ++i) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z') {
            c = char(c - 'A' + 'a');
        }
        if (c != lower[i]) {
            return false;
        }
    }
    return true;
}

bool IsNameChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// A count far beyond any file: the reader stops adding digits there, so a long run of digits cannot
// overflow.
constexpr qint64 kMaxCount = qint64(1) << 40;

} // namespace

QString TADIFRecord::Decode(QByteArrayView bytes)
{
    bool ascii = true;
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        return QString::fromLatin1(bytes);
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError()) {
        // Older programs write their own 8-bit code page: keep every byte as a character.
        return QString::fromLatin1(bytes);
    }
    return text;
}

const TADIFRecord::TField* TADIFRecord::Find(const char* name) const
{
    for (const TField& field : fields) {
        if (SameName(field.name, name)) {
            return &field;
        }
    }
    return nullptr;
}

QString TADIFRecord::Value(const char* name) const
{
    const TField* field = Find(name);
    return field ? Decode(field->value) : QString();
}

bool TADIFRecordReader::ReadTag(QByteArrayView& name, qint64& count)
{
    const qsizetype size = fData.size();
    qsizetype p = fPos + 1;
    const qsizetype nameStart = p;
    while (p < size && IsNameChar(fData[p])) {
        ++p;
    }
    if (p == nameStart || p >= size) {
        ++fPos;
        return false;
    }
    name = fData.sliced(nameStart, p - nameStart);
    count = -1;
    if (fData[p] == ':') {
        ++p;
        const qsizetype digitsStart = p;
        qint64 value = 0;
        while (p < size && fData[p] >= '0' && fData[p] <= '9') {
            if (value < kMaxCount) {
                value = value * 10 + (fData[p] - '0');
            }
            ++p;
        }
        if (p == digitsStart) {
            ++fPos;
            return false;
        }
        count = value;
        // An optional data type indicator: one or more letters after a second colon.
        if (p < size && fData[p] == ':') {
            ++p;
            while (p < size && IsNameChar(fData[p])) {
                ++p;
            }
        }
    }
    if (p >= size || fData[p] != '>') {
        ++fPos;
        return false;
    }
    fPos = p + 1;
    return true;
}

bool TADIFRecordReader::Next(TADIFRecord& record)
{
    record.fields.clear();
    record.problem.clear();
    record.number = 0;
    const qsizetype size = fData.size();
    while (fPos < size) {
        const void* open = std::memchr(fData.data() + fPos, '<', size_t(size - fPos));
        if (!open) {
            fPos = size;
            break;
        }
        fPos = static_cast<const char*>(open) - fData.data();
        QByteArrayView name;
        qint64 count = 0;
        if (!ReadTag(name, count)) {
            continue;
        }
        if (count < 0) {
            if (SameName(name, "eor")) {
                fHeaderDone = true;
                record.number = ++fNumber;
                return true;
            }
            if (SameName(name, "eoh") && !fHeaderDone) {
                // What came before belongs to the header.
                fHeaderDone = true;
                record.fields.clear();
            }
            // Any other tag without a count carries no value.
            continue;
        }
        const qsizetype remaining = size - fPos;
        if (count > remaining) {
            record.problem = QStringLiteral("the length %1 of field %2 runs past the end of the file")
                                 .arg(count)
                                 .arg(QString::fromLatin1(name).toUpper());
            record.fields.append({name, fData.sliced(fPos)});
            fPos = size;
            break;
        }
        record.fields.append({name, fData.sliced(fPos, qsizetype(count))});
        fPos += qsizetype(count);
    }
    if (record.fields.isEmpty()) {
        return false;
    }
    // Fields after the last <EOR>: a record cut short, or a header without its <EOH>.
    fHeaderDone = true;
    record.number = ++fNumber;
    if (record.problem.isEmpty()) {
        record.problem = QStringLiteral("the file ends before the record's <EOR>");
    }
    return true;
}
