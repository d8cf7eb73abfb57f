#include "AppFixture.h"
#include "common/TPeer.h"
#include "common/TScriptedPrompts.h"
#include "common/TSmallDisk.h"
#include "common/TTestHome.h"
#include "common/TestFiles.h"
#include "common/TestRegistry.h"
#include "data/TSettings.h"
#include "gui/app/TfrmMain.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QLocalServer>
#include <QMenu>
#include <QProcess>
#include <QScrollArea>
#include <QScrollBar>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kFirstRun = QStringLiteral(
    "We have detected this is a new installation.  If a previous\nwork folder exists you will be giving the "
    "option "
    "to etiher copy\nor move that folder.  Otherwise, the new work folder will be created\nwith new blank "
    "databases");
const QString kOlder = QStringLiteral("An older data folder exists.  Woudl you like to copy or move that "
                                      "folder\nClick Yes to COPY the folder, click "
                                      "No to MOVE the folder, or cancel to create a new folder");

QStringList Tables(const QString& dbPath)
{
    QStringList names;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("peek"));
        db.setDatabaseName(dbPath);
        if (db.open()) {
            QSqlQuery q(db);
            q.exec(QStringLiteral("select name from sqlite_master where type='table' order by name"));
            while (q.next()) {
                names << q.value(0).toString();
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("peek"));
    return names;
}

QString ReadText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Sets the program search path for one test and puts the old one back.
struct TPathGuard
{
    QByteArray old = qgetenv("PATH");
    explicit TPathGuard(const QString& path) { qputenv("PATH", path.toLocal8Bit()); }
    ~TPathGuard() { qputenv("PATH", old); }
};

} // namespace

// From process start to the list of open logs, and the settings written at shutdown.
class TestStartup : public QObject
{
    Q_OBJECT

    // An older per-user folder with a log database and a file in a subfolder.
    static void MakeOlderFolder(const TTestHome& home)
    {
        const QString older = home.Profile() + QStringLiteral("/.vantrel/");
        QDir().mkpath(older);
        QFile::copy(QStringLiteral("config.db"), older + QStringLiteral("config.db"));
        QVERIFY(WriteTestFile(older + QStringLiteral("sub/notes.txt"), "kept"));
        QVERIFY(WriteTestFile(older + QStringLiteral("Vantrel.cfg"), "[Settings]\nGrid=FN31PR\n"));
    }

private slots:
    void initTestCase() { QDir::setCurrent(QCoreApplication::applicationDirPath()); }

    void FirstRunCreatesWorkFolder()
    {
        TTestHome home;
        TScriptedPrompts prompts;
        prompts.AnswerMessage(MsgButton::OK);
        prompts.AnswerInput(QStringLiteral("FN31PR"));
        {
            TfrmMain window(prompts);
            QCOMPARE(prompts.Messages(), QStringList{kFirstRun});
            QCOMPARE(prompts.Records().at(1).caption, QStringLiteral("Grid Square"));
            QCOMPARE(prompts.Records().at(1).text, QStringLiteral("Enter Maidenhead Grid Locator x6"));
            QVERIFY(QFile::exists(home.Work() + QStringLiteral("config.db")));
            QCOMPARE(Tables(home.Work() + QStringLiteral("logs.db")), QStringList{QStringLiteral("config")});
            QCOMPARE(window.findChild<QListWidget*>(QStringLiteral("ListBox1"))->count(), 0);
            QCOMPARE(window.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->tabText(0),
                     QStringLiteral("Logs"));
            QCOMPARE(window.findChild<QLabel*>(QStringLiteral("StaticText1"))->text(),
                     QStringLiteral("Grid Square: FN31PR"));
            QVERIFY(!window.findChild<QWidget*>(QStringLiteral("pnlEntry"))->isVisibleTo(&window));
            // The county box starts with the counties of Arizona.
            auto* county = window.findChild<QComboBox*>(QStringLiteral("cboCounty"));
            QVERIFY(county->count() > 0);
            QCOMPARE(county->findText(QStringLiteral("Maricopa")) >= 0, true);
            QCOMPARE(window.Counties().size(), county->count());
            window.close();
        }
        TSettings settings(home.Work() + QStringLiteral("Vantrel.cfg"));
        for (const QString& key :
             {SettingKeys::AutoCheckUpdate, SettingKeys::Grid, SettingKeys::Left, SettingKeys::Top,
              SettingKeys::Color, SettingKeys::Theme, SettingKeys::LastMode}) {
            QVERIFY2(settings.GetSetting(key, "<none>") != QStringLiteral("<none>"), qPrintable(key));
        }
        QCOMPARE(settings.GetSetting(SettingKeys::Grid, ""), QStringLiteral("FN31PR"));
        QCOMPARE(settings.GetSetting(SettingKeys::Theme, ""), QStringLiteral("Sky"));
        QCOMPARE(settings.GetSetting(SettingKeys::Color, 0), -16777201);
        QCOMPARE(settings.GetSetting(SettingKeys::AutoCheckUpdate, true), false);
        QCOMPARE(prompts.Pending(), 0);
    }

    void CancelledGridQuestionSavesNothing()
    {
        TTestHome home;
        TScriptedPrompts prompts;
        prompts.AnswerMessage(MsgButton::OK);
        prompts.AnswerInput(std::nullopt);
        TfrmMain window(prompts);
        QCOMPARE(
            TSettings(home.Work() + QStringLiteral("Vantrel.cfg")).GetSetting(SettingKeys::Grid, "<none>"),
            QStringLiteral("<none>"));
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("StaticText1"))->text(),
                 QStringLiteral("Grid Square: "));
    }

    void OlderFolder_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("olderKept");
        QTest::addColumn<bool>("workHasOlderFiles");
        QTest::newRow("Yes copies") << int(MsgButton::Yes) << true << true;
        QTest::newRow("No moves") << int(MsgButton::No) << false << true;
        QTest::newRow("Cancel makes a new folder") << int(MsgButton::Cancel) << true << false;
    }

    void OlderFolder()
    {
        QFETCH(int, answer);
        QFETCH(bool, olderKept);
        QFETCH(bool, workHasOlderFiles);
        TTestHome home;
        MakeOlderFolder(home);
        TScriptedPrompts prompts;
        prompts.AnswerMessage(MsgButton::OK);
        prompts.AnswerMessage(MsgButton(answer));
        if (!workHasOlderFiles) {
            prompts.AnswerInput(QStringLiteral("EM10"));
        }
        TfrmMain window(prompts);
        QCOMPARE(prompts.Messages(), (QStringList{kFirstRun, kOlder}));
        QCOMPARE(prompts.Records().at(1).buttons, MsgButton::Yes | MsgButton::No | MsgButton::Cancel);
        QCOMPARE(QDir(home.Profile() + QStringLiteral("/.vantrel")).exists(), olderKept);
        QCOMPARE(QFile::exists(home.Work() + QStringLiteral("sub/notes.txt")), workHasOlderFiles);
        QVERIFY(QFile::exists(home.Work() + QStringLiteral("config.db")));
        QCOMPARE(window.Grid(), workHasOlderFiles ? QStringLiteral("FN31PR") : QStringLiteral("EM10"));
        QCOMPARE(prompts.Pending(), 0);
    }

    // The copy of an older folder takes its databases through SQLite: the copy holds what is still in
    // the journal, and the older database (open here, as another program could hold it) keeps its locks,
    // so a contact logged into it after another program has read it is not lost.
    void CopyOfOlderFolderLeavesItsDatabasesToSqlite()
    {
        TTestHome home;
        const QString older = home.Profile() + QStringLiteral("/.vantrel/");
        QDir().mkpath(older);
        QFile::copy(QStringLiteral("config.db"), older + QStringLiteral("config.db"));
        QVERIFY(WriteTestFile(older + QStringLiteral("Vantrel.cfg"), "[Settings]\nGrid=FN31PR\n"));
        const QString logs = older + QStringLiteral("logs.db");
        const QString table = QStringLiteral("W1AW_2026_General_Log");
        {
            QSqlDatabase live = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("live"));
            live.setDatabaseName(logs);
            QVERIFY(live.open());
            QSqlQuery q(live);
            for (const char* sql : {"PRAGMA journal_mode=WAL", "PRAGMA wal_autocheckpoint=0",
                                    "create table config (tablename VARCHAR(100), processed INTEGER)",
                                    "create table W1AW_2026_General_Log (_call VARCHAR(10), pkey INTEGER "
                                    "PRIMARY KEY AUTOINCREMENT NOT NULL)",
                                    "insert into W1AW_2026_General_Log (_call) values ('K1ABC')"}) {
                QVERIFY2(q.exec(QString::fromLatin1(sql)), sql);
            }
            QVERIFY(QFileInfo(logs + QStringLiteral("-wal")).size() > 0);

            TScriptedPrompts prompts;
            prompts.AnswerMessage(MsgButton::OK);
            prompts.AnswerMessage(MsgButton::Yes);
            {
                TfrmMain window(prompts);
                QCOMPARE(prompts.Messages(), (QStringList{kFirstRun, kOlder}));
            }
            QCOMPARE(TPeer::Calls(home.Work() + QStringLiteral("logs.db"), table),
                     QStringList{QStringLiteral("K1ABC")});

            QVERIFY(TPeer::Peek(logs));
            QVERIFY(q.exec(QStringLiteral("insert into W1AW_2026_General_Log (_call) values ('K2DEF')")));
            QCOMPARE(TPeer::Calls(logs, table),
                     (QStringList{QStringLiteral("K1ABC"), QStringLiteral("K2DEF")}));
            q.finish();
            live.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("live"));
    }

    void ExistingFolderAsksNothing()
    {
        TTestHome home;
        home.PrepareWorkFolder();
        home.WriteSettings({QStringLiteral("grid=FN20XR"), QStringLiteral("LastMode=CW")});
        TScriptedPrompts prompts;
        TfrmMain window(prompts);
        QVERIFY(prompts.Records().isEmpty());
        QCOMPARE(window.Grid(), QStringLiteral("FN20XR"));
        QCOMPARE(window.findChild<QComboBox*>(QStringLiteral("cboMode"))->currentText(),
                 QStringLiteral("CW"));
    }

    // A logs database that holds anything (here an event log without a config table) is not given one.
    void NonEmptyLogsDatabaseKeepsItsTables()
    {
        TTestHome home;
        home.PrepareWorkFolder();
        home.WriteSettings({QStringLiteral("Grid=FN20XR")});
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("make"));
            db.setDatabaseName(home.Work() + QStringLiteral("logs.db"));
            QVERIFY(db.open());
            QSqlQuery(db).exec(QStringLiteral("create table W1AW_2020_Mobile (_call VARCHAR(10))"));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("make"));
        TScriptedPrompts prompts;
        // The log list reads `config`, which is missing: its error is reported.
        prompts.AnswerMessage(MsgButton::OK);
        TfrmMain window(prompts);
        QCOMPARE(Tables(home.Work() + QStringLiteral("logs.db")),
                 QStringList{QStringLiteral("W1AW_2020_Mobile")});
        QCOMPARE(prompts.Records().first().kind, MsgKind::Error);
        QVERIFY(prompts.Messages().first().contains(QStringLiteral("no such table: config")));
    }

    // A database that cannot be opened is reported once, naming the file and what the operator can do;
    // start-up goes on without the steps that need it (no second, empty box).
    void DatabaseOpenFailureIsReported_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("folder");
        QTest::addColumn<QString>("advice");
        QTest::newRow("logs.db is a folder") << "logs.db" << true << "move logs.db out of the work folder";
        QTest::newRow("logs.db is not a database")
            << "logs.db" << false << "move logs.db out of the work folder";
        QTest::newRow("config.db is not a database")
            << "config.db" << false << "move config.db out of the work folder";
    }

    void DatabaseOpenFailureIsReported()
    {
        QFETCH(QString, file);
        QFETCH(bool, folder);
        QFETCH(QString, advice);
        TTestHome home;
        home.PrepareWorkFolder();
        home.WriteSettings({QStringLiteral("Grid=FN20XR")});
        const QString path = home.Work() + file;
        QFile::remove(path);
        if (folder) {
            QDir().mkpath(path);
        } else {
            QVERIFY(WriteTestFile(path, QByteArray("This is not a database of any kind. ").repeated(200)));
        }
        TScriptedPrompts prompts;
        prompts.AnswerMessage(MsgButton::OK);
        TfrmMain window(prompts);
        QCOMPARE(prompts.Messages().size(), 1);
        const QString message = prompts.Messages().first();
        QVERIFY2(message.startsWith(QStringLiteral("Exception raised with messageThe ")),
                 qPrintable(message));
        QVERIFY2(message.contains(QDir::toNativeSeparators(path) + QStringLiteral(" cannot be opened: ")),
                 qPrintable(message));
        QVERIFY2(message.contains(advice), qPrintable(message));
        QCOMPARE(prompts.Records().first().kind, MsgKind::Error);
        // The file is left for the operator to keep.
        QCOMPARE(QFileInfo(path).isDir(), folder);
        QVERIFY(folder || QFileInfo(path).size() > 0);
    }

    // An existing work folder without config.db gets the shipped one, as on a first run, and is told so.
    void MissingReferenceDatabaseIsReplaced()
    {
        TTestHome home;
        home.WriteSettings({QStringLiteral("Grid=FN20XR")});
        TScriptedPrompts prompts;
        prompts.AnswerMessage(MsgButton::OK);
        TfrmMain window(prompts);
        const QString config = home.Work() + QStringLiteral("config.db");
        QCOMPARE(prompts.Messages().size(), 1);
        QVERIFY2(prompts.Messages().first().startsWith(QStringLiteral("The reference database ") +
                                                       QDir::toNativeSeparators(config) +
                                                       QStringLiteral(" was missing")),
                 qPrintable(prompts.Messages().first()));
        QCOMPARE(prompts.Records().first().kind, MsgKind::Information);
        QVERIFY(window.Countries().contains(QStringLiteral("United States")));
        QVERIFY(window.Events().contains(QStringLiteral("Open Season")));
    }

    // A zero-length logs.db is set up as a new one, and the operator is told.
    void EmptyLogsDatabaseIsReported()
    {
        TTestHome home;
        home.PrepareWorkFolder();
        home.WriteSettings({QStringLiteral("Grid=FN20XR")});
        const QString logs = home.Work() + QStringLiteral("logs.db");
        QVERIFY(WriteTestFile(logs, QByteArray()));
        QVERIFY(QFileInfo::exists(logs));
        TScriptedPrompts prompts;
        prompts.AnswerMessage(MsgButton::OK);
        TfrmMain window(prompts);
        QCOMPARE(
            prompts.Messages(),
            QStringList{QStringLiteral("The logs database %1 was empty (0 bytes) and has been set up as a "
                                       "new logs database. If it held your logs, close Vantrel and put "
                                       "back a backup copy of logs.db.")
                            .arg(QDir::toNativeSeparators(logs))});
        QCOMPARE(Tables(logs), QStringList{QStringLiteral("config")});
    }

    // A read-only work folder cannot hold a log safely (SQLite writes its journal beside the database):
    // one clear message, logging off, and nothing written there, not even the settings at exit.
    void ReadOnlyWorkFolderIsRefused()
    {
        TSmallDisk disk(4096);
        if (!disk.IsMounted()) {
            QSKIP(qPrintable(disk.Reason()));
        }
        TTestHome home;
        const QString work = disk.Path() + QStringLiteral("work/");
        qputenv("VANTREL_HOME", QFile::encodeName(work));
        QDir().mkpath(work);
        QVERIFY(QFile::copy(QStringLiteral("config.db"), work + QStringLiteral("config.db")));
        QVERIFY(WriteTestFile(work + QStringLiteral("Vantrel.cfg"), "[Settings]\nGrid=FN20XR\n"));
        {
            TScriptedPrompts prompts;
            TfrmMain window(prompts);
            window.close();
            QVERIFY(prompts.Records().isEmpty());
        }
        const QByteArray settings = [&] {
            QFile f(work + QStringLiteral("Vantrel.cfg"));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        QVERIFY(disk.MakeReadOnly());

        TScriptedPrompts prompts;
        prompts.AnswerMessage(MsgButton::OK);
        TfrmMain window(prompts);
        QCOMPARE(prompts.Messages().size(), 1);
        QVERIFY2(prompts.Messages().first().startsWith(QStringLiteral("The work folder ") +
                                                       QDir::toNativeSeparators(work) +
                                                       QStringLiteral(" cannot be written to.")),
                 qPrintable(prompts.Messages().first()));
        QVERIFY(prompts.Messages().first().contains(QStringLiteral("logging is off")));
        QVERIFY(!window.findChild<QAction*>(QStringLiteral("mnuNew"))->isEnabled());
        QVERIFY(!window.findChild<QAction*>(QStringLiteral("mnuOpen"))->isEnabled());
        window.close();
        QCOMPARE(prompts.Messages().size(), 1);
        QFile f(work + QStringLiteral("Vantrel.cfg"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), settings);
    }

    // A settings file that is there but cannot be read stops start-up with an error naming it, and is
    // not written over, not even at exit.
    void UnreadableSettingsFileStopsStartup()
    {
        TTestHome home;
        home.PrepareWorkFolder();
        const QString path = home.Work() + QStringLiteral("Vantrel.cfg");
        // A socket file: there, but nobody (root included) can open it to read.
        QLocalServer socket;
        QVERIFY(socket.listen(path));
        TScriptedPrompts prompts;
        prompts.AnswerMessage(MsgButton::OK);
        prompts.AnswerMessage(MsgButton::OK);
        {
            TfrmMain window(prompts);
            QCOMPARE(prompts.Messages().size(), 1);
            QVERIFY2(prompts.Messages().first().startsWith(QStringLiteral("Unable to read ") + path + ": "),
                     qPrintable(prompts.Messages().first()));
            QCOMPARE(prompts.Records().first().kind, MsgKind::Error);
            window.close();
        }
        QVERIFY(QFileInfo::exists(path));
        QVERIFY(!QFileInfo(path).isFile());
    }

    void ShutdownWritesSettings_data()
    {
        QTest::addColumn<bool>("byExit");
        QTest::newRow("close box") << false;
        QTest::newRow("Exit") << true;
    }

    void ShutdownWritesSettings()
    {
        QFETCH(bool, byExit);
        TTestHome home;
        home.PrepareWorkFolder();
        home.WriteSettings({QStringLiteral("Grid=FN20XR"), QStringLiteral("Fore_color=255"),
                            QStringLiteral("Theme=Fusion")});
        TScriptedPrompts prompts;
        TfrmMain window(prompts);
        window.show();
        window.move(37, 45);
        window.findChild<QComboBox*>(QStringLiteral("cboMode"))->setEditText(QStringLiteral("RTTY"));
        if (byExit) {
            window.findChild<QAction*>(QStringLiteral("mnuExit"))->trigger();
        } else {
            window.close();
        }
        TSettings settings(home.Work() + QStringLiteral("Vantrel.cfg"));
        QCOMPARE(settings.GetSetting(SettingKeys::LastMode, ""), QStringLiteral("RTTY"));
        QCOMPARE(settings.GetSetting(SettingKeys::Left, -1), window.x());
        QCOMPARE(settings.GetSetting(SettingKeys::Top, -1), window.y());
        QCOMPARE(settings.GetSetting(SettingKeys::Theme, ""), QStringLiteral("Fusion"));
        QCOMPARE(settings.GetSetting(SettingKeys::ForeColor, 0), 255);
    }

    // The panels beside the entry form open where they were left, and a damaged record of them is ignored.
    void PanelsComeBackWhereTheyWere()
    {
        TTestHome home;
        home.PrepareWorkFolder();
        home.WriteSettings({QStringLiteral("Grid=FN20XR"), QStringLiteral("Panels=not a window state")});
        TScriptedPrompts prompts;
        {
            TfrmMain window(prompts);
            window.show();
            auto* statistics = window.findChild<QDockWidget*>(QStringLiteral("dockStatistics"));
            auto* bandMap = window.findChild<QDockWidget*>(QStringLiteral("dockBandMap"));
            QVERIFY(!statistics->isVisibleTo(&window));
            QVERIFY(!bandMap->isVisibleTo(&window));
            window.findChild<QAction*>(QStringLiteral("mnuStatistics"))->trigger();
            window.addDockWidget(Qt::LeftDockWidgetArea, statistics);
            window.close();
        }
        TfrmMain window(prompts);
        window.show();
        auto* statistics = window.findChild<QDockWidget*>(QStringLiteral("dockStatistics"));
        QVERIFY(statistics->isVisibleTo(&window));
        QCOMPARE(window.dockWidgetArea(statistics), Qt::LeftDockWidgetArea);
        QVERIFY(!window.findChild<QDockWidget*>(QStringLiteral("dockBandMap"))->isVisibleTo(&window));
        QCOMPARE(prompts.Messages(), QStringList());
    }

    // The panel the operator opens last is the one in front, whichever was open before.
    void OpenedPanelComesToTheFront_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("band map, then statistics") << "mnuBandMap"
                                                   << "mnuStatistics";
        QTest::newRow("statistics, then band map") << "mnuStatistics"
                                                   << "mnuBandMap";
    }
    void OpenedPanelComesToTheFront()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        TTestHome home;
        home.PrepareWorkFolder();
        home.WriteSettings({QStringLiteral("Grid=FN20XR")});
        TScriptedPrompts prompts;
        TfrmMain window(prompts);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto dockOf = [&window](const QString& action) {
            return window.findChild<QDockWidget*>(action == QStringLiteral("mnuBandMap")
                                                      ? QStringLiteral("dockBandMap")
                                                      : QStringLiteral("dockStatistics"));
        };
        window.findChild<QAction*>(first)->trigger();
        QTRY_VERIFY(!dockOf(first)->visibleRegion().isEmpty());
        window.findChild<QAction*>(second)->trigger();
        QTRY_VERIFY(!dockOf(second)->visibleRegion().isEmpty());
        QVERIFY(dockOf(first)->visibleRegion().isEmpty());
    }

    // With a log open, at the usable size, the default one and wider, the window scrolls neither way: the
    // status panels take a second row, each wholly in sight and none over another, and the form keeps
    // fitting the height.
    void StatusPanelsFitTheWindow_data()
    {
        QTest::addColumn<int>("width");
        QTest::newRow("usable size") << 820;
        QTest::newRow("default size") << 1000;
        QTest::newRow("wide") << 1400;
    }
    void StatusPanelsFitTheWindow()
    {
        QFETCH(int, width);
        TAppFixture f;
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Open Season"));
        f.window->show();
        f.window->resize(width, 640);
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        QWidget* status = f.window->StatusPanel();
        const auto fits = [&] {
            for (QWidget* panel : status->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (panel->isVisible() && !status->contentsRect().contains(panel->geometry())) {
                    return false;
                }
            }
            return true;
        };
        QTRY_VERIFY(fits());
        auto* scroll = f.Find<QScrollArea>("scrollMain");
        QVERIFY(!scroll->horizontalScrollBar()->isVisible());
        QVERIFY(!scroll->verticalScrollBar()->isVisible());
        QList<QRect> placed;
        for (QWidget* panel : status->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!panel->isVisible()) {
                continue;
            }
            QVERIFY(panel->width() >= panel->sizeHint().width());
            for (const QRect& other : std::as_const(placed)) {
                QVERIFY2(!other.intersects(panel->geometry()), qPrintable(panel->objectName()));
            }
            placed << panel->geometry();
        }
        QVERIFY2(placed.size() >= 6, qPrintable(QString::number(placed.size())));
        QVERIFY(!f.Find("lblQsoWith")->visibleRegion().isEmpty());

        // A panel that shows later (the cluster's state) takes its place in the flow.
        auto* cluster = f.Find<QLabel>("lblCluster");
        QVERIFY(!cluster->isVisible());
        cluster->setText(QStringLiteral(" Cluster: connected to dxc.example.org:7300 "));
        cluster->show();
        QTRY_VERIFY(fits());
        QVERIFY(cluster->width() >= cluster->sizeHint().width());
        QVERIFY(!scroll->horizontalScrollBar()->isVisible());
    }

    // Captions, shortcuts and initial states of the menu the operator drives by keyboard.
    void Menu_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shortcut");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("visible");
        auto row = [](const char* name, const char* text, const char* shortcut, bool enabled,
                      bool visible = true) {
            QTest::newRow(name) << name << text << shortcut << enabled << visible;
        };
        row("mnuNew", "New", "Ctrl+N", true);
        row("mnuOpen", "Open", "Ctrl+O", true);
        row("mnuRemoveProcessedLog", "Remove Processed Log", "Ctrl+R", false);
        row("mnuUpdateDataFiles", "Update Data Files", "Ctrl+D", true);
        row("mnuSetProcessedFlag", "Set Processed Flag", "Ctrl+Alt+P", false);
        row("mnuExit", "Exit", "Ctrl+E", true);
        row("mnuSetup", "Setup", "Ctrl+S", false);
        row("mnuProcessContest", "Process Contest", "F2", false);
        row("mnuDisplayLog", "Display Log", "F3", false);
        row("mnuOffLineLogging", "Off-Line Logging", "F4", false);
        row("mnuUpdateGridLocator", "Update Grid Locator", "F7", false);
        row("mnuConfigureServer", "Configure Server", "Shift+F8", true);
        row("mnuEnableServer", "Enable/Disable Server", "F8", true);
        row("mnuUseFLDigi", "Use FLDigi", "Ctrl+F", true, false);
        row("mnuFLdigiSetup", "FLdigi Setup", "Ctrl+Alt+F", true, false);
        row("mnuTestADIF", "Test ADIF", "", true, false);
        row("mnuForgroundColor", "Forground Color", "F5", false);
        row("mnuBackgroundColor", "Background Color", "Shift+F5", false);
        row("mnuContents", "Contents", "F1", true);
        row("mnuCheckForUpdate", "Check for Update", "Ctrl+U", true);
        row("mnuAbout", "About", "Ctrl+A", true);
        row("mnuEvents", "Events", "Ctrl+F1", true);
        row("mnu070", "070", "Ctrl+F9", true);
        row("mnuStationSettings", "Station Settings…", "Ctrl+,", true);
        row("mnuStatistics", "Statistics", "Shift+F7", true);
        row("mnuCluster", "Cluster", "Ctrl+Shift+C", true);
        row("mnuSpotContact", "Spot This Contact…", "Ctrl+Shift+S", true);
        row("mnuBandMap", "Band Map", "", true);
        row("mnuShareLog", "Share This Log…", "", true);
        row("mnuPositions", "Positions", "", true);
    }

    void Menu()
    {
        QFETCH(QString, action);
        QFETCH(QString, text);
        QFETCH(QString, shortcut);
        QFETCH(bool, enabled);
        QFETCH(bool, visible);
        TTestHome home;
        home.PrepareWorkFolder();
        home.WriteSettings({QStringLiteral("Grid=FN20XR")});
        TScriptedPrompts prompts;
        TfrmMain window(prompts);
        auto* item = window.findChild<QAction*>(action);
        QVERIFY(item);
        // The caption as it reads, one letter of it marked for the keyboard.
        QCOMPARE(QString(item->text()).remove('&'), text);
        QCOMPARE(item->text().count('&'), 1);
        QCOMPARE(item->shortcut(), QKeySequence(shortcut));
        QCOMPARE(item->isVisible(), visible);
        if (visible) { // a hidden action always reads as disabled
            QCOMPARE(item->isEnabled(), enabled);
        }
        // Options opens for Station Settings alone: its other items wait for a log.
        QVERIFY(window.findChild<QMenu*>(QStringLiteral("mnuOptions"))->isEnabled());
        QVERIFY(window.findChild<QAction*>(QStringLiteral("mnuAutoCheckUpdate"))->isCheckable());
    }
    // Help > Contents hands the manual to xdg-open; when there is none, or it finds no viewer (it ends
    // with an error status), the message names the file so that the operator can open it another way.
    void HelpContents_data()
    {
        QTest::addColumn<QString>("opener"); // xdg-open on the search path: a shell script, or none
        QTest::addColumn<bool>("message");
        QTest::newRow("no xdg-open") << QString() << true;
        QTest::newRow("no viewer for PDF") << QStringLiteral("exit 3") << true;
        QTest::newRow("viewer started") << QStringLiteral("exit 0") << false;
    }

    void HelpContents()
    {
        QFETCH(QString, opener);
        QFETCH(bool, message);
        TTestHome home;
        home.PrepareWorkFolder();
        home.WriteSettings({QStringLiteral("Grid=FN20XR")});
        TScriptedPrompts prompts;
        TfrmMain window(prompts);
        QTemporaryDir bin;
        const QString opened = bin.filePath(QStringLiteral("opened"));
        if (!opener.isEmpty()) {
            QVERIFY(WriteTestFile(
                bin.filePath(QStringLiteral("xdg-open")),
                QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > '%1'\n%2\n").arg(opened, opener).toUtf8()));
            QFile::setPermissions(bin.filePath(QStringLiteral("xdg-open")),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        // Only the script may be found (its shell is named by full path).
        const TPathGuard path(bin.path());
        if (message) {
            prompts.AnswerMessage(MsgButton::OK);
        }
        window.findChild<QAction*>(QStringLiteral("mnuContents"))->trigger();
        const QString shipped = QDir::toNativeSeparators(
            QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("vantrel.pdf")));
        if (!opener.isEmpty()) {
            QTRY_COMPARE(ReadText(opened), QDir::fromNativeSeparators(shipped));
        }
        if (message) {
            QTRY_COMPARE(prompts.Records().size(), 1);
            QCOMPARE(prompts.Records().at(0).kind, MsgKind::Error);
            QVERIFY2(prompts.Records().at(0).text.endsWith(QStringLiteral("The help document is here:\n") +
                                                           shipped),
                     qPrintable(prompts.Records().at(0).text));
        } else {
            QTest::qWait(300);
            QCOMPARE(prompts.Records().size(), 0);
        }
    }

    // Help and version on the command line: printed, exit 0, and no window (there is no display to show
    // one on).
    void CommandLineHelp_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("output");
        QTest::newRow("--help") << QStringList{"--help"} << "usage: vantrel [Qt options]";
        QTest::newRow("-h") << QStringList{"-h"} << "--import-adif FILE  import the contacts";
        QTest::newRow("--help after another option")
            << QStringList{"-style", "Fusion", "--help"} << "--keep-dupes";
        QTest::newRow("--version") << QStringList{"--version"} << "vantrel " VANTREL_VERSION "\n";
    }

    void CommandLineHelp()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, output);
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // A platform that cannot start: a program that opened a window would end with an error instead.
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
        env.remove(QStringLiteral("DISPLAY"));
        process.setProcessEnvironment(env);
        process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/vantrel"), args);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        const QString text = QString::fromUtf8(process.readAllStandardOutput());
        QVERIFY2(text.contains(output), qPrintable(text + process.readAllStandardError()));
        QCOMPARE(process.exitCode(), 0);
    }
};

VANTREL_TEST(TestStartup)
#include "tst_Startup.moc"
