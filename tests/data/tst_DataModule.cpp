#include "common/TTestHome.h"
#include "common/TestRegistry.h"
#include "data/Errors.h"
#include "data/TDM.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <memory>

// The logs database: the `config` table, log tables, their migration and the record operations.
class TestDataModule : public QObject
{
    Q_OBJECT

    std::unique_ptr<TTestHome> fHome;
    std::unique_ptr<TDM> fDM;

    QVariant Scalar(const QString& sql)
    {
        QSqlQuery q(fDM->condb());
        if (!q.exec(sql) || !q.next()) {
            return QVariant();
        }
        return q.value(0);
    }

    QStringList Columns(const QString& table)
    {
        QStringList names;
        QSqlQuery q(fDM->condb());
        q.exec(QStringLiteral("PRAGMA table_xinfo(\"%1\")").arg(table));
        while (q.next()) {
            names << q.value(QStringLiteral("name")).toString();
        }
        return names;
    }

    static TMysettings Config(const QString& table)
    {
        TMysettings rec;
        rec.TableName = table;
        rec.Callsign = QStringLiteral("N0CALL");
        rec.ContestName = QStringLiteral("Open Season");
        rec.LastName = QStringLiteral("O'Neil");
        rec.EntityType = -1;
        rec.LookupType = 7;
        rec.QRP = true;
        return rec;
    }

    // An event log table of the older layout: the call declared VARCHAR(30), no submit columns.
    void CreateOldTable(const QString& name, const QString& extraColumn = QString())
    {
        QSqlQuery q(fDM->condb());
        QVERIFY(
            q.exec(QStringLiteral("CREATE TABLE \"%1\" (_date VARCHAR(10),_time VARCHAR(5),_call VARCHAR(30),"
                                  "_tenten VARCHAR(5),_vp VARCHAR(5),_epc VARCHAR(5),_p070 VARCHAR(5),"
                                  "_mode VARCHAR(10),_name VARCHAR(100),_qth VARCHAR(100),"
                                  "_mycounty VARCHAR(100),_uscounty VARCHAR(100),_points INTEGER,"
                                  "pkey INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL,_mobile INTEGER,"
                                  "_dxcc INTEGER,_comment VARCHAR(100)%2)")
                       .arg(name, extraColumn.isEmpty() ? QString() : ',' + extraColumn)));
        for (const auto& [pkey, call] :
             {std::pair{1, "W1AW"}, std::pair{2, "K2XYZ"}, std::pair{7, "VE3ABC"}}) {
            QVERIFY(q.exec(
                QStringLiteral("INSERT INTO \"%1\" (pkey,_call,_tenten,_points) VALUES (%2,'%3','12',2)")
                    .arg(name)
                    .arg(pkey)
                    .arg(QString::fromLatin1(call))));
        }
    }

    // Compares the counts kept in the file for a table with a count of its rows.
    void VerifyStoredCounts(const QString& table)
    {
        const std::optional<TDM::TLogCounts> stored = fDM->StoredCounts(table);
        QVERIFY(stored);
        const TDM::TLogCounts counted = fDM->Recount(table);
        QCOMPARE(stored->total, counted.total);
        QCOMPARE(stored->withTenTen, counted.withTenTen);
        QCOMPARE(stored->withEpc, counted.withEpc);
        QCOMPARE(stored->with070, counted.with070);
        QCOMPARE(stored->points, counted.points);
    }

    static tLogRecord Contact(const QString& call, const QString& tenten, const QString& epc, int points)
    {
        tLogRecord rec;
        rec.call = call;
        rec.tenten = tenten;
        rec.epc = epc;
        rec.p070 = points > 2 ? QStringLiteral("70") : QString();
        rec.points = points;
        return rec;
    }

private slots:
    void init()
    {
        fHome = std::make_unique<TTestHome>();
        fHome->PrepareWorkFolder();
        fDM = std::make_unique<TDM>();
        fDM->OpenLogs(fHome->Work() + QStringLiteral("logs.db"));
        fDM->OpenConfig(fHome->Work() + QStringLiteral("config.db"));
    }

    void cleanup()
    {
        fDM.reset();
        fHome.reset();
    }

    void EmptyLogsDatabaseGetsConfigTable()
    {
        QVERIFY(fDM->GetLogTables().isEmpty());
        fDM->CreateConfig();
        QVERIFY(fDM->GetLogTables().contains(QStringLiteral("config")));
        QVERIFY(fDM->GetTables().isEmpty());
        QCOMPARE(Scalar(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
        QCOMPARE(Scalar(QStringLiteral("PRAGMA synchronous")).toInt(), 1); // NORMAL
    }

    void MissingConfigScriptIsAnError()
    {
        QVERIFY_THROWS_EXCEPTION(EVantrel, fDM->CreateConfig(fHome->Root() + QStringLiteral("/none.sql")));
    }

    // Values reach the database exactly as typed: quotes unchanged, empty texts as '' (never NULL).
    void ContactStoredVerbatim()
    {
        fDM->CreateConfig();
        const QString table = QStringLiteral("9A1A_2024_Open_Season");
        fDM->CreateNewLogTable(table);
        tLogRecord rec;
        rec.call = QStringLiteral("9A1A");
        rec.name = QStringLiteral("O'Brien \"Bob\"");
        rec.comment = QStringLiteral("it's; drop table config; --");
        rec.dxcc = 497;
        rec.points = 3;
        fDM->LogAddRecord(rec, table);
        rec.call = QStringLiteral("W1AW");
        fDM->LogAddRecord(rec, table);
        QSqlQuery q(fDM->condb());
        QVERIFY(
            q.exec(QStringLiteral("select _name,_comment,typeof(_tenten),_tenten,_dxcc,_points,_mobile,"
                                  "submit_bar,submit_digital,submit_county,pkey from \"%1\" order by pkey")
                       .arg(table)));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("O'Brien \"Bob\""));
        QCOMPARE(q.value(1).toString(), rec.comment);
        QCOMPARE(q.value(2).toString(), QStringLiteral("text"));
        QCOMPARE(q.value(3).toString(), QString());
        QCOMPARE(q.value(4).toInt(), 497);
        QCOMPARE(q.value(5).toInt(), 3);
        QVERIFY(q.value(6).isNull());
        QCOMPARE(q.value(7).toInt() + q.value(8).toInt() + q.value(9).toInt(), 0);
        const int firstKey = q.value(10).toInt();
        QVERIFY(q.next());
        QCOMPARE(q.value(10).toInt(), firstKey + 1);
        QVERIFY(fDM->GetLogTables().contains(QStringLiteral("config")));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, fDM->CreateNewLogTable(table));
    }

    void LogToMissingTableRaisesEngineError()
    {
        fDM->CreateConfig();
        try {
            fDM->LogAddRecord(tLogRecord(), QString());
            QFAIL("no error raised");
        } catch (const EDatabaseError& e) {
            QVERIFY2(e.Message().contains(QStringLiteral("no such table")), qPrintable(e.Message()));
        }
    }

    void ConfigRowLifecycle()
    {
        fDM->CreateConfig();
        TMysettings rec = Config(QStringLiteral("N0CALL_2024_Open_Season"));
        fDM->ConfigAddRecord(rec);
        QVERIFY(fDM->TableExists(rec.TableName));
        QVERIFY(!fDM->TableExists(QStringLiteral("n0call_2024_open_season")));
        QCOMPARE(fDM->GetTables(), QStringList{rec.TableName});

        fDM->MarkLogProcessed(rec.TableName);
        QVERIFY(fDM->GetTables().isEmpty());
        QVERIFY(fDM->TableExists(rec.TableName));

        // A rewrite keeps the stored call sign and opens the log again.
        rec.Callsign = QStringLiteral("OTHER");
        rec.FirstName = QStringLiteral("Pat");
        fDM->UpdateConfigRecord(rec);
        QCOMPARE(fDM->GetTables(), QStringList{rec.TableName});

        TMysettings read;
        read.Country = QStringLiteral("kept");
        fDM->ReadConfigRecord(rec.TableName, read);
        QCOMPARE(read.Callsign, QStringLiteral("N0CALL"));
        QCOMPARE(read.FirstName, QStringLiteral("Pat"));
        QCOMPARE(read.LastName, QStringLiteral("O'Neil"));
        QCOMPARE(read.EntityType, -1);
        QCOMPARE(read.LookupType, 7);
        QCOMPARE(read.QRP, true);
        QCOMPARE(read.ServerSocket, QStringLiteral("localhost:8818"));
        QCOMPARE(read.Country, QStringLiteral("kept"));
        QCOMPARE(Scalar(QStringLiteral("select typeof(email) from config")).toString(),
                 QStringLiteral("text"));

        // A row that is gone empties the record.
        fDM->ReadConfigRecord(QStringLiteral("none"), read);
        QCOMPARE(read.Callsign, QString());
        QCOMPARE(read.TableName, QString());
    }

    void MigratesOldLayoutKeepingRows()
    {
        fDM->CreateConfig();
        const QString table = QStringLiteral("W1AW_2019_Open_Season");
        CreateOldTable(table);
        fDM->CheckTable(table);
        QCOMPARE(Columns(table).size(), 20);
        QCOMPARE(Columns(table).last(), QStringLiteral("submit_county"));
        QSqlQuery q(fDM->condb());
        QVERIFY(q.exec(QStringLiteral("select pkey,_call,submit_bar,submit_digital,submit_county from \"%1\"")
                           .arg(table)));
        QStringList rows;
        while (q.next()) {
            rows << QStringLiteral("%1 %2 %3%4%5")
                        .arg(q.value(0).toInt())
                        .arg(q.value(1).toString())
                        .arg(q.value(2).toInt())
                        .arg(q.value(3).toInt())
                        .arg(q.value(4).toInt());
        }
        QCOMPARE(rows, (QStringList{"1 W1AW 000", "2 K2XYZ 000", "7 VE3ABC 000"}));
        QCOMPARE(Scalar(QStringLiteral("select count(*) from sqlite_master where name='temp_table'")).toInt(),
                 0);
        // The next contact continues after the highest key.
        fDM->LogAddRecord(tLogRecord(), table);
        QCOMPARE(Scalar(QStringLiteral("select max(pkey) from \"%1\"").arg(table)).toInt(), 8);
        // A table of the current layout is left alone.
        const QString before =
            Scalar(QStringLiteral("select sql from sqlite_master where name='%1'").arg(table)).toString();
        fDM->CheckTable(table);
        QCOMPARE(
            Scalar(QStringLiteral("select sql from sqlite_master where name='%1'").arg(table)).toString(),
            before);
    }

    // The statements kept prepared per table follow the table: through a rebuild of its layout, a failed
    // insert, and a table dropped and made again under the same name.
    void KeptStatementsFollowTheTable()
    {
        fDM->CreateConfig();
        const QString table = QStringLiteral("W1AW_2019_Winter_Phone");
        CreateOldTable(table);
        tLogRecord rec;
        rec.call = QStringLiteral("N1NEW");
        fDM->LogAddRecord(rec, table);
        QVERIFY(fDM->IsDupe(table, QStringLiteral("N1NEW"), std::nullopt, std::nullopt));
        fDM->CheckTable(table);
        rec.call = QStringLiteral("N2NEW");
        fDM->LogAddRecord(rec, table);
        QVERIFY(fDM->IsDupe(table, QStringLiteral("N2NEW"), std::nullopt, std::nullopt));
        QVERIFY(fDM->IsDupe(table, QStringLiteral("K2XYZ"), std::nullopt, std::nullopt));
        QCOMPARE(Scalar(QStringLiteral("select count(*) from \"%1\"").arg(table)).toInt(), 5);

        QSqlQuery q(fDM->condb());
        QVERIFY(q.exec(QStringLiteral("DROP TABLE \"%1\"").arg(table)));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError,
                                 fDM->IsDupe(table, QStringLiteral("N2NEW"), std::nullopt, std::nullopt));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, fDM->LogAddRecord(rec, table));
        fDM->CreateNewLogTable(table);
        QVERIFY(!fDM->IsDupe(table, QStringLiteral("N2NEW"), std::nullopt, std::nullopt));
        fDM->LogAddRecord(rec, table);
        QVERIFY(fDM->IsDupe(table, QStringLiteral("N2NEW"), std::nullopt, std::nullopt));
        QCOMPARE(fDM->Recount(table).total, 1);
    }

    // A migration that cannot copy the rows (a column the current layout lacks) changes nothing, and
    // leaves nothing behind that would break the next attempt.
    void FailedMigrationLeavesOldTable()
    {
        fDM->CreateConfig();
        const QString table = QStringLiteral("W1AW_2019_Weak_Signal");
        CreateOldTable(table, QStringLiteral("_extra VARCHAR(10)"));
        const QStringList before = Columns(table);
        for (int attempt = 0; attempt < 2; ++attempt) {
            QVERIFY_THROWS_EXCEPTION(EDatabaseError, fDM->CheckTable(table));
            QCOMPARE(Columns(table), before);
            QCOMPARE(Scalar(QStringLiteral("select count(*) from \"%1\"").arg(table)).toInt(), 3);
            QCOMPARE(
                Scalar(QStringLiteral("select count(*) from sqlite_master where name='temp_table'")).toInt(),
                0);
        }
    }

    // A temp_table left by an interrupted conversion may hold the only copy of a log: the migration
    // never drops it but renames it aside with the date (and a number when that name is taken).
    void LeftoverTempTableIsKeptAside()
    {
        fDM->CreateConfig();
        const QDate today(2026, 12, 10);
        for (const QString& expected :
             {QStringLiteral("temp_table_2026_12_10"), QStringLiteral("temp_table_2026_12_10_2")}) {
            CreateOldTable(QStringLiteral("temp_table"));
            QSqlQuery q(fDM->condb());
            QVERIFY(q.exec(QStringLiteral("delete from temp_table where pkey=7")));
            const QString table = QStringLiteral("W1AW_2019_Open_Season") + expected.right(2);
            CreateOldTable(table);
            q.finish();
            QCOMPARE(fDM->CheckTable(table, today), std::optional<QString>(expected));
            QCOMPARE(
                Scalar(QStringLiteral("select group_concat(_call) from \"%1\"").arg(expected)).toString(),
                QStringLiteral("W1AW,K2XYZ"));
            QCOMPARE(Columns(table).size(), 20);
            QCOMPARE(Scalar(QStringLiteral("select count(*) from \"%1\"").arg(table)).toInt(), 3);
            QCOMPARE(
                Scalar(QStringLiteral("select count(*) from sqlite_master where name='temp_table'")).toInt(),
                0);
        }
        // Without a leftover there is nothing to report.
        CreateOldTable(QStringLiteral("W1AW_2020_Open_Season"));
        QCOMPARE(fDM->CheckTable(QStringLiteral("W1AW_2020_Open_Season"), today), std::nullopt);
    }

    // A log's counters are kept in the file by triggers on its table, so a selection reads them without a
    // pass over the contacts. After any change, by this program or another one, they equal a recount.
    void StoredCountsFollowEveryChange_data()
    {
        QTest::addColumn<bool>("otherProgram");
        QTest::addColumn<QStringList>("statements"); // %1 is the quoted table name
        const QStringList odd = {
            "insert into %1 (_call,_tenten,_epc,_p070,_points) values ('K1A','5','','7',3),"
            "('K1B',NULL,'9',NULL,NULL),('K1C',0,' ','',-2),('K1D','','',NULL,'12'),('K1E','x','','','abc')"};
        const QStringList updates = {"update %1 set _tenten='',_epc='1',_points=_points+4 where _call='W1AW'",
                                     "update %1 set _tenten=NULL,_p070='3' where _call='K2XYZ'",
                                     "update %1 set _name='changed',_call=lower(_call),_mode='CW'"};
        const QStringList deletes = {"delete from %1 where _call='W1AW'",
                                     "insert into %1 (_call) values ('K9Z')", "delete from %1"};
        const QStringList rolledBack = {"begin",
                                        "insert into %1 (_call,_tenten,_points) values ('K8Q','8',2)",
                                        "delete from %1 where _call='K2XYZ'", "rollback"};
        for (const bool other : {false, true}) {
            const char* who = other ? ", another program" : "";
            QTest::addRow("odd values%s", who) << other << odd;
            QTest::addRow("updates%s", who) << other << updates;
            QTest::addRow("deletes%s", who) << other << deletes;
            QTest::addRow("rolled back%s", who) << other << rolledBack;
        }
    }

    void StoredCountsFollowEveryChange()
    {
        QFETCH(bool, otherProgram);
        QFETCH(QStringList, statements);
        fDM->CreateConfig();
        const QString table = QStringLiteral("N0CALL_2024_Open_Season");
        fDM->CreateLog(Config(table));
        VerifyStoredCounts(table);
        QCOMPARE(fDM->StoredCounts(table)->total, 0);
        fDM->LogAddRecord(Contact(QStringLiteral("W1AW"), QStringLiteral("12"), QString(), 2), table);
        fDM->LogAddRecords({Contact(QStringLiteral("K2XYZ"), QStringLiteral("13"), QStringLiteral("4"), 3),
                            Contact(QStringLiteral("VE3ABC"), QString(), QString(), 1)},
                           table);
        VerifyStoredCounts(table);
        QCOMPARE(fDM->StoredCounts(table)->points, 6);

        const QString connection = QStringLiteral("other");
        {
            QSqlDatabase db = fDM->condb();
            if (otherProgram) {
                db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
                db.setDatabaseName(fDM->condb().databaseName());
                QVERIFY(db.open());
            }
            QSqlQuery q(db);
            for (const QString& statement : statements) {
                QVERIFY2(q.exec(QString(statement).replace(QStringLiteral("%1"), QuoteIdent(table))),
                         qPrintable(q.lastError().text()));
            }
        }
        QSqlDatabase::removeDatabase(connection);
        VerifyStoredCounts(table);
        // A new connection, as at the next start, reads the same counts without counting.
        fDM = std::make_unique<TDM>();
        fDM->OpenLogs(fHome->Work() + QStringLiteral("logs.db"));
        VerifyStoredCounts(table);
    }

    // Counts the triggers no longer keep are counted again when the log is selected, and kept from then
    // on. Counts triggers that have lost their table never stop a contact from being stored.
    void LostCountsAreCountedAgain_data()
    {
        QTest::addColumn<QStringList>("statements"); // %1 is the quoted table name
        QTest::addColumn<bool>("keptAfter");
        QTest::newRow("table made again") << QStringList{"drop table %1"} << true;
        QTest::newRow("counts row deleted") << QStringList{"delete from log_counts"} << true;
        QTest::newRow("counts table dropped") << QStringList{"drop table log_counts"} << true;
        QTest::newRow("someone else's log_counts")
            << QStringList{"drop table log_counts", "create table log_counts (x)"} << false;
        QTest::newRow("a trigger dropped")
            << QStringList{"drop trigger \"N0CALL_2024_Open_Season_counts_delete\""} << true;
    }

    void LostCountsAreCountedAgain()
    {
        QFETCH(QStringList, statements);
        QFETCH(bool, keptAfter);
        fDM->CreateConfig();
        const QString table = QStringLiteral("N0CALL_2024_Open_Season");
        fDM->CreateLog(Config(table));
        fDM->LogAddRecord(Contact(QStringLiteral("W1AW"), QStringLiteral("12"), QString(), 2), table);
        fDM->LogAddRecord(Contact(QStringLiteral("K2XYZ"), QString(), QStringLiteral("4"), 3), table);
        QSqlQuery q(fDM->condb());
        for (const QString& statement : statements) {
            QVERIFY2(q.exec(QString(statement).replace(QStringLiteral("%1"), QuoteIdent(table))),
                     qPrintable(q.lastError().text()));
        }
        q.finish();
        const bool tableMadeAgain = statements.first() == QStringLiteral("drop table %1");
        if (tableMadeAgain) {
            fDM->CreateNewLogTable(table);
        }
        // Contacts are stored whatever became of the counts.
        QVERIFY_THROWS_NO_EXCEPTION(fDM->LogAddRecord(
            Contact(QStringLiteral("K3Q"), QStringLiteral("14"), QStringLiteral("5"), 3), table));
        QVERIFY_THROWS_NO_EXCEPTION(
            fDM->LogAddRecords({Contact(QStringLiteral("K4Q"), QString(), QString(), 1)}, table));
        const int rows = tableMadeAgain ? 2 : 4;
        QCOMPARE(Scalar(QStringLiteral("select count(*) from %1").arg(QuoteIdent(table))).toInt(), rows);
        fDM = std::make_unique<TDM>();
        fDM->OpenLogs(fHome->Work() + QStringLiteral("logs.db"));
        QCOMPARE(fDM->LogCounts(table).total, rows);
        QCOMPARE(fDM->LogCounts(table).points, fDM->Recount(table).points);
        QCOMPARE(fDM->StoredCounts(table).has_value(), keptAfter);
        if (keptAfter) {
            fDM->LogAddRecord(Contact(QStringLiteral("K5Q"), QStringLiteral("15"), QString(), 2), table);
            VerifyStoredCounts(table);
        } else {
            QCOMPARE(
                Scalar(QStringLiteral("select sql from sqlite_master where name='log_counts'")).toString(),
                QStringLiteral("CREATE TABLE log_counts (x)"));
        }
    }

    void StartupListsFromReferenceDatabase()
    {
        QVERIFY(fDM->GetStates().contains(QStringLiteral("AZ")));
        QVERIFY(fDM->GetEvents().contains(QStringLiteral("Open Season")));
        QVERIFY(fDM->GetModes().contains(QStringLiteral("SSB")));
        QVERIFY(fDM->GetCountries().contains(QStringLiteral("United States")));
        const QStringList az = fDM->GetCountyList(QStringLiteral("AZ"));
        QVERIFY(az.contains(QStringLiteral("Maricopa")));
        QCOMPARE(fDM->GetCountyList(QStringLiteral("az")), az);
        QVERIFY(fDM->GetCountyList(QStringLiteral("XX")).isEmpty());
    }
};

VANTREL_TEST(TestDataModule)
#include "tst_DataModule.moc"
