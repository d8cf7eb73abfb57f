#include "SubmissionLog.h"

#include "TTextCursor.h"
#include "Utf8.h"

#include "data/EventNames.h"
#include "data/MyFunc.h"
#include "data/OneLine.h"

namespace {

// A QSO line being appended to the file's text. Columns count characters, not bytes.
struct TQsoLine
{
    TTextCursor& out;
    qsizetype column = 0;

    // Text of the line itself: plain ASCII, written as it is.
    void Text(QByteArrayView ascii)
    {
        out.Append(ascii);
        column += ascii.size();
    }

    // A value, with every control character turned into a blank, so that a value holding a line break or
    // a tab cannot break the line or its columns. Characters equal to skip are left out.
    void Value(QByteArrayView value, char skip = 0) { column += out.AppendOneLine(value, skip); }

    // Moves to a value's column: over blanks when the line has not reached it yet; else the value before
    // ran into this slot, and one blank keeps both whole and apart.
    void MoveTo(qsizetype target)
    {
        if (column <= target) {
            out.Fill(target - column, ' ');
            column = target;
        } else {
            Text(" ");
        }
    }

    // A club number padded with leading zeros to five characters; a longer one is written unchanged.
    void ExchangeNumber(QByteArrayView number)
    {
        const qsizetype length = Utf8::CharCount(number);
        if (length < 5) {
            Text(QByteArrayView("00000").first(5 - length));
        }
        Value(number);
    }
};

// The own station's values, from the own call (at column 30, or one blank after a value that ran into it)
// to the worked call's column.
void AppendOwnValues(TQsoLine& line, const TQsoStation& own)
{
    line.Value(own.callsign);
    line.MoveTo(43);
    line.Value(own.firstName);
    line.MoveTo(54);
    line.Value(own.state);
    line.MoveTo(59);
    line.Value(own.tenten);
    line.MoveTo(65);
}

// A state or QTH of exactly two characters stands as it is; anything else is "DX".
QByteArrayView TwoCharactersOrDX(QByteArrayView text)
{
    return Utf8::CharCount(text) == 2 ? text : QByteArrayView("DX");
}

const char* ModeCategoryText(QByteArrayView mode)
{
    if (mode == QByteArrayView("CW")) {
        return "CW";
    }
    if (mode == QByteArrayView("AM") || mode == QByteArrayView("FM") || mode == QByteArrayView("SSB")) {
        return "PH";
    }
    if (mode == QByteArrayView("RTTY") || mode == QByteArrayView("FSK")) {
        return "RY";
    }
    return "DG";
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
    return QString::fromLatin1(ModeCategoryText(mode.toUtf8()));
}

TQsoStation::TQsoStation(const TMysettings& own)
    : callsign(own.Callsign.toUtf8()), firstName(own.FirstName.toUtf8()),
      state(CharCount(own.State) == 2 ? own.State.toUtf8() : QByteArray("DX")), tenten(own.TenTen.toUtf8())
{
    TTextCursor cursor(ownColumns, 64 + callsign.size() + firstName.size() + state.size() + tenten.size());
    TQsoLine line{cursor, 30};
    AppendOwnValues(line, *this);
    ownColumnsEnd = line.column;
}

void AppendQSOLine(QByteArray& out, const TQsoStation& own, const TContactText& contact, bool openSeason)
{
    // The fixed text, blanks and zeros of a line take less than 160 bytes; cleaning never lengthens a value.
    TTextCursor cursor(out, 160 + contact.Size() + own.callsign.size() + own.firstName.size() +
                                own.state.size() + own.tenten.size());
    const qsizetype start = cursor.Offset();
    TQsoLine line{cursor};
    line.Text("QSO: 28000");
    line.MoveTo(11);
    line.Text(ModeCategoryText(contact.mode));
    line.MoveTo(14);
    line.Value(contact.date);
    line.Text(" ");
    line.Value(contact.time, ':');
    line.MoveTo(30);
    if (line.column == 30) {
        cursor.Append(own.ownColumns);
        line.column = own.ownColumnsEnd;
    } else {
        AppendOwnValues(line, own);
    }
    line.Value(contact.call);
    line.MoveTo(78);
    line.Value(Utf8::FirstChars(contact.name, 10));
    line.MoveTo(89);
    line.Value(TwoCharactersOrDX(contact.qth));
    line.MoveTo(94);
    line.ExchangeNumber(contact.tenten);
    if (openSeason) {
        line.Text("-");
        line.ExchangeNumber(contact.epc);
        line.Text("-");
        line.ExchangeNumber(contact.p070);
    }
    // No blanks at the end of the line.
    cursor.BackTo(start + Utf8::Trimmed(cursor.Since(start)).size());
}

QString QSOLine(const TMysettings& own, const TLogRow& row, bool openSeason)
{
    QByteArray line;
    AppendQSOLine(line, TQsoStation(own), TContactCopy(row).Text(), openSeason);
    return QString::fromUtf8(line);
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
