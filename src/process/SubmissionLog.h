#pragma once

#include "TContactText.h"

#include "data/TLogRow.h"
#include "data/TMysettings.h"

#include <QByteArray>
#include <QString>

// The submission log sent to the event's organisers: a header of station and score lines, then one
// fixed-column QSO line per contact, then "END_OF_LOG:".

// The main window's score counters as they stand when the log is processed.
struct TScoreCounters
{
    int ctx_with = 0;    // contacts with a Ten-Ten number
    int ctx_without = 0; // contacts without one
    int totalpoints = 0; // the claimed score
};

// Contacts of an Open Season log that carry an EPC or a 070 number.
struct TClubCounts
{
    int epc = 0;
    int p070 = 0;
};

// Line endings the operator can choose for the submission log, in the order of the dialog's choices.
enum class TLineEnding
{
    CRLF,
    LFCR,
    LF
};
QString LineEndingText(TLineEnding ending);

// Open Season logs carry the EPC and 070 numbers; the name must match exactly, letter case included.
bool IsOpenSeason(const QString& contestName);

// The mode category of a logged mode: "CW"; "PH" for AM, FM and SSB; "RY" for RTTY and FSK; "DG" for
// anything else, an empty mode included. Exact, case-sensitive comparison.
QString ModeCategory(const QString& mode);

// The own station's values of every QSO line, in UTF-8, made once per log.
struct TQsoStation
{
    explicit TQsoStation(const TMysettings& own);
    QByteArray callsign;
    QByteArray firstName;
    QByteArray state; // the own state, or "DX" when it is not two characters
    QByteArray tenten;
    // The same as they stand in every line that reaches the own call's column in time: from column 30 to
    // the worked call's column (or the column after them, when they run past it).
    QByteArray ownColumns;
    qsizetype ownColumnsEnd = 0;
};

// Appends one QSO line (no line end). Each value starts at a fixed column: 0 "QSO: 28000", 11 mode
// category, 14 date and time without colons, 30 own call, 43 own first name, 54 own state or "DX", 59 own
// Ten-Ten number, 65 worked call, 78 the first 10 characters of the name, 89 worked state or "DX", 94 the
// exchange (Ten-Ten number, or Ten-Ten-EPC-070 in Open Season, each left-padded with zeros to 5 digits;
// a longer number kept whole). A value longer than its slot is kept whole and the values after it move
// right, one blank after it, until the line is back in its columns. Columns count characters; the line
// ends with its last character that is not a blank.
void AppendQSOLine(QByteArray& out, const TQsoStation& own, const TContactText& contact, bool openSeason);

// The same line as text, for a row held as QString values.
QString QSOLine(const TMysettings& own, const TLogRow& row, bool openSeason);

// The header lines, each followed by the line end, ending with the soapbox line and one empty line.
// The club counts are written only for an Open Season log.
QString SubmissionHeader(const TMysettings& own, const TScoreCounters& score, const TClubCounts& clubs,
                         const QString& soapbox, const QString& eol);
