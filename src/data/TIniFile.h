#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// A small INI-style profile file: [Section] headers and key=value lines. Values are kept verbatim
// (backslashes, commas and quotes are not interpreted), keys and section names are compared without
// regard to case, and every other line of the file is preserved as it stands. Each write reads the file
// afresh and replaces it in one step (a temporary file renamed over the old one), so a crash never leaves
// a half-written file and every key written before survives.
class TIniFile
{
public:
    explicit TIniFile(const QString& path);

    const QString& Path() const { return fpath; }

    // The stored value, or nothing when the file, the section or the key is missing.
    std::optional<QString> Read(const QString& section, const QString& key) const;

    // Writes key=value into the section (created at the end when missing). Throws EVantrel
    // "Unable to write to <path>" when the file system refuses the write.
    void Write(const QString& section, const QString& key, const QString& value);

private:
    struct TContent
    {
        QStringList lines;
        QString eol = QStringLiteral("\n");
        bool endsWithEol = true;
    };
    TContent Load() const;

    QString fpath;
};
