#include "common/TScriptedPrompts.h"
#include "common/TestRegistry.h"
#include "data/Errors.h"
#include "lookup/THamUtil.h"

#include <QTest>
#include <cmath>

// Locator conversion, distance and bearing, degree conversions and solar times.
class TestHamUtil : public QObject
{
    Q_OBJECT

private slots:
    void LocatorToLatLong_data();
    void LocatorToLatLong();
    void LatLongToLocator_data();
    void LatLongToLocator();
    void LocatorRoundTrip();
    void DistanceAzimuth_data();
    void DistanceAzimuth();
    void SpecialPositions();
    void InvalidLocator_data();
    void InvalidLocator();
    void InvalidLocatorInDistanceAndAzimuth();
    void DMStoReal_data();
    void DMStoReal();
    void NumAndRealtoDMS();
    void SolarTimes_data();
    void SolarTimes();
    void SolarTimesPolarNight();
};

void TestHamUtil::LocatorToLatLong_data()
{
    QTest::addColumn<QString>("locator");
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    QTest::newRow("empty counts as AA00AA") << "" << -89.9791666667 << -179.9583333333;
    QTest::newRow("three characters count as AA00AA") << "FN3" << -89.9791666667 << -179.9583333333;
    QTest::newRow("square FN31 is FN31LL") << "FN31" << 41.4791666667 << -73.0416666667;
    QTest::newRow("five characters get one L") << "FN31P" << 41.4791666667 << -72.7083333333;
    QTest::newRow("lower case accepted") << "fn31pr" << 41.7291666667 << -72.7083333333;
    QTest::newRow("JJ00AA") << "JJ00AA" << 0.0208333333 << 0.0416666667;
    QTest::newRow("RR99XX top corner") << "RR99XX" << 89.9791666667 << 179.9583333333;
    QTest::newRow("three characters, one a surrogate pair, count as AA00AA")
        << QStringLiteral("F\U0001D7D9N") << -89.9791666667 << -179.9583333333;
}

void TestHamUtil::LocatorToLatLong()
{
    QFETCH(QString, locator);
    QFETCH(double, latitude);
    QFETCH(double, longitude);
    TScriptedPrompts prompts;
    const LatLon p = THamUtil(prompts).LocatorToLatLong(locator);
    QVERIFY2(std::fabs(p.Latitude - latitude) < 1e-9, qPrintable(QString::number(p.Latitude, 'f', 10)));
    QVERIFY2(std::fabs(p.Longitude - longitude) < 1e-9, qPrintable(QString::number(p.Longitude, 'f', 10)));
    QVERIFY(prompts.Records().isEmpty());
}

void TestHamUtil::LatLongToLocator_data()
{
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    QTest::addColumn<QString>("locator");
    QTest::newRow("origin") << 0.0 << 0.0 << "JJ00AA";
    QTest::newRow("south-west corner") << -90.0 << -180.0 << "AA00AA";
    QTest::newRow("north-east corner gives S fields") << 90.0 << 180.0 << "SS00AA";
    QTest::newRow("Hartford area") << 41.68 << -72.73 << "FN31PQ";
    QTest::newRow("Stockton area") << 38.01 << -121.35 << "CM98HA";
    QTest::newRow("Prague") << 50.07 << 14.42 << "JO70FB";
    QTest::newRow("southern and western") << -33.87 << -70.65 << "FF46QD";
}

void TestHamUtil::LatLongToLocator()
{
    QFETCH(double, latitude);
    QFETCH(double, longitude);
    QFETCH(QString, locator);
    TScriptedPrompts prompts;
    QCOMPARE(THamUtil(prompts).LatLongToLocator(latitude, longitude), locator);
    LatLon p;
    p.Latitude = latitude;
    p.Longitude = longitude;
    QCOMPARE(THamUtil(prompts).LatLongToLocator(p), locator);
}

void TestHamUtil::LocatorRoundTrip()
{
    // The centre of every subsquare of a few squares spread over the globe gives its own locator back.
    TScriptedPrompts prompts;
    THamUtil util(prompts);
    for (const QString square : {"AA00", "FN31", "JJ00", "QF56", "RR99"}) {
        for (char x = 'A'; x <= 'X'; ++x) {
            for (char y = 'A'; y <= 'X'; ++y) {
                const QString locator = square + QChar(x) + QChar(y);
                QCOMPARE(util.LatLongToLocator(util.LocatorToLatLong(locator)), locator);
            }
        }
    }
}

void TestHamUtil::DistanceAzimuth_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<double>("distance");
    QTest::addColumn<double>("azimuth");
    QTest::newRow("FN31PR to FN20XR") << "FN31PR"
                                      << "FN20XR" << 157.4 << 225.5;
    QTest::newRow("FN20XR back to FN31PR") << "FN20XR"
                                           << "FN31PR" << 157.4 << 44.6;
    QTest::newRow("equal locators") << "FN31PR"
                                    << "fn31pr" << 0.0 << 0.0;
    QTest::newRow("one subsquare east") << "FN31PR"
                                        << "FN31QR" << 6.9 << 90.0;
    QTest::newRow("one subsquare north") << "FN31PR"
                                         << "FN31PS" << 4.6 << 0.0;
    QTest::newRow("square to its subsquare LL") << "FN31"
                                                << "FN31LL" << 0.0 << 0.0;
    QTest::newRow("across the date line to the west") << "AJ00AA"
                                                      << "RJ90XA" << 9.3 << 270.0;
}

void TestHamUtil::DistanceAzimuth()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(double, distance);
    QFETCH(double, azimuth);
    TScriptedPrompts prompts;
    THamUtil util(prompts);
    const double d = util.Distance(from, to);
    const double a = util.Azimuth(from, to);
    QVERIFY2(std::fabs(d - distance) < 0.05, qPrintable(QString::number(d, 'f', 3)));
    QVERIFY2(std::fabs(a - azimuth) < 0.05, qPrintable(QString::number(a, 'f', 3)));
    QVERIFY(a >= 0 && a < 360);
    QVERIFY(prompts.Records().isEmpty());
}

void TestHamUtil::SpecialPositions()
{
    TScriptedPrompts prompts;
    THamUtil util(prompts);
    auto at = [](double latitude, double longitude) {
        LatLon p;
        p.Latitude = latitude;
        p.Longitude = longitude;
        return p;
    };
    // A quarter circle apart: the central angle is pi / 2.
    QVERIFY(std::fabs(util.Distance(at(0, 0), at(0, 90)) - THamUtil::kEarthRadiusKm * M_PI / 2) < 1e-6);
    QVERIFY(std::fabs(util.Azimuth(at(0, 0), at(0, 90)) - 90) < 1e-9);
    QVERIFY(std::fabs(util.Distance(at(0, 0), at(90, 0)) - THamUtil::kEarthRadiusKm * M_PI / 2) < 1e-6);
    // Points a hair apart where rounding takes the cosine of the angle just past 1: a tiny distance and a
    // bearing, not "nan".
    const LatLon a = at(-5.2061204167386279, -152.35583565452231);
    const LatLon b = at(-5.2061204167386279, -152.35583565452231 + 1e-9);
    QVERIFY2(util.Distance(a, b) < 0.001, qPrintable(QString::number(util.Distance(a, b))));
    QVERIFY(std::isfinite(util.Azimuth(a, b)));
    // Antipodes and poles have no defined bearing: it is a number in range, and the distance is half
    // the circumference.
    const double antipode = util.Azimuth(at(10, 20), at(-10, -160));
    QVERIFY(std::isfinite(antipode) && antipode >= 0 && antipode < 360);
    QVERIFY(std::fabs(util.Distance(at(10, 20), at(-10, -160)) - THamUtil::kEarthRadiusKm * M_PI) < 1e-3);
    const double fromPole = util.Azimuth(at(90, 0), at(45, 10));
    QVERIFY(std::isfinite(fromPole) && fromPole >= 0 && fromPole < 360);
    QVERIFY(prompts.Records().isEmpty());
}

void TestHamUtil::InvalidLocator_data()
{
    QTest::addColumn<QString>("locator");
    QTest::addColumn<QString>("shown");
    QTest::newRow("eight characters") << "FN31PR12"
                                      << "FN31PR12";
    QTest::newRow("field letter beyond R") << "FZ31PR"
                                           << "FZ31PR";
    QTest::newRow("subsquare letter beyond X, lower case") << "fn31py"
                                                           << "FN31PY";
    QTest::newRow("letter in a digit place, padded") << "FNA1"
                                                     << "FNA1LL";
    QTest::newRow("spaces") << "FN 31PR"
                            << "FN 31PR";
    QTest::newRow("final line feed") << "FN31PR\n"
                                     << "FN31PR\n";
    // Four characters, one written as a surrogate pair: padded with two L to six, then refused.
    QTest::newRow("four characters with a surrogate pair")
        << QStringLiteral("FN3\U0001D7D9") << QStringLiteral("FN3\U0001D7D9LL");
}

void TestHamUtil::InvalidLocator()
{
    QFETCH(QString, locator);
    QFETCH(QString, shown);
    TScriptedPrompts prompts;
    prompts.AnswerMessage(MsgButton::OK);
    const LatLon p = THamUtil(prompts).LocatorToLatLong(locator);
    QCOMPARE(prompts.Records().size(), 1);
    const auto& box = prompts.Records().first();
    QVERIFY2(box.text.startsWith(shown + ' '), qPrintable(box.text));
    QCOMPARE(box.kind, MsgKind::Warning);
    QCOMPARE(box.buttons, MsgButtons(MsgButton::OK));
    QCOMPARE(p.Latitude, 0.0);
    QCOMPARE(p.Longitude, 0.0);
}

void TestHamUtil::InvalidLocatorInDistanceAndAzimuth()
{
    // Each invalid argument warns once in Distance and once more in Azimuth, the station's locator first;
    // both still give figures.
    TScriptedPrompts prompts;
    for (int i = 0; i < 4; ++i) {
        prompts.AnswerMessage(MsgButton::OK);
    }
    THamUtil util(prompts);
    const double d = util.Distance(QStringLiteral("XX00"), QStringLiteral("FN31PR12"));
    const double a = util.Azimuth(QStringLiteral("XX00"), QStringLiteral("FN31PR12"));
    QVERIFY(std::isfinite(d) && std::isfinite(a));
    const QStringList texts = prompts.Messages();
    QCOMPARE(texts.size(), 4);
    QVERIFY(texts[0].startsWith(QStringLiteral("FN31PR12 ")));
    QVERIFY(texts[1].startsWith(QStringLiteral("XX00LL ")));
    QVERIFY(texts[2].startsWith(QStringLiteral("FN31PR12 ")));
    QVERIFY(texts[3].startsWith(QStringLiteral("XX00LL ")));
}

void TestHamUtil::DMStoReal_data()
{
    QTest::addColumn<QString>("deg");
    QTest::addColumn<QString>("min");
    QTest::addColumn<QString>("sec");
    QTest::addColumn<double>("value");
    QTest::newRow("west") << "W072"
                          << "30"
                          << "0" << -72.5;
    QTest::newRow("north") << "N41"
                           << "43"
                           << "45" << 41.7291666667;
    QTest::newRow("south with decimal seconds") << "S33"
                                                << "52"
                                                << "4.5" << -33.8679166667;
    QTest::newRow("east") << "E151"
                          << "12"
                          << "36" << 151.21;
    QTest::newRow("lower-case w is not west") << "w072"
                                              << "30"
                                              << "0" << 72.5;
}

void TestHamUtil::DMStoReal()
{
    QFETCH(QString, deg);
    QFETCH(QString, min);
    QFETCH(QString, sec);
    QFETCH(double, value);
    TScriptedPrompts prompts;
    QVERIFY(std::fabs(THamUtil(prompts).DMStoReal(deg, min, sec) - value) < 1e-9);
}

void TestHamUtil::NumAndRealtoDMS()
{
    TScriptedPrompts prompts;
    THamUtil util(prompts);
    QCOMPARE(util.Num(3.75).ip, 3);
    QCOMPARE(util.Num(3.75).fp, 0.75);
    QCOMPARE(util.Num(-3.75).ip, -3);
    QCOMPARE(util.Num(-3.75).fp, -0.75);
    QCOMPARE(util.RealtoDMS(-72.5), QStringLiteral("72-30-0.00"));
    QCOMPARE(util.RealtoDMS(41.7291666667), QStringLiteral("41-43-45.00"));
    QCOMPARE(util.RealtoDMS(-33.8679166667), QStringLiteral("33-52-4.50"));
    // 10.9999999 degrees is 10-59-59.99964 seconds: rounding carries into the next degree.
    QCOMPARE(util.RealtoDMS(10.9999999), QStringLiteral("11-0-0.00"));
    QVERIFY_THROWS_EXCEPTION(EVantrel, util.DMStoReal(QStringLiteral("W0x2"), QStringLiteral("30"), "0"));
}

void TestHamUtil::SolarTimes_data()
{
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QDateTime>("sunrise");
    QTest::addColumn<QDateTime>("noon");
    QTest::addColumn<QDateTime>("sunset");
    // Published times of the places, in UTC.
    QTest::newRow("Greenwich midsummer")
        << 51.4769 << 0.0 << QDate(2024, 6, 21) << QDateTime(QDate(2024, 6, 21), QTime(3, 43), Qt::UTC)
        << QDateTime(QDate(2024, 6, 21), QTime(12, 2), Qt::UTC)
        << QDateTime(QDate(2024, 6, 21), QTime(20, 21), Qt::UTC);
    // Far east of Greenwich the sun rises on the UTC day before.
    QTest::newRow("Sydney midsummer") << -33.8688 << 151.2093 << QDate(2024, 12, 21)
                                      << QDateTime(QDate(2024, 12, 20), QTime(18, 41), Qt::UTC)
                                      << QDateTime(QDate(2024, 12, 21), QTime(1, 53), Qt::UTC)
                                      << QDateTime(QDate(2024, 12, 21), QTime(9, 5), Qt::UTC);
}

void TestHamUtil::SolarTimes()
{
    QFETCH(double, latitude);
    QFETCH(double, longitude);
    QFETCH(QDate, date);
    QFETCH(QDateTime, sunrise);
    QFETCH(QDateTime, noon);
    QFETCH(QDateTime, sunset);
    TScriptedPrompts prompts;
    QDateTime rise;
    QDateTime middle;
    QDateTime set;
    THamUtil(prompts).CalculateSolarTimes(latitude, longitude, QDateTime(date, QTime(15, 30)), rise, middle,
                                          set);
    // The short series are good to a few minutes.
    auto near = [](const QDateTime& got, const QDateTime& expected) {
        return got.isValid() && std::abs(got.secsTo(expected)) <= 4 * 60;
    };
    QVERIFY2(near(rise, sunrise), qPrintable(rise.toString(Qt::ISODate)));
    QVERIFY2(near(middle, noon), qPrintable(middle.toString(Qt::ISODate)));
    QVERIFY2(near(set, sunset), qPrintable(set.toString(Qt::ISODate)));
    QCOMPARE(rise.timeSpec(), Qt::UTC);
    QCOMPARE(rise.time().second(), 0);
}

void TestHamUtil::SolarTimesPolarNight()
{
    TScriptedPrompts prompts;
    QDateTime rise;
    QDateTime noon;
    QDateTime set;
    THamUtil(prompts).CalculateSolarTimes(69.65, 18.96, QDateTime(QDate(2024, 12, 21), QTime(0, 0)), rise,
                                          noon, set);
    QVERIFY(!rise.isValid());
    QVERIFY(!set.isValid());
    QVERIFY(noon.isValid());
    QCOMPARE(noon.date(), QDate(2024, 12, 21));
    QVERIFY(std::abs(noon.secsTo(QDateTime(QDate(2024, 12, 21), QTime(10, 42), Qt::UTC))) <= 4 * 60);
}

VANTREL_TEST(TestHamUtil)
#include "tst_HamUtil.moc"
