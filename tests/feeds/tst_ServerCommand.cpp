#include "common/TestRegistry.h"
#include "feeds/ServerCommand.h"

#include <QTest>

Q_DECLARE_METATYPE(TServerCommandKind)

// Reading datagrams into commands: what is understood and what is dropped.
class TestServerCommand : public QObject
{
    Q_OBJECT

private slots:
    void Parse_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<TServerCommandKind>("kind");
        QTest::addColumn<int>("fields");
        using K = TServerCommandKind;
        QTest::newRow("UPDATE US") << QByteArray("UPDATE:W1AW,Hiram,1,2,SSB,3,4,United States,CT,Hartford")
                                   << K::Update << 10;
        QTest::newRow("UPDATE DX, eight fields")
            << QByteArray("UPDATE:G4A,Al,,,CW,,,England") << K::Update << 8;
        QTest::newRow("UPDATE US without county")
            << QByteArray("UPDATE:W1AW,Hiram,1,2,SSB,3,4,united states,CT") << K::None << 0;
        QTest::newRow("UPDATE seven fields") << QByteArray("UPDATE:G4A,Al,,,CW,,") << K::None << 0;
        QTest::newRow("UPDATE without arguments") << QByteArray("UPDATE") << K::None << 0;
        QTest::newRow("pieces after a second colon ignored")
            << QByteArray("UPDATE:G4A,Al,,,CW,,,England:more,fields") << K::Update << 8;
        QTest::newRow("LOG with arguments") << QByteArray("LOG:whatever") << K::Log << 0;
        QTest::newRow("LOG with line end") << QByteArray("LOG\r\n") << K::None << 0;
        QTest::newRow("log lower case") << QByteArray("log") << K::None << 0;
        QTest::newRow("CLEAR") << QByteArray("CLEAR") << K::Clear << 0;
        QTest::newRow("FIELD CALL") << QByteArray("FIELD:CALL,W1AW") << K::Field << 2;
        QTest::newRow("FIELD without value") << QByteArray("FIELD:CALL") << K::None << 0;
        QTest::newRow("FIELD without colon") << QByteArray("FIELD") << K::None << 0;
        QTest::newRow("FIELD QTH upper case") << QByteArray("FIELD:QTH,England") << K::None << 0;
        QTest::newRow("FIELD unknown key") << QByteArray("FIELD:GRID,FN31") << K::None << 0;
        QTest::newRow("FIELD qth US without state") << QByteArray("FIELD:qth,United States") << K::None << 0;
        QTest::newRow("FIELD qth US with state") << QByteArray("FIELD:qth,United States,AZ") << K::Field << 3;
        QTest::newRow("empty") << QByteArray() << K::None << 0;
        QTest::newRow("binary") << QByteArray("\xff\xfe\x00UPDATE:", 10) << K::None << 0;
        QTest::newRow("over 64 KB") << QByteArray("FIELD:NAME,") + QByteArray(kMaxDatagramSize, 'x')
                                    << K::None << 0;
    }

    void Parse()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(TServerCommandKind, kind);
        QFETCH(int, fields);
        const TServerCommand command = ParseDatagram(datagram);
        QCOMPARE(command.kind, kind);
        if (kind != TServerCommandKind::Log && kind != TServerCommandKind::Clear) {
            QCOMPARE(command.fields.size(), fields);
        }
    }
};

VANTREL_TEST(TestServerCommand)
#include "tst_ServerCommand.moc"
