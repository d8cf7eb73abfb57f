#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file with new contents in one step. The bytes go to a temporary file beside it, written
// without a buffer so that a full disk is seen at the write itself (a buffered QSaveFile can lose the
// failure of its last flush and put an empty file in place of the old one), and only a complete temporary
// file replaces the old one. Returns empty text on success, else the system's reason ("No space left on
// device"); the old file is then untouched.
QString ReplaceFile(const QString& path, const QByteArray& bytes);
