// The reference tables of the shipped "config.db", read the way the program reads them: a copy of the built
// file in a fresh work folder, opened through the data module.

#include "common/TTestHome.h"
#include "common/TestRegistry.h"
#include "data/Errors.h"
#include "data/Paths.h"
#include "data/ReferenceLookup.h"
#include "data/TDM.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTest>
#include <algorithm>
#include <functional>
#include <memory>

class TReferenceDataTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void CountryDXCC_data();
    void CountryDXCC();
    void CountryOfCall_data();
    void CountryOfCall();
    void CountryOfCallWithoutTables();
    void EveryPrefixNamesACountry();
    void CountyCount_data();
    void CountyCount();
    void EveryStateHasCounties();
    void StartupLists();
    void RostersEmptyWithOwnKeys();

private:
    QStringList Column(const QString& statement);

    std::unique_ptr<TTestHome> fHome;
    std::unique_ptr<TDM> fDm;
};

void TReferenceDataTest::initTestCase()
{
    const QString shipped = Paths::ShippedFile(QStringLiteral("config.db"));
    QVERIFY2(QFileInfo::exists(shipped), qPrintable(shipped + QStringLiteral(" was not built")));
    fHome = std::make_unique<TTestHome>();
    QVERIFY(fHome->IsValid());
    fHome->PrepareWorkFolder();
    fDm = std::make_unique<TDM>();
    fDm->OpenConfig(fHome->Work() + QStringLiteral("config.db"));
}

void TReferenceDataTest::cleanupTestCase()
{
    fDm.reset();
    fHome.reset();
}

QStringList TReferenceDataTest::Column(const QString& statement)
{
    QSqlQuery q(fDm->conConfig());
    ExecSql(q, statement);
    QStringList values;
    while (q.next()) {
        values << q.value(0).toString();
    }
    return values;
}

void TReferenceDataTest::CountryDXCC_data()
{
    QTest::addColumn<QString>("country");
    QTest::addColumn<QString>("dxcc"); // empty: the name has no row

    QTest::newRow("United States") << "United States"
                                   << "291";
    QTest::newRow("Canada") << "Canada"
                            << "1";
    QTest::newRow("Japan") << "Japan"
                           << "339";
    QTest::newRow("Germany, as call books name it") << "Germany"
                                                    << "230";
    QTest::newRow("England") << "England"
                             << "223";
    QTest::newRow("Hawaii") << "Hawaii"
                            << "110";
    QTest::newRow("Alaska") << "Alaska"
                            << "6";
    QTest::newRow("Czech Republic") << "Czech Republic"
                                    << "503";
    QTest::newRow("South Korea, as call books name it") << "South Korea"
                                                        << "137";
    QTest::newRow("Turkey, as call books name it") << "Turkey"
                                                   << "390";
    QTest::newRow("name with a quote") << "Cote d'Ivoire"
                                       << "428";
    QTest::newRow("WAE-only area is no country") << "Sicily"
                                                 << "";
    QTest::newRow("a state code is no country") << "AZ"
                                                << "";
}

void TReferenceDataTest::CountryDXCC()
{
    QFETCH(QString, country);
    QFETCH(QString, dxcc);
    QCOMPARE(fDm->CountryDXCC(country).value_or(QString()), dxcc);
}

void TReferenceDataTest::CountryOfCall_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("country");

    QTest::newRow("K1ABC") << "K1ABC"
                           << "United States";
    QTest::newRow("W1AW") << "W1AW"
                          << "United States";
    QTest::newRow("KH6ABC") << "KH6ABC"
                            << "Hawaii";
    QTest::newRow("KL7ABC") << "KL7ABC"
                            << "Alaska";
    QTest::newRow("VE3XYZ") << "VE3XYZ"
                            << "Canada";
    QTest::newRow("G4ABC") << "G4ABC"
                           << "England";
    QTest::newRow("DL1ABC") << "DL1ABC"
                            << "Germany";
    QTest::newRow("JA1ABC") << "JA1ABC"
                            << "Japan";
    QTest::newRow("OK1ABC") << "OK1ABC"
                            << "Czech Republic";
    QTest::newRow("Sicily counts as Italy") << "IT9ABC"
                                            << "Italy";
    QTest::newRow("European Turkey counts as Turkey") << "TA1ABC"
                                                      << "Turkey";
    QTest::newRow("no known prefix") << "QQ1ABC"
                                     << "";
    QTest::newRow("quote in the call") << "O'K1ABC"
                                       << "";
    QTest::newRow("empty call") << ""
                                << "";
}

void TReferenceDataTest::CountryOfCall()
{
    QFETCH(QString, call);
    QFETCH(QString, country);
    QCOMPARE(::CountryOfCall(*fDm, call), country);
}

void TReferenceDataTest::CountryOfCallWithoutTables()
{
    TDM empty;
    // The reference database is never created by opening it: a missing file is an error.
    const QString path = fHome->Root() + QStringLiteral("/empty.db");
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, empty.OpenConfig(path));
    QVERIFY(!QFileInfo::exists(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    empty.OpenConfig(path);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ::CountryOfCall(empty, QStringLiteral("K1ABC")));
}

// A prefix whose entity has no country row would leave the country of its calls empty.
void TReferenceDataTest::EveryPrefixNamesACountry()
{
    QCOMPARE(Column(QStringLiteral("select old from prefix where new not in (select prefix from country)")),
             QStringList());
    QCOMPARE(Column(QStringLiteral("select count(*) from country")), QStringList{QStringLiteral("340")});
}

void TReferenceDataTest::CountyCount_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("count");

    QTest::newRow("Arizona") << "AZ" << 15;
    QTest::newRow("Delaware") << "DE" << 3;
    QTest::newRow("Texas") << "TX" << 254;
    QTest::newRow("Louisiana parishes") << "LA" << 64;
    QTest::newRow("Virginia with its cities") << "VA" << 133;
    QTest::newRow("Alaska boroughs and census areas") << "AK" << 30;
    QTest::newRow("District of Columbia") << "DC" << 1;
    QTest::newRow("a territory has none") << "PR" << 0;
}

void TReferenceDataTest::CountyCount()
{
    QFETCH(QString, state);
    QFETCH(int, count);
    QCOMPARE(fDm->GetCountyList(state).size(), count);
}

void TReferenceDataTest::EveryStateHasCounties()
{
    const QStringList states = fDm->GetStates();
    const QStringList fiftyAndDC =
        QStringLiteral("AK AL AR AZ CA CO CT DC DE FL GA HI IA ID IL IN KS KY LA MA MD ME "
                       "MI MN MO MS MT NC ND NE NH NJ NM NV NY OH OK OR PA RI SC SD TN TX "
                       "UT VA VT WA WI WV WY")
            .split(' ');
    QCOMPARE(fiftyAndDC.size(), 51);
    qsizetype total = 0;
    for (const QString& state : fiftyAndDC) {
        QVERIFY2(states.contains(state), qPrintable(state));
        const QStringList counties = fDm->GetCountyList(state);
        QVERIFY2(!counties.isEmpty(), qPrintable(state));
        total += counties.size();
    }
    // Counties and county equivalents of the 50 states and DC in the current Census list.
    QCOMPARE(total, 3143);
    QCOMPARE(Column(QStringLiteral("select count(*) from county")), QStringList{QString::number(total)});
}

void TReferenceDataTest::StartupLists()
{
    auto sortedUnique = [](const QStringList& list) {
        return std::adjacent_find(list.begin(), list.end(), std::greater_equal<QString>()) == list.end();
    };
    const QStringList countries = fDm->GetCountries();
    const QStringList states = fDm->GetStates();
    const QStringList modes = fDm->GetModes();
    const QStringList events = fDm->GetEvents();
    // The county list keeps table order; the table is kept alphabetical within each state.
    const QStringList counties = fDm->GetCountyList(QStringLiteral("AZ"));
    for (const QStringList* list : {&countries, &states, &modes, &events, &counties}) {
        QVERIFY(!list->isEmpty());
        QVERIFY2(sortedUnique(*list), qPrintable(list->join(',')));
    }
    QVERIFY(countries.contains(QStringLiteral("United States")));
    QVERIFY(modes.contains(QStringLiteral("PSK")));
    for (const char* event : {"Open Season", "Weak Signal", "Spirit Of 76", "General Log", "Mobile"}) {
        QVERIFY2(events.contains(QString::fromLatin1(event)), event);
    }
    QVERIFY(std::all_of(states.begin(), states.end(), [](const QString& s) { return s == s.toUpper(); }));
}

void TReferenceDataTest::RostersEmptyWithOwnKeys()
{
    for (const QString& roster : {QStringLiteral("tenten"), QStringLiteral("epc"), QStringLiteral("p070")}) {
        QCOMPARE(Column(QStringLiteral("select count(*) from ") + QuoteIdent(roster)),
                 QStringList{QStringLiteral("0")});
        // An AUTOINCREMENT key keeps its counter in sqlite_sequence once the first row is in.
        Column(QStringLiteral("insert into ") + QuoteIdent(roster) +
               QStringLiteral(" (callsign) values ('K1ABC')"));
        QCOMPARE(Column(QStringLiteral("select seq from sqlite_sequence where name = '") + roster + '\''),
                 QStringList{QStringLiteral("1")});
    }
}

VANTREL_TEST(TReferenceDataTest)
#include "tst_ReferenceData.moc"
