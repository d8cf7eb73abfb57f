#include "common/TPeer.h"
#include "common/TTestHome.h"
#include "common/TestRegistry.h"
#include "data/Paths.h"

#include <QFile>
#include <QProcess>
#include <QTest>

// The pickers and the database files they list: a picker over the work folder must leave SQLite's locks
// on the open log alone, or another program that opens the log deletes the journal still being written.
class TestFileDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QDir::setCurrent(QCoreApplication::applicationDirPath()); }

    // The whole sequence in a process of its own: the log is open, a contact logged, the real picker
    // lists the work folder, another program reads the log and closes it, a second contact is logged and
    // the process is killed. A fresh connection finds both contacts.
    void PickerKeepsLoggedContacts_data()
    {
        QTest::addColumn<QString>("picker");
        QTest::newRow("Recall Info") << "open";
        QTest::newRow("Save Info") << "save";
        QTest::newRow("folder") << "folder";
    }

    void PickerKeepsLoggedContacts()
    {
        QFETCH(QString, picker);
        TTestHome home;
        home.PrepareWorkFolder();
        QFile user(home.Work() + QStringLiteral("W1AW.scr"));
        QVERIFY(user.open(QIODevice::WriteOnly));
        user.write("W1AW\r\n");
        user.close();

        QProcess program;
        TPeer::Start(program, {QStringLiteral("program"), home.Work(), picker});
        QVERIFY2(TPeer::WaitForLine(program, "ready"), "the program did not come up");
        const QString logs = home.Work() + QStringLiteral("logs.db");
        QVERIFY(QFile::exists(logs + QStringLiteral("-wal")));
        QVERIFY(TPeer::Peek(logs));
        program.write("log\n");
        QVERIFY(TPeer::WaitForLine(program, "logged"));
        program.kill();
        QVERIFY(program.waitForFinished());

        QCOMPARE(TPeer::Calls(logs, QStringLiteral("W1AW_2026_General_Log")),
                 (QStringList{QStringLiteral("K1ABC"), QStringLiteral("K2DEF")}));
    }

    void DatabaseFileNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("database");
        QTest::newRow("logs") << "/w/logs.db" << true;
        QTest::newRow("journal") << "/w/logs.db-wal" << true;
        QTest::newRow("shared memory") << "C:\\W\\CONFIG.DB-SHM" << true;
        QTest::newRow("rollback journal") << "fccdata.db-journal" << true;
        QTest::newRow("sqlite3") << "x.sqlite3" << true;
        QTest::newRow("user file") << "/w/W1AW.scr" << false;
        QTest::newRow("db in the middle") << "/w/logs.db.scr" << false;
        QTest::newRow("settings") << "/w/Vantrel.cfg" << false;
    }

    void DatabaseFileNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, database);
        QCOMPARE(Paths::IsDatabaseFile(name), database);
    }
};

VANTREL_TEST(TestFileDialogs)
#include "tst_FileDialogs.moc"
