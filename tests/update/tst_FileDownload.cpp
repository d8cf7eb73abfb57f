#include "common/TScriptedPrompts.h"
#include "common/TTestHttpServer.h"
#include "common/TTestTls.h"
#include "common/TestRegistry.h"
#include "update/TfrmFileDownload.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSslServer>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

// A body large enough to arrive in several pieces.
QByteArray Installer()
{
    QByteArray body;
    for (int i = 0; i < 200000; ++i) {
        body += char('A' + i % 26);
    }
    return body;
}

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A local server, a folder for the downloaded file and a dialog fetching "/setup" into it.
struct TDownloadFixture
{
    QTemporaryDir dir;
    TTestHttpServer server;
    TScriptedPrompts prompts;
    TTestHttpServer::TResponse response;
    std::unique_ptr<TfrmFileDownload> dialog;
    QString path;

    explicit TDownloadFixture(QTcpServer* listener = nullptr)
    {
        path = dir.filePath(QStringLiteral("vantrel_setup.deb"));
        server.Listen(listener);
        response.contentType = "application/octet-stream";
        server.SetHandler([this](const TTestHttpServer::TRequest&) { return response; });
    }

    // Shows the dialog (which starts the transfer) and returns a spy on its end.
    std::unique_ptr<QSignalSpy> Start(const QString& url = QString())
    {
        dialog = std::make_unique<TfrmFileDownload>(
            prompts, nullptr, path, url.isEmpty() ? server.Url(QStringLiteral("/setup")).toString() : url);
        auto spy = std::make_unique<QSignalSpy>(dialog.get(), &QDialog::finished);
        dialog->show();
        return spy;
    }

    QLabel* Find(const char* name) const { return dialog->findChild<QLabel*>(QString::fromLatin1(name)); }
    QString Text(const char* name) const { return Find(name)->text(); }
    QProgressBar* Bar() const { return dialog->findChild<QProgressBar*>(QStringLiteral("ProgressBar1")); }

    // No file but the target may be left in the folder (no partial temporary file either).
    QStringList Files() const { return QDir(dir.path()).entryList(QDir::Files); }
};

} // namespace

// The file download dialog against a local server: success, error statuses, unreachable servers,
// unannounced lengths, cancelling, and the close box while the transfer runs.
class TestFileDownload : public QObject
{
    Q_OBJECT

private slots:
    void Success()
    {
        TDownloadFixture f;
        f.response.body = Installer();
        const auto spy = f.Start();
        QCOMPARE(f.dialog->windowTitle(), QStringLiteral("File Downloader"));
        QCOMPARE(f.Find("reqFile")->toolTip(), f.server.Url(QStringLiteral("/setup")).toString());
        QCOMPARE(f.Find("lclFile")->toolTip(), QDir::toNativeSeparators(f.path));
        QVERIFY(spy->wait(10000));
        QCOMPARE(f.dialog->result(), int(QDialog::Accepted));
        QVERIFY(f.dialog->Finished);
        QCOMPARE(f.Bar()->value(), 100);
        QCOMPARE(f.Text("lblTotalBytes"), QStringLiteral("200000"));
        QCOMPARE(f.Text("lblTransfered"), QStringLiteral("200000"));
        QCOMPARE(Contents(f.path), Installer());
        QCOMPARE(f.Files(), QStringList{QStringLiteral("vantrel_setup.deb")});
        QCOMPARE(f.server.Requests().value(0).headers.value(QStringLiteral("user-agent")),
                 QStringLiteral("Mozilla/5.0 (Windows NT 6.3; WOW64; rv:71.0) Gecko/20100101 Firefox/71.0"));
        QVERIFY(f.prompts.Messages().isEmpty());
    }

    // The installer comes over HTTPS: a trusted certificate downloads, an untrusted one is refused with
    // the TLS error and writes nothing.
    void Https()
    {
        const TTestTls tls;
        QVERIFY2(tls.IsValid(), qPrintable(tls.Error()));
        {
            TDownloadFixture untrusted(tls.NewServer());
            QCOMPARE(untrusted.server.Url().scheme(), QStringLiteral("https"));
            untrusted.response.body = Installer();
            untrusted.prompts.AnswerMessage(MsgButton::OK);
            const auto spy = untrusted.Start();
            QVERIFY(spy->wait(10000));
            QCOMPARE(untrusted.dialog->result(), int(QDialog::Rejected));
            QVERIFY2(untrusted.prompts.Messages().value(0).contains(QStringLiteral("certificate"),
                                                                    Qt::CaseInsensitive),
                     qPrintable(untrusted.prompts.Messages().value(0)));
            QVERIFY(untrusted.Files().isEmpty());
        }
        const TTrustCertificate trust(tls.Certificate());
        TDownloadFixture f(tls.NewServer());
        f.response.body = Installer();
        const auto spy = f.Start();
        QVERIFY(spy->wait(10000));
        QCOMPARE(f.dialog->result(), int(QDialog::Accepted));
        QCOMPARE(Contents(f.path), Installer());
    }

    // A failed download never replaces an earlier file, and leaves no partial file behind.
    void Failures_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("unreachable");
        QTest::addColumn<QString>("message");
        QTest::newRow("not found") << 404 << false
                                   << QStringLiteral(
                                          "Error downloading URL: %1 (the server answered 404 Error)");
        QTest::newRow("server error")
            << 500 << false << QStringLiteral("Error downloading URL: %1 (the server answered 500 Error)");
        QTest::newRow("unreachable") << 0 << true
                                     << QStringLiteral("Error downloading URL: %1 (Connection refused)");
    }

    void Failures()
    {
        QFETCH(int, status);
        QFETCH(bool, unreachable);
        QFETCH(QString, message);
        TDownloadFixture f;
        {
            QFile old(f.path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("earlier installer");
        }
        f.response.status = status;
        f.response.body = "<html><body>Not here</body></html>";
        QString url = f.server.Url(QStringLiteral("/setup")).toString();
        if (unreachable) {
            // A port that was free a moment ago: nothing listens there.
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            url = QStringLiteral("http://127.0.0.1:%1/setup").arg(probe.serverPort());
            probe.close();
        }
        f.prompts.AnswerMessage(MsgButton::OK);
        const auto spy = f.Start(url);
        QVERIFY(spy->wait(10000));
        QCOMPARE(f.dialog->result(), int(QDialog::Rejected));
        QCOMPARE(f.prompts.Records().size(), 1);
        QCOMPARE(f.prompts.Records().first().kind, MsgKind::Error);
        QCOMPARE(f.prompts.Messages().first(), message.arg(url));
        QCOMPARE(Contents(f.path), QByteArray("earlier installer"));
        QCOMPARE(f.Files(), QStringList{QStringLiteral("vantrel_setup.deb")});
    }

    // The local file cannot be written: the dialog's own error, with the reason.
    void LocalFileFails()
    {
        TDownloadFixture f;
        f.path = f.dir.filePath(QStringLiteral("no such folder/vantrel_setup.deb"));
        f.prompts.AnswerMessage(MsgButton::OK);
        const auto spy = f.Start();
        QVERIFY(spy->wait(10000));
        QCOMPARE(f.dialog->result(), int(QDialog::Rejected));
        QVERIFY2(f.prompts.Messages().value(0).startsWith(QStringLiteral("Downoad Error\n")),
                 qPrintable(f.prompts.Messages().value(0)));
        QVERIFY(f.server.Requests().isEmpty());
    }

    // Without an announced length the bar is a busy indicator while the body arrives, the received
    // count still rises, and the end fills the bar.
    void NoLengthAnnounced()
    {
        TDownloadFixture f;
        f.response.body = Installer();
        f.response.announceLength = false;
        f.response.holdAfter = 5000;
        const auto spy = f.Start();
        QTRY_COMPARE_WITH_TIMEOUT(f.Text("lblTransfered"), QStringLiteral("5000"), 10000);
        QCOMPARE(f.Bar()->maximum(), 0);
        QCOMPARE(f.Text("lblTotalBytes"), QStringLiteral("0"));
        f.server.ReleaseHeld();
        QVERIFY(spy->wait(10000));
        QCOMPARE(f.dialog->result(), int(QDialog::Accepted));
        QCOMPARE(f.Bar()->maximum(), 100);
        QCOMPARE(f.Bar()->value(), 100);
        QCOMPARE(Contents(f.path), Installer());
    }

    // While the transfer runs, the close box and Escape do nothing and the partial body is not the
    // file; the bar shows the percentage so far.
    void CloseRefusedWhileRunning()
    {
        TDownloadFixture f;
        f.response.body = Installer();
        f.response.holdAfter = 50000;
        const auto spy = f.Start();
        QTRY_COMPARE_WITH_TIMEOUT(f.Text("lblTransfered"), QStringLiteral("50000"), 10000);
        QCOMPARE(f.Bar()->value(), 25);
        QCOMPARE(f.Text("lblTotalBytes"), QStringLiteral("200000"));
        QVERIFY(!f.dialog->close());
        QTest::keyClick(f.dialog.get(), Qt::Key_Escape);
        QVERIFY(f.dialog->isVisible());
        QVERIFY(!f.dialog->Finished);
        QVERIFY(!QFile::exists(f.path));
        f.server.ReleaseHeld();
        QVERIFY(spy->wait(10000));
        QCOMPARE(f.dialog->result(), int(QDialog::Accepted));
        QCOMPARE(Contents(f.path), Installer());
    }

    // Cancel stops the transfer: no message, Cancel result, nothing left on disk.
    void Cancel()
    {
        TDownloadFixture f;
        f.response.body = Installer();
        f.response.holdAfter = 1000;
        const auto spy = f.Start();
        QTRY_COMPARE_WITH_TIMEOUT(f.Text("lblTransfered"), QStringLiteral("1000"), 10000);
        QTest::mouseClick(f.dialog->findChild<QPushButton*>(QStringLiteral("btnCancel")), Qt::LeftButton);
        QVERIFY(spy->count() == 1 || spy->wait(10000));
        QCOMPARE(f.dialog->result(), int(QDialog::Rejected));
        QVERIFY(f.prompts.Messages().isEmpty());
        QVERIFY(f.Files().isEmpty());
    }
};

VANTREL_TEST(TestFileDownload)
#include "tst_FileDownload.moc"
