#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringConverter>
#include <optional>
#include <utility>
#include <vector>

// A small INI-style profile file: [Section] headers and key=value lines. Values are kept verbatim
// (backslashes, commas and quotes are not interpreted), keys and section names are compared without
// regard to case, and every other line of the file keeps its exact bytes when a key is written (a value
// in another encoding, a comment, the line ends). The file is parsed once and parsed again only when it
// has changed on disk; each write replaces the file in one step (a temporary file renamed over the old
// one), so a crash never leaves a half-written file and every key written before survives.
//
// Text is read as UTF-8 where a line is valid UTF-8 and as Latin-1 otherwise; a byte-order mark selects
// the encoding of the whole file and is kept. New lines are written in UTF-8 (or the byte-order mark's
// encoding).
class TIniFile
{
public:
    explicit TIniFile(const QString& path);

    const QString& Path() const { return fpath; }

    // The stored value, or nothing when the file, the section or the key is missing. Throws EVantrel
    // naming the file when it exists but cannot be read.
    std::optional<QString> Read(const QString& section, const QString& key) const;

    // Writes key=value into the section (created at the end when missing). Throws EVantrel
    // "Unable to write to <path>: <reason>" when the file system refuses the write, when a line break is
    // in the section, key or value (it would start a line of its own in the file), or when the file
    // exists but cannot be read (it is then left as it is).
    void Write(const QString& section, const QString& key, const QString& value);
    // Writes several keys of a section with one replacement of the file, in the order given: all of them
    // reach the disk or, when any is refused, none does. Throws as Write does.
    void WriteMany(const QString& section, const QList<std::pair<QString, QString>>& entries);

private:
    // One line of the file: its text without the line end, and where the next line starts.
    struct TLine
    {
        qsizetype start = 0;
        qsizetype length = 0;
        qsizetype next = 0;
    };
    struct TStamp
    {
        bool exists = false;
        qint64 size = 0;
        QDateTime modified;
        bool operator==(const TStamp&) const = default;
    };

    TStamp Stamp() const;
    // Throws when a key and value cannot be one line of the file.
    void CheckEntry(const QString& section, const QString& key, const QString& value) const;
    // The text of the file (after its mark) with key=value put in.
    QByteArray WithEntry(const QString& section, const QString& key, const QString& value) const;
    void Refresh() const;
    void Parse(QByteArray body) const;
    QString LineText(qsizetype index, qsizetype length = -1) const;
    std::optional<QString> SectionOf(qsizetype index) const;
    std::optional<QString> KeyOf(qsizetype index) const;
    // The length of the key part of a key=value line (up to the '='), or -1 for any other line.
    qsizetype KeyLength(qsizetype index) const;
    // The line of a key, the first one in a section of that name.
    std::optional<qsizetype> Find(const QString& section, const QString& key) const;

    QString fpath;
    mutable bool fLoaded = false;
    mutable TStamp fStamp;
    mutable QByteArray fBom; // the byte-order mark, kept as it was
    // A UTF-16 or UTF-32 file (by its mark) is held re-coded as UTF-8 and coded back when written.
    mutable std::optional<QStringConverter::Encoding> fWide;
    mutable QByteArray fBody; // the file after its mark
    mutable QByteArray fEol;
    mutable std::vector<TLine> fLines;
    mutable std::vector<qsizetype> fSections; // lines that are section headers, in file order
    mutable QHash<size_t, qsizetype> fIndex;  // section and key (case-folded) -> their first key line
};
