#include "ADIFReader.h"

#include "data/Errors.h"

#include <QStringList>
#include <array>

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

// The value of the field whose tag starts at a position of the text: the count between the tag and the
// next ">" (a data-type indicator after a second ":" is skipped), then that many characters.
QString FieldValue(const QString& text, qsizetype tagStart, qsizetype tagLength)
{
    const qsizetype countStart = tagStart + tagLength;
    const qsizetype close = text.indexOf(QLatin1Char('>'), countStart);
    const QString tagText = text.mid(tagStart, tagLength);
    if (close < 0) {
        throw EVantrel(QStringLiteral("ADIF field %1 has no closing \">\"").arg(tagText));
    }
    QString countText = text.mid(countStart, close - countStart);
    if (const qsizetype colon = countText.indexOf(QLatin1Char(':')); colon >= 0) {
        countText.truncate(colon);
    }
    bool ok = false;
    const qlonglong count = countText.trimmed().toLongLong(&ok);
    if (!ok) {
        throw EVantrel(QStringLiteral("ADIF field %1 has the count \"%2\", which is not a whole number")
                           .arg(tagText, countText));
    }
    if (count <= 0) {
        return QString();
    }
    const qsizetype available = text.size() - (close + 1);
    return text.mid(close + 1, qsizetype(std::min<qlonglong>(count, available)));
}

// Joins the pieces of a value with a separator after every pair of characters, up to a given place.
QString SplitPairs(const QString& value, QChar separator, qsizetype pairs)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (i > 0 && i % 2 == 0 && i / 2 <= pairs) {
            out += separator;
        }
        out += value.at(i);
    }
    return out;
}

} // namespace

QString ProcessADIFTag(const QString& tag, const QString& line)
{
    const QString upper = line.toUpper();
    const QString upperTag = tag.toUpper();
    const qsizetype pos = upper.indexOf(upperTag);
    if (pos < 0 || upperTag.isEmpty()) {
        return QString();
    }
    return FieldValue(upper, pos, upperTag.size());
}

QString ProcessADIFDate(const QString& tag, const QString& line)
{
    const QString lowerTag = tag.toLower();
    const QString lower = line.toLower();
    const qsizetype pos = lower.indexOf(lowerTag);
    if (pos < 0 || lowerTag.isEmpty()) {
        return QString();
    }
    QString value = FieldValue(lower, pos, lowerTag.size());
    if (value.size() != 8) {
        // Another form of the date (such as 2024-06-01): its digits, when they make eight.
        QString digits;
        for (const QChar c : value) {
            if (c.isDigit()) {
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

QString ProcessADIFTime(const QString& tag, const QString& line)
{
    return SplitPairs(ProcessADIFTag(tag, line), QLatin1Char(':'), 2);
}

tLogRecord ProcessADIFLine(const QString& line)
{
    tLogRecord rec;
    for (const TTag& entry : kTags) {
        const QString tag = QString::fromLatin1(entry.tag);
        switch (entry.use) {
        case TUse::None:
            break;
        case TUse::Date:
            rec.date = ProcessADIFDate(tag, line);
            break;
        case TUse::Time:
            rec.time = ProcessADIFTime(tag, line);
            break;
        case TUse::Call:
            rec.call = ProcessADIFTag(tag, line);
            break;
        case TUse::Name:
            rec.name = ProcessADIFTag(tag, line);
            break;
        case TUse::Comment:
            rec.comment = ProcessADIFTag(tag, line);
            break;
        case TUse::Mode:
            rec.mode = ProcessADIFTag(tag, line);
            break;
        case TUse::State:
            if (const QString state = ProcessADIFTag(tag, line); !state.isEmpty()) {
                rec.qth = state;
            }
            break;
        case TUse::County:
            if (const QString county = ProcessADIFTag(tag, line); county.contains(QLatin1Char(','))) {
                rec.uscounty = county.section(QLatin1Char(','), 1);
            }
            break;
        case TUse::TenTen:
            rec.tenten = ProcessADIFTag(tag, line);
            break;
        case TUse::SrxString:
            for (const QString& piece : ProcessADIFTag(tag, line).split(QLatin1Char(' '))) {
                if (piece.contains(QStringLiteral("EPC:"))) {
                    rec.epc = piece.mid(4);
                }
                if (piece.contains(QStringLiteral("070:"))) {
                    rec.p070 = piece.mid(4);
                }
            }
            break;
        case TUse::Country:
            if (!ProcessADIFTag(tag, line).isEmpty() && rec.qth.isEmpty()) {
                rec.qth = QStringLiteral("DX");
            }
            break;
        }
    }
    return rec;
}

bool HasEndOfRecord(const QString& text)
{
    return text.contains(QStringLiteral("<EOR>"), Qt::CaseInsensitive);
}
