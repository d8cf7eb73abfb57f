#include "common/TestRegistry.h"
#include "data/Paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Where the program finds the files it ships with: in a build they lie beside the programs, in an
// installation under share/ relative to the executable's folder; the current directory comes first.
class TestPaths : public QObject
{
    Q_OBJECT

    static void Touch(const QString& path)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("x");
    }

private slots:
    // Each row lays out a tree (paths relative to the temporary root, "cwd/" is the current directory and
    // the executable lies in "usr/bin/"), then asks for one shipped file.
    void Search_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("doc");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");

        QTest::newRow("installed data") << QStringList{"usr/share/vantrel/config.db"} << false << "config.db"
                                        << "usr/share/vantrel/config.db";
        QTest::newRow("installed manual")
            << QStringList{"usr/share/doc/vantrel/vantrel.pdf"} << true << "vantrel.pdf"
            << "usr/share/doc/vantrel/vantrel.pdf";
        QTest::newRow("beside the program")
            << QStringList{"usr/bin/config.sql", "usr/share/vantrel/config.sql"} << false << "config.sql"
            << "usr/bin/config.sql";
        QTest::newRow("current directory first")
            << QStringList{"cwd/vantrel.pdf", "usr/bin/vantrel.pdf", "usr/share/doc/vantrel/vantrel.pdf"}
            << true << "vantrel.pdf"
            << "cwd/vantrel.pdf";
        QTest::newRow("manual is not data")
            << QStringList{"usr/share/doc/vantrel/config.db"} << false << "config.db"
            << "";
        QTest::newRow("data is not the manual")
            << QStringList{"usr/share/vantrel/vantrel.pdf"} << true << "vantrel.pdf"
            << "";
        QTest::newRow("a folder of that name")
            << QStringList{"usr/share/vantrel/config.db/inside"} << false << "config.db"
            << "";
    }

    void Search()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, doc);
        QFETCH(QString, name);
        QFETCH(QString, expected);

        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString rootPath = QDir(root.path()).canonicalPath();
        QDir().mkpath(rootPath + QStringLiteral("/cwd"));
        QDir().mkpath(rootPath + QStringLiteral("/usr/bin"));
        for (const QString& file : files) {
            Touch(rootPath + '/' + file);
        }
        const QString before = QDir::currentPath();
        QDir::setCurrent(rootPath + QStringLiteral("/cwd"));
        const QString appDir = rootPath + QStringLiteral("/usr/bin");
        const QString found = Paths::FirstExisting(name, doc ? Paths::ShippedDocFolders(appDir)
                                                             : Paths::ShippedDataFolders(appDir));
        QDir::setCurrent(before);
        QCOMPARE(found, expected.isEmpty() ? QString() : rootPath + '/' + expected);
    }

    // A shipped data file that is nowhere is named in the current directory, where the operator looks.
    void MissingDataFileNamedInCurrentDirectory()
    {
        QTemporaryDir empty;
        const QString before = QDir::currentPath();
        QDir::setCurrent(empty.path());
        const QString path = Paths::ShippedFile(QStringLiteral("no-such-file.db"));
        QDir::setCurrent(before);
        QCOMPARE(path, QDir(empty.path()).absoluteFilePath(QStringLiteral("no-such-file.db")));
    }
};

VANTREL_TEST(TestPaths)
#include "tst_Paths.moc"
