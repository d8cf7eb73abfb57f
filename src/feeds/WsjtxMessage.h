#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The messages WSJT-X and JTDX send to logging programs over UDP: a QDataStream in big-endian order that
// starts with the magic number 0xadbccbda, the schema number (2 or 3), the message type and the id of the
// sending program. Two types carry a logged contact: "QSO Logged" (5) with the contact's fields, and
// "Logged ADIF" (12) with the contact as an ADIF record. Every other type (heartbeat, status, decodes...)
// is of no interest to a logger.

namespace Wsjtx {
constexpr quint32 kMagic = 0xadbccbda;
constexpr quint32 kQsoLogged = 5;
constexpr quint32 kLoggedAdif = 12;
} // namespace Wsjtx

struct TWsjtxMessage
{
    quint32 schema = 0;
    quint32 type = 0;
    QString id; // the sending program ("WSJT-X", "JTDX", ...)
    // The logged contact as ADIF text ending in <EOR>: the record of a "Logged ADIF" message, or one
    // made of the fields of a "QSO Logged" message. Empty for every other type.
    QByteArray adif;
};

// Reads one datagram. Nothing for a datagram that is no message of the protocol (wrong magic number, an
// unknown schema, or a contact message cut short).
std::optional<TWsjtxMessage> ParseWsjtxMessage(const QByteArray& datagram);
