// Processing a finished log of --contacts=N contacts (100,000 unless told) into the submission log, the
// dupe sheet and the ADIF export. Reports the time of one whole run and, as counters, the size of the
// three files, the process's peak memory (peak_MB) and how far processing raised it (peak_growth_MB).
// Targets: under 2.5 s and 100 MB at a million contacts. The log is generated once per size into the
// fixture folder (see BenchSupport.h); a run that had to generate it reports a peak that includes the
// generation.

#include "BenchSupport.h"
#include "data/Paths.h"
#include "data/TDM.h"
#include "process/TLogProcessor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

int gContacts = 100000;
const QString kTable = QStringLiteral("W7VNT_2024_Open_Season");

long PeakRssKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A log with a realistic mix: US, Canadian and DX calls with portable forms, all modes, states and
// country names, about half the contacts with Ten-Ten numbers and a few with EPC, 070 and VP numbers.
void FillLog(TDM& dm, const QString& table, int contacts)
{
    static const char* const kPrefixes[] = {"K",  "W",  "N",  "AA", "AB", "KB", "KC", "KD", "KE", "WA",
                                            "WB", "VE", "VA", "G",  "M",  "DL", "JA", "PY", "LU", "VK"};
    static const char* const kModes[] = {"SSB", "SSB", "SSB", "CW", "CW", "FM", "AM", "RTTY", "FT8", "PSK31"};
    static const char* const kStates[] = {"MA", "TX", "CA", "OR", "NY", "FL", "OH", "IL", "WA", "CO"};
    static const char* const kCountries[] = {"Canada", "England", "Germany", "Japan", "Brazil", "Argentina"};
    static const char* const kNames[] = {"Bob",  "Mary", "Jim",  "Christopher",
                                         "Hans", "Yuki", "José", "Nigel"};
    static const char* const kCounties[] = {"Suffolk", "Harris", "Lane", "Cook", ""};
    QRandomGenerator random(1010);
    auto pick = [&](const auto& list) {
        return QString::fromUtf8(list[random.bounded(int(std::size(list)))]);
    };

    QSqlDatabase db = dm.condb();
    db.transaction();
    for (int i = 0; i < contacts; ++i) {
        tLogRecord rec;
        const QString prefix = pick(kPrefixes);
        QString suffix;
        for (int n = 1 + random.bounded(3); n > 0; --n) {
            suffix += QChar('A' + random.bounded(26));
        }
        rec.call = prefix + QString::number(random.bounded(10)) + suffix;
        if (random.bounded(50) == 0) {
            rec.call += QStringLiteral("/") + QString::number(random.bounded(10));
        }
        rec.date = QStringLiteral("2024-02-%1").arg(3 + i / 50000, 2, 10, QChar('0'));
        rec.time =
            QStringLiteral("%1:%2").arg((i / 60) % 24, 2, 10, QChar('0')).arg(i % 60, 2, 10, QChar('0'));
        rec.mode = pick(kModes);
        rec.name = pick(kNames);
        const bool dx = prefix.size() == 2 && !prefix.startsWith('A') && !prefix.startsWith('K') &&
                        !prefix.startsWith('W');
        rec.qth = dx || prefix == "G" || prefix == "M" ? pick(kCountries) : pick(kStates);
        rec.uscounty = rec.qth.size() == 2 ? pick(kCounties) : QString();
        if (random.bounded(2) == 0) {
            rec.tenten = QString::number(1 + random.bounded(80000));
        }
        if (random.bounded(10) == 0) {
            rec.epc = QString::number(1 + random.bounded(9000));
        }
        if (random.bounded(10) == 0) {
            rec.p070 = QString::number(1 + random.bounded(5000));
        }
        if (random.bounded(20) == 0) {
            rec.vp = QString::number(1 + random.bounded(900));
        }
        rec.points = rec.tenten.isEmpty() ? 1 : 2;
        dm.LogAddRecord(rec, table);
    }
    db.commit();
}

TMysettings Own()
{
    TMysettings own;
    own.ContestName = QStringLiteral("Open Season");
    own.Callsign = QStringLiteral("W7VNT");
    own.FirstName = QStringLiteral("Rex");
    own.State = QStringLiteral("OR");
    own.TenTen = QStringLiteral("54321");
    own.TableName = kTable;
    return own;
}

// logs.db with the `config` table and the log.
void GenerateLogs(const QString& path)
{
    TDM dm;
    dm.OpenLogs(path);
    dm.CreateConfig();
    dm.CreateNewLogTable(kTable);
    dm.ConfigAddRecord(Own());
    FillLog(dm, kTable, gContacts);
    dm.CloseLogs();
}

// The test log: the generated logs, read where they are kept, and a copy of the shipped config.db.
struct TBenchLog
{
    TBenchLog()
    {
        const QString logs =
            BenchSupport::Fixture(QStringLiteral("process_%1.db").arg(gContacts), GenerateLogs);
        dm.OpenLogs(logs);
        const QString config = folder.filePath(QStringLiteral("config.db"));
        QFile::copy(Paths::ShippedFile(QStringLiteral("config.db")), config);
        QFile::setPermissions(config, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        dm.OpenConfig(config);
        own = Own();
        baselineKiB = PeakRssKiB();
    }

    QTemporaryDir folder;
    TDM dm;
    TMysettings own;
    long baselineKiB = 0; // peak memory before the first processing
};

// Open Season (the two club counts), CR LF line ends, ADIF export with comments: every step runs.
void BM_ProcessLog(benchmark::State& state)
{
    static TBenchLog log;
    TProcessOptions options;
    options.folder = log.folder.path() + QLatin1Char('/');
    options.eol = QStringLiteral("\r\n");
    options.adifexport = true;
    options.adifcomment = true;
    const TScoreCounters score{gContacts / 2, gContacts / 2, gContacts * 3 / 2};

    qint64 bytes = 0;
    for (auto _ : state) {
        TLogProcessor processor(log.dm, log.own, log.own.TableName, score, options);
        processor.ProcessTheLog();
        bytes = QFileInfo(processor.LogFileName()).size() + QFileInfo(processor.DupFileName()).size() +
                QFileInfo(processor.ADIFFileName()).size();
    }
    state.counters["files_MB"] = double(bytes) / 1e6;
    // How far processing raised the process's peak memory above what building the log needed.
    state.counters["peak_growth_MB"] = double(PeakRssKiB() - log.baselineKiB) * 1024 / 1e6;
    state.counters["peak_MB"] = BenchSupport::PeakMegabytes();
}

} // namespace

BENCHMARK(BM_ProcessLog)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

int main(int argc, char** argv)
{
    gContacts = BenchSupport::TakeContactsArgument(argc, argv, gContacts);
    QCoreApplication app(argc, argv);
    benchmark::AddCustomContext("contacts", std::to_string(gContacts));
    benchmark::Initialize(&argc, argv);
    // The log exists before the first benchmark starts.
    BenchSupport::Fixture(QStringLiteral("process_%1.db").arg(gContacts), GenerateLogs);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
