#include "common/TPermissionsApply.h"
#include "common/TSmallDisk.h"
#include "common/TestRegistry.h"
#include "data/Errors.h"
#include "data/TSettings.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

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

    // A line break in a section, key or value would start a line of its own in the file (a value could
    // set another key): the write is refused and the file keeps its bytes.
    void LineBreaksRefused_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("LF in value") << "Settings"
                                     << "HAMqthXML_sessionID"
                                     << "abc\nHamQTHUrl=http://evil";
        QTest::newRow("CR LF in value") << "Settings"
                                        << "Grid"
                                        << "FN31\r\n[Other]";
        QTest::newRow("CR in value") << "Settings"
                                     << "Grid"
                                     << "FN31\rTop=1";
        QTest::newRow("LF in key") << "Settings"
                                   << "Grid\nTop"
                                   << "1";
        QTest::newRow("LF in section") << "Settings]\n[Other"
                                       << "Grid"
                                       << "1";
    }

    void LineBreaksRefused()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        const QByteArray before = "[Settings]\nGrid=FN31PR\n";
        WriteBytes(FilePath(), before);
        TIniFile file(FilePath());
        QVERIFY_THROWS_EXCEPTION(EVantrel, file.Write(section, key, value));
        QCOMPARE(ReadBytes(FilePath()), before);
    }

    // Keys that a write does not change keep their exact bytes, whatever their encoding, and the
    // byte-order mark and line ends stay as they were; values read in the encoding the line has.
    void UntouchedLinesKeepTheirBytes_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QString>("orvane");
        QTest::newRow("Latin-1 path")
            << QByteArray("[Settings]\r\nOrvanePath=/home/J\xFCrgen\r\nGrid=FN31\r\n")
            << QByteArray("[Settings]\r\nOrvanePath=/home/J\xFCrgen\r\nGrid=EM10\r\n")
            << QStringLiteral("/home/J\u00fcrgen");
        QTest::newRow("Latin-1 and UTF-8 lines, no final line end")
            << QByteArray("[Settings]\nOrvanePath=/home/J\xFCrgen\nLastMode=Jos\xC3\xA9\nGrid=FN31")
            << QByteArray("[Settings]\nOrvanePath=/home/J\xFCrgen\nLastMode=Jos\xC3\xA9\nGrid=EM10")
            << QStringLiteral("/home/J\u00fcrgen");
        QTest::newRow("UTF-8 with mark")
            << QByteArray("\xEF\xBB\xBF[Settings]\nOrvanePath=/home/J\xC3\xBCrgen\n")
            << QByteArray("\xEF\xBB\xBF[Settings]\nOrvanePath=/home/J\xC3\xBCrgen\nGrid=EM10\n")
            << QStringLiteral("/home/J\u00fcrgen");
        const auto utf16 = [](const QString& text) -> QByteArray {
            QStringEncoder encoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
            return encoder(text);
        };
        QTest::newRow("UTF-16 with mark")
            << QByteArray(
                   utf16(QStringLiteral("[Settings]\r\nOrvanePath=/home/J\u00fcrgen\r\nGrid=FN31\r\n")))
            << QByteArray(
                   utf16(QStringLiteral("[Settings]\r\nOrvanePath=/home/J\u00fcrgen\r\nGrid=EM10\r\n")))
            << QStringLiteral("/home/J\u00fcrgen");
    }

    void UntouchedLinesKeepTheirBytes()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, expected);
        QFETCH(QString, orvane);
        WriteBytes(FilePath(), file);
        TSettings settings(FilePath());
        settings.SaveSetting(SettingKeys::Grid, "EM10");
        QCOMPARE(ReadBytes(FilePath()), expected);
        QCOMPARE(settings.GetSetting(SettingKeys::OrvanePath, ""), orvane);
        QCOMPARE(TSettings(FilePath()).GetSetting(SettingKeys::Grid, ""), QStringLiteral("EM10"));
    }

    // A settings file that is there but cannot be read is not taken for an empty one: reading and
    // writing fail with an error that names the file, and the file is never replaced.
    void UnreadableFileIsNeverReplaced()
    {
        QFile::setPermissions(fDir.path(), QFileDevice::Permissions(0x7777));
        const QByteArray before = "[Settings]\nGrid=FN31PR\nTheme=Fusion\n";
        WriteBytes(FilePath(), before);
        QVERIFY(QFile::setPermissions(FilePath(), QFileDevice::Permissions()));
        {
            TPermissionsApply permissions;
            TSettings settings(FilePath());
            for (int attempt = 0; attempt < 2; ++attempt) {
                try {
                    attempt == 0 ? void(settings.GetSetting(SettingKeys::Grid, ""))
                                 : settings.SaveSetting(SettingKeys::Grid, "EM10");
                    QFAIL("no error raised");
                } catch (const EVantrel& e) {
                    QVERIFY2(e.Message().startsWith(QStringLiteral("Unable to read ") + FilePath() +
                                                    QStringLiteral(": ")),
                             qPrintable(e.Message()));
                }
            }
        }
        QFile::setPermissions(FilePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(ReadBytes(FilePath()), before);
    }

    // The file is parsed once: later reads come from what was parsed while the file stays as it was
    // (here it even becomes unreadable), and a change on disk is seen.
    void ParsedOnce()
    {
        QFile::setPermissions(fDir.path(), QFileDevice::Permissions(0x7777));
        WriteBytes(FilePath(), "[Settings]\nGrid=FN31PR\nTheme=Fusion\n");
        TSettings settings(FilePath());
        QCOMPARE(settings.GetSetting(SettingKeys::Grid, ""), QStringLiteral("FN31PR"));
        QVERIFY(QFile::setPermissions(FilePath(), QFileDevice::Permissions()));
        {
            TPermissionsApply permissions;
            QCOMPARE(settings.GetSetting(SettingKeys::Theme, ""), QStringLiteral("Fusion"));
            QCOMPARE(settings.GetSetting(SettingKeys::Grid, ""), QStringLiteral("FN31PR"));
        }
        QFile::setPermissions(FilePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        WriteBytes(FilePath(), "[Settings]\nGrid=EM10\n; a longer file than before\n");
        QCOMPARE(settings.GetSetting(SettingKeys::Grid, ""), QStringLiteral("EM10"));
    }

    // A key saved with the value it holds already leaves the file alone (the same file, not a copy put in
    // its place), whatever the case of its name; a new value or a new key replaces the file.
    void UnchangedValueIsNotWritten_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("rewritten");
        QTest::newRow("same value") << "Grid"
                                    << "FN31PR" << false;
        QTest::newRow("same value, key in other case") << "GRID"
                                                       << "FN31PR" << false;
        QTest::newRow("empty value kept") << "Theme"
                                          << "" << false;
        QTest::newRow("new value") << "Grid"
                                   << "FN31PQ" << true;
        QTest::newRow("value with a space") << "Grid"
                                            << "FN31PR " << true;
        QTest::newRow("new key") << "Left"
                                 << "0" << true;
    }

    void UnchangedValueIsNotWritten()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, rewritten);
        const QByteArray before = "[Settings]\r\ngrid=FN31PR\r\nTheme=\r\n";
        WriteBytes(FilePath(), before);
        const auto inode = [this] {
            struct stat st
            {};
            return ::stat(QFile::encodeName(FilePath()).constData(), &st) == 0 ? st.st_ino : ino_t(0);
        };
        const ino_t original = inode();
        TSettings settings(FilePath());
        settings.SaveSetting(key, value);
        QCOMPARE(inode() != original, rewritten);
        QCOMPARE(ReadBytes(FilePath()) != before, rewritten);
        QCOMPARE(TSettings(FilePath()).GetSetting(key, QStringLiteral("?")), value);
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
