#pragma once

#include <QString>
#include <QStringView>

// Values written into the output files (submission log, dupe sheet, ADIF export) and typed into one-line
// fields hold no character that breaks a line or a column: control characters (C0, DEL and C1, the
// line feed, carriage return, tab and NUL among them) and the Unicode line and paragraph separators
// each become one blank.
namespace OneLine {

constexpr bool Breaks(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

// Appends the value with every such character turned into a blank; characters equal to skip are left
// out.
inline void Append(QString& out, QStringView value, char16_t skip = 0)
{
    for (const QChar c : value) {
        const char16_t u = c.unicode();
        if (u == skip && skip != 0) {
            continue;
        }
        out.append(Breaks(u) ? QChar(u' ') : c);
    }
}

inline bool IsClean(QStringView value)
{
    for (const QChar c : value) {
        if (Breaks(c.unicode())) {
            return false;
        }
    }
    return true;
}

inline QString Clean(const QString& value)
{
    if (IsClean(value)) {
        return value;
    }
    QString out;
    out.reserve(value.size());
    Append(out, value);
    return out;
}

} // namespace OneLine
