#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// The second process of the tests (tests/peer): another program that opens the database files.
namespace TPeer {

// Runs the helper to its end and gives the lines it printed; empty when it failed.
QStringList Run(const QStringList& args);

// Opens a database, reads it and closes it from another process, as a backup tool would.
bool Peek(const QString& db);

// The call signs of a log table, read by a fresh connection of another process.
QStringList Calls(const QString& db, const QString& table);

// Starts the helper without waiting for its end.
void Start(QProcess& process, const QStringList& args);

// Waits until the process prints a line; false after the timeout.
bool WaitForLine(QProcess& process, const QByteArray& line, int timeoutMs = 60000);

} // namespace TPeer
