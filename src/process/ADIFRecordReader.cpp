#include "ADIFRecordReader.h"

#include "Utf8.h"

#include <QStringDecoder>
#include <algorithm>
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

// The most characters of a value that a message quotes.
constexpr qsizetype kQuotedChars = 60;

// The text of a name or a count as a message shows it: ASCII, cut after 60 characters with "…" and the
// whole length.
QString ShortText(QByteArrayView text)
{
    if (text.size() <= kQuotedChars) {
        return QString::fromLatin1(text);
    }
    return QString::fromLatin1(text.first(kQuotedChars)) +
           QStringLiteral("\u2026 (%1 bytes)").arg(text.size());
}

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

QString TADIFRecord::Quoted(QByteArrayView bytes)
{
    // The beginning, cut where a character starts, is enough for 60 characters.
    qsizetype take = std::min<qsizetype>(bytes.size(), 4 * kQuotedChars + 4);
    while (take > 0 && take < bytes.size() && Utf8::IsContinuation(bytes[take])) {
        --take;
    }
    QString text = Decode(bytes.first(take)).trimmed();
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator) {
            c = QLatin1Char(' ');
        }
    }
    if (text.size() <= kQuotedChars && take == bytes.size()) {
        return QLatin1Char('"') + text + QLatin1Char('"');
    }
    qsizetype cut = std::min(text.size(), kQuotedChars);
    if (cut > 0 && text[cut - 1].isHighSurrogate()) {
        --cut;
    }
    return QLatin1Char('"') + text.first(cut) + QStringLiteral("\u2026\" (%1 bytes)").arg(bytes.size());
}

QByteArrayView TADIFRecord::Raw(const char* name) const
{
    const TField* field = Find(name);
    return field ? field->value : QByteArrayView();
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

bool TADIFRecordReader::ParseTag(qsizetype pos, TTag& tag) const
{
    const qsizetype size = fData.size();
    qsizetype p = pos + 1;
    const qsizetype nameStart = p;
    while (p < size && IsNameChar(fData[p])) {
        ++p;
    }
    if (p == nameStart || p >= size) {
        return false;
    }
    tag.name = fData.sliced(nameStart, p - nameStart);
    tag.count = -1;
    tag.countText = {};
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
            return false;
        }
        tag.count = value;
        tag.countText = fData.sliced(digitsStart, p - digitsStart);
        // An optional data type indicator: one or more letters after a second colon.
        if (p < size && fData[p] == ':') {
            ++p;
            while (p < size && IsNameChar(fData[p])) {
                ++p;
            }
        }
    }
    if (p >= size || fData[p] != '>') {
        return false;
    }
    tag.end = p + 1;
    return true;
}

bool TADIFRecordReader::TagFollows(qsizetype pos) const
{
    const qsizetype size = fData.size();
    while (pos < size &&
           (fData[pos] == ' ' || fData[pos] == '\t' || fData[pos] == '\r' || fData[pos] == '\n')) {
        ++pos;
    }
    TTag tag;
    return pos == size || (fData[pos] == '<' && ParseTag(pos, tag));
}

qsizetype TADIFRecordReader::ValueEnd(qsizetype pos, qsizetype count) const
{
    const qsizetype byteEnd = pos + count;
    // Plain ASCII, by far the most common value, has as many characters as bytes.
    const char* begin = fData.data() + pos;
    if (std::all_of(begin, begin + count, [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return byteEnd;
    }
    // The end of count characters of valid UTF-8; none when the text is no UTF-8 (an 8-bit code page,
    // whose bytes are its characters) or runs out first.
    const qsizetype size = fData.size();
    qsizetype charEnd = pos;
    for (qsizetype n = 0; n < count; ++n) {
        if (charEnd >= size) {
            return byteEnd;
        }
        const auto lead = static_cast<unsigned char>(fData[charEnd]);
        const qsizetype length = lead < 0x80   ? 1
                                 : lead < 0xC2 ? 0
                                 : lead < 0xE0 ? 2
                                 : lead < 0xF0 ? 3
                                 : lead < 0xF5 ? 4
                                               : 0;
        if (length == 0 || charEnd + length > size) {
            return byteEnd;
        }
        for (qsizetype i = 1; i < length; ++i) {
            if (!Utf8::IsContinuation(fData[charEnd + i])) {
                return byteEnd;
            }
        }
        charEnd += length;
    }
    if (charEnd == byteEnd) {
        return byteEnd;
    }
    const bool splitsCharacter = byteEnd < size && Utf8::IsContinuation(fData[byteEnd]);
    if ((splitsCharacter || !TagFollows(byteEnd)) && TagFollows(charEnd)) {
        return charEnd;
    }
    return byteEnd;
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
        TTag tag;
        if (!ParseTag(fPos, tag)) {
            ++fPos;
            continue;
        }
        fPos = tag.end;
        const QByteArrayView name = tag.name;
        if (tag.count < 0) {
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
        if (tag.count > remaining) {
            // The count as written, however long: a number too large for any file is not cut to fit.
            record.problem = QStringLiteral("the length %1 of field %2 runs past the end of the file")
                                 .arg(ShortText(tag.countText), ShortText(name).toUpper());
            record.fields.append({name, fData.sliced(fPos)});
            fPos = size;
            break;
        }
        const qsizetype end = ValueEnd(fPos, qsizetype(tag.count));
        record.fields.append({name, fData.sliced(fPos, end - fPos)});
        fPos = end;
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
