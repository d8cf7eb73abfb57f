#pragma once

#include <QByteArray>
#include <QString>

// A recorded reply or file of tests/fixtures, by its path below that folder ("lookup/qrz_login.xml"). A
// missing fixture stops the test program: a test must never run on an empty reply by mistake.
QByteArray ReadFixture(const QString& relativePath);

// Writes bytes to a new or replaced file, making its folder first. Returns false when the file could not
// be written whole.
bool WriteTestFile(const QString& path, const QByteArray& bytes);

// The bytes of a file, empty when it cannot be read.
QByteArray ReadTestFile(const QString& path);
