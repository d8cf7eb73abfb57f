#include "SyncFixture.h"
#include "app/AppFixture.h"
#include "common/TestRegistry.h"
#include "gui/app/TRecentContactsModel.h"
#include "gui/app/TShareRoom.h"

#include <QAction>
#include <QLabel>
#include <QSignalSpy>

// Sharing from the main window, against the test program's PostgreSQL server: the log is shared with
// File > Share This Log…, a contact typed in the window reaches another position, and the other
// position's contact shows in the window's counters and recent contacts.
class TestShareWindow : public QObject
{
    Q_OBJECT

private slots:
    void ContactsReachTheOtherPosition()
    {
        TPgServer& server = TPgServer::Shared();
        if (!server.IsValid()) {
            QFAIL(qPrintable(server.Error()));
        }
        TClubDatabase club(server);
        TAppFixture f;
        f.NewLog(QStringLiteral("W1VNT"), QStringLiteral("Sprint"));
        const QString table = f.window->Mysettings().TableName;
        SaveShareSettings(f.window->Settings(), club.Settings(QStringLiteral("Radio 1"), QString()));
        TAppFixture::OnNextModal(
            [](QDialog* d) { d->findChild<QPushButton*>(QStringLiteral("btnOK"))->click(); });
        f.window->findChild<QAction*>(QStringLiteral("mnuShareLog"))->trigger();
        QCOMPARE(f.prompts.Messages(), QStringList{});
        TSharedLog& share = f.window->ShareRoom().Share();
        QVERIFY(share.IsStarted());
        QCOMPARE(share.Table(), table);
        QCOMPARE(ReadShareSettings(f.window->Settings()).log, table);

        // The other position joins the event and gets the log from the server.
        TPosition peer(QStringLiteral("Radio 2"));
        peer.share.Start(club.Settings(QStringLiteral("Radio 2"), table));
        QTRY_VERIFY_WITH_TIMEOUT(peer.dm.TableExists(table), 30000);

        f.Type(QStringLiteral("K2AAA"));
        f.window->DoLog();
        QTRY_COMPARE_WITH_TIMEOUT(peer.Calls(table), QStringList{QStringLiteral("K2AAA")}, 30000);

        QSignalSpy changed(f.window.get(), &TfrmMain::LogChanged);
        peer.Log(table, QStringLiteral("W9XYZ"), QStringLiteral("12345"));
        QTRY_COMPARE_WITH_TIMEOUT(f.window->ctx_with(), 1, 30000);
        QCOMPARE(f.window->ctx_without(), 1);
        QVERIFY(changed.count() >= 1);
        QCOMPARE(f.window->RecentContacts().rowCount(), 2);
        QCOMPARE(f.Rows(table), 2);
        auto* status = f.Find<QLabel>("lblShare");
        QTRY_VERIFY2_WITH_TIMEOUT(status->text().contains(QStringLiteral("2 positions")),
                                  qPrintable(status->text()), 30000);

        f.window->close();
        QVERIFY(!share.IsStarted());
    }
};

VANTREL_TEST(TestShareWindow)
#include "tst_ShareWindow.moc"
