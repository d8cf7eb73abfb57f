#include "TIniFile.h"

#include "Errors.h"
#include "FileWrite.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The first byte of a line that is not a blank, or 0 for a blank line.
char FirstByte(const char* text, qsizetype length)
{
    for (qsizetype i = 0; i < length; ++i) {
        if (!IsBlank(text[i])) {
            return text[i];
        }
    }
    return 0;
}

size_t KeyHash(const QString& section, const QString& key)
{
    return qHashMulti(0, section.toCaseFolded(), key.toCaseFolded());
}

} // namespace

TIniFile::TIniFile(const QString& path) : fpath(path) {}

TIniFile::TStamp TIniFile::Stamp() const
{
    const QFileInfo info(fpath);
    if (!info.exists()) {
        return {};
    }
    return {true, info.size(), info.lastModified()};
}

void TIniFile::Refresh() const
{
    const TStamp stamp = Stamp();
    if (fLoaded && stamp == fStamp) {
        return;
    }
    QByteArray bytes;
    if (stamp.exists) {
        // A file that is there but cannot be read is never taken for an empty one: the next write would
        // replace it.
        QFile file(fpath);
        if (!file.open(QIODevice::ReadOnly)) {
            fLoaded = false;
            throw EVantrel(QStringLiteral("Unable to read %1: %2. Nothing is written to it until it can be "
                                          "read: correct its permissions or move it aside, then start "
                                          "Vantrel again.")
                               .arg(fpath, file.errorString()));
        }
        bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            fLoaded = false;
            throw EVantrel(QStringLiteral("Unable to read %1: %2.").arg(fpath, file.errorString()));
        }
    }
    fBom.clear();
    fWide.reset();
    const auto encoding = QStringConverter::encodingForData(bytes);
    if (encoding && *encoding != QStringConverter::Utf8) {
        QStringDecoder decoder(*encoding);
        QString text = decoder(bytes);
        const qsizetype mark = text.startsWith(QChar(0xFEFF)) ? 1 : 0;
        fBom = QStringEncoder(*encoding)(QString(QChar(0xFEFF)));
        fWide = encoding;
        bytes = text.mid(mark).toUtf8();
    } else if (bytes.startsWith("\xEF\xBB\xBF")) {
        fBom = bytes.left(3);
        bytes.remove(0, 3);
    }
    Parse(std::move(bytes));
    fStamp = stamp;
    fLoaded = true;
}

void TIniFile::Parse(QByteArray body) const
{
    fBody = std::move(body);
    fLines.clear();
    fSections.clear();
    fIndex.clear();
    fEol.clear();
    const char* data = fBody.constData();
    const qsizetype size = fBody.size();
    QString section;
    for (qsizetype pos = 0; pos < size;) {
        qsizetype end = pos;
        while (end < size && data[end] != '\n' && data[end] != '\r') {
            ++end;
        }
        qsizetype next = end;
        if (next < size) {
            next += (data[next] == '\r' && next + 1 < size && data[next + 1] == '\n') ? 2 : 1;
            if (fEol.isEmpty()) {
                fEol = fBody.mid(end, next - end);
            }
        }
        const qsizetype index = qsizetype(fLines.size());
        fLines.push_back({pos, end - pos, next});
        const char first = FirstByte(data + pos, end - pos);
        if (first == '[') {
            if (const auto name = SectionOf(index)) {
                fSections.push_back(index);
                section = *name;
            }
        } else if (const auto key = KeyOf(index)) {
            const size_t hash = KeyHash(section, *key);
            if (!fIndex.contains(hash)) {
                fIndex.insert(hash, index);
            }
        }
        pos = next;
    }
    if (fEol.isEmpty()) {
#ifdef Q_OS_WIN
        fEol = "\r\n";
#else
        fEol = "\n";
#endif
    }
}

QString TIniFile::LineText(qsizetype index, qsizetype length) const
{
    const TLine& line = fLines[size_t(index)];
    const QByteArray bytes = QByteArray::fromRawData(
        fBody.constData() + line.start, length < 0 ? line.length : std::min(length, line.length));
    if (!fWide && fBom.isEmpty()) {
        // Without a mark, a line that is not valid UTF-8 comes from an 8-bit code page.
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        QString text = utf8(bytes);
        return utf8.hasError() ? QString::fromLatin1(bytes) : text;
    }
    return QString::fromUtf8(bytes);
}

std::optional<QString> TIniFile::SectionOf(qsizetype index) const
{
    const QString t = LineText(index).trimmed();
    if (t.startsWith('[') && t.endsWith(']')) {
        return t.mid(1, t.size() - 2).trimmed();
    }
    return std::nullopt;
}

qsizetype TIniFile::KeyLength(qsizetype index) const
{
    const TLine& line = fLines[size_t(index)];
    const char* data = fBody.constData() + line.start;
    const char first = FirstByte(data, line.length);
    if (first == 0 || first == ';' || first == '#' || first == '[') {
        return -1;
    }
    const char* eq = static_cast<const char*>(memchr(data, '=', size_t(line.length)));
    return eq ? eq - data : -1;
}

std::optional<QString> TIniFile::KeyOf(qsizetype index) const
{
    const qsizetype length = KeyLength(index);
    if (length < 0) {
        return std::nullopt;
    }
    return LineText(index, length).trimmed();
}

std::optional<qsizetype> TIniFile::Find(const QString& section, const QString& key) const
{
    const auto matches = [&](qsizetype index) {
        const auto header = std::upper_bound(fSections.begin(), fSections.end(), index);
        if (header == fSections.begin()) {
            return section.isEmpty() && KeyOf(index)->compare(key, Qt::CaseInsensitive) == 0;
        }
        return SectionOf(*std::prev(header))->compare(section, Qt::CaseInsensitive) == 0 &&
               KeyOf(index)->compare(key, Qt::CaseInsensitive) == 0;
    };
    const auto hit = fIndex.constFind(KeyHash(section, key));
    if (hit == fIndex.constEnd()) {
        return std::nullopt;
    }
    if (matches(*hit)) {
        return *hit;
    }
    // Two names with one hash: look through the file.
    for (qsizetype i = 0; i < qsizetype(fLines.size()); ++i) {
        if (KeyOf(i) && matches(i)) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<QString> TIniFile::Read(const QString& section, const QString& key) const
{
    Refresh();
    const auto index = Find(section, key);
    if (!index) {
        return std::nullopt;
    }
    const QString text = LineText(*index);
    return text.mid(text.indexOf('=') + 1);
}

void TIniFile::Write(const QString& section, const QString& key, const QString& value)
{
    WriteMany(section, {{key, value}});
}

void TIniFile::CheckEntry(const QString& section, const QString& key, const QString& value) const
{
    for (const QString& part : {section, key, value}) {
        if (part.contains('\n') || part.contains('\r')) {
            throw EVantrel(QStringLiteral("Unable to write to %1: the value of %2 holds a line break")
                               .arg(fpath, QString(key).replace('\r', ' ').replace('\n', ' ')));
        }
    }
    if (key.trimmed().isEmpty() || key.contains('=')) {
        throw EVantrel(QStringLiteral("Unable to write to %1: \"%2\" is not a key").arg(fpath, key));
    }
}

void TIniFile::WriteMany(const QString& section, const QList<std::pair<QString, QString>>& entries)
{
    for (const auto& [key, value] : entries) {
        CheckEntry(section, key, value);
    }
    Refresh();
    // Keys that already hold their values leave the file as it is: a start that saves what it read costs
    // no rewrite and no flush to the disk.
    const bool unchanged = std::all_of(entries.begin(), entries.end(), [this, &section](const auto& entry) {
        const auto index = Find(section, entry.first);
        if (!index) {
            return false;
        }
        const QString text = LineText(*index);
        return QStringView(text).mid(text.indexOf('=') + 1) == entry.second;
    });
    if (unchanged) {
        return;
    }
    // Every key is put into the text held in memory, then the file is replaced once: either all of the
    // keys reach the disk or none does.
    QByteArray out;
    try {
        for (const auto& [key, value] : entries) {
            out = WithEntry(section, key, value);
            Parse(out);
        }
    } catch (...) {
        fLoaded = false;
        throw;
    }
    QByteArray file = fBom;
    if (fWide) {
        file += QStringEncoder(*fWide)(QString::fromUtf8(out));
    } else {
        file += out;
    }
    if (const QString reason = ReplaceFile(fpath, file); !reason.isEmpty()) {
        // What is held in memory is read again from the file as it stayed.
        fLoaded = false;
        throw EVantrel(QStringLiteral("Unable to write to %1: %2").arg(fpath, reason));
    }
    fStamp = Stamp();
    fLoaded = true;
}

QByteArray TIniFile::WithEntry(const QString& section, const QString& key, const QString& value) const
{
    const QByteArray newLine = (key + '=' + value).toUtf8();

    QByteArray out;
    out.reserve(fBody.size() + newLine.size() + 64);
    if (const auto found = Find(section, key)) {
        const TLine& line = fLines[size_t(*found)];
        out.append(fBody.constData(), line.start);
        out.append(newLine);
        out.append(fBody.constData() + line.start + line.length, fBody.size() - line.start - line.length);
    } else {
        // After the last key line of the first section of that name, or a new section at the end.
        qsizetype after = -1;
        for (size_t s = 0; s < fSections.size(); ++s) {
            if (SectionOf(fSections[s])->compare(section, Qt::CaseInsensitive) == 0) {
                after = fSections[s];
                const qsizetype end = s + 1 < fSections.size() ? fSections[s + 1] : qsizetype(fLines.size());
                for (qsizetype i = after + 1; i < end; ++i) {
                    if (KeyLength(i) >= 0) {
                        after = i;
                    }
                }
                break;
            }
        }
        if (after >= 0) {
            const TLine& line = fLines[size_t(after)];
            out.append(fBody.constData(), line.next);
            if (line.next == line.start + line.length) {
                out.append(fEol);
            }
            out.append(newLine + fEol);
            out.append(fBody.constData() + line.next, fBody.size() - line.next);
        } else {
            out = fBody;
            if (!fLines.empty()) {
                const TLine& last = fLines.back();
                if (last.next == last.start + last.length) {
                    out.append(fEol);
                }
                if (!LineText(qsizetype(fLines.size()) - 1).trimmed().isEmpty()) {
                    out.append(fEol);
                }
            }
            out.append(('[' + section + ']').toUtf8() + fEol + newLine + fEol);
        }
    }

    return out;
}
