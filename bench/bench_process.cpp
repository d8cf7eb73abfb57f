// Processing a finished 100,000-contact log into the submission log, the dupe sheet and the ADIF export.
// Reports the time of one whole run and, as counters, the size of the three files and how far the
// process's peak memory grew while processing (beyond what building the test log needed); the target is
// at most 1 s and a growth below the size of the files.

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

constexpr int kContacts = 100000;

long PeakRssKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A log with a realistic mix: US, Canadian and DX calls with portable forms, all modes, states and
// country names, about half the contacts with Ten-Ten numbers and a few with EPC, 070 and VP numbers.
void FillLog(TDM& dm, const QString& table)
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
    for (int i = 0; i < kContacts; ++i) {
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

// The test log, built once per run of the program in a temporary folder.
struct TBenchLog
{
    TBenchLog()
    {
        dm.OpenLogs(folder.filePath(QStringLiteral("logs.db")));
        dm.CreateConfig();
        const QString config = folder.filePath(QStringLiteral("config.db"));
        QFile::copy(Paths::ShippedFile(QStringLiteral("config.db")), config);
        QFile::setPermissions(config, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        dm.OpenConfig(config);

        own.ContestName = QStringLiteral("Open Season");
        own.Callsign = QStringLiteral("W7VNT");
        own.FirstName = QStringLiteral("Rex");
        own.State = QStringLiteral("OR");
        own.TenTen = QStringLiteral("54321");
        own.TableName = QStringLiteral("W7VNT_2024_Open_Season");
        dm.CreateNewLogTable(own.TableName);
        dm.ConfigAddRecord(own);
        FillLog(dm, own.TableName);
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
    const TScoreCounters score{kContacts / 2, kContacts / 2, kContacts * 3 / 2};

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
}

} // namespace

BENCHMARK(BM_ProcessLog)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
