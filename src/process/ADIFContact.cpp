#include "ADIFContact.h"

#include "ADIFRecordReader.h"
#include "data/LogRules.h"
#include "data/TDM.h"

#include <QDate>
#include <QRegularExpression>

namespace {

bool AllDigits(const QString& text)
{
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return false;
        }
    }
    return !text.isEmpty();
}

// The whole number of a run of decimal digits.
int Digits(const QString& text, qsizetype from, qsizetype count)
{
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        value = value * 10 + (text[i].unicode() - '0');
    }
    return value;
}

// A date or time longer than this is none; only this much of it is decoded.
constexpr qsizetype kShortValueBytes = 64;

// The text of a field that must be short (a date, a time), without blanks at either end; a longer value
// gives its first bytes, which are no date or time either.
QString ShortValue(QByteArrayView bytes)
{
    return TADIFRecord::Decode(bytes.first(std::min(bytes.size(), kShortValueBytes))).trimmed();
}

// A number of the club fields: "0" (as the export writes for a missing Ten-Ten number) is none.
QString ClubNumber(const QString& value)
{
    const QString number = value.trimmed();
    return number == QLatin1String("0") ? QString() : number;
}

// The club numbers joined in SRX_STRING: "tenten-epc-p070" as this program writes them, or pieces
// "EPC:123 070:45".
void ClubNumbersFromExchange(const QString& exchange, QString& tenten, QString& epc, QString& p070)
{
    if (exchange.isEmpty()) {
        return;
    }
    static const QRegularExpression joined(QStringLiteral("^\\s*(\\d+)-(\\d+)-(\\d+)\\s*\\z"));
    const QRegularExpressionMatch match = joined.match(exchange);
    if (match.hasMatch()) {
        tenten = ClubNumber(match.captured(1));
        epc = ClubNumber(match.captured(2));
        p070 = ClubNumber(match.captured(3));
        return;
    }
    for (const QString& piece : exchange.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (piece.startsWith(QLatin1String("EPC:"), Qt::CaseInsensitive)) {
            epc = ClubNumber(piece.mid(4));
        } else if (piece.startsWith(QLatin1String("070:"))) {
            p070 = ClubNumber(piece.mid(4));
        }
    }
}

// A comment that only repeats the club numbers ("VP:12 EPC:34 ") is what the export adds; it is no
// comment of the contact's own.
bool IsClubNumbersComment(const QString& comment)
{
    if (comment.isEmpty()) {
        return false;
    }
    static const QRegularExpression numbers(QStringLiteral("^\\s*((VP|EPC|070):\\S*\\s*)+\\z"));
    return numbers.match(comment).hasMatch();
}

} // namespace

void TCountryTable::Load(TDM& dm)
{
    fByName.clear();
    fNames.clear();
    for (const auto& [name, dxcc] : dm.GetCountryCodes()) {
        fByName.insert(name.toLower(), {name, dxcc});
        if (!fNames.contains(dxcc)) {
            fNames.insert(dxcc, name);
        }
    }
}

bool TCountryTable::Find(const QString& name, QString& canonical, int& dxcc) const
{
    const auto it = fByName.constFind(name.toLower());
    if (it == fByName.constEnd()) {
        return false;
    }
    canonical = it->first;
    dxcc = it->second;
    return true;
}

QString ContactFromADIF(const TADIFRecord& record, const TCountryTable& countries, tLogRecord& rec)
{
    rec = tLogRecord();
    if (!record.problem.isEmpty()) {
        return record.problem;
    }
    rec.call = record.Value("call").trimmed().toUpper();
    if (rec.call.isEmpty()) {
        return record.Has("call") ? QStringLiteral("empty CALL field") : QStringLiteral("no CALL field");
    }

    const QByteArrayView dateBytes = record.Raw("qso_date");
    const QString date = ShortValue(dateBytes);
    if (date.isEmpty()) {
        return QStringLiteral("no QSO_DATE field");
    }
    if (dateBytes.size() > kShortValueBytes || date.size() != 8 || !AllDigits(date) ||
        !QDate(Digits(date, 0, 4), Digits(date, 4, 2), Digits(date, 6, 2)).isValid()) {
        return QStringLiteral("QSO_DATE %1 is not a date (YYYYMMDD)").arg(TADIFRecord::Quoted(dateBytes));
    }
    rec.date = QString(date).insert(6, QLatin1Char('-')).insert(4, QLatin1Char('-'));

    const QByteArrayView timeBytes = record.Raw("time_on");
    const QString time = ShortValue(timeBytes);
    if (time.isEmpty()) {
        return QStringLiteral("no TIME_ON field");
    }
    if (timeBytes.size() > kShortValueBytes || (time.size() != 4 && time.size() != 6) || !AllDigits(time) ||
        Digits(time, 0, 2) > 23 || Digits(time, 2, 2) > 59 || (time.size() == 6 && Digits(time, 4, 2) > 59)) {
        return QStringLiteral("TIME_ON %1 is not a time (HHMM or HHMMSS)")
            .arg(TADIFRecord::Quoted(timeBytes));
    }
    // The log keeps hours and minutes, as the entry form writes them.
    rec.time = ContactTime(time);

    rec.name = record.Value("name");
    rec.mode = record.Value("mode").trimmed();
    const QString submode = record.Value("submode").trimmed();
    if (!submode.isEmpty() && rec.mode.compare(QLatin1String("SSB"), Qt::CaseInsensitive) != 0) {
        // FT4 is sent as MFSK with the submode FT4, PSK31 as PSK with PSK31: operators log the submode.
        rec.mode = submode;
    }

    const QString state = record.Value("state").trimmed().toUpper();
    const QString country = record.Value("country").trimmed();
    const QString dxcc = record.Value("dxcc").trimmed();
    if (!state.isEmpty()) {
        rec.qth = state;
        rec.dxcc = 0;
        const QString county = record.Value("cnty");
        const qsizetype comma = county.indexOf(QLatin1Char(','));
        rec.uscounty = (comma >= 0 ? county.mid(comma + 1) : county).trimmed();
    } else if (!country.isEmpty()) {
        // A country the table does not know is kept as written, and counts as the log's own
        // contacts with an unknown country do.
        if (!countries.Find(country, rec.qth, rec.dxcc)) {
            rec.qth = country;
            rec.dxcc = 291;
        }
    } else if (AllDigits(dxcc) && (dxcc.toInt() != 291 || !record.Has("state"))) {
        // DXCC 291 with a STATE field, even an empty one, is a contact in a US state (the export writes
        // an unknown state so); without one it is the country the DX list offers as "United States".
        rec.dxcc = dxcc.toInt();
        rec.qth = countries.NameOf(rec.dxcc);
    }

    const bool hasTenTen = record.Has("ten_ten");
    const bool hasEpc = record.Has("epc");
    const bool hasP070 = record.Has("p070");
    QString tenten;
    QString epc;
    QString p070;
    ClubNumbersFromExchange(record.Value("srx_string"), tenten, epc, p070);
    rec.tenten = hasTenTen ? ClubNumber(record.Value("ten_ten")) : tenten;
    rec.epc = hasEpc ? record.Value("epc").trimmed() : epc;
    rec.p070 = hasP070 ? record.Value("p070").trimmed() : p070;
    rec.vp = record.Value("vp").trimmed();

    const QString comment = record.Value("comment");
    if (!IsClubNumbersComment(comment)) {
        rec.comment = comment.trimmed();
    }
    return QString();
}
