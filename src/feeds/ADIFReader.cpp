#include "ADIFReader.h"

#include "app/LogRules.h"
#include "data/Errors.h"
#include "process/ADIFRecordReader.h"
#include "process/Utf8.h"

#include <QStringList>
#include <array>
#include <optional>

namespace {

// What a tag of the reader's table yields.
enum class TUse
{
    None,
    Date,
    Time,
    Call,
    Name,
    Comment,
    Mode,
    State,
    County,
    TenTen,
    SrxString,
    Country
};

struct TTag
{
    const char* tag;
    TUse use;
};

// The tags in the order they are applied (COUNTRY after STATE, so that a US state found stays). Tags
// whose value is not used are not read: a malformed field of no use cannot spoil the contact.
constexpr std::array<TTag, 31> kTags = {{{"<QSO_DATE:", TUse::Date},
                                         {"<TIME_ON:", TUse::Time},
                                         {"<CALL:", TUse::Call},
                                         {"<NAME:", TUse::Name},
                                         {"<NOTES:", TUse::Comment},
                                         {"<RST_SENT:", TUse::None},
                                         {"<RST_RCVD:", TUse::None},
                                         {"<BAND:", TUse::None},
                                         {"<MODE:", TUse::Mode},
                                         {"<STATE:", TUse::State},
                                         {"<CNTY:", TUse::County},
                                         {"<GRIDSQUARE:", TUse::None},
                                         {"<TEN_TEN:", TUse::TenTen},
                                         {"<SRX_STRING:", TUse::SrxString},
                                         {"<QSL_SENT:", TUse::None},
                                         {"<QSLSDATE:", TUse::None},
                                         {"<QSL_RCVD:", TUse::None},
                                         {"<QSLRDATE:", TUse::None},
                                         {"<EQSL_QSL_SENT:", TUse::None},
                                         {"<EQSL_QSLSDATE:", TUse::None},
                                         {"<EQSL_QSL_RCVD:", TUse::None},
                                         {"<EQSL_QSLRDATE:", TUse::None},
                                         {"<LOTW_QSL_SENT:", TUse::None},
                                         {"<LOTW_QSLSDATE:", TUse::None},
                                         {"<LOTW_QSL_RCVD:", TUse::None},
                                         {"<LOTW_QSLRDATE:", TUse::None},
                                         {"<DXCC:", TUse::None},
                                         {"<COUNTRY:", TUse::Country},
                                         {"<VP:", TUse::None},
                                         {"<EPC:", TUse::None},
                                         {"<070:", TUse::None}}};

// The text of a file with its ASCII letters upper-cased beside it (same length), so that tags are found
// whatever their letter case and the values are read from the bytes as written.
class TFieldText
{
public:
    explicit TFieldText(QByteArrayView text) : fText(text), fUpper(text.toByteArray())
    {
        for (char& c : fUpper) {
            if (c >= 'a' && c <= 'z') {
                c = char(c - 'a' + 'A');
            }
        }
    }

    // The value of the first field with the tag (any letter case), decoded; nothing without the tag.
    std::optional<QString> Value(const QString& tag) const
    {
        const QByteArray upperTag = tag.toUpper().toUtf8();
        if (upperTag.isEmpty()) {
            return std::nullopt;
        }
        const qsizetype pos = fUpper.indexOf(upperTag);
        if (pos < 0) {
            return std::nullopt;
        }
        return FieldValue(pos, upperTag.size());
    }

private:
    // The value of the field whose tag starts at a position: the count between the tag and the next ">"
    // (a data-type indicator after a second ":" is skipped), then that many bytes, or characters.
    QString FieldValue(qsizetype tagStart, qsizetype tagLength) const
    {
        const qsizetype countStart = tagStart + tagLength;
        const qsizetype close = fText.indexOf('>', countStart);
        const QString tagText = QString::fromUtf8(fText.sliced(tagStart, tagLength));
        if (close < 0) {
            throw EVantrel(QStringLiteral("ADIF field %1 has no closing \">\"").arg(tagText));
        }
        QByteArrayView countText = fText.sliced(countStart, close - countStart);
        if (const qsizetype colon = countText.indexOf(':'); colon >= 0) {
            countText.truncate(colon);
        }
        bool ok = false;
        const qlonglong count = countText.trimmed().toLongLong(&ok);
        if (!ok) {
            // A count that is no number at all is quoted in part: it may be the rest of a large file.
            throw EVantrel(
                QStringLiteral("ADIF field %1 has the count \"%2\", which is not a whole number")
                    .arg(tagText, QString::fromUtf8(countText.first(qMin<qsizetype>(countText.size(), 20)))));
        }
        if (count <= 0) {
            return QString();
        }
        return TADIFRecord::Decode(ValueBytes(close + 1, count));
    }

    // True when a value ending at a position is followed (after blanks) by the next tag or the end.
    bool NextIsTag(qsizetype end) const
    {
        while (end < fText.size() &&
               (fText[end] == ' ' || fText[end] == '\t' || fText[end] == '\r' || fText[end] == '\n')) {
            ++end;
        }
        return end == fText.size() || fText[end] == '<';
    }

    // The bytes of a value of count bytes from start: by bytes, unless the count ends inside a multi-byte
    // character, or only the same number of characters is followed by the next tag.
    QByteArrayView ValueBytes(qsizetype start, qlonglong count) const
    {
        const QByteArrayView rest = fText.sliced(start);
        const QByteArrayView byBytes = rest.first(qsizetype(std::min<qlonglong>(count, rest.size())));
        const bool whole = byBytes.size() == rest.size() || !Utf8::IsContinuation(rest[byBytes.size()]);
        if (whole && NextIsTag(start + byBytes.size())) {
            return byBytes;
        }
        const QByteArrayView byChars =
            Utf8::FirstChars(rest, qsizetype(std::min<qlonglong>(count, rest.size())));
        return !whole || NextIsTag(start + byChars.size()) ? byChars : byBytes;
    }

    QByteArrayView fText;
    QByteArray fUpper;
};

} // namespace

QString ProcessADIFTag(const QString& tag, QByteArrayView text)
{
    return TFieldText(text).Value(tag).value_or(QString()).toUpper();
}

namespace {

QString DateOf(const TFieldText& text, const QString& tag)
{
    QString value = text.Value(tag).value_or(QString());
    if (value.isEmpty()) {
        return QString();
    }
    if (value.size() != 8) {
        // Another form of the date (such as 2024-06-01): its digits, when they make eight.
        QString digits;
        for (const QChar c : value) {
            if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
                digits += c;
            }
        }
        if (digits.size() != 8) {
            return QString();
        }
        value = digits;
    }
    return value.left(4) + QLatin1Char('-') + value.mid(4, 2) + QLatin1Char('-') + value.mid(6);
}

QString TimeOf(const TFieldText& text, const QString& tag)
{
    return ContactTime(text.Value(tag).value_or(QString()).toUpper());
}

} // namespace

QString ProcessADIFDate(const QString& tag, QByteArrayView text)
{
    return DateOf(TFieldText(text), tag);
}

QString ProcessADIFTime(const QString& tag, QByteArrayView text)
{
    return TimeOf(TFieldText(text), tag);
}

tLogRecord ProcessADIFLine(QByteArrayView line)
{
    const TFieldText text(line);
    const auto value = [&text](const QString& tag) { return text.Value(tag).value_or(QString()).toUpper(); };
    tLogRecord rec;
    for (const TTag& entry : kTags) {
        const QString tag = QString::fromLatin1(entry.tag);
        switch (entry.use) {
        case TUse::None:
            break;
        case TUse::Date:
            rec.date = DateOf(text, tag);
            break;
        case TUse::Time:
            rec.time = TimeOf(text, tag);
            break;
        case TUse::Call:
            rec.call = value(tag);
            break;
        case TUse::Name:
            rec.name = value(tag);
            break;
        case TUse::Comment:
            rec.comment = value(tag);
            break;
        case TUse::Mode:
            rec.mode = value(tag);
            break;
        case TUse::State:
            if (const QString state = value(tag); !state.isEmpty()) {
                rec.qth = state;
            }
            break;
        case TUse::County:
            if (const QString county = value(tag); county.contains(QLatin1Char(','))) {
                rec.uscounty = county.section(QLatin1Char(','), 1);
            }
            break;
        case TUse::TenTen:
            rec.tenten = value(tag);
            break;
        case TUse::SrxString:
            for (const QString& piece : value(tag).split(QLatin1Char(' '))) {
                if (piece.contains(QStringLiteral("EPC:"))) {
                    rec.epc = piece.mid(4);
                }
                if (piece.contains(QStringLiteral("070:"))) {
                    rec.p070 = piece.mid(4);
                }
            }
            break;
        case TUse::Country:
            if (!value(tag).isEmpty() && rec.qth.isEmpty()) {
                rec.qth = QStringLiteral("DX");
            }
            break;
        }
    }
    return rec;
}

bool HasEndOfRecord(QByteArrayView text)
{
    for (qsizetype pos = text.indexOf('<'); pos >= 0 && pos + 5 <= text.size();
         pos = text.indexOf('<', pos + 1)) {
        const QByteArrayView tag = text.sliced(pos, 5);
        if (QByteArrayView(tag).compare("<EOR>", Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}
