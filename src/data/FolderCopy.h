#pragma once

#include <QString>

// Copies and moves of a whole data folder (the older per-user folder taken over on the first run).
// Database files are copied through SQLite, never read as plain files: SQLite takes a consistent
// snapshot that includes what is still in the write-ahead journal, and no descriptor of the file is
// opened and closed behind SQLite's back (which would drop its locks on Linux). The "-wal", "-shm" and
// "-journal" companions are therefore not copied; their contents are in the copy.

// Copies a folder with all its files and subfolders into another (created as needed). A file that cannot
// be copied is skipped, or, when every file must arrive, raises EVantrel with the platform's error.
void CopyTree(const QString& from, const QString& to, bool everyFile);

// Moves the whole contents of a folder into another (created as needed) and removes the first.
void MoveFolder(const QString& from, const QString& to);

// Copies one SQLite database into a new file through SQLite. False when SQLite cannot read the source
// or write the target (which must not exist).
bool CopyDatabase(const QString& from, const QString& to);
