#include "app/AppFixture.h"
#include "common/TestRegistry.h"
#include "feeds/TFeedQueue.h"
#include "feeds/TLoggingServer.h"
#include "gui/feeds/TInputDialog.h"

#include <QAction>
#include <QLabel>
#include <QRadioButton>
#include <QScopeGuard>
#include <QToolButton>
#include <QUdpSocket>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

const QString kInvalidPort = QStringLiteral("Invalid port number, action terminated");

// A main window with a log open and the logging server listening on a free port of its own.
struct TServerFixture : TAppFixture
{
    QUdpSocket sender;

    explicit TServerFixture(const QString& event = QStringLiteral("Winter Phone"))
    {
        NewLog(QStringLiteral("N0CALL"), event);
        window->ClearEntries();
        window->StationLinks().SetServerPort(0);
        window->StationLinks().SetServerEnable(true);
    }

    // Sends datagrams from another socket and waits until the window has handled them all (a marker
    // command sent last has arrived).
    void Send(const QList<QByteArray>& datagrams)
    {
        TLoggingServer& server = window->StationLinks().Server();
        const qint64 before = server.Received();
        for (const QByteArray& d : datagrams) {
            sender.writeDatagram(d, QHostAddress::LocalHost, server.LocalPort());
        }
        QTRY_VERIFY(server.Received() >= before + datagrams.size());
        QTRY_VERIFY(server.IsIdle());
    }

    // call|name|tenten|vp|mode|epc|070|US or DX|qth|county
    QString Form() const
    {
        return QStringList{Edit("txtCallsign")->text(),
                           Edit("txtName")->text(),
                           Edit("txtTenTen")->text(),
                           Edit("txtVP")->text(),
                           Combo("cboMode")->currentText(),
                           Edit("txtEPC")->text(),
                           Edit("txtP070")->text(),
                           Find<QRadioButton>("rbUS")->isChecked() ? QStringLiteral("US")
                                                                   : QStringLiteral("DX"),
                           Combo("cboQTH")->currentText(),
                           Combo("cboCounty")->currentText()}
            .join(QLatin1Char('|'));
    }

    QStringList LoggedCalls() const
    {
        QStringList calls;
        QSqlQuery q(window->DM().condb());
        q.exec(QStringLiteral("select _call from \"%1\" order by pkey").arg(window->Mysettings().TableName));
        while (q.next()) {
            calls << q.value(0).toString();
        }
        return calls;
    }
};

// Another program flooding the port from a thread of its own, as fast as the system takes datagrams, for
// a while of wall-clock time.
void Flood(quint16 port, const QByteArray& datagram, std::chrono::milliseconds length)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const auto end = std::chrono::steady_clock::now() + length;
    while (std::chrono::steady_clock::now() < end) {
        ::sendto(fd, datagram.constData(), size_t(datagram.size()), 0, reinterpret_cast<sockaddr*>(&to),
                 sizeof to);
    }
    ::close(fd);
}

} // namespace

// The logging server: real datagrams on 127.0.0.1 filling the entry form and logging contacts.
class TestLoggingServer : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void Commands_data()
    {
        QTest::addColumn<QList<QByteArray>>("datagrams");
        QTest::addColumn<QString>("form");
        using L = QList<QByteArray>;
        QTest::newRow("UPDATE, United States")
            << L{"UPDATE:W1AW,Hiram,1234,55,ssb,77,88,United States,ct,HARTFORD"}
            << "W1AW|Hiram|1234|55|SSB|77|88|US|CT|Hartford";
        QTest::newRow("UPDATE, united states in lower case")
            << L{"UPDATE:K7ABC,Ann,,,CW,,,united states,AZ,Pima"} << "K7ABC|Ann|||CW|||US|AZ|Pima";
        QTest::newRow("UPDATE, empty name keeps the positions")
            << L{"UPDATE:K7ABC,,42,,FM,,,United States,AZ,Cochise"} << "K7ABC||42||FM|||US|AZ|Cochise";
        QTest::newRow("UPDATE, bpsk becomes PSK")
            << L{"UPDATE:G4ABC,John,,,bpsk,,,England"} << "G4ABC|John|||PSK|||DX|England|";
        QTest::newRow("UPDATE, unknown mode leaves the box empty")
            << L{"UPDATE:G4ABC,John,,,WSPRX,,,England"} << "G4ABC|John||||||DX|England|";
        QTest::newRow("UPDATE, DX ignores state and county")
            << L{"UPDATE:VE3XX,Bob,,,SSB,,,canada,AZ,Pima"} << "VE3XX|Bob|||SSB|||DX|Canada|";
        QTest::newRow("UPDATE, unknown country")
            << L{"UPDATE:ZZ9ZZ,Bob,,,SSB,,,Atlantis"} << "ZZ9ZZ|Bob|||SSB|||DX||";
        QTest::newRow("FIELD keys") << L{"FIELD:CALL,W1AW",   "FIELD:NAME,Hiram",
                                         "FIELD:TENTEN,1234", "FIELD:VP,55",
                                         "FIELD:EPC,77",      "FIELD:070,88",
                                         "FIELD:MODE,bpsk",   "FIELD:qth,united states,az",
                                         "FIELD:COUNTY,bogus"}
                                    << "W1AW|Hiram|1234|55|bpsk|77|88|US|AZ|";
        QTest::newRow("FIELD qth, a country") << L{"FIELD:qth,england"} << "||||SSB|||DX|England|";
        QTest::newRow("FIELD QTH in upper case is ignored") << L{"FIELD:QTH,England"} << "||||SSB|||US||";
        QTest::newRow("CLEAR") << L{"UPDATE:W1AW,Hiram,1234,55,SSB,77,88,United States,CT,Hartford", "CLEAR"}
                               << "||||SSB|||US||";
        QTest::newRow("datagrams dropped without harm") << L{"UPDATE:W1AW,Hiram",
                                                             "UPDATE",
                                                             "FIELD:CALL",
                                                             "FIELD:qth,United States",
                                                             "FIELD:GRID,FN31",
                                                             "NOISE",
                                                             "",
                                                             "CLEAR\r\n",
                                                             QByteArray("\xff\x00\xfe", 3),
                                                             "FIELD:NAME,Last"}
                                                        << "|Last|||SSB|||US||";
    }

    void Commands()
    {
        QFETCH(QList<QByteArray>, datagrams);
        QFETCH(QString, form);
        TServerFixture f;
        f.Send(datagrams);
        QCOMPARE(f.Form(), form);
        QVERIFY(f.prompts.Messages().isEmpty());
    }

    void FieldStateKeepsTheCountyList()
    {
        TServerFixture f;
        f.Send({"UPDATE:K7ABC,Ann,,,CW,,,United States,AZ,Pima"});
        const int azCounties = f.Combo("cboCounty")->count();
        QVERIFY(azCounties > 0);
        // Unlike UPDATE, FIELD qth does not load the counties of the new state.
        f.Send({"FIELD:qth,United States,CA"});
        QCOMPARE(f.Combo("cboQTH")->currentText(), QStringLiteral("CA"));
        QCOMPARE(f.Combo("cboCounty")->count(), azCounties);
    }

    void LogStoresTheContact()
    {
        TServerFixture f;
        f.Send({"UPDATE:W1AW,Hiram,1234,,SSB,,,United States,CT,Hartford", "LOG\r\n", "log"});
        // Neither "LOG" with a line end nor "log" logs.
        QCOMPARE(f.Rows(f.window->Mysettings().TableName), 0);
        f.Send({"LOG"});
        const QString table = f.window->Mysettings().TableName;
        QCOMPARE(
            f.Scalar(QStringLiteral("select _call||'|'||_name||'|'||_tenten||'|'||_qth||'|'||_uscounty||'|'||"
                                    "_points from \"%1\"")
                         .arg(table))
                .toString(),
            QStringLiteral("W1AW|Hiram|1234|CT|Hartford|2"));
        QCOMPARE(f.window->ctx_with(), 1);
        QCOMPARE(f.window->totalpoints(), 2);
        QCOMPARE(f.Edit("txtCallsign")->text(), QString());
    }

    // A LOG that finds a duplicate, or no open log, opens no box: the contact stays in the form, the
    // status bar's note says why, and the datagrams after it are handled at once. The Log button keeps its
    // box for a typed contact.
    void ProblemsNotedWithoutABox()
    {
        TServerFixture f;
        f.Send({"UPDATE:W1AW,Hiram,1234,,SSB,,,United States,CT,Hartford", "LOG"});
        f.Send({"UPDATE:W1AW,Hiram,1234,,SSB,,,United States,CT,Hartford", "LOG"});
        QCOMPARE(f.Form(), QStringLiteral("W1AW|Hiram|1234||SSB|||US|CT|Hartford"));
        QCOMPARE(f.window->StationLinksRoom().FeedNote(),
                 QStringLiteral("Logging server: W1AW is a duplicate in this log and was not "
                                "logged; it stays in the entry form."));
        f.Send({"CLEAR", "UPDATE:K2XX,Bo,,,CW,,,England", "LOG"});
        QCOMPARE(f.LoggedCalls(), (QStringList{QStringLiteral("W1AW"), QStringLiteral("K2XX")}));
        QCOMPARE(f.prompts.Messages(), QStringList{});
        QCOMPARE(f.window->StationLinksRoom().FeedProblems().size(), 1);

        f.prompts.AnswerMessage(MsgButton::OK);
        f.Type(QStringLiteral("K2XX"));
        f.window->DoLog();
        QCOMPARE(f.prompts.Messages(), QStringList{kDupe});

        TAppFixture noLog;
        noLog.window->StationLinks().SetServerPort(0);
        noLog.window->StationLinks().SetServerEnable(true);
        QUdpSocket sender;
        for (const QByteArray& d : {QByteArray("FIELD:CALL,N0NEW"), QByteArray("LOG")}) {
            sender.writeDatagram(d, QHostAddress::LocalHost,
                                 noLog.window->StationLinks().Server().LocalPort());
        }
        QTRY_COMPARE(noLog.window->StationLinks().Server().Received(), qint64(2));
        QTRY_VERIFY(noLog.window->StationLinks().Server().IsIdle());
        QVERIFY(noLog.window->StationLinksRoom().FeedNote().startsWith(
            QStringLiteral("Logging server: N0NEW was not logged: no log is "
                           "open.")));
        QCOMPARE(noLog.prompts.Messages(), QStringList{});
        // Sent text is shown as written: no keyboard mnemonic, no markup.
        for (const QByteArray& d : {QByteArray("FIELD:CALL,N0&<b>X</b>"), QByteArray("LOG")}) {
            sender.writeDatagram(d, QHostAddress::LocalHost,
                                 noLog.window->StationLinks().Server().LocalPort());
        }
        QTRY_COMPARE(noLog.window->StationLinks().Server().Received(), qint64(4));
        QTRY_VERIFY(noLog.window->StationLinks().Server().IsIdle());
        auto* note = noLog.window->findChild<QToolButton*>(QStringLiteral("lblFeedStatus"));
        QVERIFY2(note->text().contains(QStringLiteral("N0&&<B>X</B> was not logged")),
                 qPrintable(note->text()));
        QVERIFY2(note->toolTip().contains(QStringLiteral("N0&amp;&lt;B&gt;X&lt;/B&gt; was not logged")),
                 qPrintable(note->toolTip()));
    }

    // A flood from another program fills the socket's receive queue; the listener keeps reading, and the
    // contacts sent after it are logged.
    void KeepsReadingAfterAFlood_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::newRow("commands") << QByteArray("CLEAR");
        QTest::newRow("junk") << QByteArray("\x01\x02 not a command at all");
    }
    void KeepsReadingAfterAFlood()
    {
        QFETCH(QByteArray, datagram);
        TServerFixture f;
        const quint16 port = f.window->StationLinks().Server().LocalPort();
        std::atomic<bool> done{false};
        std::thread flood([&] {
            Flood(port, datagram, std::chrono::milliseconds(2500));
            done = true;
        });
        // Joined however the test ends.
        const auto joined = qScopeGuard([&] { flood.join(); });
        QTRY_VERIFY_WITH_TIMEOUT(done, 60000);
        QVERIFY(f.window->StationLinks().Server().Received() > 1000);
        // The rest of the flood, still in the receive queue, is read before a marker sent after it (sent
        // again while the feed queue is still too full to take it).
        const auto marked = [&] {
            f.sender.writeDatagram("FIELD:NAME,after the flood", QHostAddress::LocalHost, port);
            return f.Edit("txtName")->text() == QStringLiteral("after the flood");
        };
        QTRY_VERIFY_WITH_TIMEOUT(marked(), 60000);
        for (const char* d : {"UPDATE:K1AAA,Al,1,,SSB,,,England", "LOG", "UPDATE:K1BBB,Bo,2,,SSB,,,England",
                              "LOG", "UPDATE:K1CCC,Cy,3,,SSB,,,England", "LOG"}) {
            f.sender.writeDatagram(d, QHostAddress::LocalHost, port);
        }
        QTRY_COMPARE_WITH_TIMEOUT(f.LoggedCalls(), (QStringList{"K1AAA", "K1BBB", "K1CCC"}), 60000);
    }

    // What waits is bounded: datagrams that are no command never wait; commands beyond the bound are
    // dropped, and a LOG whose contact lost a command is dropped too, counted and reported, with the form
    // emptied in its place. Nothing that was kept is lost, and a wrong contact is never logged.
    void QueueBounded()
    {
        TServerFixture f;
        TFeedQueue& queue = f.window->StationLinks().FeedQueue();
        queue.SetLimits(6, 1024 * 1024);
        queue.SetHeld(true);
        TLoggingServer& server = f.window->StationLinks().Server();
        QList<QByteArray> datagrams;
        for (const char* call : {"K1AAA", "K1BBB", "K1CCC", "K1DDD", "K1EEE"}) {
            datagrams << QByteArray("UPDATE:") + call + ",Al,1,,SSB,,,England"
                      << "LOG" << QByteArray(60000, 'x');
        }
        for (const QByteArray& d : datagrams) {
            f.sender.writeDatagram(d, QHostAddress::LocalHost, server.LocalPort());
        }
        QTRY_COMPARE(server.Received(), qint64(datagrams.size()));
        QCOMPARE(queue.Size(), qsizetype(7)); // three contacts and the stand-in of the dropped ones
        QCOMPARE(queue.DroppedContacts(), qint64(2));
        QTRY_VERIFY(f.window->StationLinksRoom().FeedNote().startsWith(
            QStringLiteral("2 contact(s) sent by other programs were "
                           "lost")));
        queue.SetHeld(false);
        QTRY_VERIFY(server.IsIdle());
        QCOMPARE(f.LoggedCalls(), (QStringList{"K1AAA", "K1BBB", "K1CCC"}));
        QCOMPARE(f.Edit("txtCallsign")->text(), QString());
        queue.SetLimits(TFeedQueue::kMaxItems, TFeedQueue::kMaxBytes);
        f.Send({"UPDATE:K1FFF,Al,1,,SSB,,,England", "LOG"});
        QCOMPARE(f.LoggedCalls().last(), QStringLiteral("K1FFF"));
        QCOMPARE(f.prompts.Messages(), QStringList{});
    }

    void EnableAndDisable()
    {
        TAppFixture f;
        auto* label = f.Find<QLabel>("lblServerRunning");
        QAction* config = f.Find<QAction>("mnuConfigureServer");
        QAction* enable = f.Find<QAction>("mnuEnableServer");
        QVERIFY(!f.window->StationLinks().ServerEnable());
        QVERIFY(label->isHidden());
        QCOMPARE(label->text(), QStringLiteral("Server Running - 8888"));
        f.window->StationLinks().SetServerPort(0);
        enable->trigger();
        QVERIFY(f.window->StationLinks().ServerEnable());
        QVERIFY(f.window->StationLinks().Server().IsOpen());
        QVERIFY(!label->isHidden());
        QVERIFY(!config->isEnabled());
        QVERIFY(enable->isChecked());
        enable->trigger();
        QVERIFY(!f.window->StationLinks().ServerEnable());
        QVERIFY(!f.window->StationLinks().Server().IsOpen());
        QVERIFY(label->isHidden());
        QVERIFY(config->isEnabled());
        QVERIFY(!enable->isChecked());
    }

    void PortInUse()
    {
        TAppFixture f;
        QUdpSocket other;
        QVERIFY(other.bind(QHostAddress::Any, 0));
        f.window->StationLinks().SetServerPort(other.localPort());
        f.prompts.AnswerMessage(MsgButton::OK);
        f.Find<QAction>("mnuEnableServer")->trigger();
        QCOMPARE(f.prompts.Messages().size(), 1);
        QVERIFY(!f.prompts.Messages().first().isEmpty());
        QVERIFY(!f.window->StationLinks().ServerEnable());
        QVERIFY(f.Find<QLabel>("lblServerRunning")->isHidden());
        QVERIFY(f.Find<QAction>("mnuConfigureServer")->isEnabled());
        QVERIFY(!f.Find<QAction>("mnuEnableServer")->isChecked());
    }

    void ChangePort()
    {
        auto f = std::make_unique<TAppFixture>();
        f->prompts.AnswerInput(QStringLiteral("9000"));
        f->Find<QAction>("mnuConfigureServer")->trigger();
        const auto& input = f->prompts.Records().first();
        QCOMPARE(input.type, TScriptedPrompts::Type::Input);
        QCOMPARE(input.caption, QStringLiteral("Change Server Port"));
        const QStringList lines = input.text.split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines.at(0),
                 QStringLiteral("This option will change the server port from the default of 8888 to"));
        QCOMPARE(lines.at(1),
                 QStringLiteral("a port of your choosing. Make sure you de-conflit your port selection"));
        QCOMPARE(lines.at(2),
                 QStringLiteral("with the list of wel-know and registered port from the extensive list at:"));
        QVERIFY(lines.at(3).startsWith(QStringLiteral("https://")));
        QCOMPARE(input.value, QStringLiteral("8888"));
        QCOMPARE(f->window->StationLinks().ServerPort(), 9000);
        QCOMPARE(f->Find<QLabel>("lblServerRunning")->text(), QStringLiteral("Server Running - 9000"));
        // The next start uses the stored port.
        f->window.reset();
        f->window = std::make_unique<TfrmMain>(f->prompts);
        QCOMPARE(f->window->StationLinks().ServerPort(), 9000);
        QCOMPARE(f->Find<QLabel>("lblServerRunning")->text(), QStringLiteral("Server Running - 9000"));
    }

    void PortDialogForm()
    {
        TInputDialog dialog;
        QString message;
        TAppFixture::OnNextModal([&](QDialog* d) {
            message = d->findChild<QLabel*>(QStringLiteral("StaticText1"))->text();
            QCOMPARE(d->windowTitle(), QStringLiteral("Change Server Port"));
            QVERIFY(!(d->windowFlags() & Qt::WindowCloseButtonHint));
            QCOMPARE(d->findChild<QLineEdit*>(QStringLiteral("edPort"))->text(), QStringLiteral("8888"));
            d->findChild<QLineEdit*>(QStringLiteral("edPort"))->setText(QStringLiteral("9001"));
            d->findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
        });
        QCOMPARE(dialog.Execute(QStringLiteral("Change Server Port"), QStringLiteral("line 1\nline 2"),
                                QStringLiteral("8888")),
                 QStringLiteral("9001"));
        QCOMPARE(message, QStringLiteral("line 1\nline 2"));
        TAppFixture::OnNextModal(
            [](QDialog* d) { d->findChild<QPushButton*>(QStringLiteral("btnCancel"))->click(); });
        QCOMPARE(dialog.Execute(QStringLiteral("Change Server Port"), QString(), QStringLiteral("8888")),
                 QString());
    }

    void InvalidPort_data()
    {
        QTest::addColumn<std::optional<QString>>("answer");
        QTest::newRow("cancel") << std::optional<QString>();
        QTest::newRow("empty") << std::optional<QString>(QString());
        QTest::newRow("not a number") << std::optional<QString>(QStringLiteral("90a0"));
        QTest::newRow("zero") << std::optional<QString>(QStringLiteral("0"));
        QTest::newRow("negative") << std::optional<QString>(QStringLiteral("-5"));
        QTest::newRow("above 65535") << std::optional<QString>(QStringLiteral("65536"));
    }

    void InvalidPort()
    {
        QFETCH(std::optional<QString>, answer);
        TAppFixture f;
        f.prompts.AnswerInput(answer);
        f.prompts.AnswerMessage(MsgButton::OK);
        f.window->StationLinksRoom().mnuServerConfigClick();
        QCOMPARE(f.prompts.Messages(), QStringList{kInvalidPort});
        QCOMPARE(f.prompts.Records().last().kind, MsgKind::Error);
        QCOMPARE(f.window->StationLinks().ServerPort(), 8888);
        QCOMPARE(f.Find<QLabel>("lblServerRunning")->text(), QStringLiteral("Server Running - 8888"));
    }
};

VANTREL_TEST(TestLoggingServer)
#include "tst_LoggingServer.moc"
