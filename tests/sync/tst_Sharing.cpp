// Several operating positions on one event log through a real PostgreSQL server started by the test.
#include "SyncFixture.h"

#include "common/TestRegistry.h"
#include "process/TProcessFixture.h"

#include "data/LogEdits.h"
#include "data/MyFunc.h"
#include "data/SyncStore.h"
#include "data/TDupeListReader.h"
#include "gui/sync/TfrmSharePositions.h"
#include "process/TLogProcessor.h"
#include "sync/TSyncServer.h"

#include <QLabel>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>

namespace {

constexpr int kWait = 30000;

// The positions A (which holds the log and shares it first) and B (which joins with an empty logs.db), in
// step on the club's database.
struct TTwoPositions
{
    explicit TTwoPositions(const TPgServer& server, const QString& contest = QStringLiteral("General Log"))
        : club(server)
    {
        a.CreateLog(EventConfig(contest, kTable));
        a.share.Start(club.Settings(QStringLiteral("Radio 1"), kTable));
        // B joins a log that A has shared.
        QTRY_COMPARE_WITH_TIMEOUT(a.share.Status().state, TShareStatus::TState::Online, kWait);
        QSignalSpy joined(&b.share, &TSharedLog::LogJoined);
        b.share.Start(club.Settings(QStringLiteral("Radio 2"), kTable));
        QTRY_VERIFY_WITH_TIMEOUT(joined.count() == 1, kWait);
    }

    bool InStep() { return a.InStep() && b.InStep(); }

    TClubDatabase club;
    TPosition a{QStringLiteral("A")};
    TPosition b{QStringLiteral("B")};
};

// The rows of the shared log on the server: call signs of the live contacts, and how many identities the
// table holds for each call.
QStringList ServerCalls(const TClubDatabase& club)
{
    QStringList calls = club.Sql(QStringLiteral("SELECT _call FROM \"%1\".contacts WHERE NOT deleted")
                                     .arg(TSyncServer::SchemaName(kTable)));
    calls.sort();
    return calls;
}

} // namespace

class TestSharing : public QObject
{
    Q_OBJECT

private slots:
    // Every test starts on the program's server, running and with TLS on, and makes its own database.
    void init()
    {
        fServer = &TPgServer::Shared();
        if (!fServer->IsValid()) {
            QFAIL(qPrintable(fServer->Error()));
        }
    }

    // A joining position gets the event from the server; 500 + 500 contacts logged interleaved end on both
    // positions, each once, with every column; the server holds each once; the status and the positions
    // list say so.
    void InterleavedContacts()
    {
        TTwoPositions p(*fServer);
        QCOMPARE(p.b.dm.TableExists(kTable), true);
        TMysettings joined;
        p.b.dm.ReadConfigRecord(kTable, joined);
        QCOMPARE(joined.Callsign, QStringLiteral("W1VNT"));
        QCOMPARE(joined.ClubOperators, QStringLiteral("W1AAA W1BBB"));
        QCOMPARE(joined.EntityType, 4);

        for (int i = 0; i < 500; ++i) {
            p.a.Log(kTable, QStringLiteral("A%1").arg(i, 3, 10, QLatin1Char('0')), QString::number(i));
            p.b.Log(kTable, QStringLiteral("B%1").arg(i, 3, 10, QLatin1Char('0')));
            if (i % 10 == 0) {
                QCoreApplication::processEvents();
            }
        }
        QTRY_VERIFY_WITH_TIMEOUT(p.a.Count(kTable) == 1000 && p.b.Count(kTable) == 1000 && p.InStep(), kWait);
        const QStringList calls = p.a.Calls(kTable);
        QCOMPARE(QSet<QString>(calls.begin(), calls.end()).size(), 1000);
        QCOMPARE(p.b.Calls(kTable), calls);
        QCOMPARE(p.b.Rows(kTable), p.a.Rows(kTable));
        QCOMPARE(ServerCalls(p.club), calls);

        QCOMPARE(p.a.share.Status().Text(), QStringLiteral("Shared: 2 positions, in step"));
        const QList<TPositionInfo> positions = p.b.share.Positions();
        QCOMPARE(positions.size(), 2);
        QCOMPARE(positions[0].name, QStringLiteral("Radio 1"));
        QCOMPARE(positions[0].contacts, 500);
        QVERIFY(positions[0].lastSeen.isValid());
        QCOMPARE(positions[1].name, QStringLiteral("Radio 2"));
        QCOMPARE(positions[1].contacts, 500);
        QVERIFY(positions[1].self);
        QVERIFY(!positions[1].lastContact.isEmpty());
    }

    // The positions window lists both positions with their contacts and latest contact under the state, and
    // follows the contacts of the other position and of this one while it is open.
    void PositionsWindow()
    {
        TTwoPositions p(*fServer);
        p.a.Log(kTable, QStringLiteral("W1AW"));
        p.a.Log(kTable, QStringLiteral("K1TTT"));
        p.b.Log(kTable, QStringLiteral("N2NL"));
        QTRY_VERIFY_WITH_TIMEOUT(p.a.Count(kTable) == 3 && p.b.Count(kTable) == 3 && p.InStep(), kWait);

        TfrmSharePositions window(p.b.share);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* list = window.findChild<QTreeWidget*>(QStringLiteral("lstPositions"));
        const auto rows = [&] {
            QStringList lines;
            for (int i = 0; i < list->topLevelItemCount(); ++i) {
                const QTreeWidgetItem* item = list->topLevelItem(i);
                lines << item->text(0) + '|' + item->text(1) + '|' + item->text(2) + '|' +
                             (item->font(0).bold() ? QStringLiteral("self") : QString());
            }
            return lines;
        };
        QCOMPARE(rows(), (QStringList{"Radio 1|2|2026-06-13 14:01|", "Radio 2|1|2026-06-13 14:00|self"}));
        QVERIFY(!list->topLevelItem(0)->text(3).isEmpty());
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("lblState"))->text(),
                 QStringLiteral("Shared: 2 positions, in step"));

        p.a.Log(kTable, QStringLiteral("W9XYZ"));
        p.b.Log(kTable, QStringLiteral("VE3AAA"));
        QTRY_COMPARE_WITH_TIMEOUT(
            rows(), (QStringList{"Radio 1|3|2026-06-13 14:02|", "Radio 2|2|2026-06-13 14:01|self"}), kWait);
    }

    // The server stops for half a minute while both positions log: both go on logging, offline with their
    // contacts to send, trying again all the while; once it runs again every contact reaches both.
    void ServerStoppedWhileLogging()
    {
        TTwoPositions p(*fServer);
        p.a.Log(kTable, QStringLiteral("K1BEFORE"));
        QTRY_VERIFY_WITH_TIMEOUT(p.b.Count(kTable) == 1 && p.InStep(), kWait);

        QVERIFY(fServer->Stop());
        QElapsedTimer down;
        down.start();
        QTRY_COMPARE_WITH_TIMEOUT(p.a.share.Status().state, TShareStatus::TState::Offline, kWait);
        QTRY_COMPARE_WITH_TIMEOUT(p.b.share.Status().state, TShareStatus::TState::Offline, kWait);
        // One contact on each position every 600 ms while the server is down.
        for (int i = 0; i < 50; ++i) {
            p.a.Log(kTable, QStringLiteral("KA%1").arg(i));
            p.b.Log(kTable, QStringLiteral("KB%1").arg(i));
            QTest::qWait(int(std::max<qint64>(0, (i + 1) * 600 - down.elapsed())));
        }
        QVERIFY(down.elapsed() >= 30000);
        QTRY_COMPARE(p.a.share.Status().Text(), QStringLiteral("Shared: offline, 50 to send"));
        QTRY_COMPARE(p.b.share.Status().Text(), QStringLiteral("Shared: offline, 50 to send"));
        QCOMPARE(p.a.Count(kTable), 51);
        QCOMPARE(p.b.Count(kTable), 51);
        QVERIFY(!p.a.share.Status().error.isEmpty());

        QVERIFY(fServer->Start());
        QTRY_VERIFY_WITH_TIMEOUT(p.a.Count(kTable) == 101 && p.b.Count(kTable) == 101 && p.InStep(), kWait);
        QCOMPARE(p.b.Rows(kTable), p.a.Rows(kTable));
        QCOMPARE(ServerCalls(p.club).size(), 101);
        QVERIFY(p.a.share.Status().error.isEmpty());
    }

    // A position killed in the middle of a burst loses nothing it acknowledged and doubles nothing on the
    // others once it runs again.
    void KilledInBurst()
    {
        TClubDatabase club(*fServer);
        TPosition a(QStringLiteral("A"));
        a.CreateLog(EventConfig(QStringLiteral("General Log"), kTable));
        a.share.Start(club.Settings(QStringLiteral("Radio 1"), kTable));
        a.Log(kTable, QStringLiteral("W1A"));
        QTemporaryDir work;
        const TShareSettings s = club.Settings(QStringLiteral("Radio 2"), kTable);
        const QStringList args = {QStringLiteral("position"),
                                  work.path(),
                                  s.host,
                                  QString::number(s.port),
                                  s.database,
                                  s.user,
                                  s.password,
                                  kTable,
                                  s.position};
        QStringList acked;
        {
            QProcess b;
            b.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            b.start(QStringLiteral(VANTREL_PEER), args);
            b.write("wait\n");
            QCOMPARE(WaitForLine(b, QStringLiteral("in step")), QStringLiteral("in step 1"));
            b.write("burst 5000 KB\n");
            QElapsedTimer clock;
            clock.start();
            while (acked.size() < 400 && clock.elapsed() < kWait) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
                b.waitForReadyRead(5);
                while (b.canReadLine()) {
                    acked << QString::fromUtf8(b.readLine()).trimmed().section(' ', 1);
                }
            }
            b.kill();
            b.waitForFinished();
            while (b.canReadLine()) {
                acked << QString::fromUtf8(b.readLine()).trimmed().section(' ', 1);
            }
        }
        QVERIFY(acked.size() >= 400 && acked.size() < 5000);
        // Some of the burst reached A before the kill, some did not.
        QProcess again;
        again.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        again.start(QStringLiteral(VANTREL_PEER), args);
        again.write("wait\n");
        const QString inStep = WaitForLine(again, QStringLiteral("in step"));
        QVERIFY(!inStep.isEmpty());
        const int held = inStep.section(' ', 2).toInt();
        QVERIFY(held >= acked.size() + 1);
        QTRY_VERIFY_WITH_TIMEOUT(a.Count(kTable) == held && a.InStep(), kWait);
        again.write("quit\n");
        QVERIFY(again.waitForFinished());

        const QStringList calls = a.Calls(kTable);
        QCOMPARE(QSet<QString>(calls.begin(), calls.end()).size(), calls.size());
        for (const QString& call : acked) {
            QVERIFY2(calls.contains(call), qPrintable(call));
        }
        QCOMPARE(ServerCalls(club), calls);
        TDM b;
        b.OpenLogs(work.filePath(QStringLiteral("logs.db")));
        QSqlQuery q(b.condb());
        QVERIFY(q.exec(QStringLiteral("select count(*), count(distinct _call) from \"%1\"").arg(kTable)) &&
                q.next());
        QCOMPARE(q.value(0).toInt(), held);
        QCOMPARE(q.value(1).toInt(), held);
    }

    // An edit and a deletion travel; edits of one contact made at once on both positions end the same on
    // both (the later one at the server wins), and an edit against a deletion ends deleted.
    void EditsAndDeletions()
    {
        TTwoPositions p(*fServer);
        for (const char* call : {"K1EDIT", "K1GONE", "K1BOTH", "K1RACE"}) {
            p.a.Log(kTable, QString::fromLatin1(call));
        }
        QTRY_VERIFY_WITH_TIMEOUT(p.b.Count(kTable) == 4 && p.InStep(), kWait);

        tLogRecord edited = *ReadContact(p.a.dm, kTable, p.a.KeyOf(kTable, QStringLiteral("K1EDIT")));
        edited.call = QStringLiteral("K1EDITED");
        edited.comment = QStringLiteral("corrected");
        UpdateContact(p.a.dm, kTable, p.a.KeyOf(kTable, QStringLiteral("K1EDIT")), edited);
        DeleteContact(p.a.dm, kTable, p.a.KeyOf(kTable, QStringLiteral("K1GONE")));
        QTRY_VERIFY_WITH_TIMEOUT(
            p.b.Calls(kTable) == (QStringList{"K1BOTH", "K1EDITED", "K1RACE"}) && p.InStep(), kWait);
        QCOMPARE(ReadContact(p.b.dm, kTable, p.b.KeyOf(kTable, QStringLiteral("K1EDITED")))->comment,
                 QStringLiteral("corrected"));

        // Both positions correct K1BOTH before either hears of the other's correction.
        const auto correct = [&](TPosition& at, const QString& name) {
            const qint64 key = at.KeyOf(kTable, QStringLiteral("K1BOTH"));
            tLogRecord rec = *ReadContact(at.dm, kTable, key);
            rec.name = name;
            UpdateContact(at.dm, kTable, key, rec);
        };
        correct(p.a, QStringLiteral("Alice"));
        correct(p.b, QStringLiteral("Bruno"));
        // K1RACE: corrected on one position, deleted on the other.
        const qint64 race = p.b.KeyOf(kTable, QStringLiteral("K1RACE"));
        tLogRecord raced = *ReadContact(p.b.dm, kTable, race);
        raced.comment = QStringLiteral("late correction");
        DeleteContact(p.a.dm, kTable, p.a.KeyOf(kTable, QStringLiteral("K1RACE")));
        UpdateContact(p.b.dm, kTable, race, raced);
        QTRY_VERIFY_WITH_TIMEOUT(p.InStep() && p.a.Rows(kTable) == p.b.Rows(kTable) && p.a.Count(kTable) == 2,
                                 kWait);
        const QString name = ReadContact(p.a.dm, kTable, p.a.KeyOf(kTable, QStringLiteral("K1BOTH")))->name;
        QVERIFY2(name == QStringLiteral("Alice") || name == QStringLiteral("Bruno"), qPrintable(name));
        const QString last =
            p.club
                .Sql(QStringLiteral("SELECT changed_by FROM \"%1\".contacts WHERE _call = 'K1BOTH'")
                         .arg(TSyncServer::SchemaName(kTable)))
                .value(0);
        QCOMPARE(name, last == QStringLiteral("Radio 1") ? QStringLiteral("Alice") : QStringLiteral("Bruno"));
        QCOMPARE(ServerCalls(p.club), (QStringList{"K1BOTH", "K1EDITED"}));
    }

    // A contact logged on one position is a dupe while typing on the other; the same call logged on both at
    // once is kept twice, a dupe on both.
    void DupeOnTheOtherPosition()
    {
        TTwoPositions p(*fServer);
        p.a.Log(kTable, QStringLiteral("W1AW"));
        QTRY_VERIFY_WITH_TIMEOUT(p.b.Count(kTable) == 1, kWait);
        QVERIFY(p.b.dm.IsDupe(kTable, QStringLiteral("W1AW"), std::nullopt, std::nullopt));
        TDupeListReader typed(p.b.dm, kTable, QStringLiteral("W1"));
        const QList<TDupeRow> rows = typed.Next(10);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].call, QStringLiteral("W1AW"));

        QVERIFY(!p.a.dm.IsDupe(kTable, QStringLiteral("K9TWO"), std::nullopt, std::nullopt));
        QVERIFY(!p.b.dm.IsDupe(kTable, QStringLiteral("K9TWO"), std::nullopt, std::nullopt));
        p.a.Log(kTable, QStringLiteral("K9TWO"));
        p.b.Log(kTable, QStringLiteral("K9TWO"));
        QTRY_VERIFY_WITH_TIMEOUT(p.a.Count(kTable) == 3 && p.b.Count(kTable) == 3 && p.InStep(), kWait);
        QCOMPARE(p.a.Calls(kTable).count(QStringLiteral("K9TWO")), 2);
        QCOMPARE(p.b.Calls(kTable).count(QStringLiteral("K9TWO")), 2);
        QVERIFY(p.b.dm.IsDupe(kTable, QStringLiteral("K9TWO"), std::nullopt, std::nullopt));
    }

    // Every position in step writes the same submission log, dupe sheet and ADIF export of the event.
    void ProcessingOnAnyPosition()
    {
        TTwoPositions p(*fServer, QStringLiteral("Open Season"));
        const QList<tLogRecord> sample = TProcessFixture::SampleContacts();
        for (qsizetype i = 0; i < sample.size(); ++i) {
            (i % 2 ? p.b : p.a).dm.LogAddRecord(sample[i], kTable);
            QCoreApplication::processEvents();
        }
        QTRY_VERIFY_WITH_TIMEOUT(p.a.Count(kTable) == 10 && p.b.Count(kTable) == 10 && p.InStep(), kWait);

        const auto process = [&](TPosition& at) {
            TMysettings own;
            at.dm.ReadConfigRecord(kTable, own);
            const TDM::TLogCounts counts = at.dm.LogCounts(kTable);
            TProcessOptions options;
            options.folder = at.dir.filePath(QStringLiteral("out")) + '/';
            QDir().mkpath(options.folder);
            options.adifexport = true;
            options.adifcomment = true;
            options.eol = QStringLiteral("\r\n");
            TLogProcessor(at.dm, own, kTable,
                          TScoreCounters{counts.withTenTen, counts.total - counts.withTenTen, counts.points},
                          options)
                .ProcessTheLog();
            QByteArray files;
            for (const char* suffix : {".log", ".dup", ".adif"}) {
                QFile file(options.folder + kTable + QLatin1String(suffix));
                file.open(QIODevice::ReadOnly);
                files += file.readAll() + "\n=====\n";
            }
            return files;
        };
        const QByteArray onA = process(p.a);
        QVERIFY(onA.contains("QSO: 28000 PH 2024-02-03 1705 W1VNT"));
        QVERIFY(onA.contains("TOTAL CONTACTS: 10"));
        QCOMPARE(process(p.b), onA);
    }

    // The server refuses the position (a wrong password, TLS required by the server but off in the
    // position, TLS required by the position but off in the server, a missing database): a clear error, and
    // the position logs on, keeping its contacts to send.
    void ServerRefuses_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("tls");
        QTest::addColumn<bool>("serverTls");
        QTest::addColumn<bool>("database");
        QTest::addColumn<QString>("error");
        QTest::newRow("wrong password")
            << "club"
            << "not-the-password"
            << "prefer" << true << true << "refused the password of user \"club\"";
        QTest::newRow("TLS required by the server, off here")
            << TPgServer::TlsOnlyUser() << "club-secret"
            << "disable" << true << true
            << "accepts only encrypted (TLS) connections, but the TLS mode is \"disable\"";
        QTest::newRow("TLS required here, off at the server")
            << "club"
            << "club-secret"
            << "require" << false << true
            << "does not offer encrypted (TLS) connections, but the TLS mode \"require\" requires them";
        QTest::newRow("missing database") << "club"
                                          << "club-secret"
                                          << "prefer" << true << false << "does not exist on the server";
    }
    void ServerRefuses()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, tls);
        QFETCH(bool, serverTls);
        QFETCH(bool, database);
        QFETCH(QString, error);
        if (!fServer->HasTls()) {
            QSKIP("no certificate for the server's TLS (the openssl command is missing)");
        }
        TClubDatabase club(*fServer);
        if (fServer
                ->Sql({QStringLiteral("SELECT 1 FROM pg_roles WHERE rolname = '%1'")
                           .arg(TPgServer::TlsOnlyUser())})
                .isEmpty()) {
            fServer->CreateClub(TPgServer::TlsOnlyUser(), QStringLiteral("club-secret"),
                                club.database + "_tls");
        }
        fServer->Sql({QStringLiteral("GRANT ALL ON DATABASE \"%1\" TO %2")
                          .arg(club.database, TPgServer::TlsOnlyUser())});
        fServer->SetTls(serverTls);
        TPosition a(QStringLiteral("A"));
        a.CreateLog(EventConfig(QStringLiteral("General Log"), kTable));
        TShareSettings s = club.Settings(QStringLiteral("Radio 1"), kTable);
        s.user = user;
        s.password = password;
        s.tlsMode = tls;
        if (!database) {
            s.database = QStringLiteral("no_such_club");
        }
        a.share.Start(s);
        QTRY_COMPARE_WITH_TIMEOUT(a.share.Status().state, TShareStatus::TState::Offline, kWait);
        fServer->SetTls(true);
        QVERIFY2(a.share.Status().error.contains(error), qPrintable(a.share.Status().error));
        a.Log(kTable, QStringLiteral("K1LOCAL"));
        QCOMPARE(a.Calls(kTable), QStringList{QStringLiteral("K1LOCAL")});
        QTRY_COMPARE_WITH_TIMEOUT(a.share.Status().Text(), QStringLiteral("Shared: offline, 1 to send"),
                                  kWait);
    }

private:
    TPgServer* fServer = nullptr;
};

VANTREL_TEST(TestSharing)
#include "tst_Sharing.moc"
