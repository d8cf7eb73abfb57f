#pragma once

#include "common/TPgServer.h"

#include "data/Paths.h"
#include "data/TDM.h"
#include "data/TMysettings.h"
#include "data/tLogRecord.h"
#include "sync/TSharedLog.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// The shared log of these tests.
inline const QString kTable = QStringLiteral("W1VNT_2026_General_Log");

// One operating position in this process: a work folder of its own with logs.db (and a copy of the
// shipped config.db), the data module on it and the sharing of its log.
class TPosition
{
public:
    explicit TPosition(const QString& name) : name(name)
    {
        QFile::copy(Paths::ShippedFile(QStringLiteral("config.db")),
                    dir.filePath(QStringLiteral("config.db")));
        QFile::setPermissions(dir.filePath(QStringLiteral("config.db")),
                              QFile::ReadOwner | QFile::WriteOwner);
        dm.OpenLogs(dir.filePath(QStringLiteral("logs.db")));
        dm.CreateConfig();
        dm.OpenConfig(dir.filePath(QStringLiteral("config.db")));
    }

    // A new log of the event, as File > New makes it.
    void CreateLog(const TMysettings& rec) { dm.CreateLog(rec); }

    void Log(const QString& table, const QString& call, const QString& tenten = QString())
    {
        tLogRecord rec;
        rec.date = QStringLiteral("2026-06-13");
        rec.time = QStringLiteral("14:%1").arg(fMinute++ % 60, 2, 10, QLatin1Char('0'));
        rec.call = call;
        rec.tenten = tenten;
        rec.mode = QStringLiteral("SSB");
        rec.qth = QStringLiteral("MA");
        rec.name = QStringLiteral("Op ") + name;
        rec.points = tenten.isEmpty() ? 1 : 2;
        dm.LogAddRecord(rec, table);
    }

    // Every row of the log, all columns but the key, one text per row, sorted: two positions in step give
    // the same list.
    QStringList Rows(const QString& table)
    {
        QSqlQuery q(dm.condb());
        q.exec(QStringLiteral(
                   "select _date,_time,_call,_tenten,_vp,_epc,_p070,_mode,_name,_qth,_mycounty,"
                   "_uscounty,ifnull(_points,0),ifnull(_mobile,0),ifnull(_dxcc,0),_comment,submit_bar,"
                   "submit_digital,submit_county from \"%1\"")
                   .arg(table));
        QStringList rows;
        while (q.next()) {
            QStringList values;
            for (int i = 0; i < 19; ++i) {
                values << q.value(i).toString();
            }
            rows << values.join('|');
        }
        rows.sort();
        return rows;
    }

    QStringList Calls(const QString& table)
    {
        QSqlQuery q(dm.condb());
        q.exec(QStringLiteral("select _call from \"%1\" order by _call").arg(table));
        QStringList calls;
        while (q.next()) {
            calls << q.value(0).toString();
        }
        return calls;
    }

    int Count(const QString& table) { return int(Calls(table).size()); }

    qint64 KeyOf(const QString& table, const QString& call)
    {
        QSqlQuery q(dm.condb());
        q.exec(QStringLiteral("select pkey from \"%1\" where _call='%2'").arg(table, call));
        return q.next() ? q.value(0).toLongLong() : 0;
    }

    bool InStep() const { return share.Status().inStep; }

    QString name;
    QTemporaryDir dir;
    TDM dm;
    TSharedLog share{dm};

private:
    int fMinute = 0;
};

// The event of the shared logs of these tests.
inline TMysettings EventConfig(const QString& contest, const QString& table)
{
    TMysettings rec;
    rec.ContestName = contest;
    rec.ContestMode = QStringLiteral("SSB");
    rec.Callsign = QStringLiteral("W1VNT");
    rec.TenTen = QStringLiteral("54321");
    rec.FirstName = QStringLiteral("Club");
    rec.LastName = QStringLiteral("Station");
    rec.Address = QStringLiteral("1 Antenna Road");
    rec.City = QStringLiteral("Newington");
    rec.State = QStringLiteral("CT");
    rec.Postal = QStringLiteral("06111");
    rec.Email = QStringLiteral("club@example.org");
    rec.EntityType = 4;
    rec.ClubOperators = QStringLiteral("W1AAA W1BBB");
    rec.CallArea = QStringLiteral("1");
    rec.Chapter = QStringLiteral("Nutmeg");
    rec.epc = QStringLiteral("321");
    rec.p070 = QStringLiteral("2468");
    rec.TableName = table;
    return rec;
}

// The club's database on the test server: a new one for each test, owned by the user "club".
class TClubDatabase
{
public:
    explicit TClubDatabase(const TPgServer& server) : fServer(server)
    {
        static QAtomicInt next;
        database = QStringLiteral("club_%1").arg(next.fetchAndAddRelaxed(1));
        if (fServer.Sql({QStringLiteral("SELECT 1 FROM pg_roles WHERE rolname = 'club'")}).isEmpty()) {
            fServer.CreateClub(QStringLiteral("club"), QStringLiteral("club-secret"), database);
        } else {
            fServer.Sql({QStringLiteral("CREATE DATABASE \"%1\" OWNER club").arg(database)});
        }
    }

    TShareSettings Settings(const QString& position, const QString& log) const
    {
        TShareSettings s;
        s.host = fServer.Host();
        s.port = fServer.Port();
        s.database = database;
        s.user = QStringLiteral("club");
        s.password = QStringLiteral("club-secret");
        s.tlsMode = QStringLiteral("prefer");
        s.position = position;
        s.log = log;
        return s;
    }

    // The first column of a query on the club's database, as the superuser.
    QStringList Sql(const QString& statement) const { return fServer.Sql({statement}, database); }

    QString database;

private:
    const TPgServer& fServer;
};

// Waits for a line from a helper process that begins with a prefix, keeping this process's event loop
// running (its positions go on sharing meanwhile); the line, or empty text after the timeout.
inline QString WaitForLine(QProcess& process, const QString& prefix, int timeoutMs = 60000)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        while (process.canReadLine()) {
            const QString line = QString::fromUtf8(process.readLine()).trimmed();
            if (line.startsWith(prefix)) {
                return line;
            }
        }
        if (process.state() == QProcess::NotRunning && !process.canReadLine()) {
            return QString();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        process.waitForReadyRead(10);
    }
    return QString();
}
