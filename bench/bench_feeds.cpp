// The logging server under a burst: a second process sends 10,000 UPDATE+LOG pairs with distinct call
// signs back to back to the listener of a main window with a log open (automatic lookup off). Reports
// how many rows were logged (all 10,000 must be) and the time the window takes per pair.
//
// The same program is the sender (--send PORT COUNT FIRST) and, for bench/kill_test.sh, a listener
// that runs until it is killed (--serve WORKFOLDER), and it prints the call signs of a burst
// (--calls FIRST COUNT) for the checks of that script.

#include "BenchSupport.h"
#include "app/TStationLinks.h"
#include "common/TQuietPrompts.h"
#include "data/Prompts.h"
#include "feeds/TLoggingServer.h"
#include "gui/app/TfrmMain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QUdpSocket>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kPairs = 10000;
const QString kTable = QStringLiteral("N0CALL_2026_Winter_Phone");

// The call sign of contact number n of a burst: distinct for every n below 2,600,000.
QString CallOf(int n)
{
    const int area = n % 10;
    int rest = n / 10;
    QString letters;
    for (int i = 0; i < 4; ++i) {
        letters.prepend(QChar('A' + rest % 26));
        rest /= 26;
    }
    return QStringLiteral("W%1%2").arg(area).arg(letters);
}

QByteArray UpdateOf(int n)
{
    return QStringLiteral("UPDATE:%1,Op%2,%3,,SSB,,,United States,AZ,Pima")
        .arg(CallOf(n))
        .arg(n)
        .arg(n % 3 ? QString::number(1000 + n % 70000) : QString())
        .toUtf8();
}

// A work folder with the shipped config.db and the own locator set, so start-up asks nothing.
void PrepareWorkFolder(const QString& work)
{
    qputenv("VANTREL_HOME", QFile::encodeName(work));
    if (QFileInfo::exists(work + QStringLiteral("config.db"))) {
        return;
    }
    BenchSupport::MakeWorkFolder(work);
}

// The main window with the event log selected (created on the first start) and the server listening
// on a free port.
std::unique_ptr<TfrmMain> OpenListener(IPrompts& prompts)
{
    auto window = std::make_unique<TfrmMain>(prompts);
    TDM& dm = window->DM();
    if (!dm.TableExists(kTable)) {
        TMysettings rec;
        rec.TableName = kTable;
        rec.ContestName = QStringLiteral("Winter Phone");
        rec.Callsign = QStringLiteral("N0CALL");
        dm.CreateLog(rec);
    }
    window->DoOpen();
    auto* list = window->findChild<QListWidget*>(QStringLiteral("ListBox1"));
    list->setCurrentItem(list->findItems(kTable, Qt::MatchExactly).value(0));
    window->ListBox1Click();
    window->StationLinks().SetServerPort(0);
    window->StationLinks().SetServerEnable(true);
    return window;
}

int RowCount(TfrmMain& window)
{
    QSqlQuery q(window.DM().condb());
    q.exec(QStringLiteral("select count(*) from \"%1\"").arg(kTable));
    return q.next() ? q.value(0).toInt() : -1;
}

int Send(quint16 port, int count, int first)
{
    QUdpSocket socket;
    for (int n = first; n < first + count; ++n) {
        for (const QByteArray& d : {UpdateOf(n), QByteArray("LOG")}) {
            // A listener that is gone is no reason to stop: the burst goes out whole.
            while (socket.writeDatagram(d, QHostAddress::LocalHost, port) < 0 &&
                   socket.error() == QAbstractSocket::TemporaryError) {
                QThread::usleep(50);
            }
        }
    }
    return 0;
}

int Serve(const QString& work)
{
    PrepareWorkFolder(QDir(work).absolutePath() + '/');
    TQuietPrompts prompts;
    auto window = OpenListener(prompts);
    std::printf("PORT %u\n", unsigned(window->StationLinks().Server().LocalPort()));
    std::fflush(stdout);
    return qApp->exec();
}

void BM_UdpBurst(benchmark::State& state)
{
    QTemporaryDir dir;
    PrepareWorkFolder(dir.path() + QStringLiteral("/work/"));
    TQuietPrompts prompts;
    auto window = OpenListener(prompts);
    TLoggingServer& server = window->StationLinks().Server();
    std::vector<qint64> pairs;
    pairs.reserve(kPairs);
    qint64 update = 0;
    QObject::connect(&server, &TLoggingServer::CommandHandled, [&](TServerCommandKind kind, qint64 ns) {
        if (kind == TServerCommandKind::Update) {
            update = ns;
        } else if (kind == TServerCommandKind::Log) {
            pairs.push_back(update + ns);
        }
    });
    for (auto _ : state) {
        QProcess sender;
        QElapsedTimer clock;
        clock.start();
        sender.start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--send"), QString::number(server.LocalPort()), QString::number(kPairs),
                      QStringLiteral("0")});
        // Until every pair is in, or the sender is done and nothing more arrives for five seconds.
        qint64 lastProgress = 0;
        qint64 seen = 0;
        while (int(pairs.size()) < kPairs) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            if (server.Received() != seen) {
                seen = server.Received();
                lastProgress = clock.elapsed();
            }
            if (sender.state() == QProcess::NotRunning && clock.elapsed() - lastProgress > 5000) {
                break;
            }
        }
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        sender.waitForFinished();
    }
    std::vector<qint64> sorted = pairs;
    std::sort(sorted.begin(), sorted.end());
    auto at = [&](double q) {
        return sorted.empty() ? 0.0 : double(sorted[size_t(q * double(sorted.size() - 1))]) / 1e6;
    };
    state.counters["rows_logged"] = RowCount(*window);
    state.counters["datagrams_received"] = double(server.Received());
    state.counters["median_pair_ms"] = at(0.5);
    state.counters["p99_pair_ms"] = at(0.99);
    state.counters["max_pair_ms"] = at(1.0);
    window->close();
}

BENCHMARK(BM_UdpBurst)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QStringLiteral("--send") && argc == 5) {
        QCoreApplication app(argc, argv);
        return Send(quint16(QByteArray(argv[2]).toUInt()), QByteArray(argv[3]).toInt(),
                    QByteArray(argv[4]).toInt());
    }
    if (mode == QStringLiteral("--calls") && argc == 4) {
        const int first = QByteArray(argv[2]).toInt();
        for (int n = first; n < first + QByteArray(argv[3]).toInt(); ++n) {
            std::printf("%s\n", qPrintable(CallOf(n)));
        }
        return 0;
    }
    QApplication app(argc, argv);
    if (mode == QStringLiteral("--serve") && argc == 3) {
        return Serve(QString::fromLocal8Bit(argv[2]));
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
