#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class TDM;

// Reading a whole event log table, for the files written from a finished log.

// One row as ForEachLogRow hands it over: the value of each column asked for, at that column's place in
// the list asked for, as UTF-8 text. A value is the text QVariant::toString() gives for it: NULL is empty,
// numbers in their shortest form, text and blobs as text, always valid UTF-8.
class TLogRowText
{
public:
    // Whether the table has the column at this place of the list.
    bool Has(int column) const { return fSource[column] >= 0; }
    // The value at this place of the list, empty for a column the table lacks. Valid during the visit only.
    QByteArrayView Value(int column) const { return fValues[column]; }

private:
    friend void ForEachLogRow(TDM& dm, const QString& table, const QStringList& columns,
                              const std::function<void(const TLogRowText&)>& visit);

    std::vector<int> fSource;            // the column of the statement, -1 for one the table lacks
    std::vector<QByteArrayView> fValues; // where each value lies: the engine's row or fConverted
    std::vector<QByteArray> fConverted;  // the values that are not plain text as stored
};

// Calls visit for every row of the table, in the order the database returns them (insertion order), with
// the listed columns (names matched without regard to case). The row passed is reused from one call to
// the next. Throws EDatabaseError when the table cannot be read (no such table, an empty name included).
void ForEachLogRow(TDM& dm, const QString& table, const QStringList& columns,
                   const std::function<void(const TLogRowText&)>& visit);
