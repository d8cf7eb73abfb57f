#pragma once

#include "TLogRow.h"

#include <QString>
#include <QStringList>
#include <functional>

class TDM;

// Reading a whole event log table, for the files written from a finished log.

// Calls visit for every row of the table, in the order the database returns them (insertion order).
// Each row holds the listed columns that the table has (a column the table lacks is missing from the row,
// not an error); an empty list reads every column. The row passed is reused from one call to the next:
// copy it to keep it. Throws EDatabaseError when the table cannot be read (no such table, an empty name
// included).
void ForEachLogRow(TDM& dm, const QString& table, const QStringList& columns,
                   const std::function<void(const TLogRow&)>& visit);
