#include "LicenceStore.h"

#include "Errors.h"

#include <QFile>
#include <sqlite3.h>

namespace {

QString SqliteText(sqlite3* db)
{
    return QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory");
}

// Opens a new file for writing; refuses one that already exists so nothing is ever overwritten in place.
sqlite3* CreateFile(const QString& path)
{
    if (QFile::exists(path)) {
        throw EDatabaseError(QStringLiteral("%1 already exists").arg(path));
    }
    sqlite3* db = nullptr;
    const QByteArray name = QFile::encodeName(path);
    if (sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        const QString text = QStringLiteral("%1: %2").arg(path, SqliteText(db));
        sqlite3_close(db);
        throw EDatabaseError(text);
    }
    return db;
}

void ExecOn(sqlite3* db, const char* sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const QString text = QString::fromUtf8(message ? message : sqlite3_errmsg(db));
        sqlite3_free(message);
        throw EDatabaseError(text);
    }
}

// The file is renamed into place only once complete, so it needs no rollback journal while it is
// written; a larger page cache keeps the call-sign index build in memory.
constexpr const char* kBulkSettings = "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
                                      " PRAGMA cache_size=-65536; PRAGMA temp_store=MEMORY;";

// The bytes stay where they are until the statement has run: no copy.
void BindText(sqlite3* db, sqlite3_stmt* statement, int index, QByteArrayView value)
{
    if (sqlite3_bind_text(statement, index, value.isEmpty() ? "" : value.data(), int(value.size()),
                          SQLITE_STATIC) != SQLITE_OK) {
        throw EDatabaseError(SqliteText(db));
    }
}

void Step(sqlite3* db, sqlite3_stmt* statement)
{
    const int rc = sqlite3_step(statement);
    sqlite3_reset(statement);
    if (rc != SQLITE_DONE) {
        throw EDatabaseError(SqliteText(db));
    }
}

} // namespace

void WritePostalDatabase(const QString& path, const std::vector<TPostalCode>& codes)
{
    sqlite3* db = CreateFile(path);
    sqlite3_stmt* insert = nullptr;
    try {
        ExecOn(db, kBulkSettings);
        ExecOn(db,
               "BEGIN;"
               "CREATE TABLE zipcodes (zip TEXT, county TEXT, latitude TEXT, longitude TEXT, state TEXT);");
        if (sqlite3_prepare_v2(db, "INSERT INTO zipcodes VALUES (?, ?, ?, ?, ?)", -1, &insert, nullptr) !=
            SQLITE_OK) {
            throw EDatabaseError(SqliteText(db));
        }
        for (const TPostalCode& code : codes) {
            BindText(db, insert, 1, code.zip);
            BindText(db, insert, 2, code.county);
            BindText(db, insert, 3, code.latitude);
            BindText(db, insert, 4, code.longitude);
            BindText(db, insert, 5, code.state);
            Step(db, insert);
        }
        ExecOn(db, "CREATE INDEX zipcodes_zip ON zipcodes (zip); COMMIT;");
    } catch (...) {
        sqlite3_finalize(insert);
        sqlite3_close(db);
        throw;
    }
    sqlite3_finalize(insert);
    if (sqlite3_close(db) != SQLITE_OK) {
        throw EDatabaseError(QStringLiteral("cannot close %1").arg(path));
    }
}

QHash<QByteArray, QByteArray> ReadPostalCounties(const QString& path)
{
    sqlite3* db = nullptr;
    const QByteArray name = QFile::encodeName(path);
    if (sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        const QString text = QStringLiteral("%1: %2").arg(path, SqliteText(db));
        sqlite3_close(db);
        throw EDatabaseError(text);
    }
    QHash<QByteArray, QByteArray> counties;
    sqlite3_stmt* select = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT zip, county FROM zipcodes", -1, &select, nullptr) != SQLITE_OK) {
        const QString text = QStringLiteral("%1: %2").arg(path, SqliteText(db));
        sqlite3_close(db);
        throw EDatabaseError(text);
    }
    int rc;
    while ((rc = sqlite3_step(select)) == SQLITE_ROW) {
        const auto zip = reinterpret_cast<const char*>(sqlite3_column_text(select, 0));
        const auto county = reinterpret_cast<const char*>(sqlite3_column_text(select, 1));
        counties.insert(QByteArray(zip ? zip : ""), QByteArray(county ? county : ""));
    }
    const QString text = SqliteText(db);
    sqlite3_finalize(select);
    sqlite3_close(db);
    if (rc != SQLITE_DONE) {
        throw EDatabaseError(QStringLiteral("%1: %2").arg(path, text));
    }
    return counties;
}

namespace {

// Opens an existing licence data file for writing, refusing a file that lacks the three tables.
sqlite3* OpenForUpdate(const QString& path)
{
    sqlite3* db = nullptr;
    const QByteArray name = QFile::encodeName(path);
    if (sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        const QString text = QStringLiteral("%1: %2").arg(path, SqliteText(db));
        sqlite3_close(db);
        throw EDatabaseError(text);
    }
    return db;
}

} // namespace

TLicenceStore::TLicenceStore(const QString& path, Mode mode)
    : fDb(mode == Mode::Create ? CreateFile(path) : OpenForUpdate(path))
{
    try {
        Exec(kBulkSettings);
        Exec("BEGIN;");
        if (mode == Mode::Create) {
            Exec("CREATE TABLE fcc_en (unique_system_identifier INTEGER PRIMARY KEY, call_sign TEXT,"
                 " entity_name TEXT, first_name TEXT, mi TEXT, last_name TEXT, suffix TEXT, street_address "
                 "TEXT,"
                 " city TEXT, state TEXT, zip_code TEXT, po_box TEXT, frn TEXT, county TEXT);"
                 "CREATE TABLE fcc_am (unique_system_identifier INTEGER PRIMARY KEY, call_sign TEXT,"
                 " operator_class TEXT, group_code TEXT, region_code TEXT, trustee_callsign TEXT,"
                 " previous_callsign TEXT, previous_operator_class TEXT);"
                 "CREATE TABLE fcc_hd (unique_system_identifier INTEGER PRIMARY KEY, call_sign TEXT,"
                 " license_status TEXT, radio_service_code TEXT, grant_date TEXT, expired_date TEXT,"
                 " cancellation_date TEXT, effective_date TEXT, last_action_date TEXT);");
        }
        // Columns named, so a file being updated only needs to have them, in any order.
        fInsertEn =
            Prepare("INSERT OR REPLACE INTO fcc_en (unique_system_identifier, call_sign, entity_name,"
                    " first_name, mi, last_name, suffix, street_address, city, state, zip_code, po_box,"
                    " frn, county) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        fInsertAm =
            Prepare("INSERT OR REPLACE INTO fcc_am (unique_system_identifier, call_sign, operator_class,"
                    " group_code, region_code, trustee_callsign, previous_callsign,"
                    " previous_operator_class) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        fInsertHd =
            Prepare("INSERT OR REPLACE INTO fcc_hd (unique_system_identifier, call_sign, license_status,"
                    " radio_service_code, grant_date, expired_date, cancellation_date, effective_date,"
                    " last_action_date) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    } catch (const EDatabaseError& e) {
        // SQLite opens a file lazily: a folder that cannot be written fails here, so name the file.
        Close();
        throw EDatabaseError(QStringLiteral("%1: %2").arg(path, e.Message()));
    }
}

TLicenceStore::~TLicenceStore()
{
    Close();
}

void TLicenceStore::Close()
{
    sqlite3_finalize(fInsertEn);
    sqlite3_finalize(fInsertAm);
    sqlite3_finalize(fInsertHd);
    fInsertEn = fInsertAm = fInsertHd = nullptr;
    sqlite3_close(fDb);
    fDb = nullptr;
}

void TLicenceStore::Exec(const char* sql)
{
    ExecOn(fDb, sql);
}

sqlite3_stmt* TLicenceStore::Prepare(const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v3(fDb, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK) {
        throw EDatabaseError(SqliteText(fDb));
    }
    return statement;
}

template <std::size_t N>
void TLicenceStore::Insert(sqlite3_stmt* statement, const std::array<QByteArrayView, N>& row)
{
    // The identifier is the rowid, so the three tables join without an index of their own.
    if (sqlite3_bind_int64(statement, 1, row[0].toLongLong()) != SQLITE_OK) {
        throw EDatabaseError(SqliteText(fDb));
    }
    for (std::size_t i = 1; i < N; ++i) {
        BindText(fDb, statement, int(i) + 1, row[i]);
    }
    Step(fDb, statement);
}

void TLicenceStore::AddEn(const TEnRow& row)
{
    Insert(fInsertEn, row);
}

void TLicenceStore::AddAm(const TAmRow& row)
{
    Insert(fInsertAm, row);
}

void TLicenceStore::AddHd(const THdRow& row)
{
    Insert(fInsertHd, row);
}

qint64 TLicenceStore::Licensees()
{
    sqlite3_stmt* count = Prepare("SELECT count(*) FROM fcc_en");
    const int rc = sqlite3_step(count);
    const qint64 rows = rc == SQLITE_ROW ? sqlite3_column_int64(count, 0) : -1;
    sqlite3_finalize(count);
    if (rows < 0) {
        throw EDatabaseError(SqliteText(fDb));
    }
    return rows;
}

qint64 CountLicensees(const QString& path)
{
    if (!QFile::exists(path)) {
        return 0;
    }
    sqlite3* db = nullptr;
    const QByteArray name = QFile::encodeName(path);
    qint64 rows = 0;
    sqlite3_stmt* count = nullptr;
    if (sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, "SELECT count(*) FROM fcc_en", -1, &count, nullptr) == SQLITE_OK &&
        sqlite3_step(count) == SQLITE_ROW) {
        rows = sqlite3_column_int64(count, 0);
    }
    sqlite3_finalize(count);
    sqlite3_close(db);
    return rows;
}

void TLicenceStore::Finish()
{
    Exec("CREATE INDEX IF NOT EXISTS fcc_en_call_sign ON fcc_en (call_sign); COMMIT;");
    sqlite3_finalize(fInsertEn);
    sqlite3_finalize(fInsertAm);
    sqlite3_finalize(fInsertHd);
    fInsertEn = fInsertAm = fInsertHd = nullptr;
    const int rc = sqlite3_close(fDb);
    fDb = nullptr;
    if (rc != SQLITE_OK) {
        throw EDatabaseError(QStringLiteral("cannot close the licence data file"));
    }
}
