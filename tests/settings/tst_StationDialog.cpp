#include "common/TScriptedPrompts.h"
#include "common/TTestRigctld.h"
#include "common/TestFiles.h"
#include "common/TestRegistry.h"
#include "data/TSettings.h"
#include "feeds/TFeedQueue.h"
#include "feeds/TLoggingServer.h"
#include "feeds/TRigControl.h"
#include "gui/settings/TfrmStationSettings.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

namespace {

// The settings file of a station that has used Vantrel for a while.
const QByteArray kStation = "[Settings]\n"
                            "Grid=DM42PF\n"
                            "Theme=Night\n"
                            "ServerPort=8888\n"
                            "NotOurs=kept as it is  \n"
                            "RigPort=4532\n";

// The dialog over a settings file, shown and active so that it takes key events as the operator's.
struct TDialogFixture
{
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Vantrel.cfg"));
    TScriptedPrompts prompts;
    std::unique_ptr<TSettings> settings;
    std::unique_ptr<TfrmStationSettings> dialog;

    explicit TDialogFixture(const QByteArray& file = kStation)
    {
        WriteTestFile(path, file);
        settings = std::make_unique<TSettings>(path);
        dialog = std::make_unique<TfrmStationSettings>(*settings, prompts);
        dialog->show();
        dialog->activateWindow();
    }

    template <typename T = QWidget> T* Find(const QString& name) const { return dialog->findChild<T*>(name); }
    QWidget* Focused() const { return QApplication::focusWidget(); }
    QString FocusName() const { return Focused() ? Focused()->objectName() : QString(); }
    QWidget* Page() const { return Find<QTabWidget>(QStringLiteral("pgStation"))->currentWidget(); }

    void Alt(Qt::Key key) const { QTest::keyClick(Focused(), key, Qt::AltModifier); }
    // Replaces the text of the field in focus as typed.
    void Type(const QString& text) const
    {
        QTest::keyClick(Focused(), Qt::Key_A, Qt::ControlModifier);
        if (text.isEmpty()) {
            QTest::keyClick(Focused(), Qt::Key_Delete);
        } else {
            QTest::keyClicks(Focused(), text);
        }
    }
    void Key(Qt::Key key) const { QTest::keyClick(Focused(), key); }
};

} // namespace

// The station settings dialog driven from the keyboard, as an operator drives it.
class TestStationDialog : public QObject
{
    Q_OBJECT

private slots:
    // Every value that cannot be used is refused with its reason beside it, on its page and with the focus
    // on it; nothing is written to the file.
    void RefusesWithReason_data()
    {
        QTest::addColumn<QList<int>>("keys"); // Alt+key, one after the other: the page, then the field
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("page");
        QTest::newRow("port 0") << QList<int>{Qt::Key_U, Qt::Key_P} << "ServerPort"
                                << "0"
                                << "0 is no port: ports are 1 to 65535."
                                << "pageUDP";
        QTest::newRow("port 70000") << QList<int>{Qt::Key_W, Qt::Key_P} << "WSJTXPort"
                                    << "70000"
                                    << "70000 is no port: ports are 1 to 65535."
                                    << "pageWSJTX";
        QTest::newRow("port of another link") << QList<int>{Qt::Key_R, Qt::Key_P} << "RigPort"
                                              << "8888"
                                              << "Port 8888 is also the port of the logging server"
                                              << "pageRig";
        QTest::newRow("group") << QList<int>{Qt::Key_W, Qt::Key_G} << "WSJTXGroup"
                               << "10.1.1.1"
                               << "\"10.1.1.1\" is no IPv4 multicast group"
                               << "pageWSJTX";
        QTest::newRow("host") << QList<int>{Qt::Key_R, Qt::Key_H} << "RigHost"
                              << "rig pc"
                              << "\"rig pc\" is no host name or address"
                              << "pageRig";
        QTest::newRow("interval") << QList<int>{Qt::Key_F, Qt::Key_N} << "FldigiFileChekInterval"
                                  << "250"
                                  << "250 ms is outside 500 to 1500 ms."
                                  << "pageFLdigi";
        QTest::newRow("FLdigi file") << QList<int>{Qt::Key_F, Qt::Key_E} << "FLDigiLogFile"
                                     << ""
                                     << "Enter the path of FLdigi's log file."
                                     << "pageFLdigi";
        QTest::newRow("roster address") << QList<int>{Qt::Key_S, Qt::Key_V} << "RosterServer"
                                        << "roster.example.org"
                                        << "is no web address"
                                        << "pageLookup";
        QTest::newRow("password over http") << QList<int>{Qt::Key_S, Qt::Key_Q} << "QRZXMLUrl"
                                            << "http://xmldata.qrz.com/xml/current/"
                                            << "its address must begin with https://"
                                            << "pageLookup";
    }
    void RefusesWithReason()
    {
        QFETCH(QList<int>, keys);
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, reason);
        QFETCH(QString, page);
        TDialogFixture f;
        QVERIFY(QTest::qWaitForWindowActive(f.dialog.get()));
        for (const int key : keys) {
            f.Alt(Qt::Key(key));
        }
        QCOMPARE(f.FocusName(), QStringLiteral("txt") + field);
        f.Type(text);
        // The operator moves on to another page and presses Enter there.
        f.Alt(keys[0] == Qt::Key_U ? Qt::Key_W : Qt::Key_U);
        QVERIFY(f.Page()->objectName() != page);
        f.Key(Qt::Key_Return);

        QVERIFY(f.dialog->isVisible());
        QCOMPARE(f.Page()->objectName(), page);
        QCOMPARE(f.FocusName(), QStringLiteral("txt") + field);
        auto* lblReason = f.Find<QLabel>(QStringLiteral("lbl%1Reason").arg(field));
        QVERIFY(lblReason->isVisible());
        QVERIFY2(lblReason->text().contains(reason), qPrintable(lblReason->text()));
        QVERIFY(
            f.Find<QLabel>(QStringLiteral("lblError"))->text().contains(QStringLiteral("nothing is stored")));
        QCOMPARE(ReadTestFile(f.path), kStation);
        QVERIFY(f.prompts.Records().isEmpty());

        // Escape leaves the dialog, with nothing stored.
        f.Key(Qt::Key_Escape);
        QCOMPARE(f.dialog->result(), int(QDialog::Rejected));
        QCOMPARE(ReadTestFile(f.path), kStation);
    }

    // A valid change is written once, the other lines byte for byte, and the links that were on follow the
    // new values: a real datagram arrives on the new port, a real rigctld on a new port is followed.
    void StoresAndLinksFollow()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("rigctld")).isEmpty()) {
            QFAIL("rigctld (Debian package libhamlib-utils) is not installed");
        }
        const quint16 rigPort = FreeTcpPort();
        TRigctld daemon(rigPort);
        QVERIFY(daemon.Start());
        QVERIFY(daemon.Set({QStringLiteral("F"), QStringLiteral("28350000")}));
        QUdpSocket probe;
        QVERIFY(probe.bind(QHostAddress::Any, 0));
        const quint16 serverPort = probe.localPort();
        probe.close();

        TDialogFixture f;
        QVERIFY(QTest::qWaitForWindowActive(f.dialog.get()));
        // The links are on with the values stored before.
        TFeedQueue queue;
        QStringList commands;
        TLoggingServer server(queue,
                              [&](const TServerCommand& command) { commands << command.fields.join(','); });
        server.Open(quint16(f.dialog->Before().Number(TStationField::ServerPort)));
        TRigControl rig;
        rig.SetRetryInterval(100);
        rig.Start(f.dialog->Before()[TStationField::RigHost],
                  quint16(f.dialog->Before().Number(TStationField::RigPort)));

        f.Alt(Qt::Key_P);
        f.Type(QString::number(serverPort));
        // A mnemonic clicks its button as a mouse would, a moment later.
        f.Alt(Qt::Key_O);
        QTRY_VERIFY(f.Find<QCheckBox>(QStringLiteral("cbServerAtStart"))->isChecked());
        f.Alt(Qt::Key_R);
        f.Alt(Qt::Key_P);
        f.Type(QString::number(rigPort));
        f.Key(Qt::Key_Return);

        QCOMPARE(f.dialog->result(), int(QDialog::Accepted));
        QCOMPARE(ReadTestFile(f.path), QByteArray("[Settings]\n"
                                                  "Grid=DM42PF\n"
                                                  "Theme=Night\n"
                                                  "ServerPort=%1\n"
                                                  "NotOurs=kept as it is  \n"
                                                  "RigPort=%2\n"
                                                  "ServerAtStart=1\n")
                                           .replace("%1", QByteArray::number(serverPort))
                                           .replace("%2", QByteArray::number(rigPort)));
        QCOMPARE(f.dialog->Changed(), (QList<TLink>{TLink::Server, TLink::Rig}));

        // What the window does with the links that are on and changed: start them again with the new values.
        const TStationSettings& after = f.dialog->After();
        server.Close();
        server.Open(quint16(after.Number(TStationField::ServerPort)));
        rig.Stop();
        rig.Start(after[TStationField::RigHost], quint16(after.Number(TStationField::RigPort)));

        QUdpSocket sender;
        sender.writeDatagram("FIELD:CALL,W1AW", QHostAddress::LocalHost, serverPort);
        QTRY_COMPARE(commands, QStringList{QStringLiteral("CALL,W1AW")});
        QTRY_COMPARE_WITH_TIMEOUT(rig.Frequency(), qint64(28350000), 10000);
        QCOMPARE(rig.State(), TRigControl::TState::Connected);
    }

    // Cancel (and Escape) stores nothing, whatever was typed.
    void CancelStoresNothing()
    {
        TDialogFixture f;
        QVERIFY(QTest::qWaitForWindowActive(f.dialog.get()));
        f.Alt(Qt::Key_P);
        f.Type(QStringLiteral("9000"));
        f.Alt(Qt::Key_O);
        QTRY_VERIFY(f.Find<QCheckBox>(QStringLiteral("cbServerAtStart"))->isChecked());
        QTest::mouseClick(f.Find<QPushButton>(QStringLiteral("btnCancel")), Qt::LeftButton);
        QCOMPARE(f.dialog->result(), int(QDialog::Rejected));
        QCOMPARE(ReadTestFile(f.path), kStation);
        QCOMPARE(f.dialog->After(), f.dialog->Before());
        QVERIFY(f.dialog->Changed().isEmpty());
    }

    // A value written by hand that cannot be used shows its reason as the dialog opens; once corrected it
    // is stored in place of the wrong one.
    void HandEditedValueShown()
    {
        TDialogFixture f("[Settings]\nFldigiFileChekInterval=0\nServerPort=abc\n");
        QVERIFY(QTest::qWaitForWindowActive(f.dialog.get()));
        QCOMPARE(f.Find<QLineEdit>(QStringLiteral("txtServerPort"))->text(), QStringLiteral("abc"));
        QVERIFY(f.Find<QLabel>(QStringLiteral("lblServerPortReason"))->isVisible());
        f.Key(Qt::Key_Return);
        QVERIFY(f.dialog->isVisible());
        QCOMPARE(f.Find<QLabel>(QStringLiteral("lblError"))->text(),
                 QStringLiteral("2 values cannot be used: nothing is stored until they are corrected."));
        QCOMPARE(f.FocusName(), QStringLiteral("txtServerPort"));
        f.Type(QStringLiteral("8889"));
        QVERIFY(!f.Find<QLabel>(QStringLiteral("lblServerPortReason"))->isVisible());
        f.Key(Qt::Key_Return);
        QCOMPARE(f.FocusName(), QStringLiteral("txtFldigiFileChekInterval"));
        f.Type(QStringLiteral("750"));
        f.Key(Qt::Key_Return);
        QCOMPARE(f.dialog->result(), int(QDialog::Accepted));
        QCOMPARE(ReadTestFile(f.path),
                 QByteArray("[Settings]\nFldigiFileChekInterval=750\nServerPort=8889\n"));
    }

    // Tab goes through each page in the order it reads; a link's page opens with its first field.
    void TabOrder_data()
    {
        QTest::addColumn<int>("link");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("UDP") << int(TLink::Server)
                             << QStringList{"txtServerPort", "cbServerAtStart", "btnTestServer"};
        QTest::newRow("WSJT-X") << int(TLink::Wsjtx)
                                << QStringList{"txtWSJTXPort", "txtWSJTXGroup", "cbWSJTXAllAddresses",
                                               "cbWSJTXAtStart", "btnTestWSJTX"};
        QTest::newRow("FLdigi") << int(TLink::Fldigi)
                                << QStringList{"txtFLDigiLogFile", "btnFldigiBrowse",
                                               "txtFldigiFileChekInterval", "cbFLDigiAutoLog",
                                               "cbFLDigiAtStart"};
        QTest::newRow("Rig") << int(TLink::Rig)
                             << QStringList{"txtRigHost", "txtRigPort", "cbRigAtStart", "btnTestRig"};
        QTest::newRow("Services") << int(TLink::Lookup)
                                  << QStringList{"txtRosterServer", "txtEPCServer", "txtP070Url",
                                                 "txtQRZXMLUrl",    "txtHamQTHUrl", "btnTestServices"};
    }
    void TabOrder()
    {
        QFETCH(int, link);
        QFETCH(QStringList, order);
        TDialogFixture f;
        QVERIFY(QTest::qWaitForWindowActive(f.dialog.get()));
        f.dialog->ShowPage(TLink(link));
        QStringList seen{f.FocusName()};
        for (int i = 1; i < order.size(); ++i) {
            f.Key(Qt::Key_Tab);
            seen << f.FocusName();
        }
        QCOMPARE(seen, order);
    }

    // The tests show what they found in the page, never in a box: a port in use, a rigctld that answers.
    void TestsShownInPage()
    {
        QUdpSocket holder;
        QVERIFY(holder.bind(QHostAddress::Any, 0, QAbstractSocket::DontShareAddress));
        TFakeRigctld fake;
        TDialogFixture f;
        QVERIFY(QTest::qWaitForWindowActive(f.dialog.get()));
        f.Alt(Qt::Key_P);
        f.Type(QString::number(holder.localPort()));
        f.Alt(Qt::Key_T);
        auto* lblServerTest = f.Find<QLabel>(QStringLiteral("lblServerTest"));
        QTRY_VERIFY(lblServerTest->isVisible());
        QVERIFY2(lblServerTest->text().startsWith(
                     QStringLiteral("Port %1 cannot be used: ").arg(holder.localPort())),
                 qPrintable(lblServerTest->text()));
        // The port the logging server itself listens on is not "in use" for its own test.
        f.dialog->SetListeningPort(TLink::Server, holder.localPort());
        f.Alt(Qt::Key_T);
        QTRY_COMPARE(lblServerTest->text(),
                     QStringLiteral("The logging server listens on port %1 now.").arg(holder.localPort()));

        f.Alt(Qt::Key_R);
        f.Alt(Qt::Key_P);
        f.Type(QString::number(fake.Port()));
        f.Alt(Qt::Key_T);
        auto* lblRigTest = f.Find<QLabel>(QStringLiteral("lblRigTest"));
        QTRY_COMPARE(lblRigTest->text(),
                     QStringLiteral("rigctld at 127.0.0.1:%1 answers: 28.07400 MHz.").arg(fake.Port()));
        QVERIFY(f.prompts.Records().isEmpty());
        QVERIFY(f.dialog->isVisible());
        // Testing stores nothing.
        QCOMPARE(ReadTestFile(f.path), kStation);
    }
};

VANTREL_TEST(TestStationDialog)
#include "tst_StationDialog.moc"
