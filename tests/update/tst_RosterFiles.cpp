#include "common/TestRegistry.h"
#include "data/Errors.h"
#include "update/RosterFiles.h"
#include "update/RosterUpdate.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The roster files as published: reading their text, the EPC list rewrite and what each roster's line
// reader makes of a line.
class TestRosterFiles : public QObject
{
    Q_OBJECT

private slots:
    void FormatEPC_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("formatted");
        QTest::newRow("entry with a dash call skipped")
            << QStringList{"EPC # 12 K1ABC EPC # 13 -"} << QStringLiteral("K1ABC,12\n");
        QTest::newRow("three entries on one line") << QStringList{"EPC # 1 W1AW EPC # 2 K6VTR EPC # 3 VE3ABC"}
                                                   << QStringLiteral("W1AW,1\nK6VTR,2\nVE3ABC,3\n");
        QTest::newRow("leading zeros dropped")
            << QStringList{"EPC # 007 G4BOND"} << QStringLiteral("G4BOND,7\n");
        QTest::newRow("stars and bad bytes become blanks")
            << QStringList{QStringLiteral("EPC # 44 DL1XYZ*\uFFFDEPC # 45 OK1AB*")}
            << QStringLiteral("DL1XYZ,44\nOK1AB,45\n");
        QTest::newRow("number without call sign skipped")
            << QStringList{"EPC # 5", "EPC # 6 N0CALL"} << QStringLiteral("N0CALL,6\n");
        QTest::newRow("short and heading lines")
            << QStringList{"", "EPC", "EPC Members list", "EPC # 9 K9XX"} << QStringLiteral("K9XX,9\n");
        QTest::newRow("double blank gives an empty call sign")
            << QStringList{"EPC # 8  W8QQ"} << QStringLiteral(",8\n");
        QTest::newRow("no lines") << QStringList{} << QString();
    }

    void FormatEPC()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, formatted);
        QCOMPARE(FormatEPCText(lines), formatted);
    }

    // The file is rewritten in place, as UTF-8 without a byte-order mark, whatever it was read as.
    void FormatEPCFileInPlace()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("epc1.dat"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\xFF\xFE");
        const QString text = QStringLiteral("EPC # 12 K1ABC EPC # 13 -\r\nEPC # 14 S\u00d850X\r\n");
        file.write(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        file.close();
        FormatEPCFile(path, path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QStringLiteral("K1ABC,12\nS\u00d850X,14\n").toUtf8());
    }

    void ReadLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("mixed line ends") << QByteArray("a\r\nb\nc\rd") << QStringList{"a", "b", "c", "d"};
        QTest::newRow("final line end adds no line") << QByteArray("a\r\n") << QStringList{"a"};
        QTest::newRow("empty lines kept") << QByteArray("a\n\nb\n") << QStringList{"a", "", "b"};
        QTest::newRow("utf-8 mark") << QByteArray("\xEF\xBB\xBFK\xC3\xB8")
                                    << QStringList{QStringLiteral("K\u00f8")};
        QTest::newRow("utf-16 big-endian mark")
            << QByteArray("\xFE\xFF\x00K\x00\n\x00W", 8) << QStringList{"K", "W"};
    }

    void ReadLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("roster.dat")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        QCOMPARE(ReadTextLines(file.fileName()), lines);
    }

    void MissingFile()
    {
        QTemporaryDir dir;
        try {
            ReadTextLines(dir.filePath(QStringLiteral("1010.dat")));
            QFAIL("no error for a missing file");
        } catch (const EVantrel& e) {
            QVERIFY2(e.Message().contains(QStringLiteral("1010.dat")), qPrintable(e.Message()));
        }
    }

    void Lines_data()
    {
        QTest::addColumn<QString>("roster");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("callsign");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("tenten");
        const int member = int(TRosterEntry::TKind::Member);
        const int ignored = int(TRosterEntry::TKind::Ignored);
        const int bad = int(TRosterEntry::TKind::Bad);
        const int foreign = int(TRosterEntry::TKind::Foreign);
        QTest::newRow("ten-ten status 2 lower-cases") << "1010"
                                                      << "12345,K1ABC,2" << member << "k1abc"
                                                      << "12345"
                                                      << "";
        QTest::newRow("ten-ten status 1 keeps case") << "1010"
                                                     << "12345,K1ABC,1" << member << "K1ABC"
                                                     << "12345"
                                                     << "";
        QTest::newRow("ten-ten status 2 with blank kept") << "1010"
                                                          << "7,W1AW, 2" << member << "W1AW"
                                                          << "7"
                                                          << "";
        QTest::newRow("ten-ten too few fields") << "1010"
                                                << "12345,K1ABC" << bad << ""
                                                << ""
                                                << "";
        QTest::newRow("ten-ten number not a number") << "1010"
                                                     << "Number,Call,Status" << bad << ""
                                                     << ""
                                                     << "";
        QTest::newRow("ten-ten call sign not one")
            << "1010" << QStringLiteral("12345,K1\u00c4BC,1") << bad << ""
            << ""
            << "";
        QTest::newRow("ten-ten blank line") << "1010"
                                            << "  " << ignored << ""
                                            << ""
                                            << "";
        QTest::newRow("vp header") << "vp"
                                   << "VP,Call,Ten" << ignored << ""
                                   << ""
                                   << "";
        QTest::newRow("vp member") << "vp"
                                   << "0042,K1ABC,12345" << member << ""
                                   << "42"
                                   << "12345";
        QTest::newRow("vp empty number") << "vp"
                                         << ",K1ABC,12345" << bad << ""
                                         << ""
                                         << "";
        QTest::newRow("vp statement text refused") << "vp"
                                                   << "1,x,1 OR 1=1; DROP TABLE tenten" << bad << ""
                                                   << ""
                                                   << "";
        QTest::newRow("vp too few fields") << "vp"
                                           << "42,K1ABC" << bad << ""
                                           << ""
                                           << "";
        QTest::newRow("epc member") << "epc"
                                    << "K1ABC,7" << member << "K1ABC"
                                    << "7"
                                    << "";
        QTest::newRow("epc empty call sign") << "epc"
                                             << ",8" << ignored << ""
                                             << ""
                                             << "";
        QTest::newRow("epc one field") << "epc"
                                       << "K1ABC" << bad << ""
                                       << ""
                                       << "";
        QTest::newRow("070 quoted fields") << "070"
                                           << "\"123\",\"K1ABC\",\"x\"" << member << "K1ABC"
                                           << "123"
                                           << "";
        QTest::newRow("070 backslashes removed") << "070"
                                                 << "\\\"007\\\",W\\1AW" << member << "W1AW"
                                                 << "7"
                                                 << "";
        QTest::newRow("070 header") << "070"
                                    << "\"Number\",\"Call\",\"Name\"" << foreign << ""
                                    << ""
                                    << "";
        QTest::newRow("070 empty spreadsheet row") << "070"
                                                   << "\"\",\"\",\"\"" << ignored << ""
                                                   << ""
                                                   << "";
        QTest::newRow("070 one field") << "070"
                                       << "\"123\"" << bad << ""
                                       << ""
                                       << "";
    }

    void Lines()
    {
        QFETCH(QString, roster);
        QFETCH(QString, line);
        QFETCH(int, kind);
        QFETCH(QString, callsign);
        QFETCH(QString, number);
        QFETCH(QString, tenten);
        const TRosterEntry entry = roster == "1010"  ? ParseTenTenLine(line)
                                   : roster == "vp"  ? ParseVPLine(line)
                                   : roster == "epc" ? ParseEPCLine(line)
                                                     : ParseP070Line(line);
        QCOMPARE(int(entry.kind), kind);
        if (entry.kind == TRosterEntry::TKind::Member) {
            QCOMPARE(entry.callsign, callsign);
            QCOMPARE(entry.number, number);
            QCOMPARE(entry.tenten, tenten);
        }
    }

    // A file is taken for its roster while its damaged and foreign lines are at most twice its members.
    void Problem_data()
    {
        QTest::addColumn<QString>("roster");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("problem");
        QTest::newRow("two damaged lines to one member") << "1010"
                                                         << "1,K1ABC,1\nx\ny\n"
                                                         << QString();
        QTest::newRow("three damaged lines to one member") << "1010"
                                                           << "1,K1ABC,1\nx\ny\nz\n"
                                                           << "only 1 of its 4 lines are members";
        QTest::newRow("blank lines and headers do not count") << "vp"
                                                              << "VP,Call,TenTen\n\n\n\n1,K1ABC,1\n"
                                                              << QString();
        QTest::newRow("EPC heading lines count against")
            << "epc"
            << "EPC list\nas of today\nby the secretary\nEPC # 1 K1ABC\n"
            << "only 1 of its 4 lines are members";
        QTest::newRow("EPC entries left out on purpose are the list's")
            << "epc"
            << "EPC # 1 -\nEPC # 2 -\nEPC # 3 -\nEPC # 4 K1ABC\n"
            << QString();
        QTest::newRow("only blanks") << "1010"
                                     << " \r\n\t\n"
                                     << "the file is empty";
        QTest::newRow("XML") << "070"
                             << "<?xml version=\"1.0\"?><error/>"
                             << "it is a web page or other markup, not a list of members";
        QTest::newRow("a NUL byte") << "1010" << QStringLiteral("1,K1ABC,1\n2,W1AW,1\0\n")
                                    << "it is not a text file";
    }

    void Problem()
    {
        QFETCH(QString, roster);
        QFETCH(QString, text);
        QFETCH(QString, problem);
        const TRoster which = roster == "1010"  ? TRoster::TenTen
                              : roster == "vp"  ? TRoster::VP
                              : roster == "epc" ? TRoster::EPC
                                                : TRoster::P070;
        QCOMPARE(RosterProblem(text, CountRoster(which, text)), problem);
    }
};

VANTREL_TEST(TestRosterFiles)
#include "tst_RosterFiles.moc"
