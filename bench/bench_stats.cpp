// Speed of the statistics panel on a log of --contacts=N contacts (1,000,000 unless told): opening the
// panel on the log (the whole log read, every figure and the chart in view shown), and bringing it up to
// date after one logged contact, alone and together with the logging itself beside logging without the
// panel.
//
// The log spreads its contacts over about a year of operating (0 to 60 seconds apart, so about half a
// million distinct minutes), in 8 modes, 50 states and 100 countries, with one contact in a thousand
// without a valid time. It is generated once per size into the fixture folder (see BenchSupport.h) and
// copied into a temporary work folder for each run.

#include "BenchSupport.h"
#include "common/TQuietPrompts.h"
#include "data/Paths.h"
#include "data/TDM.h"
#include "data/TSettings.h"
#include "gui/stats/TStatisticsPanel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

int gContacts = 1000000;
const QString kTable = QStringLiteral("N0CALL_2026_Open_Season");
const QDateTime kStart(QDate(2025, 12, 1), QTime(0, 0), Qt::UTC);

struct TWorld
{
    QTemporaryDir dir;
    TQuietPrompts prompts;
    std::unique_ptr<TDM> dm;
    std::unique_ptr<TSettings> settings;
    QDateTime last; // the time of the last contact of the log
};

TWorld* gWorld = nullptr;

tLogRecord Contact(QRandomGenerator& rng, const QDateTime& at, int i)
{
    static const char* const modes[] = {"SSB", "CW", "FT8", "FM", "AM", "RTTY", "PSK31", "FT4"};
    tLogRecord contact;
    contact.date = at.toString(QStringLiteral("yyyy-MM-dd"));
    contact.time = i % 1000 == 999 ? QStringLiteral("later") : at.toString(QStringLiteral("HH:mm"));
    contact.call = BenchSupport::RandomCall(rng);
    contact.tenten = i % 3 ? QString::number(rng.bounded(80000)) : QString();
    contact.epc = i % 7 ? QString() : QString::number(rng.bounded(9000));
    contact.mode = QString::fromLatin1(modes[rng.bounded(int(std::size(modes)))]);
    const int place = rng.bounded(150);
    contact.qth = place < 50
                      ? QStringLiteral("%1%2").arg(QChar('A' + place / 26)).arg(QChar('A' + place % 26))
                      : QStringLiteral("Country %1").arg(place - 50);
    contact.points = contact.tenten.isEmpty() ? 1 : 2;
    return contact;
}

void GenerateLogs(const QString& path)
{
    TDM dm;
    dm.OpenLogs(path);
    dm.CreateConfig();
    TMysettings rec;
    rec.TableName = kTable;
    rec.ContestName = QStringLiteral("Open Season");
    rec.Callsign = QStringLiteral("N0CALL");
    dm.CreateLog(rec);
    QRandomGenerator rng(2626);
    QDateTime at = kStart;
    QList<tLogRecord> batch;
    for (int i = 0; i < gContacts; ++i) {
        at = at.addSecs(rng.bounded(61));
        batch << Contact(rng, at, i);
        if (batch.size() == 50000 || i == gContacts - 1) {
            dm.LogAddRecords(batch, kTable);
            batch.clear();
        }
    }
    dm.CloseLogs();
}

void BuildWorld()
{
    const QString logs = BenchSupport::Fixture(QStringLiteral("stats_%1.db").arg(gContacts), GenerateLogs);
    gWorld = new TWorld;
    const QString work = gWorld->dir.path() + QStringLiteral("/work/");
    qputenv("VANTREL_HOME", QFile::encodeName(work));
    QDir().mkpath(work);
    QFile::copy(logs, work + QStringLiteral("logs.db"));
    QFile::setPermissions(work + QStringLiteral("logs.db"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    gWorld->dm = std::make_unique<TDM>();
    gWorld->dm->OpenLogs(work + QStringLiteral("logs.db"));
    gWorld->settings = std::make_unique<TSettings>(work + QStringLiteral("Vantrel.cfg"));
    // The clock of the panel stands at the log's last contact, as during the event.
    TLogStatistics stats(*gWorld->dm);
    stats.SetLog(kTable);
    gWorld->last = MinuteTime(stats.Engine().Last().value_or(MinuteOf(kStart)));
}

std::unique_ptr<TStatisticsPanel> OpenPanel()
{
    auto panel = std::make_unique<TStatisticsPanel>(*gWorld->dm, *gWorld->settings, gWorld->prompts,
                                                    [] { return gWorld->last; });
    panel->resize(900, 700);
    panel->SetLog(kTable);
    panel->Refresh();
    return panel;
}

// Contacts logged during the run, each a minute after the one before, beyond the log's end.
tLogRecord NextContact()
{
    static QRandomGenerator rng(77);
    static int serial = 0;
    gWorld->last = gWorld->last.addSecs(60);
    return Contact(rng, gWorld->last, serial++);
}

// Opening the panel on the log: the whole log read, the figures and the chart in view.
void BM_OpenPanel(benchmark::State& state)
{
    for (auto _ : state) {
        std::unique_ptr<TStatisticsPanel> panel = OpenPanel();
        benchmark::DoNotOptimize(panel.get());
        state.PauseTiming();
        panel.reset();
        state.ResumeTiming();
    }
    state.counters["peak_MB"] = BenchSupport::PeakMegabytes();
}

// The panel brought up to date after one logged contact (the contact's insert is outside the clock): the
// new row read, the figures and the chart in view shown.
void BM_UpdateAfterContact(benchmark::State& state)
{
    std::unique_ptr<TStatisticsPanel> panel = OpenPanel();
    const int loads = panel->Statistics().FullLoads();
    for (auto _ : state) {
        state.PauseTiming();
        gWorld->dm->LogAddRecord(NextContact(), kTable);
        state.ResumeTiming();
        panel->LogChanged();
        panel->Refresh();
    }
    if (panel->Statistics().FullLoads() != loads) {
        state.SkipWithError("the log was read again after a logged contact");
    }
}

// The same with the statistics alone (no figures shown): what LogChanged costs at the refresh point.
void BM_StatisticsAfterContact(benchmark::State& state)
{
    TLogStatistics stats(*gWorld->dm);
    stats.SetLog(kTable);
    for (auto _ : state) {
        state.PauseTiming();
        gWorld->dm->LogAddRecord(NextContact(), kTable);
        state.ResumeTiming();
        stats.LogChanged();
    }
    if (stats.FullLoads() != 1) {
        state.SkipWithError("the log was read again after a logged contact");
    }
}

// Logging a contact (its insert, durable on return) without the panel, and with the panel open and
// brought up to date: the difference is what the panel adds to each contact.
void BM_LogContact_NoPanel(benchmark::State& state)
{
    for (auto _ : state) {
        gWorld->dm->LogAddRecord(NextContact(), kTable);
    }
}

void BM_LogContact_WithPanel(benchmark::State& state)
{
    std::unique_ptr<TStatisticsPanel> panel = OpenPanel();
    for (auto _ : state) {
        gWorld->dm->LogAddRecord(NextContact(), kTable);
        panel->LogChanged();
        panel->Refresh();
    }
}

void Median5(benchmark::internal::Benchmark* b, benchmark::TimeUnit unit)
{
    b->Unit(unit)->Repetitions(5)->ReportAggregatesOnly(true);
}

BENCHMARK(BM_OpenPanel)->Iterations(3)->Apply([](auto* b) { Median5(b, benchmark::kMillisecond); });
BENCHMARK(BM_UpdateAfterContact)->Iterations(200)->Apply([](auto* b) {
    Median5(b, benchmark::kMicrosecond);
});
BENCHMARK(BM_StatisticsAfterContact)->Iterations(200)->Apply([](auto* b) {
    Median5(b, benchmark::kMicrosecond);
});
BENCHMARK(BM_LogContact_NoPanel)->Iterations(200)->Apply([](auto* b) {
    Median5(b, benchmark::kMicrosecond);
});
BENCHMARK(BM_LogContact_WithPanel)->Iterations(200)->Apply([](auto* b) {
    Median5(b, benchmark::kMicrosecond);
});

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    gContacts = BenchSupport::TakeContactsArgument(argc, argv, gContacts);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    BuildWorld();
    benchmark::AddCustomContext("contacts", std::to_string(gContacts));
    benchmark::RunSpecifiedBenchmarks();
    std::printf("Peak memory of the program: %.1f MB\n", BenchSupport::PeakMegabytes());
    delete gWorld;
    benchmark::Shutdown();
    return 0;
}
