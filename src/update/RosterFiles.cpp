#include "RosterFiles.h"

#include "data/Errors.h"
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
    if (callsign.isEmpty() || number.isEmpty() || !IsInteger(number)) {
        return {};
    }
    return {TKind::Member, callsign, PlainNumber(number), {}};
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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw EVantrel(FileError(path, file.errorString()));
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw EVantrel(FileError(path, file.errorString()));
    }
    QStringDecoder decoder(QStringConverter::encodingForData(bytes).value_or(QStringConverter::System));
    return SplitLines(decoder.decode(bytes));
}

QStringList RosterFields(const QString& line)
{
    return line.split(',', Qt::KeepEmptyParts);
}

QString FormatEPCText(const QStringList& lines)
{
    QString out;
    for (QString line : lines) {
        line.replace('*', ' ');
        line.replace(QChar(0xFFFD), ' ');
        line.replace(QStringLiteral("EPC # "), QStringLiteral("#"));
        if (line.size() <= 3) {
            continue;
        }
        // A line that began with "EPC # " now begins with the "#" of its first entry.
        line.remove(0, 1);
        for (const QString& part : line.split('#', Qt::KeepEmptyParts)) {
            const QStringList pieces = part.split(' ', Qt::KeepEmptyParts);
            if (pieces.size() < 2 || !IsInteger(pieces[0])) {
                continue;
            }
            const QString callsign = pieces[1].trimmed();
            if (callsign.startsWith('-')) {
                continue;
            }
            out += callsign + ',' + PlainNumber(pieces[0]) + '\n';
        }
    }
    return out;
}

void FormatEPCFile(const QString& infile, const QString& OutFile)
{
    const QByteArray text = FormatEPCText(ReadTextLines(infile)).toUtf8();
    // Unbuffered, so a full disk fails the write itself instead of leaving an empty file behind a
    // commit that reports success.
    QSaveFile file(OutFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(text) != text.size() ||
        !file.commit()) {
        throw EVantrel(FileError(OutFile, file.errorString()));
    }
}

TRosterEntry ParseTenTenLine(const QString& line)
{
    if (IsBlank(line)) {
        return {};
    }
    const QStringList fields = RosterFields(line);
    if (fields.size() < 3) {
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
    const QStringList fields = RosterFields(cleaned);
    return MemberEntry(fields, fields.value(1), fields.value(0));
}
