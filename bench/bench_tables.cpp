// The log window on a log of --contacts=N contacts (100,000 unless told): opening "Display Log" until the
// first screen of rows is painted, "Refresh" until it is painted again, and jumping to the last row until
// it is painted. Target: under 100 ms to the first painted rows at 1,000,000. The grid counts the rows when
// it opens and reads the keys and values of the rows it shows, so none depends much on the log size.

#include "BenchSupport.h"
#include "common/TQuietPrompts.h"

#include "data/Paths.h"
#include "data/Prompts.h"
#include "data/TDM.h"
#include "gui/data/TDBGrid.h"
#include "gui/data/TDBNavigator.h"
#include "gui/data/TSqlGridModel.h"
#include "gui/data/TfrmLogTable.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

// The log's size: --contacts=N (100,000 unless told).
int kContacts = 100000;
const QString kTable = QStringLiteral("N0CALL_2026_Open_Season");

struct TWorld
{
    QTemporaryDir dir;
    TQuietPrompts prompts;
    TDM dm;
};

TWorld* gWorld = nullptr;

// logs.db with the `config` table and one log of kContacts contacts.
void GenerateLog(const QString& path)
{
    TDM dm;
    dm.OpenLogs(path);
    dm.CreateConfig(Paths::ShippedFile(QStringLiteral("config.sql")));
    TMysettings rec;
    rec.TableName = kTable;
    rec.ContestName = QStringLiteral("Open Season");
    rec.Callsign = QStringLiteral("N0CALL");
    dm.CreateLog(rec);
    QRandomGenerator rng(1010);
    static const char* const kNames[] = {"Bob", "Mary", "Christopher", "Hans", "Yuki", "José"};
    dm.condb().transaction();
    for (int i = 0; i < kContacts; ++i) {
        tLogRecord contact;
        contact.date = QStringLiteral("2026-12-09");
        contact.time =
            QStringLiteral("%1:%2").arg(i / 60 % 24, 2, 10, QChar('0')).arg(i % 60, 2, 10, QChar('0'));
        contact.call = BenchSupport::RandomCall(rng);
        contact.tenten = i % 3 ? QString::number(rng.bounded(80000)) : QString();
        contact.mode = QStringLiteral("SSB");
        contact.name = QString::fromUtf8(kNames[rng.bounded(int(std::size(kNames)))]);
        contact.qth = QStringLiteral("AZ");
        contact.uscounty = QStringLiteral("Pima");
        contact.comment = i % 7 ? QString() : QStringLiteral("worked on 28.450");
        contact.points = contact.tenten.isEmpty() ? 1 : 2;
        contact.dxcc = 291;
        dm.LogAddRecord(contact, kTable);
    }
    dm.condb().commit();
    dm.CloseLogs();
}

void BuildWorld()
{
    gWorld = new TWorld;
    TDM& dm = gWorld->dm;
    // Generated once per size into the fixture folder, then copied.
    const QString fixture = BenchSupport::Fixture(QStringLiteral("tables_%1.db").arg(kContacts), GenerateLog);
    const QString logs = gWorld->dir.filePath(QStringLiteral("logs.db"));
    QFile::copy(fixture, logs);
    QFile::setPermissions(logs, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    dm.OpenLogs(logs);
}

// Opening the log window: keys, the first page of rows, fitting the columns, and painting the first screen
// (forced with a grab of the grid).
void BM_OpenDisplayLog(benchmark::State& state)
{
    for (auto _ : state) {
        TfrmLogTable form(gWorld->prompts, gWorld->dm);
        form.resize(1100, 560);
        form.Open(kTable);
        form.show();
        benchmark::DoNotOptimize(form.Grid()->viewport()->grab());
        benchmark::DoNotOptimize(form.Model()->rowCount());
        state.PauseTiming();
        if (form.Model()->rowCount() != kContacts) {
            state.SkipWithError("the grid does not hold the whole log");
        }
        form.hide();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}

// "Last record" on an open log window until the last row is painted (painting is forced with a grab of the
// grid); then, not timed, a refresh and back to the first row, so that every iteration jumps the whole log
// to rows not read yet.
void BM_ScrollToLastRow(benchmark::State& state)
{
    TfrmLogTable form(gWorld->prompts, gWorld->dm);
    form.resize(1100, 560);
    form.Open(kTable);
    form.show();
    benchmark::DoNotOptimize(form.Grid()->viewport()->grab());
    for (auto _ : state) {
        form.Navigator()->Last();
        benchmark::DoNotOptimize(form.Grid()->viewport()->grab());
        state.PauseTiming();
        if (form.Grid()->currentIndex().row() != kContacts - 1 ||
            form.Grid()->rowAt(form.Grid()->viewport()->height() - 2) != kContacts - 1) {
            state.SkipWithError("the last row is not shown");
        }
        // Back to the top with nothing read yet, as when the window has just opened.
        form.Model()->Refresh();
        form.Navigator()->First();
        benchmark::DoNotOptimize(form.Grid()->viewport()->grab());
        state.ResumeTiming();
    }
}

BENCHMARK(BM_OpenDisplayLog)->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(3);
// "Refresh" on an open log window until its first screen is painted again.
void BM_RefreshDisplayLog(benchmark::State& state)
{
    TfrmLogTable form(gWorld->prompts, gWorld->dm);
    form.resize(1100, 560);
    form.Open(kTable);
    form.show();
    benchmark::DoNotOptimize(form.Grid()->viewport()->grab());
    for (auto _ : state) {
        form.Navigator()->Refresh();
        benchmark::DoNotOptimize(form.Grid()->viewport()->grab());
    }
    if (form.Model()->rowCount() != kContacts) {
        state.SkipWithError("the grid does not hold the whole log");
    }
}

BENCHMARK(BM_RefreshDisplayLog)->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(3);
BENCHMARK(BM_ScrollToLastRow)->Unit(benchmark::kMillisecond)->Iterations(20)->Repetitions(3);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    kContacts = BenchSupport::TakeContactsArgument(argc, argv, kContacts);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    BuildWorld();
    std::printf("Log of %d contacts; peak memory %.1f MB\n", kContacts, BenchSupport::PeakMegabytes());
    benchmark::RunSpecifiedBenchmarks();
    std::printf("Peak memory: %.1f MB\n", BenchSupport::PeakMegabytes());
    delete gWorld;
    benchmark::Shutdown();
    return 0;
}
