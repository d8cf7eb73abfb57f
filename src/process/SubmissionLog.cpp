#include "SubmissionLog.h"

#include "Utf8.h"

#include "data/EventNames.h"
#include "data/MyFunc.h"
#include "data/OneLine.h"

#include <algorithm>

namespace {

// A QSO line under construction. Columns count characters: a character written as a surrogate pair
// takes one column, so the line's column is its length less the pairs it holds.
struct TQsoLine
{
    QString text;
    qsizetype pairs = 0;

    qsizetype Column() const { return text.size() - pairs; }
};

// Moves to a value's column: over blanks when the line has not reached it yet; else the value before ran
// into this slot, and one blank keeps both whole and apart.
void MoveTo(TQsoLine& line, qsizetype column)
{
    if (line.Column() <= column) {
        line.text.resize(line.text.size() + column - line.Column(), QLatin1Char(' '));
    } else {
        line.text.append(QLatin1Char(' '));
    }
}

// Appends a value with every control character turned into a blank, so that a value holding a line
// break or a tab cannot break the line or its columns. Characters equal to skip are left out.
void Append(TQsoLine& line, QStringView value, char16_t skip = 0)
{
    // The common value (no control character, nothing to leave out, no surrogate pair) goes in whole.
    const bool plain = std::none_of(value.begin(), value.end(), [skip](QChar c) {
        const char16_t u = c.unicode();
        return u < 0x20 || u == 0x7F || (u == skip && skip != 0) || c.isSurrogate();
    });
    if (plain) {
        line.text.append(value);
        return;
    }
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        const char16_t u = c.unicode();
        if (u == skip && skip != 0) {
            continue;
        }
        if (c.isLowSurrogate() && i > 0 && value[i - 1].isHighSurrogate()) {
            ++line.pairs;
        }
        line.text.append(OneLine::Breaks(u) ? QChar(u' ') : c);
    }
}

// Pads a club number with leading zeros to five characters; a longer one is written unchanged.
void AppendExchangeNumber(TQsoLine& line, const QString& number)
{
    const qsizetype length = CharCount(number);
    if (length < 5) {
        line.text.append(QString(5 - length, QLatin1Char('0')));
    }
    Append(line, number);
}

// A state or QTH of exactly two characters stands as it is; anything else is "DX".
QString TwoCharactersOrDX(const QString& text)
{
    return CharCount(text) == 2 ? text : QStringLiteral("DX");
}

} // namespace

QString LineEndingText(TLineEnding ending)
{
    switch (ending) {
    case TLineEnding::CRLF:
        return QStringLiteral("\r\n");
    case TLineEnding::LFCR:
        return QStringLiteral("\n\r");
    case TLineEnding::LF:
        break;
    }
    return QStringLiteral("\n");
}

bool IsOpenSeason(const QString& contestName)
{
    return contestName == Events::OpenSeason;
}

QString ModeCategory(const QString& mode)
{
    if (EqualsAscii(mode, QLatin1String("CW"))) {
        return QStringLiteral("CW");
    }
    if (EqualsAscii(mode, QLatin1String("AM")) || EqualsAscii(mode, QLatin1String("FM")) ||
        EqualsAscii(mode, QLatin1String("SSB"))) {
        return QStringLiteral("PH");
    }
    if (EqualsAscii(mode, QLatin1String("RTTY")) || EqualsAscii(mode, QLatin1String("FSK"))) {
        return QStringLiteral("RY");
    }
    return QStringLiteral("DG");
}

QString QSOLine(const TMysettings& own, const TLogRow& row, bool openSeason)
{
    const QString qth = row.Value(QStringLiteral("_qth"));
    const QString name = row.Value(QStringLiteral("_name"));
    TQsoLine line;
    line.text.reserve(128);
    line.text.append(QLatin1String("QSO: 28000"));
    MoveTo(line, 11);
    line.text.append(ModeCategory(row.Value(QStringLiteral("_mode"))));
    MoveTo(line, 14);
    Append(line, row.Value(QStringLiteral("_date")));
    line.text.append(QLatin1Char(' '));
    Append(line, row.Value(QStringLiteral("_time")), u':');
    MoveTo(line, 30);
    Append(line, own.Callsign);
    MoveTo(line, 43);
    Append(line, own.FirstName);
    MoveTo(line, 54);
    Append(line, TwoCharactersOrDX(own.State));
    MoveTo(line, 59);
    Append(line, own.TenTen);
    MoveTo(line, 65);
    Append(line, row.Value(QStringLiteral("_call")));
    MoveTo(line, 78);
    Append(line, FirstChars(name, 10));
    MoveTo(line, 89);
    Append(line, TwoCharactersOrDX(qth));
    MoveTo(line, 94);
    AppendExchangeNumber(line, row.Value(QStringLiteral("_tenten")));
    if (openSeason) {
        line.text.append(QLatin1Char('-'));
        AppendExchangeNumber(line, row.Value(QStringLiteral("_epc")));
        line.text.append(QLatin1Char('-'));
        AppendExchangeNumber(line, row.Value(QStringLiteral("_p070")));
    }
    return std::move(line.text).trimmed();
}

QString SubmissionHeader(const TMysettings& own, const TScoreCounters& score, const TClubCounts& clubs,
                         const QString& soapbox, const QString& eol)
{
    const bool openSeason = IsOpenSeason(own.ContestName);
    QString text;
    // Every value is kept on its line: a line break typed or pasted into a field of the setup dialog must
    // not add lines (a "QSO:" or "END_OF_LOG:" among them) to the log.
    auto line = [&](const QString& content) { text += OneLine::Clean(content) + eol; };

    line(QStringLiteral("START-OF-LOG: VANTREL 6.2"));
    line(QStringLiteral("CONTEST: 10-10 ") + own.ContestName);
    line(QStringLiteral("CALL: ") + own.Callsign);
    line(QStringLiteral("TEN-TEN-NUMBER: ") + own.TenTen);
    if (openSeason) {
        line(QStringLiteral("EPC: ") + own.epc);
        line(QStringLiteral("070: ") + own.p070);
    }
    static const char* const kCategories[] = {"Low Power", "High Power", "QRP", "Mobile", "Club"};
    if (own.EntityType >= 0 && own.EntityType < 5) {
        line(QStringLiteral("Category: ") + QLatin1String(kCategories[own.EntityType]));
    }
    line(QStringLiteral("OPERATORS: ") + own.ClubOperators);
    line(QStringLiteral("LOCATION: ") + own.CallArea);
    line(QStringLiteral("CHAPTER ASSIGNMENT: ") + own.Chapter);
    line(QStringLiteral("CONTACTS WITH TEN TEN: ") + QString::number(score.ctx_with));
    line(QStringLiteral("CONTACTS WITHOUT TEN TEN: ") + QString::number(score.ctx_without));
    if (openSeason) {
        line(QStringLiteral("CONTACTS WITH EPC: ") + QString::number(clubs.epc));
        line(QStringLiteral("CONTACTS WITH 070: ") + QString::number(clubs.p070));
    }
    line(QStringLiteral("TOTAL CONTACTS: ") + QString::number(score.ctx_with + score.ctx_without));
    line(QStringLiteral("CLAIMED SCORE: ") + QString::number(score.totalpoints));
    line(QStringLiteral("NAME: ") + own.FirstName + QLatin1Char(' ') + own.LastName);
    line(QStringLiteral("ADDRESS: ") + own.Address);
    line(QStringLiteral("ADDRESS-CITY: ") + own.City);
    line(QStringLiteral("ADDRESS-STATE-PROVINCE: ") + own.State);
    line(QStringLiteral("ADDRESS-POSTALCODE: ") + own.Postal);
    line(QStringLiteral("EMAIL ADDRESS: ") + own.Email);
    line(QStringLiteral("SOAPBOX: ") + soapbox);
    text += eol;
    return text;
}
