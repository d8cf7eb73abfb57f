#include "common/TestFiles.h"
#include "common/TestRegistry.h"
#include "data/Errors.h"
#include "data/TSettings.h"
#include "settings/StationSettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A settings file as an operator leaves it: a comment, odd spacing, keys of other programs and versions,
// lines ending in CR LF, and a second section.
const QByteArray kHandEdited = "; station computer\r\n"
                               "[Settings]\r\n"
                               "Grid=DM42PF\r\n"
                               "ServerPort = 8888\r\n"
                               "FutureKey=keep me\r\n"
                               "RigHost=127.0.0.1\r\n"
                               "[Other]\r\n"
                               "RigPort=1\r\n";

} // namespace

// The checks of the station's links and services, and how their values reach the settings file.
class TestStationChecks : public QObject
{
    Q_OBJECT

    QTemporaryDir fDir;
    QString Path() const { return fDir.filePath(QStringLiteral("Vantrel.cfg")); }

private slots:
    void init() { QFile::remove(Path()); }

    // Each value alone: empty reason when it can be used, else a reason naming what is wrong.
    void Values_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reason"); // a part of the reason; empty when the value is good

        const int port = int(TStationField::ServerPort);
        QTest::newRow("port 1") << port << "1"
                                << "";
        QTest::newRow("port 65535 with spaces") << port << " 65535 "
                                                << "";
        QTest::newRow("port 0") << port << "0"
                                << "0 is no port: ports are 1 to 65535.";
        QTest::newRow("port 70000") << port << "70000"
                                    << "70000 is no port";
        QTest::newRow("port huge") << port << "99999999999999999999"
                                   << "is no port number";
        QTest::newRow("port negative") << port << "-5"
                                       << "-5 is no port";
        QTest::newRow("port text") << port << "abc"
                                   << "\"abc\" is no port number";
        QTest::newRow("port empty") << port << ""
                                    << "Enter a port number";

        const int host = int(TStationField::RigHost);
        QTest::newRow("host address") << host << "192.168.1.20"
                                      << "";
        QTest::newRow("host IPv6") << host << "::1"
                                   << "";
        QTest::newRow("host name") << host << "shack-pc.local"
                                   << "";
        QTest::newRow("host name with final dot") << host << "localhost."
                                                  << "";
        QTest::newRow("host with space") << host << "shack pc"
                                         << "is no host name or address";
        QTest::newRow("host with port") << host << "127.0.0.1:4532"
                                        << "is no host name or address";
        QTest::newRow("host bad address") << host << "300.1.1.1"
                                          << "is no host name or address";
        QTest::newRow("host hyphen first") << host << "-pc"
                                           << "is no host name or address";
        QTest::newRow("host empty") << host << ""
                                    << "Enter a host name or address";

        const int group = int(TStationField::WsjtxGroup);
        QTest::newRow("group none") << group << ""
                                    << "";
        QTest::newRow("group multicast") << group << "239.255.0.1"
                                         << "";
        QTest::newRow("group lowest") << group << "224.0.0.0"
                                      << "";
        QTest::newRow("group unicast") << group << "192.168.1.1"
                                       << "is no IPv4 multicast group";
        QTest::newRow("group IPv6 multicast") << group << "ff02::1"
                                              << "is no IPv4 multicast group";
        QTest::newRow("group text") << group << "group"
                                    << "is no IPv4 multicast group";

        const int interval = int(TStationField::FldigiInterval);
        QTest::newRow("interval 500") << interval << "500"
                                      << "";
        QTest::newRow("interval 1500") << interval << "1500"
                                       << "";
        QTest::newRow("interval 0") << interval << "0"
                                    << "0 ms is outside 500 to 1500 ms.";
        QTest::newRow("interval 1501") << interval << "1501"
                                       << "outside 500 to 1500";
        QTest::newRow("interval text") << interval << "1s"
                                       << "is no number of milliseconds";

        const int file = int(TStationField::FldigiFile);
        QTest::newRow("file whole path") << file << "/home/op/.fldigi/temp/log.adif"
                                         << "";
        QTest::newRow("file relative") << file << "log.adif"
                                       << "is no whole path";
        QTest::newRow("file folder") << file << "/tmp"
                                     << "is a folder";
        QTest::newRow("file empty") << file << ""
                                    << "Enter the path";

        const int roster = int(TStationField::RosterServer);
        const int p070 = int(TStationField::P070Url);
        const int qrz = int(TStationField::QrzUrl);
        const int hamqth = int(TStationField::HamQthUrl);
        QTest::newRow("roster not set") << roster << ""
                                        << "";
        QTest::newRow("roster http") << roster << "http://roster.example.org"
                                     << "";
        QTest::newRow("roster with folder") << roster << "https://example.org/club/"
                                            << "";
        QTest::newRow("roster with query") << roster << "https://example.org/?a=1"
                                           << "Enter the server alone";
        QTest::newRow("roster ftp") << roster << "ftp://example.org"
                                    << "is no web address";
        QTest::newRow("roster no scheme") << roster << "example.org"
                                          << "is no web address";
        QTest::newRow("roster space") << roster << "https://exa mple.org"
                                      << "holds no spaces";
        QTest::newRow("roster user") << roster << "https://me:pw@example.org"
                                     << "no user name or password";
        QTest::newRow("roster bad host") << roster << "https://exa_mple.org"
                                         << "names no server";
        QTest::newRow("070 with query") << p070 << "https://example.org/d/x/gviz/tq?tqx=out:csv&sheet=M"
                                        << "";
        QTest::newRow("qrz https") << qrz << "https://xmldata.qrz.com/xml/current/"
                                   << "";
        QTest::newRow("qrz http") << qrz << "http://xmldata.qrz.com/xml/current/"
                                  << "must begin with https://";
        QTest::newRow("qrz empty") << qrz << ""
                                   << "the public one is https://xmldata.qrz.com";
        QTest::newRow("hamqth http") << hamqth << "http://www.hamqth.com/xml.php"
                                     << "must begin with https://";
        QTest::newRow("hamqth query") << hamqth << "https://www.hamqth.com/xml.php?x=1"
                                      << "takes no query";
    }
    void Values()
    {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QString, reason);
        TStationSettings values = DefaultStationSettings();
        values[TStationField(field)] = text;
        const auto reasons = CheckStationSettings(values);
        if (reason.isEmpty()) {
            QVERIFY2(reasons.isEmpty(), qPrintable(reasons.value(TStationField(field))));
        } else {
            QCOMPARE(reasons.keys(), QList<TStationField>{TStationField(field)});
            QVERIFY2(reasons.first().contains(reason), qPrintable(reasons.first()));
        }
    }

    // Two links on one port: each of them says which other link has it.
    void SharedPorts()
    {
        TStationSettings values = DefaultStationSettings();
        values[TStationField::WsjtxPort] = QStringLiteral("8888");
        auto reasons = CheckStationSettings(values);
        QCOMPARE(reasons.size(), 2);
        QCOMPARE(reasons.value(TStationField::ServerPort),
                 QStringLiteral("Port 8888 is also the port of WSJT-X: each link needs one of its own."));
        QVERIFY(reasons.value(TStationField::WsjtxPort).contains(QStringLiteral("the logging server")));

        values[TStationField::WsjtxPort] = QStringLiteral("2237");
        values[TStationField::RigPort] = QStringLiteral(" 2237");
        reasons = CheckStationSettings(values);
        QCOMPARE(reasons.keys(), (QList<TStationField>{TStationField::WsjtxPort, TStationField::RigPort}));
        QVERIFY(reasons.value(TStationField::WsjtxPort).contains(QStringLiteral("rigctld")));
    }

    // OK stores the values that changed, in one write: the other lines keep their bytes, a value left as
    // it was is not rewritten, keys of other programs stay.
    void SaveWritesChangesOnly()
    {
        QVERIFY(WriteTestFile(Path(), kHandEdited));
        TSettings settings(Path());
        TStationSettings values = ReadStationSettings(settings);
        QCOMPARE(values[TStationField::ServerPort], QStringLiteral(" 8888"));
        QCOMPARE(values[TStationField::RigPort], QStringLiteral("4532")); // the other section does not count
        values[TStationField::RigPort] = QStringLiteral("4533");
        values[TStationField::WsjtxGroup] = QStringLiteral("239.255.0.1");
        values[TStationSwitch::RigAtStart] = true;
        SaveStationSettings(settings, values);

        QCOMPARE(ReadTestFile(Path()), QByteArray("; station computer\r\n"
                                                  "[Settings]\r\n"
                                                  "Grid=DM42PF\r\n"
                                                  "ServerPort = 8888\r\n"
                                                  "FutureKey=keep me\r\n"
                                                  "RigHost=127.0.0.1\r\n"
                                                  "WSJTXGroup=239.255.0.1\r\n"
                                                  "RigPort=4533\r\n"
                                                  "RigAtStart=1\r\n"
                                                  "[Other]\r\n"
                                                  "RigPort=1\r\n"));
        QCOMPARE(ReadStationSettings(TSettings(Path())), values);

        // Nothing changed: the file is not touched at all.
        const QByteArray before = ReadTestFile(Path());
        SaveStationSettings(settings, values);
        QCOMPARE(ReadTestFile(Path()), before);
    }

    // A value that cannot be used stops the whole store; a value the file cannot take stops it before
    // any key reaches the disk.
    void SaveIsAllOrNothing()
    {
        QVERIFY(WriteTestFile(Path(), kHandEdited));
        TSettings settings(Path());
        TStationSettings values = ReadStationSettings(settings);
        values[TStationField::RigPort] = QStringLiteral("4533");
        values[TStationField::ServerPort] = QStringLiteral("70000");
        QVERIFY_THROWS_EXCEPTION(EVantrel, SaveStationSettings(settings, values));
        QCOMPARE(ReadTestFile(Path()), kHandEdited);

        QVERIFY_THROWS_EXCEPTION(EVantrel,
                                 settings.SaveSettings({{QStringLiteral("RigPort"), QStringLiteral("4533")},
                                                        {QStringLiteral("Grid"), QStringLiteral("a\nb")}}));
        QCOMPARE(ReadTestFile(Path()), kHandEdited);
        QCOMPARE(settings.GetSetting(QStringLiteral("RigPort"), -1), -1); // still missing from [Settings]
    }

    // Values written by hand that cannot be used are found at start, each with its key, value and file,
    // and keep their link off; the other links are usable.
    void HandEditedValues_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("link");
        QTest::newRow("port 0") << "ServerPort=0" << int(TLink::Server);
        QTest::newRow("port 70000") << "WSJTXPort=70000" << int(TLink::Wsjtx);
        QTest::newRow("port text") << "RigPort=abc" << int(TLink::Rig);
        QTest::newRow("interval 0") << "FldigiFileChekInterval=0" << int(TLink::Fldigi);
        QTest::newRow("group unicast") << "WSJTXGroup=10.0.0.1" << int(TLink::Wsjtx);
        QTest::newRow("QRZ over http")
            << "QRZXMLUrl=http://xmldata.qrz.com/xml/current/" << int(TLink::Lookup);
    }
    void HandEditedValues()
    {
        QFETCH(QString, line);
        QFETCH(int, link);
        QVERIFY(WriteTestFile(Path(), "[Settings]\n" + line.toUtf8() + '\n'));
        const QList<TStationProblem> problems =
            StationProblems(ReadStationSettings(TSettings(Path())), Path());
        QCOMPARE(problems.size(), 1);
        QCOMPARE(int(problems[0].link), link);
        QVERIFY2(problems[0].text.startsWith(line + QStringLiteral(" in ") + Path() + QStringLiteral(": ")),
                 qPrintable(problems[0].text));
        QVERIFY(problems[0].text.contains(QStringLiteral("Options > Station Settings")));
        for (const TLink other : kLinks) {
            QCOMPARE(LinkUsable(other, problems), int(other) != link);
        }
    }

    // The links that must start again after a change: the start switches alone restart nothing.
    void ChangedLinks_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QList<TLink>>("links");
        QTest::newRow("none") << ""
                              << "" << QList<TLink>{};
        QTest::newRow("server port") << "ServerPort"
                                     << "9999" << QList<TLink>{TLink::Server};
        QTest::newRow("group") << "WSJTXGroup"
                               << "239.0.0.1" << QList<TLink>{TLink::Wsjtx};
        QTest::newRow("all addresses") << "WSJTXAllAddresses"
                                       << "1" << QList<TLink>{TLink::Wsjtx};
        QTest::newRow("auto log") << "FLDigiAutoLog"
                                  << "1" << QList<TLink>{TLink::Fldigi};
        QTest::newRow("rig host") << "RigHost"
                                  << "rig.local" << QList<TLink>{TLink::Rig};
        QTest::newRow("rig at start") << "RigAtStart"
                                      << "1" << QList<TLink>{};
        QTest::newRow("HamQTH") << "HamQTHUrl"
                                << "https://h.example.org/xml.php" << QList<TLink>{TLink::Lookup};
    }
    void ChangedLinks()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QList<TLink>, links);
        QVERIFY(WriteTestFile(Path(), "[Settings]\n"));
        TSettings settings(Path());
        const TStationSettings before = ReadStationSettings(settings);
        if (!key.isEmpty()) {
            settings.SaveSetting(key, value);
        }
        QCOMPARE(::ChangedLinks(before, ReadStationSettings(settings)), links);
    }
};

VANTREL_TEST(TestStationChecks)
#include "tst_StationChecks.moc"
