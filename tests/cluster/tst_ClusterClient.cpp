#include "common/TestRegistry.h"

#include "TFakeCluster.h"
#include "cluster/TClusterClient.h"
#include "data/Errors.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// Real lines of a cluster after the login: two 10 m spots (one of the skimmer network), one on 20 m, and
// what else clusters send between spots.
const QByteArray kTraffic =
    "DX de W3LPL:     28025.0  K1ABC        CW 599 tnx                     1234Z\a\a\r\n"
    "WWV de W0MU <18>:   SFI=70, A=4, K=1, No Storms -> No Storms\r\n"
    "DX de W3LPL:     14025.0  DL1ABC       CW                             1235Z\r\n"
    "To ALL de G4ABC: nice opening on 10\r\n"
    "DX de KM3T-#:    28022.5  JA1XYZ         CW    14 dB  22 WPM  CQ      1807Z\r\n";

QStringList SpotCalls(const QSignalSpy& spy)
{
    QStringList calls;
    for (const QList<QVariant>& args : spy) {
        calls << args.at(0).value<TSpot>().call;
    }
    return calls;
}

TClusterLogin LoginTo(quint16 port)
{
    TClusterLogin login;
    login.host = QStringLiteral("127.0.0.1");
    login.port = port;
    login.call = QStringLiteral("k1abc");
    login.commands = {QStringLiteral("set/filter accept/spots on 10m"), QStringLiteral(" sh/dx 5 ")};
    return login;
}

} // namespace

// The cluster client against a cluster on the loopback interface that speaks as real ones do.
class TestClusterClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<TSpot>(); }

    // It logs in when asked, in either cluster's words and behind telnet's option negotiation, sends the
    // commands after the call sign, and reports only the 10 m spots.
    void LoginAndSpots_data()
    {
        QTest::addColumn<QByteArray>("greeting");
        QTest::newRow("cluster") << QByteArray("\r\nWelcome to the GB7TEN DX Cluster\r\n\r\nlogin: ");
        QTest::newRow("skimmer network")
            << QByteArray("\r\nWelcome to the Reverse Beacon Network.\r\n\r\nPlease enter your call: ");
        QTest::newRow("telnet options first")
            << QByteArray("\xff\xfb\x01\xff\xfd\x18\xff\xfa\x18\x01\xff\xf0Welcome\r\nlogin: ");
    }
    void LoginAndSpots()
    {
        QFETCH(QByteArray, greeting);
        TFakeCluster cluster;
        cluster.greeting = greeting;
        TClusterClient client;
        QSignalSpy spots(&client, &TClusterClient::SpotReceived);
        client.Start(LoginTo(cluster.Port()));
        QCOMPARE(client.State(), TClusterClient::TState::Connecting);
        QTRY_VERIFY(cluster.LoggedIn());
        QTRY_COMPARE(cluster.received, QByteArray("K1ABC\r\nset/filter accept/spots on 10m\r\nsh/dx 5\r\n"));
        QCOMPARE(client.State(), TClusterClient::TState::Connected);
        QCOMPARE(client.StatusText(),
                 QStringLiteral("Cluster: connected to 127.0.0.1:%1").arg(cluster.Port()));

        cluster.Send(kTraffic);
        QTRY_COMPARE(spots.size(), 2);
        QCOMPARE(SpotCalls(spots), (QStringList{"K1ABC", "JA1XYZ"}));
        QCOMPARE(client.SpotsRead(), qint64(3));
        // Asked once, answered once.
        QCOMPARE(cluster.received.count("K1ABC"), 1);
    }

    // A line over the limit is dropped whole: no piece of it becomes a spot, whether it comes in one piece
    // or several, and the lines after it are read as before.
    void OverlongLines()
    {
        TFakeCluster cluster;
        TClusterClient client;
        QSignalSpy spots(&client, &TClusterClient::SpotReceived);
        client.Start(LoginTo(cluster.Port()));
        QTRY_COMPARE(client.State(), TClusterClient::TState::Connected);

        // Cut after its first kilobyte, its head would be a spot of K2AAA.
        QByteArray longLine = "DX de W3LPL:     28025.0  K2AAA        CW";
        longLine += QByteArray(2048 - longLine.size(), ' ') + "1234Z\r\n";
        cluster.Send(longLine.left(700));
        QTest::qWait(50);
        cluster.Send(longLine.mid(700));
        cluster.Send("DX de W3LPL:     28030.0  K3BBB        CW                             1236Z\r\n");
        // A spot line split between two sends is one line.
        const QByteArray split =
            "DX de W3LPL:     28040.0  K4CCC        CW                             1237Z\r\n";
        cluster.Send(split.left(20));
        QTest::qWait(50);
        cluster.Send(split.mid(20));
        QTRY_COMPARE(spots.size(), 2);
        QCOMPARE(SpotCalls(spots), (QStringList{"K3BBB", "K4CCC"}));
        QCOMPARE(client.LinesDropped(), qint64(1));
        // A line exactly at the limit is still read.
        QByteArray atLimit = "DX de W3LPL:     28050.0  K5DDD        CW";
        atLimit += QByteArray(kMaxClusterLine - atLimit.size() - 5, ' ') + "1238Z";
        QCOMPARE(atLimit.size(), kMaxClusterLine);
        cluster.Send(atLimit + "\r\n");
        QTRY_COMPARE(spots.size(), 3);
        QCOMPARE(SpotCalls(spots).last(), QStringLiteral("K5DDD"));
    }

    // A cluster that goes away is tried again after 5 s doubling up to 5 minutes (here in milliseconds);
    // once it has sent a spot, the next loss starts from the first delay again.
    void Backoff()
    {
        TFakeCluster cluster;
        cluster.dropAtOnce = true;
        TClusterClient client;
        client.SetBackoff(40, 160);
        QList<int> delays;
        connect(&client, &TClusterClient::StateChanged, &client, [&](TClusterClient::TState state) {
            if (state == TClusterClient::TState::Lost) {
                delays << client.RetryDelay();
            }
        });
        client.Start(LoginTo(cluster.Port()));
        QTRY_VERIFY(delays.size() >= 4);
        QCOMPARE(delays.mid(0, 4), (QList<int>{40, 80, 160, 160}));
        QCOMPARE(client.LostReason(), QStringLiteral("the cluster closed the connection"));
        QVERIFY2(
            client.StatusText().startsWith(
                QStringLiteral("Cluster: no connection to 127.0.0.1:%1 (the cluster closed the connection), "
                               "retrying in ")
                    .arg(cluster.Port())),
            qPrintable(client.StatusText()));

        cluster.dropAtOnce = false;
        QTRY_COMPARE_WITH_TIMEOUT(client.State(), TClusterClient::TState::Connected, 5000);
        cluster.Send(kTraffic);
        QTRY_COMPARE(client.SpotsRead(), qint64(3));
        delays.clear();
        cluster.Drop();
        QTRY_COMPARE(delays.size(), 1);
        QCOMPARE(delays.first(), 40);
        QTRY_COMPARE(client.State(), TClusterClient::TState::Connected);

        client.Stop();
        QCOMPARE(client.State(), TClusterClient::TState::Off);
        QCOMPARE(client.StatusText(), QStringLiteral("Cluster: off"));
    }

    void NothingListens()
    {
        TFakeCluster cluster;
        const quint16 port = cluster.Port();
        cluster.Close();
        TClusterClient client;
        client.SetBackoff(60000, 60000);
        client.Start(LoginTo(port));
        QTRY_COMPARE(client.State(), TClusterClient::TState::Lost);
        QVERIFY(!client.LostReason().isEmpty());
        QVERIFY_THROWS_EXCEPTION(EVantrel, client.SendSpot(28025000, QStringLiteral("K1ABC"), QString()));
    }

    // Spotting a contact: the command reaches the cluster once logged in, and nothing is sent before.
    void SendSpot()
    {
        TFakeCluster cluster;
        TClusterClient client;
        TClusterLogin login = LoginTo(cluster.Port());
        login.commands.clear();
        client.Start(login);
        QTRY_COMPARE(client.State(), TClusterClient::TState::Connected);
        client.SendSpot(28025000, QStringLiteral("w1aw"), QStringLiteral("Ten-Ten QSO party"));
        QTRY_COMPARE(cluster.received, QByteArray("K1ABC\r\nDX 28025.0 W1AW Ten-Ten QSO party\r\n"));
    }

    void Login_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("call");
        QTest::addColumn<bool>("refused");
        QTest::newRow("no host: stays off") << ""
                                            << "K1ABC" << false;
        QTest::newRow("no call sign") << "127.0.0.1"
                                      << "" << true;
        QTest::newRow("call sign that is none") << "127.0.0.1"
                                                << "K1 ABC" << true;
    }
    void Login()
    {
        QFETCH(QString, host);
        QFETCH(QString, call);
        QFETCH(bool, refused);
        TClusterClient client;
        TClusterLogin login;
        login.host = host;
        login.call = call;
        if (refused) {
            QVERIFY_THROWS_EXCEPTION(EVantrel, client.Start(login));
        } else {
            client.Start(login);
        }
        QCOMPARE(client.State(), TClusterClient::TState::Off);
    }

    // Many spots at once are all taken, however the reads slice them.
    void ManySpots()
    {
        TFakeCluster cluster;
        TClusterClient client;
        int count = 0;
        connect(&client, &TClusterClient::SpotReceived, &client, [&](const TSpot&) { ++count; });
        client.Start(LoginTo(cluster.Port()));
        QTRY_COMPARE(client.State(), TClusterClient::TState::Connected);
        QByteArray flood;
        for (int i = 0; i < 20000; ++i) {
            flood +=
                QStringLiteral("DX de KM3T-#:    %1  K%2ABC          CW    14 dB  22 WPM  CQ      1807Z\r\n")
                    .arg(28000.0 + (i % 1700), 0, 'f', 1)
                    .arg(i)
                    .toLatin1();
        }
        cluster.Send(flood);
        QTRY_COMPARE_WITH_TIMEOUT(count, 20000, 30000);
        QCOMPARE(client.LinesDropped(), qint64(0));
    }
};

VANTREL_TEST(TestClusterClient)
#include "tst_ClusterClient.moc"
