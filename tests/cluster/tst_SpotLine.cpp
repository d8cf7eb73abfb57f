#include "common/TestRegistry.h"

#include "cluster/SpotLine.h"
#include "data/Errors.h"

#include <QTest>

// The spot lines of DX clusters and the skimmer network as they send them, the spot command and the
// frequency the operator types for a spot.
class TestSpotLine : public QObject
{
    Q_OBJECT

private slots:
    void Parse_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("spot");
        QTest::addColumn<QString>("spotter");
        QTest::addColumn<qint64>("hertz");
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("comment");
        QTest::addColumn<QString>("time"); // hh:mm, empty for none
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("locator");

        QTest::newRow("cluster, bells at the end")
            << QByteArray("DX de W3LPL:     28025.0  K1ABC        CW 599 tnx                     1234Z\a\a")
            << true << "W3LPL" << qint64(28025000) << "K1ABC"
            << "CW 599 tnx"
            << "12:34"
            << "CW"
            << "";
        QTest::newRow("cluster with the spotter's grid")
            << QByteArray("DX de EA5WU:     28495.0  JA1XYZ       big signal USB                 0715Z IM98")
            << true << "EA5WU" << qint64(28495000) << "JA1XYZ"
            << "big signal USB"
            << "07:15"
            << "SSB"
            << "IM98";
        QTest::newRow("long spotter glued to the frequency")
            << QByteArray("DX de VE7CC-2:28074.0  VK2ABC/P     FT8 -12dB                      2359Z") << true
            << "VE7CC-2" << qint64(28074000) << "VK2ABC/P"
            << "FT8 -12dB"
            << "23:59"
            << "FT8"
            << "";
        QTest::newRow("lower case, no comment, no time")
            << QByteArray("DX de g4abc:  29600.0  k1abc") << true << "G4ABC" << qint64(29600000) << "K1ABC"
            << ""
            << ""
            << ""
            << "";
        QTest::newRow("20 m: parsed, kept out by the band filter")
            << QByteArray("DX de W3LPL:     14025.0  K1ABC        CW                             1234Z")
            << true << "W3LPL" << qint64(14025000) << "K1ABC"
            << "CW"
            << "12:34"
            << "CW"
            << "";
        QTest::newRow("comment with markup stays text")
            << QByteArray("DX de W3LPL:     28400.0  K1ABC        <b>QSL</b> via \x1b[1mbureau   1234Z")
            << true << "W3LPL" << qint64(28400000) << "K1ABC"
            << "<b>QSL</b> via [1mbureau"
            << "12:34"
            << ""
            << "";
        QTest::newRow("announcement")
            << QByteArray("To ALL de K1ABC: 28.400 is busy") << false << "" << qint64(0) << ""
            << ""
            << ""
            << ""
            << "";
        QTest::newRow("WWV") << QByteArray("WWV de W0MU <18>:   SFI=70, A=4, K=1, No Storms -> No Storms")
                             << false << "" << qint64(0) << ""
                             << ""
                             << ""
                             << ""
                             << "";
        QTest::newRow("prompt") << QByteArray("K1ABC de GB7DJK 22-Jan-2024 1234Z dxspider >") << false << ""
                                << qint64(0) << ""
                                << ""
                                << ""
                                << ""
                                << "";
        QTest::newRow("no frequency")
            << QByteArray("DX de W3LPL:  K1ABC  CW  1234Z") << false << "" << qint64(0) << ""
            << ""
            << ""
            << ""
            << "";
        QTest::newRow("no call sign") << QByteArray("DX de W3LPL:  28025.0") << false << "" << qint64(0) << ""
                                      << ""
                                      << ""
                                      << ""
                                      << "";
        QTest::newRow("call sign without a digit")
            << QByteArray("DX de W3LPL:  28025.0  HELLO  hi  1234Z") << false << "" << qint64(0) << ""
            << ""
            << ""
            << ""
            << "";
        QTest::newRow("frequency of a thousand digits")
            << QByteArray("DX de W3LPL: ") + QByteArray(1000, '9') + " K1ABC" << false << "" << qint64(0)
            << ""
            << ""
            << ""
            << ""
            << "";
        QTest::newRow("2 kB line with a spot in it")
            << QByteArray("DX de W3LPL:     28025.0  K1ABC        ") + QByteArray(2048, 'x') + "  1234Z"
            << false << "" << qint64(0) << ""
            << ""
            << ""
            << ""
            << "";
        QTest::newRow("time that is none") << QByteArray("DX de W3LPL:  28025.0  K1ABC  CW  2599Z") << true
                                           << "W3LPL" << qint64(28025000) << "K1ABC"
                                           << "CW"
                                           << ""
                                           << "CW"
                                           << "";
    }
    void Parse()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, spot);
        const std::optional<TSpot> parsed = ParseSpotLine(line);
        QCOMPARE(parsed.has_value(), spot);
        if (!spot) {
            return;
        }
        QFETCH(QString, spotter);
        QFETCH(qint64, hertz);
        QFETCH(QString, call);
        QFETCH(QString, comment);
        QFETCH(QString, time);
        QFETCH(QString, mode);
        QFETCH(QString, locator);
        QCOMPARE(parsed->spotter, spotter);
        QCOMPARE(parsed->hertz, hertz);
        QCOMPARE(parsed->call, call);
        QCOMPARE(parsed->comment, comment);
        QCOMPARE(parsed->time.isValid() ? parsed->time.toString(QStringLiteral("HH:mm")) : QString(), time);
        QCOMPARE(parsed->mode, mode);
        QCOMPARE(parsed->locator, locator);
        QVERIFY(!parsed->skimmer);
    }

    // The skimmer network's form: spotter ending "-#", then mode, dB, speed and what the station sends.
    void Skimmer_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<qint64>("hertz");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("snr");
        QTest::addColumn<int>("speed"); // -1: none
        QTest::addColumn<bool>("cq");
        QTest::newRow("CW CQ")
            << QByteArray("DX de KM3T-#:    28022.5  K1ABC          CW    14 dB  22 WPM  CQ      1807Z")
            << qint64(28022500) << "CW" << 14 << 22 << true;
        QTest::newRow("RTTY")
            << QByteArray("DX de W3OA-#:     28085.0  K1ABC          RTTY  21 dB  45 BPS  CQ      1807Z")
            << qint64(28085000) << "RTTY" << 21 << 45 << true;
        QTest::newRow("beacon, negative dB")
            << QByteArray("DX de DK9IP-#:    28200.1  4U1UN/B        CW    -3 dB  22 WPM  NCDXF B 1807Z")
            << qint64(28200100) << "CW" << -3 << 22 << false;
        QTest::newRow("FT8 without speed")
            << QByteArray("DX de KM3T-#:    28074.0  K1ABC          FT8   -12 dB         CQ      1807Z")
            << qint64(28074000) << "FT8" << -12 << -1 << true;
    }
    void Skimmer()
    {
        QFETCH(QByteArray, line);
        QFETCH(qint64, hertz);
        QFETCH(QString, mode);
        QFETCH(int, snr);
        QFETCH(int, speed);
        QFETCH(bool, cq);
        const std::optional<TSpot> spot = ParseSpotLine(line);
        QVERIFY(spot);
        QVERIFY(spot->skimmer);
        QCOMPARE(spot->hertz, hertz);
        QCOMPARE(spot->mode, mode);
        QCOMPARE(spot->snr.value_or(999), snr);
        QCOMPARE(spot->speed.value_or(-1), speed);
        QCOMPARE(spot->cq, cq);
        QCOMPARE(spot->time, QTime(18, 7));
    }

    void Command_data()
    {
        QTest::addColumn<qint64>("hertz");
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("comment");
        QTest::addColumn<QByteArray>("command"); // empty: refused
        QTest::newRow("plain") << qint64(28025000) << "k1abc"
                               << "CW 599" << QByteArray("DX 28025.0 K1ABC CW 599\r\n");
        QTest::newRow("no comment") << qint64(28400500) << "W1AW/M"
                                    << "" << QByteArray("DX 28400.5 W1AW/M\r\n");
        QTest::newRow("a second command in the comment")
            << qint64(28025000) << "K1ABC"
            << "tnx\r\nset/password x\n"
            << QByteArray("DX 28025.0 K1ABC tnx set/password x\r\n");
        QTest::newRow("no call sign") << qint64(28025000) << "CQ"
                                      << "" << QByteArray();
        QTest::newRow("call with a blank") << qint64(28025000) << "K1ABC X"
                                           << "" << QByteArray();
        QTest::newRow("20 m") << qint64(14025000) << "K1ABC"
                              << "" << QByteArray();
    }
    void Command()
    {
        QFETCH(qint64, hertz);
        QFETCH(QString, call);
        QFETCH(QString, comment);
        QFETCH(QByteArray, command);
        if (command.isEmpty()) {
            QVERIFY_THROWS_EXCEPTION(EVantrel, SpotCommand(hertz, call, comment));
        } else {
            QCOMPARE(SpotCommand(hertz, call, comment), command);
        }
    }

    void TypedFrequency_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("hertz"); // 0: refused
        QTest::newRow("kHz") << "28025.5" << qint64(28025500);
        QTest::newRow("MHz") << "28.0255" << qint64(28025500);
        QTest::newRow("comma") << "28,4" << qint64(28400000);
        QTest::newRow("band top") << "29700" << qint64(29700000);
        QTest::newRow("20 m") << "14025" << qint64(0);
        QTest::newRow("text") << "abc" << qint64(0);
        QTest::newRow("empty") << "" << qint64(0);
        QTest::newRow("huge") << "999999999999999999" << qint64(0);
    }
    void TypedFrequency()
    {
        QFETCH(QString, text);
        QFETCH(qint64, hertz);
        QCOMPARE(ParseSpotFrequency(text).value_or(0), hertz);
    }
};

VANTREL_TEST(TestSpotLine)
#include "tst_SpotLine.moc"
