// Speed of the logging workflow on a log of --contacts=N contacts (100,000 unless told): the duplicate
// check and the insert of one contact beside their floor (the same statement, prepared once, run through
// the SQLite C API on the same connection), one typed character until the dupe list holds its first rows
// (every prefix length of a call, and thousands of matches all logged last), logging a contact end to end,
// refreshing the recent-contacts list after a contact
// and selecting the log. Also reports the program's peak memory with that log open.
//
// The log is generated once per size into the fixture folder (see BenchSupport.h) and copied into a
// temporary work folder for each run, so the contacts logged by a run never reach the next one.

#include "BenchSupport.h"
#include "LogFixture.h"
#include "common/TQuietPrompts.h"
#include "data/Prompts.h"
#include "gui/app/TRecentContactsModel.h"
#include "gui/app/TfrmMain.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>
#include <QTreeView>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <ctime>
#include <memory>
#include <sqlite3.h>
#include <vector>

namespace {

int gContacts = 100000;
const QString& kTable = LogFixture::kTable;
// The call typed one character after the other in the keystroke benchmarks.
const QString kTypedCall = QStringLiteral("KB1ABC");

struct TWorld
{
    QTemporaryDir dir;
    TQuietPrompts prompts;
    std::unique_ptr<TfrmMain> window;
    QLineEdit* call = nullptr;
    QAbstractItemModel* dupes = nullptr;
};

TWorld* gWorld = nullptr;

tLogRecord Contact(QRandomGenerator& rng, int i)
{
    return LogFixture::Contact(rng, i, gContacts);
}

void BuildWorld()
{
    const QString logs = LogFixture::Logs(gContacts);
    gWorld = new TWorld;
    const QString work = gWorld->dir.path() + QStringLiteral("/work/");
    qputenv("VANTREL_HOME", QFile::encodeName(work));
    BenchSupport::MakeWorkFolder(work, logs);

    gWorld->window = std::make_unique<TfrmMain>(gWorld->prompts);
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

// The SQLite connection under the program's logs connection: the floors run on it.
sqlite3* LogsHandle()
{
    const QVariant handle = gWorld->window->DM().condb().driver()->handle();
    return *static_cast<sqlite3* const*>(handle.constData());
}

sqlite3_stmt* PrepareRaw(const QString& sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(LogsHandle(), sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK) {
        qFatal("%s", sqlite3_errmsg(LogsHandle()));
    }
    return statement;
}

void BM_DupeCheck(benchmark::State& state)
{
    SetCall(QStringLiteral("W1AW"));
    for (auto _ : state) {
        benchmark::DoNotOptimize(gWorld->window->DupeCheck());
    }
}

// The floor of the duplicate check: its statement prepared once and run through the C API.
void BM_DupeCheck_Floor(benchmark::State& state)
{
    sqlite3_stmt* q = PrepareRaw(QStringLiteral("select _call from \"%1\" where _call=? COLLATE NOCASE and "
                                                "_call=? limit 1")
                                     .arg(kTable));
    for (auto _ : state) {
        sqlite3_bind_text(q, 1, "W1AW", 4, SQLITE_STATIC);
        sqlite3_bind_text(q, 2, "W1AW", 4, SQLITE_STATIC);
        benchmark::DoNotOptimize(sqlite3_step(q) == SQLITE_ROW);
        sqlite3_reset(q);
    }
    sqlite3_finalize(q);
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

// Contacts of calls no earlier contact has (each call once in the whole run), ready before the clock
// starts.
std::vector<tLogRecord> FreshContacts(int count)
{
    static int serial = 0;
    std::vector<tLogRecord> contacts;
    QRandomGenerator rng(77);
    for (int i = 0; i < count; ++i, ++serial) {
        tLogRecord contact = Contact(rng, 0);
        contact.call = QStringLiteral("KZ%1").arg(serial);
        contact.name = QStringLiteral("Christopher");
        contacts.push_back(contact);
    }
    return contacts;
}

// One contact stored, as every logged contact is: its own transaction, durable when the call returns.
void BM_LogAddRecord(benchmark::State& state)
{
    const std::vector<tLogRecord> contacts = FreshContacts(4096);
    TDM& dm = gWorld->window->DM();
    size_t i = 0;
    for (auto _ : state) {
        dm.LogAddRecord(contacts[i++ % contacts.size()], kTable);
    }
}

// The floor of the insert: the same statement prepared once, the same values, through the C API.
void BM_LogAddRecord_Floor(benchmark::State& state)
{
    const std::vector<tLogRecord> contacts = FreshContacts(4096);
    std::vector<std::vector<QByteArray>> texts;
    for (const tLogRecord& c : contacts) {
        texts.push_back({c.date.toUtf8(), c.time.toUtf8(), c.call.toUtf8(), c.tenten.toUtf8(), c.vp.toUtf8(),
                         c.epc.toUtf8(), c.p070.toUtf8(), c.mode.toUtf8(), c.name.toUtf8(), c.qth.toUtf8(),
                         c.mycounty.toUtf8(), c.uscounty.toUtf8()});
    }
    sqlite3_stmt* q = PrepareRaw(
        QStringLiteral("INSERT INTO \"%1\" (`_date`,`_time`,`_call`,`_tenten`,`_vp`,`_epc`,`_p070`,`_mode`,"
                       "`_name`,`_qth`,`_mycounty`,`_uscounty`,`_points`,`_dxcc`,`_comment`)"
                       " VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)")
            .arg(kTable));
    size_t i = 0;
    for (auto _ : state) {
        const size_t n = i++ % contacts.size();
        const std::vector<QByteArray>& t = texts[n];
        for (int column = 0; column < 12; ++column) {
            sqlite3_bind_text(q, column + 1, t[column].constData(), int(t[column].size()), SQLITE_STATIC);
        }
        sqlite3_bind_int(q, 13, contacts[n].points);
        sqlite3_bind_int(q, 14, contacts[n].dxcc);
        sqlite3_bind_text(q, 15, "", 0, SQLITE_STATIC);
        if (sqlite3_step(q) != SQLITE_DONE) {
            state.SkipWithError(sqlite3_errmsg(LogsHandle()));
        }
        sqlite3_reset(q);
    }
    sqlite3_finalize(q);
}

// One typed character until the dupe list holds its first rows: the call "KB1ABC" typed up to the length
// given ("K", "KB", ... "KB1ABC"); the text before the keystroke is set before the clock starts.
void BM_Keystroke(benchmark::State& state)
{
    const int length = int(state.range(0));
    const QString before = kTypedCall.left(length - 1);
    const QString after = kTypedCall.left(length);
    for (auto _ : state) {
        state.PauseTiming();
        SetCall(before);
        state.ResumeTiming();
        SetCall(after);
        benchmark::DoNotOptimize(gWorld->dupes->rowCount());
    }
    state.counters["rows_shown"] = gWorld->dupes->rowCount();
}

// A prefix of thousands of contacts, all logged last.
void BM_Keystroke_ManyLoggedLast(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        SetCall(QString());
        state.ResumeTiming();
        SetCall(QStringLiteral("T"));
        benchmark::DoNotOptimize(gWorld->dupes->rowCount());
    }
    state.counters["rows_shown"] = gWorld->dupes->rowCount();
}

// Processor time of this process, in milliseconds: the fair figure on a shared machine.
double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// The prefixes the sweep types: every one- and two-character prefix of the log's calls, and the longer
// prefixes (three characters to the whole call) of a fixed sample of the log's calls.
QStringList SweepPrefixes()
{
    QSqlQuery q(gWorld->window->DM().condb());
    QStringList prefixes;
    for (int length : {1, 2}) {
        q.exec(
            QStringLiteral("select distinct upper(substr(_call,1,%1)) from \"%2\" where length(_call) >= %1")
                .arg(length)
                .arg(kTable));
        while (q.next()) {
            prefixes << q.value(0).toString();
        }
    }
    q.exec(QStringLiteral("select max(rowid) from \"%1\"").arg(kTable));
    const qint64 last = q.next() ? q.value(0).toLongLong() : 0;
    QRandomGenerator rng(2026);
    for (int i = 0; i < 40 && last > 0; ++i) {
        q.exec(QStringLiteral("select _call from \"%1\" where rowid >= %2 limit 1")
                   .arg(kTable)
                   .arg(1 + qint64(rng.bounded(quint64(last)))));
        const QString call = q.next() ? q.value(0).toString().toUpper() : QString();
        for (qsizetype length = 3; length <= call.size(); ++length) {
            prefixes << call.left(length);
        }
    }
    prefixes.removeDuplicates();
    return prefixes;
}

// One typed character for every prefix of the sweep: the text without its last character is set outside
// the clock, then the prefix is typed until the dupe list holds its first rows (processor time, median of
// five). Prints the worst ten; the counters give the median over the prefixes, the worst and how many
// prefixes take 1 ms or more.
void BM_PrefixSweep(benchmark::State& state)
{
    const QStringList prefixes = SweepPrefixes();
    struct TCost
    {
        double ms;
        QString prefix;
        int rows;
    };
    std::vector<TCost> costs;
    for (auto _ : state) {
        costs.clear();
        for (const QString& prefix : prefixes) {
            std::vector<double> times;
            for (int run = 0; run < 5; ++run) {
                SetCall(prefix.left(prefix.size() - 1));
                const double start = CpuMs();
                SetCall(prefix);
                benchmark::DoNotOptimize(gWorld->dupes->rowCount());
                times.push_back(CpuMs() - start);
            }
            costs.push_back({Median(times), prefix, gWorld->dupes->rowCount()});
        }
    }
    SetCall(QString());
    std::sort(costs.begin(), costs.end(), [](const TCost& a, const TCost& b) { return a.ms > b.ms; });
    std::vector<double> all;
    for (const TCost& c : costs) {
        all.push_back(c.ms);
    }
    std::printf("Prefix sweep: %zu prefixes, median %.3f ms CPU; the worst ten:", costs.size(), Median(all));
    for (size_t i = 0; i < costs.size() && i < 10; ++i) {
        std::printf(" %s %.3f;", qPrintable(costs[i].prefix), costs[i].ms);
    }
    std::printf("\n");
    std::fflush(stdout);
    state.counters["prefixes"] = double(costs.size());
    state.counters["median_ms"] = Median(all);
    state.counters["worst_ms"] = costs.empty() ? 0.0 : costs.front().ms;
    state.counters["tenth_worst_ms"] = costs.size() >= 10 ? costs[9].ms : 0.0;
    state.counters["over_1ms"] =
        double(std::count_if(all.begin(), all.end(), [](double ms) { return ms >= 1.0; }));
}

// The two ways of reading the first screenful of a prefix's rows in logged order through an index, on the
// prefixes of the typed call (statement prepared once, C API, 64 rows stepped): the rowids from the call
// index sorted, then the rows by rowid (what the program does for a prefix of few rows), against one
// covering index holding every listed column, read and sorted by rowid in one statement.
void DupeListByIndex(benchmark::State& state, bool covering)
{
    const QString prefix = kTypedCall.left(int(state.range(0))) + QLatin1Char('%');
    const QString cover = kTable + QStringLiteral("_cover");
    QSqlQuery ddl(gWorld->window->DM().condb());
    if (covering) {
        ddl.exec(
            QStringLiteral("CREATE INDEX \"%1\" ON \"%2\" (_call COLLATE NOCASE, _mode, _qth, _uscounty)")
                .arg(cover, kTable));
    }
    const QString columns =
        QStringLiteral("rowid, _call, _mode, ifnull(_qth,'') || ':' || ifnull(_uscounty,'')");
    sqlite3_stmt* q = PrepareRaw(
        covering
            ? QStringLiteral("select %1 from \"%2\" indexed by \"%3\" where _call like ?1 order by rowid "
                             "limit 64")
                  .arg(columns, kTable, cover)
            : QStringLiteral("select %1 from \"%2\" where rowid in (select rowid from \"%2\" where _call "
                             "like ?1 order by rowid limit 64) order by rowid")
                  .arg(columns, kTable));
    const QByteArray pattern = prefix.toUtf8();
    int rows = 0;
    for (auto _ : state) {
        sqlite3_bind_text(q, 1, pattern.constData(), int(pattern.size()), SQLITE_STATIC);
        rows = 0;
        while (sqlite3_step(q) == SQLITE_ROW) {
            benchmark::DoNotOptimize(sqlite3_column_text(q, 1));
            ++rows;
        }
        sqlite3_reset(q);
    }
    sqlite3_finalize(q);
    if (covering) {
        ddl.exec(QStringLiteral("DROP INDEX \"%1\"").arg(cover));
    }
    state.counters["rows"] = rows;
}

void BM_DupeList_TwoStep(benchmark::State& state)
{
    DupeListByIndex(state, false);
}

void BM_DupeList_CoveringIndex(benchmark::State& state)
{
    DupeListByIndex(state, true);
}

// Check, insert, counters and clearing, as the Log button does it.
void BM_DoLog(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        SetCall(FreshContacts(1).front().call);
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

// Selecting the log in the list again: migration check, configuration row, index and the counters (the
// log's row of log_counts, set up at the first selection and kept true since by the table's triggers).
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

// The first selection of the log in a session: the same, with the logs database opened again before each,
// so that no statement is prepared and no page is cached on the connection.
void BM_SelectLog_FirstInSession(benchmark::State& state)
{
    auto* list = gWorld->window->findChild<QListWidget*>(QStringLiteral("ListBox1"));
    TDM& dm = gWorld->window->DM();
    const QString logs = dm.condb().databaseName();
    for (auto _ : state) {
        state.PauseTiming();
        dm.OpenLogs(logs);
        gWorld->window->DoOpen();
        list->setCurrentRow(0);
        state.ResumeTiming();
        gWorld->window->ListBox1Click();
    }
}

// The counters of a log counted from its table: the one aggregate pass that selecting a log makes when its
// counts are not kept in the file (a log made by an earlier version, its first selection; a table rebuilt
// or renamed by another program).
void BM_Recount(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(gWorld->window->DM().Recount(kTable));
    }
}

// The benchmarks that add contacts run last, and a bounded number of times, so that the log the others
// read keeps its size. Each reports the median of five repetitions.
void Median5(benchmark::internal::Benchmark* b, benchmark::TimeUnit unit)
{
    b->Unit(unit)->Repetitions(5)->ReportAggregatesOnly(true);
}

BENCHMARK(BM_DupeCheck)->MinTime(0.2)->Apply([](auto* b) { Median5(b, benchmark::kMicrosecond); });
BENCHMARK(BM_DupeCheck_Floor)->MinTime(0.2)->Apply([](auto* b) { Median5(b, benchmark::kMicrosecond); });
BENCHMARK(BM_DupeCheck_NoIndex)->Iterations(5)->Apply([](auto* b) { Median5(b, benchmark::kMillisecond); });
BENCHMARK(BM_Keystroke)->DenseRange(1, 6)->Iterations(40)->Apply([](auto* b) {
    Median5(b, benchmark::kMillisecond);
});
BENCHMARK(BM_Keystroke_ManyLoggedLast)->Iterations(40)->Apply([](auto* b) {
    Median5(b, benchmark::kMillisecond);
});
BENCHMARK(BM_PrefixSweep)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DupeList_TwoStep)->DenseRange(2, 4)->Iterations(20)->Apply([](auto* b) {
    Median5(b, benchmark::kMillisecond);
});
BENCHMARK(BM_DupeList_CoveringIndex)->DenseRange(2, 4)->Iterations(20)->Apply([](auto* b) {
    Median5(b, benchmark::kMillisecond);
});
BENCHMARK(BM_SelectLog)->Iterations(5)->Apply([](auto* b) { Median5(b, benchmark::kMillisecond); });
BENCHMARK(BM_SelectLog_FirstInSession)->Iterations(5)->Apply([](auto* b) {
    Median5(b, benchmark::kMillisecond);
});
BENCHMARK(BM_Recount)->Iterations(5)->Apply([](auto* b) { Median5(b, benchmark::kMillisecond); });
BENCHMARK(BM_LogAddRecord)->Iterations(1000)->Apply([](auto* b) { Median5(b, benchmark::kMicrosecond); });
BENCHMARK(BM_LogAddRecord_Floor)->Iterations(1000)->Apply([](auto* b) {
    Median5(b, benchmark::kMicrosecond);
});
BENCHMARK(BM_DoLog)->Iterations(200)->Apply([](auto* b) { Median5(b, benchmark::kMillisecond); });
BENCHMARK(BM_RecentContactsRefresh)->Iterations(200)->Apply([](auto* b) {
    Median5(b, benchmark::kMillisecond);
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
    std::printf("Log of %d contacts open; peak memory %.1f MB\n", gContacts, BenchSupport::PeakMegabytes());
    benchmark::AddCustomContext("contacts", std::to_string(gContacts));
    benchmark::RunSpecifiedBenchmarks();
    std::printf("Peak memory of the program with the log open: %.1f MB\n", BenchSupport::PeakMegabytes());
    gWorld->window->close();
    delete gWorld;
    benchmark::Shutdown();
    return 0;
}
