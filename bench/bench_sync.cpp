// Sharing a log between operating positions, against a PostgreSQL server the program starts itself (as
// the tests do: initdb and pg_ctl in a temporary folder on a free port of 127.0.0.1).
//
//   BM_SharingCost      logging a contact into a shared log and into a log that is not shared,
//                       alternately: extra_ms is what sharing adds to the logging call (target: at most
//                       0.2 ms), extra_cpu_ms what it adds to the logging thread's processor time per contact
//                       in all, its work until the server has the contact included
//   BM_Propagation      a contact logged on one position until it is in the log of another, one at a time;
//                       median_ms (target under 200 ms) and p99_ms (target under 1 s)
//
// The same program runs the simulation of a club station (not a benchmark):
//   bench_sync --simulate [--positions=20] [--contacts=500] [--interval-ms=20]
// starts that many position processes (the same program with --position), each logging its contacts at
// the interval while receiving everyone else's, and prints per position the contacts its log holds (all
// positions' contacts: positions x contacts) and the propagation delay of the contacts it received
// (median and 99th percentile). It exits with 1 when a position does not hold them all.

#include "common/TPgServer.h"
#include "data/Paths.h"
#include "data/TDM.h"
#include "data/tLogRecord.h"
#include "sync/TSharedLog.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSocketNotifier>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

const QString kTable = QStringLiteral("W1VNT_2026_Open_Season");
const QString kPlain = QStringLiteral("W1VNT_2026_General_Log");

qint64 NowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

double Percentile(std::vector<double> values, double p)
{
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return values[index];
}

TMysettings Event(const QString& table)
{
    TMysettings rec;
    rec.ContestName = QStringLiteral("Open Season");
    rec.ContestMode = QStringLiteral("SSB");
    rec.Callsign = QStringLiteral("W1VNT");
    rec.FirstName = QStringLiteral("Club");
    rec.LastName = QStringLiteral("Station");
    rec.TableName = table;
    return rec;
}

tLogRecord Contact(const QString& call, const QString& comment)
{
    tLogRecord rec;
    rec.date = QStringLiteral("2026-06-13");
    rec.time = QStringLiteral("14:00");
    rec.call = call;
    rec.tenten = QStringLiteral("1234");
    rec.mode = QStringLiteral("SSB");
    rec.name = QStringLiteral("Op");
    rec.qth = QStringLiteral("MA");
    rec.uscounty = QStringLiteral("Suffolk");
    rec.comment = comment;
    rec.points = 2;
    return rec;
}

// The server and the club's database, made once for the benchmarks.
struct TClub
{
    TPgServer server;
    QString database = QStringLiteral("club");
    TClub()
    {
        if (server.IsValid()) {
            server.CreateClub(QStringLiteral("club"), QStringLiteral("club-secret"), database);
        }
    }
    TShareSettings Settings(const QString& position, const QString& log) const
    {
        TShareSettings s;
        s.host = server.Host();
        s.port = server.Port();
        s.database = database;
        s.user = QStringLiteral("club");
        s.password = QStringLiteral("club-secret");
        s.position = position;
        s.log = log;
        return s;
    }
};

TClub& Club()
{
    static TClub club;
    return club;
}

// A position of this process: logs.db in a folder of its own.
struct TPosition
{
    QTemporaryDir dir;
    TDM dm;
    TSharedLog share{dm};
    TPosition()
    {
        dm.OpenLogs(dir.filePath(QStringLiteral("logs.db")));
        dm.CreateConfig();
    }
};

// Runs the event loop until the condition holds (looked at every few milliseconds, or when a signal of the
// sender given arrives); false after the timeout.
template <typename Sender = QObject, typename Signal = std::nullptr_t>
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 60000, Sender* sender = nullptr,
               Signal signal = nullptr)
{
    if (condition()) {
        return true;
    }
    QEventLoop loop;
    QTimer look;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (condition() || clock.elapsed() > timeoutMs) {
            loop.quit();
        }
    });
    if constexpr (!std::is_same_v<Signal, std::nullptr_t>) {
        QObject::connect(sender, signal, &loop, [&] {
            if (condition()) {
                loop.quit();
            }
        });
    }
    look.start(20);
    loop.exec();
    return condition();
}

// The processor time of the calling thread so far, in milliseconds.
double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

void BM_SharingCost(benchmark::State& state)
{
    if (!Club().server.IsValid()) {
        state.SkipWithError(qPrintable(Club().server.Error()));
        return;
    }
    TPosition p;
    p.dm.CreateLog(Event(kTable));
    p.dm.CreateLog(Event(kPlain));
    p.share.Start(Club().Settings(QStringLiteral("Cost"), kTable));
    if (!WaitUntil([&] { return p.share.Status().inStep; })) {
        state.SkipWithError("the position did not get in step");
        return;
    }
    const auto inStep = [&] { return p.share.Status().inStep; };
    double insertPlain = 0;
    double insertShared = 0;
    double cpuPlain = 0;
    double cpuShared = 0;
    int n = 0;
    for (auto _ : state) {
        const QString call = QStringLiteral("K%1").arg(n++);
        double cpu = ThreadCpuMs();
        qint64 start = NowUs();
        p.dm.LogAddRecord(Contact(call, QString()), kPlain);
        insertPlain += double(NowUs() - start) / 1000.0;
        QCoreApplication::processEvents();
        cpuPlain += ThreadCpuMs() - cpu;

        cpu = ThreadCpuMs();
        start = NowUs();
        p.dm.LogAddRecord(Contact(call, QString()), kTable);
        insertShared += double(NowUs() - start) / 1000.0;
        // The sharing's part on this thread: reading what to send, storing the server's answer.
        WaitUntil(inStep, 10000, &p.share, &TSharedLog::StatusChanged);
        cpuShared += ThreadCpuMs() - cpu;
    }
    state.counters["insert_ms"] = insertPlain / n;
    state.counters["extra_ms"] = (insertShared - insertPlain) / n;
    state.counters["thread_cpu_ms"] = cpuPlain / n;
    state.counters["extra_cpu_ms"] = (cpuShared - cpuPlain) / n;
}

void BM_Propagation(benchmark::State& state)
{
    if (!Club().server.IsValid()) {
        state.SkipWithError(qPrintable(Club().server.Error()));
        return;
    }
    static int run = 0;
    const QString table = QStringLiteral("W1VNT_2026_Run_%1").arg(++run);
    TPosition a;
    TPosition b;
    a.dm.CreateLog(Event(table));
    a.share.Start(Club().Settings(QStringLiteral("A"), table));
    WaitUntil([&] { return a.share.Status().inStep; });
    b.share.Start(Club().Settings(QStringLiteral("B"), table));
    if (!WaitUntil([&] { return a.share.Status().inStep && b.share.Status().inStep; })) {
        state.SkipWithError("the positions did not get in step");
        return;
    }
    int received = 0;
    QObject::connect(&b.share, &TSharedLog::RemoteChanges,
                     [&](const QList<TRemoteChange>& changes) { received += int(changes.size()); });
    std::vector<double> delays;
    for (auto _ : state) {
        const int before = received;
        const qint64 start = NowUs();
        a.dm.LogAddRecord(Contact(QStringLiteral("W%1").arg(delays.size()), QString()), table);
        WaitUntil([&] { return received > before; }, 10000, &b.share, &TSharedLog::RemoteChanges);
        delays.push_back(double(NowUs() - start) / 1000.0);
        state.SetIterationTime(delays.back() / 1000.0);
    }
    state.counters["median_ms"] = Percentile(delays, 0.5);
    state.counters["p99_ms"] = Percentile(delays, 0.99);
}

BENCHMARK(BM_SharingCost)->Iterations(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Propagation)->Iterations(300)->UseManualTime()->Unit(benchmark::kMillisecond);

// ---- The simulation ----

struct TSimulation
{
    int positions = 20;
    int contacts = 500;
    int intervalMs = 20;
};

int Argument(const QStringList& args, const QString& name, int fallback)
{
    for (const QString& arg : args) {
        if (arg.startsWith(name + '=')) {
            return arg.section('=', 1).toInt();
        }
    }
    return fallback;
}

QString TextArgument(const QStringList& args, const QString& name)
{
    for (const QString& arg : args) {
        if (arg.startsWith(name + '=')) {
            return arg.section('=', 1);
        }
    }
    return QString();
}

// One position process: joins, says "ready", logs its contacts from "go" on, and once its log holds every
// position's contacts prints "held <n> median_ms <m> p99_ms <p> received <k>".
int RunPosition(const QStringList& args)
{
    const QString name = TextArgument(args, QStringLiteral("--position"));
    const int positions = Argument(args, QStringLiteral("--positions"), 20);
    const int contacts = Argument(args, QStringLiteral("--contacts"), 500);
    const int interval = Argument(args, QStringLiteral("--interval-ms"), 20);
    TDM dm;
    dm.OpenLogs(TextArgument(args, QStringLiteral("--work")) + QStringLiteral("/logs.db"));
    if (dm.GetLogTables().isEmpty()) {
        dm.CreateConfig();
    }
    if (args.contains(QStringLiteral("--first"))) {
        dm.CreateLog(Event(kTable));
    }
    TShareSettings s;
    s.host = QStringLiteral("127.0.0.1");
    s.port = Argument(args, QStringLiteral("--port"), 5432);
    s.database = TextArgument(args, QStringLiteral("--database"));
    s.user = QStringLiteral("club");
    s.password = QStringLiteral("club-secret");
    s.position = name;
    s.log = kTable;
    TSharedLog share(dm);
    std::vector<double> delays;
    QObject::connect(&share, &TSharedLog::RemoteChanges, [&](const QList<TRemoteChange>& changes) {
        const qint64 now = NowUs();
        for (const TRemoteChange& change : changes) {
            if (change.kind == TRemoteChange::TKind::Insert) {
                delays.push_back(double(now - change.rec.comment.section(' ', 0, 0).toLongLong()) / 1000.0);
            }
        }
    });
    share.Start(s);
    const auto held = [&] {
        QSqlQuery q(dm.condb());
        q.exec(QStringLiteral("select count(*) from \"%1\"").arg(kTable));
        return q.next() ? q.value(0).toInt() : 0;
    };
    WaitUntil([&] { return share.Status().inStep; }, 120000);
    std::printf("ready\n");
    std::fflush(stdout);
    char go[16];
    if (::read(0, go, sizeof go) <= 0) {
        return 2;
    }
    int logged = 0;
    QTimer pace;
    pace.setTimerType(Qt::PreciseTimer);
    QObject::connect(&pace, &QTimer::timeout, [&] {
        if (logged < contacts) {
            ++logged;
            dm.LogAddRecord(
                Contact(QStringLiteral("%1X%2").arg(name).arg(logged), QString::number(NowUs()) + ' ' + name),
                kTable);
        }
    });
    pace.start(interval);
    const int total = positions * contacts;
    const bool complete =
        WaitUntil([&] { return logged == contacts && held() == total && share.Status().inStep; }, 600000);
    std::printf("held %d median_ms %.1f p99_ms %.1f received %d%s\n", held(), Percentile(delays, 0.5),
                Percentile(delays, 0.99), int(delays.size()), complete ? "" : " timeout");
    std::fflush(stdout);
    return complete ? 0 : 1;
}

int Simulate(const QStringList& args)
{
    TSimulation sim;
    sim.positions = Argument(args, QStringLiteral("--positions"), sim.positions);
    sim.contacts = Argument(args, QStringLiteral("--contacts"), sim.contacts);
    sim.intervalMs = Argument(args, QStringLiteral("--interval-ms"), sim.intervalMs);
    TPgServer server;
    if (!server.IsValid()) {
        std::fprintf(stderr, "No PostgreSQL server: %s\n", qPrintable(server.Error()));
        return 2;
    }
    server.CreateClub(QStringLiteral("club"), QStringLiteral("club-secret"), QStringLiteral("club"));
    std::printf("%d positions x %d contacts, one every %d ms each, server on 127.0.0.1:%d\n", sim.positions,
                sim.contacts, sim.intervalMs, server.Port());
    std::fflush(stdout);
    QTemporaryDir root;
    std::vector<std::unique_ptr<QProcess>> processes;
    const auto readLine = [](QProcess& p, int timeoutMs) {
        QElapsedTimer clock;
        clock.start();
        while (!p.canReadLine() && clock.elapsed() < timeoutMs && p.state() != QProcess::NotRunning) {
            p.waitForReadyRead(100);
        }
        return QString::fromUtf8(p.readLine()).trimmed();
    };
    for (int i = 1; i <= sim.positions; ++i) {
        const QString work = root.filePath(QStringLiteral("position%1").arg(i));
        QDir().mkpath(work);
        QStringList positionArgs = {QStringLiteral("--position=P%1").arg(i),
                                    QStringLiteral("--work=") + work,
                                    QStringLiteral("--port=%1").arg(server.Port()),
                                    QStringLiteral("--database=club"),
                                    QStringLiteral("--positions=%1").arg(sim.positions),
                                    QStringLiteral("--contacts=%1").arg(sim.contacts),
                                    QStringLiteral("--interval-ms=%1").arg(sim.intervalMs)};
        if (i == 1) {
            positionArgs << QStringLiteral("--first");
        }
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(QCoreApplication::applicationFilePath(), positionArgs);
        // The first position shares the log; the others join it.
        if (i == 1 && readLine(*process, 120000) != QStringLiteral("ready")) {
            std::fprintf(stderr, "Position 1 did not start\n");
            return 2;
        }
        processes.push_back(std::move(process));
    }
    for (size_t i = 1; i < processes.size(); ++i) {
        if (readLine(*processes[i], 120000) != QStringLiteral("ready")) {
            std::fprintf(stderr, "Position %d did not start\n", int(i + 1));
            return 2;
        }
    }
    for (auto& p : processes) {
        p->write("go\n");
        p->waitForBytesWritten();
    }
    const int total = sim.positions * sim.contacts;
    bool all = true;
    std::printf("%-9s %8s %10s %10s %9s\n", "position", "held", "median_ms", "p99_ms", "received");
    for (size_t i = 0; i < processes.size(); ++i) {
        const QStringList result = readLine(*processes[i], 900000).split(' ');
        processes[i]->waitForFinished(60000);
        const int held = result.value(1).toInt();
        all = all && held == total && result.size() == 8;
        std::printf("P%-8d %8d %10s %10s %9s%s\n", int(i + 1), held, qPrintable(result.value(3)),
                    qPrintable(result.value(5)), qPrintable(result.value(7)),
                    held == total ? "" : "  (not all contacts)");
    }
    std::printf(all ? "Every position holds all %d contacts.\n"
                    : "Some positions do not hold all %d contacts.\n",
                total);
    return all ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (!TextArgument(args, QStringLiteral("--position")).isEmpty()) {
        return RunPosition(args);
    }
    if (args.contains(QStringLiteral("--simulate"))) {
        return Simulate(args);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
