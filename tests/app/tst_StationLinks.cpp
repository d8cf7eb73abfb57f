#include "common/TScriptedPrompts.h"
#include "common/TestFiles.h"
#include "common/TestRegistry.h"
#include "process/TProcessFixture.h"

#include "app/IEntryForm.h"
#include "app/TCurrentLog.h"
#include "app/TStationLinks.h"
#include "data/Errors.h"
#include "data/TSettings.h"
#include "feeds/TFeedQueue.h"
#include "feeds/TLoggingServer.h"
#include "lookup/TLookup.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>
#include <functional>

namespace {

// The entry form as the links see it, without a window: what the feeds did to it, in order. A LOG runs
// onLog and answers with outcome.
class TFormRecord : public IEntryForm
{
public:
    QStringList done;
    QString call;
    TLogResult::TOutcome outcome = TLogResult::TOutcome::Logged;
    std::function<void()> onLog;

    void SetField(TField field, const QString& value) override
    {
        if (field == TField::Call) {
            call = value;
        }
        done << QStringLiteral("field %1=%2").arg(int(field)).arg(value);
    }
    void SetModeText(const QString& text) override { done << QStringLiteral("mode ") + text; }
    void SelectMode(const QString& text) override { done << QStringLiteral("mode ") + text; }
    void SelectQTH(const QString& text) override { done << QStringLiteral("qth ") + text; }
    void SelectCounty(const QString& text) override { done << QStringLiteral("county ") + text; }
    void ChooseUS() override { done << QStringLiteral("US"); }
    void ChooseDX() override { done << QStringLiteral("DX"); }
    void QTHClick() override {}
    TLogResult::TOutcome LogContact() override
    {
        done << QStringLiteral("log");
        if (onLog) {
            onLog();
        }
        return outcome;
    }
    QString Call() const override { return call; }
    void ClearForm() override { done << QStringLiteral("clear"); }
    void AutoLookupCall() override {}
    bool AutoLookup() const override { return false; }
};

// The links of a station with an open Winter Phone log and no window, the logging server listening on a
// free port of 127.0.0.1.
struct TLinksFixture
{
    TProcessFixture fix{QStringLiteral("Winter Phone")};
    TSettings settings{fix.home.Work() + QStringLiteral("Vantrel.cfg")};
    TCurrentLog log{fix.dm, fix.own};
    TScriptedPrompts prompts;
    TLookup lookup{fix.dm, settings, prompts};
    TFormRecord form;
    TStationLinks links{fix.dm, settings, log, lookup, form, [] { return QDateTime::currentDateTime(); }};
    QUdpSocket sender;

    TLinksFixture()
    {
        log.SetCurrent();
        links.SetServerPort(0);
        links.SetServerEnable(true);
    }
    void Send(const QByteArray& datagram)
    {
        sender.writeDatagram(datagram, QHostAddress::LocalHost, links.Server().LocalPort());
    }
};

} // namespace

// The links to the station's other programs without a window: datagrams on a real socket, one contact at a
// time, troubles signalled and never thrown.
class TestStationLinks : public QObject
{
    Q_OBJECT

private slots:
    // A LOG of the logging server that the form does not log is said in a problem naming the call; a form
    // that fails is said as well; either way the next datagram is handled.
    void ServerLog_data()
    {
        QTest::addColumn<int>("outcome");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<QString>("problem");

        using O = TLogResult::TOutcome;
        QTest::newRow("logged") << int(O::Logged) << false << QString();
        QTest::newRow("no log")
            << int(O::NoLog) << false
            << "Logging server: K1ABC was not logged: no log is open. Select a log in the "
               "Logs list or create one with File > New.";
        QTest::newRow("duplicate") << int(O::Duplicate) << false
                                   << "Logging server: K1ABC is a duplicate in this log and was not logged; "
                                      "it stays in the entry form.";
        QTest::newRow("form fails") << int(O::Logged) << true << "Logging server: The log is locked";
    }
    void ServerLog()
    {
        QFETCH(int, outcome);
        QFETCH(bool, fails);
        QFETCH(QString, problem);

        TLinksFixture f;
        f.form.outcome = TLogResult::TOutcome(outcome);
        if (fails) {
            f.form.onLog = [] { throw EVantrel(QStringLiteral("The log is locked")); };
        }
        QSignalSpy problems(&f.links, &TStationLinks::Problem);
        f.Send("FIELD:CALL,K1ABC");
        f.Send("LOG");
        f.Send("CLEAR");
        QTRY_COMPARE(f.form.done.size(), 3);
        QCOMPARE(f.form.done, (QStringList{"field 0=K1ABC", "log", "clear"}));
        QCOMPARE(problems.size(), problem.isEmpty() ? 0 : 1);
        if (!problem.isEmpty()) {
            QCOMPARE(problems.at(0).at(0).toString(), problem);
        }
        QVERIFY(!f.links.FeedBusy());
    }

    // While a datagram's contact is being handled (the form's LOG may wait in a box), the feeds are busy:
    // the FLdigi file waits for a later tick and is taken once the datagram is done.
    void BusyFeedHoldsFLdigi()
    {
        TLinksFixture f;
        const QString file = f.fix.home.Work() + QStringLiteral("fldigi-log.adif");
        QVERIFY(WriteTestFile(file, "<QSO_DATE:8>20240615<TIME_ON:6>142305<CALL:5>W7NEW<MODE:3>PSK<EOR>\n"));
        f.links.SetFLDigiSetup(file, false, 1500);
        f.links.SetFLDigiEnable(true);
        // The ticks come from the test.
        f.links.FLDigiTimer()->stop();
        bool busyWhileLogging = false;
        f.form.onLog = [&] {
            busyWhileLogging = f.links.FeedBusy();
            f.links.FLDigiTimerTimer();
        };
        f.Send("LOG");
        QTRY_COMPARE(f.form.done, QStringList{"log"});
        QVERIFY(busyWhileLogging);
        QVERIFY(!f.links.FeedBusy());

        f.links.FLDigiTimerTimer();
        QCOMPARE(f.form.call, QStringLiteral("W7NEW"));
        QVERIFY(f.form.done.contains(QStringLiteral("mode PSK")));
    }
};

VANTREL_TEST(TestStationLinks)
#include "tst_StationLinks.moc"
