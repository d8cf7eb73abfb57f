#include "common/THostileHttpServer.h"
#include "common/TPeakMemory.h"
#include "common/TScriptedPrompts.h"
#include "common/TSmallDisk.h"
#include "common/TTestHome.h"
#include "common/TTestHttpServer.h"
#include "common/TTestTls.h"
#include "common/TestRegistry.h"
#include "data/Errors.h"
#include "data/MyFunc.h"
#include "data/TSettings.h"
#include "update/ProgramUpdate.h"
#include "update/TfrmFileDownload.h"
#include "update/UpdateSettings.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

// What a server does with a download, from an honest error page to a body that never ends.
enum class TServer
{
    NotFound,
    ServerError,
    RedirectLoop,
    UntrustedTls,
    Truncated,
    EndlessChunked,
    EndlessUnannounced,
    AnnouncedTooLarge
};

// A server of that kind on 127.0.0.1, and the address of "/download/1010.csv" on it.
struct TAnyServer
{
    std::unique_ptr<TTestHttpServer> honest;
    std::unique_ptr<THostileHttpServer> hostile;
    QString url;

    explicit TAnyServer(TServer kind)
    {
        const QByteArray roster = "12345,K1ABC,1\r\n";
        switch (kind) {
        case TServer::Truncated:
            hostile =
                std::make_unique<THostileHttpServer>(THostileHttpServer::TBody::Truncated, roster, 100000);
            break;
        case TServer::EndlessChunked:
            hostile = std::make_unique<THostileHttpServer>(THostileHttpServer::TBody::EndlessChunked, roster);
            break;
        case TServer::EndlessUnannounced:
            hostile =
                std::make_unique<THostileHttpServer>(THostileHttpServer::TBody::EndlessUnannounced, roster);
            break;
        case TServer::AnnouncedTooLarge:
            hostile = std::make_unique<THostileHttpServer>(THostileHttpServer::TBody::Sized, roster,
                                                           kHttpMaxBytes + 1);
            break;
        default:
            honest = std::make_unique<TTestHttpServer>();
            honest->Listen(kind == TServer::UntrustedTls ? TTestTls::Shared().NewServer() : nullptr);
            honest->SetHandler([kind](const TTestHttpServer::TRequest& request) {
                TTestHttpServer::TResponse response;
                response.body = "<html><body>Not the file</body></html>";
                response.status = kind == TServer::NotFound       ? 404
                                  : kind == TServer::ServerError  ? 500
                                  : kind == TServer::RedirectLoop ? 302
                                                                  : 200;
                if (kind == TServer::RedirectLoop) {
                    response.headers.insert("Location", request.path.toUtf8());
                }
                return response;
            });
            break;
        }
        url = (hostile ? hostile->Url(QStringLiteral("/download/1010.csv"))
                       : honest->Url(QStringLiteral("/download/1010.csv")))
                  .toString();
    }

    // Body bytes a hostile server managed to send.
    qint64 Written() const { return hostile ? hostile->Written() : 0; }
};

QByteArray LimitFileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

// Every download stops at its limit as the body arrives, whatever the server sends, and a failed download
// says why; the earlier file stays and memory stays small.
class TestDownloadLimits : public QObject
{
    Q_OBJECT

private slots:
    void DownloadFileFailures_data()
    {
        QTest::addColumn<int>("server");
        QTest::addColumn<QString>("reason");
        QTest::newRow("404") << int(TServer::NotFound) << QStringLiteral("the server answered 404 Error");
        QTest::newRow("500") << int(TServer::ServerError) << QStringLiteral("the server answered 500 Error");
        QTest::newRow("redirect loop") << int(TServer::RedirectLoop)
                                       << QStringLiteral("the server redirects the request round in a loop");
        QTest::newRow("untrusted certificate") << int(TServer::UntrustedTls) << QStringLiteral("certificate");
        QTest::newRow("truncated body")
            << int(TServer::Truncated)
            << QStringLiteral("the connection broke off after 50000 of 100000 bytes");
        const QString tooLarge = QStringLiteral(
            "the file is larger than 64 MB, the most this download takes; it was stopped there");
        QTest::newRow("endless chunked body") << int(TServer::EndlessChunked) << tooLarge;
        QTest::newRow("endless body without a length") << int(TServer::EndlessUnannounced) << tooLarge;
        QTest::newRow("announced length over the limit") << int(TServer::AnnouncedTooLarge) << tooLarge;
    }

    void DownloadFileFailures()
    {
        QFETCH(int, server);
        QFETCH(QString, reason);
        const TAnyServer s{TServer(server)};
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("1010.dat"));
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("earlier download");
        }
        ResetPeakMemory();
        const qint64 before = PeakMemory();
        try {
            DownloadFile(s.url, path);
            QFAIL("the download succeeded");
        } catch (const EVantrel& e) {
            const QString start = QStringLiteral("Error downloading URL: %1 (").arg(s.url);
            QVERIFY2(e.Message().startsWith(start) && e.Message().endsWith(')'), e.what());
            QVERIFY2(e.Message().contains(reason), e.what());
        }
        // The body went to the disk as it came, never more of it than the limit and what the connection
        // holds on the way.
        QVERIFY2(PeakMemory() - before < 48 * 1024 * 1024,
                 qPrintable(QString::number(PeakMemory() - before)));
        QVERIFY2(s.Written() < kHttpMaxBytes + 32 * 1024 * 1024, qPrintable(QString::number(s.Written())));
        QCOMPARE(LimitFileBytes(path), QByteArray("earlier download"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("1010.dat")});
    }

    // A reply read into memory (the call-book lookups) stops at its limit too, however fast the server
    // sends: the connection is read no further ahead than the reply is taken.
    void HttpGetStopsAtLimit()
    {
        THostileHttpServer server(THostileHttpServer::TBody::EndlessChunked, "<QRZDatabase>");
        ResetPeakMemory();
        const qint64 before = PeakMemory();
        QVERIFY_THROWS_EXCEPTION(ENetworkError,
                                 HttpGet(server.Url(QStringLiteral("/xml")), 30000, nullptr, 1024 * 1024));
        QVERIFY2(server.Written() < 32 * 1024 * 1024, qPrintable(QString::number(server.Written())));
        QVERIFY2(PeakMemory() - before < 48 * 1024 * 1024,
                 qPrintable(QString::number(PeakMemory() - before)));
    }

    // The version file is a few characters: a large one is refused, not read as a version, and no question
    // is asked.
    void VersionFileTooLarge_data()
    {
        QTest::addColumn<int>("body");
        QTest::newRow("60 MB announced") << int(THostileHttpServer::TBody::Sized);
        QTest::newRow("endless chunked") << int(THostileHttpServer::TBody::EndlessChunked);
    }

    void VersionFileTooLarge()
    {
        QFETCH(int, body);
        TTestHome home;
        home.PrepareWorkFolder();
        THostileHttpServer server(THostileHttpServer::TBody(body), "1.1.1.1.", 60 * 1024 * 1024);
        home.WriteSettings({QStringLiteral("RosterServer=") + server.Url(QString()).toString()});
        TSettings settings(home.Work() + QStringLiteral("Vantrel.cfg"));
        TScriptedPrompts prompts;
        QWidget window;
        TProgramUpdate update(settings, prompts, &window);
        update.SetRunningVersion(QStringLiteral("6.2.0.1"));
        try {
            update.UpdateCheck(false);
            QFAIL("a 60 MB version file was read");
        } catch (const EVantrel& e) {
            QCOMPARE(e.Message(),
                     QStringLiteral("Error downloading URL: %1 (the file is larger than 4 kB, the most "
                                    "this download takes; it was stopped there)")
                         .arg(server.Url(QStringLiteral("/download/vantrel_version")).toString()));
        }
        QVERIFY(prompts.Messages().isEmpty());
        QVERIFY2(server.Written() < 32 * 1024 * 1024, qPrintable(QString::number(server.Written())));
        QVERIFY(!QFile::exists(home.Work() + QStringLiteral("vantrel_version")));
    }

    // The installer download stops at its limit too, says so, and leaves nothing on the disk.
    void InstallerStopsAtLimit()
    {
        THostileHttpServer server(THostileHttpServer::TBody::EndlessChunked, "!<arch>\n");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("vantrel_setup.deb"));
        const QString url = server.Url(QStringLiteral("/download/vantrel_setup.deb")).toString();
        TScriptedPrompts prompts;
        prompts.AnswerMessage(MsgButton::OK);
        TfrmFileDownload dialog(prompts, nullptr, path, url);
        dialog.SetMaxBytes(8 * 1024 * 1024);
        QSignalSpy finished(&dialog, &QDialog::finished);
        dialog.show();
        QVERIFY(finished.wait(30000));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(prompts.Messages(),
                 QStringList{QStringLiteral("Error downloading URL: %1 (the file is larger "
                                            "than 8 MB, the most this download takes; it "
                                            "was stopped there)")
                                 .arg(url)});
        QVERIFY2(server.Written() < 40 * 1024 * 1024, qPrintable(QString::number(server.Written())));
        QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    }

    // A full disk under the installer download is named as such, and nothing is left on the disk.
    void InstallerToFullDisk()
    {
        TSmallDisk disk;
        if (!disk.IsMounted()) {
            QSKIP(qPrintable(disk.Reason()));
        }
        TTestHttpServer server;
        QVERIFY(server.Listen());
        server.SetHandler([](const TTestHttpServer::TRequest&) {
            TTestHttpServer::TResponse response;
            response.body = QByteArray(512 * 1024, 'x');
            return response;
        });
        QVERIFY(disk.FillLeaving(64 * 1024));
        const QString path = disk.Path() + QStringLiteral("vantrel_setup.deb");
        TScriptedPrompts prompts;
        prompts.AnswerMessage(MsgButton::OK);
        TfrmFileDownload dialog(prompts, nullptr, path, server.Url(QStringLiteral("/setup")).toString());
        QSignalSpy finished(&dialog, &QDialog::finished);
        dialog.show();
        QVERIFY(finished.wait(30000));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(
            prompts.Messages(),
            QStringList{
                QStringLiteral("Downoad Error\nunable to write to %1: No space left on device").arg(path)});
        QCOMPARE(QDir(disk.Path()).entryList(QDir::Files), QStringList());
    }
};

VANTREL_TEST(TestDownloadLimits)
#include "tst_DownloadLimits.moc"
