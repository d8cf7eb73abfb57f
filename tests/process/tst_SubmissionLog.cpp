#include "common/TestRegistry.h"

#include "process/SubmissionLog.h"

#include <QTest>
#include <algorithm>

using TColumns = QList<QPair<int, QString>>;
Q_DECLARE_METATYPE(TColumns)

// The submission log's header and fixed-column QSO lines, called as plain functions.
class TestSubmissionLog : public QObject
{
    Q_OBJECT

private:
    static TMysettings Own()
    {
        TMysettings own;
        own.Callsign = QStringLiteral("W7VNT");
        own.FirstName = QStringLiteral("Rex");
        own.State = QStringLiteral("OR");
        own.TenTen = QStringLiteral("54321");
        return own;
    }

    // The expected line: each text written at its column over blanks. Columns count characters, a
    // character written as a surrogate pair taking one.
    static QString Line(const TColumns& columns)
    {
        QList<uint> line(130, uint(' '));
        for (const auto& [column, text] : columns) {
            const QList<uint> chars = text.toUcs4();
            std::copy(chars.begin(), chars.end(), line.begin() + column);
        }
        return QString::fromUcs4(reinterpret_cast<const char32_t*>(line.constData()), line.size()).trimmed();
    }

    // The characters of a line from a column on.
    static QString At(const QString& line, int column, const QString& text)
    {
        const QList<uint> chars = line.toUcs4().mid(column, text.toUcs4().size());
        return QString::fromUcs4(reinterpret_cast<const char32_t*>(chars.constData()), chars.size());
    }

private slots:
    void ModeCategory_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("category");
        QTest::newRow("CW") << "CW"
                            << "CW";
        QTest::newRow("SSB") << "SSB"
                             << "PH";
        QTest::newRow("AM") << "AM"
                            << "PH";
        QTest::newRow("FM") << "FM"
                            << "PH";
        QTest::newRow("RTTY") << "RTTY"
                              << "RY";
        QTest::newRow("FSK") << "FSK"
                             << "RY";
        QTest::newRow("FT8") << "FT8"
                             << "DG";
        QTest::newRow("PSK31") << "PSK31"
                               << "DG";
        QTest::newRow("empty") << ""
                               << "DG";
        QTest::newRow("lower-case ssb") << "ssb"
                                        << "DG";
        QTest::newRow("lower-case cw") << "cw"
                                       << "DG";
    }
    void ModeCategory()
    {
        QFETCH(QString, mode);
        QFETCH(QString, category);
        QCOMPARE(::ModeCategory(mode), category);
    }

    void QSOLine_data()
    {
        QTest::addColumn<QString>("contest");
        QTest::addColumn<QString>("ownState");
        QTest::addColumn<QString>("ownFirstName");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("qth");
        QTest::addColumn<QString>("tenten");
        QTest::addColumn<QString>("epc");
        QTest::addColumn<QString>("p070");
        QTest::addColumn<TColumns>("columns");

        const QString gl = QStringLiteral("General Log");
        const QString os = QStringLiteral("Open Season");
        auto cols = [](const QString& mode, const QString& dateTime, const QString& state,
                       const QString& call, const QString& name, const QString& qth,
                       const QString& exchange) {
            return TColumns{{0, "QSO: 28000"}, {11, mode},  {14, dateTime}, {30, "W7VNT"},
                            {43, "Rex"},       {54, state}, {59, "54321"},  {65, call},
                            {78, name},        {89, qth},   {94, exchange}};
        };

        QTest::newRow("phone contact in a state")
            << gl << "OR"
            << "Rex"
            << "SSB"
            << "17:05"
            << "K1ABC"
            << "Bob"
            << "MA"
            << "12345"
            << ""
            << "" << cols("PH", "2024-02-03 1705", "OR", "K1ABC", "Bob", "MA", "12345");
        QTest::newRow("time typed without a colon")
            << gl << "OR"
            << "Rex"
            << "CW"
            << "1705"
            << "K1ABC"
            << "Bob"
            << "MA"
            << "12345"
            << ""
            << "" << cols("CW", "2024-02-03 1705", "OR", "K1ABC", "Bob", "MA", "12345");
        QTest::newRow("country name is DX")
            << gl << "OR"
            << "Rex"
            << "RTTY"
            << "17:05"
            << "G3XYZ"
            << "Nigel"
            << "England"
            << "678"
            << ""
            << "" << cols("RY", "2024-02-03 1705", "OR", "G3XYZ", "Nigel", "DX", "00678");
        QTest::newRow("empty qth is DX")
            << gl << "OR"
            << "Rex"
            << "FT8"
            << "17:05"
            << "KP/W3"
            << "Sam"
            << ""
            << ""
            << ""
            << "" << cols("DG", "2024-02-03 1705", "OR", "KP/W3", "Sam", "DX", "00000");
        QTest::newRow("own state not two letters is DX")
            << gl << "Oregon"
            << "Rex"
            << "CW"
            << "17:05"
            << "K1ABC"
            << "Bob"
            << "MA"
            << "12345"
            << ""
            << "" << cols("CW", "2024-02-03 1705", "DX", "K1ABC", "Bob", "MA", "12345");
        QTest::newRow("name cut to 10 characters")
            << gl << "OR"
            << "Rex"
            << "FM"
            << "17:05"
            << "VE3ABC"
            << "Christopher Columbus"
            << "Canada"
            << "4444"
            << ""
            << "" << cols("PH", "2024-02-03 1705", "OR", "VE3ABC", "Christophe", "DX", "04444");
        QTest::newRow("accented name counts characters")
            << gl << "OR"
            << "Rex"
            << "ssb"
            << "00:01"
            << "k9xyz"
            << "José Müller"
            << "OR"
            << "1"
            << ""
            << "" << cols("DG", "2024-02-03 0001", "OR", "k9xyz", "José Mülle", "OR", "00001");
        QTest::newRow("six-digit Ten-Ten number unchanged")
            << gl << "OR"
            << "Rex"
            << "FT8"
            << "18:20"
            << "S1A"
            << "Roy"
            << "Sealand"
            << "123456"
            << ""
            << "" << cols("DG", "2024-02-03 1820", "OR", "S1A", "Roy", "DX", "123456");
        QTest::newRow("Open Season exchange")
            << os << "OR"
            << "Rex"
            << "CW"
            << "17:09"
            << "G3XYZ"
            << "Nigel"
            << "England"
            << "678"
            << "12"
            << "" << cols("CW", "2024-02-03 1709", "OR", "G3XYZ", "Nigel", "DX", "00678-00012-00000");
        QTest::newRow("Open Season five-digit numbers")
            << os << "OR"
            << "Rex"
            << "FM"
            << "19:02"
            << "VE3ABC"
            << "Chris"
            << "Canada"
            << ""
            << "5555"
            << "12345" << cols("PH", "2024-02-03 1902", "OR", "VE3ABC", "Chris", "DX", "00000-05555-12345");
        QTest::newRow("open season in lower case is an ordinary event")
            << "open season"
            << "OR"
            << "Rex"
            << "CW"
            << "17:09"
            << "G3XYZ"
            << "Nigel"
            << "England"
            << "678"
            << "12"
            << "" << cols("CW", "2024-02-03 1709", "OR", "G3XYZ", "Nigel", "DX", "00678");
        QTest::newRow("own first name filling its slot")
            << gl << "OR"
            << "Christopher"
            << "CW"
            << "17:05"
            << "K1ABC"
            << "Bob"
            << "MA"
            << "12345"
            << ""
            << "" << TColumns{{0, "QSO: 28000"}, {11, "CW"},          {14, "2024-02-03 1705"},
                              {30, "W7VNT"},     {43, "Christopher"}, {54, "OR"},
                              {59, "54321"},     {65, "K1ABC"},       {78, "Bob"},
                              {89, "MA"},        {94, "12345"}};
        // A worked call of 14 characters keeps all of them; the name moves one blank after it and the
        // columns from the state on are back in place.
        QTest::newRow("over-long call moves the name only")
            << gl << "OR"
            << "Rex"
            << "CW"
            << "17:05"
            << "VE3ABC/W1AW/MM"
            << "Bob"
            << "MA"
            << "12345"
            << ""
            << ""
            << TColumns{{0, "QSO: 28000"}, {11, "CW"},    {14, "2024-02-03 1705"}, {30, "W7VNT"}, {43, "Rex"},
                        {54, "OR"},        {59, "54321"}, {65, "VE3ABC/W1AW/MM"},  {80, "Bob"},   {89, "MA"},
                        {94, "12345"}};
        QTest::newRow("over-long call and a full name push the state")
            << gl << "OR"
            << "Rex"
            << "CW"
            << "17:05"
            << "VE3ABC/W1AW/MM"
            << "Christopher"
            << "MA"
            << "12345"
            << ""
            << ""
            << TColumns{
                   {0, "QSO: 28000"}, {11, "CW"},    {14, "2024-02-03 1705"}, {30, "W7VNT"},      {43, "Rex"},
                   {54, "OR"},        {59, "54321"}, {65, "VE3ABC/W1AW/MM"},  {80, "Christophe"}, {91, "MA"},
                   {94, "12345"}};
        // Characters written as surrogate pairs take one column each, count once in the name cut, the
        // two-character QTH and the padding of a club number.
        const QString s = QStringLiteral("\U0001D4AE"); // a script capital S
        QTest::newRow("surrogate pairs count as one character")
            << gl << s + "R"
            << "Rex"
            << "CW"
            << "17:05"
            << "K1" + s + "BC" << s + "alvatore Rossi" << s + "Z" << QStringLiteral("\U0001D7D9\U0001D7DA")
            << ""
            << ""
            << cols("CW", "2024-02-03 1705", s + "R", "K1" + s + "BC", s + "alvatore", s + "Z",
                    QStringLiteral("000\U0001D7D9\U0001D7DA"));
        QTest::newRow("line break in a name becomes a blank")
            << gl << "OR"
            << "Rex"
            << "CW"
            << "17:05"
            << "K1ABC"
            << "Bob\nSmith"
            << "MA"
            << "12345"
            << ""
            << "" << cols("CW", "2024-02-03 1705", "OR", "K1ABC", "Bob Smith", "MA", "12345");
        QTest::newRow("NEL and line separator become blanks")
            << gl << "OR"
            << "Rex"
            << "CW"
            << "17:05" << QStringLiteral("K1\u0085AB") << QStringLiteral("Bob\u2028Smith") << "MA"
            << "12345"
            << ""
            << "" << cols("CW", "2024-02-03 1705", "OR", "K1 AB", "Bob Smith", "MA", "12345");
    }
    void QSOLine()
    {
        QFETCH(QString, contest);
        QFETCH(QString, ownState);
        QFETCH(QString, ownFirstName);
        QFETCH(QString, mode);
        QFETCH(QString, time);
        QFETCH(QString, call);
        QFETCH(QString, name);
        QFETCH(QString, qth);
        QFETCH(QString, tenten);
        QFETCH(QString, epc);
        QFETCH(QString, p070);
        QFETCH(TColumns, columns);

        TMysettings own = Own();
        own.State = ownState;
        own.FirstName = ownFirstName;
        const TLogRow row{{"_date", "2024-02-03"}, {"_time", time}, {"_call", call},
                          {"_name", name},         {"_qth", qth},   {"_mode", mode},
                          {"_tenten", tenten},     {"_epc", epc},   {"_p070", p070}};
        const QString line = ::QSOLine(own, row, IsOpenSeason(contest));
        for (const auto& [column, text] : columns) {
            QVERIFY2(
                At(line, column, text) == text,
                qPrintable(QStringLiteral("\"%1\" not at column %2 of\n%3").arg(text).arg(column).arg(line)));
        }
        QCOMPARE(line, Line(columns));
    }

    void CategoryLine_data()
    {
        QTest::addColumn<int>("entityType");
        QTest::addColumn<QString>("category");
        QTest::newRow("0") << 0 << "Category: Low Power";
        QTest::newRow("1") << 1 << "Category: High Power";
        QTest::newRow("2") << 2 << "Category: QRP";
        QTest::newRow("3") << 3 << "Category: Mobile";
        QTest::newRow("4") << 4 << "Category: Club";
        QTest::newRow("5 writes none") << 5 << "";
        QTest::newRow("-1 writes none") << -1 << "";
    }
    void CategoryLine()
    {
        QFETCH(int, entityType);
        QFETCH(QString, category);
        TMysettings own = Own();
        own.ContestName = QStringLiteral("General Log");
        own.EntityType = entityType;
        const QStringList lines =
            SubmissionHeader(own, {1, 2, 3}, {}, QString(), QStringLiteral("\n")).split(QLatin1Char('\n'));
        QStringList expected = {"START-OF-LOG: VANTREL 6.2", "CONTEST: 10-10 General Log", "CALL: W7VNT",
                                "TEN-TEN-NUMBER: 54321"};
        if (!category.isEmpty()) {
            expected << category;
        }
        expected << "OPERATORS: ";
        QCOMPARE(lines.mid(0, expected.size()), expected);
    }

    // The club counts appear only in an Open Season log; the total never includes them.
    void HeaderScoreLines_data()
    {
        QTest::addColumn<QString>("contest");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("ordinary") << "Weak Signal"
                                  << QStringList{"CONTACTS WITH TEN TEN: 7", "CONTACTS WITHOUT TEN TEN: 3",
                                                 "TOTAL CONTACTS: 10", "CLAIMED SCORE: 23"};
        QTest::newRow("Open Season") << "Open Season"
                                     << QStringList{"CONTACTS WITH TEN TEN: 7", "CONTACTS WITHOUT TEN TEN: 3",
                                                    "CONTACTS WITH EPC: 4",     "CONTACTS WITH 070: 5",
                                                    "TOTAL CONTACTS: 10",       "CLAIMED SCORE: 23"};
        QTest::newRow("OPEN SEASON") << "OPEN SEASON"
                                     << QStringList{"CONTACTS WITH TEN TEN: 7", "CONTACTS WITHOUT TEN TEN: 3",
                                                    "TOTAL CONTACTS: 10", "CLAIMED SCORE: 23"};
    }
    void HeaderScoreLines()
    {
        QFETCH(QString, contest);
        QFETCH(QStringList, lines);
        TMysettings own = Own();
        own.ContestName = contest;
        const QString header = SubmissionHeader(own, {7, 3, 23}, {4, 5}, QString(), QStringLiteral("\n"));
        QVERIFY2(header.contains(QStringLiteral("\nCHAPTER ASSIGNMENT: \n") + lines.join('\n') +
                                 QStringLiteral("\nNAME: Rex \n")),
                 qPrintable(header));
        QCOMPARE(header.contains(QStringLiteral("\nEPC: \n070: \n")), IsOpenSeason(contest));
        QVERIFY(header.endsWith(QStringLiteral("\nSOAPBOX: \n\n")));
    }

    // Whatever the own details hold, each stays on its header line: no value can add a "QSO:" or
    // "END_OF_LOG:" line, a tab or a NUL.
    void HeaderValuesStayOnTheirLines()
    {
        TMysettings own = Own();
        own.ContestName = QStringLiteral("Open Season");
        own.FirstName = QStringLiteral("Rex\r\nQSO: 28000 CW 2024-01-01 0000 W7VNT");
        own.LastName = QStringLiteral("Smith\nEND_OF_LOG:");
        own.Address = QStringLiteral("1 Main St\tApt 2");
        own.City = QStringLiteral("Salem\x00");
        own.Email = QStringLiteral("rex@example.org\u2028x");
        own.ClubOperators = QStringLiteral("A\rB");
        own.epc = QStringLiteral("12").append(QChar(0x7F)).append(u'3');
        const QString header = SubmissionHeader(
            own, {1, 0, 2}, {0, 0}, QStringLiteral("Fun\r\n\r\nEND_OF_LOG:"), QStringLiteral("\r\n"));
        const QStringList lines = header.split(QStringLiteral("\r\n"));
        // 23 header lines (Open Season, with a category), the empty line, and the end of the last line end.
        QCOMPARE(lines.size(), 25);
        QCOMPARE(lines.value(22), QStringLiteral("SOAPBOX: Fun    END_OF_LOG:"));
        QCOMPARE(lines.value(23), QString());
        QVERIFY(lines.contains(
            QStringLiteral("NAME: Rex  QSO: 28000 CW 2024-01-01 0000 W7VNT Smith END_OF_LOG:")));
        QVERIFY(lines.contains(QStringLiteral("ADDRESS: 1 Main St Apt 2")));
        QVERIFY(lines.contains(QStringLiteral("ADDRESS-CITY: Salem ")));
        QVERIFY(lines.contains(QStringLiteral("EMAIL ADDRESS: rex@example.org x")));
        QVERIFY(lines.contains(QStringLiteral("OPERATORS: A B")));
        QVERIFY(lines.contains(QStringLiteral("EPC: 12 3")));
        for (const QString& line : lines) {
            QVERIFY2(!line.startsWith(QStringLiteral("QSO:")) &&
                         !line.startsWith(QStringLiteral("END_OF_LOG")),
                     qPrintable(line));
            for (const QChar c : line) {
                QVERIFY2(c.unicode() >= 0x20 && c.unicode() != 0x7F && c.unicode() != 0x2028,
                         qPrintable(line));
            }
        }
    }
};

VANTREL_TEST(TestSubmissionLog)
#include "tst_SubmissionLog.moc"
