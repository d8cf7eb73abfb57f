#include "app/TfrmMain.h"
#include "common/TScriptedPrompts.h"
#include "common/TTestHome.h"
#include "common/TTestHttpServer.h"
#include "common/TestRegistry.h"
#include "data/Errors.h"
#include "update/ProgramUpdate.h"
#include "update/UpdateSettings.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>
#include <memory>

namespace {

const QString kVersionPath = QStringLiteral("/download/vantrel_version");
const QString kInstallerPath = QStringLiteral("/download/vantrel_setup.deb");
const QString kQuestion = QStringLiteral("A new version exists.  Would you like to download and install it?");
const QString kCurrent = QStringLiteral("You have the current version");
const QString kDownloaded =
    QStringLiteral("Download is complete, Click ok to begin installation. Program will close automatically");

// Takes the place of the desktop's file opener while it lives, and records what it was asked to open.
class TOpenedFiles : public QObject
{
    Q_OBJECT

public:
    TOpenedFiles() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
    ~TOpenedFiles() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QList<QUrl> urls;

public slots:
    void Open(const QUrl& url) { urls << url; }
};

// A private work folder and a local roster server publishing a version file and an installer.
struct TUpdateFixture
{
    TTestHome home;
    TTestHttpServer server;
    TScriptedPrompts prompts;
    TOpenedFiles opened;
    QByteArray published = "6.2.0.1";
    int versionStatus = 200;
    QByteArray installer = "!<arch>\ndebian-binary";
    int installerStatus = 200;

    TUpdateFixture()
    {
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        server.Listen();
        server.SetHandler([this](const TTestHttpServer::TRequest& request) {
            TTestHttpServer::TResponse response;
            response.contentType = "text/plain";
            if (request.path == kVersionPath) {
                response.status = versionStatus;
                response.body = published;
            } else if (request.path == kInstallerPath) {
                response.status = installerStatus;
                response.body = installer;
            } else {
                response.status = 404;
            }
            return response;
        });
        home.PrepareWorkFolder();
    }

    void WriteSettings(bool autoCheck, bool withServer = true)
    {
        QStringList lines{QStringLiteral("Grid=FN31PR"),
                          QStringLiteral("AutoCheckUpdate=%1").arg(autoCheck ? 1 : 0)};
        if (withServer) {
            lines << QStringLiteral("RosterServer=") + server.Url(QString()).toString();
        }
        home.WriteSettings(lines);
    }

    int Requests(const QString& path) const
    {
        int count = 0;
        for (const auto& request : server.Requests()) {
            count += request.path == path ? 1 : 0;
        }
        return count;
    }

    QString InstallerFile() const
    {
        return QStandardPaths::writableLocation(QStandardPaths::DownloadLocation) +
               QStringLiteral("/vantrel_setup.deb");
    }
};

} // namespace

// The program version check: the comparison, the questions of the quiet and the requested check, the
// installer download and the check at start-up.
class TestVersionCheck : public QObject
{
    Q_OBJECT

private slots:
    void Compare_data()
    {
        QTest::addColumn<QString>("running");
        QTest::addColumn<QString>("published");
        QTest::addColumn<bool>("newer");
        QTest::newRow("same") << "2.1.3.10"
                              << "2.1.3.10" << false;
        QTest::newRow("third number higher") << "2.1.3.10"
                                             << "2.1.4.0" << true;
        QTest::newRow("second number higher") << "2.1.3.10"
                                              << "2.2.0.0" << true;
        QTest::newRow("first differing number decides") << "2.2.0.0"
                                                        << "2.1.9.9" << false;
        QTest::newRow("last number higher") << "2.1.3.10"
                                            << "2.1.3.11" << true;
        QTest::newRow("numbers, not text") << "2.1.3.9"
                                           << "2.1.3.10" << true;
        QTest::newRow("line end and blanks around") << "2.1.3.10"
                                                    << "  2.1.3.10\r\n"
                                                    << false;
        QTest::newRow("missing parts count as 0") << "2.1.0.0"
                                                  << "2.1" << false;
        QTest::newRow("missing parts, newer") << "2.1"
                                              << "2.1.0.1" << true;
    }

    void Compare()
    {
        QFETCH(QString, running);
        QFETCH(QString, published);
        QFETCH(bool, newer);
        QCOMPARE(IsNewerVersion(ParseVersion(running), ParseVersion(published)), newer);
    }

    void NotAVersion_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("error page") << "<html><body>Not Found</body></html>"
                                    << "\"<html><body>Not Found</body></html>\"";
        QTest::newRow("empty file") << "\n"
                                    << "\"\"";
        QTest::newRow("letters in a part") << "2.1.x.0"
                                           << "\"2.1.x.0\"";
        QTest::newRow("negative part") << "2.-1.0.0"
                                       << "\"2.-1.0.0\"";
    }

    void NotAVersion()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        try {
            ParseVersion(text);
            QFAIL("no error");
        } catch (const EVantrel& e) {
            QCOMPARE(e.Message(), QStringLiteral("The version received is not a version number: ") + shown);
        }
    }

    // The whole check from the version file on the server: which message the operator sees.
    void Check_data()
    {
        QTest::addColumn<QString>("running");
        QTest::addColumn<QByteArray>("published");
        QTest::addColumn<bool>("quiet");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("current, on request")
            << "2.1.3.10" << QByteArray("2.1.3.10") << false << QStringList{kCurrent};
        QTest::newRow("current, at start-up")
            << "2.1.3.10" << QByteArray("2.1.3.10\r\n") << true << QStringList{};
        QTest::newRow("newer, on request")
            << "2.1.3.10" << QByteArray("2.1.4.0") << false << QStringList{kQuestion};
        QTest::newRow("newer, at start-up")
            << "2.1.3.10" << QByteArray("2.2.0.0 \n") << true << QStringList{kQuestion};
        QTest::newRow("older published")
            << "2.2.0.0" << QByteArray("2.1.9.9") << false << QStringList{kCurrent};
        QTest::newRow("utf-8 mark") << "2.1.3.10"
                                    << QByteArray("\xEF\xBB\xBF"
                                                  "2.1.3.11")
                                    << false << QStringList{kQuestion};
    }

    void Check()
    {
        QFETCH(QString, running);
        QFETCH(QByteArray, published);
        QFETCH(bool, quiet);
        QFETCH(QStringList, messages);
        TUpdateFixture f;
        f.WriteSettings(false);
        f.published = published;
        TSettings settings(f.home.Work() + QStringLiteral("Vantrel.cfg"));
        QWidget window;
        TProgramUpdate update(settings, f.prompts, &window);
        update.SetRunningVersion(running);
        for (int i = 0; i < messages.size(); ++i) {
            f.prompts.AnswerMessage(messages[i] == kQuestion ? MsgButton::No : MsgButton::OK);
        }
        QVERIFY(!update.UpdateCheck(quiet));
        QCOMPARE(f.prompts.Messages(), messages);
        if (!messages.isEmpty() && messages.first() == kQuestion) {
            QCOMPARE(f.prompts.Records().first().buttons, MsgButtons(MsgButton::Yes | MsgButton::No));
        }
        // Answering No downloads nothing.
        QCOMPARE(f.Requests(kInstallerPath), 0);
        QVERIFY(f.opened.urls.isEmpty());
        QFile copy(f.home.Work() + QStringLiteral("vantrel_version"));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), published);
    }

    void CheckFails_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("published");
        QTest::addColumn<bool>("withServer");
        QTest::addColumn<QString>("message");
        QTest::newRow("server error") << 500 << QByteArray("oops") << true
                                      << QStringLiteral("Error downloading URL: %1/download/vantrel_version");
        QTest::newRow("error page with status 200")
            << 200 << QByteArray("<html>Moved</html>") << true
            << QStringLiteral("The version received is not a version number: \"<html>Moved</html>\"");
        QTest::newRow("no server set") << 200 << QByteArray("9.9.9.9") << false
                                       << QStringLiteral("No server address is set for RosterServer.");
    }

    // A failed check is an error for the window to show, quiet or not; no question is asked.
    void CheckFails()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, published);
        QFETCH(bool, withServer);
        QFETCH(QString, message);
        TUpdateFixture f;
        f.WriteSettings(false, withServer);
        f.versionStatus = status;
        f.published = published;
        TSettings settings(f.home.Work() + QStringLiteral("Vantrel.cfg"));
        QWidget window;
        TProgramUpdate update(settings, f.prompts, &window);
        try {
            update.UpdateCheck(true);
            QFAIL("no error");
        } catch (const EVantrel& e) {
            const QString expected = message.contains(QStringLiteral("%1"))
                                         ? message.arg(f.server.Url(QString()).toString())
                                         : message;
            QVERIFY2(e.Message().startsWith(expected), qPrintable(e.Message()));
        }
        QVERIFY(f.prompts.Messages().isEmpty());
    }

    // Help > Check for Update, Yes: the installer is downloaded into the Downloads folder under the
    // package's name, the operator is told, the package is opened and the program closes.
    void InstallFromTheMenu()
    {
        TUpdateFixture f;
        f.WriteSettings(false);
        f.published = "99.0.0.0";
        TfrmMain window(f.prompts);
        window.show();
        auto* action = window.findChild<QAction*>(QStringLiteral("mnuCheckForUpdate"));
        QCOMPARE(action->shortcut(), QKeySequence(QStringLiteral("Ctrl+U")));
        f.prompts.AnswerMessage(MsgButton::Yes);
        f.prompts.AnswerMessage(MsgButton::OK);
        action->trigger();
        QCOMPARE(f.prompts.Messages(), (QStringList{kQuestion, kDownloaded}));
        QCOMPARE(f.prompts.Records().last().kind, MsgKind::Confirmation);
        QCOMPARE(f.opened.urls, QList<QUrl>{QUrl::fromLocalFile(f.InstallerFile())});
        QFile file(f.InstallerFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), f.installer);
        QVERIFY(!window.isVisible());
    }

    // A failed installer download is reported by the download dialog and the program stays open.
    void InstallFails()
    {
        TUpdateFixture f;
        f.WriteSettings(false);
        f.published = "99.0.0.0";
        f.installerStatus = 404;
        TfrmMain window(f.prompts);
        window.show();
        f.prompts.AnswerMessage(MsgButton::Yes);
        f.prompts.AnswerMessage(MsgButton::OK);
        window.UpdateCheck(false);
        QCOMPARE(f.prompts.Messages().size(), 2);
        QCOMPARE(f.prompts.Messages().last(),
                 QStringLiteral("Error downloading URL: %1/download/%2 (the server answered 404 Error)")
                     .arg(f.server.Url(QString()).toString(), TProgramUpdate::InstallerName()));
        QVERIFY(f.opened.urls.isEmpty());
        QVERIFY(!QFile::exists(f.InstallerFile()));
        QVERIFY(window.isVisible());
    }

    // With Auto Check for Update on, the quiet check runs once, when the main window first becomes active.
    void CheckAtFirstActivation_data()
    {
        QTest::addColumn<bool>("autoCheck");
        QTest::newRow("switched on") << true;
        QTest::newRow("switched off") << false;
    }

    void CheckAtFirstActivation()
    {
        QFETCH(bool, autoCheck);
        TUpdateFixture f;
        f.WriteSettings(autoCheck);
        f.published = "99.0.0.0";
        TfrmMain window(f.prompts);
        QCOMPARE(window.findChild<QAction*>(QStringLiteral("mnuAutoCheckUpdate"))->isChecked(), autoCheck);
        if (autoCheck) {
            f.prompts.AnswerMessage(MsgButton::No);
        }
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::qWait(50);
        QTRY_COMPARE(f.Requests(kVersionPath), autoCheck ? 1 : 0);
        QCOMPARE(f.prompts.Messages(), autoCheck ? QStringList{kQuestion} : QStringList{});
        // Activated again: no second check.
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::qWait(50);
        QCOMPARE(f.Requests(kVersionPath), autoCheck ? 1 : 0);
    }

    // File > Auto Check for Update turns the switch over and stores it at once.
    void AutoCheckMenu()
    {
        TUpdateFixture f;
        f.WriteSettings(false);
        TfrmMain window(f.prompts);
        auto* action = window.findChild<QAction*>(QStringLiteral("mnuAutoCheckUpdate"));
        action->trigger();
        QVERIFY(window.AutoCheckUpdate());
        QVERIFY(action->isChecked());
        TSettings stored(f.home.Work() + QStringLiteral("Vantrel.cfg"));
        QVERIFY(stored.GetSetting(SettingKeys::AutoCheckUpdate, false));
        action->trigger();
        QVERIFY(!TSettings(f.home.Work() + QStringLiteral("Vantrel.cfg"))
                     .GetSetting(SettingKeys::AutoCheckUpdate, true));
    }
};

VANTREL_TEST(TestVersionCheck)
#include "tst_VersionCheck.moc"
