#pragma once

#include <QString>
#include <QStringList>

class TSettings;

// Where and how a position shares a log: the PostgreSQL server, the log (by its table name) and the name
// of this position. Kept in the settings file (the password encoded as the call-book passwords are), so a
// club can hand every position a ready file.
struct TShareSettings
{
    QString host;
    int port = 5432;
    QString database;
    QString user;
    QString password; // plain text here; encoded in the settings file
    QString tlsMode = QStringLiteral("prefer");
    QString position; // this position's name, shown to the others
    QString log;      // the table name of the shared log
    bool joinAtStart = false;

    // What keeps the settings from being used, in words for the operator; empty when nothing does.
    QString Problem() const;

    bool operator==(const TShareSettings&) const = default;
};

// The TLS modes of the PostgreSQL client, weakest first (its "sslmode" values).
QStringList TlsModes();

// The name a position gets unless it is given one: the computer's host name.
QString DefaultPositionName();

// The settings as the settings file holds them (defaults for keys not there; the position defaults to the
// host name).
TShareSettings ReadShareSettings(const TSettings& settings);
// Writes every key.
void SaveShareSettings(TSettings& settings, const TShareSettings& share);
