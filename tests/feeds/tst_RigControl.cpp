#include "app/AppFixture.h"
#include "common/TestRegistry.h"

#include "feeds/TRigControl.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

// A port of the loopback interface that nothing listens on right now.
quint16 FreePort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

// Hamlib's rigctld with its dummy rig on a port of the loopback interface, started and stopped by the test.
class TRigctld
{
public:
    explicit TRigctld(quint16 port) : fPort(port) {}
    ~TRigctld() { Stop(); }

    bool Start()
    {
        fProcess.start(QStringLiteral("rigctld"),
                       {QStringLiteral("-m"), QStringLiteral("1"), QStringLiteral("-T"),
                        QStringLiteral("127.0.0.1"), QStringLiteral("-t"), QString::number(fPort)});
        if (!fProcess.waitForStarted(5000)) {
            return false;
        }
        // Ready once it takes connections.
        for (int i = 0; i < 100; ++i) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, fPort);
            if (probe.waitForConnected(100)) {
                return true;
            }
            QTest::qWait(50);
        }
        return false;
    }
    void Stop()
    {
        if (fProcess.state() != QProcess::NotRunning) {
            fProcess.kill();
            fProcess.waitForFinished(5000);
        }
    }
    // Sets the rig through rigctl as another program of the station would: "F 28400000", "M USB 2400".
    bool Set(const QStringList& command) const
    {
        QProcess rigctl;
        rigctl.start(QStringLiteral("rigctl"),
                     QStringList{QStringLiteral("-m"), QStringLiteral("2"), QStringLiteral("-r"),
                                 QStringLiteral("127.0.0.1:%1").arg(fPort)} +
                         command);
        return rigctl.waitForFinished(10000) && rigctl.exitCode() == 0;
    }

private:
    quint16 fPort;
    QProcess fProcess;
};

// A rigctld of its own on the loopback interface that answers "f" with whatever the test says, and "m" as
// rigctld does (mode and passband); or, flooding, sends without end once a client connects.
class TFakeRigctld : public QObject
{
public:
    QByteArray frequency = "28074000";
    bool flood = false;
    qint64 written = 0;

    TFakeRigctld()
    {
        fServer.listen(QHostAddress::LocalHost, 0);
        connect(&fServer, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* client = fServer.nextPendingConnection()) {
                if (flood) {
                    const auto more = [this, client] {
                        while (client->bytesToWrite() < 1024 * 1024) {
                            written += client->write(QByteArray("28074000\n").repeated(8000));
                        }
                    };
                    connect(client, &QTcpSocket::bytesWritten, client, more);
                    more();
                    continue;
                }
                connect(client, &QTcpSocket::readyRead, client, [this, client] {
                    while (client->canReadLine()) {
                        const QByteArray command = client->readLine().trimmed();
                        if (command == "f") {
                            client->write(frequency + '\n');
                        } else if (command == "m") {
                            client->write("USB\n2400\n");
                        }
                    }
                });
            }
        });
    }
    quint16 Port() const { return fServer.serverPort(); }

private:
    QTcpServer fServer;
};

} // namespace

// Rig control against the real rigctld: the frequency and mode follow the rig, a lost daemon is shown
// and reconnected, a silent one never blocks.
class TestRigControl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("rigctld")).isEmpty()) {
            QFAIL("rigctld (Debian package libhamlib-utils) is not installed");
        }
    }

    void FormMode_data()
    {
        QTest::addColumn<QString>("rig");
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("form");
        QTest::newRow("USB") << "USB"
                             << "SSB"
                             << "SSB";
        QTest::newRow("LSB") << "LSB"
                             << "CW"
                             << "SSB";
        QTest::newRow("CW reverse") << "CWR"
                                    << "SSB"
                                    << "CW";
        QTest::newRow("FM") << "FM"
                            << "SSB"
                            << "FM";
        QTest::newRow("AM") << "AM"
                            << "SSB"
                            << "AM";
        QTest::newRow("PKTUSB in a phone log") << "PKTUSB"
                                               << "SSB"
                                               << "FT8";
        QTest::newRow("PKTUSB in an RTTY log") << "PKTUSB"
                                               << "RTTY"
                                               << "RTTY";
        QTest::newRow("PKTLSB in a PSK log") << "PKTLSB"
                                             << "PSK31"
                                             << "PSK31";
        QTest::newRow("unknown mode leaves the form") << "XYZ"
                                                      << "SSB"
                                                      << "";
    }
    void FormMode()
    {
        QFETCH(QString, rig);
        QFETCH(QString, log);
        QFETCH(QString, form);
        QCOMPARE(FormModeForRig(rig, DigitalModeOfLog(log)), form);
    }

    void TenMetres_data()
    {
        QTest::addColumn<qint64>("hertz");
        QTest::addColumn<bool>("inside");
        QTest::newRow("band edge low") << qint64(28000000) << true;
        QTest::newRow("just below") << qint64(27999999) << false;
        QTest::newRow("FT8") << qint64(28074000) << true;
        QTest::newRow("band edge high") << qint64(29700000) << true;
        QTest::newRow("just above") << qint64(29700001) << false;
        QTest::newRow("20 m") << qint64(14074000) << false;
    }
    void TenMetres()
    {
        QFETCH(qint64, hertz);
        QFETCH(bool, inside);
        QCOMPARE(IsTenMetres(hertz), inside);
    }

    void FollowsRigAndReconnects()
    {
        const quint16 port = FreePort();
        TRigctld daemon(port);
        QVERIFY(daemon.Start());
        QVERIFY(daemon.Set({"F", "28400000"}));
        QVERIFY(daemon.Set({"M", "USB", "2400"}));

        TRigControl rig;
        rig.SetPollInterval(100);
        rig.SetRetryInterval(200);
        rig.Start(QStringLiteral("127.0.0.1"), port);
        QCOMPARE(rig.State(), TRigControl::TState::Connecting);
        QTRY_COMPARE(rig.State(), TRigControl::TState::Connected);
        QTRY_COMPARE(rig.Frequency(), qint64(28400000));
        QCOMPARE(rig.Mode(), QStringLiteral("USB"));

        QVERIFY(daemon.Set({"F", "28074000"}));
        QVERIFY(daemon.Set({"M", "PKTUSB", "3000"}));
        QTRY_COMPARE(rig.Frequency(), qint64(28074000));
        QTRY_COMPARE(rig.Mode(), QStringLiteral("PKTUSB"));

        daemon.Stop();
        QTRY_COMPARE(rig.State(), TRigControl::TState::Lost);
        QVERIFY(!rig.LostReason().isEmpty());
        // Still lost after a few retries while nothing listens.
        QTest::qWait(500);
        QCOMPARE(rig.State(), TRigControl::TState::Lost);

        QVERIFY(daemon.Start());
        QVERIFY(daemon.Set({"F", "29600000"}));
        QTRY_COMPARE(rig.State(), TRigControl::TState::Connected);
        QTRY_COMPARE(rig.Frequency(), qint64(29600000));

        rig.Stop();
        QCOMPARE(rig.State(), TRigControl::TState::Off);
    }

    // A daemon that takes the connection and never answers: lost after the reply timeout, and the event
    // loop runs all the while.
    void SilentDaemon()
    {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        TRigControl rig;
        rig.SetReplyTimeout(300);
        rig.SetRetryInterval(60000);
        QElapsedTimer clock;
        clock.start();
        rig.Start(QStringLiteral("127.0.0.1"), silent.serverPort());
        QVERIFY(clock.elapsed() < 100);
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(10);
        QTRY_COMPARE(rig.State(), TRigControl::TState::Lost);
        QCOMPARE(rig.LostReason(), QStringLiteral("rigctld did not answer"));
        QVERIFY(ticks > 10);
    }

    void Frequency_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<qint64>("hertz"); // 0: no frequency
        QTest::newRow("whole hertz") << QByteArray("28074000") << qint64(28074000);
        QTest::newRow("with decimals") << QByteArray("28074000.000000") << qint64(28074000);
        QTest::newRow("blanks") << QByteArray(" 14074000 ") << qint64(14074000);
        QTest::newRow("nan") << QByteArray("nan") << qint64(0);
        QTest::newRow("inf") << QByteArray("inf") << qint64(0);
        QTest::newRow("-inf") << QByteArray("-inf") << qint64(0);
        QTest::newRow("1e300") << QByteArray("1e300") << qint64(0);
        QTest::newRow("negative") << QByteArray("-28400000") << qint64(0);
        QTest::newRow("zero") << QByteArray("0") << qint64(0);
        QTest::newRow("text") << QByteArray("abc") << qint64(0);
        QTest::newRow("empty") << QByteArray("") << qint64(0);
    }
    void Frequency()
    {
        QFETCH(QByteArray, line);
        QFETCH(qint64, hertz);
        QCOMPARE(RigFrequency(line).value_or(0), hertz);
    }

    // A rigctld that answers with something that is no frequency counts as one that does not answer: never
    // shown as connected, lost after the reply timeout with the answer named; it is followed again once
    // it answers right.
    void LyingDaemon_data()
    {
        QTest::addColumn<QByteArray>("answer");
        for (const char* answer : {"nan", "inf", "1e300", "-28400000", "abc"}) {
            QTest::newRow(answer) << QByteArray(answer);
        }
    }
    void LyingDaemon()
    {
        QFETCH(QByteArray, answer);
        TFakeRigctld daemon;
        daemon.frequency = answer;
        // Outlives the rig, which reports its last state as it goes.
        QList<TRigControl::TState> states;
        TRigControl rig;
        rig.SetPollInterval(50);
        rig.SetReplyTimeout(300);
        rig.SetRetryInterval(100);
        connect(&rig, &TRigControl::StateChanged, [&](TRigControl::TState state) { states << state; });
        rig.Start(QStringLiteral("127.0.0.1"), daemon.Port());
        QTRY_COMPARE(rig.State(), TRigControl::TState::Lost);
        QCOMPARE(rig.LostReason(), QStringLiteral("rigctld answered \"%1\", which is no frequency")
                                       .arg(QString::fromLatin1(answer)));
        QVERIFY(!states.contains(TRigControl::TState::Connected));
        QCOMPARE(rig.Frequency(), qint64(0));
        daemon.frequency = "28400000";
        QTRY_COMPARE(rig.State(), TRigControl::TState::Connected);
        QCOMPARE(rig.Frequency(), qint64(28400000));
    }

    // A rigctld that sends without end is dropped as soon as a poll's share is read, and tried again later:
    // only a few kilobytes are ever read of the megabytes it sends.
    void FloodingDaemon()
    {
        TFakeRigctld daemon;
        daemon.flood = true;
        TRigControl rig;
        rig.SetRetryInterval(200);
        rig.Start(QStringLiteral("127.0.0.1"), daemon.Port());
        QTRY_COMPARE(rig.State(), TRigControl::TState::Lost);
        QCOMPARE(rig.LostReason(), QStringLiteral("rigctld sends far more than it was asked for"));
        QTest::qWait(1000);
        QVERIFY(daemon.written > 4 * 1024 * 1024);
        QVERIFY2(rig.BytesRead() < 20 * TRigControl::kMaxReadPerPoll,
                 qPrintable(QString::number(rig.BytesRead())));
    }

    // In the main window: the entry form's mode and the status bar follow the rig; out of band and a lost
    // daemon are shown in the warning colour.
    void MainWindow()
    {
        const quint16 port = FreePort();
        TRigctld daemon(port);
        QVERIFY(daemon.Start());
        QVERIFY(daemon.Set({"F", "28400000"}));
        QVERIFY(daemon.Set({"M", "USB", "2400"}));

        TTestHome home;
        home.PrepareWorkFolder();
        home.WriteSettings({QStringLiteral("Grid=FN31PR"), QStringLiteral("RigPort=%1").arg(port)});
        TScriptedPrompts prompts;
        TfrmMain window(prompts);
        window.RigControl().SetPollInterval(100);
        window.RigControl().SetRetryInterval(200);
        auto* mode = window.findChild<QComboBox*>(QStringLiteral("cboMode"));
        auto* label = window.findChild<QLabel*>(QStringLiteral("lblRig"));
        mode->setEditText(QStringLiteral("CW"));
        QVERIFY(label->isHidden());

        window.findChild<QAction*>(QStringLiteral("mnuRigControl"))->trigger();
        QVERIFY(window.RigControlEnable());
        QVERIFY(window.findChild<QAction*>(QStringLiteral("mnuRigControl"))->isChecked());
        QTRY_COMPARE(label->text(), QStringLiteral(" Rig: 28.40000 MHz "));
        QTRY_COMPARE(mode->currentText(), QStringLiteral("SSB"));
        QVERIFY(!label->isHidden());
        QCOMPARE(label->styleSheet(), QString());

        QVERIFY(daemon.Set({"F", "14074000"}));
        QVERIFY(daemon.Set({"M", "PKTUSB", "3000"}));
        QTRY_COMPARE(label->text(), QStringLiteral(" Rig: 14.07400 MHz "));
        QVERIFY(label->styleSheet().contains(QStringLiteral("color: rgb(192, 0, 0)")));
        QTRY_COMPARE(mode->currentText(), QStringLiteral("FT8"));

        daemon.Stop();
        QTRY_COMPARE(label->text(), QStringLiteral(" Rig: no connection, retrying "));
        QVERIFY2(label->toolTip().startsWith(
                     QStringLiteral("No connection to rigctld at 127.0.0.1:%1: ").arg(port)),
                 qPrintable(label->toolTip()));
        QVERIFY(label->styleSheet().contains(QStringLiteral("color: rgb(192, 0, 0)")));
        // The form stays usable while the daemon is gone.
        mode->setEditText(QStringLiteral("CW"));
        QCOMPARE(mode->currentText(), QStringLiteral("CW"));

        QVERIFY(daemon.Start());
        QTRY_VERIFY(label->text().endsWith(QStringLiteral(" MHz ")));

        window.findChild<QAction*>(QStringLiteral("mnuRigControl"))->trigger();
        QVERIFY(label->isHidden());
        QCOMPARE(window.RigControl().State(), TRigControl::TState::Off);
        QCOMPARE(prompts.Messages(), QStringList{});
    }
};

VANTREL_TEST(TestRigControl)
#include "tst_RigControl.moc"
