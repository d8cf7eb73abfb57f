#include "common/TScriptedPrompts.h"
#include "common/TestRegistry.h"
#include "lookup/LookupText.h"
#include "lookup/THamUtil.h"

#include <QTest>

// The lookup panel's texts: the thirteen lines of a result and the bearing line.
class TestLookupText : public QObject
{
    Q_OBJECT

private slots:
    void ThirteenLines();
    void EmptyResult();
    void BearingNumber_data();
    void BearingNumber();
    void BearingLineText();
};

void TestLookupText::ThirteenLines()
{
    TFccRec rec;
    rec.callsign = QStringLiteral("K6VTR");
    rec.entityname = QStringLiteral("Sample Family Trust");
    rec.firstname = QStringLiteral("Jane");
    rec.lastname = QStringLiteral("Sample");
    rec.address = QStringLiteral("PO Box 77");
    rec.city = QStringLiteral("Stockton");
    rec.state = QStringLiteral("CA");
    rec.zipcode = QStringLiteral("95210");
    rec.county = QStringLiteral("San Joaquin");
    rec.grid = QStringLiteral("CM98HA");
    rec.country = QStringLiteral("United States");
    rec.tenten = QStringLiteral("12345");
    rec.vp = QStringLiteral("88");
    rec.EPC = QStringLiteral("E7");
    rec.P070 = QStringLiteral("701");
    rec.opclass = QStringLiteral("E"); // not shown
    QCOMPARE(LookupText(rec), QStringLiteral("K6VTR\n"
                                             "Sample Family Trust\n"
                                             "Jane Sample\n"
                                             "\n"
                                             "PO Box 77\n"
                                             "Stockton CA 95210\n"
                                             "San Joaquin County   Grid: CM98HA\n"
                                             "United States\n"
                                             "\n"
                                             "Ten-Ten: 12345\n"
                                             "       VP: 88\n"
                                             "    EPC: E7\n"
                                             "    070: 701"));
}

void TestLookupText::EmptyResult()
{
    TFccRec rec;
    rec.callsign = QStringLiteral("ok1vtr");
    const QString text = LookupText(rec);
    QCOMPARE(text,
             QStringLiteral(
                 "ok1vtr\n\n \n\n\n  \n County   Grid: \n\n\nTen-Ten: \n       VP: \n    EPC: \n    070: "));
    QCOMPARE(text.split('\n').size(), 13);
    QVERIFY(!text.contains('\r'));
}

void TestLookupText::BearingNumber_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::newRow("one decimal below 100") << 45.678 << "C"
                                           << "45.7";
    QTest::newRow("zero") << 0.0 << "C"
                          << "0.0";
    QTest::newRow("one decimal below 1000") << 157.449 << "C"
                                            << "157.4";
    QTest::newRow("rounds up to 1000") << 999.96 << "C"
                                       << "1000.0";
    QTest::newRow("four significant digits from 1000") << 1234.56 << "C"
                                                       << "1235.0";
    QTest::newRow("four significant digits, rounding down") << 9876.4 << "C"
                                                            << "9876.0";
    QTest::newRow("exponent from 10000") << 12000.0 << "C"
                                         << "1.200E+04";
    QTest::newRow("rounding reaches 10000") << 9999.6 << "C"
                                            << "1.000E+04";
    QTest::newRow("half the globe") << 20002.3 << "C"
                                    << "2.000E+04";
    QTest::newRow("decimal comma") << 45.678 << "de_DE"
                                   << "45,7";
    QTest::newRow("no group separator") << 1234.56 << "en_US"
                                        << "1235.0";
    QTest::newRow("exponent with decimal comma") << 12000.0 << "de_DE"
                                                 << "1,200E+04";
}

void TestLookupText::BearingNumber()
{
    QFETCH(double, value);
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QCOMPARE(FormatBearingNumber(value, QLocale(locale)), text);
}

void TestLookupText::BearingLineText()
{
    QCOMPARE(BearingLine(225.4567, 157.4321, QLocale::c()),
             QStringLiteral("Azimuth: 225.5°    Distance: 157.4 KM"));
    QCOMPARE(BearingLine(44.6, 12000, QLocale(QStringLiteral("de_DE"))),
             QStringLiteral("Azimuth: 44,6°    Distance: 1,200E+04 KM"));

    // From the own locator to the station's.
    TScriptedPrompts prompts;
    THamUtil util(prompts);
    QCOMPARE(BearingLine(util, QStringLiteral("FN31PR"), QStringLiteral("FN20XR"), QLocale::c()),
             QStringLiteral("Azimuth: 225.5°    Distance: 157.4 KM"));
    QCOMPARE(BearingLine(util, QStringLiteral("FN31PR"), QStringLiteral("PM95VQ"), QLocale::c()),
             QStringLiteral("Azimuth: 333.9°    Distance: 1.079E+04 KM"));
    // Nothing found and no own locator: both count as AA00AA.
    QCOMPARE(BearingLine(util, QString(), QString(), QLocale::c()),
             QStringLiteral("Azimuth: 0.0°    Distance: 0.0 KM"));
    QVERIFY(prompts.Records().isEmpty());
    // An invalid own locator warns in the distance and again in the azimuth.
    prompts.AnswerMessage(MsgButton::OK);
    prompts.AnswerMessage(MsgButton::OK);
    BearingLine(util, QStringLiteral("FN31PR99"), QStringLiteral("FN20XR"), QLocale::c());
    QCOMPARE(prompts.Messages().size(), 2);
}

VANTREL_TEST(TestLookupText)
#include "tst_LookupText.moc"
