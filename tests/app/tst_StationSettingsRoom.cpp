#include "AppFixture.h"
#include "common/TestRegistry.h"
#include "feeds/TLoggingServer.h"
#include "gui/app/TStationSettingsRoom.h"
#include "gui/links/TLinksStrip.h"
#include "settings/StationSettings.h"

#include <QAction>
#include <QUdpSocket>

namespace {

// A UDP port that nothing listens on now.
quint16 FreePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

} // namespace

// The station settings in the main window: the links switched on at start, a value changed in the dialog
// taken up by the running link, and values hand-edited into the settings file that cannot be used.
class TestStationSettingsRoom : public QObject
{
    Q_OBJECT

private slots:
    // The logging server, switched on at start, is moved to another port with the dialog opened by
    // Ctrl+Comma from the call sign field: a datagram sent to the new port arrives.
    void RunningLinkTakesNewPort()
    {
        const quint16 before = FreePort();
        TAppFixture f(
            {QStringLiteral("ServerPort=%1").arg(before), SwitchKey(TStationSwitch::ServerAtStart) + "=1"});
        QVERIFY(f.window->StationLinks().ServerEnable());
        QCOMPARE(f.window->StationLinks().Server().LocalPort(), before);
        TLinksStrip* strip = f.window->StationSettingsRoom().Strip();
        QCOMPARE(strip->State(TLink::Server), TLinkState::Listening);

        f.window->show();
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        f.Edit("txtCallsign")->setFocus();
        quint16 after = FreePort();
        while (after == before) {
            after = FreePort();
        }
        bool typed = false;
        TAppFixture::OnNextModal([&](QDialog* d) {
            d->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(d));
            QTRY_VERIFY(QApplication::focusWidget() && QApplication::focusWidget()->window() == d);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_U, Qt::AltModifier);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_P, Qt::AltModifier);
            QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("txtServerPort"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(QApplication::focusWidget(), QString::number(after));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            typed = true;
        });
        QTest::keyClick(f.Edit("txtCallsign"), Qt::Key_Comma, Qt::ControlModifier);
        QVERIFY(typed);
        QCOMPARE(f.prompts.Messages(), QStringList{});

        QVERIFY(f.window->StationLinks().ServerEnable());
        QCOMPARE(f.window->StationLinks().Server().LocalPort(), after);
        QCOMPARE(f.window->StationLinks().ServerPort(), int(after));
        QVERIFY2(strip->Reason(TLink::Server).contains(QString::number(after)),
                 qPrintable(strip->Reason(TLink::Server)));
        QUdpSocket sender;
        sender.writeDatagram(QByteArray("FIELD:CALL,N0NEW"), QHostAddress::LocalHost, after);
        QTRY_COMPARE(f.window->StationLinks().Server().Received(), qint64(1));
        QTRY_COMPARE(f.Edit("txtCallsign")->text(), QStringLiteral("N0NEW"));
    }

    // A value hand-edited into the settings file that a link cannot use is reported once at start, with
    // its key and the file; the link stays off although it is to be switched on at start, and switching it
    // on by hand is refused with the same reason.
    void BadStoredValueKeepsLinkOff_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("link");
        QTest::addColumn<QString>("keys"); // the switch of the link
        QTest::newRow("server port 0") << "ServerPort=0" << int(TLink::Server) << "F8";
        QTest::newRow("server port 70000") << "ServerPort=70000" << int(TLink::Server) << "F8";
        QTest::newRow("WSJT-X port as text") << "WSJTXPort=twenty" << int(TLink::Wsjtx) << "Ctrl+W";
        QTest::newRow("FLdigi interval 0") << "FldigiFileChekInterval=0" << int(TLink::Fldigi) << "Ctrl+F";
        QTest::newRow("rig port 0") << "RigPort=0" << int(TLink::Rig) << "Ctrl+K";
    }

    void BadStoredValueKeepsLinkOff()
    {
        QFETCH(QString, line);
        QFETCH(int, link);
        QFETCH(QString, keys);
        const TLink which = TLink(link);
        TAppFixture f({line, SwitchKey(StartSwitch(which)) + "=1"});
        const QString key = line.section('=', 0, 0);
        const QString file = f.window->Settings().Path();
        const auto on = [&] {
            switch (which) {
            case TLink::Server:
                return f.window->StationLinks().ServerEnable();
            case TLink::Wsjtx:
                return f.window->StationLinks().WSJTXEnable();
            case TLink::Fldigi:
                return f.window->StationLinks().FLDigiEnable();
            default:
                return f.window->StationLinks().RigControlEnable();
            }
        };
        QVERIFY(!on());
        QCOMPARE(f.prompts.Messages(), QStringList{});
        const QStringList problems = f.window->StationLinksRoom().FeedProblems();
        QCOMPARE(problems.size(), 1);
        QVERIFY2(problems[0].contains(key) && problems[0].contains(file), qPrintable(problems[0]));
        TLinksStrip* strip = f.window->StationSettingsRoom().Strip();
        QCOMPARE(strip->State(which), TLinkState::Off);
        QVERIFY(!strip->Reason(which).isEmpty());
        QVERIFY2(problems[0].endsWith(strip->Reason(which)), qPrintable(strip->Reason(which)));

        // By hand: the switch says why, and the link stays off.
        f.window->show();
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        f.prompts.AnswerMessage(MsgButton::OK);
        QTest::keySequence(f.window.get(), QKeySequence(keys));
        QCOMPARE(f.prompts.Messages().size(), 1);
        QVERIFY2(f.prompts.Messages()[0].contains(key), qPrintable(f.prompts.Messages()[0]));
        QVERIFY(!on());
        QCOMPARE(f.window->StationLinksRoom().FeedProblems().size(), 1);
    }
};

VANTREL_TEST(TestStationSettingsRoom)
#include "tst_StationSettingsRoom.moc"
