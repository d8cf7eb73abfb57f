#include "common/TLicenceDump.h"
#include "common/TScriptedPrompts.h"
#include "common/TTestHome.h"
#include "common/TestRegistry.h"
#include "data/Paths.h"
#include "data/TDM.h"
#include "data/TSettings.h"
#include "lookup/LookupText.h"
#include "lookup/TLicenceImport.h"
#include "lookup/TLookup.h"
#include "lookup/UlsRecords.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <memory>

using namespace LicenceDump;

namespace {

// A work folder with the shipped config.db and the FCC data folder set in the settings.
struct TImportFixture
{
    TTestHome home;
    TScriptedPrompts prompts;
    TDM dm;
    std::unique_ptr<TSettings> settings;
    std::unique_ptr<TLookup> lookup;
    QString fccFolder;

    TImportFixture()
    {
        home.PrepareWorkFolder();
        dm.OpenConfig(home.Work() + QStringLiteral("config.db"));
        settings = std::make_unique<TSettings>(home.Work() + QStringLiteral("Vantrel.cfg"));
        fccFolder = home.Root() + QStringLiteral("/FCCLookup");
        settings->SaveSetting(SettingKeys::FCCPath, fccFolder);
        lookup = std::make_unique<TLookup>(dm, *settings, prompts);
    }

    QString Path(const QString& name) const { return home.Root() + QLatin1Char('/') + name; }

    TImportSummary Import(const QString& source)
    {
        TLicenceImport import(source, fccFolder);
        return import.Run();
    }

    TFccRec Lookup(const QString& call) { return lookup->LookupCall(call, LookupTypes::FCCLookup); }

    // The files of the data folder, to show that nothing half-written is left behind.
    QStringList FolderFiles() const { return QDir(fccFolder).entryList(QDir::Files, QDir::Name); }
};

} // namespace

// Building "fccdata.db" and "postal.db" from the FCC's record files, then looking the call signs up
// through the ordinary licence lookup.
class TestLicenceImport : public QObject
{
    Q_OBJECT

private slots:
    void ImportedCallsLookUp_data();
    void ImportedCallsLookUp();
    void BearingFromImportedGrid();
    void SummaryCountsLines_data();
    void SummaryCountsLines();
    void MalformedLines_data();
    void MalformedLines();
    void ReplacesOnlyWhenComplete();
    void UnreadableSource();
    void DailyUpdate();
    void ShippedPostalDataCoversStates();
};

void TestLicenceImport::ImportedCallsLookUp_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("firstname");
    QTest::addColumn<QString>("lastname");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("county");
    QTest::addColumn<QString>("grid");
    QTest::addColumn<QString>("opclass");
    QTest::addColumn<QString>("prevcall");
    QTest::newRow("PO box before street, ZIP+4") << "K1ABC"
                                                 << "Jane"
                                                 << "Sample"
                                                 << "PO Box 77"
                                                 << "Hartford"
                                                 << "FN31PQ"
                                                 << "E"
                                                 << "";
    QTest::newRow("street only, county with accent folded") << "N5ABC"
                                                            << "Pedro"
                                                            << "Mesa"
                                                            << "7 Mesa Rd"
                                                            << "Dona Ana"
                                                            << "DM62OG"
                                                            << "G"
                                                            << "";
    QTest::newRow("expired licence finds nothing") << "W1OLD"
                                                   << ""
                                                   << ""
                                                   << ""
                                                   << ""
                                                   << ""
                                                   << ""
                                                   << "";
    QTest::newRow("reissued call: the active holder") << "K1NEW"
                                                      << "New"
                                                      << "Holder"
                                                      << "2 Second St"
                                                      << "Dona Ana"
                                                      << "DM62OG"
                                                      << "E"
                                                      << "K1OLD";
    QTest::newRow("UTF-8 name") << "KC1UTF"
                                << "José"
                                << "Núñez"
                                << "4 Main St"
                                << "Hartford"
                                << "FN31PQ"
                                << "G"
                                << "";
    QTest::newRow("Latin-1 name") << "KC1LAT"
                                  << "Zoë"
                                  << "Latin"
                                  << "5 Main St"
                                  << "Hartford"
                                  << "FN31PQ"
                                  << "T"
                                  << "";
    QTest::newRow("malformed line imports nothing") << "K1BAD"
                                                    << ""
                                                    << ""
                                                    << ""
                                                    << ""
                                                    << ""
                                                    << ""
                                                    << "";
}

void TestLicenceImport::ImportedCallsLookUp()
{
    QFETCH(QString, call);
    QFETCH(QString, firstname);
    QFETCH(QString, lastname);
    QFETCH(QString, address);
    QFETCH(QString, county);
    QFETCH(QString, grid);
    QFETCH(QString, opclass);
    QFETCH(QString, prevcall);

    TImportFixture f;
    const QString zip = f.Path(QStringLiteral("l_amat.zip"));
    WriteZip(zip, Sample());
    f.Import(zip);

    const TFccRec rec = f.Lookup(call);
    QCOMPARE(rec.callsign, firstname.isEmpty() ? QString() : call);
    QCOMPARE(rec.firstname, firstname);
    QCOMPARE(rec.lastname, lastname);
    QCOMPARE(rec.address, address);
    QCOMPARE(rec.county, county);
    QCOMPARE(rec.grid, grid);
    QCOMPARE(rec.opclass, opclass);
    QCOMPARE(rec.prevcall, prevcall);
    if (!firstname.isEmpty()) {
        QCOMPARE(rec.country, QStringLiteral("United States"));
    }
    QVERIFY(f.prompts.Messages().isEmpty());
}

void TestLicenceImport::BearingFromImportedGrid()
{
    TImportFixture f;
    WriteFolder(f.Path(QStringLiteral("dump")), Sample());
    f.Import(f.Path(QStringLiteral("dump")));
    const TFccRec rec = f.Lookup(QStringLiteral("K1ABC"));
    QCOMPARE(rec.zipcode, QStringLiteral("061111234"));
    QCOMPARE(rec.city, QStringLiteral("Newington"));
    // From Boston (FN42) Newington lies some 160 km to the south-west.
    const double azimuth = f.lookup->HamUtil().Azimuth(QStringLiteral("FN42LI"), rec.grid);
    const double distance = f.lookup->HamUtil().Distance(QStringLiteral("FN42LI"), rec.grid);
    QVERIFY2(azimuth > 225 && azimuth < 250, qPrintable(QString::number(azimuth)));
    QVERIFY2(distance > 130 && distance < 190, qPrintable(QString::number(distance)));
    QVERIFY(!BearingLine(f.lookup->HamUtil(), QStringLiteral("FN42LI"), rec.grid).isEmpty());
}

void TestLicenceImport::SummaryCountsLines_data()
{
    QTest::addColumn<bool>("zipped");
    QTest::newRow("zip file") << true;
    QTest::newRow("unzipped folder, lower-case names") << false;
}

void TestLicenceImport::SummaryCountsLines()
{
    QFETCH(bool, zipped);
    TImportFixture f;
    QString source = f.Path(QStringLiteral("dump"));
    if (zipped) {
        source = f.Path(QStringLiteral("l_amat.zip"));
        TFiles files = Sample();
        files.prepend({QStringLiteral("counts"), QByteArray("not a record file\n")});
        WriteZip(source, files);
    } else {
        TFiles files = Sample();
        for (auto& file : files) {
            file.first = file.first.toLower();
        }
        WriteFolder(source, files);
    }
    const TImportSummary summary = f.Import(source);
    QCOMPARE(summary.en.read, kEnRead);
    QCOMPARE(summary.en.kept, kEnKept);
    QCOMPARE(summary.en.skipped, kEnSkipped);
    QCOMPARE(summary.am.read, kAmRead);
    QCOMPARE(summary.am.kept, kAmKept);
    QCOMPARE(summary.am.skipped, kAmSkipped);
    QCOMPARE(summary.hd.read, kHdRead);
    QCOMPARE(summary.hd.kept, kHdKept);
    QCOMPARE(summary.hd.skipped, kHdSkipped);
    QCOMPARE(summary.withCounty, kEnKept);
    QVERIFY2(summary.Text().contains(QStringLiteral("EN.dat: 10 lines read, 7 kept, 3 skipped")),
             qPrintable(summary.Text()));
    QCOMPARE(f.FolderFiles(), QStringList({QStringLiteral("fccdata.db"), QStringLiteral("postal.db")}));
}

void TestLicenceImport::MalformedLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("valid");
    QTest::newRow("full EN") << EnLine(1, "K1ABC", "A", "B", "1 St", "X", "CT", "06111") << true;
    QTest::newRow("EN with CR") << EnLine(1, "K1ABC", "A", "B", "1 St", "X", "CT", "06111") + "\r" << true;
    QTest::newRow("EN of an older layout, 20 fields")
        << EnLine(1, "K1ABC", "A", "B", "1 St", "X", "CT", "06111").split('|').mid(0, 20).join('|') << true;
    QTest::newRow("EN cut after 19 fields")
        << EnLine(1, "K1ABC", "A", "B", "1 St", "X", "CT", "06111").split('|').mid(0, 19).join('|') << false;
    QTest::newRow("no call sign") << EnLine(1, "", "A", "B", "1 St", "X", "CT", "06111") << false;
    QTest::newRow("identifier with letters")
        << EnLine(1, "K1ABC", "A", "B", "", "", "", "").replace("|1|", "|1a|") << false;
    QTest::newRow("empty identifier")
        << EnLine(1, "K1ABC", "A", "B", "", "", "", "").replace("|1|", "||") << false;
    QTest::newRow("AM line in EN file") << AmLine(1, "K1ABC", "E") << false;
    QTest::newRow("record type in lower case")
        << EnLine(1, "K1ABC", "A", "B", "", "", "", "").replace("EN|", "en|") << false;
}

void TestLicenceImport::MalformedLines()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, valid);
    QByteArray buffer;
    TEnRow row;
    QCOMPARE(UlsRecords::ParseEn(line, buffer, row), valid);
    if (valid) {
        QCOMPARE(row[LicenceColumns::EnCallSign], QByteArrayView("K1ABC"));
        QCOMPARE(row[LicenceColumns::EnZipCode], QByteArrayView("06111"));
    }
}

void TestLicenceImport::ReplacesOnlyWhenComplete()
{
    TImportFixture f;
    const QString first = f.Path(QStringLiteral("first.zip"));
    WriteZip(first, Sample());
    f.Import(first);
    const TFiles newer = {{QStringLiteral("EN.dat"),
                           EnLine(20, "K9NEW", "Nina", "Newer", "9 Ninth St", "Newington", "CT", "06111")},
                          {QStringLiteral("AM.dat"), AmLine(20, "K9NEW", "G")},
                          {QStringLiteral("HD.dat"), HdLine(20, "K9NEW", "A")}};

    // A source without HD.dat fails and leaves the old files answering.
    const QString incomplete = f.Path(QStringLiteral("incomplete.zip"));
    WriteZip(incomplete, newer.mid(0, 2));
    try {
        f.Import(incomplete);
        QFAIL("an import without HD.dat succeeded");
    } catch (const EVantrel& e) {
        QVERIFY2(e.Message().contains(QStringLiteral("HD.dat")), e.what());
    }
    QCOMPARE(f.FolderFiles(), QStringList({QStringLiteral("fccdata.db"), QStringLiteral("postal.db")}));
    QCOMPARE(f.Lookup(QStringLiteral("K1ABC")).firstname, QStringLiteral("Jane"));

    // A cancelled import changes nothing either.
    const QString complete = f.Path(QStringLiteral("complete.zip"));
    WriteZip(complete, newer);
    TLicenceImport cancelled(complete, f.fccFolder);
    cancelled.SetProgress([&](int) { cancelled.Cancel(); });
    QVERIFY_THROWS_EXCEPTION(EImportCancelled, cancelled.Run());
    QCOMPARE(f.FolderFiles(), QStringList({QStringLiteral("fccdata.db"), QStringLiteral("postal.db")}));
    QCOMPARE(f.Lookup(QStringLiteral("K1ABC")).firstname, QStringLiteral("Jane"));
    QVERIFY(f.Lookup(QStringLiteral("K9NEW")).callsign.isEmpty());

    // The complete import replaces the data.
    int last = -1;
    TLicenceImport import(complete, f.fccFolder);
    import.SetProgress([&](int percent) {
        QVERIFY(percent >= last);
    last = percent;
});
import.Run();
QCOMPARE(last, 100);
QVERIFY(f.Lookup(QStringLiteral("K1ABC")).callsign.isEmpty());
QCOMPARE(f.Lookup(QStringLiteral("K9NEW")).firstname, QStringLiteral("Nina"));
QCOMPARE(f.Lookup(QStringLiteral("K9NEW")).county, QStringLiteral("Hartford"));
}

void TestLicenceImport::UnreadableSource()
{
    TImportFixture f;
    const QString notZip = f.Path(QStringLiteral("l_amat.zip"));
    QFile file(notZip);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("this is not a zip file\n");
    file.close();
    QVERIFY_THROWS_EXCEPTION(EVantrel, f.Import(notZip));
    QVERIFY_THROWS_EXCEPTION(EVantrel, f.Import(f.Path(QStringLiteral("missing.zip"))));
    QVERIFY(f.FolderFiles().isEmpty());
}

void TestLicenceImport::DailyUpdate()
{
    TImportFixture f;
    const QString daily = f.Path(QStringLiteral("l_am_0101.zip"));
    // K1ABC's licence expired and N5ABC moved; K9DAY is new; the day brought no AM change for N5ABC.
    WriteZip(daily,
             {{QStringLiteral("EN.dat"),
               EnLine(2, "N5ABC", "Pedro", "Mesa", "8 Elm St", "Newington", "CT", "06111") + "\r\n" +
                   EnLine(30, "K9DAY", "Dana", "Day", "30 Day St", "Las Cruces", "NM", "88001") + "\r\n"},
              {QStringLiteral("AM.dat"), AmLine(30, "K9DAY", "T") + '\n'},
              {QStringLiteral("HD.dat"), HdLine(1, "K1ABC", "E") + '\n' + HdLine(30, "K9DAY", "A") + '\n'}});

    // Nothing to update yet.
    TLicenceImport early(daily, f.fccFolder);
    early.SetUpdate(true);
    QVERIFY_THROWS_EXCEPTION(EVantrel, early.Run());
    QVERIFY(f.FolderFiles().isEmpty());

    const QString dump = f.Path(QStringLiteral("l_amat.zip"));
    WriteZip(dump, Sample());
    f.Import(dump);
    // A file without any record file is no update.
    const QString empty = f.Path(QStringLiteral("empty.zip"));
    WriteZip(empty, {{QStringLiteral("counts"), QByteArray("0\n")}});
    TLicenceImport nothing(empty, f.fccFolder);
    nothing.SetUpdate(true);
    QVERIFY_THROWS_EXCEPTION(EVantrel, nothing.Run());

    TLicenceImport update(daily, f.fccFolder);
    update.SetUpdate(true);
    const TImportSummary summary = update.Run();
    QCOMPARE(summary.en.kept, 2);
    QVERIFY2(summary.Text().startsWith(QStringLiteral("Licence data updated in ")),
             qPrintable(summary.Text()));

    QVERIFY(f.Lookup(QStringLiteral("K1ABC")).callsign.isEmpty());
    const TFccRec moved = f.Lookup(QStringLiteral("N5ABC"));
    QCOMPARE(moved.address, QStringLiteral("8 Elm St"));
    QCOMPARE(moved.county, QStringLiteral("Hartford"));
    QCOMPARE(moved.opclass, QStringLiteral("G"));
    QCOMPARE(f.Lookup(QStringLiteral("K9DAY")).county, QStringLiteral("Dona Ana"));
    QCOMPARE(f.Lookup(QStringLiteral("KC1UTF")).firstname, QStringLiteral("José"));
    QCOMPARE(f.FolderFiles(), QStringList({QStringLiteral("fccdata.db"), QStringLiteral("postal.db")}));
}

void TestLicenceImport::ShippedPostalDataCoversStates()
{
    const QString postal = Paths::ShippedFile(QStringLiteral("postal.db"));
    QVERIFY2(QFile::exists(postal), qPrintable(postal));
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("shipped-postal"));
        db.setDatabaseName(postal);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("SELECT count(DISTINCT state), count(*) FROM zipcodes"
                                      " WHERE county <> '' AND latitude <> '' AND longitude <> ''")));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 51);
        QVERIFY2(q.value(1).toInt() > 40000, qPrintable(q.value(1).toString()));
        QVERIFY(q.exec(QStringLiteral("SELECT county, latitude FROM zipcodes WHERE zip = '20500'")));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("District of Columbia"));
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("shipped-postal"));
}

VANTREL_TEST(TestLicenceImport)
#include "tst_LicenceImport.moc"
