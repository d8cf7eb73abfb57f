// Speed of the logging workflow on a log of 100,000 contacts: the duplicate check (with and without the
// call-sign index), one typed character until the dupe list holds its first rows (prefixes shared by many,
// some, few contacts, and by thousands logged last), logging a contact end to end, refreshing the
// recent-contacts list after a contact
// and selecting the log. Also reports the program's peak memory with that log open.

#include "BenchSupport.h"
#include "app/TRecentContactsModel.h"
#include "app/TfrmMain.h"
#include "data/Paths.h"
#include "ui/Prompts.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTreeView>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int kContacts = 100000;
constexpr int kLateContacts = 5000;
const QString kTable = QStringLiteral("N0CALL_2026_Open_Season");

// Answers every prompt with OK; the benchmark never expects one.
class TQuietPrompts : public TRealPrompts
{
public:
    MsgButton Message(QWidget*, const QString& text, MsgKind, MsgButtons) override
    {
        qWarning("unexpected message: %s", qPrintable(text));
        return MsgButton::OK;
    }
};

struct TWorld
{
    QTemporaryDir dir;
    TQuietPrompts prompts;
    std::unique_ptr<TfrmMain> window;
    QLineEdit* call = nullptr;
    QAbstractItemModel* dupes = nullptr;
};

TWorld* gWorld = nullptr;

void BuildWorld()
{
    gWorld = new TWorld;
    const QString work = gWorld->dir.path() + QStringLiteral("/work/");
    qputenv("VANTREL_HOME", QFile::encodeName(work));
    QDir().mkpath(work);
    QFile::copy(Paths::ShippedFile(QStringLiteral("config.db")), work + QStringLiteral("config.db"));
    QFile::setPermissions(work + QStringLiteral("config.db"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile settings(work + QStringLiteral("Vantrel.cfg"));
    settings.open(QIODevice::WriteOnly);
    settings.write("[Settings]\nGrid=FN31PR\nLastMode=SSB\n");
    settings.close();

    gWorld->window = std::make_unique<TfrmMain>(gWorld->prompts);
    TDM& dm = gWorld->window->DM();
    TMysettings rec;
    rec.TableName = kTable;
    rec.ContestName = QStringLiteral("Open Season");
    rec.Callsign = QStringLiteral("N0CALL");
    dm.CreateLog(rec);
    QRandomGenerator rng(1010);
    dm.condb().transaction();
    for (int i = 0; i < kContacts; ++i) {
        tLogRecord contact;
        contact.date = QStringLiteral("2026-12-09");
        contact.time = QStringLiteral("17:05");
        // The last contacts share a prefix that no earlier one has: the worst case for the dupe list,
        // thousands of matches that all lie at the end of the table.
        contact.call =
            i < kContacts - kLateContacts ? BenchSupport::RandomCall(rng) : QStringLiteral("TA%1").arg(i);
        contact.tenten = i % 3 ? QString::number(rng.bounded(80000)) : QString();
        contact.mode = QStringLiteral("SSB");
        contact.qth = QStringLiteral("AZ");
        contact.uscounty = QStringLiteral("Pima");
        contact.points = 2;
        dm.LogAddRecord(contact, kTable);
    }
    dm.condb().commit();
    gWorld->window->DoOpen();
    auto* list = gWorld->window->findChild<QListWidget*>(QStringLiteral("ListBox1"));
    list->setCurrentRow(0);
    gWorld->window->ListBox1Click();
    gWorld->call = gWorld->window->findChild<QLineEdit*>(QStringLiteral("txtCallsign"));
    gWorld->dupes = gWorld->window->findChild<QTreeView*>(QStringLiteral("ListView1"))->model();
}

void SetCall(const QString& text)
{
    gWorld->call->setText(text);
}

void BM_DupeCheck_Indexed(benchmark::State& state)
{
    SetCall(QStringLiteral("W1AW"));
    for (auto _ : state) {
        benchmark::DoNotOptimize(gWorld->window->DupeCheck());
    }
}

// The same statement on the same table after its index is dropped: the ratio is the index's gain.
void BM_DupeCheck_NoIndex(benchmark::State& state)
{
    SetCall(QStringLiteral("W1AW"));
    QSqlQuery(gWorld->window->DM().condb()).exec(QStringLiteral("DROP INDEX \"%1_call\"").arg(kTable));
    for (auto _ : state) {
        benchmark::DoNotOptimize(gWorld->window->DupeCheck());
    }
    gWorld->window->DM().EnsureCallIndex(kTable);
}

// One typed character until the dupe list holds its first screenful of rows.
void BM_TypeCharacter_OneLetterPrefix(benchmark::State& state)
{
    for (auto _ : state) {
        SetCall(QString());
        SetCall(QStringLiteral("K"));
        benchmark::DoNotOptimize(gWorld->dupes->rowCount());
    }
    state.counters["rows_shown"] = gWorld->dupes->rowCount();
}

// A two-letter prefix shared by a couple of thousand contacts spread over the log.
void BM_TypeCharacter_TwoLetterPrefix(benchmark::State& state)
{
    for (auto _ : state) {
        SetCall(QStringLiteral("K"));
        SetCall(QStringLiteral("KB"));
        benchmark::DoNotOptimize(gWorld->dupes->rowCount());
    }
}

// A prefix of thousands of contacts, all logged last: the whole table is read before the first match.
void BM_TypeCharacter_ManyLoggedLast(benchmark::State& state)
{
    for (auto _ : state) {
        SetCall(QString());
        SetCall(QStringLiteral("T"));
        benchmark::DoNotOptimize(gWorld->dupes->rowCount());
    }
}

void BM_TypeCharacter_FullCall(benchmark::State& state)
{
    for (auto _ : state) {
        SetCall(QStringLiteral("KB1AB"));
        SetCall(QStringLiteral("KB1ABC"));
        benchmark::DoNotOptimize(gWorld->dupes->rowCount());
    }
}

// Check, insert, counters and clearing, as the Log button does it.
void BM_DoLog(benchmark::State& state)
{
    static int serial = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // Calls of a fresh shape (two digits), so none of them is a duplicate.
        ++serial;
        SetCall(QStringLiteral("KD%1%2%3%4")
                    .arg(serial % 10)
                    .arg(QChar('A' + (serial / 10) % 26))
                    .arg(QChar('A' + (serial / 260) % 26))
                    .arg((serial / 6760) % 10));
        state.ResumeTiming();
        gWorld->window->DoLog();
    }
}

// Refreshing the recent-contacts list once a contact has been stored (the last step of DoLog, also run
// by the feeds and imports).
void BM_RecentContactsRefresh(benchmark::State& state)
{
    static int serial = 0;
    TDM& dm = gWorld->window->DM();
    SetCall(QString());
    for (auto _ : state) {
        state.PauseTiming();
        tLogRecord contact;
        contact.call = QStringLiteral("KE%1").arg(++serial);
        contact.mode = QStringLiteral("SSB");
        dm.LogAddRecord(contact, kTable);
        state.ResumeTiming();
        gWorld->window->LogTableChanged();
        benchmark::DoNotOptimize(gWorld->window->RecentContacts().rowCount());
    }
}

// Selecting the log in the list: migration check, configuration row, index and recount.
void BM_SelectLog(benchmark::State& state)
{
    auto* list = gWorld->window->findChild<QListWidget*>(QStringLiteral("ListBox1"));
    for (auto _ : state) {
        state.PauseTiming();
        gWorld->window->DoOpen();
        list->setCurrentRow(0);
        state.ResumeTiming();
        gWorld->window->ListBox1Click();
    }
    state.counters["peak_MB"] = BenchSupport::PeakMegabytes();
}

BENCHMARK(BM_DupeCheck_Indexed)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_DupeCheck_NoIndex)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_TypeCharacter_OneLetterPrefix)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_TypeCharacter_TwoLetterPrefix)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_TypeCharacter_ManyLoggedLast)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_TypeCharacter_FullCall)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_DoLog)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_RecentContactsRefresh)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_SelectLog)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    BuildWorld();
    std::printf("Log of %d contacts open; peak memory %.1f MB\n", kContacts, BenchSupport::PeakMegabytes());
    benchmark::RunSpecifiedBenchmarks();
    std::printf("Peak memory of the program with the log open: %.1f MB\n", BenchSupport::PeakMegabytes());
    gWorld->window->close();
    delete gWorld;
    benchmark::Shutdown();
    return 0;
}
