// The band map under a flood of spots: a cluster of its own in a second process (this program with
// --serve-spots) listens on 127.0.0.1 and, once the window's cluster client has logged in, sends
// --spots=N spots (60,000 unless told) at 1,000 a second, in the two line forms of the clusters and of the
// skimmer network, of many calls, a quarter of them in the log and some of them club members. The main
// window has a log of --contacts=N contacts (100,000 unless told) open and the band map docked beside it,
// fed by the client, as the operator would have it.
//
// Reports the cost of classifying one spotted call against the log and the roster, one typed character of
// a call in the entry form without spots and while the flood runs (the key posted into the event queue as
// a keyboard would, measured until it has been handled: the time it waited behind the spots included), and
// the band map's repaints during the flood and on a full map at three zoom levels (target under 16 ms).
//
// The log is generated once per size into the fixture folder (see BenchSupport.h) and copied into a
// temporary work folder for each run.

#include "BenchSupport.h"
#include "cluster/TClusterClient.h"
#include "cluster/TSpotClassifier.h"
#include "common/TQuietPrompts.h"
#include "data/EventNames.h"
#include "data/Prompts.h"
#include "gui/app/TfrmMain.h"
#include "gui/cluster/TBandMapDock.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {

int gContacts = 100000;
int gSpots = 60000;
constexpr int kSpotsPerSecond = 1000;
// Distinct calls among the spots; every fourth of them is a call of the log.
constexpr int kSpotCalls = 20000;
// Club members in the roster besides the spotted calls that are members.
constexpr int kOtherMembers = 45000;
const QString kTable = QStringLiteral("N0CALL_2026_Open_Season");
const QString kStation = QStringLiteral("N0CALL");

// ---- The calls of the log and of the spots, the same in both processes ----

// The call signs of the log, in logged order.
std::vector<QString> LogCalls()
{
    std::vector<QString> calls;
    calls.reserve(size_t(gContacts));
    QRandomGenerator rng(1010);
    for (int i = 0; i < gContacts; ++i) {
        calls.push_back(BenchSupport::RandomCall(rng));
    }
    return calls;
}

// The calls that are spotted: every fourth one taken from all over the log, the others drawn anew (a few
// of those may be in the log by chance, as on the air).
std::vector<QString> SpotCalls(const std::vector<QString>& logged)
{
    std::vector<QString> calls;
    calls.reserve(kSpotCalls);
    QRandomGenerator rng(76);
    const size_t stride = std::max<size_t>(1, logged.size() / (kSpotCalls / 4));
    for (int k = 0; k < kSpotCalls; ++k) {
        calls.push_back(k % 4 == 0 ? logged[size_t(k / 4) * stride % logged.size()]
                                   : BenchSupport::RandomCall(rng));
    }
    return calls;
}

// logs.db with the `config` table and one Open Season log of gContacts contacts.
void GenerateLogs(const QString& path)
{
    const std::vector<QString> calls = LogCalls();
    TDM dm;
    dm.OpenLogs(path);
    dm.CreateConfig();
    TMysettings rec;
    rec.TableName = kTable;
    rec.ContestName = Events::OpenSeason;
    rec.Callsign = kStation;
    dm.CreateLog(rec);
    QRandomGenerator rng(1011);
    dm.condb().transaction();
    for (int i = 0; i < gContacts; ++i) {
        tLogRecord contact;
        contact.date = QStringLiteral("2026-12-09");
        contact.time = QStringLiteral("17:05");
        contact.call = calls[size_t(i)];
        contact.tenten = i % 3 ? QString::number(rng.bounded(80000)) : QString();
        contact.mode = i % 2 ? QStringLiteral("SSB") : QStringLiteral("CW");
        contact.qth = QStringLiteral("AZ");
        contact.uscounty = QStringLiteral("Pima");
        contact.points = 2;
        dm.LogAddRecord(contact, kTable);
    }
    dm.condb().commit();
    dm.CloseLogs();
}

// ---- The cluster: a second process ----

// One spot line as a cluster (DXSpider's layout) or the skimmer network sends it, with its line end.
QByteArray SpotLine(QRandomGenerator& rng, const QString& call)
{
    static const char* const kSpotters[] = {"W3LPL", "VE7CC", "EA5WU", "G4ABC", "K1TTT", "DL8LAS", "JA1YAA"};
    static const char* const kSkimmers[] = {"KM3T-#", "W3OA-#", "DK9IP-#", "VE2WU-#"};
    static const char* const kComments[] = {"CW 599",     "5nn tnx", "USB 59 Hartford", "big signal USB",
                                            "CQ TEN-TEN", "",        "up 2 SSB",        "FT8 -12dB",
                                            "LSB 57",     "loud",    "CW QRQ",          "tnx QSO 73"};
    const QTime now = QDateTime::currentDateTimeUtc().time();
    const int hhmm = now.hour() * 100 + now.minute();
    const QByteArray who = call.toLatin1();
    char line[200];
    if (rng.bounded(3) == 0) {
        const bool rtty = rng.bounded(8) == 0;
        const double khz = rtty ? 28080.0 + rng.bounded(200) / 10.0 : 28000.0 + rng.bounded(700) / 10.0;
        std::snprintf(line, sizeof line, "DX de %-7s%11.1f  %-15s%-4s  %2d dB  %2d %s  CQ      %04dZ\r\n",
                      (QByteArray(kSkimmers[rng.bounded(int(std::size(kSkimmers)))]) + ':').constData(), khz,
                      who.constData(), rtty ? "RTTY" : "CW", 3 + rng.bounded(35),
                      rtty ? 45 : 18 + rng.bounded(20), rtty ? "BPS" : "WPM", hhmm);
    } else {
        const char* comment = kComments[rng.bounded(int(std::size(kComments)))];
        const double khz =
            rng.bounded(2) ? 28300.0 + rng.bounded(4000) / 10.0 : 28000.0 + rng.bounded(17000) / 10.0;
        std::snprintf(line, sizeof line, "DX de %-7s%11.1f  %-12s %-30s %04dZ\r\n",
                      (QByteArray(kSpotters[rng.bounded(int(std::size(kSpotters)))]) + ':').constData(), khz,
                      who.constData(), comment, hhmm);
    }
    return QByteArray(line);
}

// The cluster: greets and asks for the call sign, then sends the spots at their pace and keeps the
// connection until the client closes it. Prints "PORT <n>" once it listens.
int ServeSpots()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        std::fprintf(stderr, "cluster: cannot listen\n");
        return 1;
    }
    std::printf("PORT %u\n", unsigned(server.serverPort()));
    std::fflush(stdout);
    if (!server.waitForNewConnection(60000)) {
        return 1;
    }
    QTcpSocket* client = server.nextPendingConnection();
    client->write("\r\nWelcome to the GB7TEN DX Cluster\r\n\r\nlogin: ");
    QByteArray received;
    while (!received.contains('\n') && client->waitForReadyRead(30000)) {
        received += client->readAll();
    }
    client->write(
        "Hello, this is GB7TEN running DXSpider\r\nN0CALL de GB7TEN 9-Dec-2026 1705Z dxspider >\r\n");
    client->waitForBytesWritten(5000);

    const std::vector<QString> calls = SpotCalls(LogCalls());
    QRandomGenerator rng(2026);
    QElapsedTimer clock;
    clock.start();
    int sent = 0;
    while (sent < gSpots && client->state() == QAbstractSocket::ConnectedState) {
        // Every spot that is due by now, then a sleep until the next one is.
        const qint64 now = clock.elapsed();
        QByteArray burst;
        while (sent < gSpots && qint64(sent) * 1000 / kSpotsPerSecond <= now) {
            burst += SpotLine(rng, calls[size_t(rng.bounded(kSpotCalls))]);
            ++sent;
        }
        if (!burst.isEmpty()) {
            client->write(burst);
            client->waitForBytesWritten(1000);
        }
        const qint64 next = qint64(sent) * 1000 / kSpotsPerSecond;
        if (next > clock.elapsed()) {
            QThread::msleep(quint64(next - clock.elapsed()));
        }
    }
    client->waitForBytesWritten(10000);
    client->waitForDisconnected(600000);
    return 0;
}

// ---- The window, the band map and what is measured in them ----

struct TStamp
{
    qint64 wallNs;
    qint64 cpuNs; // processor time of the window's thread
};

TStamp Now()
{
    timespec cpu{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
    return {std::chrono::duration_cast<std::chrono::nanoseconds>(
                std::chrono::steady_clock::now().time_since_epoch())
                .count(),
            qint64(cpu.tv_sec) * 1000000000 + cpu.tv_nsec};
}

// What the application sees happen: each key press handled by the call field, each paint of the band map
// and each refresh of the dock (taking the spots that came in: ageing, classifying, laying out).
struct TProbe
{
    QObject* call = nullptr;
    QObject* view = nullptr;
    QObject* dock = nullptr;
    bool keyHandled = false;
    TStamp keyEnd{};
    qint64 keyCpuNs = 0;
    std::vector<qint64> paintWall, paintCpu, refreshWall, refreshCpu;
};

TProbe gProbe;

class TBenchApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        const bool key = receiver == gProbe.call && type == QEvent::KeyPress;
        const bool paint = receiver == gProbe.view && type == QEvent::Paint;
        const bool refresh = type == QEvent::Timer && gProbe.dock && receiver->parent() == gProbe.dock &&
                             qobject_cast<QTimer*>(receiver);
        if (!key && !paint && !refresh) {
            return QApplication::notify(receiver, event);
        }
        const TStamp start = Now();
        const bool result = QApplication::notify(receiver, event);
        const TStamp end = Now();
        if (key) {
            gProbe.keyHandled = true;
            gProbe.keyEnd = end;
            gProbe.keyCpuNs = end.cpuNs - start.cpuNs;
        } else if (paint) {
            gProbe.paintWall.push_back(end.wallNs - start.wallNs);
            gProbe.paintCpu.push_back(end.cpuNs - start.cpuNs);
        } else {
            gProbe.refreshWall.push_back(end.wallNs - start.wallNs);
            gProbe.refreshCpu.push_back(end.cpuNs - start.cpuNs);
        }
        return result;
    }
};

struct TWorld
{
    QTemporaryDir dir;
    TQuietPrompts prompts;
    std::unique_ptr<TfrmMain> window;
    TBandMapDock* dock = nullptr;
    TClusterClient* client = nullptr;
    QLineEdit* call = nullptr;
    QAbstractItemModel* dupes = nullptr;
    std::vector<QString> spotCalls;
    qint64 spotsTaken = 0;
};

TWorld* gWorld = nullptr;

// Adds the club's roster to config.db: every third spotted call that is no call of the log, and many
// members who are not spotted.
void FillRoster(TDM& dm)
{
    QSqlQuery q(dm.conConfig());
    dm.conConfig().transaction();
    q.prepare(QStringLiteral("insert into tenten (callsign, ten, vp) values (?, ?, '')"));
    int number = 1;
    const auto add = [&](const QString& call) {
        q.bindValue(0, call);
        q.bindValue(1, QString::number(number++));
        q.exec();
    };
    for (int k = 0; k < kSpotCalls; ++k) {
        if (k % 4 != 0 && k % 3 == 0) {
            add(gWorld->spotCalls[size_t(k)]);
        }
    }
    QRandomGenerator rng(1010101);
    for (int i = 0; i < kOtherMembers; ++i) {
        add(BenchSupport::RandomCall(rng));
    }
    dm.conConfig().commit();
}

void BuildWorld()
{
    const QString logs = BenchSupport::Fixture(QStringLiteral("cluster_%1.db").arg(gContacts), GenerateLogs);
    gWorld = new TWorld;
    gWorld->spotCalls = SpotCalls(LogCalls());
    const QString work = gWorld->dir.path() + QStringLiteral("/work/");
    qputenv("VANTREL_HOME", QFile::encodeName(work));
    BenchSupport::MakeWorkFolder(work, logs);

    gWorld->window = std::make_unique<TfrmMain>(gWorld->prompts);
    TfrmMain& window = *gWorld->window;
    FillRoster(window.DM());
    auto* list = window.findChild<QListWidget*>(QStringLiteral("ListBox1"));
    list->setCurrentRow(0);
    window.ListBox1Click();
    gWorld->call = window.findChild<QLineEdit*>(QStringLiteral("txtCallsign"));
    gWorld->dupes = window.findChild<QTreeView*>(QStringLiteral("ListView1"))->model();

    gWorld->dock = new TBandMapDock(window.DM(), &window);
    window.addDockWidget(Qt::RightDockWidgetArea, gWorld->dock);
    gWorld->dock->SetLog(kTable, Events::OpenSeason);
    gWorld->dock->SetEntryMode(QStringLiteral("SSB"));
    gWorld->client = new TClusterClient(&window);
    QObject::connect(gWorld->client, &TClusterClient::SpotReceived, gWorld->dock, [](const TSpot& spot) {
        ++gWorld->spotsTaken;
        gWorld->dock->AddSpot(spot);
    });
    window.resize(1280, 860);
    window.show();
    gProbe.call = gWorld->call;
    gProbe.view = gWorld->dock->View();
    gProbe.dock = gWorld->dock;
    // Until the window is laid out and painted once.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
}

// Runs the event loop for a while, as it runs between two keys.
void RunFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double Percentile(std::vector<qint64> values, double q)
{
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return double(values[size_t(q * double(values.size() - 1))]) / 1e6;
}

// ---- The benchmarks ----

// Classifying a spotted call the band map has not seen: the dupe check against the log under the event's
// rule and the roster lookup (the cost of each new call in a flood).
void BM_ClassifyNewCall(benchmark::State& state)
{
    TSpotClassifier classifier(gWorld->window->DM());
    classifier.SetLog(kTable, Events::OpenSeason);
    size_t i = 0;
    for (auto _ : state) {
        if (i == gWorld->spotCalls.size()) {
            state.PauseTiming();
            classifier.Forget();
            i = 0;
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(classifier.Classify(gWorld->spotCalls[i++], QStringLiteral("CW")));
    }
}

// A call spotted again: its standing is kept until the log changes.
void BM_ClassifyKnownCall(benchmark::State& state)
{
    TSpotClassifier classifier(gWorld->window->DM());
    classifier.SetLog(kTable, Events::OpenSeason);
    for (const QString& call : gWorld->spotCalls) {
        classifier.Classify(call, QStringLiteral("CW"));
    }
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            classifier.Classify(gWorld->spotCalls[i++ % gWorld->spotCalls.size()], QStringLiteral("CW")));
    }
}

// One typed character of a call, at a typist's pace (60 to 140 ms between keys, the event loop running
// meanwhile): the key is posted into the event queue as the keyboard delivers it, and the time runs until
// the call field has handled it (dupe list included). Time is that wall time, the waiting in the queue
// included; CPU is the window thread's processor time over the same span (with spots coming in, the spot
// work that ran before the key is in it too). key_cpu_* is the processor time of the key's own handling.
void TypeCalls(benchmark::State& state)
{
    static const QString kTyped[] = {QStringLiteral("KB1ABC"), QStringLiteral("W7NEW"),
                                     QStringLiteral("JA1XYZ"), QStringLiteral("G4ABC"),
                                     QStringLiteral("VE3XYZ")};
    QRandomGenerator rng(88);
    int word = 0;
    int at = 0;
    std::vector<qint64> latency, keyCpu;
    QString expected;
    qint64 rowsShown = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString& typed = kTyped[word % int(std::size(kTyped))];
        if (at == 0) {
            gWorld->call->clear();
        }
        RunFor(60 + rng.bounded(81));
        const QChar c = typed[at];
        const int keyCode = c.isDigit() ? Qt::Key_0 + c.digitValue() : Qt::Key_A + (c.unicode() - 'A');
        gProbe.keyHandled = false;
        state.ResumeTiming();
        const TStamp posted = Now();
        QCoreApplication::postEvent(gWorld->call,
                                    new QKeyEvent(QEvent::KeyPress, keyCode, Qt::NoModifier, c));
        while (!gProbe.keyHandled) {
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        }
        state.SetIterationTime(double(gProbe.keyEnd.wallNs - posted.wallNs) / 1e9);
        latency.push_back(gProbe.keyEnd.wallNs - posted.wallNs);
        keyCpu.push_back(gProbe.keyCpuNs);
        rowsShown += gWorld->dupes->rowCount();
        expected = typed.left(at + 1);
        if (++at == typed.size()) {
            at = 0;
            ++word;
        }
    }
    if (gWorld->call->text() != expected) {
        state.SkipWithError("the call field did not take the keys");
    }
    state.counters["dupe_rows_avg"] = double(rowsShown) / double(std::max<qint64>(1, state.iterations()));
    state.counters["median_ms"] = Percentile(latency, 0.5);
    state.counters["p99_ms"] = Percentile(latency, 0.99);
    state.counters["worst_ms"] = Percentile(latency, 1.0);
    state.counters["key_cpu_median_ms"] = Percentile(keyCpu, 0.5);
    state.counters["key_cpu_worst_ms"] = Percentile(keyCpu, 1.0);
}

void BM_Keystroke_Quiet(benchmark::State& state)
{
    TypeCalls(state);
}

// The same typing while the cluster floods the band map: the cluster process starts, the client logs in
// and the spots flow; the typing runs through most of the flood, and the run then waits for the rest of
// the spots. Also reports the band map's paints and refreshes over the whole flood, and how much of the
// window thread's processor the flood took.
void BM_Keystroke_SpotFlood(benchmark::State& state)
{
    QProcess cluster;
    cluster.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    cluster.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--serve-spots"), QStringLiteral("--contacts=%1").arg(gContacts),
                   QStringLiteral("--spots=%1").arg(gSpots)});
    QByteArray banner;
    while (!banner.contains('\n') && cluster.waitForReadyRead(30000)) {
        banner += cluster.readAllStandardOutput();
    }
    const quint16 port = quint16(banner.trimmed().mid(5).toUInt());
    if (port == 0) {
        state.SkipWithError("the cluster process did not start");
        return;
    }
    TClusterLogin login;
    login.host = QStringLiteral("127.0.0.1");
    login.port = port;
    login.call = kStation;
    gProbe.paintWall.clear();
    gProbe.paintCpu.clear();
    gProbe.refreshWall.clear();
    gProbe.refreshCpu.clear();
    gWorld->spotsTaken = 0;
    const TStamp start = Now();
    gWorld->client->Start(login);
    while (gWorld->client->State() != TClusterClient::TState::Connected) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 100);
    }

    TypeCalls(state);
    const TStamp typed = Now();

    // The rest of the spots: until all are in, or nothing came for five seconds.
    QElapsedTimer idle;
    idle.start();
    qint64 seen = gWorld->spotsTaken;
    while (gWorld->spotsTaken < gSpots && idle.elapsed() < 5000) {
        RunFor(100);
        if (gWorld->spotsTaken != seen) {
            seen = gWorld->spotsTaken;
            idle.restart();
        }
    }
    const TStamp end = Now();
    gWorld->dock->Refresh();
    QCoreApplication::processEvents();
    gWorld->client->Stop();
    cluster.waitForFinished(10000);

    const double floodS = double(end.wallNs - start.wallNs) / 1e9;
    state.counters["spots"] = double(gWorld->spotsTaken);
    state.counters["flood_s"] = floodS;
    state.counters["typing_s"] = double(typed.wallNs - start.wallNs) / 1e9;
    state.counters["thread_cpu_pct"] =
        100.0 * double(end.cpuNs - start.cpuNs) / double(end.wallNs - start.wallNs);
    state.counters["calls_on_map"] = double(gWorld->dock->Rows().size());
    state.counters["paints"] = double(gProbe.paintWall.size());
    state.counters["paint_median_ms"] = Percentile(gProbe.paintWall, 0.5);
    state.counters["paint_worst_ms"] = Percentile(gProbe.paintWall, 1.0);
    state.counters["paint_cpu_median_ms"] = Percentile(gProbe.paintCpu, 0.5);
    state.counters["paint_cpu_worst_ms"] = Percentile(gProbe.paintCpu, 1.0);
    state.counters["refresh_median_ms"] = Percentile(gProbe.refreshWall, 0.5);
    state.counters["refresh_worst_ms"] = Percentile(gProbe.refreshWall, 1.0);
    state.counters["refresh_cpu_median_ms"] = Percentile(gProbe.refreshCpu, 0.5);
    state.counters["peak_MB"] = BenchSupport::PeakMegabytes();
    if (gWorld->spotsTaken < gSpots) {
        state.SkipWithError("not every spot reached the band map");
    }
}

// Repainting the visible part of a full band map (the calls left by the flood), at the zoom level given:
// 0.25, 1 (the default) and 16 pixels a kilohertz. Time and CPU are one repaint() of the view, drawn into
// the window's backing store; paint_* is the paint event alone.
void BM_BandMapRepaint(benchmark::State& state)
{
    TBandMapView* view = gWorld->dock->View();
    const double zoom = TBandMapView::kZoomLevels[state.range(0)];
    while (view->Zoom() < zoom) {
        view->ZoomIn();
    }
    while (view->Zoom() > zoom) {
        view->ZoomOut();
    }
    QCoreApplication::processEvents();
    gProbe.paintWall.clear();
    gProbe.paintCpu.clear();
    for (auto _ : state) {
        view->repaint();
    }
    state.counters["calls"] = double(view->Rows().size());
    state.counters["view_height"] = view->height();
    state.counters["paint_median_ms"] = Percentile(gProbe.paintWall, 0.5);
    state.counters["paint_worst_ms"] = Percentile(gProbe.paintWall, 1.0);
    while (view->Zoom() > 1) {
        view->ZoomOut();
    }
    while (view->Zoom() < 1) {
        view->ZoomIn();
    }
}

// A contact logged, edited or deleted: every call on the full map classified again against the log and
// the roster, and laid out (the paint follows in the event loop).
void BM_BandMapContactsChanged(benchmark::State& state)
{
    for (auto _ : state) {
        gWorld->dock->ContactsChanged();
    }
    state.counters["calls"] = double(gWorld->dock->Rows().size());
}

void Register()
{
    benchmark::RegisterBenchmark("BM_ClassifyNewCall", BM_ClassifyNewCall)
        ->Iterations(kSpotCalls)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("BM_ClassifyKnownCall", BM_ClassifyKnownCall)
        ->Iterations(200000)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("BM_Keystroke_Quiet", BM_Keystroke_Quiet)
        ->Iterations(150)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    // About eight keys a second for seven eighths of the flood.
    const int floodKeys = std::max(10, gSpots / kSpotsPerSecond * 7);
    benchmark::RegisterBenchmark("BM_Keystroke_SpotFlood", BM_Keystroke_SpotFlood)
        ->Iterations(floodKeys)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_BandMapRepaint", BM_BandMapRepaint)
        ->Arg(0)
        ->Arg(2)
        ->Arg(6)
        ->Iterations(200)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_BandMapContactsChanged", BM_BandMapContactsChanged)
        ->Iterations(20)
        ->Unit(benchmark::kMillisecond);
}

// "--spots=N" on the command line, taken out of argv as --contacts is.
int TakeSpotsArgument(int& argc, char** argv, int fallback)
{
    int spots = fallback;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--spots=", 8) == 0) {
            spots = std::atoi(argv[i] + 8);
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    return spots > 0 ? spots : fallback;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    gContacts = BenchSupport::TakeContactsArgument(argc, argv, gContacts);
    gSpots = TakeSpotsArgument(argc, argv, gSpots);
    if (argc > 1 && std::strcmp(argv[1], "--serve-spots") == 0) {
        QCoreApplication app(argc, argv);
        return ServeSpots();
    }
    TBenchApplication app(argc, argv);
    qRegisterMetaType<TSpot>();
    benchmark::Initialize(&argc, argv);
    BuildWorld();
    std::printf("Log of %d contacts open, band map docked; peak memory %.1f MB\n", gContacts,
                BenchSupport::PeakMegabytes());
    benchmark::AddCustomContext("contacts", std::to_string(gContacts));
    benchmark::AddCustomContext("spots", std::to_string(gSpots));
    Register();
    benchmark::RunSpecifiedBenchmarks();
    std::printf("Peak memory of the program: %.1f MB\n", BenchSupport::PeakMegabytes());
    gProbe = {};
    gWorld->window->close();
    delete gWorld;
    benchmark::Shutdown();
    return 0;
}
