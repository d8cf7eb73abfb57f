#include "common/TTestHttpServer.h"
#include "common/TTestRigctld.h"
#include "common/TestRegistry.h"
#include "settings/TStationTests.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QUdpSocket>

namespace {

// A UDP port of every address that nothing uses right now.
quint16 FreeUdpPort()
{
    QUdpSocket socket;
    socket.bind(QHostAddress::Any, 0);
    return socket.localPort();
}

} // namespace

// The "Test" actions of the station settings on real sockets, a real rigctld and real HTTP on 127.0.0.1.
class TestStationTests : public QObject
{
    Q_OBJECT

    // Waits for the one result of a rig test.
    static TStationTestResult RigResult(TStationTests& tests, const QString& host, quint16 port)
    {
        QSignalSpy spy(&tests, &TStationTests::RigTested);
        tests.TestRig(host, port);
        if (!spy.wait(15000)) {
            return {false, QStringLiteral("no result")};
        }
        QTest::qWait(20);
        return spy.size() == 1 ? spy[0][0].value<TStationTestResult>()
                               : TStationTestResult{false, "two results"};
    }

    static TStationTestResult ServiceResult(TStationTests& tests, TStationField field, const QUrl& url)
    {
        QSignalSpy spy(&tests, &TStationTests::ServiceTested);
        tests.TestService(field, url);
        if (!spy.wait(15000)) {
            return {false, QStringLiteral("no result")};
        }
        if (spy[0][0].value<TStationField>() != field) {
            return {false, QStringLiteral("result of another field")};
        }
        return spy[0][1].value<TStationTestResult>();
    }

private slots:
    // A free port is opened and given back at once; a port in use is reported with the system's reason.
    void UdpPorts()
    {
        const quint16 port = FreeUdpPort();
        TStationTestResult result = TStationTests::TestServerPort(port);
        QVERIFY2(result.ok, qPrintable(result.text));
        QCOMPARE(result.text,
                 QStringLiteral("Port %1 is free: the logging server can listen on it.").arg(port));
        // Released: another program can take it now.
        QUdpSocket after;
        QVERIFY(after.bind(QHostAddress::Any, port, QAbstractSocket::DontShareAddress));
        result = TStationTests::TestServerPort(port);
        QVERIFY(!result.ok);
        QVERIFY2(result.text.startsWith(QStringLiteral("Port %1 cannot be used: ").arg(port)),
                 qPrintable(result.text));
        after.close();

        // WSJT-X listens on the loopback address alone unless told otherwise; a group is joined and left.
        QUdpSocket loopback;
        QVERIFY(loopback.bind(QHostAddress::LocalHost, port, QAbstractSocket::DontShareAddress));
        QVERIFY(!TStationTests::TestWsjtxPort(port, QString(), false).ok);
        loopback.close();
        result = TStationTests::TestWsjtxPort(port, QString(), false);
        QVERIFY2(result.ok, qPrintable(result.text));
        result = TStationTests::TestWsjtxPort(port, QStringLiteral("239.255.0.1"), false);
        QVERIFY2(result.ok, qPrintable(result.text));
        QVERIFY(result.text.contains(QStringLiteral("239.255.0.1")));
        QVERIFY(after.bind(QHostAddress::Any, port, QAbstractSocket::DontShareAddress));
    }

    // rigctld is asked for its frequency: the real daemon with its dummy rig, one whose answer is no
    // frequency, none at all, and one that takes the connection but never answers.
    void Rig()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("rigctld")).isEmpty()) {
            QFAIL("rigctld (Debian package libhamlib-utils) is not installed");
        }
        TStationTests tests;
        const quint16 port = FreeTcpPort();
        TRigctld daemon(port);
        QVERIFY(daemon.Start());
        QVERIFY(daemon.Set({QStringLiteral("F"), QStringLiteral("28400000")}));
        TStationTestResult result = RigResult(tests, QStringLiteral("127.0.0.1"), port);
        QCOMPARE(result.text, QStringLiteral("rigctld at 127.0.0.1:%1 answers: 28.40000 MHz.").arg(port));
        QVERIFY(result.ok);
        QVERIFY(!tests.IsTestingRig());

        TFakeRigctld fake;
        fake.frequency = "RPRT -11";
        result = RigResult(tests, QStringLiteral("localhost"), fake.Port());
        QVERIFY(!result.ok);
        QCOMPARE(result.text,
                 QStringLiteral("rigctld at localhost:%1 answered \"RPRT -11\", which is no frequency.")
                     .arg(fake.Port()));

        daemon.Stop();
        result = RigResult(tests, QStringLiteral("127.0.0.1"), port);
        QVERIFY(!result.ok);
        QVERIFY2(
            result.text.startsWith(QStringLiteral("No connection to rigctld at 127.0.0.1:%1: ").arg(port)),
            qPrintable(result.text));

        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        tests.SetRigTimeout(300);
        result = RigResult(tests, QStringLiteral("127.0.0.1"), silent.serverPort());
        QCOMPARE(
            result.text,
            QStringLiteral("rigctld at 127.0.0.1:%1 did not answer within 0.3 s.").arg(silent.serverPort()));
    }

    // One GET per address: the roster servers are tried at the file the program fetches from them, the
    // status alone is read (an endless body does not keep the test going), errors and silence are told.
    void Services()
    {
        TTestHttpServer server;
        QVERIFY(server.Listen());
        server.SetHandler([](const TTestHttpServer::TRequest& request) {
            TTestHttpServer::TResponse response;
            if (request.path == QStringLiteral("/download/1010.csv")) {
                response.body = "1,W1AW\n";
                response.endless = true;
            } else {
                response.status = 404;
                response.body = "gone";
            }
            return response;
        });
        TStationTests tests;
        const QString base = server.Url(QStringLiteral("/")).toString();
        TStationTestResult result =
            ServiceResult(tests, TStationField::RosterServer,
                          TStationTests::ServiceTestUrl(TStationField::RosterServer, base));
        QCOMPARE(result.text, QStringLiteral("127.0.0.1 answers: HTTP 200 OK."));
        QVERIFY(result.ok);
        QCOMPARE(server.Requests().size(), 1);
        QCOMPARE(server.Requests()[0].path, QStringLiteral("/download/1010.csv"));
        QCOMPARE(server.Requests()[0].headers.value(QStringLiteral("cache-control")),
                 QStringLiteral("no-cache"));

        result = ServiceResult(tests, TStationField::EpcServer,
                               TStationTests::ServiceTestUrl(TStationField::EpcServer, base));
        QVERIFY(!result.ok);
        QVERIFY2(result.text.startsWith(QStringLiteral("127.0.0.1 answers HTTP 404 ")),
                 qPrintable(result.text));
        QVERIFY(result.text.endsWith(QStringLiteral(": the address is wrong or the file is not there.")));
        QCOMPARE(server.Requests().last().path, QStringLiteral("/documents/epc.txt"));

        // Nothing listens: the reason is the network's.
        QUrl closed = server.Url(QStringLiteral("/xml.php"));
        closed.setPort(FreeTcpPort());
        result = ServiceResult(tests, TStationField::HamQthUrl, closed);
        QVERIFY(!result.ok);
        QVERIFY2(result.text.startsWith(QStringLiteral("No answer from 127.0.0.1: ")),
                 qPrintable(result.text));

        // A server that never answers ends at the time limit.
        server.SetSilent(true);
        tests.SetServiceTimeout(300);
        result = ServiceResult(tests, TStationField::QrzUrl, server.Url(QStringLiteral("/xml/current/")));
        QCOMPARE(result.text, QStringLiteral("No answer from 127.0.0.1 within 0.3 s."));
        QVERIFY(!tests.IsTestingService(TStationField::QrzUrl));
    }

    // Tests still under way when their owner goes (the dialog closed) report to no one and leak nothing.
    void GoingAwayDuringTests()
    {
        TTestHttpServer server;
        QVERIFY(server.Listen());
        server.SetSilent(true);
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        auto tests = std::make_unique<TStationTests>();
        tests->TestService(TStationField::P070Url, server.Url(QStringLiteral("/sheet")));
        tests->TestRig(QStringLiteral("127.0.0.1"), silent.serverPort());
        QTest::qWait(100);
        tests.reset();
        QTest::qWait(100);
    }
};

VANTREL_TEST(TestStationTests)
#include "tst_StationTests.moc"
