// Speed of one call-sign lookup from the local licence data: a licence file of 1,000,000 licences indexed
// on the call sign, a postal file of 42,000 zip codes and the club rosters, through TLookup::LookupCall
// with the "FCC Lookup" source (licence query, postal step, prefix walk, roster numbers). Also the cost of
// a lookup with no source. Each benchmark reports the median of single lookups as "median_ms".

#include "common/TQuietPrompts.h"
#include "data/Paths.h"
#include "data/Prompts.h"
#include "data/TDM.h"
#include "data/TSettings.h"
#include "lookup/TLookup.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

constexpr int kLicences = 1000000;
constexpr int kZipCodes = 42000;

// Runs statements on a file of its own connection; stops the program on the first failure.
void Run(const QString& path, const QStringList& statements)
{
    const QString name = QStringLiteral("generator");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open()) {
            qFatal("%s", qPrintable(db.lastError().text()));
        }
        QSqlQuery q(db);
        for (const QString& statement : statements) {
            if (!q.exec(statement)) {
                qFatal("%s: %s", qPrintable(q.lastError().text()), qPrintable(statement.left(200)));
            }
        }
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// A call sign for each number below 1,406,080, all different: a US prefix, a call-area digit and three
// letters.
const QString kCallOfI = QStringLiteral(
    "(CASE i % 8 WHEN 0 THEN 'K' WHEN 1 THEN 'W' WHEN 2 THEN 'N' WHEN 3 THEN 'AA' WHEN 4 THEN 'KA'"
    " WHEN 5 THEN 'KB' WHEN 6 THEN 'KC' ELSE 'WA' END) || ((i / 8) % 10)"
    " || char(65 + (i / 80) % 26, 65 + (i / 2080) % 26, 65 + (i / 54080) % 26)");

struct TWorld
{
    QTemporaryDir dir;
    TQuietPrompts prompts;
    std::unique_ptr<TDM> dm;
    std::unique_ptr<TSettings> settings;
    std::unique_ptr<TLookup> lookup;
    QStringList calls;
};

TWorld* gWorld = nullptr;

void BuildWorld()
{
    gWorld = new TWorld;
    const QString work = gWorld->dir.path() + QStringLiteral("/work/");
    const QString fcc = gWorld->dir.path() + QStringLiteral("/FCCLookup/");
    QDir().mkpath(work);
    QDir().mkpath(fcc);
    const QString licence = fcc + QStringLiteral("fccdata.db");
    const QString config = work + QStringLiteral("config.db");

    QElapsedTimer timer;
    timer.start();
    Run(licence,
        {QStringLiteral("PRAGMA journal_mode=OFF"), QStringLiteral("PRAGMA synchronous=OFF"),
         QStringLiteral(
             "CREATE TABLE fcc_en (unique_system_identifier INTEGER PRIMARY KEY, call_sign TEXT,"
             " entity_name TEXT, first_name TEXT, last_name TEXT, po_box TEXT, street_address TEXT,"
             " city TEXT, state TEXT, zip_code TEXT, county TEXT)"),
         QStringLiteral(
             "CREATE TABLE fcc_am (unique_system_identifier INTEGER PRIMARY KEY, operator_class TEXT,"
             " previous_callsign TEXT)"),
         QStringLiteral(
             "CREATE TABLE fcc_hd (unique_system_identifier INTEGER PRIMARY KEY, license_status TEXT)"),
         QStringLiteral(
             "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < %1)"
             " INSERT INTO fcc_en SELECT i + 1, %2, '', 'First' || (i % 5000), 'Last' || (i % 20000),"
             " CASE WHEN i % 7 = 0 THEN 'PO Box ' || (i % 900) ELSE '' END, (i % 9000) || ' Main St',"
             " 'City' || (i % 3000), 'CT', printf('%05d-%04d', (i % %3) * 2, i % 10000),"
             " 'County' || (i % 3000) FROM n")
             .arg(kLicences - 1)
             .arg(kCallOfI)
             .arg(kZipCodes),
         QStringLiteral("INSERT INTO fcc_am SELECT unique_system_identifier, 'E', '' FROM fcc_en"),
         QStringLiteral("INSERT INTO fcc_hd SELECT unique_system_identifier,"
                        " CASE WHEN unique_system_identifier % 20 = 0 THEN 'E' ELSE 'A' END FROM fcc_en"),
         QStringLiteral("CREATE INDEX fcc_en_call_sign ON fcc_en (call_sign)")});
    Run(fcc + QStringLiteral("postal.db"),
        {QStringLiteral("CREATE TABLE zipcodes (zip TEXT, county TEXT, latitude TEXT, longitude TEXT)"),
         QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < %1)"
                        " INSERT INTO zipcodes SELECT printf('%05d', i * 2), 'County' || (i % 3000),"
                        " printf('%.4f', 25 + (i % 2400) / 100.0), printf('%.4f', -125 + (i % 5800) / 100.0)"
                        " FROM n")
             .arg(kZipCodes - 1),
         QStringLiteral("CREATE INDEX zipcodes_zip ON zipcodes (zip)")});
    // The shipped reference tables, with rosters of club sizes drawn from the licensees.
    QFile::copy(Paths::ShippedFile(QStringLiteral("config.db")), config);
    QFile::setPermissions(config, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    Run(config,
        {
            QStringLiteral("ATTACH DATABASE '%1' AS f").arg(licence),
            QStringLiteral(
                "INSERT INTO tenten (callsign, ten, vp) SELECT call_sign, unique_system_identifier,"
                " '' FROM f.fcc_en WHERE unique_system_identifier % 12 = 0"),
            QStringLiteral("INSERT INTO epc (callsign, number) SELECT call_sign, unique_system_identifier"
                           " FROM f.fcc_en WHERE unique_system_identifier % 50 = 0"),
            QStringLiteral("INSERT INTO p070 (callsign, number) SELECT call_sign, unique_system_identifier"
                           " FROM f.fcc_en WHERE unique_system_identifier % 100 = 0"),
        });
    // A thousand active licences spread over the file, in a fixed order.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("calls"));
        db.setDatabaseName(licence);
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT call_sign FROM fcc_en JOIN fcc_hd USING (unique_system_identifier)"
                              " WHERE license_status = 'A' AND unique_system_identifier % 997 = 3"));
        while (q.next()) {
            gWorld->calls << q.value(0).toString();
        }
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("calls"));
    fprintf(stderr, "Generated %d licences and %d zip codes in %.1f s\n", kLicences, kZipCodes,
            double(timer.elapsed()) / 1000);

    gWorld->dm = std::make_unique<TDM>();
    gWorld->dm->OpenConfig(config);
    gWorld->settings = std::make_unique<TSettings>(work + QStringLiteral("Vantrel.cfg"));
    gWorld->settings->SaveSetting(SettingKeys::FCCPath, fcc);
    gWorld->lookup = std::make_unique<TLookup>(*gWorld->dm, *gWorld->settings, gWorld->prompts);
}

double Median(std::vector<double> values)
{
    if (values.empty()) {
        return 0;
    }
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// Times each lookup of the loop and reports their median.
template <typename F> void TimeLookups(benchmark::State& state, F&& lookup)
{
    std::vector<double> times;
    qsizetype n = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        benchmark::DoNotOptimize(lookup(n++));
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    state.counters["median_ms"] = Median(std::move(times));
}

void BM_LookupCall_FCC_Found(benchmark::State& state)
{
    TimeLookups(state, [](qsizetype n) {
        const TFccRec rec =
            gWorld->lookup->LookupCall(gWorld->calls[n % gWorld->calls.size()], LookupTypes::FCCLookup);
        if (rec.callsign.isEmpty() || rec.grid.isEmpty() || rec.country.isEmpty()) {
            qFatal("incomplete lookup result");
        }
        return rec;
    });
}

void BM_LookupCall_FCC_NotFound(benchmark::State& state)
{
    TimeLookups(state, [](qsizetype) {
        return gWorld->lookup->LookupCall(QStringLiteral("ZZ9ZZZ"), LookupTypes::FCCLookup);
    });
}

void BM_LookupCall_None(benchmark::State& state)
{
    TimeLookups(state, [](qsizetype n) {
        return gWorld->lookup->LookupCall(gWorld->calls[n % gWorld->calls.size()], LookupTypes::None);
    });
}

} // namespace

BENCHMARK(BM_LookupCall_FCC_Found)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_LookupCall_FCC_NotFound)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_LookupCall_None)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    BuildWorld();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete gWorld;
    return 0;
}
