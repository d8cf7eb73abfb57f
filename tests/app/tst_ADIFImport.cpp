#include "AppFixture.h"
#include "common/TestFiles.h"
#include "common/TestRegistry.h"
#include "process/TProcessFixture.h"

#include "app/ADIFImport.h"
#include "data/LogRules.h"
#include "data/MyFunc.h"
#include "process/TLogProcessor.h"

#include <QAction>
#include <QLabel>
#include <QProcess>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

// The columns that make a contact, joined by "|": call, date, time, mode, qth, county, tenten, vp, epc,
// p070, name, dxcc, points, comment.
QStringList Contacts(TDM& dm, const QString& table)
{
    QSqlQuery q(dm.condb());
    q.exec(QStringLiteral("select _call,_date,_time,_mode,_qth,_uscounty,_tenten,_vp,_epc,_p070,_name,_dxcc,"
                          "_points,_comment from \"%1\" order by pkey")
               .arg(table));
    QStringList rows;
    while (q.next()) {
        QStringList values;
        for (int i = 0; i < 14; ++i) {
            values << q.value(i).toString();
        }
        rows << values.join(QLatin1Char('|'));
    }
    return rows;
}

// Every column of every row, pkey included.
QStringList WholeRows(TDM& dm, const QString& table)
{
    QSqlQuery q(dm.condb());
    q.exec(QStringLiteral("select * from \"%1\" order by pkey").arg(table));
    QStringList rows;
    while (q.next()) {
        QStringList values;
        for (int i = 0; i < q.record().count(); ++i) {
            values << q.record().fieldName(i) + '=' + q.value(i).toString();
        }
        rows << values.join(QLatin1Char('|'));
    }
    return rows;
}

// A contact as the entry form would log it: DXCC 0 for a US state, the table's number for a country.
tLogRecord Typed(TDM& dm, const QString& event, const char* call, const char* qth, const char* county,
                 const char* tenten, const char* vp, const char* epc, const char* p070, const char* mode,
                 const char* name, const char* time)
{
    tLogRecord rec;
    rec.date = QStringLiteral("2024-02-03");
    rec.time = QString::fromUtf8(time);
    rec.call = QString::fromUtf8(call);
    rec.qth = QString::fromUtf8(qth);
    rec.uscounty = QString::fromUtf8(county);
    rec.tenten = QString::fromUtf8(tenten);
    rec.vp = QString::fromUtf8(vp);
    rec.epc = QString::fromUtf8(epc);
    rec.p070 = QString::fromUtf8(p070);
    rec.mode = QString::fromUtf8(mode);
    rec.name = QString::fromUtf8(name);
    rec.dxcc = rec.qth.size() <= 2 ? 0 : GetDXCC(dm, rec.qth);
    rec.points = ScoreContact(event, rec.tenten, rec.epc, rec.p070).stored;
    return rec;
}

} // namespace

// ADIF files of other programs and of this one into a log: the fields, the duplicate rules, the summary,
// File > Import ADIF and the command for scripts.
class TestADIFImport : public QObject
{
    Q_OBJECT

private slots:
    void init() { QDir::setCurrent(QCoreApplication::applicationDirPath()); }

    // This program's own export reads back into a fresh log row for row, counters included.
    void RoundTrip_data()
    {
        QTest::addColumn<QString>("event");
        QTest::addColumn<bool>("comments");
        QTest::newRow("Open Season, comments on") << "Open Season" << true;
        QTest::newRow("General Log, comments off") << "General Log" << false;
        QTest::newRow("Spirit Of 76, comments on") << "Spirit Of 76" << true;
    }
    void RoundTrip()
    {
        QFETCH(QString, event);
        QFETCH(bool, comments);
        TProcessFixture fix(event);
        const QList<tLogRecord> contacts{
            Typed(fix.dm, event, "K1ABC", "MA", "Suffolk", "12345", "", "1234", "", "SSB", "Bob", "17:05"),
            Typed(fix.dm, event, "G3XYZ", "England", "", "678", "", "", "456", "CW", "Nigel", "17:09"),
            Typed(fix.dm, event, "VE3ABC", "Canada", "", "4444", "77", "5555", "12345", "FM", "O'Neil",
                  "18:00"),
            Typed(fix.dm, event, "W1AW/7", "", "", "", "", "", "", "FT8", "", "18:31"),
            Typed(fix.dm, event, "K9XYZ", "OR", "", "1", "", "", "", "ssb", "José Müller", "00:01"),
            Typed(fix.dm, event, "K1ABC", "MA", "Suffolk", "12345", "", "", "", "CW", "Bob", "19:15"),
            // The DX list's "United States": a country, not a state.
            Typed(fix.dm, event, "KH2XX", "United States", "", "", "", "", "", "SSB", "", "19:20"),
        };
        for (const tLogRecord& rec : contacts) {
            fix.dm.LogAddRecord(rec, fix.own.TableName);
        }
        TProcessOptions options;
        options.folder = fix.OutputFolder(QStringLiteral("export"));
        options.adifexport = true;
        options.adifcomment = comments;
        TLogProcessor processor(fix.dm, fix.own, fix.own.TableName, {}, options);
        processor.ProcessTheLog();
        QFile file(processor.ADIFFileName());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray adif = file.readAll();

        TMysettings copy = fix.own;
        copy.TableName = QStringLiteral("W7VNT_2024_Copy");
        fix.dm.CreateNewLogTable(copy.TableName);
        fix.dm.ConfigAddRecord(copy);
        TADIFImport adifImport(fix.dm, copy);
        adifImport.Read(adif);
        QCOMPARE(adifImport.Skipped().size(), 0);
        QCOMPARE(adifImport.Store(true), int(contacts.size()));

        QCOMPARE(WholeRows(fix.dm, copy.TableName), WholeRows(fix.dm, fix.own.TableName));
        const TDM::TLogCounts before = fix.dm.Recount(fix.own.TableName);
        const TDM::TLogCounts after = fix.dm.Recount(copy.TableName);
        QCOMPARE(after.total, before.total);
        QCOMPARE(after.withTenTen, before.withTenTen);
        QCOMPARE(after.withEpc, before.withEpc);
        QCOMPARE(after.with070, before.with070);
        QCOMPARE(after.points, before.points);
    }

    // Files as other programs write them: what becomes a contact and what is skipped, and why.
    void Shapes_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("skipped");

        QTest::newRow("header and upper-case tags")
            << QByteArray("Exported by another logger\n<ADIF_VER:5>3.1.0\n<PROGRAMID:5>Other\n<EOH>\n"
                          "<CALL:4>W1AW <QSO_DATE:8>20240203 <TIME_ON:4>1705 <MODE:3>SSB <NAME:5>Hiram "
                          "<STATE:2>CT <CNTY:11>CT,Hartford <TEN_TEN:3>100 <EOR>\n")
            << QStringList{"W1AW|2024-02-03|17:05|SSB|CT|Hartford|100||||Hiram|0|2|"} << QStringList{};
        QTest::newRow("no header, no blanks, seconds in the time")
            << QByteArray("<call:5>K1ABC<qso_date:8>20240203<time_on:6>170559<mode:2>CW<eor>")
            << QStringList{"K1ABC|2024-02-03|17:05|CW||||||||0|1|"} << QStringList{};
        QTest::newRow("lower-case tags with type indicators")
            << QByteArray("<eoh>\n<call:4:s>ve3x <qso_date:8:d>20240203 <time_on:4:t>0102 <mode:2:s>FM "
                          "<country:6:s>canada <ten_ten:3:n>777 <eor>\n")
            << QStringList{"VE3X|2024-02-03|01:02|FM|Canada||777|||||1|2|"} << QStringList{};
        QTest::newRow("count longer than the rest of the file")
            << QByteArray("<CALL:4>W1AW<QSO_DATE:8>20240203<TIME_ON:4>1705<EOR>\n"
                          "<CALL:4>N0AA<QSO_DATE:8>20240203<TIME_ON:4>1706<NAME:40>Bob\n")
            << QStringList{"W1AW|2024-02-03|17:05|||||||||0|1|"}
            << QStringList{"2: the length 40 of field NAME runs past the end of the file"};
        QTest::newRow("multi-byte name counted in bytes")
            << QByteArray(
                   "<CALL:4>W1AW<QSO_DATE:8>20240203<TIME_ON:4>1705<NAME:13>José Müller<MODE:3>SSB<EOR>")
            << QStringList{"W1AW|2024-02-03|17:05|SSB|||||||José Müller|0|1|"} << QStringList{};
        QTest::newRow("name in an 8-bit code page")
            << QByteArray("<CALL:4>W1AW<QSO_DATE:8>20240203<TIME_ON:4>1705<NAME:4>Jos\xe9<EOR>")
            << QStringList{"W1AW|2024-02-03|17:05||||||||José|0|1|"} << QStringList{};
        QTest::newRow("CRLF line ends")
            << QByteArray("<EOH>\r\n<CALL:4>W1AW\r\n<QSO_DATE:8>20240203\r\n<TIME_ON:4>1705\r\n<EOR>\r\n"
                          "<CALL:4>W2AW\r\n<QSO_DATE:8>20240204\r\n<TIME_ON:4>0000\r\n<EOR>\r\n")
            << QStringList{"W1AW|2024-02-03|17:05|||||||||0|1|", "W2AW|2024-02-04|00:00|||||||||0|1|"}
            << QStringList{};
        QTest::newRow("LF line ends")
            << QByteArray("<EOH>\n<CALL:4>W1AW\n<QSO_DATE:8>20240203\n<TIME_ON:4>1705\n<EOR>\n"
                          "<CALL:4>W2AW\n<QSO_DATE:8>20240204\n<TIME_ON:4>0000\n<EOR>\n")
            << QStringList{"W1AW|2024-02-03|17:05|||||||||0|1|", "W2AW|2024-02-04|00:00|||||||||0|1|"}
            << QStringList{};
        QTest::newRow("record without CALL")
            << QByteArray(
                   "<QSO_DATE:8>20240203<TIME_ON:4>1705<EOR>\n<CALL:0><QSO_DATE:8>20240203<TIME_ON:4>1705"
                   "<EOR>\n<CALL:4>W1AW<QSO_DATE:8>20240203<TIME_ON:4>1705<EOR>")
            << QStringList{"W1AW|2024-02-03|17:05|||||||||0|1|"}
            << QStringList{"1: no CALL field", "2: empty CALL field"};
        QTest::newRow("dates and times that are none")
            << QByteArray("<CALL:4>W1AW<QSO_DATE:8>20241301<TIME_ON:4>1705<EOR>"
                          "<CALL:4>W2AW<QSO_DATE:8>20240203<TIME_ON:4>2460<EOR>"
                          "<CALL:4>W3AW<TIME_ON:4>1705<EOR>")
            << QStringList{}
            << QStringList{"1: QSO_DATE \"20241301\" is not a date (YYYYMMDD)",
                           "2: TIME_ON \"2460\" is not a time (HHMM or HHMMSS)", "3: no QSO_DATE field"};
        QTest::newRow("a < inside a value, and no EOR at the end")
            << QByteArray("<CALL:4>W1AW<QSO_DATE:8>20240203<TIME_ON:4>1705<COMMENT:10>see <EOR>!<EOR>"
                          "<CALL:4>W2AW<QSO_DATE:8>20240203<TIME_ON:4>1705")
            << QStringList{"W1AW|2024-02-03|17:05|||||||||0|1|see <EOR>!"}
            << QStringList{"2: the file ends before the record's <EOR>"};
        QTest::newRow("club numbers in the exchange")
            << QByteArray("<CALL:4>W1AW<QSO_DATE:8>20240203<TIME_ON:4>1705<SRX_STRING:13>EPC:12 070:34<EOR>"
                          "<CALL:4>W2AW<QSO_DATE:8>20240203<TIME_ON:4>1705<SRX_STRING:8>55-0-789<EOR>")
            << QStringList{"W1AW|2024-02-03|17:05||||||12|34||0|1|",
                           "W2AW|2024-02-03|17:05||||55|||789||0|2|"}
            << QStringList{};
        // Programs that count characters: a count that ends inside a character, or whose bytes are not
        // followed by the next tag while its characters are.
        QTest::newRow("character counts, one field a line")
            << QByteArray("Amateur radio log file. Generated on 03/02/24 at 17:10. Contains 2 record(s).\n\n"
                          "<adif_ver:5>3.1.0\n<programid:5>PyQSO\n<programversion:5>1.1.0\n<eoh>\n"
                          "<call:5>EA4XY\n<qso_date:8>20240203\n<time_on:4>1705\n<name:4>José\n"
                          "<mode:3>SSB\n<country:5>Spain\n<eor>\n"
                          "<call:5>DL1AB\n<qso_date:8>20240203\n<time_on:4>1706\n<mode:2>CW\n"
                          "<name:11>Jürgen Groß\n<eor>\n")
            << QStringList{"EA4XY|2024-02-03|17:05|SSB|Spain||||||José|281|1|",
                           "DL1AB|2024-02-03|17:06|CW|||||||Jürgen Groß|0|1|"}
            << QStringList{};
        // fldigi counts bytes and writes no blanks: "José<" is five characters, and "<" no tag.
        QTest::newRow("byte counts without blanks")
            << QByteArray("<QSO_DATE:8>20240203<TIME_ON:6>162100<CALL:5>EA4XY<NAME:5>José<MODE:3>SSB"
                          "<QTH:6>Málaga<EOR>\n")
            << QStringList{"EA4XY|2024-02-03|16:21|SSB|||||||José|0|1|"} << QStringList{};
        QTest::newRow("byte counts, upper-case tags on one line")
            << QByteArray("ADIF export\n<ADIF_VER:5>3.1.0\n<PROGRAMID:3>TLF\n<EOH>\n"
                          "<CALL:5>OH2XY <BAND:3>10M <MODE:2>CW <QSO_DATE:8>20240203 <TIME_ON:4>0930 "
                          "<NAME:7>Väinö <EOR>\n")
            << QStringList{"OH2XY|2024-02-03|09:30|CW|||||||Väinö|0|1|"} << QStringList{};
        QTest::newRow("byte counts, lower-case tags and a free-text header")
            << QByteArray("Xlog export\n<adif_ver:5>3.1.0\n<eoh>\n<call:5>F5XYZ<qso_date:8>20240203"
                          "<time_on:4>1010<mode:3>SSB<name:8>Frédéric<eor>\n")
            << QStringList{"F5XYZ|2024-02-03|10:10|SSB|||||||Frédéric|0|1|"} << QStringList{};
        QTest::newRow("quoted bad values are cut, huge counts shown as written")
            << (QByteArray("<CALL:4>W1AW<QSO_DATE:100>") + QByteArray(100, '7') +
                QByteArray("<TIME_ON:4>1705<EOR><CALL:4>W2AW<QSO_DATE:8>20240203<TIME_ON:4>1705"
                           "<NAME:9223372036854775808>Bob"))
            << QStringList{}
            << QStringList{"1: QSO_DATE \"" + QString(60, '7') +
                               "\u2026\" (100 bytes) is not a date (YYYYMMDD)",
                           "2: the length 9223372036854775808 of field NAME runs past the end of the file"};
        // As WSJT-X writes its own log file: a one-line header, lower-case tags, FT4 as MFSK and a
        // submode, no state or country.
        QTest::newRow("WSJT-X log file")
            << QByteArray(
                   "WSJT-X ADIF Export<eoh>\n"
                   "<call:5>JA1XY <gridsquare:4>PM95 <mode:3>FT8 <rst_sent:3>-10 <rst_rcvd:3>-15 "
                   "<qso_date:8>20240203 <time_on:6>120015 <qso_date_off:8>20240203 <time_off:6>120115 "
                   "<band:3>10m <freq:9>28.075500 <station_callsign:5>W7VNT <my_gridsquare:4>CN85 "
                   "<tx_pwr:3>100 <comment:7>tnx QSO <name:4>Taro <eor>\n"
                   "<call:4>K1AB <gridsquare:4>FN42 <mode:4>MFSK <submode:3>FT4 <rst_sent:3>+02 "
                   "<rst_rcvd:3>-03 <qso_date:8>20240203 <time_on:6>120530 <qso_date_off:8>20240203 "
                   "<time_off:6>120600 <band:3>10m <freq:9>28.180000 <station_callsign:5>W7VNT "
                   "<my_gridsquare:4>CN85 <eor>\n")
            << QStringList{"JA1XY|2024-02-03|12:00|FT8|||||||Taro|0|1|tnx QSO",
                           "K1AB|2024-02-03|12:05|FT4||||||||0|1|"}
            << QStringList{};
    }
    void Shapes()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, skipped);
        TProcessFixture fix(QStringLiteral("Winter Phone"));
        TADIFImport adifImport(fix.dm, fix.own);
        adifImport.Read(file);
        QCOMPARE(adifImport.Store(false), int(rows.size()));
        QCOMPARE(Contacts(fix.dm, fix.own.TableName), rows);
        QStringList reasons;
        for (const TADIFSkipped& s : adifImport.Skipped()) {
            reasons << QStringLiteral("%1: %2").arg(s.record).arg(s.reason);
        }
        QCOMPARE(reasons, skipped);
        QCOMPARE(adifImport.Records(), int(rows.size() + skipped.size()));
    }

    // Each event's duplicate rule, against the log and against earlier records of the same file.
    // Each event's duplicate rule, against the log and against earlier records of the same file. Each case
    // runs on a log of its own rows alone (the log's calls are read whole) and on one with a few hundred
    // other rows before them (each contact of the small file is looked up on the call index).
    void Duplicates_data()
    {
        QTest::addColumn<QString>("event");
        QTest::addColumn<QStringList>("logged"); // call,mode,county of the log
        QTest::addColumn<QStringList>("file");   // call,mode,county of the file
        QTest::addColumn<bool>("keep");
        QTest::addColumn<QStringList>("stored"); // the calls the file adds
        QTest::addColumn<int>("duplicates");
        QTest::addColumn<int>("others"); // rows of other calls logged first

        const QStringList logged{"W1AW,SSB,Pima"};
        const QStringList file{"W1AW,CW,Maricopa", "K1ABC,SSB,Pima", "K1ABC,CW,Pima", "W1AW,SSB,Pima"};
        for (const auto& [others, way] :
             {std::pair{0, "log read whole"}, std::pair{300, "index per contact"}}) {
            const auto row = [way](const char* name) -> QTestData& {
                return QTest::newRow(qPrintable(QStringLiteral("%1 (%2)").arg(QLatin1String(name), way)));
            };
            row("same call anywhere")
                << "Winter Phone" << logged << file << false << QStringList{"K1ABC,SSB,Pima"} << 3 << others;
            row("same call anywhere, duplicates kept")
                << "Winter Phone" << logged << file << true << file << 3 << others;
            row("Spirit Of 76: same call and mode")
                << "Spirit Of 76" << logged << file << false
                << QStringList{"W1AW,CW,Maricopa", "K1ABC,SSB,Pima", "K1ABC,CW,Pima"} << 1 << others;
            row("Mobile: same call and county")
                << "Mobile" << logged << file << false << QStringList{"W1AW,CW,Maricopa", "K1ABC,SSB,Pima"}
                << 2 << others;
            row("Mobile: a county emptied in the log window matches an empty one")
                << "Mobile" << QStringList{"W1AW,SSB,NULL"} << QStringList{"W1AW,SSB,", "K1ABC,SSB,"} << false
                << QStringList{"K1ABC,SSB,"} << 1 << others;
            row("call signs compare exactly after upper-casing")
                << "Winter Phone" << QStringList{"w1aw,SSB,"} << QStringList{"W1AW,SSB,"} << false
                << QStringList{"W1AW,SSB,"} << 0 << others;
        }
    }
    void Duplicates()
    {
        QFETCH(QString, event);
        QFETCH(QStringList, logged);
        QFETCH(QStringList, file);
        QFETCH(bool, keep);
        QFETCH(QStringList, stored);
        QFETCH(int, duplicates);
        QFETCH(int, others);
        TProcessFixture fix(event);
        for (int i = 0; i < others; ++i) {
            tLogRecord rec;
            rec.call = QStringLiteral("N9F%1").arg(i);
            rec.mode = QStringLiteral("FM");
            fix.dm.LogAddRecord(rec, fix.own.TableName);
        }
        for (const QString& line : logged) {
            const QStringList f = line.split(',');
            tLogRecord rec;
            rec.call = f[0];
            rec.mode = f[1];
            rec.qth = QStringLiteral("AZ");
            rec.uscounty = f[2];
            fix.dm.LogAddRecord(rec, fix.own.TableName);
            if (f[2] == QStringLiteral("NULL")) {
                QSqlQuery(fix.dm.condb())
                    .exec(QStringLiteral("update \"%1\" set _uscounty = NULL where _uscounty = 'NULL'")
                              .arg(fix.own.TableName));
            }
        }
        QByteArray adif;
        for (const QString& line : file) {
            const QStringList f = line.split(',');
            adif += QStringLiteral("<CALL:%1>%2<MODE:%3>%4<STATE:2>AZ<CNTY:%5>AZ,%6<QSO_DATE:8>20240203"
                                   "<TIME_ON:4>1705<EOR>\n")
                        .arg(f[0].size())
                        .arg(f[0])
                        .arg(f[1].size())
                        .arg(f[1])
                        .arg(f[2].size() + 3)
                        .arg(f[2])
                        .toUtf8();
        }
        TADIFImport adifImport(fix.dm, fix.own);
        adifImport.Read(adif);
        QCOMPARE(adifImport.Duplicates(), duplicates);
        QCOMPARE(adifImport.Store(keep), int(stored.size()));
        QStringList rows;
        for (const QString& row : Contacts(fix.dm, fix.own.TableName).mid(others + logged.size())) {
            const QStringList f = row.split('|');
            rows << f[0] + ',' + f[3] + ',' + f[5];
        }
        QCOMPARE(rows, stored);
    }

    // File > Import ADIF: the duplicates question, the summary and the counters recounted from the log.
    void ImportFromMenu()
    {
        TAppFixture f;
        f.NewLog(QStringLiteral("W7VNT"), QStringLiteral("Open Season"));
        f.Type(QStringLiteral("W1AW"), QStringLiteral("100"));
        f.window->DoLog();
        const QString path = f.home.Root() + QStringLiteral("/other.adi");
        QVERIFY(WriteTestFile(path,
                              "<EOH>\n<CALL:4>W1AW<QSO_DATE:8>20240203<TIME_ON:4>1705<EOR>\n"
                              "<CALL:5>K1ABC<QSO_DATE:8>20240203<TIME_ON:4>1706<TEN_TEN:3>200<EPC:2>12<EOR>\n"
                              "<CALL:4>N0AA<QSO_DATE:8>20240203<TIME_ON:4>1707<EOR>\n"
                              "<QSO_DATE:8>20240203<TIME_ON:4>1708<EOR>\n"));
        QVERIFY(!path.isEmpty());
        f.prompts.AnswerOpenFile(path);
        f.prompts.AnswerMessage(MsgButton::No);
        f.prompts.AnswerMessage(MsgButton::OK);
        f.window->findChild<QAction*>(QStringLiteral("mnuImportADIF"))->trigger();

        const QStringList messages = f.prompts.Messages();
        QCOMPARE(messages.size(), 2);
        QCOMPARE(messages[0], QStringLiteral("1 of the 3 contacts in the file are duplicates in this log.\n"
                                             "Import the duplicates as well?"));
        QCOMPARE(messages[1], QStringLiteral("ADIF import from other.adi\n\nRecords read: 4\nImported: 2\n"
                                             "Duplicates: 1 (not imported)\nSkipped: 1\n"
                                             "  record 4: no CALL field"));
        const QString table = f.window->Mysettings().TableName;
        QCOMPARE(f.Rows(table), 3);
        // W1AW 2, K1ABC 2 + 1 for the EPC number, N0AA 1.
        QCOMPARE(f.window->totalpoints(), 6);
        QCOMPARE(f.window->ctx_with(), 2);
        QCOMPARE(f.window->ctx_without(), 1);
        QCOMPARE(f.window->ctx_epc(), 1);
        QCOMPARE(f.Find<QLabel>("lblTotalPoints")->text(), QStringLiteral("Total Points: 6"));
        QCOMPARE(f.prompts.Pending(), 0);
        // Enter does not import duplicates.
        const auto question = std::find_if(f.prompts.Records().begin(), f.prompts.Records().end(),
                                           [&](const auto& r) { return r.text == messages[0]; });
        QVERIFY(question != f.prompts.Records().end());
        QCOMPARE(question->defaultButton, MsgButton::No);
    }

    void ImportWithoutLog()
    {
        TAppFixture f;
        f.prompts.AnswerMessage(MsgButton::OK);
        f.window->findChild<QAction*>(QStringLiteral("mnuImportADIF"))->trigger();
        QCOMPARE(f.prompts.Messages(),
                 QStringList{"No log is open. Select a log in the Logs list or create one "
                             "with File > New before importing an ADIF file."});
    }

    // vantrel --import-adif FILE --log TABLE: no window, the summary on standard output, the exit code
    // telling whether anything was imported.
    void Command_data()
    {
        QTest::addColumn<QString>("log");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");
        QTest::addColumn<int>("rows");

        const QByteArray two("<CALL:4>W1AW<QSO_DATE:8>20240203<TIME_ON:4>1705<EOR>"
                             "<CALL:4>W1AW<QSO_DATE:8>20240203<TIME_ON:4>1706<EOR>");
        QTest::newRow("imported") << "W7VNT_2024_Winter_Phone" << two << QStringList{} << 0
                                  << "Imported: 1\nDuplicates: 1 (not imported)" << 1;
        QTest::newRow("duplicates kept") << "W7VNT_2024_Winter_Phone" << two << QStringList{"--keep-dupes"}
                                         << 0 << "Imported: 2\nDuplicates: 1 (imported as well)" << 2;
        QTest::newRow("nothing to import")
            << "W7VNT_2024_Winter_Phone" << QByteArray("<QSO_DATE:8>20240203<EOR>") << QStringList{} << 1
            << "Imported: 0\nDuplicates: 0 (not imported)\nSkipped: 1\n  record 1: no CALL field" << 0;
        QTest::newRow("no such log") << "W7VNT_2024_Nothing" << two << QStringList{} << 2
                                     << "There is no open log named W7VNT_2024_Nothing" << 0;
    }
    void Command()
    {
        QFETCH(QString, log);
        QFETCH(QByteArray, file);
        QFETCH(QStringList, extra);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QFETCH(int, rows);
        TProcessFixture fix(QStringLiteral("Winter Phone"));
        const QString path = fix.home.Root() + QStringLiteral("/in.adi");
        QVERIFY(WriteTestFile(path, file));
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
        process.setProcessEnvironment(env);
        process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/vantrel"),
                      QStringList{"--import-adif", path, "--log", log} + extra);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        const QString text =
            QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
        QVERIFY2(text.contains(output), qPrintable(text));
        QCOMPARE(process.exitCode(), exitCode);
        QCOMPARE(Contacts(fix.dm, fix.own.TableName).size(), rows);
    }
};

VANTREL_TEST(TestADIFImport)
#include "tst_ADIFImport.moc"
