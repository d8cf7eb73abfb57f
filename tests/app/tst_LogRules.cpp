#include "app/LogRules.h"
#include "common/TestRegistry.h"

#include <QTest>

// Table names, points and duplicate rules, without a window.
class TestLogRules : public QObject
{
    Q_OBJECT

private slots:
    void Points_data()
    {
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("tenten");
        QTest::addColumn<QString>("epc");
        QTest::addColumn<QString>("p070");
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("with");
        QTest::newRow("ordinary member") << "Winter Phone"
                                         << "1234"
                                         << ""
                                         << "" << 2 << 2 << true;
        QTest::newRow("Weak Signal member") << "Weak Signal"
                                            << "1234"
                                            << ""
                                            << "" << 3 << 3 << true;
        QTest::newRow("no number") << "Winter Phone"
                                   << ""
                                   << ""
                                   << "" << 1 << 1 << false;
        QTest::newRow("0 is no number") << "Winter Phone"
                                        << "0"
                                        << ""
                                        << "" << 1 << 1 << false;
        QTest::newRow("00 is a number") << "Winter Phone"
                                        << "00"
                                        << ""
                                        << "" << 2 << 2 << true;
        QTest::newRow("letters") << "Weak Signal"
                                 << "ABC"
                                 << ""
                                 << "" << 1 << 1 << false;
        QTest::newRow("12A") << "Winter Phone"
                             << "12A"
                             << ""
                             << "" << 1 << 1 << false;
        QTest::newRow("Open Season with EPC and 070") << "Open Season"
                                                      << "1234"
                                                      << "567"
                                                      << "89" << 4 << 4 << true;
        QTest::newRow("Open Season EPC only") << "Open Season"
                                              << ""
                                              << "567"
                                              << "" << 2 << 2 << false;
        QTest::newRow("EPC outside Open Season") << "Winter Phone"
                                                 << "1234"
                                                 << "567"
                                                 << "89" << 2 << 2 << true;
        QTest::newRow("Open Season in other case") << "open season"
                                                   << "1234"
                                                   << "567"
                                                   << "" << 2 << 2 << true;
        QTest::newRow("General Log stores 0") << "General Log"
                                              << "1234"
                                              << ""
                                              << "" << 2 << 0 << true;
    }

    void Points()
    {
        QFETCH(QString, event);
        QFETCH(QString, tenten);
        QFETCH(QString, epc);
        QFETCH(QString, p070);
        QFETCH(int, points);
        QFETCH(int, stored);
        QFETCH(bool, with);
        const TContactScore score = ScoreContact(event, tenten, epc, p070);
        QCOMPARE(score.points, points);
        QCOMPARE(score.stored, stored);
        QCOMPARE(score.withTenTen, with);
        QCOMPARE(score.withEpc, event == QStringLiteral("Open Season") && !epc.isEmpty());
        QCOMPARE(score.with070, event == QStringLiteral("Open Season") && !p070.isEmpty());
    }

    void TableName_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "N0CALL"
                               << "Open Season"
                               << "N0CALL_2024_Open_Season";
        QTest::newRow("every space replaced") << "N0CALL"
                                              << "Spirit Of 76"
                                              << "N0CALL_2024_Spirit_Of_76";
        QTest::newRow("portable call") << "W1AW/M"
                                       << "Open Season"
                                       << "W1AW_M_2024_Open_Season";
        QTest::newRow("leading digit") << "9A1A"
                                       << "Sprint"
                                       << "9A1A_2024_Sprint";
        QTest::newRow("quote and dash") << "K1\"X"
                                        << "Fall-CW"
                                        << "K1_X_2024_Fall_CW";
        QTest::newRow("one _ for a character written as a surrogate pair")
            << QStringLiteral("K1\U0001D4AEX") << QStringLiteral("Caf\u00e9 \U0001F4FB")
            << QStringLiteral("K1_X_2024_Caf___");
    }

    void TableName()
    {
        QFETCH(QString, call);
        QFETCH(QString, event);
        QFETCH(QString, name);
        QCOMPARE(FormTableName(call, 2024, event), name);
    }

    // Every path stores a contact's time as hh:mm: the submission log's time column has four characters.
    void ContactTime_data()
    {
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("stored");
        QTest::newRow("hh:mm as the clock writes it") << "16:21"
                                                      << "16:21";
        QTest::newRow("hhmmss of fldigi and WSJT-X") << "162130"
                                                     << "16:21";
        QTest::newRow("hhmm") << "0915"
                              << "09:15";
        QTest::newRow("hh:mm:ss") << "23:59:59"
                                  << "23:59";
        QTest::newRow("blanks around") << " 1621 "
                                       << "16:21";
        QTest::newRow("midnight") << "000000"
                                  << "00:00";
        QTest::newRow("no time: kept") << "2561"
                                       << "2561";
        QTest::newRow("seconds out of range: kept") << "162161"
                                                    << "162161";
        QTest::newRow("text: kept") << "noon"
                                    << "noon";
        QTest::newRow("five digits: kept") << "16215"
                                           << "16215";
        QTest::newRow("empty") << ""
                               << "";
    }

    void ContactTime()
    {
        QFETCH(QString, time);
        QFETCH(QString, stored);
        QCOMPARE(::ContactTime(time), stored);
    }

    void DupeRules()
    {
        QCOMPARE(DupeRuleOf(QStringLiteral("Spirit Of 76")), TDupeRule::SameCallAndMode);
        QCOMPARE(DupeRuleOf(QStringLiteral("Mobile")), TDupeRule::SameCallAndCounty);
        QCOMPARE(DupeRuleOf(QStringLiteral("mobile")), TDupeRule::SameCall);
        QCOMPARE(DupeRuleOf(QStringLiteral("Open Season")), TDupeRule::SameCall);
    }
};

VANTREL_TEST(TestLogRules)
#include "tst_LogRules.moc"
