#pragma once

#include <QStringList>

class QTextStream;

// vantrel --import-adif FILE --log TABLE [--keep-dupes]
//
// Imports an ADIF file into an open log of the work folder without showing a window, for scripts:
// prints the import summary and returns 0 when at least one contact was imported, 1 when none was, and 2
// on a usage error or a failure (no such log, a file that cannot be read, a database error).
bool IsADIFImportCommand(const QStringList& args);
int RunADIFImportCommand(const QStringList& args, QTextStream& out, QTextStream& err);
