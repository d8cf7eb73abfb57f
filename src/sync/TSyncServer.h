#pragma once

#include "SharedEvent.h"
#include "TShareSettings.h"

#include "data/Errors.h"
#include "data/SyncStore.h"

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>
#include <optional>

class QSqlDriver;
struct pg_conn;
class QSqlQuery;

// Why the server could not be used.
enum class TSyncErrorKind
{
    Unreachable,         // no answer at that address (network down, server stopped, wrong host or port)
    ConnectionLost,      // the connection broke while in use
    PasswordRefused,     // the server refused the password (or wanted one)
    TlsRequiredByServer, // the server takes only encrypted connections, the TLS mode is "disable"
    TlsUnavailable,      // the TLS mode requires encryption, the server does not offer it
    DatabaseMissing,     // no database of that name
    UserMissing,         // no user of that name
    NotPermitted,        // the server's rules (pg_hba.conf, privileges) do not let this user in
    NoSharedLog,         // the log is not shared on the server yet and this position does not hold it
    NotASharedLog,       // a schema of the log's name that is not a shared log of this program
    DriverMissing,       // Qt's PostgreSQL driver is not installed
    Refused              // the server refused a statement
};

// An error of the shared log's server, with a message for the operator and the server's own text.
class ESyncError : public EVantrel
{
public:
    ESyncError(TSyncErrorKind kind, const QString& message, const QString& detail = QString())
        : EVantrel(message), fKind(kind), fDetail(detail)
    {}
    TSyncErrorKind Kind() const { return fKind; }
    QString Detail() const { return fDetail; }
    // Kinds that another try soon will not mend: wrong settings or a server not set up for the club.
    bool Lasting() const;

private:
    TSyncErrorKind fKind;
    QString fDetail;
};

// The error of a connection that failed, from the PostgreSQL client's message.
ESyncError ConnectError(const QString& message, const TShareSettings& settings);

// A position as the server knows it.
struct TServerPosition
{
    QString name;
    QDateTime seen; // the last time it was in touch (UTC)
    bool operator==(const TServerPosition&) const = default;
};

// The shared log on the PostgreSQL server, through one connection of Qt's QPSQL driver. Every shared log
// is a schema named after its log table, holding:
//   event      the event's configuration, field by field, and the format of the table set;
//   clock      one row: the last number of the server's order given out;
//   positions  the positions that joined, with the time each was last in touch;
//   contacts   one row per contact (its global identity, the position that logged it, its place in the
//              server's order, a tombstone flag and every column of the log table).
// Every change is one upsert that takes the next number of the server's order while it holds the clock's
// row, so the numbers are given in the order the changes commit: a reader that has seen a number has seen
// every change before it. A tombstone is final: no later change brings the contact back. Each batch of
// changes ends with a notification on the log's channel, which the other positions listen to.
// Every call throws ESyncError; a broken connection gives ConnectionLost. The object belongs to the thread
// that uses it.
class TSyncServer
{
public:
    explicit TSyncServer(const QString& connectionName);
    ~TSyncServer();
    TSyncServer(const TSyncServer&) = delete;
    TSyncServer& operator=(const TSyncServer&) = delete;

    void Connect(const TShareSettings& settings);
    void Close();
    bool IsConnected() const;
    QSqlDriver* Driver() const;

    // The schema of a log's table set (the table name, cut and marked with a hash when it would pass the
    // server's 63-byte limit) and the channel its changes are announced on.
    static QString SchemaName(const QString& table);
    static QString ChannelName(const QString& table);

    // Opens the table set of a log: creates it when missing (given the event's configuration, from a
    // position that holds the log), or checks the one there. Returns the configuration the server holds.
    // Throws NoSharedLog when it is missing and no configuration is given.
    TEventConfig OpenLog(const QString& table, const std::optional<TEventConfig>& event);
    // Records a position as taking part (or still in touch); announce tells the other positions.
    void JoinPosition(const QString& position, bool announce = false);
    // Starts listening for the changes of the open log.
    void Listen();
    // The connection's socket, which becomes readable when a notification arrives.
    int Socket() const;
    // Reads what the connection has received and takes its notifications: the positions (other than this
    // connection) that announced changes or their joining. Never waits. IsConnected() is false afterwards
    // when the read found the connection ended.
    QStringList TakeNotifications();

    // Sends changes of this position (one per contact, at most one per identity), in one transaction.
    // Returns what the server holds of each contact afterwards.
    QList<TSyncContact> Push(const QList<TSyncContact>& changes, const QString& position);
    // The contacts changed after a number of the server's order, oldest change first, at most limit.
    QList<TSyncContact> Pull(qint64 after, int limit);
    // The last number of the server's order.
    qint64 ServerSeq();
    QList<TServerPosition> Positions();

private:
    // The client library's connection under the driver's.
    pg_conn* Connection() const;
    QSqlQuery Exec(const QString& sql);
    // A value as an SQL literal, escaped by the driver.
    QString Literal(const QVariant& value) const;
    QString Table(const char* name) const;
    QList<TSyncContact> ReadContacts(QSqlQuery& q);
    // Throws the error of a failed statement; state is the server's SQLSTATE code, when there is one.
    [[noreturn]] void Fail(const QString& what, const QString& detail, const QString& state = QString());
    void Rollback();

    QString fConnection;
    TShareSettings fSettings;
    QString fTable;
    QString fSchema;
};

Q_DECLARE_METATYPE(TServerPosition)
