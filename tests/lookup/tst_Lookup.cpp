#include "common/TScriptedPrompts.h"
#include "common/TTestHome.h"
#include "common/TTestHttpServer.h"
#include "common/TTestTls.h"
#include "common/TestFiles.h"
#include "common/TestRegistry.h"
#include "data/Errors.h"
#include "data/MyFunc.h"
#include "data/TDM.h"
#include "data/TSettings.h"
#include "lookup/TLookup.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <memory>

namespace {

// Creates an SQLite file from statements, on a connection of its own.
void WriteDatabase(const QString& path, const QStringList& statements)
{
    const QString name = QStringLiteral("fixture-") + path;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        QVERIFY2(db.open(), qPrintable(db.lastError().text()));
        QSqlQuery q(db);
        for (const QString& statement : statements) {
            QVERIFY2(q.exec(statement), qPrintable(q.lastError().text() + QStringLiteral(": ") + statement));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

const QStringList kLicenceSchema = {
    QStringLiteral(
        "CREATE TABLE fcc_en (unique_system_identifier INTEGER, call_sign TEXT, entity_name TEXT,"
        " first_name TEXT, last_name TEXT, po_box TEXT, street_address TEXT, city TEXT, state TEXT,"
        " zip_code TEXT, county TEXT)"),
    QStringLiteral("CREATE TABLE fcc_am (unique_system_identifier INTEGER, operator_class TEXT,"
                   " previous_callsign TEXT)"),
    QStringLiteral("CREATE TABLE fcc_hd (unique_system_identifier INTEGER, license_status TEXT)"),
};

// One licence: its entity row, amateur row and header row.
QStringList Licence(int usi, const QString& values, const QString& opclass, const QString& status)
{
    return {QStringLiteral("INSERT INTO fcc_en VALUES (%1, %2)").arg(usi).arg(values),
            QStringLiteral("INSERT INTO fcc_am VALUES (%1, '%2', 'KA1XYZ')").arg(usi).arg(opclass),
            QStringLiteral("INSERT INTO fcc_hd VALUES (%1, '%2')").arg(usi).arg(status)};
}

// A licence folder of realistic shape: K1ABC has a PO box and a zip+4; KH6XYZ only a street address;
// N1ORG a zip code the postal data lacks; ZZ9ZZ a zip code without position and no known prefix; W1OLD
// an expired licence.
void WriteLicenceFolder(const QString& folder, const QString& k1abcFirstName = QStringLiteral("Jane"))
{
    QDir().mkpath(folder);
    QStringList licence = kLicenceSchema;
    licence << Licence(
                   1,
                   QStringLiteral("'K1ABC', '', '%1', 'Sample', 'PO Box 77', '12 Elm St', 'Hartford', 'CT',"
                                  " '06111-1234', 'Licence County'")
                       .arg(k1abcFirstName),
                   QStringLiteral("E"), QStringLiteral("A"))
            << Licence(2,
                       QStringLiteral("'KH6XYZ', '', 'Leilani', 'Example', '', '5 Palm Rd', 'Honolulu', 'HI',"
                                      " '96813', ''"),
                       QStringLiteral("G"), QStringLiteral("A"))
            << Licence(3,
                       QStringLiteral(
                           "'N1ORG', 'Vantrel Radio Club', '', '', NULL, '1 Club Rd', 'Testville', 'ME',"
                           " '99999', 'Club County'"),
                       QStringLiteral(""), QStringLiteral("A"))
            << Licence(4,
                       QStringLiteral("'ZZ9ZZ', '', 'Zed', '', '', '9 Z St', 'Nowhere', 'ZZ', '00000', ''"),
                       QStringLiteral("T"), QStringLiteral("A"))
            << Licence(5,
                       QStringLiteral(
                           "'W1OLD', '', 'Old', 'Timer', '', '3 Gone Rd', 'Hartford', 'CT', '06111', ''"),
                       QStringLiteral("A"), QStringLiteral("E"));
    WriteDatabase(folder + QStringLiteral("/fccdata.db"), licence);
    WriteDatabase(
        folder + QStringLiteral("/postal.db"),
        {QStringLiteral("CREATE TABLE zipcodes (zip TEXT, county TEXT, latitude TEXT, longitude TEXT)"),
         QStringLiteral("INSERT INTO zipcodes VALUES ('06111', 'Hartford', '41.68', '-72.73')"),
         QStringLiteral("INSERT INTO zipcodes VALUES ('96813', 'Honolulu', '21.31', '-157.86')"),
         QStringLiteral("INSERT INTO zipcodes VALUES ('00000', 'Nowhere', '', NULL)")});
}

// A work folder with the reference database (a small prefix table and the club rosters), the settings
// file, and the FCC and Orvane data folders.
struct TLookupFixture
{
    TTestHome home;
    TScriptedPrompts prompts;
    TDM dm;
    std::unique_ptr<TSettings> settings;
    QString fccFolder;
    QString orvaneFolder;

    TLookupFixture()
    {
        home.PrepareWorkFolder();
        dm.OpenConfig(home.Work() + QStringLiteral("config.db"));
        settings = std::make_unique<TSettings>(home.Work() + QStringLiteral("Vantrel.cfg"));
        fccFolder = home.Root() + QStringLiteral("/FCCLookup");
        orvaneFolder = home.Root() + QStringLiteral("/Orvane");
        settings->SaveSetting(SettingKeys::FCCPath, QDir::toNativeSeparators(fccFolder));
        settings->SaveSetting(SettingKeys::OrvanePath, orvaneFolder);
        QSqlQuery q(dm.conConfig());
        for (const char* statement :
             {"DELETE FROM prefix", "DELETE FROM country",
              "INSERT INTO prefix (old, new) VALUES ('K', 'K'), ('N', 'K'), ('KH6', 'KH6')",
              "INSERT INTO country (name, dxcc, prefix) VALUES ('United States', 291, 'K'), ('Hawaii', 110, "
              "'KH6')",
              "INSERT INTO tenten (callsign, ten, vp) VALUES ('K1ABC', '12345', '77'), ('W1AW', '1', '2'),"
              " ('W1OLD', '555', '')",
              "INSERT INTO p070 (callsign, number) VALUES ('K1ABC', '701'), ('W1AW', '999'), ('w1aw', '702')",
              "INSERT INTO epc (callsign, number) VALUES ('K1ABC', 'E123'), ('w1aw', 'E9')"}) {
            if (!q.exec(QString::fromLatin1(statement))) {
                qFatal("%s", qPrintable(q.lastError().text()));
            }
        }
    }
};

} // namespace

// The lookup dispatcher: one source per lookup type, the postal and prefix completion of licence results,
// the roster numbers, and the failures of missing files.
class TestLookup : public QObject
{
    Q_OBJECT

private slots:
    void LicenceLookup_data();
    void LicenceLookup();
    void FullLicenceRecord();
    void TypesWithoutSource_data();
    void TypesWithoutSource();
    void MissingLicenceFile_data();
    void MissingLicenceFile();
    void MissingPostalFile();
    void LicenceFileWithoutTables();
    void FolderChosenAtEachLookup();
    void OnlineResultGetsRosterNumbers_data();
    void OnlineResultGetsRosterNumbers();
};

void TestLookup::LicenceLookup_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("callsign");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("county");
    QTest::addColumn<QString>("grid");
    QTest::addColumn<QString>("country");
    QTest::addColumn<QString>("tenten");
    QTest::newRow("PO box, zip+4, prefix K, rosters") << "K1ABC"
                                                      << "K1ABC"
                                                      << "PO Box 77"
                                                      << "Hartford"
                                                      << "FN31PQ"
                                                      << "United States"
                                                      << "12345";
    QTest::newRow("street address, longer prefix KH6") << "KH6XYZ"
                                                       << "KH6XYZ"
                                                       << "5 Palm Rd"
                                                       << "Honolulu"
                                                       << "BL11BH"
                                                       << "Hawaii"
                                                       << "";
    QTest::newRow("zip not in postal data keeps the licence county") << "N1ORG"
                                                                     << "N1ORG"
                                                                     << "1 Club Rd"
                                                                     << "Club County"
                                                                     << ""
                                                                     << "United States"
                                                                     << "";
    QTest::newRow("zip without position, unknown prefix") << "ZZ9ZZ"
                                                          << "ZZ9ZZ"
                                                          << "9 Z St"
                                                          << "Nowhere"
                                                          << ""
                                                          << ""
                                                          << "";
    QTest::newRow("status not A: nothing, no roster numbers") << "W1OLD"
                                                              << ""
                                                              << ""
                                                              << ""
                                                              << ""
                                                              << ""
                                                              << "";
    QTest::newRow("not licensed") << "K9NONE"
                                  << ""
                                  << ""
                                  << ""
                                  << ""
                                  << ""
                                  << "";
    QTest::newRow("lower case is compared exactly") << "k1abc"
                                                    << ""
                                                    << ""
                                                    << ""
                                                    << ""
                                                    << ""
                                                    << "";
    QTest::newRow("single quote") << "K1'AB"
                                  << ""
                                  << ""
                                  << ""
                                  << ""
                                  << ""
                                  << "";
    QTest::newRow("double quote") << "K1\"AB"
                                  << ""
                                  << ""
                                  << ""
                                  << ""
                                  << ""
                                  << "";
    QTest::newRow("quotes cannot widen the query") << "K1ABC\" or \"1\"=\"1"
                                                   << ""
                                                   << ""
                                                   << ""
                                                   << ""
                                                   << ""
                                                   << "";
}

void TestLookup::LicenceLookup()
{
    QFETCH(QString, call);
    TLookupFixture f;
    WriteLicenceFolder(f.fccFolder);
    TLookup lookup(f.dm, *f.settings, f.prompts);
    const TFccRec rec = lookup.LookupCall(call, LookupTypes::FCCLookup);
    QTEST(rec.callsign, "callsign");
    QTEST(rec.address, "address");
    QTEST(rec.county, "county");
    QTEST(rec.grid, "grid");
    QTEST(rec.country, "country");
    QTEST(rec.tenten, "tenten");
    if (rec.callsign.isEmpty()) {
        QVERIFY(rec.firstname.isEmpty() && rec.vp.isEmpty() && rec.EPC.isEmpty() && rec.P070.isEmpty());
    }
    QVERIFY(f.prompts.Records().isEmpty());
}

void TestLookup::FullLicenceRecord()
{
    TLookupFixture f;
    WriteLicenceFolder(f.fccFolder);
    TLookup lookup(f.dm, *f.settings, f.prompts);
    const TFccRec rec = lookup.LookupCall(QStringLiteral("K1ABC"), LookupTypes::FCCLookup);
    QCOMPARE(rec.firstname, QStringLiteral("Jane"));
    QCOMPARE(rec.lastname, QStringLiteral("Sample"));
    QCOMPARE(rec.entityname, QString());
    QCOMPARE(rec.city, QStringLiteral("Hartford"));
    QCOMPARE(rec.state, QStringLiteral("CT"));
    QCOMPARE(rec.zipcode, QStringLiteral("06111-1234"));
    QCOMPARE(rec.opclass, QStringLiteral("E"));
    QCOMPARE(rec.prevcall, QStringLiteral("KA1XYZ"));
    QCOMPARE(rec.latitude, QStringLiteral("41.68"));
    QCOMPARE(rec.longitude, QStringLiteral("-72.73"));
    QCOMPARE(rec.vp, QStringLiteral("77"));
    QCOMPARE(rec.EPC, QStringLiteral("E123"));
    QCOMPARE(rec.P070, QStringLiteral("701"));
    QCOMPARE(rec.usi, QString());
    QCOMPARE(rec.status, QString());

    const TFccRec club = lookup.LookupCall(QStringLiteral("N1ORG"), LookupTypes::FCCLookup);
    QCOMPARE(club.entityname, QStringLiteral("Vantrel Radio Club"));
    QCOMPARE(club.firstname, QString());
}

void TestLookup::TypesWithoutSource_data()
{
    QTest::addColumn<int>("type");
    QTest::newRow("None") << LookupTypes::None;
    QTest::newRow("QRZ CD") << LookupTypes::QRZCD;
    QTest::newRow("Hamcall") << LookupTypes::Hamcall;
    QTest::newRow("Buckmaster CD") << LookupTypes::BuckmasterCD;
    QTest::newRow("unknown") << 42;
}

void TestLookup::TypesWithoutSource()
{
    QFETCH(int, type);
    TLookupFixture f;
    WriteLicenceFolder(f.fccFolder);
    TLookup lookup(f.dm, *f.settings, f.prompts);
    const TFccRec rec = lookup.LookupCall(QStringLiteral("K1ABC"), type);
    QVERIFY(rec.callsign.isEmpty());
    QVERIFY(rec.tenten.isEmpty());
    QVERIFY(f.prompts.Records().isEmpty());
}

void TestLookup::MissingLicenceFile_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::newRow("Orvane")
        << LookupTypes::Orvane
        << "Orvane data files does not exists.  Please install the program to use this function";
    QTest::newRow("FCC Lookup")
        << LookupTypes::FCCLookup
        << "FCCLookup data files does not exists.  Please install the program to use this function";
}

void TestLookup::MissingLicenceFile()
{
    QFETCH(int, type);
    QFETCH(QString, text);
    TLookupFixture f;
    f.prompts.AnswerMessage(MsgButton::OK);
    TLookup lookup(f.dm, *f.settings, f.prompts);
    const TFccRec rec = lookup.LookupCall(QStringLiteral("K1ABC"), type);
    QVERIFY(rec.callsign.isEmpty());
    QVERIFY(rec.tenten.isEmpty());
    QCOMPARE(f.prompts.Records().size(), 1);
    QCOMPARE(f.prompts.Records()[0].text, text);
    QCOMPARE(f.prompts.Records()[0].kind, MsgKind::Warning);
    QCOMPARE(f.prompts.Records()[0].buttons, MsgButtons(MsgButton::OK));
    // Nothing is created in the other program's folder.
    QVERIFY(!QFile::exists(f.fccFolder + QStringLiteral("/fccdata.db")));
    QVERIFY(!QFile::exists(f.orvaneFolder + QStringLiteral("/fccdata.db")));
}

void TestLookup::MissingPostalFile()
{
    TLookupFixture f;
    WriteLicenceFolder(f.fccFolder);
    QVERIFY(QFile::remove(f.fccFolder + QStringLiteral("/postal.db")));
    TLookup lookup(f.dm, *f.settings, f.prompts);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError,
                             lookup.LookupCall(QStringLiteral("K1ABC"), LookupTypes::FCCLookup));
    QVERIFY(!QFile::exists(f.fccFolder + QStringLiteral("/postal.db")));
    // A call sign the licence data lacks never reaches the postal step.
    QVERIFY(lookup.LookupCall(QStringLiteral("K9NONE"), LookupTypes::FCCLookup).callsign.isEmpty());
}

void TestLookup::LicenceFileWithoutTables()
{
    TLookupFixture f;
    WriteLicenceFolder(f.fccFolder);
    QDir().mkpath(f.orvaneFolder);
    WriteDatabase(f.orvaneFolder + QStringLiteral("/fccdata.db"),
                  {QStringLiteral("CREATE TABLE something_else (x TEXT)")});
    TLookup lookup(f.dm, *f.settings, f.prompts);
    try {
        lookup.LookupCall(QStringLiteral("K1ABC"), LookupTypes::Orvane);
        QFAIL("no error");
    } catch (const EDatabaseError& e) {
        QVERIFY2(e.Message().contains(QStringLiteral("fcc_en")), qPrintable(e.Message()));
    }
    // The next lookup of the other type works on its own folder.
    QCOMPARE(lookup.LookupCall(QStringLiteral("K1ABC"), LookupTypes::FCCLookup).callsign,
             QStringLiteral("K1ABC"));
}

void TestLookup::FolderChosenAtEachLookup()
{
    TLookupFixture f;
    WriteLicenceFolder(f.fccFolder, QStringLiteral("Jane"));
    WriteLicenceFolder(f.orvaneFolder, QStringLiteral("Joan"));
    const QString other = f.home.Root() + QStringLiteral("/Other");
    WriteLicenceFolder(other, QStringLiteral("Jill"));
    TLookup lookup(f.dm, *f.settings, f.prompts);
    const QString call = QStringLiteral("K1ABC");
    QCOMPARE(lookup.LookupCall(call, LookupTypes::FCCLookup).firstname, QStringLiteral("Jane"));
    QCOMPARE(lookup.LookupCall(call, LookupTypes::Orvane).firstname, QStringLiteral("Joan"));
    QCOMPARE(lookup.LookupCall(call, LookupTypes::FCCLookup).firstname, QStringLiteral("Jane"));
    f.settings->SaveSetting(SettingKeys::FCCPath, other);
    QCOMPARE(lookup.LookupCall(call, LookupTypes::FCCLookup).firstname, QStringLiteral("Jill"));
}

void TestLookup::OnlineResultGetsRosterNumbers_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("callReply");
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("tenten");
    QTest::addColumn<QString>("vp");
    QTest::addColumn<QString>("p070");
    QTest::addColumn<QString>("epc");
    // The Ten-Ten roster is searched in upper case, the 070 and EPC rosters exactly as asked.
    QTest::newRow("QRZ not found, lower case") << LookupTypes::QRZXML << "qrz_notfound.xml"
                                               << "w1aw"
                                               << "1"
                                               << "2"
                                               << "702"
                                               << "E9";
    QTest::newRow("QRZ found, upper case") << LookupTypes::QRZXML << "qrz_callsign.xml"
                                           << "W1AW"
                                           << "1"
                                           << "2"
                                           << "999"
                                           << "";
    QTest::newRow("HamQTH not found") << LookupTypes::HamQTHXML << "hamqth_notfound.xml"
                                      << "w1aw"
                                      << "1"
                                      << "2"
                                      << "702"
                                      << "E9";
    QTest::newRow("HamQTH found") << LookupTypes::HamQTHXML << "hamqth_search.xml"
                                  << "K1ABC"
                                  << "12345"
                                  << "77"
                                  << "701"
                                  << "E123";
}

void TestLookup::OnlineResultGetsRosterNumbers()
{
    QFETCH(int, type);
    QFETCH(QString, callReply);
    QFETCH(QString, call);
    TLookupFixture f;
    const bool qrz = type == LookupTypes::QRZXML;
    const TTestTls& tls = TTestTls::Shared();
    QVERIFY2(tls.IsValid(), qPrintable(tls.Error()));
    TTrustCertificate trust(tls.Certificate());
    TTestHttpServer server;
    server.SetHandler([&](const TTestHttpServer::TRequest& request) {
        TTestHttpServer::TResponse response;
        const bool login = request.query.startsWith(qrz ? QStringLiteral("username=") : QStringLiteral("u="));
        response.body =
            ReadFixture(QStringLiteral("lookup/") +
                        (login ? (qrz ? QStringLiteral("qrz_login.xml") : QStringLiteral("hamqth_login.xml"))
                               : callReply));
        return response;
    });
    QVERIFY(server.Listen(tls.NewServer()));
    f.settings->SaveSetting(qrz ? QStringLiteral("QRZXMLUrl") : QStringLiteral("HamQTHUrl"),
                            server.Url(QStringLiteral("/xml")).toString());
    f.settings->Mysettings.QRZXMLid = QStringLiteral("qrzuser");
    f.settings->Mysettings.QRZXMLpass = EncodeText(QStringLiteral("qrz secret"));
    f.settings->Mysettings.HamQTHid = QStringLiteral("hamuser");
    f.settings->Mysettings.HamQTHpass = EncodeText(QStringLiteral("ham;secret"));

    TLookup lookup(f.dm, *f.settings, f.prompts);
    QCOMPARE(lookup.GetQRZ_XML(), QString());
    const TFccRec rec = lookup.LookupCall(call, type);
    QCOMPARE(rec.callsign, call);
    QTEST(rec.tenten, "tenten");
    QTEST(rec.vp, "vp");
    QTEST(rec.P070, "p070");
    QTEST(rec.EPC, "epc");

    // The log's credentials went out decoded, and only QRZ replies are kept for "Show XML".
    QCOMPARE(server.Requests().size(), 2);
    QCOMPARE(server.Requests()[0].query,
             qrz ? QStringLiteral("username=qrzuser;password=qrz+secret;agent=vantrel1.0")
                 : QStringLiteral("u=hamuser&p=ham%3Bsecret"));
    QCOMPARE(server.Requests()[1].query.contains(QStringLiteral("callsign=") + call), true);
    if (qrz) {
        QVERIFY(lookup.GetQRZ_XML().contains(QStringLiteral("QRZDatabase")));
        QVERIFY(!lookup.GetQRZ_XML().contains(QStringLiteral("<Count>12</Count>"))); // the login reply's
    } else {
        QCOMPARE(lookup.GetQRZ_XML(), QString());
    }
}

VANTREL_TEST(TestLookup)
#include "tst_Lookup.moc"
