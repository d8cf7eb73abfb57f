#include "common/TestRegistry.h"

#include "process/TDupeSheet.h"

#include <QRandomGenerator>
#include <QTest>
#include <algorithm>

// The dupe sheet: call areas and the sheet's text.
class TestDupeSheet : public QObject
{
    Q_OBJECT

private slots:
    void CallArea_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<int>("area"); // -1: not listed
        QTest::newRow("plain call") << "K1ABC" << 1;
        QTest::newRow("two-letter prefix") << "DL1ABC" << 1;
        QTest::newRow("digit first") << "4U1UN" << 4;
        QTest::newRow("portable suffix after an earlier digit") << "W1AW/7" << 1;
        QTest::newRow("portable prefix") << "VE3/W1AW" << 3;
        QTest::newRow("only digit is last") << "KP/W3" << -1;
        QTest::newRow("two characters, digit last") << "K1" << -1;
        QTest::newRow("two characters, digit first") << "1K" << 1;
        QTest::newRow("one character") << "7" << -1;
        QTest::newRow("no digit") << "NOCALL" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("area zero") << "KH0AB" << 0;
        QTest::newRow("non-ASCII digit is no area") << QString::fromUtf8("K٣ABC") << -1;
    }
    void CallArea()
    {
        QFETCH(QString, call);
        QFETCH(int, area);
        QCOMPARE(TDupeSheet::CallArea(call).value_or(-1), area);
    }

    void EmptySheet()
    {
        QCOMPARE(TDupeSheet().Text("W7VNT", "General Log"),
                 QString("W7VNT General Log Dupe Sheet\n"
                         "\n\nCall Area 0\n\n\nCall Area 1\n\n\nCall Area 2\n\n\nCall Area 3\n"
                         "\n\nCall Area 4\n\n\nCall Area 5\n\n\nCall Area 6\n\n\nCall Area 7\n"
                         "\n\nCall Area 8\n\n\nCall Area 9\n"));
    }

    // Calls sorted without regard to case, repeated calls kept, calls without an area left out.
    void SortedAreas()
    {
        TDupeSheet sheet;
        for (const char* call : {"W1XYZ", "k1abc", "K1ABC", "KP/W3", "N9AA", "AA1B", "W1XYZ", "K9A/1"}) {
            sheet.Add(call);
        }
        const QString text = sheet.Text("W7VNT", "Open Season");
        QVERIFY(text.startsWith("W7VNT Open Season Dupe Sheet\n\n\nCall Area 0\n\n\nCall Area 1\n"
                                "AA1B,k1abc,K1ABC,W1XYZ,W1XYZ,\n\nCall Area 2\n"));
        QVERIFY(text.endsWith("\n\nCall Area 9\nK9A/1,N9AA,"));
        QVERIFY(!text.contains("KP/W3"));
    }

    // The order of a large sheet is that of QString::compare without regard to case, equal calls in the
    // order added: calls that share long beginnings, differ only in case or in characters around the
    // letters ("_", "/", digits), are longer than eight characters, or hold letters outside ASCII (a sheet
    // of ASCII calls only is sorted on a shorter path).
    void OrderOfManyCalls_data()
    {
        QTest::addColumn<QString>("alphabet");
        QTest::newRow("ASCII calls") << "KkAa_/019";
        QTest::newRow("letters outside ASCII") << QString::fromUtf8("KkAa_/019ÄäŁ");
    }
    void OrderOfManyCalls()
    {
        QFETCH(QString, alphabet);
        QRandomGenerator random(16);
        TDupeSheet sheet;
        QStringList calls;
        for (int i = 0; i < 3000; ++i) {
            QString call = QStringLiteral("W1");
            for (int n = 1 + random.bounded(11); n > 0; --n) {
                call += alphabet.at(random.bounded(int(alphabet.size())));
            }
            sheet.Add(call);
            calls << call;
        }
        std::stable_sort(calls.begin(), calls.end(), [](const QString& a, const QString& b) {
            return QString::compare(a, b, Qt::CaseInsensitive) < 0;
        });
        const QString text = sheet.Text("W7VNT", "Open Season");
        QVERIFY(text.contains("\nCall Area 1\n" + calls.join(',') + ",\n\nCall Area 2\n"));
    }

    // A call sign holding a comma, a line break, a tab or a NUL stays one entry on its area's line.
    void CallsStayWhole()
    {
        TDupeSheet sheet;
        for (const QString& call :
             {QStringLiteral("K1A,B"), QStringLiteral("K1C\nD"), QStringLiteral("K1E\tF"),
              QStringLiteral("K1G").append(QChar(0)).append(QLatin1Char('H')),
              QStringLiteral("K1I\r\nCall Area 2")}) {
            sheet.Add(call);
        }
        const QString text = sheet.Text(QStringLiteral("W7VNT\n"), QStringLiteral("General\tLog"));
        QVERIFY2(
            text.startsWith(QStringLiteral("W7VNT  General Log Dupe Sheet\n\n\nCall Area 0\n\n\nCall Area 1\n"
                                           "K1A B,K1C D,K1E F,K1G H,K1I  Call Area 2,\n\nCall Area 2\n\n")),
            qPrintable(text));
        QCOMPARE(text.count(QLatin1Char('\n')), 31);
        QVERIFY(!text.contains(QChar(0)) && !text.contains(QLatin1Char('\t')) &&
                !text.contains(QLatin1Char('\r')));
    }
};

VANTREL_TEST(TestDupeSheet)
#include "tst_DupeSheet.moc"
