// Start-up reads of a 50 MB settings file: the eighteen reads that start-up makes (every key of the
// settings file, most of them absent) through one TSettings, and one write. The file holds 1,000,000
// lines in section "Settings"; the keys read sit at its end. Reports the peak memory of the process.

#include "data/TSettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

constexpr int kLines = 1000000;

const QString& BigFile()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString file = dir.filePath(QStringLiteral("Vantrel.cfg"));
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly)) {
            qFatal("cannot write %s", qPrintable(file));
        }
        out.write("[Settings]\r\n");
        QByteArray line;
        for (int i = 0; i < kLines; ++i) {
            line = "Junk" + QByteArray::number(i) + "=some value that pads the line out to fifty\r\n";
            out.write(line);
        }
        out.write("Grid=FN31PR\r\nTheme=Fusion\r\nServerPort=8888\r\n");
        return file;
    }();
    return path;
}

const QStringList kKeys = {"OrvanePath",
                           "FCCPath",
                           "ServerPort",
                           "Top",
                           "Left",
                           "Color",
                           "Fore_color",
                           "FLDigiLogFile",
                           "FLDigiAutoLog",
                           "FldigiFileChekInterval",
                           "Theme",
                           "AutoCheckUpdate",
                           "Grid",
                           "LastMode",
                           "QRZXML_sessionID",
                           "QRZXML_sessionEXP",
                           "HAMqthXML_sessionID",
                           "HAMqthXML_sessionEXP"};

void StartupReads(benchmark::State& state)
{
    const QString path = BigFile();
    for (auto _ : state) {
        TSettings settings(path);
        for (const QString& key : kKeys) {
            benchmark::DoNotOptimize(settings.GetSetting(key, QString()));
        }
    }
    state.counters["file_MB"] = double(QFile(path).size()) / 1e6;
}
BENCHMARK(StartupReads)->Unit(benchmark::kMillisecond)->Iterations(3);

void StartupReadsAndOneWrite(benchmark::State& state)
{
    const QString path = BigFile();
    for (auto _ : state) {
        TSettings settings(path);
        for (const QString& key : kKeys) {
            benchmark::DoNotOptimize(settings.GetSetting(key, QString()));
        }
        settings.SaveSetting(QStringLiteral("AutoCheckUpdate"), false);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = double(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(StartupReadsAndOneWrite)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
