#include "TFakeCluster.h"
#include "app/AppFixture.h"
#include "cluster/TClusterClient.h"
#include "common/TestRegistry.h"
#include "gui/app/TClusterRoom.h"
#include "gui/cluster/TBandMapDock.h"

#include <QLabel>

// The cluster and the band map in the main window: a spot from a cluster on 127.0.0.1 reaches the band
// map, Enter there puts its call into the entry form, and once logged the spot turns into a duplicate.
class TestClusterWindow : public QObject
{
    Q_OBJECT

private slots:
    void SpotToEntryFormAndDupe()
    {
        TFakeCluster cluster;
        TAppFixture f({QStringLiteral("ClusterHost=127.0.0.1"),
                       QStringLiteral("ClusterPort=%1").arg(cluster.Port()),
                       QStringLiteral("ClusterAutoStart=1")});
        TClusterRoom& room = f.window->ClusterRoom();
        // The cluster logs in with the log's call sign: it waits for a log.
        QCOMPARE(room.Client().State(), TClusterClient::TState::Off);
        f.NewLog(QStringLiteral("K1VNT"), QStringLiteral("Sprint"));
        const QString table = f.window->Mysettings().TableName;
        QTRY_VERIFY(cluster.LoggedIn());
        QVERIFY(cluster.received.startsWith("K1VNT"));
        QTRY_COMPARE(room.Client().State(), TClusterClient::TState::Connected);
        QVERIFY(room.SwitchAction()->isChecked());
        auto* status = f.Find<QLabel>("lblCluster");
        QVERIFY2(status->text().contains(QStringLiteral("connected")), qPrintable(status->text()));

        f.window->show();
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        TBandMapDock* map = room.BandMap();
        QVERIFY(map->isVisible());
        cluster.Send("DX de W3LPL:     28025.0  W1AW         CW 599 strong            1234Z\r\n");
        QTRY_VERIFY((map->Refresh(), map->Rows().size() == 1));
        QCOMPARE(map->Rows()[0].standing.status, TSpotStatus::New);

        map->View()->setFocus();
        QTRY_VERIFY(map->View()->hasFocus());
        QTest::keyClick(map->View(), Qt::Key_Down);
        QTest::keyClick(map->View(), Qt::Key_Return);
        QCOMPARE(f.Edit("txtCallsign")->text(), QStringLiteral("W1AW"));
        QCOMPARE(f.Combo("cboMode")->currentText(), QStringLiteral("CW"));
        QTRY_VERIFY(f.Edit("txtCallsign")->hasFocus());
        // Choosing a spot logs nothing.
        QCOMPARE(f.Rows(table), 0);

        QTest::keyClick(f.Edit("txtCallsign"), Qt::Key_Return);
        QCOMPARE(f.Rows(table), 1);
        QTRY_VERIFY((map->Refresh(), map->Rows()[0].standing.status == TSpotStatus::Dupe));

        // Ctrl+Shift+C switches the cluster off.
        QTest::keyClick(f.Edit("txtCallsign"), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(room.Client().State(), TClusterClient::TState::Off);
        QVERIFY(!room.SwitchAction()->isChecked());
        QVERIFY(status->isHidden());
        QCOMPARE(f.prompts.Messages(), QStringList{});
    }
};

VANTREL_TEST(TestClusterWindow)
#include "tst_ClusterWindow.moc"
