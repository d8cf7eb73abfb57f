#include "ADIFImport.h"

#include "data/TDM.h"
#include "data/TMysettings.h"
#include "process/ADIFRecordReader.h"

#include <QDate>
#include <QRegularExpression>
#include <QSqlQuery>

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

TADIFImport::TADIFImport(TDM& dm, const TMysettings& log)
    : fDM(dm), fLog(log), fRule(DupeRuleOf(log.ContestName))
{}

QString TADIFImport::DupeKey(const tLogRecord& rec) const
{
    switch (fRule) {
    case TDupeRule::SameCallAndMode:
        return rec.call + QChar(0x1f) + rec.mode;
    case TDupeRule::SameCallAndCounty:
        return rec.call + QChar(0x1f) + rec.uscounty;
    case TDupeRule::SameCall:
        break;
    }
    return rec.call;
}

void TADIFImport::Read(QByteArrayView data, const std::function<void(qsizetype bytesRead)>& progress)
{
    fContacts.clear();
    fIsDuplicate.clear();
    fSkipped.clear();
    fRecords = 0;
    fDuplicates = 0;
    fCountries.Load(fDM);

    // The keys of the file's contacts not marked as duplicates yet, by the event's rule: a later contact
    // of the same key is a duplicate of the file itself. Whether the log holds them is asked once the
    // whole file is read (MarkLogDuplicates).
    QSet<QString> seen;

    // Dates, times, modes, places and names repeat from contact to contact: each distinct text is kept
    // once, which keeps a file of many contacts small in memory.
    QSet<QString> texts;
    const auto share = [&texts](QString& text) {
        if (text.isEmpty()) {
            return;
        }
        const auto it = texts.constFind(text);
        if (it != texts.constEnd()) {
            text = *it;
        } else {
            texts.insert(text);
        }
    };

    TADIFRecordReader reader(data);
    TADIFRecord record;
    tLogRecord rec;
    while (reader.Next(record)) {
        ++fRecords;
        const QString reason = ContactFromADIF(record, fCountries, rec);
        if (!reason.isEmpty()) {
            fSkipped.append({record.number, reason});
            continue;
        }
        const TContactScore score = ScoreContact(fLog.ContestName, rec.tenten, rec.epc, rec.p070);
        rec.points = score.stored;
        const QString key = DupeKey(rec);
        const bool again = seen.contains(key);
        if (!again) {
            seen.insert(key);
        }
        fIsDuplicate.append(again);
        if (again) {
            ++fDuplicates;
        }
        for (QString* text : {&rec.date, &rec.time, &rec.mode, &rec.qth, &rec.uscounty, &rec.name}) {
            share(*text);
        }
        fContacts.append(std::move(rec));
        if (progress && fRecords % 1000 == 0) {
            progress(reader.Position());
        }
    }
    MarkLogDuplicates();
    if (progress) {
        progress(data.size());
    }
}

void TADIFImport::MarkLogDuplicates()
{
    // The first contact of each key is a duplicate when the log holds its key: the same exact texts the
    // Log button compares. A file that is small beside the log asks the call index once per contact; a
    // larger one reads the log's calls once.
    QList<qsizetype> first;
    for (qsizetype i = 0; i < fContacts.size(); ++i) {
        if (!fIsDuplicate[i]) {
            first.append(i);
        }
    }
    if (first.isEmpty()) {
        return;
    }
    QSqlQuery& bounds = fDM.RunLogStatement(TDM::TLogStatement::DupeListBounds, fLog.TableName, {});
    const qint64 rows = bounds.next() && !bounds.value(2).toBool()
                            ? bounds.value(1).toLongLong() - bounds.value(0).toLongLong() + 1
                            : 0;
    bounds.finish();
    // One lookup on the index costs about as much as reading a few dozen rows of the whole log.
    constexpr qint64 kRowsPerLookup = 32;
    if (qint64(first.size()) * kRowsPerLookup < rows) {
        const std::optional<QString> none;
        for (qsizetype i : first) {
            const tLogRecord& rec = fContacts[i];
            const bool dupe =
                fDM.IsDupe(fLog.TableName, rec.call,
                           fRule == TDupeRule::SameCallAndMode ? std::optional(rec.mode) : none,
                           fRule == TDupeRule::SameCallAndCounty ? std::optional(rec.uscounty) : none);
            if (dupe) {
                fIsDuplicate[i] = true;
                ++fDuplicates;
            }
        }
        return;
    }
    QSet<QString> logged;
    fDM.ReadDupeColumns(fLog.TableName, [&](const QString& call, const QString& mode, const QString& county) {
        tLogRecord rec;
        rec.call = call;
        rec.mode = mode;
        rec.uscounty = county;
        logged.insert(DupeKey(rec));
    });
    for (qsizetype i : first) {
        if (logged.contains(DupeKey(fContacts[i]))) {
            fIsDuplicate[i] = true;
            ++fDuplicates;
        }
    }
}

int TADIFImport::Store(bool keepDuplicates, const std::function<void(qsizetype stored)>& progress)
{
    if (keepDuplicates || fDuplicates == 0) {
        fDM.LogAddRecords(fContacts, fLog.TableName, progress);
        return int(fContacts.size());
    }
    // The duplicates leave the list in place (no second copy of a large file's contacts).
    qsizetype kept = 0;
    for (qsizetype i = 0; i < fContacts.size(); ++i) {
        if (!fIsDuplicate[i]) {
            if (kept != i) {
                fContacts[kept] = std::move(fContacts[i]);
            }
            ++kept;
        }
    }
    fContacts.resize(kept);
    fIsDuplicate.fill(false, kept);
    fDM.LogAddRecords(fContacts, fLog.TableName, progress);
    return int(kept);
}

QString TADIFImport::Summary(int imported, bool keptDuplicates) const
{
    QString text = QStringLiteral("Records read: %1\nImported: %2\n").arg(fRecords).arg(imported);
    if (keptDuplicates) {
        text += QStringLiteral("Duplicates: %1 (imported as well)\n").arg(fDuplicates);
    } else {
        text += QStringLiteral("Duplicates: %1 (not imported)\n").arg(fDuplicates);
    }
    text += QStringLiteral("Skipped: %1").arg(fSkipped.size());
    constexpr int kShown = 20;
    for (int i = 0; i < fSkipped.size() && i < kShown; ++i) {
        text += QStringLiteral("\n  record %1: %2").arg(fSkipped[i].record).arg(fSkipped[i].reason);
    }
    if (fSkipped.size() > kShown) {
        text += QStringLiteral("\n  ... and %1 more").arg(fSkipped.size() - kShown);
    }
    return text;
}
