#include "TDM.h"

#include "Errors.h"
#include "Paths.h"
#include "SqlScript.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <QStringDecoder>
#include <QUrl>
#include <atomic>
#include <sqlite3.h>

namespace {

std::atomic<int> gInstance{0};

void OpenSqlite(QSqlDatabase db, const QString& path, bool create)
{
    db.close();
    if (create) {
        db.setConnectOptions();
        db.setDatabaseName(path);
    } else {
        // Opened through a URI in mode "rw": a missing file is an error instead of a new empty database.
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
        db.setDatabaseName(
            QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded) +
            QStringLiteral("?mode=rw"));
    }
    if (!db.open()) {
        throw EDatabaseError(ErrorText(db.lastError()));
    }
    QSqlQuery q(db);
    ExecSql(q, QStringLiteral("PRAGMA journal_mode=WAL"));
    ExecSql(q, QStringLiteral("PRAGMA synchronous=NORMAL"));
}

// Opens a connection that was only pointed at its file, on first use.
void EnsureOpen(QSqlDatabase db)
{
    if (!db.isOpen() && !db.open()) {
        throw EDatabaseError(ErrorText(db.lastError()));
    }
}

// The twenty columns of an event log table, in table order.
const QString kLogColumns = QStringLiteral(
    "_date VARCHAR(10) NULL,_time VARCHAR(5) NULL,_call VARCHAR(10) NULL,_tenten VARCHAR(5) NULL,"
    "_vp VARCHAR(5) NULL,_epc VARCHAR(5) NULL,_p070 VARCHAR(5) NULL,_mode VARCHAR(10) NULL,"
    "_name VARCHAR(100) NULL,_qth VARCHAR(100) NULL,_mycounty VARCHAR(100) NULL,"
    "_uscounty VARCHAR(100) NULL,_points INTEGER NULL,pkey INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL,"
    "_mobile INTEGER NULL,_dxcc INTEGER NULL,_comment VARCHAR(100) NULL,"
    "submit_bar INTEGER DEFAULT \"0\" NOT NULL,submit_digital INTEGER DEFAULT \"0\" NOT NULL,"
    "submit_county INTEGER DEFAULT \"0\" NOT NULL");

QString CreateLogTableStatement(const QString& name)
{
    return QStringLiteral("CREATE TABLE ") + QuoteIdent(name) + QStringLiteral(" (") + kLogColumns +
           QStringLiteral(")");
}

} // namespace

QString ErrorText(const QSqlError& error)
{
    const QString engine = error.databaseText().trimmed();
    return engine.isEmpty() ? error.text().trimmed() : engine;
}

QString QuoteIdent(const QString& name)
{
    return '"' + QString(name).replace('"', QStringLiteral("\"\"")) + '"';
}

QVariant TextValue(const QString& text)
{
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

void ExecSql(QSqlQuery& query, const QString& statement, const QVariantList& values)
{
    bool ok = false;
    if (values.isEmpty()) {
        ok = query.exec(statement);
    } else {
        ok = query.prepare(statement);
        if (ok) {
            for (qsizetype i = 0; i < values.size(); ++i) {
                query.bindValue(int(i), values[i]);
            }
            ok = query.exec();
        }
    }
    if (!ok) {
        const QString text = ErrorText(query.lastError());
        // A connection that never opened reports no error of its own.
        throw EDatabaseError(text.isEmpty() ? QStringLiteral("the database is not open") : text);
    }
}

TDM::TDM()
{
    const QString suffix = QString::number(gInstance++);
    fLogsName = QStringLiteral("condb") + suffix;
    fConfigName = QStringLiteral("conConfig") + suffix;
    fLookupName = QStringLiteral("conLookup") + suffix;
    fPostalName = QStringLiteral("conPostal") + suffix;
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), fLogsName);
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), fConfigName);
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), fLookupName);
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), fPostalName);
    fdbQuery = std::make_unique<QSqlQuery>(condb());
    fdbConfigQuery = std::make_unique<QSqlQuery>(conConfig());
}

TDM::~TDM()
{
    fdbQuery.reset();
    fdbConfigQuery.reset();
    fdbLookupQuery.reset();
    fdbPostalQuery.reset();
    for (const QString& name : {fLogsName, fConfigName, fLookupName, fPostalName}) {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
}

QSqlDatabase TDM::condb() const
{
    return QSqlDatabase::database(fLogsName, false);
}

QSqlDatabase TDM::conConfig() const
{
    return QSqlDatabase::database(fConfigName, false);
}

QSqlDatabase TDM::conLookup() const
{
    return QSqlDatabase::database(fLookupName, false);
}

QSqlDatabase TDM::conPostal() const
{
    return QSqlDatabase::database(fPostalName, false);
}

void TDM::OpenLogs(const QString& path)
{
    fdbQuery = std::make_unique<QSqlQuery>(condb());
    OpenSqlite(condb(), path, true);
    fdbQuery = std::make_unique<QSqlQuery>(condb());
}

void TDM::OpenConfig(const QString& path)
{
    fdbConfigQuery = std::make_unique<QSqlQuery>(conConfig());
    OpenSqlite(conConfig(), path, false);
    fdbConfigQuery = std::make_unique<QSqlQuery>(conConfig());
}

void TDM::CloseLogs()
{
    fdbQuery->finish();
    condb().close();
}

void TDM::CloseConfig()
{
    fdbConfigQuery->finish();
    conConfig().close();
}

void TDM::SetLookupFile(const QString& path)
{
    fdbLookupQuery.reset();
    QSqlDatabase db = conLookup();
    db.close();
    db.setDatabaseName(path);
}

void TDM::SetPostalFile(const QString& path)
{
    fdbPostalQuery.reset();
    QSqlDatabase db = conPostal();
    db.close();
    db.setDatabaseName(path);
}

QSqlQuery& TDM::dbLookupQuery()
{
    EnsureOpen(conLookup());
    if (!fdbLookupQuery) {
        fdbLookupQuery = std::make_unique<QSqlQuery>(conLookup());
    }
    return *fdbLookupQuery;
}

QSqlQuery& TDM::dbPostalQuery()
{
    EnsureOpen(conPostal());
    if (!fdbPostalQuery) {
        fdbPostalQuery = std::make_unique<QSqlQuery>(conPostal());
    }
    return *fdbPostalQuery;
}

QStringList TDM::ReadColumn(QSqlQuery& query, const QString& statement, const QString& column,
                            const QVariantList& values)
{
    query.finish();
    ExecSql(query, statement, values);
    const int index = query.record().indexOf(column);
    QStringList result;
    while (query.next()) {
        result << query.value(index).toString();
    }
    return result;
}

QStringList TDM::GetLogTables()
{
    return ReadColumn(dbQuery(),
                      QStringLiteral("SELECT name FROM sqlite_master where name !='sqlite_sequence'"),
                      QStringLiteral("name"));
}

void TDM::CreateConfig(const QString& scriptPath)
{
    const QString path = scriptPath.isEmpty() ? Paths::ShippedFile(QStringLiteral("config.sql")) : scriptPath;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw EVantrel(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    }
    const QByteArray bytes = file.readAll();
    QStringDecoder decoder(QStringConverter::encodingForData(bytes).value_or(QStringConverter::Utf8));
    QString script = decoder(bytes);
    if (script.startsWith(QChar(0xFEFF))) {
        script.remove(0, 1);
    }
    QSqlQuery q(condb());
    for (const QString& statement : SplitSqlScript(script)) {
        ExecSql(q, statement);
    }
}

void TDM::CreateNewLogTable(const QString& name)
{
    QSqlQuery q(condb());
    ExecSql(q, CreateLogTableStatement(name));
}

void TDM::CreateLog(const TMysettings& rec)
{
    QSqlDatabase db = condb();
    if (!db.transaction()) {
        throw EDatabaseError(ErrorText(db.lastError()));
    }
    try {
        ConfigAddRecord(rec);
        dbQuery().finish();
        CreateNewLogTable(rec.TableName);
        EnsureCallIndex(rec.TableName);
        if (!db.commit()) {
            throw EDatabaseError(ErrorText(db.lastError()));
        }
    } catch (...) {
        db.rollback();
        throw;
    }
}

void TDM::EnsureCallIndex(const QString& name)
{
    // One NOCASE index serves both lookups: LIKE 'W1%' becomes a range search on it, and an exact
    // comparison searches it case-blind and re-checks the exact text.
    QSqlQuery q(condb());
    ExecSql(q, QStringLiteral("CREATE INDEX IF NOT EXISTS ") + QuoteIdent(name + QStringLiteral("_call")) +
                   QStringLiteral(" ON ") + QuoteIdent(name) + QStringLiteral(" (_call COLLATE NOCASE)"));
}

bool TDM::IsDupe(const QString& table, const QString& call, const std::optional<QString>& mode,
                 const std::optional<QString>& county)
{
    // A cell emptied in the log window holds NULL: it matches an empty value as empty text does.
    QString sql = QStringLiteral("select _call from ") + QuoteIdent(table) + QStringLiteral(" where ");
    QVariantList values;
    if (call.isEmpty()) {
        sql += QStringLiteral("(_call='' or _call is null)");
    } else {
        sql += QStringLiteral("_call=? COLLATE NOCASE and _call=?");
        values << TextValue(call) << TextValue(call);
    }
    auto match = [&](const char* column, const QString& value) {
        const QString name = QString::fromLatin1(column);
        if (value.isEmpty()) {
            sql += QStringLiteral(" and (") + name + QStringLiteral("='' or ") + name +
                   QStringLiteral(" is null)");
        } else {
            sql += QStringLiteral(" and ") + name + QStringLiteral("=?");
            values << TextValue(value);
        }
    };
    if (mode) {
        match("_mode", *mode);
    }
    if (county) {
        match("_uscounty", *county);
    }
    sql += QStringLiteral(" limit 1");
    QSqlQuery& q = dbQuery();
    q.finish();
    ExecSql(q, sql, values);
    const bool found = q.next();
    q.finish();
    return found;
}

QSqlQuery TDM::DupeListQuery(const QString& table, const QString& prefix)
{
    QString pattern = prefix;
    pattern.replace('\\', QStringLiteral("\\\\"));
    pattern.replace('%', QStringLiteral("\\%"));
    pattern.replace('_', QStringLiteral("\\_"));
    pattern += '%';
    const QString name = QuoteIdent(table);
    const QString match = QStringLiteral(" where _call like ? escape '\\'");
    // The rows come in the order they were logged. A prefix that few rows share is found on the call
    // index and its rows are read by rowid; a prefix that many rows share is found sooner by reading the
    // table in its own order, where the first screenful of matches lies close to the start. Either way
    // no keystroke sorts a large result.
    constexpr int kManyRows = 4000;
    QSqlQuery count(condb());
    ExecSql(count,
            QStringLiteral("select count(*) from (select 1 from ") + name + match +
                QStringLiteral(" limit %1)").arg(kManyRows),
            {TextValue(pattern)});
    const bool many = count.next() && count.value(0).toInt() >= kManyRows;
    count.finish();
    const QString columns =
        QStringLiteral("select _call, _mode, ifnull(_qth,'') || ':' || ifnull(_uscounty,'') from ");
    QSqlQuery q(condb());
    if (many) {
        ExecSql(q,
                columns + name + QStringLiteral(" not indexed") + match + QStringLiteral(" order by rowid"),
                {TextValue(pattern)});
    } else {
        ExecSql(q,
                columns + name + QStringLiteral(" where rowid in (select rowid from ") + name + match +
                    QStringLiteral(") order by rowid"),
                {TextValue(pattern)});
    }
    return q;
}

int TDM::CountNonEmpty(const QString& table, const QString& column)
{
    QSqlQuery& q = dbQuery();
    q.finish();
    // The column goes in bare: a double-quoted name of a missing column would be read as a text.
    ExecSql(q, QStringLiteral("select count(*) from ") + QuoteIdent(table) + QStringLiteral(" where ") +
                   column + QStringLiteral(" !=''"));
    const int n = q.next() ? q.value(0).toInt() : 0;
    q.finish();
    return n;
}

TDM::TLogCounts TDM::Recount(const QString& table)
{
    QSqlQuery& q = dbQuery();
    TLogCounts counts;
    q.finish();
    ExecSql(q, QStringLiteral("select count(*) from ") + QuoteIdent(table));
    counts.total = q.next() ? q.value(0).toInt() : 0;
    counts.withTenTen = CountNonEmpty(table, QStringLiteral("_tenten"));
    counts.withEpc = CountNonEmpty(table, QStringLiteral("_epc"));
    counts.with070 = CountNonEmpty(table, QStringLiteral("_p070"));
    if (counts.total > 0) {
        q.finish();
        ExecSql(q, QStringLiteral("select sum(_points) from ") + QuoteIdent(table));
        counts.points = q.next() ? q.value(0).toInt() : 0;
    }
    q.finish();
    return counts;
}

std::optional<QString> TDM::CheckTable(const QString& name, const QDate& today)
{
    QSqlQuery& q = dbQuery();
    q.finish();
    ExecSql(q, QStringLiteral("PRAGMA table_xinfo(") + QuoteIdent(name) + ')');
    QStringList columns;
    bool oldLayout = false;
    while (q.next()) {
        columns << QuoteIdent(q.value(QStringLiteral("name")).toString());
        if (q.value(QStringLiteral("type")).toString() == QStringLiteral("VARCHAR(30)")) {
            oldLayout = true;
        }
    }
    q.finish();
    if (!oldLayout) {
        return std::nullopt;
    }
    const QString columnList = '(' + columns.join(',') + ')';

    QSqlDatabase db = condb();
    if (!db.transaction()) {
        throw EDatabaseError(ErrorText(db.lastError()));
    }
    std::optional<QString> aside;
    try {
        QSqlQuery m(db);
        // A temp_table left by an interrupted run would block the rebuild; it may hold the only copy of a
        // log's rows, so it is renamed aside, never dropped.
        const auto exists = [&](const QString& table) {
            m.finish();
            ExecSql(m, QStringLiteral("select 1 from sqlite_master where lower(name)=lower(?)"), {table});
            const bool found = m.next();
            m.finish();
            return found;
        };
        if (exists(QStringLiteral("temp_table"))) {
            const QString base = QStringLiteral("temp_table_") + today.toString(QStringLiteral("yyyy_MM_dd"));
            QString candidate = base;
            for (int n = 2; exists(candidate); ++n) {
                candidate = base + '_' + QString::number(n);
            }
            ExecSql(m, QStringLiteral("alter table temp_table rename to ") + QuoteIdent(candidate));
            aside = candidate;
        }
        ExecSql(m, CreateLogTableStatement(QStringLiteral("temp_table")));
        ExecSql(m, QStringLiteral("insert into temp_table ") + columnList +
                       QStringLiteral(" select * from ") + QuoteIdent(name));
        ExecSql(m, QStringLiteral("drop table ") + QuoteIdent(name));
        ExecSql(m, QStringLiteral("alter table temp_table rename to ") + QuoteIdent(name));
        m.finish();
        if (!db.commit()) {
            throw EDatabaseError(ErrorText(db.lastError()));
        }
    } catch (...) {
        db.rollback();
        throw;
    }
    return aside;
}

void TDM::LogAddRecord(const tLogRecord& rec, const QString& tablename)
{
    QSqlQuery q(condb());
    ExecSql(
        q,
        QStringLiteral("INSERT INTO ") + QuoteIdent(tablename) +
            QStringLiteral(" (`_date`,`_time`,`_call`,`_tenten`,`_vp`,`_epc`,`_p070`,`_mode`,`_name`,`_qth`,"
                           "`_mycounty`,`_uscounty`,`_points`,`_dxcc`,`_comment`)"
                           " VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
        {TextValue(rec.date), TextValue(rec.time), TextValue(rec.call), TextValue(rec.tenten),
         TextValue(rec.vp), TextValue(rec.epc), TextValue(rec.p070), TextValue(rec.mode), TextValue(rec.name),
         TextValue(rec.qth), TextValue(rec.mycounty), TextValue(rec.uscounty), rec.points, rec.dxcc,
         TextValue(rec.comment)});
}

namespace {

const QString kInsertColumns =
    QStringLiteral(" (`_date`,`_time`,`_call`,`_tenten`,`_vp`,`_epc`,`_p070`,`_mode`,`_name`,`_qth`,"
                   "`_mycounty`,`_uscounty`,`_points`,`_dxcc`,`_comment`)"
                   " VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");

// The connection's own SQLite handle: many rows are inserted through one prepared statement of the
// engine, without a value object per column.
sqlite3* SqliteHandle(const QSqlDatabase& db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) {
        return nullptr;
    }
    return *static_cast<sqlite3* const*>(handle.data());
}

// Binds a text as the bound values of single statements store it: never NULL, an empty text as ''.
int BindText(sqlite3_stmt* statement, int index, const QString& text)
{
    return sqlite3_bind_text16(statement, index, text.utf16(), int(text.size() * sizeof(char16_t)),
                               SQLITE_STATIC);
}

} // namespace

void TDM::LogAddRecords(const QList<tLogRecord>& records, const QString& tablename,
                        const std::function<void(qsizetype stored)>& progress)
{
    QSqlDatabase db = condb();
    sqlite3* handle = SqliteHandle(db);
    if (!handle) {
        throw EDatabaseError(QStringLiteral("The logs database is not open"));
    }
    if (!db.transaction()) {
        throw EDatabaseError(ErrorText(db.lastError()));
    }
    sqlite3_stmt* statement = nullptr;
    const auto fail = [&] { throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(handle))); };
    try {
        const QByteArray sql =
            (QStringLiteral("INSERT INTO ") + QuoteIdent(tablename) + kInsertColumns).toUtf8();
        if (sqlite3_prepare_v2(handle, sql.constData(), int(sql.size()), &statement, nullptr) != SQLITE_OK) {
            fail();
        }
        qsizetype stored = 0;
        for (const tLogRecord& rec : records) {
            int index = 0;
            for (const QString* text :
                 {&rec.date, &rec.time, &rec.call, &rec.tenten, &rec.vp, &rec.epc, &rec.p070, &rec.mode,
                  &rec.name, &rec.qth, &rec.mycounty, &rec.uscounty}) {
                if (BindText(statement, ++index, *text) != SQLITE_OK) {
                    fail();
                }
            }
            if (sqlite3_bind_int(statement, ++index, rec.points) != SQLITE_OK ||
                sqlite3_bind_int(statement, ++index, rec.dxcc) != SQLITE_OK ||
                BindText(statement, ++index, rec.comment) != SQLITE_OK) {
                fail();
            }
            if (sqlite3_step(statement) != SQLITE_DONE) {
                fail();
            }
            sqlite3_reset(statement);
            ++stored;
            if (progress && stored % 1000 == 0) {
                progress(stored);
            }
        }
        sqlite3_finalize(statement);
        statement = nullptr;
        if (!db.commit()) {
            throw EDatabaseError(ErrorText(db.lastError()));
        }
        if (progress) {
            progress(stored);
        }
    } catch (...) {
        sqlite3_finalize(statement);
        db.rollback();
        throw;
    }
}

void TDM::ReadDupeColumns(
    const QString& table,
    const std::function<void(const QString& call, const QString& mode, const QString& county)>& row)
{
    QSqlQuery q(condb());
    q.setForwardOnly(true);
    ExecSql(q, QStringLiteral("select _call, _mode, _uscounty from ") + QuoteIdent(table) +
                   QStringLiteral(" order by pkey"));
    while (q.next()) {
        row(q.value(0).toString(), q.value(1).toString(), q.value(2).toString());
    }
}

void TDM::ConfigAddRecord(const TMysettings& r)
{
    QSqlQuery& q = dbQuery();
    q.finish();
    ExecSql(
        q,
        QStringLiteral(
            "INSERT INTO config (`qrzxmlid`,`qrzxmlpass`,`buckpath`,`contestname`,`contestmode`,`callarea`,"
            "`chapter`,`callsign`,`tenten`,`vp`,`epc`,`p070`,`firstname`,`lastname`,`address`,`city`,"
            "`state`,`postal`,`email`,`fcclocation`,`tablename`,`serversocket`,`processed`,`entitytype`,"
            "`operators`,`qrp`,`lookuptype`,`hamqthid`,`hamqthpass`)"
            " VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,0,?,?,?,?,?,?)"),
        {TextValue(r.QRZXMLid),
         TextValue(r.QRZXMLpass),
         TextValue(r.BuckPath),
         TextValue(r.ContestName),
         TextValue(r.ContestMode),
         TextValue(r.CallArea),
         TextValue(r.Chapter),
         TextValue(r.Callsign),
         TextValue(r.TenTen),
         TextValue(r.vp),
         TextValue(r.epc),
         TextValue(r.p070),
         TextValue(r.FirstName),
         TextValue(r.LastName),
         TextValue(r.Address),
         TextValue(r.City),
         TextValue(r.State),
         TextValue(r.Postal),
         TextValue(r.Email),
         TextValue(r.FCCLocation),
         TextValue(r.TableName),
         TextValue(r.ServerSocket),
         r.EntityType,
         TextValue(r.ClubOperators),
         r.QRP ? 1 : 0,
         r.LookupType,
         TextValue(r.HamQTHid),
         TextValue(r.HamQTHpass)});
}

void TDM::UpdateConfigRecord(const TMysettings& r)
{
    QSqlQuery& q = dbQuery();
    q.finish();
    ExecSql(q,
            QStringLiteral("UPDATE config SET qrzxmlid=?,qrzxmlpass=?,hamqthid=?,hamqthpass=?,buckpath=?,"
                           "contestname=?,contestmode=?,callarea=?,chapter=?,tenten=?,vp=?,firstname=?,"
                           "lastname=?,address=?,city=?,state=?,postal=?,email=?,epc=?,p070=?,serversocket=?,"
                           "fcclocation=?,entitytype=?,operators=?,lookuptype=?,qrp=?,processed=0"
                           " WHERE tablename=?"),
            {TextValue(r.QRZXMLid),
             TextValue(r.QRZXMLpass),
             TextValue(r.HamQTHid),
             TextValue(r.HamQTHpass),
             TextValue(r.BuckPath),
             TextValue(r.ContestName),
             TextValue(r.ContestMode),
             TextValue(r.CallArea),
             TextValue(r.Chapter),
             TextValue(r.TenTen),
             TextValue(r.vp),
             TextValue(r.FirstName),
             TextValue(r.LastName),
             TextValue(r.Address),
             TextValue(r.City),
             TextValue(r.State),
             TextValue(r.Postal),
             TextValue(r.Email),
             TextValue(r.epc),
             TextValue(r.p070),
             TextValue(r.ServerSocket),
             TextValue(r.FCCLocation),
             r.EntityType,
             TextValue(r.ClubOperators),
             r.LookupType,
             r.QRP ? 1 : 0,
             TextValue(r.TableName)});
}

void TDM::MarkLogProcessed(const QString& tablename)
{
    QSqlQuery q(condb());
    ExecSql(q, QStringLiteral("Update config set processed=1 where tablename=?"), {TextValue(tablename)});
}

bool TDM::TableExists(const QString& tablename)
{
    QSqlQuery& q = dbQuery();
    q.finish();
    ExecSql(q, QStringLiteral("select tablename from config where tablename=?"), {TextValue(tablename)});
    const bool found = q.next();
    q.finish();
    return found;
}

QStringList TDM::GetTables()
{
    QStringList names =
        ReadColumn(dbQuery(), QStringLiteral("SELECT tablename FROM config where processed=0"),
                   QStringLiteral("tablename"));
    dbQuery().finish();
    return names;
}

void TDM::ReadConfigRecord(const QString& tablename, TMysettings& rec)
{
    QSqlQuery& q = dbQuery();
    q.finish();
    ExecSql(q, QStringLiteral("select * from config where tablename=?"), {TextValue(tablename)});
    const bool found = q.next();
    auto text = [&](const char* column) {
        return found ? q.value(QString::fromLatin1(column)).toString() : QString();
    };
    auto number = [&](const char* column) {
        return found ? q.value(QString::fromLatin1(column)).toInt() : 0;
    };
    rec.Address = text("address");
    rec.BuckPath = text("buckpath");
    rec.QRZXMLid = text("qrzxmlid");
    rec.QRZXMLpass = text("qrzxmlpass");
    rec.HamQTHid = text("hamqthid");
    rec.HamQTHpass = text("hamqthpass");
    rec.ContestName = text("contestname");
    rec.ContestMode = text("contestmode");
    rec.CallArea = text("callarea");
    rec.Chapter = text("chapter");
    rec.Callsign = text("callsign");
    rec.TenTen = text("tenten");
    rec.vp = text("vp");
    rec.FirstName = text("firstname");
    rec.LastName = text("lastname");
    rec.City = text("city");
    rec.State = text("state");
    rec.Postal = text("postal");
    rec.Email = text("email");
    rec.TableName = text("tablename");
    rec.ServerSocket = text("serversocket");
    rec.FCCLocation = text("fcclocation");
    rec.EntityType = number("entitytype");
    rec.LookupType = number("LookupType");
    rec.QRP = number("qrp") != 0;
    rec.ClubOperators = text("operators");
    rec.epc = text("epc");
    rec.p070 = text("p070");
    q.finish();
}

QStringList TDM::GetCountries()
{
    return ReadColumn(dbConfigQuery(), QStringLiteral("select name from country order by name"),
                      QStringLiteral("name"));
}

QStringList TDM::GetStates()
{
    return ReadColumn(dbConfigQuery(), QStringLiteral("Select id from state order by id"),
                      QStringLiteral("id"));
}

QStringList TDM::GetModes()
{
    return ReadColumn(dbConfigQuery(), QStringLiteral("Select name from modes order by name"),
                      QStringLiteral("name"));
}

QStringList TDM::GetEvents()
{
    return ReadColumn(dbConfigQuery(), QStringLiteral("Select name from Contest order by name"),
                      QStringLiteral("name"));
}

QStringList TDM::GetCountyList(const QString& state)
{
    return ReadColumn(dbConfigQuery(), QStringLiteral("select name from county where state=?"),
                      QStringLiteral("name"), {TextValue(state.toLower())});
}

QList<QPair<QString, int>> TDM::GetCountryCodes()
{
    QSqlQuery& q = dbConfigQuery();
    q.finish();
    ExecSql(q, QStringLiteral("select name, dxcc from country"));
    QList<QPair<QString, int>> result;
    while (q.next()) {
        result.append({q.value(0).toString(), q.value(1).toInt()});
    }
    q.finish();
    return result;
}

std::optional<QString> TDM::CountryDXCC(const QString& country)
{
    QSqlQuery& q = dbConfigQuery();
    q.finish();
    ExecSql(q, QStringLiteral("select dxcc from country where name=?"), {TextValue(country)});
    if (!q.next()) {
        return std::nullopt;
    }
    return q.value(0).toString();
}
