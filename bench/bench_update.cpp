// Speed of a club roster update: a 100,000-member Ten-Ten roster and a VP file naming every member are
// served from a local HTTP server on 127.0.0.1, downloaded into the work folder and loaded into
// config.db, as File > Update Data Files does with the Ten-Ten and VP boxes ticked. Target: under 2 s for
// the two together ("seconds" counter, the median of the repetitions is printed at the end).

#include "BenchSupport.h"
#include "common/TTestHttpServer.h"
#include "data/Paths.h"
#include "data/TDM.h"
#include "data/TSettings.h"
#include "update/RosterUpdate.h"
#include "update/UpdateSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

constexpr int kMembers = 100000;

struct TWorld
{
    QTemporaryDir dir;
    TTestHttpServer server;
    std::unique_ptr<TDM> dm;
    std::unique_ptr<TSettings> settings;
    QByteArray tenten;
    QByteArray vp;
    std::vector<double> seconds;
};

TWorld* gWorld = nullptr;

void BuildWorld()
{
    gWorld = new TWorld;
    qputenv("VANTREL_HOME", QFile::encodeName(gWorld->dir.path() + QStringLiteral("/work")));
    const QString work = Paths::WorkFolder();
    QDir().mkpath(work);
    if (!QFile::copy(Paths::ShippedFile(QStringLiteral("config.db")), work + QStringLiteral("config.db"))) {
        qFatal("config.db not found beside the benchmark");
    }
    QFile::setPermissions(work + QStringLiteral("config.db"),
                          QFile::permissions(work + QStringLiteral("config.db")) | QFile::WriteOwner);

    // Ten-Ten numbers 1..100000 with a status each; the VP file gives every member a VP number.
    QRandomGenerator rng(1010);
    gWorld->vp = "VP,Call,TenTen\r\n";
    for (int i = 1; i <= kMembers; ++i) {
        const QByteArray call = BenchSupport::RandomCall(rng).toLatin1();
        gWorld->tenten +=
            QByteArray::number(i) + ',' + call + ',' + QByteArray::number(rng.bounded(3)) + "\r\n";
        gWorld->vp +=
            QByteArray::number(kMembers - i + 1) + ',' + call + ',' + QByteArray::number(i) + "\r\n";
    }
    gWorld->server.Listen();
    gWorld->server.SetHandler([](const TTestHttpServer::TRequest& request) {
        TTestHttpServer::TResponse response;
        response.contentType = "text/csv";
        response.body = request.path == QStringLiteral("/download/1010.csv") ? gWorld->tenten : gWorld->vp;
        return response;
    });
    gWorld->dm = std::make_unique<TDM>();
    gWorld->dm->OpenConfig(work + QStringLiteral("config.db"));
    gWorld->settings = std::make_unique<TSettings>(work + QStringLiteral("Vantrel.cfg"));
    gWorld->settings->SaveSetting(SettingKeys::RosterServer, gWorld->server.Url(QString()).toString());
    fprintf(stderr, "Serving a Ten-Ten roster of %d members (%.1f MB) and a VP file (%.1f MB)\n", kMembers,
            double(gWorld->tenten.size()) / 1e6, double(gWorld->vp.size()) / 1e6);
}

void BM_UpdateTenTenAndVP(benchmark::State& state)
{
    TDM& dm = *gWorld->dm;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        DownloadRoster(TRoster::TenTen, *gWorld->settings);
        DownloadRoster(TRoster::VP, *gWorld->settings);
        const double downloaded = double(timer.nsecsElapsed()) / 1e9;
        const QMap<TRoster, TRosterResult> results = LoadRosters(dm, {TRoster::TenTen, TRoster::VP});
        const TRosterResult tenten = results.value(TRoster::TenTen);
        const TRosterResult vp = results.value(TRoster::VP);
        const double elapsed = double(timer.nsecsElapsed()) / 1e9;
        gWorld->seconds.push_back(elapsed);
        state.counters["seconds"] = elapsed;
        state.counters["download_s"] = downloaded;
        state.counters["load_s"] = elapsed - downloaded;
        if (tenten.lines != kMembers || vp.lines != kMembers + 1 || tenten.skipped + vp.skipped != 0) {
            qFatal("roster not loaded whole");
        }
    }
    QSqlQuery q(dm.conConfig());
    if (!q.exec(QStringLiteral("SELECT count(*), count(vp) FROM tenten")) || !q.next() ||
        q.value(0).toInt() != kMembers || q.value(1).toInt() != kMembers) {
        qFatal("the roster does not hold every member with a VP number");
    }
    state.counters["peak_MB"] = BenchSupport::PeakMegabytes();
}

} // namespace

BENCHMARK(BM_UpdateTenTenAndVP)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    BuildWorld();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::vector<double> seconds = gWorld->seconds;
    std::sort(seconds.begin(), seconds.end());
    if (!seconds.empty()) {
        const double median = seconds[seconds.size() / 2];
        printf("Ten-Ten and VP roster update of %d members: median %.2f s (target under 2 s): %s\n", kMembers,
               median, median < 2.0 ? "met" : "NOT MET");
    }
    delete gWorld;
    return 0;
}
