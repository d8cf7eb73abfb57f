// The local side of a shared log in logs.db, and the sharing's settings and dialog: no server needed.
#include "SyncFixture.h"

#include "common/TScriptedPrompts.h"
#include "common/TestRegistry.h"

#include "data/LogEdits.h"
#include "data/SyncStore.h"
#include "data/TSettings.h"
#include "gui/sync/TfrmShareLog.h"
#include "sync/TShareSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

// A server state of a contact.
TSyncContact State(const QString& gid, qint64 seq, const QString& call, bool deleted = false)
{
    TSyncContact c;
    c.gid = gid;
    c.origin = QStringLiteral("Radio 9");
    c.seq = seq;
    c.ord = seq;
    c.deleted = deleted;
    if (!deleted) {
        c.rec.date = QStringLiteral("2026-06-13");
        c.rec.time = QStringLiteral("12:00");
        c.rec.call = call;
        c.rec.mode = QStringLiteral("CW");
        c.rec.submit_bar = 1;
    }
    return c;
}

QStringList OutboxCalls(TDM& dm)
{
    QStringList calls;
    for (const TSyncContact& c : SyncStore::ReadOutbox(dm, kTable, 100).contacts) {
        calls << (c.deleted ? QStringLiteral("deleted") : c.rec.call);
    }
    return calls;
}

} // namespace

class TestSyncStore : public QObject
{
    Q_OBJECT

private slots:
    // Sharing a log gives every contact logged before an identity of this position and queues it; from
    // then on every insert, edit and deletion is queued in the same transaction, once per contact.
    void ChangesAreQueued()
    {
        TPosition p(QStringLiteral("A"));
        p.CreateLog(EventConfig(QStringLiteral("General Log"), kTable));
        p.Log(kTable, QStringLiteral("K1ONE"));
        p.Log(kTable, QStringLiteral("K1TWO"));
        QVERIFY(!SyncStore::IsShared(p.dm, kTable));
        SyncStore::PrepareLog(p.dm, kTable, QStringLiteral("Radio 1"));
        QVERIFY(SyncStore::IsShared(p.dm, kTable));
        QCOMPARE(OutboxCalls(p.dm), (QStringList{"K1ONE", "K1TWO"}));

        p.Log(kTable, QStringLiteral("K1THREE"));
        tLogRecord rec = *ReadContact(p.dm, kTable, p.KeyOf(kTable, QStringLiteral("K1ONE")));
        rec.call = QStringLiteral("K1UNO");
        UpdateContact(p.dm, kTable, p.KeyOf(kTable, QStringLiteral("K1ONE")), rec);
        DeleteContact(p.dm, kTable, p.KeyOf(kTable, QStringLiteral("K1TWO")));
        const SyncStore::TOutbox outbox = SyncStore::ReadOutbox(p.dm, kTable, 100);
        QCOMPARE(OutboxCalls(p.dm), (QStringList{"K1UNO", "deleted", "K1THREE"}));
        QCOMPARE(SyncStore::PendingCount(p.dm, kTable), 3);
        for (const TSyncContact& c : outbox.contacts) {
            QCOMPARE(c.origin, QStringLiteral("Radio 1"));
            QCOMPARE(c.gid.size(), 32);
        }
        // Acknowledged by the server: the outbox is empty, and so is what is waiting.
        SyncStore::ApplyServerState(p.dm, kTable, {}, DataLayerLogging(p.dm), std::nullopt, outbox.upTo);
        QCOMPARE(SyncStore::PendingCount(p.dm, kTable), 0);
        QCOMPARE(SyncStore::ReadOutbox(p.dm, kTable, 100).upTo, 0);
    }

    // The server's states: a new contact is logged, a newer state replaces the one held, an older one is
    // ignored, a tombstone deletes, and a contact changed here and not yet sent keeps its local state. None
    // of it goes to the outbox.
    void ServerStates()
    {
        TPosition p(QStringLiteral("B"));
        p.CreateLog(EventConfig(QStringLiteral("General Log"), kTable));
        SyncStore::PrepareLog(p.dm, kTable, QStringLiteral("Radio 2"));
        const TRemoteLogging logging = DataLayerLogging(p.dm);

        QList<TRemoteChange> changes = SyncStore::ApplyServerState(
            p.dm, kTable, {State("g1", 5, "W1NEW"), State("g2", 6, "W2NEW")}, logging, 6);
        QCOMPARE(changes.size(), 2);
        QCOMPARE(changes[0].kind, TRemoteChange::TKind::Insert);
        QCOMPARE(changes[0].origin, QStringLiteral("Radio 9"));
        QCOMPARE(p.Calls(kTable), (QStringList{"W1NEW", "W2NEW"}));
        // Every column travels, the ones the logging path does not write too.
        QCOMPARE(ReadContact(p.dm, kTable, changes[0].key)->call, QStringLiteral("W1NEW"));
        QSqlQuery q(p.dm.condb());
        QVERIFY(q.exec(
            QStringLiteral("select submit_bar from \"%1\" where pkey=%2").arg(kTable).arg(changes[0].key)));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 1);
        QCOMPARE(SyncStore::AppliedSeq(p.dm, kTable), 6);

        changes = SyncStore::ApplyServerState(
            p.dm, kTable,
            {State("g1", 4, "W1OLD"), State("g2", 9, "W2NEWER"), State("g9", 10, QString(), true)}, logging,
            10);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes[0].kind, TRemoteChange::TKind::Update);
        QCOMPARE(p.Calls(kTable), (QStringList{"W1NEW", "W2NEWER"}));

        // A local edit of g1 waits to be sent: the server's state of g1 does not overwrite it.
        tLogRecord rec = *ReadContact(p.dm, kTable, p.KeyOf(kTable, QStringLiteral("W1NEW")));
        rec.call = QStringLiteral("W1MINE");
        UpdateContact(p.dm, kTable, p.KeyOf(kTable, QStringLiteral("W1NEW")), rec);
        changes = SyncStore::ApplyServerState(
            p.dm, kTable, {State("g1", 11, "W1THEIRS"), State("g2", 12, QString(), true)}, logging, 12);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes[0].kind, TRemoteChange::TKind::Delete);
        QCOMPARE(p.Calls(kTable), QStringList{"W1MINE"});
        QCOMPARE(OutboxCalls(p.dm), QStringList{"W1MINE"});
    }

    // Another program dropped the log's counters: the first contact stored from the server makes the data
    // layer drop its orphaned triggers and forget its kept statements, and the rest of the batch is still
    // stored on statements that live on.
    void ServerStatesAfterCountsDropped()
    {
        TPosition p(QStringLiteral("B"));
        p.CreateLog(EventConfig(QStringLiteral("General Log"), kTable));
        SyncStore::PrepareLog(p.dm, kTable, QStringLiteral("Radio 2"));
        const TRemoteLogging logging = DataLayerLogging(p.dm);
        SyncStore::ApplyServerState(p.dm, kTable, {State("g1", 1, "W1ONE")}, logging, 1);
        QSqlQuery q(p.dm.condb());
        QVERIFY(q.exec(QStringLiteral("drop table log_counts")));

        const QList<TRemoteChange> changes = SyncStore::ApplyServerState(
            p.dm, kTable, {State("g2", 2, "W2TWO"), State("g1", 3, "W1UNO"), State("g3", 4, "W3THREE")},
            logging, 4);
        QCOMPARE(changes.size(), 3);
        QCOMPARE(p.Calls(kTable), (QStringList{"W1UNO", "W2TWO", "W3THREE"}));
        QCOMPARE(SyncStore::AppliedSeq(p.dm, kTable), 4);
        QCOMPARE(SyncStore::PendingCount(p.dm, kTable), 0);
    }

    // Triggers lost while contacts were logged and removed (a table rebuilt by another program): the next
    // start of the sharing queues the new contact and a tombstone for the removed one.
    void TriggersMadeAgain()
    {
        TPosition p(QStringLiteral("A"));
        p.CreateLog(EventConfig(QStringLiteral("General Log"), kTable));
        p.Log(kTable, QStringLiteral("K1OLD"));
        SyncStore::PrepareLog(p.dm, kTable, QStringLiteral("Radio 1"));
        const SyncStore::TOutbox first = SyncStore::ReadOutbox(p.dm, kTable, 100);
        SyncStore::ApplyServerState(p.dm, kTable, {}, DataLayerLogging(p.dm), std::nullopt, first.upTo);
        QSqlQuery q(p.dm.condb());
        for (const char* suffix : {"_sync_insert", "_sync_update", "_sync_delete"}) {
            QVERIFY(q.exec(QStringLiteral("drop trigger \"%1%2\"").arg(kTable, QLatin1String(suffix))));
        }
        p.Log(kTable, QStringLiteral("K1NEW"));
        DeleteContact(p.dm, kTable, p.KeyOf(kTable, QStringLiteral("K1OLD")));
        QCOMPARE(SyncStore::PendingCount(p.dm, kTable), 0);
        SyncStore::PrepareLog(p.dm, kTable, QStringLiteral("Radio 1"));
        QCOMPARE(OutboxCalls(p.dm), (QStringList{"deleted", "K1NEW"}));
        p.Log(kTable, QStringLiteral("K1AFTER"));
        QCOMPARE(SyncStore::PendingCount(p.dm, kTable), 3);
    }

    // Side tables removed by hand leave triggers that would refuse every contact: logging drops them and
    // goes on.
    void LoggingOutlivesLostSideTables()
    {
        TPosition p(QStringLiteral("A"));
        p.CreateLog(EventConfig(QStringLiteral("General Log"), kTable));
        SyncStore::PrepareLog(p.dm, kTable, QStringLiteral("Radio 1"));
        p.Log(kTable, QStringLiteral("K1ONE"));
        QSqlQuery q(p.dm.condb());
        QVERIFY(q.exec(QStringLiteral("drop table sync_contacts")));
        p.Log(kTable, QStringLiteral("K1TWO"));
        QCOMPARE(p.Calls(kTable), (QStringList{"K1ONE", "K1TWO"}));
    }

    // The settings keys: every value comes back; the password is not in the file as typed.
    void SettingsKeys()
    {
        QTemporaryDir dir;
        TSettings settings(dir.filePath(QStringLiteral("Vantrel.cfg")));
        const TShareSettings fresh = ReadShareSettings(settings);
        QCOMPARE(fresh.port, 5432);
        QCOMPARE(fresh.tlsMode, QStringLiteral("prefer"));
        QCOMPARE(fresh.position, DefaultPositionName());
        QVERIFY(!fresh.joinAtStart);
        QVERIFY(!fresh.Problem().isEmpty());

        TShareSettings s;
        s.host = QStringLiteral("logserver.club.example");
        s.port = 5433;
        s.database = QStringLiteral("fieldday");
        s.user = QStringLiteral("club");
        s.password = QStringLiteral("s3cret wörd");
        s.tlsMode = QStringLiteral("require");
        s.position = QStringLiteral("CW tent");
        s.log = kTable;
        s.joinAtStart = true;
        QVERIFY(s.Problem().isEmpty());
        SaveShareSettings(settings, s);
        QFile file(settings.Path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY(!text.contains(QStringLiteral("s3cret")));
        for (const QString& line :
             {QStringLiteral("ShareHost=logserver.club.example"), QStringLiteral("SharePort=5433"),
              QStringLiteral("ShareDatabase=fieldday"), QStringLiteral("ShareUser=club"),
              QStringLiteral("ShareTLSMode=require"), QStringLiteral("SharePosition=CW tent"),
              QStringLiteral("ShareLog=") + kTable, QStringLiteral("ShareAtStart=1")}) {
            QVERIFY2(text.contains(line), qPrintable(line));
        }
        QCOMPARE(ReadShareSettings(TSettings(settings.Path())), s);
    }

    // The dialog is filled from the settings, used with the keyboard alone, and refuses an incomplete form
    // with a message, the missing field getting the focus.
    void ShareDialog()
    {
        TScriptedPrompts prompts;
        TShareSettings given;
        given.log = kTable;
        given.position = QStringLiteral("Radio 1");
        TfrmShareLog dialog(prompts, given);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* host = dialog.findChild<QLineEdit*>(QStringLiteral("txtHost"));
        QCOMPARE(QApplication::focusWidget(), host);
        QTest::keyClicks(host, QStringLiteral("10.0.0.5"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("txtPort"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); // the database left empty
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("club"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("pw"));
        prompts.AnswerMessage(MsgButton::OK);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QCOMPARE(prompts.Records().size(), 1);
        QCOMPARE(prompts.Records()[0].text, QStringLiteral("Enter the name of the database on the server."));
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("txtDatabase"));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("fieldday"));
        // Alt+T reaches the TLS mode.
        QTest::keyClick(&dialog, Qt::Key_T, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("cboTLSMode"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QTest::keyClick(&dialog, Qt::Key_J, Qt::AltModifier);
        QTRY_VERIFY(dialog.findChild<QCheckBox*>(QStringLiteral("cbJoinAtStart"))->isChecked());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const TShareSettings s = dialog.Settings();
        QCOMPARE(s.host, QStringLiteral("10.0.0.5"));
        QCOMPARE(s.port, 5432);
        QCOMPARE(s.database, QStringLiteral("fieldday"));
        QCOMPARE(s.user, QStringLiteral("club"));
        QCOMPARE(s.password, QStringLiteral("pw"));
        QCOMPARE(s.tlsMode, QStringLiteral("require"));
        QCOMPARE(s.position, QStringLiteral("Radio 1"));
        QCOMPARE(s.log, kTable);
        QVERIFY(s.joinAtStart);
    }
};

VANTREL_TEST(TestSyncStore)
#include "tst_SyncStore.moc"
