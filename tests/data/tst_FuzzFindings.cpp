#include "app/ADIFImport.h"
#include "common/TestRegistry.h"
#include "data/Errors.h"
#include "data/MyFunc.h"
#include "data/TIniFile.h"
#include "feeds/WsjtxMessage.h"
#include "lookup/ArchiveText.h"
#include "lookup/THamQTHxml.h"
#include "lookup/Tqrzxml.h"
#include "lookup/UlsRecords.h"
#include "process/ADIFRecordReader.h"
#include "update/RosterFiles.h"
#include "update/RosterUpdate.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
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

    // The licence import's line reader: lines independent of how the bytes arrive, none over the limit,
    // every record read with a numeric identifier and a call sign.
    static void LicenceLinesCheck(const QByteArray& input)
    {
        constexpr qsizetype maxLine = 256;
        auto lines = [&](qsizetype piece) {
            QList<QByteArray> out;
            TLineSplitter splitter([&](QByteArrayView line) { out << line.toByteArray(); },
                                   [&] { out << QByteArray("<overlong>"); }, maxLine);
            for (qsizetype at = 0; at < input.size(); at += piece) {
                splitter.Feed(QByteArrayView(input.constData() + at, qMin(piece, input.size() - at)));
            }
            splitter.Finish();
            return out;
        };
        const QList<QByteArray> whole = lines(4096);
        QCOMPARE(lines(7), whole);
        QCOMPARE(lines(1), whole);
        QByteArray buffer;
        for (const QByteArray& line : whole) {
            QVERIFY(line.size() <= maxLine);
            TEnRow en;
            TAmRow am;
            THdRow hd;
            const auto numeric = [](QByteArrayView usi) {
                return !usi.isEmpty() && usi.size() <= 18 &&
                       std::all_of(usi.begin(), usi.end(), [](char c) { return c >= '0' && c <= '9'; });
            };
            if (UlsRecords::ParseEn(line, buffer, en)) {
                QVERIFY(numeric(en[LicenceColumns::EnUsi]) && !en[LicenceColumns::EnCallSign].isEmpty());
            }
            if (UlsRecords::ParseAm(line, buffer, am)) {
                QVERIFY(numeric(am[LicenceColumns::AmUsi]) && !am[LicenceColumns::AmCallSign].isEmpty());
            }
            if (UlsRecords::ParseHd(line, buffer, hd)) {
                QVERIFY(numeric(hd[LicenceColumns::HdUsi]) && !hd[LicenceColumns::HdCallSign].isEmpty());
                QVERIFY(!hd[LicenceColumns::HdLicenseStatus].isEmpty());
            }
        }
    }

    // The roster line readers and the check of a downloaded roster: members carry a call sign and whole
    // numbers in plain decimal, the counts add up, a file taken as a roster has a member line.
    static void RosterLinesCheck(const QByteArray& input)
    {
        const QString text = QString::fromUtf8(input);
        const QStringList lines = SplitLines(text);
        const auto plain = [](const QString& number) {
            return IsInteger(number) && QString::number(number.toInt()) == number;
        };
        const auto member = [&](const TRosterEntry& e, bool withCall) {
            return e.kind != TRosterEntry::TKind::Member ||
                   ((!withCall || IsCallsignText(e.callsign)) && plain(e.number));
        };
        for (const QString& line : lines) {
            const TRosterEntry tenten = ParseTenTenLine(line);
            QVERIFY(tenten.kind != TRosterEntry::TKind::Member ||
                    (IsCallsignText(tenten.callsign) && IsInteger(tenten.number.trimmed())));
            const TRosterEntry vp = ParseVPLine(line);
            QVERIFY(member(vp, false) && (vp.kind != TRosterEntry::TKind::Member || plain(vp.tenten)));
            QVERIFY(member(ParseEPCLine(line), true));
            QVERIFY(member(ParseP070Line(line), true));
        }
        qsizetype foreign = -1;
        for (const QString& line : SplitLines(FormatEPCText(lines, &foreign))) {
            QVERIFY(member(ParseEPCLine(line), true));
        }
        QVERIFY(foreign >= 0 && foreign <= lines.size());
        for (const TRoster roster : {TRoster::TenTen, TRoster::VP, TRoster::EPC, TRoster::P070}) {
            const TRosterCount count = CountRoster(roster, text);
            QCOMPARE(count.lines, lines.size());
            QVERIFY(roster == TRoster::EPC || count.members + count.damaged + count.foreign <= count.lines);
            QVERIFY(!RosterProblem(text, count).isEmpty() || count.members > 0);
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
                                                  {QStringLiteral("licencelines"), LicenceLinesCheck},
                                                  {QStringLiteral("rosterlines"), RosterLinesCheck},
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
