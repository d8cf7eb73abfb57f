#include "common/TSmallDisk.h"
#include "common/TTestHome.h"
#include "common/TTestHttpServer.h"
#include "common/TestRegistry.h"
#include "data/Errors.h"
#include "data/MyFunc.h"
#include "data/TDM.h"
#include "ui/Prompts.h"

#include <QCoreApplication>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

// The shared functions: password coding, whole-number test, DXCC numbers, downloads, box placement.
class TestMyFunc : public QObject
{
    Q_OBJECT

private slots:
    void Encode_data()
    {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("encoded");
        QTest::newRow("three letters") << "abc"
                                       << "OM9Z";
        QTest::newRow("one letter gives two characters") << "a"
                                                         << "OG";
        QTest::newRow("two letters give three") << "ab"
                                                << "OM8";
        QTest::newRow("empty") << ""
                               << "";
        // Each byte is its own character: these bytes also spell the UTF-8 of a capital I with a dot.
        QTest::newRow("latin-1 password") << QStringLiteral("\u00c4\u00b0C") << QStringLiteral("nB13");
        QTest::newRow("character above 255") << QStringLiteral("\u0130C") << QStringLiteral("~nB13");
        QTest::newRow("euro sign") << QStringLiteral("\u20ac") << QStringLiteral("~ueAi");
    }

    void Encode()
    {
        QFETCH(QString, plain);
        QFETCH(QString, encoded);
        QCOMPARE(EncodeText(plain), encoded);
        QCOMPARE(DecodeText(encoded), plain);
    }

    void RoundTrip_data()
    {
        QTest::addColumn<QString>("plain");
        QTest::newRow("query separators") << "p;a&ss word=%+";
        QTest::newRow("latin-1 letters") << QStringLiteral("caf\u00e9 \u00d8re");
        QTest::newRow("characters above 255") << QStringLiteral("\u20ac5 \u0416\u4e2d");
        QTest::newRow("latin-1 that looks like utf-8") << QStringLiteral("\u00c3\u00a9");
    }

    void RoundTrip()
    {
        QFETCH(QString, plain);
        const QString encoded = EncodeText(plain);
        // Only the alphabet, after the marker of a text with characters above 255.
        const QList<uint> codes = plain.toUcs4();
        const bool wide = std::any_of(codes.begin(), codes.end(), [](uint code) { return code > 255; });
        QCOMPARE(encoded.startsWith('~'), wide);
        for (const QChar c : QStringView(encoded).mid(wide ? 1 : 0)) {
            QVERIFY(c.isLetterOrNumber() || c == '+' || c == '/');
        }
        QCOMPARE(DecodeText(encoded), plain);
    }

    void DecodeStopsAtForeignCharacter()
    {
        QCOMPARE(DecodeText(QStringLiteral("OM9Z=OM9Z")), QStringLiteral("abc"));
        QCOMPARE(DecodeText(QStringLiteral("OM9Z~OM9Z")), QStringLiteral("abc"));
    }

    // Lengths count characters: a character written as a surrogate pair is one.
    void CharCounts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("cut");
        QTest::addColumn<QString>("first");
        const QString clef = QStringLiteral("\U0001D11E");
        QTest::newRow("plain") << "Washington" << 10 << 4 << "Wash";
        QTest::newRow("empty") << "" << 0 << 3 << "";
        QTest::newRow("pairs count once") << clef + clef + "ab" << 4 << 3 << clef + clef + "a";
        QTest::newRow("cut after a pair") << "a" + clef + "b" << 3 << 2 << "a" + clef;
        QTest::newRow("shorter than the cut") << clef << 1 << 10 << clef;
        QTest::newRow("lone high surrogate")
            << QString(QChar(0xD834)) + "x" << 2 << 1 << QString(QChar(0xD834));
    }

    void CharCounts()
    {
        QFETCH(QString, text);
        QFETCH(int, count);
        QFETCH(int, cut);
        QFETCH(QString, first);
        QCOMPARE(CharCount(text), qsizetype(count));
        QCOMPARE(FirstChars(text, cut).toString(), first);
    }

    void IsInteger_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        QTest::newRow("12a") << "12a" << false;
        QTest::newRow("1.5") << "1.5" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("blank around") << " 5" << false;
        QTest::newRow("-7") << "-7" << true;
        QTest::newRow("+7") << "+7" << true;
        QTest::newRow("00123") << "00123" << true;
        QTest::newRow("largest") << "2147483647" << true;
        QTest::newRow("smallest") << "-2147483648" << true;
        QTest::newRow("too large") << "2147483648" << false;
        QTest::newRow("hex") << "0x10" << false;
        QTest::newRow("final line feed") << "1\n" << false;
        QTest::newRow("final CR LF") << "12\r\n" << false;
        QTest::newRow("leading line feed") << "\n12" << false;
    }

    void IsInteger()
    {
        QFETCH(QString, text);
        QFETCH(bool, expected);
        QCOMPARE(::IsInteger(text), expected);
    }

    void DXCC_data()
    {
        QTest::addColumn<QString>("country");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");
        QTest::newRow("United States") << "United States" << 291 << "291";
        QTest::newRow("Canada") << "Canada" << 1 << "1";
        QTest::newRow("state code") << "AZ" << 291 << "";
        QTest::newRow("quote in name") << "Cote d'Ivoire'" << 291 << "";
    }

    void DXCC()
    {
        QFETCH(QString, country);
        QFETCH(int, number);
        QFETCH(QString, text);
        TTestHome home;
        home.PrepareWorkFolder();
        TDM dm;
        dm.OpenConfig(home.Work() + QStringLiteral("config.db"));
        QCOMPARE(GetDXCC(dm, country), number);
        QCOMPARE(GetDXCCText(dm, country), text);
    }

    void Download()
    {
        TTestHttpServer server;
        QVERIFY(server.Listen());
        server.SetHandler([](const TTestHttpServer::TRequest& r) {
            TTestHttpServer::TResponse response;
            if (r.path == QStringLiteral("/1010.dat")) {
                response.body = "W1AW,1\r\nK2XYZ,2\r\n";
            } else if (r.path == QStringLiteral("/moved")) {
                response.status = 302;
                response.headers.insert("Location", "/1010.dat");
            } else {
                response.status = 404;
                response.body = "<html>Not Found</html>";
            }
            return response;
        });
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("1010.dat"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old contents");
        old.close();

        DownloadFile(server.Url(QStringLiteral("/moved")).toString(), path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("W1AW,1\r\nK2XYZ,2\r\n"));
        QCOMPARE(server.Requests().first().headers.value(QStringLiteral("cache-control")),
                 QStringLiteral("no-cache"));
    }

    // An error page is a failed download, not the file; the error names the address.
    void DownloadFailures_data()
    {
        QTest::addColumn<bool>("reachable");
        QTest::addColumn<QString>("reason");
        QTest::newRow("404") << true << QStringLiteral("the server answered 404 Error");
        QTest::newRow("unreachable") << false << QStringLiteral("Connection refused");
    }

    void DownloadFailures()
    {
        QFETCH(bool, reachable);
        QFETCH(QString, reason);
        TTestHttpServer server;
        QVERIFY(server.Listen());
        QString url = server.Url(QStringLiteral("/missing.dat")).toString();
        if (!reachable) {
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
            url = QStringLiteral("http://127.0.0.1:%1/missing.dat").arg(closed.serverPort());
            closed.close();
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("missing.dat"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("earlier download");
        old.close();
        try {
            DownloadFile(url, path);
            QFAIL("no error raised");
        } catch (const EVantrel& e) {
            QCOMPARE(e.Message(), QStringLiteral("Error downloading URL: %1 (%2)").arg(url, reason));
        }
        // The earlier download is kept.
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("earlier download"));
    }

    // A download that arrives but cannot be written (full disk) keeps the earlier file and says why.
    void DownloadToFullDisk()
    {
        TSmallDisk disk;
        if (!disk.IsMounted()) {
            QSKIP(qPrintable(disk.Reason()));
        }
        TTestHttpServer server;
        QVERIFY(server.Listen());
        server.SetHandler([](const TTestHttpServer::TRequest&) {
            TTestHttpServer::TResponse response;
            response.body = "W1AW,1\r\nK2XYZ,2\r\n";
            return response;
        });
        const QString path = disk.Path() + QStringLiteral("1010.dat");
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("earlier download");
        old.close();
        QVERIFY(disk.Fill());
        const QString url = server.Url(QStringLiteral("/1010.dat")).toString();
        try {
            DownloadFile(url, path);
            QFAIL("no error raised");
        } catch (const EVantrel& e) {
            QCOMPARE(
                e.Message(),
                QStringLiteral("Error downloading URL: %1 (unable to write to %2: No space left on device)")
                    .arg(url, path));
        }
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("earlier download"));
    }

    // A body larger than the limit, announced or endless, stops the transfer with a clear error; no part
    // of it is written to a file.
    void BodyLimit_data()
    {
        QTest::addColumn<bool>("endless");
        QTest::addColumn<qint64>("limit");
        QTest::newRow("endless body") << true << qint64(256 * 1024);
        QTest::newRow("announced length over the limit") << false << qint64(1024 * 1024);
    }

    void BodyLimit()
    {
        QFETCH(bool, endless);
        QFETCH(qint64, limit);
        TTestHttpServer server;
        QVERIFY(server.Listen());
        server.SetHandler([&](const TTestHttpServer::TRequest&) {
            TTestHttpServer::TResponse response;
            response.body = endless ? QByteArray("W1AW,1\r\n").repeated(1000) : QByteArray(limit + 1, 'x');
            response.endless = endless;
            return response;
        });
        const QString url = server.Url(QStringLiteral("/1010.dat")).toString();
        const QString limitText = limit == 1024 * 1024 ? QStringLiteral("1 MB") : QStringLiteral("256 kB");
        try {
            HttpGet(QUrl(url), 20000, nullptr, limit);
            QFAIL("an oversized body was read");
        } catch (const ENetworkError& e) {
            QCOMPARE(
                e.Message(),
                QStringLiteral("The reply from %1 is larger than %2; it was not read").arg(url, limitText));
        }
        QVERIFY2(server.StreamedBytes() < 16 * 1024 * 1024,
                 qPrintable(QString::number(server.StreamedBytes())));
        // Exactly at the limit is fine.
        if (!endless) {
            server.SetHandler([&](const TTestHttpServer::TRequest&) {
                TTestHttpServer::TResponse response;
                response.body = QByteArray(limit, 'x');
                return response;
            });
            QCOMPARE(HttpGet(QUrl(url), 20000, nullptr, limit).size(), limit);
            return;
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("1010.dat"));
        QVERIFY_THROWS_EXCEPTION(EVantrel, DownloadFile(url, path, 20000, limit));
        QVERIFY(!QFile::exists(path));
    }

    void FileVersion()
    {
        QCOMPARE(GetFileVersion(QCoreApplication::applicationFilePath()), QStringLiteral("6.2.0.1"));
        QCOMPARE(GetFileVersion(QCoreApplication::applicationDirPath() + QStringLiteral("/config.db")),
                 QString());
        QCOMPARE(GetFileVersion(QStringLiteral("/no/such/file")), QString());
    }

    void CentredBox_data()
    {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QSize>("box");
        QTest::addColumn<QPoint>("topLeft");
        QTest::newRow("smaller box") << QRect(100, 50, 800, 600) << QSize(301, 100) << QPoint(349, 300);
        QTest::newRow("box wider than window")
            << QRect(10, 10, 200, 100) << QSize(401, 301) << QPoint(-90, -90);
    }

    void CentredBox()
    {
        QFETCH(QRect, window);
        QFETCH(QSize, box);
        QFETCH(QPoint, topLeft);
        QCOMPARE(CenteredTopLeft(window, box), topLeft);
    }
};

VANTREL_TEST(TestMyFunc)
#include "tst_MyFunc.moc"
