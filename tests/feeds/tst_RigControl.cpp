#include "app/AppFixture.h"
#include "common/TTestRigctld.h"
#include "common/TestRegistry.h"

#include "feeds/TRigControl.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>

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
        const quint16 port = FreeTcpPort();
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

    void RigMode_data()
    {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("rig");
        QTest::newRow("SSB") << "SSB"
                             << "USB";
        QTest::newRow("CW") << "CW"
                            << "CW";
        QTest::newRow("FM") << "FM"
                            << "FM";
        QTest::newRow("RTTY") << "RTTY"
                              << "RTTY";
        QTest::newRow("FT8") << "FT8"
                             << "PKTUSB";
        QTest::newRow("PSK31") << "psk31"
                               << "PKTUSB";
        QTest::newRow("none") << ""
                              << "";
        QTest::newRow("unknown") << "CHIRP"
                                 << "";
    }
    void RigMode()
    {
        QFETCH(QString, form);
        QFETCH(QString, rig);
        QCOMPARE(RigModeForForm(form), rig);
    }

    // Tuning the real rigctld: frequency and mode reach the rig, and the rig control follows them. A mode
    // the rig refuses is reported, and the connection stays.
    void TunesRig()
    {
        const quint16 port = FreeTcpPort();
        TRigctld daemon(port);
        QVERIFY(daemon.Start());
        QVERIFY(daemon.Set({"F", "28400000"}));
        QVERIFY(daemon.Set({"M", "USB", "2400"}));

        TRigControl rig;
        rig.SetPollInterval(100);
        QVERIFY(!rig.Tune(28025000, QStringLiteral("CW")));
        rig.Start(QStringLiteral("127.0.0.1"), port);
        QTRY_COMPARE(rig.State(), TRigControl::TState::Connected);
        QSignalSpy failed(&rig, &TRigControl::TuneFailed);
        QVERIFY(rig.Tune(28025000, QStringLiteral("CW")));
        QTRY_COMPARE(rig.Frequency(), qint64(28025000));
        QTRY_COMPARE(rig.Mode(), QStringLiteral("CW"));
        QCOMPARE(daemon.Run({"f"}).value_or(QString()), QStringLiteral("28025000"));

        // Without a mode only the frequency changes.
        QVERIFY(rig.Tune(28074000, QString()));
        QTRY_COMPARE(rig.Frequency(), qint64(28074000));
        QCOMPARE(rig.Mode(), QStringLiteral("CW"));

        // A mode with a second command in it never reaches rigctld.
        QVERIFY(rig.Tune(28350000, QStringLiteral("USB 0\nF 14000000")));
        QTRY_COMPARE(rig.Frequency(), qint64(28350000));
        QTest::qWait(300);
        QCOMPARE(rig.Frequency(), qint64(28350000));
        QCOMPARE(rig.Mode(), QStringLiteral("CW"));
        QCOMPARE(failed.size(), 0);
    }

    // A rig that refuses a tuning command: reported with rigctld's answer, and followed on as before.
    void TuneRefused()
    {
        TFakeRigctld daemon;
        daemon.setAnswer = "RPRT -11";
        TRigControl rig;
        rig.SetPollInterval(50);
        rig.Start(QStringLiteral("127.0.0.1"), daemon.Port());
        QTRY_COMPARE(rig.State(), TRigControl::TState::Connected);
        QSignalSpy failed(&rig, &TRigControl::TuneFailed);
        QVERIFY(rig.Tune(28025000, QStringLiteral("CW")));
        QTRY_COMPARE(failed.size(), 2);
        QCOMPARE(failed.first().first().toString(),
                 QStringLiteral("rigctld refused to tune the rig (RPRT -11)"));
        daemon.frequency = "28400000";
        QTRY_COMPARE(rig.Frequency(), qint64(28400000));
        QCOMPARE(rig.State(), TRigControl::TState::Connected);
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
        const quint16 port = FreeTcpPort();
        TRigctld daemon(port);
        QVERIFY(daemon.Start());
        QVERIFY(daemon.Set({"F", "28400000"}));
        QVERIFY(daemon.Set({"M", "USB", "2400"}));

        TTestHome home;
        home.PrepareWorkFolder();
        home.WriteSettings({QStringLiteral("Grid=FN31PR"), QStringLiteral("RigPort=%1").arg(port)});
        TScriptedPrompts prompts;
        TfrmMain window(prompts);
        window.StationLinks().RigControl().SetPollInterval(100);
        window.StationLinks().RigControl().SetRetryInterval(200);
        auto* mode = window.findChild<QComboBox*>(QStringLiteral("cboMode"));
        auto* label = window.findChild<QLabel*>(QStringLiteral("lblRig"));
        mode->setEditText(QStringLiteral("CW"));
        QVERIFY(label->isHidden());

        window.findChild<QAction*>(QStringLiteral("mnuRigControl"))->trigger();
        QVERIFY(window.StationLinks().RigControlEnable());
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
        QCOMPARE(window.StationLinks().RigControl().State(), TRigControl::TState::Off);
        QCOMPARE(prompts.Messages(), QStringList{});
    }
};

VANTREL_TEST(TestRigControl)
#include "tst_RigControl.moc"
