#include "TSyncServer.h"

#include "data/TDM.h"
#include "data/TSharedLibrary.h"

#include <QCryptographicHash>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <libpq-fe.h>

namespace {

// The client library's functions, resolved when a server connection is first opened (Qt's driver has
// loaded the library by then; see TSharedLibrary).
struct TPqApi
{
    TSharedLibrary fLibrary{QStringLiteral("pq"), 5};
#define VANTREL_RESOLVE(f) fLibrary.Resolve<decltype(::f)>(#f)
    decltype(::PQbackendPID)* PQbackendPID = VANTREL_RESOLVE(PQbackendPID);
    decltype(::PQconsumeInput)* PQconsumeInput = VANTREL_RESOLVE(PQconsumeInput);
    decltype(::PQfreemem)* PQfreemem = VANTREL_RESOLVE(PQfreemem);
    decltype(::PQnotifies)* PQnotifies = VANTREL_RESOLVE(PQnotifies);
    decltype(::PQsetNoticeProcessor)* PQsetNoticeProcessor = VANTREL_RESOLVE(PQsetNoticeProcessor);
    decltype(::PQsocket)* PQsocket = VANTREL_RESOLVE(PQsocket);
    decltype(::PQstatus)* PQstatus = VANTREL_RESOLVE(PQstatus);
#undef VANTREL_RESOLVE
};

const TPqApi& Pq()
{
    // A failed load throws out of the initialisation, which runs again at the next use.
    static const TPqApi api;
    return api;
}

} // namespace

namespace {

// The log table's columns on the server, with their types, in the order of a contact's values.
const char* const kContactColumns[] = {"_date text",
                                       "_time text",
                                       "_call text",
                                       "_tenten text",
                                       "_vp text",
                                       "_epc text",
                                       "_p070 text",
                                       "_mode text",
                                       "_name text",
                                       "_qth text",
                                       "_mycounty text",
                                       "_uscounty text",
                                       "_points integer",
                                       "_mobile integer",
                                       "_dxcc integer",
                                       "_comment text",
                                       "submit_bar integer",
                                       "submit_digital integer",
                                       "submit_county integer"};

QStringList ColumnNames()
{
    QStringList names;
    for (const char* column : kContactColumns) {
        names << QString::fromLatin1(column).section(' ', 0, 0);
    }
    return names;
}

Q_LOGGING_CATEGORY(lcSyncServer, "vantrel.sync.server")

// The server's notices (such as its message when it shuts down) go to the log, not to the standard error.
void Notice(void*, const char* message)
{
    qCInfo(lcSyncServer) << QString::fromUtf8(message).trimmed();
}

// Batches are sent as multi-row statements of this many contacts.
constexpr int kRowsPerStatement = 200;

QString FirstLine(const QString& text)
{
    return text.trimmed().section('\n', 0, 0).trimmed();
}

} // namespace

bool ESyncError::Lasting() const
{
    switch (fKind) {
    case TSyncErrorKind::PasswordRefused:
    case TSyncErrorKind::TlsRequiredByServer:
    case TSyncErrorKind::TlsUnavailable:
    case TSyncErrorKind::DatabaseMissing:
    case TSyncErrorKind::UserMissing:
    case TSyncErrorKind::NotPermitted:
    case TSyncErrorKind::NotASharedLog:
    case TSyncErrorKind::DriverMissing:
        return true;
    default:
        return false;
    }
}

ESyncError ConnectError(const QString& message, const TShareSettings& s)
{
    const QString server =
        QStringLiteral("%1:%2").arg(s.host.isEmpty() ? QStringLiteral("localhost") : s.host).arg(s.port);
    const auto has = [&](const char* text) {
        return message.contains(QLatin1String(text), Qt::CaseInsensitive);
    };
    if (has("password authentication failed") || has("no password supplied")) {
        return ESyncError(
            TSyncErrorKind::PasswordRefused,
            QStringLiteral("The server %1 refused the password of user \"%2\".").arg(server, s.user),
            message);
    }
    if (has("server does not support SSL")) {
        return ESyncError(
            TSyncErrorKind::TlsUnavailable,
            QStringLiteral(
                "The server %1 does not offer encrypted (TLS) connections, but the TLS mode \"%2\" "
                "requires them: switch TLS on at the server, or choose the TLS mode \"prefer\".")
                .arg(server, s.tlsMode),
            message);
    }
    if ((has("pg_hba.conf") && has("no encryption"))) {
        return ESyncError(
            TSyncErrorKind::TlsRequiredByServer,
            QStringLiteral(
                "The server %1 accepts only encrypted (TLS) connections, but the TLS mode is \"%2\": "
                "choose the TLS mode \"require\".")
                .arg(server, s.tlsMode),
            message);
    }
    static const QRegularExpression database(QStringLiteral("database \"[^\"]*\" does not exist"));
    if (database.match(message).hasMatch()) {
        return ESyncError(
            TSyncErrorKind::DatabaseMissing,
            QStringLiteral("The database \"%1\" does not exist on the server %2: the club's server "
                           "keeper creates it (createdb).")
                .arg(s.database, server),
            message);
    }
    static const QRegularExpression role(QStringLiteral("role \"[^\"]*\" does not exist"));
    if (role.match(message).hasMatch()) {
        return ESyncError(
            TSyncErrorKind::UserMissing,
            QStringLiteral("The server %1 has no user \"%2\": the club's server keeper creates it "
                           "(createuser).")
                .arg(server, s.user),
            message);
    }
    if (has("pg_hba.conf") || has("permission denied")) {
        return ESyncError(
            TSyncErrorKind::NotPermitted,
            QStringLiteral("The server %1 does not let user \"%2\" use the database \"%3\" from this "
                           "computer: %4")
                .arg(server, s.user, s.database, FirstLine(message)),
            message);
    }
    return ESyncError(TSyncErrorKind::Unreachable,
                      QStringLiteral("The server %1 cannot be reached: %2").arg(server, FirstLine(message)),
                      message);
}

TSyncServer::TSyncServer(const QString& connectionName) : fConnection(connectionName) {}

TSyncServer::~TSyncServer()
{
    if (QSqlDatabase::contains(fConnection)) {
        QSqlDatabase::database(fConnection, false).close();
        QSqlDatabase::removeDatabase(fConnection);
    }
}

void TSyncServer::Connect(const TShareSettings& s)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        throw ESyncError(
            TSyncErrorKind::DriverMissing,
            QStringLiteral("Qt's PostgreSQL driver (QPSQL) is not installed: install the package "
                           "libqt6sql6-psql."));
    }
    QSqlDatabase db = QSqlDatabase::contains(fConnection)
                          ? QSqlDatabase::database(fConnection, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), fConnection);
    db.close();
    db.setHostName(s.host.trimmed());
    db.setPort(s.port);
    db.setDatabaseName(s.database.trimmed());
    db.setUserName(s.user.trimmed());
    db.setPassword(s.password);
    // A dead network shows within seconds, in a connection attempt, an idle connection or a statement.
    db.setConnectOptions(QStringLiteral("sslmode=%1;connect_timeout=5;keepalives=1;keepalives_idle=10;"
                                        "keepalives_interval=3;keepalives_count=3;tcp_user_timeout=10000;"
                                        "application_name=Vantrel")
                             .arg(s.tlsMode));
    if (!db.open()) {
        const QSqlError error = db.lastError();
        db.close();
        throw ConnectError(error.databaseText().isEmpty() ? error.text() : error.databaseText(), s);
    }
    if (pg_conn* connection = Connection()) {
        Pq().PQsetNoticeProcessor(connection, &Notice, nullptr);
    }
    fSettings = s;
}

void TSyncServer::Close()
{
    if (QSqlDatabase::contains(fConnection)) {
        QSqlDatabase::database(fConnection, false).close();
    }
}

bool TSyncServer::IsConnected() const
{
    return QSqlDatabase::contains(fConnection) && QSqlDatabase::database(fConnection, false).isOpen();
}

QSqlDriver* TSyncServer::Driver() const
{
    return QSqlDatabase::database(fConnection, false).driver();
}

QString TSyncServer::SchemaName(const QString& table)
{
    QString name = table;
    static const QRegularExpression other(QStringLiteral("[^A-Za-z0-9_]"));
    name.replace(other, QStringLiteral("_"));
    // The server cuts longer names silently, which could make two logs one.
    if (name.toUtf8().size() > 63 || name != table) {
        const QByteArray hash = QCryptographicHash::hash(table.toUtf8(), QCryptographicHash::Sha1).toHex();
        name = name.left(50) + '_' + QString::fromLatin1(hash.left(12));
    }
    return name;
}

QString TSyncServer::ChannelName(const QString& table)
{
    // Channel names are identifiers: lower case letters and digits need no quoting anywhere.
    return QStringLiteral("vantrel_") +
           QString::fromLatin1(QCryptographicHash::hash(SchemaName(table).toUtf8(), QCryptographicHash::Md5)
                                   .toHex()
                                   .left(24));
}

QString TSyncServer::Table(const char* name) const
{
    return QuoteIdent(fSchema) + '.' + QLatin1String(name);
}

// Values go into the statement text as literals escaped by the driver itself, not bound: a statement is
// then one round trip, where the driver's server-side prepared statements take three and cannot be freed
// on a lost connection. PostgreSQL text cannot hold the character 0, which is left out.
QString TSyncServer::Literal(const QVariant& value) const
{
    QVariant v = value;
    if (v.typeId() == QMetaType::QString) {
        QString text = v.toString();
        text.remove(QChar(0));
        v = TextValue(text);
    }
    QSqlField field(QString(), v.metaType());
    field.setValue(v);
    return Driver()->formatValue(field);
}

void TSyncServer::Fail(const QString& what, const QString& detail, const QString& state)
{
    // Classes 08 (connection exception) and 57 (operator intervention: a server shutting down or
    // restarting) end the connection, whether or not the client has read its end yet.
    if (!IsConnected() || state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57"))) {
        throw ESyncError(TSyncErrorKind::ConnectionLost,
                         QStringLiteral("The connection to the server was lost: %1").arg(FirstLine(detail)),
                         detail);
    }
    throw ESyncError(TSyncErrorKind::Refused, what + QStringLiteral(": ") + FirstLine(detail), detail);
}

QSqlQuery TSyncServer::Exec(const QString& sql)
{
    QSqlQuery q(QSqlDatabase::database(fConnection, false));
    q.setForwardOnly(true);
    if (!q.exec(sql)) {
        Fail(QStringLiteral("The server refused a statement"), ErrorText(q.lastError()),
             q.lastError().nativeErrorCode());
    }
    return q;
}

void TSyncServer::Rollback()
{
    if (IsConnected()) {
        QSqlQuery q(QSqlDatabase::database(fConnection, false));
        q.exec(QStringLiteral("ROLLBACK"));
    }
}

TEventConfig TSyncServer::OpenLog(const QString& table, const std::optional<TEventConfig>& event)
{
    fTable = table;
    fSchema = SchemaName(table);
    TEventConfig held;
    Exec(QStringLiteral("BEGIN"));
    try {
        // Two positions opening a new log at once: one creates it while the other waits, then finds it.
        Exec(QStringLiteral("SELECT pg_advisory_xact_lock(hashtext(%1))")
                 .arg(Literal(QStringLiteral("vantrel ") + fSchema)));
        QSqlQuery q =
            Exec(QStringLiteral("SELECT (SELECT count(*) FROM pg_namespace WHERE nspname=%1), "
                                "(SELECT count(*) FROM pg_tables WHERE schemaname=%1 AND tablename IN "
                                "('event','clock','positions','contacts'))")
                     .arg(Literal(fSchema)));
        q.next();
        const bool schema = q.value(0).toInt() > 0;
        const int tables = q.value(1).toInt();
        q.finish();
        if (schema && tables != 4) {
            throw ESyncError(
                TSyncErrorKind::NotASharedLog,
                QStringLiteral("The database holds a schema \"%1\" that is not a shared log of Vantrel.")
                    .arg(fSchema));
        }
        if (!schema) {
            if (!event) {
                throw ESyncError(
                    TSyncErrorKind::NoSharedLog,
                    QStringLiteral("The log %1 is not shared on the server yet: share it first from "
                                   "a position that holds it.")
                        .arg(table));
            }
            QStringList columns;
            for (const char* column : kContactColumns) {
                columns << QString::fromLatin1(column);
            }
            Exec(QStringLiteral("CREATE SCHEMA ") + QuoteIdent(fSchema));
            Exec(QStringLiteral("CREATE TABLE %1 (field text PRIMARY KEY, value text NOT NULL)")
                     .arg(Table("event")));
            Exec(
                QStringLiteral("CREATE TABLE %1 (id integer PRIMARY KEY CHECK (id = 1), seq bigint NOT NULL)")
                    .arg(Table("clock")));
            Exec(QStringLiteral("INSERT INTO %1 VALUES (1, 0)").arg(Table("clock")));
            Exec(QStringLiteral(
                     "CREATE TABLE %1 (name text PRIMARY KEY, joined timestamptz NOT NULL DEFAULT now(), "
                     "seen timestamptz NOT NULL DEFAULT now())")
                     .arg(Table("positions")));
            Exec(QStringLiteral(
                     "CREATE TABLE %1 (gid text PRIMARY KEY, ord bigint NOT NULL, seq bigint NOT NULL "
                     "UNIQUE, origin text NOT NULL, changed_by text NOT NULL, changed timestamptz NOT "
                     "NULL DEFAULT now(), deleted boolean NOT NULL DEFAULT false, %2)")
                     .arg(Table("contacts"), columns.join(QStringLiteral(", "))));
            TEventConfig fields = *event;
            fields.insert(QStringLiteral("format"), QStringLiteral("1"));
            for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
                Exec(QStringLiteral("INSERT INTO %1 VALUES (%2, %3)")
                         .arg(Table("event"), Literal(it.key()), Literal(it.value())));
            }
        }
        q = Exec(QStringLiteral("SELECT field, value FROM %1").arg(Table("event")));
        while (q.next()) {
            held.insert(q.value(0).toString(), q.value(1).toString());
        }
        q.finish();
        Exec(QStringLiteral("COMMIT"));
    } catch (...) {
        Rollback();
        throw;
    }
    if (held.value(QStringLiteral("format")) != QStringLiteral("1")) {
        throw ESyncError(
            TSyncErrorKind::NotASharedLog,
            QStringLiteral("The shared log %1 on the server was made by another version of Vantrel.")
                .arg(table));
    }
    return held;
}

void TSyncServer::JoinPosition(const QString& position, bool announce)
{
    Exec(QStringLiteral("INSERT INTO %1 (name) VALUES (%2) ON CONFLICT (name) DO UPDATE SET seen = now()")
             .arg(Table("positions"), Literal(position)));
    if (announce) {
        Exec(QStringLiteral("SELECT pg_notify(%1, %2)").arg(Literal(ChannelName(fTable)), Literal(position)));
    }
}

void TSyncServer::Listen()
{
    Exec(QStringLiteral("LISTEN ") + ChannelName(fTable));
}

pg_conn* TSyncServer::Connection() const
{
    if (!QSqlDatabase::contains(fConnection)) {
        return nullptr;
    }
    const QVariant handle = Driver()->handle();
    // Declared by the driver as PGconn*, a name for struct pg_conn*.
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0)) {
        return nullptr;
    }
    return *static_cast<pg_conn* const*>(handle.data());
}

int TSyncServer::Socket() const
{
    pg_conn* connection = Connection();
    return connection ? Pq().PQsocket(connection) : -1;
}

QStringList TSyncServer::TakeNotifications()
{
    QStringList positions;
    pg_conn* connection = Connection();
    if (!connection || Pq().PQstatus(connection) != CONNECTION_OK) {
        return positions;
    }
    Pq().PQconsumeInput(connection);
    while (PGnotify* notify = Pq().PQnotifies(connection)) {
        if (notify->be_pid != Pq().PQbackendPID(connection)) {
            positions << QString::fromUtf8(notify->extra);
        }
        Pq().PQfreemem(notify);
    }
    return positions;
}

QList<TSyncContact> TSyncServer::ReadContacts(QSqlQuery& q)
{
    QList<TSyncContact> contacts;
    while (q.next()) {
        TSyncContact c;
        c.gid = q.value(0).toString();
        c.origin = q.value(1).toString();
        c.ord = q.value(2).toLongLong();
        c.seq = q.value(3).toLongLong();
        c.deleted = q.value(4).toBool();
        int i = 5;
        for (QString* text :
             {&c.rec.date, &c.rec.time, &c.rec.call, &c.rec.tenten, &c.rec.vp, &c.rec.epc, &c.rec.p070,
              &c.rec.mode, &c.rec.name, &c.rec.qth, &c.rec.mycounty, &c.rec.uscounty}) {
            *text = q.value(i++).toString();
        }
        c.rec.points = q.value(i++).toInt();
        c.rec.mobile = q.value(i++).toInt() != 0;
        c.rec.dxcc = q.value(i++).toInt();
        c.rec.comment = q.value(i++).toString();
        c.rec.submit_bar = q.value(i++).toInt();
        c.rec.submit_digital = q.value(i++).toInt();
        c.rec.submit_county = q.value(i++).toInt();
        if (c.deleted) {
            c.rec = tLogRecord();
        }
        contacts << c;
    }
    return contacts;
}

QList<TSyncContact> TSyncServer::Push(const QList<TSyncContact>& changes, const QString& position)
{
    QList<TSyncContact> states;
    if (changes.isEmpty()) {
        return states;
    }
    const QString contacts = Table("contacts");
    const QStringList names = ColumnNames();
    QString select = QStringLiteral("SELECT gid, origin, ord, seq, deleted");
    QString update = QStringLiteral("seq = EXCLUDED.seq, changed_by = EXCLUDED.changed_by, changed = now(), "
                                    "deleted = EXCLUDED.deleted");
    for (const QString& column : names) {
        select += QStringLiteral(", ") + column;
        update += QStringLiteral(", %1 = EXCLUDED.%1").arg(column);
    }
    select += QStringLiteral(" FROM ") + contacts;
    Exec(QStringLiteral("BEGIN"));
    try {
        // The clock's row is held to the end of the transaction: the numbers follow the order of commits.
        QSqlQuery q = Exec(QStringLiteral("SELECT seq FROM %1 WHERE id = 1 FOR UPDATE").arg(Table("clock")));
        if (!q.next()) {
            throw ESyncError(
                TSyncErrorKind::NotASharedLog,
                QStringLiteral("The shared log %1 on the server has lost its clock.").arg(fTable));
        }
        qint64 seq = q.value(0).toLongLong();
        q.finish();
        for (qsizetype first = 0; first < changes.size(); first += kRowsPerStatement) {
            const QList<TSyncContact> part = changes.mid(first, kRowsPerStatement);
            QStringList rows;
            QHash<QString, qint64> given;
            for (const TSyncContact& c : part) {
                ++seq;
                given.insert(c.gid, seq);
                const tLogRecord& r = c.rec;
                QStringList values = {
                    Literal(c.gid),       QString::number(seq),
                    QString::number(seq), Literal(c.origin.isEmpty() ? position : c.origin),
                    Literal(position),    c.deleted ? QStringLiteral("TRUE") : QStringLiteral("FALSE")};
                for (const QString* text : {&r.date, &r.time, &r.call, &r.tenten, &r.vp, &r.epc, &r.p070,
                                            &r.mode, &r.name, &r.qth, &r.mycounty, &r.uscounty}) {
                    values << Literal(*text);
                }
                values << QString::number(r.points) << QString::number(r.mobile ? 1 : 0)
                       << QString::number(r.dxcc) << Literal(r.comment) << QString::number(r.submit_bar)
                       << QString::number(r.submit_digital) << QString::number(r.submit_county);
                rows << '(' + values.join(',') + ')';
            }
            // A tombstone is final: a change of a deleted contact is refused and the tombstone returned.
            q = Exec(
                QStringLiteral("INSERT INTO %1 (gid, ord, seq, origin, changed_by, deleted, %2) VALUES %3 "
                               "ON CONFLICT (gid) DO UPDATE SET %4 WHERE NOT %1.deleted "
                               "RETURNING gid, origin, ord, seq")
                    .arg(contacts, names.join(QStringLiteral(", ")), rows.join(','), update));
            QSet<QString> taken;
            QHash<QString, TSyncContact> held;
            while (q.next()) {
                TSyncContact state;
                state.gid = q.value(0).toString();
                state.origin = q.value(1).toString();
                state.ord = q.value(2).toLongLong();
                state.seq = q.value(3).toLongLong();
                taken.insert(state.gid);
                held.insert(state.gid, state);
            }
            q.finish();
            QStringList refused;
            for (const TSyncContact& c : part) {
                if (!taken.contains(c.gid)) {
                    refused << Literal(c.gid);
                }
            }
            if (!refused.isEmpty()) {
                q = Exec(select + QStringLiteral(" WHERE gid IN (%1)").arg(refused.join(',')));
                for (const TSyncContact& state : ReadContacts(q)) {
                    held.insert(state.gid, state);
                }
                q.finish();
            }
            for (const TSyncContact& c : part) {
                auto it = held.find(c.gid);
                if (it == held.end()) {
                    continue;
                }
                if (taken.contains(c.gid)) {
                    it->deleted = c.deleted;
                    it->rec = c.deleted ? tLogRecord() : c.rec;
                }
                states << *it;
            }
        }
        Exec(QStringLiteral("UPDATE %1 SET seq = %2 WHERE id = 1").arg(Table("clock")).arg(seq));
        Exec(QStringLiteral("UPDATE %1 SET seen = now() WHERE name = %2")
                 .arg(Table("positions"), Literal(position)));
        Exec(QStringLiteral("SELECT pg_notify(%1, %2)").arg(Literal(ChannelName(fTable)), Literal(position)));
        Exec(QStringLiteral("COMMIT"));
    } catch (...) {
        Rollback();
        throw;
    }
    return states;
}

QList<TSyncContact> TSyncServer::Pull(qint64 after, int limit)
{
    QString select = QStringLiteral("SELECT gid, origin, ord, seq, deleted");
    for (const QString& column : ColumnNames()) {
        select += QStringLiteral(", ") + column;
    }
    QSqlQuery q = Exec(select + QStringLiteral(" FROM %1 WHERE seq > %2 ORDER BY seq LIMIT %3")
                                    .arg(Table("contacts"))
                                    .arg(after)
                                    .arg(limit));
    return ReadContacts(q);
}

qint64 TSyncServer::ServerSeq()
{
    QSqlQuery q = Exec(QStringLiteral("SELECT seq FROM %1 WHERE id = 1").arg(Table("clock")));
    return q.next() ? q.value(0).toLongLong() : 0;
}

QList<TServerPosition> TSyncServer::Positions()
{
    QSqlQuery q = Exec(QStringLiteral("SELECT name, seen FROM %1 ORDER BY name").arg(Table("positions")));
    QList<TServerPosition> positions;
    while (q.next()) {
        positions << TServerPosition{q.value(0).toString(), q.value(1).toDateTime().toUTC()};
    }
    return positions;
}
