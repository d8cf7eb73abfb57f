#pragma once

#include <QByteArray>
#include <QStringList>

// One datagram of the logging server, read into its command and fields.
//
// A datagram is one command: its text (UTF-8, nothing trimmed) is split at every ":", the first piece
// is the command word and the second the argument list, split at every "," with empty fields kept in
// place. Command words and FIELD keys are compared exactly, letter case included.
enum class TServerCommandKind
{
    None, // not understood, or too short to act on: dropped without a word
    Update,
    Log,
    Clear,
    Field
};

struct TServerCommand
{
    TServerCommandKind kind = TServerCommandKind::None;
    // UPDATE: call sign, name, Ten-Ten, VP, mode, EPC, 070, country[, state, county].
    // FIELD: key, value[, second value].
    QStringList fields;
};

// The largest datagram read as a command; anything longer is dropped.
constexpr qsizetype kMaxDatagramSize = 64 * 1024;

// Reads a datagram. A datagram with an unknown command or FIELD key, one longer than kMaxDatagramSize,
// and one with fewer fields than its command needs (UPDATE: 8, or 10 for the United States; FIELD: a
// value, and a state after "qth" with the United States) gives TServerCommandKind::None.
TServerCommand ParseDatagram(const QByteArray& payload);

// True when a country name names the United States (letter case ignored).
bool IsUnitedStates(const QString& country);
