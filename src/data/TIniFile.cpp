#include "TIniFile.h"

#include "Errors.h"
#include "FileWrite.h"

#include <QFile>
#include <QStringDecoder>

namespace {

// The section name of a "[Section]" line, or nothing for any other line.
std::optional<QString> SectionOf(const QString& line)
{
    const QString t = line.trimmed();
    if (t.startsWith('[') && t.endsWith(']')) {
        return t.mid(1, t.size() - 2).trimmed();
    }
    return std::nullopt;
}

// The key of a "key=value" line, or nothing for comments and other lines.
std::optional<QString> KeyOf(const QString& line)
{
    const QString t = line.trimmed();
    if (t.isEmpty() || t.startsWith(';') || t.startsWith('#') || t.startsWith('[')) {
        return std::nullopt;
    }
    const qsizetype eq = line.indexOf('=');
    if (eq < 0) {
        return std::nullopt;
    }
    return line.left(eq).trimmed();
}

} // namespace

TIniFile::TIniFile(const QString& path) : fpath(path) {}

TIniFile::TContent TIniFile::Load() const
{
    TContent content;
#ifdef Q_OS_WIN
    content.eol = QStringLiteral("\r\n");
#endif
    QFile file(fpath);
    if (!file.open(QIODevice::ReadOnly)) {
        return content;
    }
    const QByteArray bytes = file.readAll();
    const auto encoding = QStringConverter::encodingForData(bytes);
    QStringDecoder decoder(encoding.value_or(QStringConverter::Utf8));
    QString text = decoder(bytes);
    if (text.startsWith(QChar(0xFEFF))) {
        text.remove(0, 1);
    }
    if (text.contains(QStringLiteral("\r\n"))) {
        content.eol = QStringLiteral("\r\n");
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace('\r', '\n');
    content.endsWithEol = text.isEmpty() || text.endsWith('\n');
    if (text.endsWith('\n')) {
        text.chop(1);
    }
    if (!text.isEmpty()) {
        content.lines = text.split('\n');
    }
    return content;
}

std::optional<QString> TIniFile::Read(const QString& section, const QString& key) const
{
    const TContent content = Load();
    bool inSection = false;
    for (const QString& line : content.lines) {
        if (const auto s = SectionOf(line)) {
            inSection = s->compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (inSection) {
            if (const auto k = KeyOf(line); k && k->compare(key, Qt::CaseInsensitive) == 0) {
                return line.mid(line.indexOf('=') + 1);
            }
        }
    }
    return std::nullopt;
}

void TIniFile::Write(const QString& section, const QString& key, const QString& value)
{
    TContent content = Load();
    QStringList& lines = content.lines;
    const QString newLine = key + '=' + value;

    qsizetype sectionStart = -1; // index of the section header
    qsizetype sectionEnd = -1;   // index after the last key line of the section
    bool inSection = false;
    bool written = false;
    for (qsizetype i = 0; i < lines.size() && !written; ++i) {
        if (const auto s = SectionOf(lines[i])) {
            if (inSection) {
                break;
            }
            inSection = s->compare(section, Qt::CaseInsensitive) == 0;
            if (inSection) {
                sectionStart = i;
                sectionEnd = i + 1;
            }
            continue;
        }
        if (inSection) {
            if (const auto k = KeyOf(lines[i])) {
                if (k->compare(key, Qt::CaseInsensitive) == 0) {
                    lines[i] = newLine;
                    written = true;
                }
                sectionEnd = i + 1;
            }
        }
    }
    if (!written) {
        if (sectionStart < 0) {
            if (!lines.isEmpty() && !lines.last().trimmed().isEmpty()) {
                lines << QString();
            }
            lines << '[' + section + ']';
            lines << newLine;
        } else {
            lines.insert(sectionEnd, newLine);
        }
    }

    QString text = lines.join(content.eol);
    if (content.endsWithEol || !written) {
        text += content.eol;
    }
    if (const QString reason = ReplaceFile(fpath, text.toUtf8()); !reason.isEmpty()) {
        throw EVantrel(QStringLiteral("Unable to write to %1: %2").arg(fpath, reason));
    }
}
