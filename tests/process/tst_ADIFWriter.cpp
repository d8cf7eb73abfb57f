#include "common/TTestHome.h"
#include "common/TestRegistry.h"

#include "data/MyFunc.h"
#include "data/TDM.h"
#include "process/ADIFWriter.h"
#include "process/TTextCursor.h"

#include <QTest>

Q_DECLARE_METATYPE(TLogRow)

// ADIF records of single log rows, with the DXCC numbers from the shipped country table.
class TestADIFWriter : public QObject
{
    Q_OBJECT

private:
    QString Record(const TLogRow& row, bool comments)
    {
        return ADIFRecord(row, comments,
                          [this](const QString& country) { return GetDXCCText(fDM, country); });
    }

    // A full row of the log table with the values that matter for a case; the rest empty.
    static TLogRow Row(const QString& call, const QString& mode, const QString& qth, const QString& tenten,
                       const QString& vp = {}, const QString& epc = {}, const QString& p070 = {},
                       const QString& name = QStringLiteral("Bob"), const QString& uscounty = {})
    {
        return TLogRow{{"_date", "2024-02-03"}, {"_time", "17:05"},    {"_call", call},
                       {"_tenten", tenten},     {"_vp", vp},           {"_epc", epc},
                       {"_p070", p070},         {"_mode", mode},       {"_name", name},
                       {"_qth", qth},           {"_mycounty", ""},     {"_uscounty", uscounty},
                       {"_points", "2"},        {"pkey", "1"},         {"_mobile", ""},
                       {"_dxcc", "291"},        {"_comment", ""},      {"submit_bar", "0"},
                       {"submit_digital", "0"}, {"submit_county", "0"}};
    }

    TTestHome fHome;
    TDM fDM;

private slots:
    void initTestCase()
    {
        fHome.PrepareWorkFolder();
        fDM.OpenConfig(fHome.Work() + QStringLiteral("config.db"));
    }

    void Record_data()
    {
        QTest::addColumn<TLogRow>("row");
        QTest::addColumn<bool>("comments");
        QTest::addColumn<QString>("record");

        const QString start = QStringLiteral("<qso_date:8:d>20240203 <time_on:4>1705 ");
        QTest::newRow("phone, state, Ten-Ten and EPC, comments on")
            << Row("K1ABC", "SSB", "MA", "12345", "", "1234") << true
            << start + "<call:5>K1ABC <name:3>Bob <mode:3>SSB <rst_rcvd:2>59<rst_sent:2>59<band:3>10M"
                       " <state:2>MA <dxcc:3>291<ten_ten:5>12345 <epc:4>1234<SRX_STRING:12>12345-1234-0"
                       " <comment:8>EPC:1234<eor>";
        QTest::newRow("CW in a listed country, comments off")
            << Row("G3XYZ", "CW", "England", "678") << false
            << start + "<call:5>G3XYZ <name:3>Bob <mode:2>CW <rst_rcvd:3>599<rst_sent:3>599<band:3>10M"
                       "<dxcc:3>223<ten_ten:3>678<SRX_STRING:7>678-0-0<eor>";
        QTest::newRow("country not in the table")
            << Row("S1A", "FT8", "Sealand", "123456") << false
            << start + "<call:3>S1A <name:3>Bob <mode:3>FT8 <rst_rcvd:3>599<rst_sent:3>599<band:3>10M"
                       "<dxcc:0><ten_ten:6>123456<SRX_STRING:10>123456-0-0<eor>";
        QTest::newRow("empty qth is a state of length 0 in the US")
            << Row("KP/W3", "", "", "") << false
            << start + "<call:5>KP/W3 <name:3>Bob <mode:0> <rst_rcvd:3>599<rst_sent:3>599<band:3>10M"
                       " <state:0> <dxcc:3>291<ten_ten:1>0<SRX_STRING:5>0-0-0<eor>";
        QTest::newRow("comments on without club numbers")
            << Row("K1ABC", "RTTY", "MA", "") << true
            << start + "<call:5>K1ABC <name:3>Bob <mode:4>RTTY <rst_rcvd:3>599<rst_sent:3>599<band:3>10M"
                       " <state:2>MA <dxcc:3>291<ten_ten:1>0<SRX_STRING:5>0-0-0 <comment:0><eor>";
        QTest::newRow("VP, EPC and 070, comments on")
            << Row("VE3ABC", "FM", "Canada", "4444", "77", "5555", "12345") << true
            << start + "<call:6>VE3ABC <name:3>Bob <mode:2>FM <rst_rcvd:2>59<rst_sent:2>59<band:3>10M"
                       "<dxcc:1>1<ten_ten:4>4444 <vp:2>77 <epc:4>5555 <p070:5>12345"
                       "<SRX_STRING:15>4444-5555-12345 <comment:24>VP:77 EPC:5555 070:12345<eor>";
        QTest::newRow("VP, EPC and 070, comments off")
            << Row("VE3ABC", "AM", "Canada", "4444", "77", "5555", "12345") << false
            << start + "<call:6>VE3ABC <name:3>Bob <mode:2>AM <rst_rcvd:2>59<rst_sent:2>59<band:3>10M"
                       "<dxcc:1>1<ten_ten:4>4444 <vp:2>77 <epc:4>5555 <p070:5>12345"
                       "<SRX_STRING:15>4444-5555-12345<eor>";
        QTest::newRow("070 alone keeps EPC at 0")
            << Row("DL1ABC", "RTTY", "Germany", "", "", "", "456") << true
            << start + "<call:6>DL1ABC <name:3>Bob <mode:4>RTTY <rst_rcvd:3>599<rst_sent:3>599<band:3>10M"
                       "<dxcc:3>230<ten_ten:1>0 <p070:3>456<SRX_STRING:7>0-0-456 <comment:7>070:456<eor>";
        QTest::newRow("US county as state and county")
            << Row("K1ABC", "SSB", "MA", "12345", "", "", "", "Bob", "Suffolk") << false
            << start +
                   "<call:5>K1ABC <name:3>Bob <mode:3>SSB <rst_rcvd:2>59<rst_sent:2>59<band:3>10M"
                   " <state:2>MA <dxcc:3>291 <cnty:10>MA,Suffolk<ten_ten:5>12345<SRX_STRING:9>12345-0-0<eor>";
        QTest::newRow("county without a state writes none")
            << Row("KP/W3", "CW", "", "", "", "", "", "Sam", "Suffolk") << false
            << start + "<call:5>KP/W3 <name:3>Sam <mode:2>CW <rst_rcvd:3>599<rst_sent:3>599<band:3>10M"
                       " <state:0> <dxcc:3>291<ten_ten:1>0<SRX_STRING:5>0-0-0<eor>";
        QTest::newRow("accented name counts its UTF-8 bytes")
            << Row("k9xyz", "ssb", "OR", "1", "", "", "", "José Müller") << false
            << start + "<call:5>k9xyz <name:13>José Müller <mode:3>ssb <rst_rcvd:3>599<rst_sent:3>599"
                       "<band:3>10M <state:2>OR <dxcc:3>291<ten_ten:1>1<SRX_STRING:5>1-0-0<eor>";
        // Two characters, one written as a surrogate pair: a state code, whatever its UTF-16 length.
        QTest::newRow("two-character QTH with a surrogate pair is a state")
            << Row("K1ABC", "CW", QStringLiteral("M\U0001D4D0"), "") << false
            << start + "<call:5>K1ABC <name:3>Bob <mode:2>CW <rst_rcvd:3>599<rst_sent:3>599<band:3>10M"
                       " <state:5>M\U0001D4D0 <dxcc:3>291<ten_ten:1>0<SRX_STRING:5>0-0-0<eor>";
        QTest::newRow("empty name still written")
            << Row("N5ZZ", "CW", "TX", "", "", "", "", "") << false
            << start + "<call:4>N5ZZ <name:0> <mode:2>CW <rst_rcvd:3>599"
                       "<rst_sent:3>599<band:3>10M <state:2>TX <dxcc:3>291"
                       "<ten_ten:1>0<SRX_STRING:5>0-0-0<eor>";
        QTest::newRow("row without name, mode, qth or number columns")
            << TLogRow{{"_date", "2024-02-03"}, {"_time", "17:05"}, {"_call", "K1ABC"}} << true
            << start + "<call:5>K1ABC <rst_rcvd:3>599<rst_sent:3>599<band:3>10M<SRX_STRING:5>0-0-0"
                       " <comment:0><eor>";
        // A date that is not yyyy-mm-dd gets its real length, so readers do not run into the next field.
        QTest::newRow("date of another form")
            << TLogRow{{"_date", "3.2.24"}, {"_time", "17:05"}, {"_call", "K1ABC"}} << false
            << "<qso_date:6:d>3.2.24 <time_on:4>1705 <call:5>K1ABC <rst_rcvd:3>599<rst_sent:3>599<band:3>10M"
               "<SRX_STRING:5>0-0-0<eor>";
        // Control characters become blanks, as in the other files; each count is that of the value written.
        QTest::newRow("line breaks, tab and NUL in values")
            << Row("K1\tABC", "CW", "MA", "12\r\n3", QStringLiteral("4").append(QChar(0)).append(u'5'), "",
                   "", "Bob\r\n<eor>")
            << true
            << start +
                   "<call:6>K1 ABC <name:10>Bob  <eor> <mode:2>CW <rst_rcvd:3>599<rst_sent:3>599<band:3>10M"
                   " <state:2>MA <dxcc:3>291<ten_ten:5>12  3 <vp:3>4 5<SRX_STRING:9>12  3-0-0 "
                   "<comment:6>VP:4 5<eor>";
    }
    void Record()
    {
        QFETCH(TLogRow, row);
        QFETCH(bool, comments);
        QFETCH(QString, record);
        QCOMPARE(Record(row, comments), record);
    }

    void Rst_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("rst");
        for (const char* mode : {"SSB", "AM", "FM"}) {
            QTest::newRow(mode) << mode << "59";
        }
        for (const char* mode : {"CW", "RTTY", "FT8", "", "ssb", "Fm"}) {
            QTest::newRow(*mode ? mode : "empty") << mode << "599";
        }
    }
    void Rst()
    {
        QFETCH(QString, mode);
        QFETCH(QString, rst);
        const QString tag =
            QStringLiteral("<rst_rcvd:%1>%2<rst_sent:%1>%2<band:3>10M").arg(rst.size()).arg(rst);
        QVERIFY2(Record(Row("K1ABC", mode, "MA", "1"), false).contains(tag), qPrintable(tag));
    }

    // The log's own call sign closes every record, after the comment, the rest of the record unchanged.
    void StationCallsign_data()
    {
        QTest::addColumn<bool>("comments");
        QTest::addColumn<QString>("station");
        QTest::addColumn<QString>("end");
        QTest::newRow("comments on") << true << "W7VNT"
                                     << "<SRX_STRING:9>12345-0-0 <comment:0>"
                                        " <station_callsign:5>W7VNT<eor>";
        QTest::newRow("comments off, portable call")
            << false << "W7VNT/M"
            << "<SRX_STRING:9>12345-0-0 <station_callsign:7>W7VNT/M<eor>";
    }
    void StationCallsign()
    {
        QFETCH(bool, comments);
        QFETCH(QString, station);
        QFETCH(QString, end);
        const TLogRow row = Row("K1ABC", "SSB", "MA", "12345");
        const auto dxcc = [this](const QString& country) { return GetDXCCText(fDM, country); };
        const QString record = ADIFRecord(row, comments, dxcc, station);
        QVERIFY2(record.endsWith(end), qPrintable(record));
        // Everything before the new field is the record as it was.
        QCOMPARE(record,
                 Record(row, comments).chopped(5) +
                     QStringLiteral(" <station_callsign:%1>%2<eor>").arg(station.size()).arg(station));
    }
    // The files are put together through a cursor into room made beforehand; text that does not fit makes
    // the array grow instead of running past its end, and going back drops only what came after.
    void CursorGrowsBeyondTheRoomMade()
    {
        QByteArray out("head:");
        {
            TTextCursor cursor(out, 4);
            const qsizetype start = cursor.Offset();
            cursor.Append(QByteArrayView("a long piece of text"));
            cursor.Fill(3, '.');
            cursor.AppendNumber(-1234567890123);
            cursor.AppendWithout(QByteArrayView("2024-02-03"), '-');
            QCOMPARE(cursor.AppendOneLine(QByteArrayView("two\nlines"), 'o'), 8);
            QCOMPARE(cursor.Since(start),
                     QByteArrayView("a long piece of text...-123456789012320240203tw lines"));
            cursor.Append(QByteArray(100000, 'x'));
            cursor.BackTo(start + 6);
            cursor.Append('!');
        }
        QCOMPARE(out, QByteArray("head:a long!"));
    }
};

VANTREL_TEST(TestADIFWriter)
#include "tst_ADIFWriter.moc"
