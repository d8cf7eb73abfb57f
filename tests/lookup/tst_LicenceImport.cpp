#include "common/TLicenceDump.h"
#include "common/TPeakMemory.h"
#include "common/TPeer.h"
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

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
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
    void NoLicenseeRefused_data();
    void NoLicenseeRefused();
    void FarFewerLicenseesNeedForce();
    void CommandLine_data();
    void CommandLine();
    void OverlongLinesSkipped();
    void StalePartsRemoved();
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
    TLicenceImport fresh(complete, f.fccFolder);
    fresh.SetForce(true);
    fresh.SetProgress([&](int percent) {
        QVERIFY(percent >= last);
        last = percent;
    });
    fresh.Run();
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

// Sources that give no usable licensee never replace working data: the old files answer as before and
// nothing half-written is left; a line without end is never held in memory, and only plain files are read.
void TestLicenceImport::NoLicenseeRefused_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty EN.dat") << "empty-en"
                                  << "The new licence data would hold no licensee (EN.dat: 0 lines read";
    QTest::newRow("record files that are web pages")
        << "html"
        << "The new licence data would hold no licensee (EN.dat: 2 lines read, 0 kept, 2 skipped)";
    QTest::newRow("EN.dat a link in the zip")
        << "zip-link"
        << "EN.dat is not a plain file (a link or a folder); it is not read";
    QTest::newRow("EN.dat a link to /dev/zero") << "dev-zero"
                                                << "EN.dat is not a plain file; it is not read";
    QTest::newRow("EN.dat one line of 128 MB") << "long-line"
                                               << "The new licence data would hold no licensee (EN.dat: 1 "
                                                  "lines read, 0 kept, 1 skipped (1 longer than "
                                                  "any record))";
}

void TestLicenceImport::NoLicenseeRefused()
{
    QFETCH(QString, source);
    QFETCH(QString, message);
    TImportFixture f;
    const QString first = f.Path(QStringLiteral("l_amat.zip"));
    WriteZip(first, Sample());
    f.Import(first);

    TFiles files = Sample();
    QString path = f.Path(QStringLiteral("bad.zip"));
    if (source == "empty-en") {
        files[0].second.clear();
        WriteZip(path, files);
    } else if (source == "html") {
        for (auto& file : files) {
            file.second = "<html><body>Service unavailable</body>\n</html>\n";
        }
        WriteZip(path, files);
    } else if (source == "zip-link") {
        WriteZip(path, files.mid(1), {{QStringLiteral("EN.dat"), QStringLiteral("/dev/zero")}});
    } else {
        path = f.Path(QStringLiteral("dump"));
        WriteFolder(path, files.mid(1));
        const QString en = path + QStringLiteral("/EN.dat");
        if (source == "dev-zero") {
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), en));
        } else {
            QFile file(en);
            QVERIFY(file.open(QIODevice::WriteOnly));
            const QByteArray block(1024 * 1024, 'x');
            for (int i = 0; i < 128; ++i) {
                QVERIFY(file.write(block) == block.size());
            }
        }
    }
    ResetPeakMemory();
    const qint64 before = PeakMemory();
    try {
        f.Import(path);
        QFAIL("a source without licensees replaced the data");
    } catch (const EVantrel& e) {
        QVERIFY2(e.Message().contains(message), e.what());
    }
    QVERIFY2(PeakMemory() - before < 64 * 1024 * 1024, qPrintable(QString::number(PeakMemory() - before)));
    QCOMPARE(f.Lookup(QStringLiteral("K1ABC")).firstname, QStringLiteral("Jane"));
    QCOMPARE(f.FolderFiles(), QStringList({QStringLiteral("fccdata.db"), QStringLiteral("postal.db")}));
}

// New data with far fewer licensees than the data it replaces (a cut file, the wrong file) is refused
// unless forced; with no old data any licensee is enough.
void TestLicenceImport::FarFewerLicenseesNeedForce()
{
    TImportFixture f;
    const QString few = f.Path(QStringLiteral("few.zip"));
    WriteZip(few, {{QStringLiteral("EN.dat"),
                    EnLine(20, "K9NEW", "Nina", "Newer", "9 St", "Newington", "CT", "06111")},
                   {QStringLiteral("AM.dat"), AmLine(20, "K9NEW", "G")},
                   {QStringLiteral("HD.dat"), HdLine(20, "K9NEW", "A")}});
    const QString full = f.Path(QStringLiteral("l_amat.zip"));
    WriteZip(full, Sample());
    f.Import(full);
    try {
        f.Import(few);
        QFAIL("1 licensee replaced 7");
    } catch (const ELicenceRefused& e) {
        QVERIFY2(
            e.Message().startsWith(QStringLiteral("The new licence data would hold 1 licensees, far fewer "
                                                  "than the 7 of the data it would replace in ")),
            e.what());
        QVERIFY2(e.Message().contains(QStringLiteral("--force")), e.what());
    }
    QCOMPARE(f.Lookup(QStringLiteral("K1ABC")).firstname, QStringLiteral("Jane"));
    TLicenceImport forced(few, f.fccFolder);
    forced.SetForce(true);
    forced.Run();
    QCOMPARE(f.Lookup(QStringLiteral("K9NEW")).firstname, QStringLiteral("Nina"));
    QVERIFY(f.Lookup(QStringLiteral("K1ABC")).callsign.isEmpty());
    // Half of the old data is still taken without --force.
    f.Import(full);
    QCOMPARE(f.FolderFiles(), QStringList({QStringLiteral("fccdata.db"), QStringLiteral("postal.db")}));
}

// The command refuses with the reason on its error output and a failing exit status; --force takes the
// smaller file.
void TestLicenceImport::CommandLine_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("call");
    QTest::newRow("web pages") << QStringList{} << "html" << 1
                               << "vantrel-licence-import: The new licence data would hold no licensee"
                               << "K1ABC";
    QTest::newRow("web pages, forced")
        << QStringList{"--force"} << "html" << 1
        << "vantrel-licence-import: The new licence data would hold no licensee"
        << "K1ABC";
    QTest::newRow("far fewer") << QStringList{} << "few" << 1
                               << "vantrel-licence-import: The new licence data would hold 1 licensees"
                               << "K1ABC";
    QTest::newRow("far fewer, forced") << QStringList{"--force"} << "few" << 0 << ""
                                       << "K9NEW";
}

void TestLicenceImport::CommandLine()
{
    QFETCH(QStringList, options);
    QFETCH(QString, source);
    QFETCH(int, status);
    QFETCH(QString, error);
    QFETCH(QString, call);
    TImportFixture f;
    const QString full = f.Path(QStringLiteral("l_amat.zip"));
    WriteZip(full, Sample());
    f.Import(full);
    const QString path = f.Path(source + QStringLiteral(".zip"));
    if (source == "html") {
        WriteZip(path, {{QStringLiteral("EN.dat"), "<html>\n</html>\n"},
                        {QStringLiteral("AM.dat"), "<html>\n</html>\n"},
                        {QStringLiteral("HD.dat"), "<html>\n</html>\n"}});
    } else {
        WriteZip(path, {{QStringLiteral("EN.dat"),
                         EnLine(20, "K9NEW", "Nina", "Newer", "9 St", "Newington", "CT", "06111")},
                        {QStringLiteral("AM.dat"), AmLine(20, "K9NEW", "G")},
                        {QStringLiteral("HD.dat"), HdLine(20, "K9NEW", "A")}});
    }
    QProcess command;
    command.start(QStringLiteral(VANTREL_LICENCE_IMPORT), options + QStringList{path, f.fccFolder});
    QVERIFY(command.waitForFinished(60000));
    QCOMPARE(command.exitStatus(), QProcess::NormalExit);
    const QString errors = QString::fromUtf8(command.readAllStandardError());
    QVERIFY2(command.exitCode() == status, qPrintable(errors));
    QVERIFY2(errors.contains(error), qPrintable(errors));
    QVERIFY(!f.Lookup(call).callsign.isEmpty());
    QCOMPARE(f.FolderFiles(), QStringList({QStringLiteral("fccdata.db"), QStringLiteral("postal.db")}));
}

// A line longer than any record is skipped and counted; the lines around it are read as usual.
void TestLicenceImport::OverlongLinesSkipped()
{
    TImportFixture f;
    TFiles files = Sample();
    files[0].second.prepend(QByteArray(TLicenceImport::kMaxRecordLine + 1, 'y') + "\r\n");
    files[2].second += '\n' + QByteArray(3 * 1024 * 1024, 'z');
    const QString zip = f.Path(QStringLiteral("l_amat.zip"));
    WriteZip(zip, files);
    const TImportSummary summary = f.Import(zip);
    QCOMPARE(summary.en.read, kEnRead + 1);
    QCOMPARE(summary.en.kept, kEnKept);
    QCOMPARE(summary.en.tooLong, 1);
    QCOMPARE(summary.hd.kept, kHdKept);
    QCOMPARE(summary.hd.tooLong, 1);
    QVERIFY2(
        summary.Text().contains(QStringLiteral("HD.dat: 8 lines read, 7 kept, 1 skipped (1 longer than any "
                                               "record)")),
        qPrintable(summary.Text()));
    QCOMPARE(f.Lookup(QStringLiteral("K1ABC")).firstname, QStringLiteral("Jane"));
}

// The partial files of an import killed before its end are removed by the next import, but not those
// of an import that still runs in another process, nor a partial file of an older version written to a
// moment ago.
void TestLicenceImport::StalePartsRemoved()
{
    TImportFixture f;
    const QString zip = f.Path(QStringLiteral("l_amat.zip"));
    WriteZip(zip, Sample());
    QProcess running;
    TPeer::Start(running, {QStringLiteral("licence"), zip, f.fccFolder});
    QVERIFY(TPeer::WaitForLine(running, "importing"));
    const QString runningPart = QStringLiteral("fccdata.db.part-%1-").arg(running.processId());
    QCOMPARE(f.FolderFiles().size(), 1);
    QVERIFY2(f.FolderFiles()[0].startsWith(runningPart), qPrintable(f.FolderFiles()[0]));

    QProcess killed;
    TPeer::Start(killed, {QStringLiteral("licence"), zip, f.fccFolder});
    QVERIFY(TPeer::WaitForLine(killed, "importing"));
    const QString killedPart = QStringLiteral("fccdata.db.part-%1-").arg(killed.processId());
    killed.kill();
    QVERIFY(killed.waitForFinished(10000));
    // Partial files as older versions named them: one an hour old, one written a moment ago.
    const QString older = QDir(f.fccFolder).filePath(QStringLiteral("fccdata.db.part-1a2b3c4d"));
    const QString recent = QDir(f.fccFolder).filePath(QStringLiteral("postal.db.part-5e6f7a8b"));
    for (const QString& path : {older, recent}) {
        QFile part(path);
        QVERIFY(part.open(QIODevice::WriteOnly));
        part.write("SQLite format 3");
    }
    {
        QFile part(older);
        QVERIFY(part.open(QIODevice::ReadWrite));
        QVERIFY(
            part.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    }
    QStringList before = f.FolderFiles();
    QCOMPARE(before.size(), 4);
    QCOMPARE(before.filter(killedPart).size(), 1);

    const TImportSummary summary = f.Import(zip);
    QCOMPARE(summary.staleRemoved, 2);
    QVERIFY2(
        summary.Text().endsWith(QStringLiteral("Removed 2 unfinished files of an import that was stopped.")),
        qPrintable(summary.Text()));
    QStringList after = f.FolderFiles();
    QCOMPARE(after.size(), 4);
    QCOMPARE(after.filter(runningPart).size(), 1);
    QVERIFY(after.contains(QStringLiteral("fccdata.db")) && after.contains(QStringLiteral("postal.db")) &&
            after.contains(QStringLiteral("postal.db.part-5e6f7a8b")));
    running.kill();
    QVERIFY(running.waitForFinished(10000));
    QCOMPARE(f.Lookup(QStringLiteral("K1ABC")).firstname, QStringLiteral("Jane"));
}

VANTREL_TEST(TestLicenceImport)
#include "tst_LicenceImport.moc"
