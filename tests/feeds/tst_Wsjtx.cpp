#include "app/AppFixture.h"
#include "common/TestRegistry.h"

#include "feeds/TFeedQueue.h"
#include "feeds/TLoggingServer.h"
#include "feeds/TWsjtxListener.h"
#include "feeds/WsjtxMessage.h"

#include <QAction>
#include <QDataStream>
#include <QEventLoop>
#include <QLabel>
#include <QNetworkInterface>
#include <QSqlQuery>
#include <QTimer>
#include <QUdpSocket>

namespace {

quint16 FreeUdpPort()
{
    QUdpSocket socket;
    socket.bind(QHostAddress::LocalHost, 0);
    return socket.localPort();
}

// A message as WSJT-X writes it: magic number, schema, type and id, then the body, in the QDataStream
// format of the schema.
QByteArray Message(quint32 schema, quint32 type, const std::function<void(QDataStream&)>& body)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::BigEndian);
    out.setVersion(schema >= 3 ? QDataStream::Qt_5_4 : QDataStream::Qt_5_2);
    out << quint32(0xadbccbda) << schema << type << QByteArray("WSJT-X");
    body(out);
    return bytes;
}

QByteArray Heartbeat()
{
    return Message(
        3, 0, [](QDataStream& out) { out << quint32(3) << QByteArray("2.6.1") << QByteArray("d2a6e5"); });
}

QByteArray Status()
{
    return Message(3, 1, [](QDataStream& out) {
        out << quint64(28074000) << QByteArray("FT8") << QByteArray("K1ABC") << QByteArray("-10")
            << QByteArray("FT8") << true << false << true << quint32(1200) << quint32(1500)
            << QByteArray("W7VNT") << QByteArray("CN85") << QByteArray("FN42") << false << QByteArray()
            << false << quint8(0) << quint32(20) << quint32(15) << QByteArray("Default")
            << QByteArray("K1ABC W7VNT CN85");
    });
}

// "QSO Logged": the contact's fields, times in UTC.
QByteArray QsoLogged(quint32 schema, const QByteArray& call, const QByteArray& mode, const QByteArray& name,
                     const QDateTime& on)
{
    return Message(schema, 5, [&](QDataStream& out) {
        out << on.addSecs(60) << call << QByteArray("FN42") << quint64(28075500) << mode << QByteArray("-10")
            << QByteArray("-15") << QByteArray("100") << QByteArray("tnx QSO") << name << on
            << QByteArray("W7VNT") << QByteArray("W7VNT") << QByteArray("CN85") << QByteArray()
            << QByteArray() << QByteArray();
    });
}

// "Logged ADIF": the contact as an ADIF file of one record.
QByteArray LoggedAdif(const QByteArray& record)
{
    return Message(3, 12, [&](QDataStream& out) {
        out << QByteArray("\n<adif_ver:5>3.1.0\n<programid:6>WSJT-X\n<EOH>\n") + record;
    });
}

QStringList Rows(TfrmMain& window)
{
    QSqlQuery q(window.DM().condb());
    q.exec(QStringLiteral("select _call,_date,_time,_mode,_name,_comment,_points from \"%1\" order by pkey")
               .arg(window.Mysettings().TableName));
    QStringList rows;
    while (q.next()) {
        QStringList values;
        for (int i = 0; i < 7; ++i) {
            values << q.value(i).toString();
        }
        rows << values.join(QLatin1Char('|'));
    }
    return rows;
}

const QDateTime kOn(QDate(2024, 2, 3), QTime(12, 0, 15), Qt::UTC);

// Creates the log W7VNT_<year>_Winter_Digital with the setup dialog and makes it current.
void NewDigitalLog(TfrmMain& window)
{
    TAppFixture::OnNextModal([](QDialog* d) {
        d->findChild<QComboBox*>(QStringLiteral("cboContest"))->setEditText(QStringLiteral("Winter Digital"));
        d->findChild<QComboBox*>(QStringLiteral("cboMode"))->setEditText(QStringLiteral("FT8"));
        const std::pair<const char*, const char*> fields[] = {
            {"txtCallSign", "W7VNT"},    {"txtFirstName", "Rex"}, {"txtLastName", "Fielding"},
            {"txtAddress", "1 Main St"}, {"txtCity", "Salem"},    {"txtState", "OR"},
            {"txtZipCode", "97301"}};
        for (const auto& [name, value] : fields) {
            d->findChild<QLineEdit*>(QString::fromLatin1(name))->setText(QString::fromLatin1(value));
        }
        d->findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
    });
    window.DoNewLog();
}

} // namespace

// The WSJT-X / JTDX listener: real datagrams of the protocol, unicast and multicast on the loopback
// interface, through the main window into the log.
class TestWsjtx : public QObject
{
    Q_OBJECT

private slots:
    void Parse_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QByteArray>("adif");
        QTest::newRow("QSO Logged, schema 3")
            << QsoLogged(3, "JA1XY", "FT8", "Taro", kOn) << true << quint32(5)
            << QByteArray(
                   "<call:5>JA1XY <gridsquare:4>FN42 <mode:3>FT8 <rst_sent:3>-10 <rst_rcvd:3>-15 "
                   "<qso_date:8>20240203 <time_on:6>120015 <qso_date_off:8>20240203 <time_off:6>120115 "
                   "<freq:9>28.075500 <tx_pwr:3>100 <comment:7>tnx QSO <name:4>Taro <operator:5>W7VNT "
                   "<station_callsign:5>W7VNT <my_gridsquare:4>CN85 <eor>");
        QTest::newRow("QSO Logged, schema 2, multi-byte name")
            << QsoLogged(2, "DL1ABC", "FT4", "Jürgen", kOn) << true << quint32(5)
            << QByteArray(
                   "<call:6>DL1ABC <gridsquare:4>FN42 <mode:3>FT4 <rst_sent:3>-10 <rst_rcvd:3>-15 "
                   "<qso_date:8>20240203 <time_on:6>120015 <qso_date_off:8>20240203 <time_off:6>120115 "
                   "<freq:9>28.075500 <tx_pwr:3>100 <comment:7>tnx QSO <name:7>Jürgen <operator:5>W7VNT "
                   "<station_callsign:5>W7VNT <my_gridsquare:4>CN85 <eor>");
        QTest::newRow("Logged ADIF")
            << LoggedAdif("<call:4>W1AW <eor>") << true << quint32(12)
            << QByteArray("\n<adif_ver:5>3.1.0\n<programid:6>WSJT-X\n<EOH>\n<call:4>W1AW <eor>");
        QTest::newRow("Heartbeat") << Heartbeat() << true << quint32(0) << QByteArray();
        QTest::newRow("Status") << Status() << true << quint32(1) << QByteArray();
        QByteArray wrongMagic = Heartbeat();
        wrongMagic[0] = 0;
        QTest::newRow("wrong magic number") << wrongMagic << false << quint32(0) << QByteArray();
        QTest::newRow("schema 4") << Message(4, 0, [](QDataStream&) {}) << false << quint32(0)
                                  << QByteArray();
        QTest::newRow("QSO Logged cut short")
            << QsoLogged(3, "JA1XY", "FT8", "Taro", kOn).left(40) << false << quint32(0) << QByteArray();
        QTest::newRow("text datagram") << QByteArray("LOG") << false << quint32(0) << QByteArray();
    }
    void Parse()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(bool, valid);
        QFETCH(quint32, type);
        QFETCH(QByteArray, adif);
        const std::optional<TWsjtxMessage> message = ParseWsjtxMessage(datagram);
        QCOMPARE(message.has_value(), valid);
        if (valid) {
            QCOMPARE(message->type, type);
            QCOMPARE(message->id, QStringLiteral("WSJT-X"));
            QCOMPARE(message->adif, adif);
        }
    }

    // Unicast on the loopback interface: heartbeats and status messages are ignored, both contact messages
    // log in arrival order under the duplicate rule, and the counters rise.
    void Unicast()
    {
        const quint16 port = FreeUdpPort();
        TTestHome home;
        home.PrepareWorkFolder();
        home.WriteSettings({QStringLiteral("Grid=FN31PR"), QStringLiteral("WSJTXPort=%1").arg(port)});
        TScriptedPrompts prompts;
        TfrmMain window(prompts);
        NewDigitalLog(window);
        QVERIFY(window.HasCurrentLog());

        auto* label = window.findChild<QLabel*>(QStringLiteral("lblWSJTXRunning"));
        QVERIFY(label->isHidden());
        window.findChild<QAction*>(QStringLiteral("mnuWSJTX"))->trigger();
        QVERIFY(window.WSJTXEnable());
        QVERIFY(window.findChild<QAction*>(QStringLiteral("mnuWSJTX"))->isChecked());
        QVERIFY(!label->isHidden());
        QCOMPARE(label->text(), QStringLiteral("WSJT-X - %1").arg(port));

        prompts.AnswerMessage(MsgButton::OK); // the duplicate
        QUdpSocket sender;
        const QList<QByteArray> datagrams{
            Heartbeat(),
            Status(),
            QsoLogged(3, "K1ABC", "FT8", "Bob", kOn),
            LoggedAdif("<call:4>W1AW <gridsquare:4>FN31 <mode:4>MFSK <submode:3>FT4 <qso_date:8>20240203 "
                       "<time_on:6>121500 <ten_ten:3>100 <eor>"),
            QsoLogged(2, "K1ABC", "FT4", "Bob", kOn.addSecs(600)),
            Heartbeat(),
        };
        for (const QByteArray& datagram : datagrams) {
            QCOMPARE(sender.writeDatagram(datagram, QHostAddress::LocalHost, port), datagram.size());
        }
        QTRY_COMPARE(window.WSJTXListener().Received(), qint64(datagrams.size()));
        QTRY_VERIFY(window.FeedQueue().IsIdle());
        QCOMPARE(window.WSJTXListener().Contacts(), qint64(3));
        QCOMPARE(Rows(window),
                 (QStringList{"K1ABC|2024-02-03|12:00|FT8|Bob|tnx QSO|1", "W1AW|2024-02-03|12:15|FT4|||2"}));
        QCOMPARE(prompts.Messages(),
                 QStringList{"K1ABC, logged in WSJT-X, is a duplicate in this log and was not logged here."});
        QCOMPARE(window.ctx_with(), 1);
        QCOMPARE(window.ctx_without(), 1);
        QCOMPARE(window.totalpoints(), 3);

        window.findChild<QAction*>(QStringLiteral("mnuWSJTX"))->trigger();
        QVERIFY(!window.WSJTXEnable());
        QVERIFY(label->isHidden());
        QVERIFY(!window.WSJTXListener().IsOpen());
    }

    // Multicast: the listener joins the group on the loopback interface as WSJT-X's own multicast setup
    // expects; a second listener of the same group receives the same contact.
    void Multicast()
    {
        const quint16 port = FreeUdpPort();
        const QHostAddress group(QStringLiteral("239.255.18.15"));
        QList<QByteArray> first;
        QList<QByteArray> second;
        TFeedQueue queue;
        TWsjtxListener a(queue, [&](const QByteArray& adif) { first << adif; });
        TWsjtxListener b(queue, [&](const QByteArray& adif) { second << adif; });
        a.Open(port, group.toString());
        b.Open(port, group.toString());

        QUdpSocket sender;
        sender.bind(QHostAddress(QHostAddress::AnyIPv4), 0);
        sender.setSocketOption(QAbstractSocket::MulticastLoopbackOption, 1);
        for (const QNetworkInterface& iface : QNetworkInterface::allInterfaces()) {
            if (iface.flags() & QNetworkInterface::IsLoopBack) {
                sender.setMulticastInterface(iface);
            }
        }
        const QByteArray contact = QsoLogged(3, "JA1XY", "FT8", "Taro", kOn);
        QCOMPARE(sender.writeDatagram(Status(), group, port), Status().size());
        QCOMPARE(sender.writeDatagram(contact, group, port), contact.size());
        QTRY_COMPARE(first.size(), 1);
        QTRY_COMPARE(second.size(), 1);
        QVERIFY(first[0].startsWith("<call:5>JA1XY "));
        QCOMPARE(second, first);
        QCOMPARE(a.Received(), qint64(2));
    }

    // A handler that waits in a message box (a nested event loop) is not entered again by the contacts
    // arriving meanwhile; they follow in arrival order once it returns. A held queue handles nothing.
    void OrderedWhileBusy()
    {
        const quint16 port = FreeUdpPort();
        TFeedQueue queue;
        QStringList events;
        QUdpSocket sender;
        auto send = [&](const QByteArray& call) {
            sender.writeDatagram(QsoLogged(3, call, "FT8", "", kOn), QHostAddress::LocalHost, port);
        };
        TWsjtxListener listener(queue, [&](const QByteArray& adif) {
            const QString call = QString::fromLatin1(adif.mid(8, adif.indexOf(' ') - 8));
            events << QStringLiteral("start ") + call;
            if (call == QLatin1String("JA1XY")) {
                send("K1ABC");
                send("W1AW");
                QEventLoop box;
                QTimer::singleShot(300, &box, &QEventLoop::quit);
                box.exec();
            }
            events << QStringLiteral("end ") + call;
        });
        listener.Open(port);
        send("JA1XY");
        QTRY_COMPARE(events.size(), 6);
        QCOMPARE(events, (QStringList{"start JA1XY", "end JA1XY", "start K1ABC", "end K1ABC", "start W1AW",
                                      "end W1AW"}));

        events.clear();
        queue.SetHeld(true);
        send("N0AA");
        QTRY_COMPARE(listener.Received(), qint64(4));
        QTest::qWait(100);
        QCOMPARE(events, QStringList{});
        queue.SetHeld(false);
        QTRY_COMPARE(events, (QStringList{"start N0AA", "end N0AA"}));
        QVERIFY(queue.IsIdle());
    }

    // The logging server and the WSJT-X listener share one queue: their datagrams are handled in the order
    // they were received, never two at once, and a hold (an FLdigi contact being handled) stops both.
    void SharedQueueWithLoggingServer()
    {
        const quint16 wsjtxPort = FreeUdpPort();
        const quint16 serverPort = FreeUdpPort();
        TTestHome home;
        home.PrepareWorkFolder();
        home.WriteSettings({QStringLiteral("Grid=FN31PR"), QStringLiteral("WSJTXPort=%1").arg(wsjtxPort),
                            QStringLiteral("ServerPort=%1").arg(serverPort)});
        TScriptedPrompts prompts;
        TfrmMain window(prompts);
        NewDigitalLog(window);
        window.SetServerEnable(true);
        window.SetWSJTXEnable(true);
        TLoggingServer& server = window.ServerSocket1();

        QUdpSocket sender;
        auto toServer = [&](const QByteArray& text) {
            sender.writeDatagram(text, QHostAddress::LocalHost, serverPort);
        };
        window.FeedQueue().SetHeld(true);
        toServer("UPDATE:K1ABC,Bob,1234,,SSB,,,United States,MA,Suffolk");
        toServer("LOG");
        QTRY_COMPARE(server.Received(), qint64(2));
        sender.writeDatagram(QsoLogged(3, "JA1XY", "FT8", "Taro", kOn), QHostAddress::LocalHost, wsjtxPort);
        QTRY_COMPARE(window.WSJTXListener().Received(), qint64(1));
        toServer("UPDATE:W2XYZ,Al,,,CW,,,United States,NY,Kings");
        toServer("LOG");
        QTRY_COMPARE(server.Received(), qint64(4));
        QTest::qWait(50);
        QCOMPARE(Rows(window), QStringList{});

        window.FeedQueue().SetHeld(false);
        QTRY_COMPARE(Rows(window).size(), 3);
        QTRY_VERIFY(window.FeedQueue().IsIdle());
        QStringList calls;
        for (const QString& row : Rows(window)) {
            calls << row.section(QLatin1Char('|'), 0, 0);
        }
        QCOMPARE(calls, (QStringList{"K1ABC", "JA1XY", "W2XYZ"}));
        QCOMPARE(prompts.Messages(), QStringList{});
    }

    // Switching on fails with a clear message, and stays off, for a port in use or a group that is none.
    void OpenErrors_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<bool>("portTaken");
        QTest::addColumn<QString>("message");
        QTest::newRow("port in use") << "" << true << "The bound address is already in use";
        QTest::newRow("no multicast address")
            << "10.0.0.1" << false
            << "10.0.0.1 is no IPv4 multicast group address (224.0.0.0 to 239.255.255.255)";
        QTest::newRow("no address at all")
            << "wsjtx" << false << "wsjtx is no IPv4 multicast group address (224.0.0.0 to 239.255.255.255)";
    }
    void OpenErrors()
    {
        QFETCH(QString, group);
        QFETCH(bool, portTaken);
        QFETCH(QString, message);
        QUdpSocket taken;
        QVERIFY(taken.bind(QHostAddress::AnyIPv4, 0));
        const quint16 port = portTaken ? taken.localPort() : FreeUdpPort();
        TTestHome home;
        home.PrepareWorkFolder();
        home.WriteSettings({QStringLiteral("Grid=FN31PR"), QStringLiteral("WSJTXPort=%1").arg(port),
                            QStringLiteral("WSJTXGroup=") + group});
        TScriptedPrompts prompts;
        TfrmMain window(prompts);
        prompts.AnswerMessage(MsgButton::OK);
        window.findChild<QAction*>(QStringLiteral("mnuWSJTX"))->trigger();
        QCOMPARE(prompts.Messages(), QStringList{message});
        QVERIFY(!window.WSJTXEnable());
        QVERIFY(!window.findChild<QAction*>(QStringLiteral("mnuWSJTX"))->isChecked());
        QVERIFY(window.findChild<QLabel*>(QStringLiteral("lblWSJTXRunning"))->isHidden());
    }
};

VANTREL_TEST(TestWsjtx)
#include "tst_Wsjtx.moc"
