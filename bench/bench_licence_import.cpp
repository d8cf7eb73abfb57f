// The licence import on a dump of the size of the FCC's weekly amateur file: 1,500,000 licences in a
// generated l_amat.zip (EN.dat, AM.dat and HD.dat in the FCC layout, deflated). Measures the import into
// fccdata.db and postal.db (target: under 30 s, under 300 MB peak memory; both printed), then one
// call-sign lookup with the "FCC Lookup" source on the result ("median_ms", target under 1 ms).
//
// Run it niced: the import keeps one core busy for its whole length.

#include "BenchSupport.h"
#include "common/TQuietPrompts.h"
#include "data/LicenceStore.h"
#include "data/Paths.h"
#include "data/Prompts.h"
#include "data/TDM.h"
#include "data/TSettings.h"
#include "lookup/TLicenceImport.h"
#include "lookup/TLookup.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <archive.h>
#include <archive_entry.h>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

constexpr int kLicences = 1500000;
// Calls below this many are given out twice: an older cancelled or expired licence and a newer one.
constexpr int kReissued = 100000;

// A different call sign for each number below 2,109,120: prefix, call-area digit, three letters.
QByteArray CallOf(int i)
{
    static const char* const prefixes[] = {"K",  "W",  "N",  "AA", "AB", "KA",
                                           "KB", "KC", "KD", "WA", "WB", "KE"};
    QByteArray call(prefixes[i % 12]);
    i /= 12;
    call += char('0' + i % 10);
    i /= 10;
    for (int k = 0; k < 3; ++k) {
        call += char('A' + i % 26);
        i /= 26;
    }
    return call;
}

QByteArray Word(QRandomGenerator& rng, int length)
{
    QByteArray word(length, 'A');
    for (char& c : word) {
        c = char('A' + rng.bounded(26));
    }
    return word;
}

// Streams one member of a zip file, written in pieces.
class TZipMember
{
public:
    TZipMember(archive* zip, const char* name) : fZip(zip)
    {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, name);
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        if (archive_write_header(zip, entry) != ARCHIVE_OK) {
            qFatal("%s", archive_error_string(zip));
        }
        archive_entry_free(entry);
    }
    ~TZipMember() { Flush(); }

    void Line(const QByteArray& line)
    {
        fBuffer += line;
        fBuffer += "\r\n";
        if (fBuffer.size() > (1 << 20)) {
            Flush();
        }
    }

private:
    void Flush()
    {
        if (!fBuffer.isEmpty() && archive_write_data(fZip, fBuffer.constData(), size_t(fBuffer.size())) < 0) {
            qFatal("%s", archive_error_string(fZip));
        }
        fBuffer.clear();
    }

    archive* fZip;
    QByteArray fBuffer;
};

struct TWorld
{
    QTemporaryDir dir;
    QString zip;
    QString folder;
    QString work;
    QList<QString> calls;
    TQuietPrompts prompts;
    std::unique_ptr<TDM> dm;
    std::unique_ptr<TSettings> settings;
    std::unique_ptr<TLookup> lookup;
};

TWorld* gWorld = nullptr;

void GenerateDump()
{
    QElapsedTimer timer;
    timer.start();
    gWorld->zip = gWorld->dir.filePath(QStringLiteral("l_amat.zip"));
    gWorld->folder = gWorld->dir.filePath(QStringLiteral("FCCLookup"));
    // Nine in ten licensees live at a ZIP code the postal data knows.
    const QList<QByteArray> zips = ReadPostalCounties(Paths::ShippedFile(QStringLiteral("postal.db"))).keys();
    QRandomGenerator rng(17);
    archive* zip = archive_write_new();
    archive_write_set_format_zip(zip);
    archive_write_set_options(zip, "zip:compression-level=1");
    if (archive_write_open_filename(zip, QFile::encodeName(gWorld->zip).constData()) != ARCHIVE_OK) {
        qFatal("%s", archive_error_string(zip));
    }
    const auto usiOf = [](int i) { return QByteArray::number(1000000 + i); };
    const auto callOf = [](int i) {
        return CallOf(i < kLicences - kReissued ? i : i - (kLicences - kReissued));
    };
    {
        TZipMember hd(zip, "HD.dat");
        for (int i = 0; i < kLicences; ++i) {
            // The older licence of a reissued call has ended; a tenth of the rest have expired.
            const char* status = i < kReissued ? (i % 2 ? "C" : "E") : (rng.bounded(10) == 0 ? "E" : "A");
            hd.Line("HD|" + usiOf(i) + "|0000" + usiOf(i) + "||" + callOf(i) + '|' + status +
                    "|HA|03/01/2016|03/01/2026|||||||||||||||||||||||||||||||||03/01/2016|03/02/"
                    "2016||||||||||||||||");
        }
    }
    {
        TZipMember am(zip, "AM.dat");
        static const char* const classes[] = {"E", "G", "T", "A", "N"};
        for (int i = 0; i < kLicences; ++i) {
            am.Line("AM|" + usiOf(i) + "|0000" + usiOf(i) + "||" + callOf(i) + '|' + classes[rng.bounded(5)] +
                    "|D|" + QByteArray::number(rng.bounded(1, 14)) + "|||||||||" +
                    (rng.bounded(8) == 0 ? CallOf(rng.bounded(2000000)) : QByteArray()) + "||");
        }
    }
    {
        TZipMember en(zip, "EN.dat");
        for (int i = 0; i < kLicences; ++i) {
            const QByteArray first = Word(rng, 3 + rng.bounded(6));
            const QByteArray last = Word(rng, 4 + rng.bounded(8));
            const QByteArray zipCode = rng.bounded(10) == 0 ? QByteArray::number(rng.bounded(10000, 99999))
                                                            : zips[rng.bounded(zips.size())];
            const QByteArray poBox =
                rng.bounded(7) == 0 ? "PO BOX " + QByteArray::number(rng.bounded(9999)) : "";
            en.Line("EN|" + usiOf(i) + "|0000" + usiOf(i) + "||" + callOf(i) + "|L|L00" + usiOf(i) + '|' +
                    first + ' ' + last + '|' + first + "||" + last + "|||||" +
                    QByteArray::number(rng.bounded(1, 9999)) + " MAIN ST|" + Word(rng, 8) + "|CT|" + zipCode +
                    QByteArray::number(rng.bounded(1000, 9999)) + '|' + poBox + "|||000" + usiOf(i) +
                    "|I|||||||");
        }
    }
    archive_write_close(zip);
    archive_write_free(zip);
    fprintf(stderr, "Generated %d licences in %s (%.0f MB) in %.1f s\n", kLicences, qPrintable(gWorld->zip),
            double(QFileInfo(gWorld->zip).size()) / 1e6, double(timer.elapsed()) / 1000);
}

void BM_ImportLicenceDump(benchmark::State& state)
{
    TImportSummary summary;
    for (auto _ : state) {
        TLicenceImport licenceImport(gWorld->zip, gWorld->folder);
        summary = licenceImport.Run();
    }
    const double peak = BenchSupport::PeakMegabytes();
    state.counters["licences"] = double(summary.en.kept);
    state.counters["peak_MB"] = peak;
    fprintf(stderr, "%s\nPeak memory %.0f MB\n", qPrintable(summary.Text()), peak);
}

void PrepareLookup()
{
    gWorld->work = gWorld->dir.filePath(QStringLiteral("work/"));
    QDir().mkpath(gWorld->work);
    const QString config = gWorld->work + QStringLiteral("config.db");
    QFile::copy(Paths::ShippedFile(QStringLiteral("config.db")), config);
    QFile::setPermissions(config, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    gWorld->dm = std::make_unique<TDM>();
    gWorld->dm->OpenConfig(config);
    gWorld->settings = std::make_unique<TSettings>(gWorld->work + QStringLiteral("Vantrel.cfg"));
    gWorld->settings->SaveSetting(SettingKeys::FCCPath, gWorld->folder);
    gWorld->lookup = std::make_unique<TLookup>(*gWorld->dm, *gWorld->settings, gWorld->prompts);
    // Calls of licences spread over the dump; most active, some ended.
    for (int i = kReissued; i < kLicences - kReissued; i += 1499) {
        gWorld->calls << QString::fromLatin1(CallOf(i));
    }
}

void BM_LookupImported(benchmark::State& state)
{
    if (!gWorld->lookup) {
        PrepareLookup();
    }
    std::vector<double> times;
    qsizetype n = 0;
    qsizetype found = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const TFccRec rec =
            gWorld->lookup->LookupCall(gWorld->calls[n++ % gWorld->calls.size()], LookupTypes::FCCLookup);
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        found += rec.callsign.isEmpty() ? 0 : 1;
    }
    std::nth_element(times.begin(), times.begin() + qsizetype(times.size() / 2), times.end());
    state.counters["median_ms"] = times[times.size() / 2];
    state.counters["found_share"] = double(found) / double(times.size());
}

} // namespace

BENCHMARK(BM_ImportLicenceDump)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_LookupImported)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    gWorld = new TWorld;
    GenerateDump();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete gWorld;
    return 0;
}
