#include "StatsDescribe.h"
#include "common/TTestHome.h"
#include "common/TestRegistry.h"
#include "data/Errors.h"
#include "data/LogEdits.h"
#include "data/TDM.h"
#include "stats/TLogStatistics.h"

#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>
#include <memory>

namespace {

const QString kLog = QStringLiteral("W7VNT_2024_Open_Season");

tLogRecord Contact(const QString& call, const QString& date, const QString& time, int points = 2,
                   const QString& mode = QStringLiteral("SSB"), const QString& qth = QStringLiteral("TX"),
                   const QString& tenten = QStringLiteral("1234"))
{
    tLogRecord rec;
    rec.call = call;
    rec.date = date;
    rec.time = time;
    rec.points = points;
    rec.mode = mode;
    rec.qth = qth;
    rec.tenten = tenten;
    return rec;
}

bool SameCounts(const TDM::TLogCounts& a, const TDM::TLogCounts& b)
{
    return a.total == b.total && a.withTenTen == b.withTenTen && a.withEpc == b.withEpc &&
           a.with070 == b.with070 && a.points == b.points;
}

} // namespace

// The statistics of a log in logs.db, kept up to date as the log changes by every writing path.
class TestLogStatistics : public QObject
{
    Q_OBJECT

    std::unique_ptr<TTestHome> fHome;
    std::unique_ptr<TDM> fDM;
    const TMinute fNow = *ContactMinute("2024-02-04", "00:30");

    // The figures of a log read afresh, to compare with figures kept up to date.
    QStringList Fresh()
    {
        TLogStatistics fresh(*fDM);
        fresh.SetLog(kLog);
        return DescribeStats(fresh.Engine(), fNow);
    }

    void VerifyUpToDate(TLogStatistics& stats)
    {
        QCOMPARE(DescribeStats(stats.Engine(), fNow), Fresh());
        QVERIFY(SameCounts(stats.Counts(), fDM->LogCounts(kLog)));
    }

private slots:
    void init()
    {
        fHome = std::make_unique<TTestHome>();
        fHome->PrepareWorkFolder();
        fDM = std::make_unique<TDM>();
        fDM->OpenLogs(fHome->Work() + QStringLiteral("logs.db"));
        fDM->CreateConfig();
        TMysettings rec;
        rec.TableName = kLog;
        rec.ContestName = QStringLiteral("Open Season");
        fDM->CreateLog(rec);
        fDM->LogAddRecord(Contact("K1ABC", "2024-02-03", "23:50"), kLog);
        fDM->LogAddRecord(Contact("G3XYZ", "2024-02-03", "23:55", 3, "CW", "England", ""), kLog);
        fDM->LogAddRecord(Contact("N5ZZ", "", "", 2), kLog);
    }

    void cleanup()
    {
        fDM.reset();
        fHome.reset();
    }

    void LoadsTheLog()
    {
        TLogStatistics stats(*fDM);
        QSignalSpy changed(&stats, &TLogStatistics::Changed);
        stats.SetLog(kLog);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(stats.Engine().Contacts(), 3);
        QCOMPARE(stats.Engine().LeftOut(), 1);
        QCOMPARE(stats.Engine().TimedPoints(), 5);
        QCOMPARE(stats.Counts().total, 3);
        QCOMPARE(stats.Counts().withTenTen, 2);
        QCOMPARE(stats.Counts().points, 7);
        QCOMPARE(stats.FullLoads(), 1);

        // No log: nothing to show.
        stats.SetLog(QString());
        QCOMPARE(stats.Engine().Contacts(), 0);
        QCOMPARE(stats.Counts().total, 0);
        stats.LogChanged();
        QCOMPARE(stats.Engine().Contacts(), 0);
    }

    // A contact logged, one from a feed or a whole import is read from the end of the log on: no pass
    // over the log, and the figures are those of a fresh read.
    void AddedContactsAreReadIncrementally()
    {
        TLogStatistics stats(*fDM);
        stats.SetLog(kLog);
        QSignalSpy changed(&stats, &TLogStatistics::Changed);

        fDM->LogAddRecord(Contact("W1AW", "2024-02-04", "00:05"), kLog);
        stats.LogChanged();
        VerifyUpToDate(stats);
        QCOMPARE(stats.Engine().Contacts(), 4);
        QCOMPARE(changed.count(), 1);

        // Two contacts before one look, then an import of many in one transaction.
        fDM->LogAddRecord(Contact("W2AW", "2024-02-04", "00:06"), kLog);
        fDM->LogAddRecord(Contact("W3AW", "bad", "00:07"), kLog);
        stats.LogChanged();
        VerifyUpToDate(stats);
        QList<tLogRecord> imported;
        for (int i = 0; i < 50; ++i) {
            imported << Contact(QStringLiteral("KI%1").arg(i), "2024-02-04",
                                QStringLiteral("00:%1").arg(i, 2, 10, QChar('0')), 1, i % 2 ? "FT8" : "CW",
                                "Japan");
        }
        fDM->LogAddRecords(imported, kLog);
        stats.LogChanged();
        VerifyUpToDate(stats);
        QCOMPARE(stats.Engine().Contacts(), 56);
        QCOMPARE(stats.FullLoads(), 1);

        // Nothing written since: nothing read, nothing signalled.
        const int signalled = int(changed.count());
        stats.LogChanged();
        QCOMPARE(changed.count(), signalled);
    }

    // Edits and deletions are caught whatever they change, the date or time of a contact included (which
    // leaves every count as it was), and the log is read again.
    void EditsAndDeletionsReload_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("time edited") << "time";
        QTest::newRow("mode and QTH edited") << "mode";
        QTest::newRow("points edited") << "points";
        QTest::newRow("contact deleted") << "delete";
        QTest::newRow("last contact undone") << "undo";
        QTest::newRow("added and edited") << "add+edit";
        QTest::newRow("added and deleted") << "add+delete";
    }
    void EditsAndDeletionsReload()
    {
        QFETCH(QString, change);
        TLogStatistics stats(*fDM);
        stats.SetLog(kLog);
        const QStringList before = DescribeStats(stats.Engine(), fNow);
        const qint64 first = RecentContacts(*fDM, kLog, 10).last().key;
        tLogRecord rec = *ReadContact(*fDM, kLog, first);
        if (change.startsWith(QStringLiteral("add+"))) {
            fDM->LogAddRecord(Contact("W1AW", "2024-02-04", "00:05"), kLog);
        }
        if (change == QStringLiteral("time") || change.endsWith(QStringLiteral("edit"))) {
            rec.time = QStringLiteral("22:10");
            UpdateContact(*fDM, kLog, first, rec);
        } else if (change == QStringLiteral("mode")) {
            rec.mode = QStringLiteral("RTTY");
            rec.qth = QStringLiteral("Canada");
            UpdateContact(*fDM, kLog, first, rec);
        } else if (change == QStringLiteral("points")) {
            rec.points = 5;
            UpdateContact(*fDM, kLog, first, rec);
        } else if (change.endsWith(QStringLiteral("delete"))) {
            DeleteContact(*fDM, kLog, first);
        } else if (change == QStringLiteral("undo")) {
            DeleteContact(*fDM, kLog, *LastContactKey(*fDM, kLog));
        }
        stats.LogChanged();
        VerifyUpToDate(stats);
        QVERIFY(DescribeStats(stats.Engine(), fNow) != before);
        QCOMPARE(stats.FullLoads(), 2);
    }

    // A contact written by another program (another connection to the file) is seen as well.
    void ChangesByAnotherProgram()
    {
        TLogStatistics stats(*fDM);
        stats.SetLog(kLog);
        {
            QSqlDatabase other =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            other.setDatabaseName(fHome->Work() + QStringLiteral("logs.db"));
            QVERIFY(other.open());
            QSqlQuery q(other);
            QVERIFY(q.exec(QStringLiteral("update \"%1\" set _time='10:00' where _call='K1ABC'").arg(kLog)));
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        stats.LogChanged();
        VerifyUpToDate(stats);
        QCOMPARE(stats.Engine().First(), ContactMinute("2024-02-03", "10:00"));
    }

    // A log whose counts are not kept in the file (made by an earlier version) is counted, read whole
    // after every change until its counts are kept, and right all along.
    void LogWithoutKeptCounts()
    {
        QSqlQuery q(fDM->condb());
        QVERIFY(q.exec(QStringLiteral("DROP TABLE log_counts")));
        QVERIFY(!fDM->StoredCounts(kLog));
        TLogStatistics stats(*fDM);
        stats.SetLog(kLog);
        QCOMPARE(stats.Counts().total, 3);
        fDM->LogAddRecord(Contact("W1AW", "2024-02-04", "00:05"), kLog);
        stats.LogChanged();
        VerifyUpToDate(stats);
        fDM->LogAddRecord(Contact("W2AW", "2024-02-04", "00:06"), kLog);
        const int loads = stats.FullLoads();
        stats.LogChanged();
        VerifyUpToDate(stats);
        QCOMPARE(stats.FullLoads(), loads);
    }

    void SetOffTimeThreshold()
    {
        TLogStatistics stats(*fDM);
        stats.SetLog(kLog);
        QCOMPARE(stats.Engine().OffTimes().size(), 0);
        QSignalSpy changed(&stats, &TLogStatistics::Changed);
        stats.SetOffTimeThreshold(4);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(stats.Engine().OffTimes().size(), 1);
        // The threshold holds through a reload.
        stats.Reload();
        QCOMPARE(stats.Engine().OffTimeThreshold(), 4);
        QCOMPARE(stats.Engine().OffTimes().size(), 1);
    }

    void MissingTable()
    {
        TLogStatistics stats(*fDM);
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, stats.SetLog(QStringLiteral("No_Such_Log")));
        QCOMPARE(stats.Engine().Contacts(), 0);
        QCOMPARE(stats.Counts().total, 0);
    }
};

VANTREL_TEST(TestLogStatistics)

#include "tst_LogStatistics.moc"
