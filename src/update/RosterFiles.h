#pragma once

#include <QString>
#include <QStringList>

// Reading the roster files that the clubs publish. Pure functions over text, except the two that read or
// write a file.

// The lines of a text file: a byte-order mark selects UTF-8 or UTF-16, else the platform's 8-bit code page
// (UTF-8 outside Windows). Lines end at CR LF, LF or CR; a line end at the very end makes no empty last
// line. Throws EVantrel naming the file when it cannot be read.
QStringList ReadTextLines(const QString& path);

// The whole text of a file, decoded as ReadTextLines decodes it.
QString ReadTextFile(const QString& path);

// Splits text into lines as ReadTextLines does.
QStringList SplitLines(const QString& text);

// The fields of a roster line: split at every comma, empty fields kept, quotation marks not special.
QStringList RosterFields(const QString& line);

// Rewrites the lines of the EPC club's published list ("EPC # 12 K1ABC EPC # 13 -") into lines of
// call sign "," number, each ended by LF. Entries whose number is not a whole number, whose call sign is
// missing or begins with "-", are left out; numbers are written in plain decimal (007 becomes 7). When
// foreignLines is given it receives the number of lines that are neither blank nor hold any entry.
QString FormatEPCText(const QStringList& lines, qsizetype* foreignLines = nullptr);

// Reads infile, rewrites it with FormatEPCText and writes the result to OutFile (which may be infile) as
// UTF-8 without a byte-order mark, replacing it only once the whole text is written. Throws EVantrel with
// the system's reason on failure.
void FormatEPCFile(const QString& infile, const QString& OutFile);

// What one line of a roster file gives.
struct TRosterEntry
{
    enum class TKind
    {
        Member,  // a member to store
        Ignored, // a header, a blank line or an entry the roster leaves out on purpose
        Bad,     // a damaged line: too few fields, a number that is not a whole number, a call sign that
                 // is not one; skipped and counted for the operator
        Foreign  // a line that is no member line of this roster (a 070 line without a number): skipped
                 // quietly, but a file of such lines is not the roster
    };
    TKind kind = TKind::Ignored;
    QString callsign;
    // The member number of the roster (the VP number for a VP line).
    QString number;
    // A VP line: the Ten-Ten number of the member whose VP number it gives.
    QString tenten;
};

// True for the text of a call sign as the rosters hold it: 1 to 20 printable ASCII characters, no blanks
// (blanks around it do not count).
bool IsCallsignText(const QString& text);

// "1010.dat": Ten-Ten number, call sign, status; status "2" stores the call sign in lower case. A line
// whose Ten-Ten number is not a whole number or whose call sign is not one is damaged.
TRosterEntry ParseTenTenLine(const QString& line);
// "vp.dat": VP number, unused, Ten-Ten number; a line whose first field is "VP" is the header. Both numbers
// are written in plain decimal, as the roster compares them.
TRosterEntry ParseVPLine(const QString& line);
// "epc1.dat" after FormatEPCFile: call sign, number.
TRosterEntry ParseEPCLine(const QString& line);
// "p070.dat": number, call sign, once every backslash and double quotation mark is removed. A line whose
// number is not a whole number (the header) is foreign; one that holds only empty fields is blank.
TRosterEntry ParseP070Line(const QString& line);

// What a roster file holds: its lines, and how many of them are members, damaged or foreign.
struct TRosterCount
{
    qsizetype lines = 0;
    qsizetype members = 0;
    qsizetype damaged = 0;
    qsizetype foreign = 0;
};

// Why a downloaded text cannot be a roster, or empty text when it can: it is empty, it is markup (a web
// page), it holds control characters (not text), it has no member line, or its damaged and foreign lines
// together are more than twice its member lines. The reason reads after "it is not the … roster: ".
QString RosterProblem(const QString& text, const TRosterCount& count);
