#include "RosterFiles.h"

#include "data/Errors.h"
#include "data/FileWrite.h"
#include "data/MyFunc.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace {

using TKind = TRosterEntry::TKind;

QString FileError(const QString& path, const QString& reason)
{
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason);
}

bool IsBlank(const QString& line)
{
    return line.trimmed().isEmpty();
}

// A whole number written in plain decimal, as the database compares and stores it (007 and +7 give 7).
QString PlainNumber(const QString& text)
{
    return QString::number(text.toInt());
}

// A member of the EPC and 070 rosters: call sign and number, both present and the number whole.
TRosterEntry MemberEntry(const QStringList& fields, const QString& callsign, const QString& number)
{
    if (fields.size() < 2) {
        return {TKind::Bad, {}, {}, {}};
    }
    if (callsign.isEmpty() || number.isEmpty()) {
        return {};
    }
    if (!IsInteger(number)) {
        return {TKind::Foreign, {}, {}, {}};
    }
    if (!IsCallsignText(callsign)) {
        return {TKind::Bad, {}, {}, {}};
    }
    return {TKind::Member, callsign, PlainNumber(number), {}};
}

// A line of nothing but blanks and empty fields, as spreadsheets export their unused rows.
bool IsEmptyRow(const QString& line)
{
    for (const QChar c : line) {
        if (c != ',' && !c.isSpace()) {
            return false;
        }
    }
    return true;
}

} // namespace

QStringList SplitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (c == '\r' || c == '\n') {
            lines << text.mid(start, i - start);
            if (c == '\r' && i + 1 < size && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < size) {
        lines << text.mid(start);
    }
    return lines;
}

QStringList ReadTextLines(const QString& path)
{
    return SplitLines(ReadTextFile(path));
}

QString ReadTextFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw EVantrel(FileError(path, file.errorString()));
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw EVantrel(FileError(path, file.errorString()));
    }
    QStringDecoder decoder(QStringConverter::encodingForData(bytes).value_or(QStringConverter::System));
    return decoder.decode(bytes);
}

QStringList RosterFields(const QString& line)
{
    return line.split(',', Qt::KeepEmptyParts);
}

namespace {

// Appends the entries of one line of the EPC list to out; false when the line holds no entry at all, not
// even one left out on purpose.
bool FormatEPCLine(QString line, QString& out)
{
    line.replace('*', ' ');
    line.replace(QChar(0xFFFD), ' ');
    line.replace(QStringLiteral("EPC # "), QStringLiteral("#"));
    if (line.size() <= 3) {
        return false;
    }
    // A line that began with "EPC # " now begins with the "#" of its first entry.
    line.remove(0, 1);
    bool entries = false;
    for (const QString& part : line.split('#', Qt::KeepEmptyParts)) {
        const QStringList pieces = part.split(' ', Qt::KeepEmptyParts);
        if (pieces.size() < 2 || !IsInteger(pieces[0])) {
            continue;
        }
        entries = true;
        const QString callsign = pieces[1].trimmed();
        if (callsign.startsWith('-')) {
            continue;
        }
        out += callsign + ',' + PlainNumber(pieces[0]) + '\n';
    }
    return entries;
}

} // namespace

QString FormatEPCText(const QStringList& lines, qsizetype* foreignLines)
{
    QString out;
    qsizetype foreign = 0;
    for (const QString& line : lines) {
        if (!FormatEPCLine(line, out) && !IsBlank(line)) {
            ++foreign;
        }
    }
    if (foreignLines) {
        *foreignLines = foreign;
    }
    return out;
}

void FormatEPCFile(const QString& infile, const QString& OutFile)
{
    const QByteArray text = FormatEPCText(ReadTextLines(infile)).toUtf8();
    // Unbuffered, so a full disk fails the write itself instead of leaving an empty file behind a
    // commit that reports success.
    QSaveFile file(OutFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || !WriteAll(file, text) || !file.commit()) {
        throw EVantrel(FileError(OutFile, file.errorString()));
    }
}

bool IsCallsignText(const QString& text)
{
    const QString callsign = text.trimmed();
    if (callsign.isEmpty() || callsign.size() > 20) {
        return false;
    }
    for (const QChar c : callsign) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7F) {
            return false;
        }
    }
    return true;
}

TRosterEntry ParseTenTenLine(const QString& line)
{
    if (IsBlank(line)) {
        return {};
    }
    const QStringList fields = RosterFields(line);
    if (fields.size() < 3 || !IsInteger(fields[0].trimmed()) || !IsCallsignText(fields[1])) {
        return {TKind::Bad, {}, {}, {}};
    }
    const QString callsign = fields[2] == QStringLiteral("2") ? fields[1].toLower() : fields[1];
    return {TKind::Member, callsign, fields[0], {}};
}

TRosterEntry ParseVPLine(const QString& line)
{
    if (IsBlank(line)) {
        return {};
    }
    const QStringList fields = RosterFields(line);
    if (fields[0] == QStringLiteral("VP")) {
        return {};
    }
    if (fields.size() < 3) {
        return {TKind::Bad, {}, {}, {}};
    }
    const QString vp = fields[0].trimmed();
    const QString tenten = fields[2].trimmed();
    if (!IsInteger(vp) || !IsInteger(tenten)) {
        return {TKind::Bad, {}, {}, {}};
    }
    return {TKind::Member, {}, PlainNumber(vp), PlainNumber(tenten)};
}

TRosterEntry ParseEPCLine(const QString& line)
{
    if (IsBlank(line)) {
        return {};
    }
    const QStringList fields = RosterFields(line);
    return MemberEntry(fields, fields.value(0), fields.value(1));
}

TRosterEntry ParseP070Line(const QString& line)
{
    if (IsBlank(line)) {
        return {};
    }
    QString cleaned = line;
    cleaned.remove('\\');
    cleaned.remove('"');
    if (IsEmptyRow(cleaned)) {
        return {};
    }
    const QStringList fields = RosterFields(cleaned);
    return MemberEntry(fields, fields.value(1), fields.value(0));
}

QString RosterProblem(const QString& text, const TRosterCount& count)
{
    const QString content = text.trimmed();
    if (content.isEmpty()) {
        return QStringLiteral("the file is empty");
    }
    if (content.startsWith('<')) {
        return QStringLiteral("it is a web page or other markup, not a list of members");
    }
    for (const QChar c : text) {
        if ((c.unicode() < 0x20 && c != '\t' && c != '\r' && c != '\n') || c.unicode() == 0x7F) {
            return QStringLiteral("it is not a text file");
        }
    }
    if (count.members == 0) {
        return QStringLiteral("none of its %1 lines is a member").arg(count.lines);
    }
    // A few damaged lines are skipped and counted; a file of mostly other lines is something else.
    if (count.damaged + count.foreign > 2 * count.members) {
        return QStringLiteral("only %1 of its %2 lines are members").arg(count.members).arg(count.lines);
    }
    return {};
}
