#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// The dupe sheet: every worked call sign grouped by its call area digit, for checking duplicates by eye.
// The calls are kept packed, one block of UTF-8 text with a small entry per call, so that a log of a
// million contacts costs some twenty megabytes here rather than a string object per call.
class TDupeSheet
{
public:
    // The call area of a call sign: its first decimal digit, looking at every character but the last
    // (a digit that only ends a portable suffix does not count). Nothing when there is no such digit.
    static std::optional<int> CallArea(QStringView call);

    // Lists a call under its call area; a call without one is left out. A call logged twice is listed
    // twice.
    void Add(const QString& call);
    // The same for a call in UTF-8.
    void AddUtf8(QByteArrayView call);

    // The sheet: "<own call> <event> Dupe Sheet", then for each area 0 to 9 an empty line, a
    // "Call Area <digit>" line and the line of its calls in case-insensitive order (calls equal but for
    // case in the order they were added), each followed by a comma. Lines end in LF; the text ends with
    // the last call of area 9 (or its heading line).
    QString Text(const QString& callsign, const QString& contestName) const;

    // The same sheet in UTF-8, handed to the sink in pieces of some hundred kilobytes.
    void Write(const QString& callsign, const QString& contestName,
               const std::function<void(const QByteArray&)>& sink) const;

private:
    struct TEntry
    {
        quint64 key;       // the first 8 characters, case folded, one byte each (ASCII calls only)
        quint32 offset;    // where the call's UTF-8 text starts in fText
        quint32 size : 31; // its length in bytes
        quint32 ascii : 1; // plain ASCII: the key orders it against other ASCII calls
    };
    // Below zero when a comes first, zero when the two are equal but for case.
    int Compare(const TEntry& a, const TEntry& b) const;
    // Puts the calls of one area in the order of the sheet.
    void SortCalls(std::vector<TEntry>& calls) const;

    QByteArray fText;
    std::array<std::vector<TEntry>, 10> fAreas;
};
