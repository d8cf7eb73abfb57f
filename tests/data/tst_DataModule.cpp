#include "common/TTestHome.h"
#include "common/TestRegistry.h"
#include "data/Errors.h"
#include "data/TDM.h"

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
