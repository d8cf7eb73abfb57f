#include "app/AppFixture.h"
#include "common/TestRegistry.h"
#include "feeds/FeedFixtures.h"

#include "feeds/TFeedQueue.h"
#include "feeds/TLoggingServer.h"
#include "feeds/TWsjtxListener.h"
#include "feeds/WsjtxMessage.h"

#include <QAction>
#include <QCheckBox>
#include <QEventLoop>
#include <QLabel>
#include <QNetworkInterface>
#include <QSqlQuery>
#include <QTimer>
#include <QToolButton>
#include <QUdpSocket>

namespace {

quint16 FreeUdpPort()
{
    QUdpSocket socket;
    socket.bind(QHostAddress::LocalHost, 0);
    return socket.localPort();
}

// A message as WSJT-X's NetworkMessage writes it, byte by byte: a QDataStream in big-endian order of the
// magic number 0xadbccbda, the schema, the type and the sender's id, then the body. Texts are UTF-8 byte
// arrays with their length in front; a date and time is the Julian day (qint64), the milliseconds since
// midnight (quint32) and the kind of time (quint8, 1 for UTC).
class TWire
{
public:
    TWire(quint32 schema, quint32 type, const QByteArray& id = "WSJT-X")
    {
        U32(0xadbccbda).U32(schema).U32(type).Utf8(id);
    }
    TWire& U8(quint8 v) { return Put(v, 1); }
    TWire& U32(quint32 v) { return Put(v, 4); }
    TWire& U64(quint64 v) { return Put(v, 8); }
    TWire& Bool(bool v) { return U8(v ? 1 : 0); }
    TWire& Utf8(const QByteArray& text)
    {
        U32(quint32(text.size()));
        bytes += text;
        return *this;
    }
    TWire& DateTime(const QDateTime& utc)
    {
        return U64(quint64(utc.date().toJulianDay())).U32(quint32(utc.time().msecsSinceStartOfDay())).U8(1);
    }
    QByteArray bytes;

private:
    TWire& Put(quint64 v, int size)
    {
        for (int i = size - 1; i >= 0; --i) {
            bytes += char((v >> (8 * i)) & 0xff);
        }
        return *this;
    }
};

QByteArray Heartbeat(qsizetype padding = 0)
{
    // A padded revision text makes the large heartbeats of a misbehaving sender.
    return TWire(3, 0).U32(3).Utf8("2.6.1").Utf8(QByteArray("d2a6e5") + QByteArray(padding, 'x')).bytes;
}

QByteArray Status()
{
    return TWire(3, 1)
        .U64(28074000)
        .Utf8("FT8")
        .Utf8("K1ABC")
        .Utf8("-10")
        .Utf8("FT8")
        .Bool(true)
        .Bool(false)
        .Bool(true)
        .U32(1200)
        .U32(1500)
        .Utf8("W7VNT")
        .Utf8("CN85")
        .Utf8("FN42")
        .Bool(false)
        .Utf8("")
        .Bool(false)
        .U8(0)
        .U32(20)
        .U32(15)
        .Utf8("Default")
        .Utf8("K1ABC W7VNT CN85")
        .bytes;
}

// "QSO Logged" (type 5) of WSJT-X 2.6: the contact's fields, times in UTC.
QByteArray QsoLogged(quint32 schema, const QByteArray& call, const QByteArray& mode, const QByteArray& name,
                     const QDateTime& on)
{
    return TWire(schema, 5)
        .DateTime(on.addSecs(60))
        .Utf8(call)
        .Utf8("FN42")
        .U64(28075500)
        .Utf8(mode)
        .Utf8("-10")
        .Utf8("-15")
        .Utf8("100")
        .Utf8("tnx QSO")
        .Utf8(name)
        .DateTime(on)
        .Utf8("W7VNT")
        .Utf8("W7VNT")
        .Utf8("CN85")
        .Utf8("")
        .Utf8("")
        .Utf8("")
        .bytes;
}

// "Logged ADIF" (type 12): the contact as an ADIF file of one record.
QByteArray LoggedAdif(const QByteArray& record)
{
    return TWire(3, 12).Utf8(QByteArray("\n<adif_ver:5>3.1.0\n<programid:6>WSJT-X\n<EOH>\n") + record).bytes;
}

// The two messages WSJT-X 2.6 sends, microseconds apart, when the operator logs a contact: "QSO Logged"
// and "Logged ADIF" with the record as WSJT-X writes it (FT4 as MFSK with its submode, UTF-8 byte counts).
QList<QByteArray> LoggedPair(const QByteArray& call, const QByteArray& mode, const QByteArray& name,
                             const QDateTime& on)
{
    const auto field = [](const char* tag, const QByteArray& value) {
        return QByteArray(" <") + tag + ':' + QByteArray::number(value.size()) + '>' + value;
    };
    const bool mfsk = mode == "FT4" || mode == "FST4" || mode == "Q65";
    QByteArray record = "<call:" + QByteArray::number(call.size()) + '>' + call + field("gridsquare", "FN42");
    record += mfsk ? QByteArray(" <mode:4>MFSK") + field("submode", mode) : field("mode", mode);
    record += field("rst_sent", "-10") + field("rst_rcvd", "-15") +
              field("qso_date", on.date().toString(QStringLiteral("yyyyMMdd")).toLatin1()) +
              field("time_on", on.time().toString(QStringLiteral("hhmmss")).toLatin1()) +
              field("qso_date_off", on.addSecs(60).date().toString(QStringLiteral("yyyyMMdd")).toLatin1()) +
              field("time_off", on.addSecs(60).time().toString(QStringLiteral("hhmmss")).toLatin1()) +
              field("band", "10m") + field("freq", "28.0755") + field("station_callsign", "W7VNT") +
              field("my_gridsquare", "CN85") + field("tx_pwr", "100") + field("comment", "tnx QSO");
    if (!name.isEmpty()) {
        record += field("name", name);
    }
    record += field("operator", "W7VNT") + " <EOR>";
    return {QsoLogged(3, call, mode, name, on), LoggedAdif(record)};
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

// Creates the log W7VNT_<year>_<event> with the setup dialog and makes it current.
void NewDigitalLog(TfrmMain& window, const QString& event = QStringLiteral("Winter Digital"),
                   int lookupType = LookupTypes::None)
{
    TAppFixture::OnNextModal([event, lookupType](QDialog* d) {
        d->findChild<QComboBox*>(QStringLiteral("cboContest"))->setEditText(event);
        d->findChild<QComboBox*>(QStringLiteral("cboLookDB"))->setCurrentIndex(lookupType);
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

// A main window with a digital log open and the WSJT-X listener on a port of its own.
struct TWsjtxFixture
{
    quint16 port = FreeUdpPort();
    TTestHome home;
    TScriptedPrompts prompts;
    std::unique_ptr<TfrmMain> window;
    QUdpSocket sender;

    explicit TWsjtxFixture(const QStringList& settings = {},
                           const QString& event = QStringLiteral("Winter Digital"),
                           int lookupType = LookupTypes::None)
    {
        home.PrepareWorkFolder();
        home.WriteSettings(
            QStringList{QStringLiteral("Grid=FN31PR"), QStringLiteral("WSJTXPort=%1").arg(port)} + settings);
        window = std::make_unique<TfrmMain>(prompts);
        NewDigitalLog(*window, event, lookupType);
        window->StationLinks().SetWSJTXEnable(true);
    }

    // Sends datagrams as WSJT-X sends them (one socket) and waits until the window has handled them.
    void Send(const QList<QByteArray>& datagrams,
              const QHostAddress& to = QHostAddress(QHostAddress::LocalHost))
    {
        const qint64 before = window->StationLinks().WSJTXListener().Received();
        for (const QByteArray& datagram : datagrams) {
            QCOMPARE(sender.writeDatagram(datagram, to, port), datagram.size());
        }
        QTRY_COMPARE(window->StationLinks().WSJTXListener().Received(), before + datagrams.size());
        QTRY_VERIFY(window->StationLinks().FeedQueue().IsIdle());
    }
};

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
        QTest::newRow("schema 4") << TWire(4, 0).bytes << false << quint32(0) << QByteArray();
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

    // Unicast on the loopback interface, as WSJT-X 2.6 sends: every contact comes as a pair, "QSO Logged"
    // and "Logged ADIF", among heartbeats and status messages. Each contact is logged once, quietly,
    // scored under the duplicate rule, its time as hours and minutes.
    void PairsLoggedOnce()
    {
        TWsjtxFixture f;
        auto* label = f.window->findChild<QLabel*>(QStringLiteral("lblWSJTXRunning"));
        QVERIFY(f.window->findChild<QAction*>(QStringLiteral("mnuWSJTX"))->isChecked());
        QVERIFY(!label->isHidden());
        QCOMPARE(label->text(), QStringLiteral("WSJT-X - %1").arg(f.port));

        QList<QByteArray> datagrams{Heartbeat(), Status()};
        datagrams << LoggedPair("K1ABC", "FT8", "Bob", kOn) << Status()
                  << LoggedPair("DL1ABC", "FT4", "Jürgen", kOn.addSecs(300)) << Heartbeat()
                  << LoggedPair("JA1XY", "FT8", "", kOn.addSecs(600));
        f.Send(datagrams);
        QCOMPARE(f.window->StationLinks().WSJTXListener().Contacts(), qint64(3));
        QCOMPARE(f.window->StationLinks().WSJTXListener().Echoes(), qint64(3));
        QCOMPARE(Rows(*f.window), (QStringList{"K1ABC|2024-02-03|12:00|FT8|Bob|tnx QSO|1",
                                               "DL1ABC|2024-02-03|12:05|FT4|Jürgen|tnx QSO|1",
                                               "JA1XY|2024-02-03|12:10|FT8||tnx QSO|1"}));
        QCOMPARE(f.prompts.Messages(), QStringList{});
        QCOMPARE(f.window->StationLinksRoom().FeedNote(), QString());
        QCOMPARE(f.window->ctx_without(), 3);
        QCOMPARE(f.window->totalpoints(), 3);

        f.window->findChild<QAction*>(QStringLiteral("mnuWSJTX"))->trigger();
        QVERIFY(!f.window->StationLinks().WSJTXEnable());
        QVERIFY(label->isHidden());
        QVERIFY(!f.window->StationLinks().WSJTXListener().IsOpen());
    }

    // A contact that really is a duplicate, or cannot be logged, is noted in the status bar, never in a
    // box, and the contacts after it are logged at once. Only the second report of a pair is quiet: the
    // same contact reported again is a duplicate, and so is a report of the same type twice.
    void ProblemsNotedWithoutABox()
    {
        TWsjtxFixture f;
        const QString dupe = QStringLiteral("K1ABC, logged in WSJT-X, is a duplicate in this log and was not "
                                            "logged here.");
        f.Send(LoggedPair("K1ABC", "FT8", "Bob", kOn));
        QCOMPARE(f.window->StationLinksRoom().FeedNote(), QString());
        // Logged again in WSJT-X a minute later, then a new station.
        f.Send(LoggedPair("K1ABC", "FT8", "Bob", kOn.addSecs(60)) +
               LoggedPair("W1AW", "FT8", "", kOn.addSecs(120)));
        QCOMPARE(f.window->StationLinksRoom().FeedNote(), dupe);
        QCOMPARE(f.window->StationLinksRoom().FeedProblems().size(), 1);
        // The same message twice is no pair: the second is a duplicate of its own.
        const QByteArray again = QsoLogged(3, "W1AW", "FT8", "", kOn.addSecs(120));
        f.Send({again});
        QCOMPARE(f.window->StationLinksRoom().FeedProblems().size(), 2);
        QVERIFY(f.window->StationLinksRoom().FeedProblems().last().endsWith(
            QStringLiteral("W1AW, logged in WSJT-X, is a duplicate "
                           "in this log and was not logged here.")));
        // A record WSJT-X cannot have meant: no date.
        f.Send({LoggedAdif("<call:5>N0BAD <mode:3>FT8 <time_on:6>121500 <EOR>")});
        QVERIFY(f.window->StationLinksRoom().FeedProblems().last().endsWith(
            QStringLiteral("The contact logged in WSJT-X could not be logged here: no QSO_DATE field")));
        f.Send(LoggedPair("N0NEW", "FT8", "", kOn.addSecs(180)));
        QStringList calls;
        for (const QString& row : Rows(*f.window)) {
            calls << row.section(QLatin1Char('|'), 0, 0);
        }
        QCOMPARE(calls, (QStringList{"K1ABC", "W1AW", "N0NEW"}));
        QCOMPARE(f.prompts.Messages(), QStringList{});
        // A click puts the note away.
        auto* note = f.window->findChild<QToolButton*>(QStringLiteral("lblFeedStatus"));
        note->click();
        QCOMPARE(f.window->StationLinksRoom().FeedNote(), QString());
    }

    // With lookup on, a contact WSJT-X logged gets what this computer's data knows of the call, as a
    // typed call would, before it is scored: the roster numbers, the licence's name, state and county, the
    // country of a DX call's prefix. What WSJT-X sent stays.
    void FilledFromLocalData()
    {
        TWsjtxFixture f({}, QStringLiteral("Open Season"), LookupTypes::FCCLookup);
        FeedFixtures::WriteLicenceFolder(f.home.Root() + QStringLiteral("/FCCLookup"));
        f.window->Settings().SaveSetting(SettingKeys::FCCPath, f.home.Root() + QStringLiteral("/FCCLookup"));
        FeedFixtures::AddRosterMembers(f.window->DM());
        f.Send(LoggedPair("N0OFF", "FT8", "", kOn));
        f.window->findChild<QCheckBox*>(QStringLiteral("cbLookup"))->setChecked(true);
        f.Send(LoggedPair("K1ABC", "FT8", "", kOn.addSecs(60)) +
               LoggedPair("DL1ABC", "FT8", "Hans", kOn.addSecs(120)) +
               LoggedPair("W7NEW", "FT8", "", kOn.addSecs(180)));
        QSqlQuery q(f.window->DM().condb());
        q.exec(QStringLiteral("select _call||'|'||_name||'|'||_tenten||'|'||_vp||'|'||_epc||'|'||_p070||'|'||"
                              "_qth||'|'||_uscounty||'|'||_dxcc||'|'||_points from \"%1\" order by pkey")
                   .arg(f.window->Mysettings().TableName));
        QStringList rows;
        while (q.next()) {
            rows << q.value(0).toString();
        }
        QCOMPARE(rows, (QStringList{"N0OFF||||||||0|1", "K1ABC|Jane|12345|77|601|701|CT|Hartford|0|4",
                                    "DL1ABC|Hans|4321||||Germany||230|2", "W7NEW|Pat|||||AZ|Pima|0|1"}));
        QCOMPARE(f.window->ctx_with(), 2);
        QCOMPARE(f.window->ctx_epc(), 1);
        QCOMPARE(f.window->totalpoints(), 8);
        QCOMPARE(f.window->StationLinksRoom().FeedNote(), QString());
    }

    // The listener takes contacts from the programs of this computer only, unless the settings open it to
    // the network (WSJTXAllAddresses); a multicast group is joined on every interface either way.
    void LoopbackUnlessOpened()
    {
        QHostAddress lan;
        for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
            if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback()) {
                lan = address;
            }
        }
        {
            TWsjtxFixture f;
            QCOMPARE(f.window->StationLinks().WSJTXListener().LocalAddress(),
                     QHostAddress(QHostAddress::LocalHost));
            if (!lan.isNull()) {
                f.sender.writeDatagram(LoggedPair("K1LAN", "FT8", "", kOn).first(), lan, f.port);
                f.Send(LoggedPair("K1ABC", "FT8", "", kOn));
                QCOMPARE(Rows(*f.window).size(), 1);
            }
        }
        TWsjtxFixture f({QStringLiteral("WSJTXAllAddresses=1")});
        QCOMPARE(f.window->StationLinks().WSJTXListener().LocalAddress(),
                 QHostAddress(QHostAddress::AnyIPv4));
        if (!lan.isNull()) {
            f.Send(LoggedPair("K1LAN", "FT8", "", kOn), lan);
            QCOMPARE(Rows(*f.window).size(), 1);
        }
    }

    // While a contact waits (the queue held, as while an FLdigi file is handled), a flood of large
    // heartbeats takes no memory: only contacts are kept, and the contact is logged once the queue goes on.
    void HeartbeatFloodWhilePending()
    {
        TWsjtxFixture f;
        f.window->StationLinks().FeedQueue().SetHeld(true);
        const QList<QByteArray> pair = LoggedPair("K1ABC", "FT8", "", kOn);
        for (const QByteArray& datagram : pair) {
            f.sender.writeDatagram(datagram, QHostAddress::LocalHost, f.port);
        }
        QTRY_COMPARE(f.window->StationLinks().WSJTXListener().Received(), qint64(2));
        const QByteArray big = Heartbeat(60 * 1024);
        // 1,000 heartbeats of 60 kB: 60 MB, were they kept.
        qsizetype largest = 0;
        for (int burst = 1; burst <= 50; ++burst) {
            for (int i = 0; i < 20; ++i) {
                QCOMPARE(f.sender.writeDatagram(big, QHostAddress::LocalHost, f.port), big.size());
            }
            QTRY_COMPARE(f.window->StationLinks().WSJTXListener().Received(), qint64(2 + 20 * burst));
            largest = qMax(largest, f.window->StationLinks().FeedQueue().Bytes());
        }
        QCOMPARE(f.window->StationLinks().FeedQueue().Size(), qsizetype(1));
        QVERIFY2(largest < 4096, qPrintable(QString::number(largest)));
        QCOMPARE(Rows(*f.window), QStringList{});
        f.window->StationLinks().FeedQueue().SetHeld(false);
        f.Send(LoggedPair("W1AW", "FT8", "", kOn.addSecs(60)));
        QCOMPARE(Rows(*f.window).size(), 2);
        QCOMPARE(f.window->StationLinks().FeedQueue().DroppedContacts(), qint64(0));
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
        window.StationLinks().SetServerEnable(true);
        window.StationLinks().SetWSJTXEnable(true);
        TLoggingServer& server = window.StationLinks().Server();

        QUdpSocket sender;
        auto toServer = [&](const QByteArray& text) {
            sender.writeDatagram(text, QHostAddress::LocalHost, serverPort);
        };
        window.StationLinks().FeedQueue().SetHeld(true);
        toServer("UPDATE:K1ABC,Bob,1234,,SSB,,,United States,MA,Suffolk");
        toServer("LOG");
        QTRY_COMPARE(server.Received(), qint64(2));
        sender.writeDatagram(QsoLogged(3, "JA1XY", "FT8", "Taro", kOn), QHostAddress::LocalHost, wsjtxPort);
        QTRY_COMPARE(window.StationLinks().WSJTXListener().Received(), qint64(1));
        toServer("UPDATE:W2XYZ,Al,,,CW,,,United States,NY,Kings");
        toServer("LOG");
        QTRY_COMPARE(server.Received(), qint64(4));
        QTest::qWait(50);
        QCOMPARE(Rows(window), QStringList{});

        window.StationLinks().FeedQueue().SetHeld(false);
        QTRY_COMPARE(Rows(window).size(), 3);
        QTRY_VERIFY(window.StationLinks().FeedQueue().IsIdle());
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
        // A stored group that is none is refused with its key and the settings file before any socket.
        QTest::newRow("no multicast address")
            << "10.0.0.1" << false << "WSJTXGroup=10.0.0.1 in %1: \"10.0.0.1\" is no IPv4 multicast group";
        QTest::newRow("no address at all")
            << "wsjtx" << false << "WSJTXGroup=wsjtx in %1: \"wsjtx\" is no IPv4 multicast group";
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
        QCOMPARE(prompts.Messages().size(), 1);
        const QString expected =
            message.contains(QStringLiteral("%1")) ? message.arg(window.Settings().Path()) : message;
        QVERIFY2(prompts.Messages()[0].startsWith(expected), qPrintable(prompts.Messages()[0]));
        QVERIFY(!window.StationLinks().WSJTXEnable());
        QVERIFY(!window.findChild<QAction*>(QStringLiteral("mnuWSJTX"))->isChecked());
        QVERIFY(window.findChild<QLabel*>(QStringLiteral("lblWSJTXRunning"))->isHidden());
    }
};

VANTREL_TEST(TestWsjtx)
#include "tst_Wsjtx.moc"
