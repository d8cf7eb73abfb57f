#include "app/ADIFImport.h"
#include "common/TestRegistry.h"
#include "data/Errors.h"
#include "data/MyFunc.h"
#include "data/TIniFile.h"
#include "feeds/WsjtxMessage.h"
#include "lookup/THamQTHxml.h"
#include "lookup/Tqrzxml.h"
#include "process/ADIFRecordReader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

// Every input that made a fuzz target fail (fuzz/crashes/<target>/) runs again through the same code
// with the same checks, so a fault once found stays fixed.
class TestFuzzFindings : public QObject
{
    Q_OBJECT

private:
    using TCheck = std::function<void(const QByteArray&)>;

    static void DecodeTextCheck(const QByteArray& input)
    {
        const QString text = QString::fromUtf8(input);
        (void)DecodeText(text);
        QCOMPARE(DecodeText(EncodeText(text)), text);
    }

    static void IniFileCheck(const QByteArray& input)
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Vantrel.cfg"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(input);
        file.close();
        try {
            TIniFile ini(path);
            (void)ini.Read(QStringLiteral("Settings"), QStringLiteral("ServerPort"));
            ini.Write(QStringLiteral("Settings"), QStringLiteral("FuzzKey"), QStringLiteral("K6VTR 8888 ä"));
            QCOMPARE(ini.Read(QStringLiteral("SETTINGS"), QStringLiteral("fuzzkey")),
                     std::optional<QString>(QStringLiteral("K6VTR 8888 ä")));
        } catch (const EVantrel&) {
        }
    }

    static void QrzCheck(const QByteArray& input)
    {
        try {
            (void)Tqrzxml::ParseLogin(input);
        } catch (const EVantrel&) {
        }
        try {
            QString xml;
            QCOMPARE(Tqrzxml::ParseCall(input, QStringLiteral("K6VTR"), &xml).rec.callsign,
                     QStringLiteral("K6VTR"));
        } catch (const EVantrel&) {
        }
    }

    static void HamQTHCheck(const QByteArray& input)
    {
        try {
            (void)THamQTHxml::ParseLogin(input);
        } catch (const EVantrel&) {
        }
        try {
            QCOMPARE(THamQTHxml::ParseCall(input, QStringLiteral("OK1VTR")).rec.callsign,
                     QStringLiteral("OK1VTR"));
        } catch (const EVantrel&) {
        }
    }

    static void WsjtxCheck(const QByteArray& input)
    {
        const std::optional<TWsjtxMessage> message = ParseWsjtxMessage(input);
        if (!message || message->adif.isEmpty()) {
            return;
        }
        QVERIFY(message->type == Wsjtx::kQsoLogged || message->type == Wsjtx::kLoggedAdif);
        TADIFRecordReader reader(message->adif);
        TADIFRecord record;
        const bool read = reader.Next(record);
        if (message->type == Wsjtx::kQsoLogged) {
            QVERIFY(read);
            QCOMPARE(record.problem, QString());
            QVERIFY(!reader.Next(record));
        }
        tLogRecord rec;
        if (read && ContactFromADIF(record, TCountryTable(), rec).isEmpty()) {
            QCOMPARE(rec.time.size(), 5);
            QCOMPARE(rec.time.at(2), QLatin1Char(':'));
        }
    }

    static const QMap<QString, TCheck>& Checks()
    {
        static const QMap<QString, TCheck> checks{{QStringLiteral("decodetext"), DecodeTextCheck},
                                                  {QStringLiteral("inifile"), IniFileCheck},
                                                  {QStringLiteral("qrzreply"), QrzCheck},
                                                  {QStringLiteral("hamqthreply"), HamQTHCheck},
                                                  {QStringLiteral("wsjtxmessage"), WsjtxCheck}};
        return checks;
    }

private slots:
    void Finding_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("path");
        const QDir crashes(QStringLiteral(VANTREL_FUZZ_CRASHES));
        for (const QString& target : Checks().keys()) {
            const QDir folder(crashes.filePath(target));
            for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
                QTest::newRow(qPrintable(target + '/' + name)) << target << folder.filePath(name);
            }
        }
        // Folders of targets this test does not know would be silently skipped: name them.
        for (const QString& target : crashes.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            if (!Checks().contains(target)) {
                QTest::newRow(qPrintable(target + QStringLiteral(" (no check)"))) << target << QString();
            }
        }
    }

    void Finding()
    {
        QFETCH(QString, target);
        QFETCH(QString, path);
        QVERIFY2(Checks().contains(target), qPrintable(QStringLiteral("no check for fuzz target ") + target));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        Checks().value(target)(file.readAll());
    }
};

VANTREL_TEST(TestFuzzFindings)
#include "tst_FuzzFindings.moc"
