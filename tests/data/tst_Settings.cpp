#include "common/TSmallDisk.h"
#include "common/TestRegistry.h"
#include "data/Errors.h"
#include "data/TSettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The settings file: a small INI reader/writer of our own with verbatim values, case-insensitive keys
// and write-through.
class TestSettings : public QObject
{
    Q_OBJECT

    QTemporaryDir fDir;

    QString FilePath(const QString& name = QStringLiteral("Vantrel.cfg")) const
    {
        return fDir.filePath(name);
    }

    static void WriteBytes(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    static QByteArray ReadBytes(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void init() { QFile::remove(FilePath()); }

    void ReadsTypedValues_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("def");
        QTest::addColumn<QVariant>("expected");
        const QByteArray windows = "[Settings]\r\nOrvanePATH=C:\\Users\\Public\\Documents\\Orvane\r\n"
                                   "ServerPort=abc\r\nAutoCheckUpdate=7\r\nTheme=Sky, Light\r\n"
                                   "FLDigiAutoLog=x\r\nColor=-16777201\r\n";
        QTest::newRow("key in another case, backslashes verbatim")
            << windows << "OrvanePath" << QVariant(QString())
            << QVariant("C:\\Users\\Public\\Documents\\Orvane");
        QTest::newRow("unreadable number gives default")
            << windows << "ServerPort" << QVariant(8888) << QVariant(8888);
        QTest::newRow("any number but 0 is true")
            << windows << "AutoCheckUpdate" << QVariant(false) << QVariant(true);
        QTest::newRow("unreadable truth gives default")
            << windows << "FLDigiAutoLog" << QVariant(true) << QVariant(true);
        QTest::newRow("comma kept in text")
            << windows << "theme" << QVariant(QString()) << QVariant("Sky, Light");
        QTest::newRow("negative colour") << windows << "Color" << QVariant(0) << QVariant(-16777201);
        QTest::newRow("missing key gives default")
            << windows << "Grid" << QVariant("none") << QVariant("none");
        QTest::newRow("key of another section is not read")
            << QByteArray("[Other]\nGrid=FN31\n[Settings]\nTop=5\n") << "Grid" << QVariant("-")
            << QVariant("-");
        QTest::newRow("utf-8 with byte-order mark") << QByteArray("\xEF\xBB\xBF[Settings]\nLastMode=SSB\n")
                                                    << "LastMode" << QVariant(QString()) << QVariant("SSB");
    }

    void ReadsTypedValues()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, key);
        QFETCH(QVariant, def);
        QFETCH(QVariant, expected);
        WriteBytes(FilePath(), file);
        TSettings settings(FilePath());
        QVariant actual;
        if (def.typeId() == QMetaType::Int) {
            actual = settings.GetSetting(key, def.toInt());
        } else if (def.typeId() == QMetaType::Bool) {
            actual = settings.GetSetting(key, def.toBool());
        } else {
            actual = settings.GetSetting(key, def.toString());
        }
        QCOMPARE(actual, expected);
    }

    void MissingFileGivesDefaults()
    {
        TSettings settings(FilePath());
        QCOMPARE(settings.GetSetting(SettingKeys::ServerPort, 8888), 8888);
        QCOMPARE(settings.GetSetting(SettingKeys::Theme, "Sky"), QStringLiteral("Sky"));
        QVERIFY(!QFile::exists(FilePath()));
    }

    // A write replaces the key whatever the case it was stored in, keeps every other line of the file
    // and the file's CRLF line ends, and adds a new key to its section.
    void WritePreservesTheRestOfTheFile()
    {
        WriteBytes(FilePath(), "; written on Windows\r\n[Other]\r\nkey=1\r\n\r\n[Settings]\r\nGRID=FN31\r\n"
                               "Top=10\r\n\r\n[Tail]\r\nx=y\r\n");
        TSettings settings(FilePath());
        settings.SaveSetting(SettingKeys::Grid, "FN31PR");
        settings.SaveSetting(SettingKeys::Left, 42);
        settings.SaveSetting(SettingKeys::AutoCheckUpdate, true);
        QCOMPARE(ReadBytes(FilePath()),
                 QByteArray("; written on Windows\r\n[Other]\r\nkey=1\r\n\r\n[Settings]\r\nGrid=FN31PR\r\n"
                            "Top=10\r\nLeft=42\r\nAutoCheckUpdate=1\r\n\r\n[Tail]\r\nx=y\r\n"));
        QCOMPARE(TSettings(FilePath()).GetSetting(QStringLiteral("grid"), ""), QStringLiteral("FN31PR"));
    }

    void NewFileGetsSection()
    {
        TSettings settings(FilePath());
        settings.SaveSetting(SettingKeys::OrvanePath, "C:\\Users\\Public\\Documents\\Orvane");
        QCOMPARE(ReadBytes(FilePath()),
                 QByteArray("[Settings]\nOrvanePath=C:\\Users\\Public\\Documents\\Orvane\n"));
    }

    // Every write is on disk when it returns: a second reader (as after a crash and restart) sees it,
    // and a later write that fails leaves what was written before intact.
    void CrashBetweenWritesLosesNothing()
    {
        {
            TSettings settings(FilePath());
            settings.SaveSetting(SettingKeys::Grid, "FN31PR");
            settings.SaveSetting(SettingKeys::ServerPort, 9999);
        }
        QCOMPARE(TSettings(FilePath()).GetSetting(SettingKeys::Grid, ""), QStringLiteral("FN31PR"));
        QCOMPARE(TSettings(FilePath()).GetSetting(SettingKeys::ServerPort, 0), 9999);
        QCOMPARE(QDir(fDir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Vantrel.cfg")});
    }

    void RefusedWriteRaisesError()
    {
        const QString path = fDir.filePath(QStringLiteral("missing/folder/Vantrel.cfg"));
        TSettings settings(path);
        try {
            settings.SaveSetting(SettingKeys::Grid, "FN31PR");
            QFAIL("no error raised");
        } catch (const EVantrel& e) {
            QVERIFY2(
                e.Message().startsWith(QStringLiteral("Unable to write to ") + path + QStringLiteral(": ")),
                qPrintable(e.Message()));
        }
    }

    // Every start writes a setting: on a full disk that write fails with the system's reason and the
    // settings file keeps every byte.
    void FullDiskKeepsSettingsFile()
    {
        TSmallDisk disk;
        if (!disk.IsMounted()) {
            QSKIP(qPrintable(disk.Reason()));
        }
        const QString path = disk.Path() + QStringLiteral("Vantrel.cfg");
        const QByteArray before = "[Settings]\nGrid=FN31PR\nTheme=Fusion\nAutoCheckUpdate=0\n";
        WriteBytes(path, before);
        QVERIFY(disk.Fill());
        TSettings settings(path);
        try {
            settings.SaveSetting(SettingKeys::AutoCheckUpdate, true);
            QFAIL("no error raised");
        } catch (const EVantrel& e) {
            QCOMPARE(e.Message(), QStringLiteral("Unable to write to %1: No space left on device").arg(path));
        }
        QCOMPARE(ReadBytes(path), before);
        QCOMPARE(QDir(disk.Path()).entryList(QDir::Files), QStringList{QStringLiteral("Vantrel.cfg")});
    }
};

VANTREL_TEST(TestSettings)
#include "tst_Settings.moc"
