#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// The dupe sheet: every worked call sign grouped by its call area digit, for checking duplicates by eye.
class TDupeSheet
{
public:
    // The call area of a call sign: its first decimal digit, looking at every character but the last
    // (a digit that only ends a portable suffix does not count). Nothing when there is no such digit.
    static std::optional<int> CallArea(const QString& call);

    // Lists a call under its call area; a call without one is left out. A call logged twice is listed
    // twice.
    void Add(const QString& call);

    // The sheet: "<own call> <event> Dupe Sheet", then for each area 0 to 9 an empty line, a
    // "Call Area <digit>" line and the line of its calls in case-insensitive order, each followed by a
    // comma. Lines end in LF; the text ends with the last call of area 9 (or its heading line).
    QString Text(const QString& callsign, const QString& contestName) const;

private:
    std::array<QStringList, 10> fAreas;
};
