#include "common/TestRegistry.h"
#include "data/Errors.h"
#include "feeds/ADIFReader.h"

#include <QTest>

namespace {

// A record as FLdigi writes it into its temporary log file, header included.
const QByteArray kFldigiRecord = QByteArrayLiteral(
    "<ADIF_VER:5>2.2.7\n<PROGRAMID:6>FLDIGI\n<PROGRAMVERSION:6>4.1.26\n<EOH>\n"
    "<QSO_DATE:8>20240615<QSO_DATE_OFF:8>20240615<TIME_ON:6>142305<TIME_OFF:6>142512<CALL:5>w1abc"
    "<FREQ:9>28.120000<MODE:3>PSK<SUBMODE:5>PSK31<NAME:5>Hiram<QTH:8>Hartford<STATE:2>CT"
    "<CNTY:11>CT,Hartford<COUNTRY:13>United States<GRIDSQUARE:4>FN31<NOTES:9>nice sigs"
    "<TEN_TEN:5>12345<SRX_STRING:15>EPC:1234 070:56<RST_SENT:3>599<RST_RCVD:3>579<BAND:3>10m<EOR>\n");

} // namespace

// The readers of FLdigi's log file over real records.
class TestADIFReader : public QObject
{
    Q_OBJECT

private slots:
    void Record_data()
    {
        QTest::addColumn<QByteArray>("text");
        // date|time|call|name|mode|qth|county|tenten|epc|070|comment
        QTest::addColumn<QString>("expected");
        QTest::newRow("FLdigi record, 6-digit time")
            << kFldigiRecord << "2024-06-15|14:23|W1ABC|HIRAM|PSK|CT|HARTFORD|12345|1234|56|NICE SIGS";
        QTest::newRow("4-digit time") << QByteArray("<QSO_DATE:8>20240102<TIME_ON:4>0915<CALL:4>K1XX<EOR>")
                                      << "2024-01-02|09:15|K1XX||||||||";
        QTest::newRow("lower-case tags")
            << QByteArray("<qso_date:8>20231231<time_on:6>235959<call:4>n0zz<name:3>Pat"
                          "<state:2>az<eor>")
            << "2023-12-31|23:59|N0ZZ|PAT||AZ|||||";
        QTest::newRow("tag at position 0") << QByteArray("<CALL:4>N0XX<MODE:2>CW<EOR>") << "||N0XX||CW||||||";
        QTest::newRow("CNTY without comma ignored")
            << QByteArray("<CALL:4>N0XX<STATE:2>AZ<CNTY:8>Maricopa<EOR>") << "||N0XX|||AZ|||||";
        QTest::newRow("CNTY keeps what follows the first comma")
            << QByteArray("<CALL:4>N0XX<CNTY:15>AZ,Santa Cruz,X<EOR>") << "||N0XX||||SANTA CRUZ,X||||";
        QTest::newRow("SRX_STRING bare number gives no club numbers")
            << QByteArray("<CALL:4>N0XX<SRX_STRING:4>1234<EOR>") << "||N0XX||||||||";
        QTest::newRow("SRX_STRING 070 before EPC")
            << QByteArray("<CALL:4>N0XX<SRX_STRING:15>070:77 EPC:9876<EOR>") << "||N0XX||||||9876|77|";
        QTest::newRow("COUNTRY without STATE gives DX")
            << QByteArray("<CALL:5>G4ABC<COUNTRY:7>England<EOR>") << "||G4ABC|||DX|||||";
        QTest::newRow("STATE wins over COUNTRY")
            << QByteArray("<CALL:4>VE3X<COUNTRY:6>Canada<STATE:2>ON<EOR>") << "||VE3X|||ON|||||";
        QTest::newRow("data-type indicators")
            << QByteArray("<QSO_DATE:8:D>20240615<TIME_ON:6:T>010203<CALL:5:S>W1ABC<EOR>")
            << "2024-06-15|01:02|W1ABC||||||||";
        QTest::newRow("count longer than the text")
            << QByteArray("<MODE:2>CW<CALL:10>W1AB") << "||W1AB||CW||||||";
        QTest::newRow("count 0") << QByteArray("<CALL:0><NAME:3>Bob") << "|||BOB|||||||";
        QTest::newRow("several records: first occurrences")
            << QByteArray("<CALL:4>AA1A<NAME:3>Ann<EOR>\n<CALL:4>BB2B<NAME:3>Bob<MODE:3>SSB<EOR>")
            << "||AA1A|ANN|SSB||||||";
        QTest::newRow("date written with dashes")
            << QByteArray("<QSO_DATE:10>2024-06-15<CALL:4>N0XX") << "2024-06-15||N0XX||||||||";
        QTest::newRow("date too short") << QByteArray("<QSO_DATE:6>202406<CALL:4>N0XX") << "||N0XX||||||||";
        QTest::newRow("no fields") << QByteArray("nothing here") << "||||||||||";
        // Counts in bytes of UTF-8, as fldigi writes them; values upper-cased one by one.
        QTest::newRow("fldigi's own byte count")
            << QStringLiteral("<CALL:4>EA1X<NAME:5>Jos\u00e9<EOR>").toUtf8()
            << QStringLiteral("||EA1X|JOS\u00c9|||||||");
        QTest::newRow("byte counts with blanks between fields")
            << QStringLiteral("<CALL:4>EA1X <NAME:5>Jos\u00e9 <MODE:3>PSK <EOR>").toUtf8()
            << QStringLiteral("||EA1X|JOS\u00c9|PSK||||||");
        QTest::newRow("upper case longer than the value")
            << QStringLiteral("<CALL:4>DL1X<NAME:7>Strau\u00df<EOR>").toUtf8() << "||DL1X|STRAUSS|||||||";
        // A count that ends inside a character, or is followed by no tag where the same number of
        // characters is: a program that counts characters.
        QTest::newRow("byte count ends inside a character")
            << QStringLiteral("<CALL:4>DL1X<NAME:6>Strau\u00df<EOR>").toUtf8() << "||DL1X|STRAUSS|||||||";
        QTest::newRow("one character of four bytes")
            << QStringLiteral("<CALL:1>\U0001F600<EOR>").toUtf8() << QStringLiteral("||\U0001F600||||||||");
        QTest::newRow("character count ending on a character's edge")
            << QStringLiteral("<CALL:4>DL1X<NAME:4>J\u00f6rg<EOR>").toUtf8()
            << QStringLiteral("||DL1X|J\u00d6RG|||||||");
        QTest::newRow("8-bit code page")
            << QByteArray("<CALL:4>EA1X<NAME:4>Jos\xe9<EOR>") << QStringLiteral("||EA1X|JOS\u00c9|||||||");
    }

    void Record()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, expected);
        const tLogRecord r = ProcessADIFLine(text);
        const QString actual = QStringList{r.date,     r.time,   r.call, r.name, r.mode,   r.qth,
                                           r.uscounty, r.tenten, r.epc,  r.p070, r.comment}
                                   .join(QLatin1Char('|'));
        QCOMPARE(actual, expected);
        QVERIFY(r.vp.isEmpty());
    }

    void BadCountFails_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("count not a number") << QByteArray("<CALL:five>W1ABC<EOR>");
        QTest::newRow("no closing bracket") << QByteArray("<NAME:3>Bob<CALL:5");
        QTest::newRow("bad date count") << QByteArray("<QSO_DATE:x>20240101<CALL:4>N0XX");
    }

    void BadCountFails()
    {
        QFETCH(QByteArray, text);
        QVERIFY_THROWS_EXCEPTION(EVantrel, ProcessADIFLine(text));
    }

    void BadUnusedFieldIsHarmless()
    {
        // A field whose value is not used cannot spoil the contact.
        const tLogRecord r = ProcessADIFLine("<BAND:xx>10m<CALL:4>N0XX<EOR>");
        QCOMPARE(r.call, QStringLiteral("N0XX"));
    }

    // The log keeps hours and minutes: the submission log's time column has four digits.
    void TimeReader_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("time");
        QTest::newRow("hhmmss") << QByteArray("<TIME_ON:6>142305") << "14:23";
        QTest::newRow("hhmm") << QByteArray("<TIME_ON:4>1423") << "14:23";
        QTest::newRow("missing") << QByteArray("<CALL:4>N0XX") << "";
    }

    void TimeReader()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, time);
        QCOMPARE(ProcessADIFTime(QStringLiteral("<TIME_ON:"), text), time);
    }

    void EndOfRecord()
    {
        QVERIFY(HasEndOfRecord(kFldigiRecord));
        QVERIFY(HasEndOfRecord("<call:4>n0xx<eor>"));
        QVERIFY(!HasEndOfRecord("<CALL:4>N0XX<NAME:3>Bo"));
    }
};

VANTREL_TEST(TestADIFReader)
#include "tst_ADIFReader.moc"
