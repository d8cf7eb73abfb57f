// Importing a 100,000-record ADIF file, as another logging program writes one, into an empty log with the
// duplicate rule on: reading the file, mapping and scoring every record, the duplicate check against the
// log and the earlier records, and storing the contacts in one transaction. Target: under 2 s a run and a
// peak memory under 150 MB, both printed (Time, peak_MB). Then ten records into logs of 10,000 to
// 1,000,000 contacts (BM_ImportSmall): the cost of the records, not of the log.

#include "LogFixture.h"
#include "app/ADIFImport.h"
#include "data/TDM.h"
#include "data/TMysettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <ctime>
#include <sys/resource.h>

namespace {

constexpr int kRecords = 100000;

long PeakRssKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void Field(QByteArray& out, const char* name, const QByteArray& value)
{
    out += '<';
    out += name;
    out += ':';
    out += QByteArray::number(value.size());
    out += '>';
    out += value;
    out += ' ';
}

// An ADIF file of a season of contacts: a header, upper- and lower-case tags, US states with counties,
// DX countries, FT8/FT4 with submodes, Ten-Ten numbers on about half, the odd accented name, CRLF ends.
QByteArray MakeFile()
{
    static const char* const kPrefixes[] = {"K",  "W",  "N",  "AA", "AB", "KB", "KC", "KD", "KE", "WA",
                                            "WB", "VE", "VA", "G",  "M",  "DL", "JA", "PY", "LU", "VK"};
    static const char* const kModes[] = {"SSB", "SSB", "CW", "FM", "RTTY", "FT8", "FT8", "MFSK"};
    static const char* const kStates[] = {"MA", "TX", "CA", "OR", "NY", "FL", "OH", "IL", "WA", "CO"};
    static const char* const kCountries[] = {"Canada", "England", "Germany", "Japan", "Brazil", "Argentina"};
    static const char* const kNames[] = {"Bob",  "Mary", "Jim",  "Christopher",
                                         "Hans", "Yuki", "José", "Nigel"};
    QRandomGenerator random(1010);
    auto pick = [&](const auto& list) { return QByteArray(list[random.bounded(int(std::size(list)))]); };

    QByteArray file("Generated for the import benchmark\r\n<ADIF_VER:5>3.1.4 <PROGRAMID:5>Bench <EOH>\r\n");
    file.reserve(kRecords * 260);
    for (int i = 0; i < kRecords; ++i) {
        QByteArray call = pick(kPrefixes) + QByteArray::number(random.bounded(10));
        for (int n = 2 + random.bounded(2); n > 0; --n) {
            call += char('A' + random.bounded(26));
        }
        const bool upper = i % 2 == 0;
        Field(file, upper ? "CALL" : "call", call);
        Field(file, upper ? "QSO_DATE" : "qso_date", QByteArray("202402") + (i < kRecords / 2 ? "03" : "04"));
        Field(
            file, upper ? "TIME_ON" : "time_on",
            QByteArray::number(1000000 + (i % 86400) / 3600 * 10000 + (i % 3600) / 60 * 100 + i % 60).mid(1));
        const QByteArray mode = pick(kModes);
        Field(file, "MODE", mode);
        if (mode == "MFSK") {
            Field(file, "SUBMODE", "FT4");
        }
        Field(file, "BAND", "10m");
        Field(file, "FREQ", "28.074000");
        Field(file, "RST_SENT", "59");
        Field(file, "RST_RCVD", "57");
        Field(file, "NAME", pick(kNames));
        if (call.startsWith('K') || call.startsWith('W') || call.startsWith('N') || call.startsWith('A')) {
            const QByteArray state = pick(kStates);
            Field(file, "STATE", state);
            Field(file, "CNTY", state + ",Suffolk");
        } else {
            Field(file, "COUNTRY", pick(kCountries));
        }
        if (random.bounded(2) == 0) {
            Field(file, "TEN_TEN", QByteArray::number(1 + random.bounded(80000)));
        }
        Field(file, "STATION_CALLSIGN", "W7VNT");
        file += "<EOR>\r\n";
    }
    return file;
}

void BM_ImportADIF(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("season.adi"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(MakeFile()) < 0) {
            state.SkipWithError("cannot write the ADIF file");
            return;
        }
    }
    const long before = PeakRssKiB();
    TDM dm;
    dm.OpenLogs(dir.filePath(QStringLiteral("logs.db")));
    dm.OpenConfig(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("config.db")));
    int run = 0;
    int imported = 0;
    int duplicates = 0;
    qint64 readMs = 0;
    qint64 storeMs = 0;
    std::clock_t readCpu = 0;
    std::clock_t storeCpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TMysettings log;
        log.ContestName = QStringLiteral("Open Season");
        log.TableName = QStringLiteral("W7VNT_2024_Import_%1").arg(++run);
        dm.CreateNewLogTable(log.TableName);
        dm.EnsureCallIndex(log.TableName);
        state.ResumeTiming();

        QFile file(path);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        QElapsedTimer phase;
        phase.start();
        std::clock_t cpu = std::clock();
        TADIFImport adifImport(dm, log);
        adifImport.Read(bytes);
        readMs += phase.restart();
        readCpu += std::clock() - cpu;
        cpu = std::clock();
        imported = adifImport.Store(false);
        storeMs += phase.elapsed();
        storeCpu += std::clock() - cpu;
        duplicates = adifImport.Duplicates();
    }
    state.counters["records"] = kRecords;
    state.counters["imported"] = imported;
    state.counters["duplicates"] = duplicates;
    state.counters["file_MB"] = double(QFileInfo(path).size()) / (1024 * 1024);
    // Wall time of the two steps, averaged over the runs: reading (parse, map, score, duplicate check) and
    // storing (one transaction).
    state.counters["read_ms"] = double(readMs) / double(state.iterations());
    state.counters["store_ms"] = double(storeMs) / double(state.iterations());
    // The processor time of the same steps: what the import costs on a machine with nothing else to do.
    state.counters["read_cpu_ms"] = 1000.0 * double(readCpu) / CLOCKS_PER_SEC / double(state.iterations());
    state.counters["store_cpu_ms"] = 1000.0 * double(storeCpu) / CLOCKS_PER_SEC / double(state.iterations());
    state.counters["peak_MB"] = double(PeakRssKiB()) / 1024;
    state.counters["peak_before_MB"] = double(before) / 1024;
}

// Ten records imported into a log of state.range(0) contacts (the shared logging fixture, copied into a
// temporary folder): what a small file costs against a large log. The calls are new to the log, one of them
// twice in the file. Target: the cost of the ten records, whatever the size of the log.
void BM_ImportSmall(benchmark::State& state)
{
    const int contacts = int(state.range(0));
    QTemporaryDir dir;
    const QString logs = dir.filePath(QStringLiteral("logs.db"));
    QFile::copy(LogFixture::Logs(contacts), logs);
    QFile::setPermissions(logs, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    TDM dm;
    dm.OpenLogs(logs);
    dm.OpenConfig(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("config.db")));
    TMysettings log;
    log.ContestName = QStringLiteral("Open Season");
    log.TableName = LogFixture::kTable;
    int run = 0;
    int imported = 0;
    int duplicates = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QByteArray file("<ADIF_VER:5>3.1.4 <EOH>\r\n");
        for (int i = 0; i < 10; ++i) {
            const QByteArray call = "KZ" + QByteArray::number(run) + "X" + QByteArray::number(i % 9);
            Field(file, "CALL", call);
            Field(file, "QSO_DATE", "20240203");
            Field(file, "TIME_ON", "1705");
            Field(file, "MODE", "SSB");
            Field(file, "STATE", "MA");
            Field(file, "CNTY", "MA,Suffolk");
            file += "<EOR>\r\n";
        }
        ++run;
        state.ResumeTiming();
        TADIFImport import(dm, log);
        import.Read(file);
        imported = import.Store(false);
        duplicates = import.Duplicates();
    }
    state.counters["contacts"] = contacts;
    state.counters["imported"] = imported;
    state.counters["duplicates"] = duplicates;
}

} // namespace

BENCHMARK(BM_ImportADIF)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportSmall)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
