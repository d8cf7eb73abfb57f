#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QIODevice;

// Writes all of bytes to an open file. A nearly full disk takes part of a write without an error; the
// rest is written again, so that a failure comes with the system's reason ("No space left on device")
// in the file's errorString() rather than none. False when not all could be written.
bool WriteAll(QIODevice& file, QByteArrayView bytes);

// Replaces a file with new contents in one step. The bytes go to a temporary file beside it, written
// without a buffer so that a full disk is seen at the write itself (a buffered QSaveFile can lose the
// failure of its last flush and put an empty file in place of the old one), and only a complete temporary
// file replaces the old one. Returns empty text on success, else the system's reason ("No space left on
// device"); the old file is then untouched.
QString ReplaceFile(const QString& path, const QByteArray& bytes);
