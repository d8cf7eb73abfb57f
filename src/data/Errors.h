#pragma once

#include <QString>
#include <stdexcept>

// Errors travel up as exceptions to the window that started the action, which shows their text.
class EVantrel : public std::runtime_error
{
public:
    explicit EVantrel(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromStdString(what()); }
};

// A statement or connection the database engine refused; the text is the engine's own message.
class EDatabaseError : public EVantrel
{
public:
    using EVantrel::EVantrel;
};

// A network request that failed: unreachable host, TLS failure, HTTP error status or timeout.
class ENetworkError : public EVantrel
{
public:
    using EVantrel::EVantrel;
};
