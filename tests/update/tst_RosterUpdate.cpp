#include "app/TfrmMain.h"
#include "common/TPeer.h"
#include "common/TScriptedPrompts.h"
#include "common/TSmallDisk.h"
#include "common/TTestHome.h"
#include "common/TTestHttpServer.h"
#include "common/TestRegistry.h"
#include "data/TDM.h"
#include "data/TSettings.h"
#include "update/RosterUpdate.h"
#include "update/TfrmDataUpdate.h"
#include "update/UpdateSettings.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

const QString kP070Path = QStringLiteral("/spreadsheets/d/1Abc-Doc_Id/gviz/tq");

// The rosters as the clubs publish them.
const QByteArray kTenTen = "12345,K1ABC,2\r\n"
                           "23456,W1AW,1\r\n"
                           "34567,N0O'BR,1\r\n"
                           "45678,VE3XYZ,0\r\n";
const QByteArray kVP = "VP,Call,TenTen\r\n"
                       "0042,K1ABC,12345\r\n"
                       "43,W1AW,23456\r\n"
                       "44,NOTLISTED,99999\r\n";
const QByteArray kEPC = "EPC Membership\r\n"
                        "EPC # 007 K1ABC EPC # 8 -\r\n"
                        "EPC # 9 W1AW\r\n";
const QByteArray kP070 = "\"Number\",\"Call\",\"Name\"\n"
                         "\"123\",\"K1ABC\",\"x\"\n"
                         "\"124\",\"W1\\AW\",\"y\"\n";

// A work folder with the shipped config.db, the roster settings pointing at a local server that serves
// the four files, and the dialog over them.
struct TRosterFixture
{
    TTestHome home;
    TTestHttpServer server;
    TScriptedPrompts prompts;
    TDM dm;
    std::unique_ptr<TSettings> settings;
    QMap<QString, TTestHttpServer::TResponse> files;

    TRosterFixture()
    {
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        home.PrepareWorkFolder();
        dm.OpenConfig(home.Work() + QStringLiteral("config.db"));
        settings = std::make_unique<TSettings>(home.Work() + QStringLiteral("Vantrel.cfg"));
        server.Listen();
        server.SetHandler([this](const TTestHttpServer::TRequest& request) {
            TTestHttpServer::TResponse response = files.value(request.path);
            if (!files.contains(request.path)) {
                response.status = 404;
                response.body = "<html>Not Found</html>";
            }
            return response;
        });
        settings->SaveSetting(SettingKeys::RosterServer, server.Url(QString()).toString() + '/');
        settings->SaveSetting(SettingKeys::EPCServer, server.Url(QString()).toString());
        settings->SaveSetting(SettingKeys::P070Url, server.Url(kP070Path).toString() +
                                                        QStringLiteral("?tqx=out:csv&sheet=Members_List"));
        Serve(kTenTen, kVP, kEPC, kP070);
    }

    void Serve(const QByteArray& tenten, const QByteArray& vp, const QByteArray& epc, const QByteArray& p070)
    {
        files[QStringLiteral("/download/1010.csv")].body = tenten;
        files[QStringLiteral("/download/vp.csv")].body = vp;
        files[QStringLiteral("/documents/epc.txt")].body = epc;
        files[kP070Path].body = p070;
    }

    // Every row of a roster table in key order, the columns joined with "|".
    QStringList Rows(const QString& table)
    {
        const QString columns = table == QStringLiteral("tenten") ? QStringLiteral("pkey,callsign,ten,vp")
                                                                  : QStringLiteral("pkey,callsign,number");
        QSqlQuery q(dm.conConfig());
        if (!q.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY pkey").arg(columns, table))) {
            return {QStringLiteral("failed")};
        }
        QStringList rows;
        while (q.next()) {
            QStringList values;
            for (int i = 0; i < q.record().count(); ++i) {
                values << (q.value(i).isNull() ? QStringLiteral("NULL") : q.value(i).toString());
            }
            rows << values.join('|');
        }
        return rows;
    }

    // Presses OK on a new dialog with the given boxes ticked; returns the dialog for inspection.
    std::unique_ptr<TfrmDataUpdate> Run(bool tenten = true, bool vp = true, bool epc = true, bool p070 = true)
    {
        auto dialog = std::make_unique<TfrmDataUpdate>(dm, *settings, prompts);
        dialog->show();
        dialog->findChild<QCheckBox*>(QStringLiteral("cbTenTen"))->setChecked(tenten);
        dialog->findChild<QCheckBox*>(QStringLiteral("cbVP"))->setChecked(vp);
        dialog->findChild<QCheckBox*>(QStringLiteral("cbEPC"))->setChecked(epc);
        dialog->findChild<QCheckBox*>(QStringLiteral("cbP070"))->setChecked(p070);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
        return dialog;
    }
};

// A Ten-Ten roster of the given size and a VP file giving every member a VP number, in the work folder as
// downloaded; the prefix tells one generation of the rosters from another.
void WriteTenTenAndVP(const QString& work, const QByteArray& prefix, int members)
{
    QByteArray tenten;
    QByteArray vp = "VP,Call,TenTen\r\n";
    for (int i = 1; i <= members; ++i) {
        const QByteArray call = prefix + QByteArray::number(i);
        tenten += QByteArray::number(i) + ',' + call + ",1\r\n";
        vp += QByteArray::number(10000 + i) + ',' + call + ',' + QByteArray::number(i) + "\r\n";
    }
    for (const auto& [name, bytes] :
         {std::pair{QStringLiteral("1010.dat"), tenten}, {QStringLiteral("vp.dat"), vp}}) {
        QFile file(work + name);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
}

// Members, members with a VP number and the first call sign of `tenten`, read by a connection of its own.
QString TenTenState(const QString& db)
{
    QString state = QStringLiteral("unreadable");
    {
        QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("roster-state"));
        c.setDatabaseName(db);
        QSqlQuery q(c);
        if (c.open() && q.exec(QStringLiteral("SELECT count(*), count(vp), min(callsign) FROM tenten")) &&
            q.next()) {
            state = QStringLiteral("%1 members, %2 VP, first %3")
                        .arg(q.value(0).toInt())
                        .arg(q.value(1).toInt())
                        .arg(q.value(2).toString());
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("roster-state"));
    return state;
}

bool Shown(const TfrmDataUpdate& dialog, const char* name)
{
    return dialog.findChild<QWidget*>(QString::fromLatin1(name))->isVisibleTo(&dialog);
}

} // namespace

// The roster update dialog against a local server: what each roster stores, how bad lines, failed
// downloads and database errors leave the rosters, and what the operator sees.
class TestRosterUpdate : public QObject
{
    Q_OBJECT

private slots:
    void InitialState()
    {
        TRosterFixture f;
        TfrmDataUpdate dialog(f.dm, *f.settings, f.prompts);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Data Update"));
        for (const char* box : {"cbTenTen", "cbVP", "cbEPC", "cbP070"}) {
            QVERIFY(dialog.findChild<QCheckBox*>(QString::fromLatin1(box))->isChecked());
        }
        for (const char* hidden : {"lblTenComplete", "lblVPComplete", "lblEPCComplete", "lblP070Complete",
                                   "pb10", "pbvp", "pbepc", "pb070"}) {
            QVERIFY2(!Shown(dialog, hidden), hidden);
        }
        const auto* label = dialog.findChild<QLabel*>(QStringLiteral("lblTenComplete"));
        QCOMPARE(label->text(), QStringLiteral("Completed"));
        QVERIFY(label->font().bold());
    }

    void AllFourRosters()
    {
        TRosterFixture f;
        f.prompts.AnswerMessage(MsgButton::OK);
        const auto dialog = f.Run();
        QCOMPARE(f.prompts.Messages(), QStringList{QStringLiteral("Update is now complete")});
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QVERIFY(!dialog->isVisible());
        QCOMPARE(f.Rows(QStringLiteral("tenten")),
                 (QStringList{"1|k1abc|12345|42", "2|W1AW|23456|43", "3|N0O'BR|34567|NULL",
                              "4|VE3XYZ|45678|NULL"}));
        QCOMPARE(f.Rows(QStringLiteral("epc")), (QStringList{"1|K1ABC|7", "2|W1AW|9"}));
        QCOMPARE(f.Rows(QStringLiteral("p070")), (QStringList{"1|K1ABC|123", "2|W1AW|124"}));
        QVERIFY(dialog->TenComplete() && dialog->VPComplete() && dialog->EPCComplete() &&
                dialog->P070Complete());
        for (const char* label : {"lblTenComplete", "lblVPComplete", "lblEPCComplete", "lblP070Complete"}) {
            QVERIFY2(Shown(*dialog, label), label);
        }
        const auto* bar = dialog->findChild<QProgressBar*>(QStringLiteral("pb10"));
        QVERIFY(Shown(*dialog, "pb10"));
        QCOMPARE(bar->maximum(), 4);
        QCOMPARE(bar->value(), 4);
        // The EPC download is kept, rewritten.
        QFile epc(f.home.Work() + QStringLiteral("epc1.dat"));
        QVERIFY(epc.open(QIODevice::ReadOnly));
        QCOMPARE(epc.readAll(), QByteArray("K1ABC,7\nW1AW,9\n"));
        // The 070 address went out with its query.
        bool sawQuery = false;
        for (const auto& request : f.server.Requests()) {
            sawQuery |= request.path == kP070Path &&
                        request.query == QStringLiteral("tqx=out:csv&sheet=Members_List");
        }
        QVERIFY(sawQuery);
    }

    // A reload starts the keys at 1 again; a Ten-Ten load alone leaves every VP number empty.
    void ReloadTenTenOnly()
    {
        TRosterFixture f;
        f.prompts.AnswerMessage(MsgButton::OK);
        f.Run();
        f.Serve("50000,K7NEW,1\n", kVP, kEPC, kP070);
        f.prompts.AnswerMessage(MsgButton::OK);
        const auto dialog = f.Run(true, false, false, false);
        QCOMPARE(f.Rows(QStringLiteral("tenten")), QStringList{"1|K7NEW|50000|NULL"});
        QCOMPARE(f.Rows(QStringLiteral("epc")).size(), 2);
        QVERIFY(!Shown(*dialog, "lblVPComplete"));
        QVERIFY(Shown(*dialog, "lblTenComplete"));
    }

    void NoBoxTicked()
    {
        TRosterFixture f;
        f.prompts.AnswerMessage(MsgButton::OK);
        const auto dialog = f.Run(false, false, false, false);
        QCOMPARE(f.prompts.Messages(), QStringList{QStringLiteral("Update is now complete")});
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QVERIFY(f.server.Requests().isEmpty());
    }

    void CancelChangesNothing()
    {
        TRosterFixture f;
        TfrmDataUpdate dialog(f.dm, *f.settings, f.prompts);
        dialog.show();
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("Button2")), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
        QVERIFY(f.server.Requests().isEmpty());
    }

    // Damaged lines are left out and counted in the closing message; the good lines load.
    void BadLinesSkippedAndCounted()
    {
        TRosterFixture f;
        f.Serve("12345,K1ABC,2\n"
                "23456,W1AW\n"
                "\n"
                "34567,N0XX,1\n",
                "VP,Call,TenTen\n"
                ",K1ABC,12345\n"
                "1,x,1 OR 1=1; DROP TABLE tenten\n"
                "43,W1AW,34567\n",
                kEPC, "\"123\",\"K1ABC\"\n\"124\"\n");
        f.prompts.AnswerMessage(MsgButton::OK);
        const auto dialog = f.Run();
        QCOMPARE(f.prompts.Messages(), QStringList{QStringLiteral("Update is now complete\n\n"
                                                                  "Ten-Ten roster: 1 damaged line skipped\n"
                                                                  "VP roster: 2 damaged lines skipped\n"
                                                                  "070 roster: 1 damaged line skipped")});
        QCOMPARE(f.Rows(QStringLiteral("tenten")), (QStringList{"1|k1abc|12345|NULL", "2|N0XX|34567|43"}));
        QCOMPARE(f.Rows(QStringLiteral("p070")), QStringList{"1|K1ABC|123"});
        const auto* bar = dialog->findChild<QProgressBar*>(QStringLiteral("pbvp"));
        QCOMPARE(bar->value(), 4);
    }

    // A download that fails (an error status, a server that is gone) changes no roster at all: every
    // file is fetched before any table is touched, so the Ten-Ten roster keeps its VP numbers too.
    void FailedDownloadKeepsRosters_data()
    {
        QTest::addColumn<QString>("failing");
        QTest::newRow("vp not found") << QStringLiteral("/download/vp.csv");
        QTest::newRow("070 not found") << kP070Path;
        QTest::newRow("ten-ten not found") << QStringLiteral("/download/1010.csv");
    }

    void FailedDownloadKeepsRosters()
    {
        QFETCH(QString, failing);
        TRosterFixture f;
        f.prompts.AnswerMessage(MsgButton::OK);
        f.Run();
        const QStringList tenten = f.Rows(QStringLiteral("tenten"));
        const QStringList epc = f.Rows(QStringLiteral("epc"));
        const QStringList p070 = f.Rows(QStringLiteral("p070"));
        f.Serve("1,NEW,1\n", "9,NEW,1\n", "EPC # 1 NEW\n", "1,NEW\n");
        f.files.remove(failing);
        f.prompts.AnswerMessage(MsgButton::OK);
        const auto dialog = f.Run();
        QCOMPARE(f.prompts.Records().last().kind, MsgKind::Error);
        const QString url = failing == kP070Path ? f.settings->GetSetting(SettingKeys::P070Url, QString())
                                                 : f.server.Url(failing).toString();
        QCOMPARE(f.prompts.Messages().last(),
                 QStringLiteral("Error downloading URL: %1 (the server answered 404 Error)").arg(url));
        QVERIFY(dialog->isVisible());
        QVERIFY(!Shown(*dialog, "lblTenComplete"));
        QCOMPARE(f.Rows(QStringLiteral("tenten")), tenten);
        QCOMPARE(f.Rows(QStringLiteral("epc")), epc);
        QCOMPARE(f.Rows(QStringLiteral("p070")), p070);
        QVERIFY(dialog->findChild<QPushButton*>(QStringLiteral("Button1"))->isEnabled());
    }

    // A reply that is not the roster it should be (an error page served with status 200, an empty body,
    // random bytes, text of another kind) is refused before any roster is touched, and the message names
    // the file and what is wrong instead of claiming success.
    void NotARosterRefused_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("problem");
        QByteArray random;
        QRandomGenerator rng(1010);
        for (int i = 0; i < 200 * 1024; ++i) {
            random += char(rng.bounded(256));
        }
        QByteArray printable;
        for (int i = 0; i < 20000; ++i) {
            printable += i % 97 == 0 ? char('\n') : char(' ' + rng.bounded(95));
        }
        QTest::newRow("Ten-Ten: HTML page")
            << QStringLiteral("/download/1010.csv")
            << QByteArray("\r\n<!DOCTYPE html>\n<html><body><p>12345,K1ABC,1</p></body></html>\n")
            << QStringLiteral("1010.dat|Ten-Ten|it is a web page or other markup, not a list of members");
        QTest::newRow("Ten-Ten: empty body") << QStringLiteral("/download/1010.csv") << QByteArray()
                                             << QStringLiteral("1010.dat|Ten-Ten|the file is empty");
        QTest::newRow("Ten-Ten: random bytes") << QStringLiteral("/download/1010.csv") << random
                                               << QStringLiteral("1010.dat|Ten-Ten|it is not a text file");
        QTest::newRow("Ten-Ten: random text")
            << QStringLiteral("/download/1010.csv") << printable
            << QStringLiteral("1010.dat|Ten-Ten|none of its 208 lines is a member");
        QTest::newRow("VP: no usable line")
            << QStringLiteral("/download/vp.csv")
            << QByteArray("VP,Call,TenTen\nSorry, the list is being updated.\n")
            << QStringLiteral("vp.dat|VP|none of its 2 lines is a member");
        QTest::newRow("EPC: a notice") << QStringLiteral("/documents/epc.txt")
                                       << QByteArray("Members only\nPlease log in to see the roster\n")
                                       << QStringLiteral("epc1.dat|EPC|none of its 2 lines is a member");
        QTest::newRow("070: far more foreign lines than members")
            << kP070Path << QByteArray("\"1\",\"K1ABC\"\nerror,x\nerror,y\nerror,z\n")
            << QStringLiteral("p070.dat|070|only 1 of its 4 lines are members");
        QTest::newRow("070: random text")
            << kP070Path << printable << QStringLiteral("p070.dat|070|none of its 208 lines is a member");
    }

    void NotARosterRefused()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        QFETCH(QString, problem);
        TRosterFixture f;
        f.prompts.AnswerMessage(MsgButton::OK);
        f.Run();
        const QStringList tenten = f.Rows(QStringLiteral("tenten"));
        const QStringList epc = f.Rows(QStringLiteral("epc"));
        const QStringList p070 = f.Rows(QStringLiteral("p070"));
        f.prompts.Clear();
        f.Serve("1,NEW,1\n", "9,NEW,1\n", "EPC # 1 NEW\n", "1,NEW\n");
        f.files[path].body = body;
        f.prompts.AnswerMessage(MsgButton::OK);
        const auto dialog = f.Run();
        const QStringList parts = problem.split('|');
        const QString url = path == kP070Path ? f.settings->GetSetting(SettingKeys::P070Url, QString())
                                              : f.server.Url(path).toString();
        QCOMPARE(f.prompts.Messages(),
                 QStringList{
                     QStringLiteral("%1, downloaded from %2, is not the %3 roster: %4.\n"
                                    "No roster was changed.")
                         .arg(QDir::toNativeSeparators(f.home.Work() + parts[0]), url, parts[1], parts[2])});
        QCOMPARE(f.prompts.Records().last().kind, MsgKind::Error);
        QVERIFY(dialog->isVisible());
        QCOMPARE(f.Rows(QStringLiteral("tenten")), tenten);
        QCOMPARE(f.Rows(QStringLiteral("epc")), epc);
        QCOMPARE(f.Rows(QStringLiteral("p070")), p070);
        for (const char* label : {"lblTenComplete", "lblVPComplete", "lblEPCComplete", "lblP070Complete"}) {
            QVERIFY2(!Shown(*dialog, label), label);
        }
    }

    // A database error halfway through a roster rolls the whole load back: the old rows, their keys and
    // the key counter are as they were.
    void DatabaseErrorRollsBack()
    {
        TRosterFixture f;
        f.prompts.AnswerMessage(MsgButton::OK);
        f.Run();
        const QStringList before = f.Rows(QStringLiteral("tenten"));
        QSqlQuery q(f.dm.conConfig());
        QVERIFY(
            q.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON tenten WHEN NEW.callsign='BOOM' "
                                  "BEGIN SELECT RAISE(ABORT, 'member refused'); END")));
        f.Serve("1,NEW1,1\n2,BOOM,1\n3,NEW3,1\n", kVP, kEPC, kP070);
        f.prompts.AnswerMessage(MsgButton::OK);
        const auto dialog = f.Run(true, false, false, false);
        QCOMPARE(f.prompts.Messages().last(), QStringLiteral("member refused"));
        QVERIFY(dialog->isVisible());
        QCOMPARE(f.Rows(QStringLiteral("tenten")), before);
        QVERIFY(q.exec(QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name='tenten'")) && q.next());
        QCOMPARE(q.value(0).toInt(), 4);
    }

    // The Ten-Ten roster and its VP numbers change together or not at all: a process killed after the
    // Ten-Ten lines and the first VP line leaves both as they were.
    void KillKeepsTenTenWithVP()
    {
        TTestHome home;
        home.PrepareWorkFolder();
        const QString db = home.Work() + QStringLiteral("config.db");
        WriteTenTenAndVP(home.Work(), "OLD", 300);
        {
            TDM dm;
            dm.OpenConfig(db);
            LoadRosters(dm, {TRoster::TenTen, TRoster::VP});
        }
        const QString before = TenTenState(db);
        QCOMPARE(before, QStringLiteral("300 members, 300 VP, first OLD1"));
        WriteTenTenAndVP(home.Work(), "NEW", 300);
        QProcess peer;
        TPeer::Start(peer, {QStringLiteral("rosters"), db});
        QVERIFY(TPeer::WaitForLine(peer, "loading"));
        peer.kill();
        QVERIFY(peer.waitForFinished(10000));
        QCOMPARE(TenTenState(db), before);
        // The next update loads the new rosters whole.
        {
            TDM dm;
            dm.OpenConfig(db);
            LoadRosters(dm, {TRoster::TenTen, TRoster::VP});
        }
        QCOMPARE(TenTenState(db), QStringLiteral("300 members, 300 VP, first NEW1"));
    }

    // However little room the disk has left, an update leaves either the old Ten-Ten roster with its VP
    // numbers or the new one with its own, never the new roster without VP numbers.
    void FullDiskKeepsTenTenWithVP()
    {
        TSmallDisk disk(4096);
        if (!disk.IsMounted()) {
            QSKIP(qPrintable(disk.Reason()));
        }
        TTestHome home;
        home.PrepareWorkFolder();
        const QString db = disk.Path() + QStringLiteral("config.db");
        QVERIFY(QFile::copy(home.Work() + QStringLiteral("config.db"), db));
        WriteTenTenAndVP(home.Work(), "OLD", 3000);
        {
            TDM dm;
            dm.OpenConfig(db);
            LoadRosters(dm, {TRoster::TenTen, TRoster::VP});
        }
        const QString before = TenTenState(db);
        const QString after = QStringLiteral("3000 members, 3000 VP, first NEW1");
        const QString baseline = home.Root() + QStringLiteral("/baseline.db");
        QVERIFY(QFile::copy(db, baseline));
        WriteTenTenAndVP(home.Work(), "NEW", 3000);
        int failures = 0;
        for (qint64 room = 0;; room += 8 * 1024) {
            QVERIFY2(room < 3 * 1024 * 1024, "the update never succeeded");
            for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
                QFile::remove(db + suffix);
            }
            QVERIFY(QFile::copy(baseline, db));
            QVERIFY(disk.FillLeaving(room));
            QString error;
            try {
                TDM dm;
                dm.OpenConfig(db);
                LoadRosters(dm, {TRoster::TenTen, TRoster::VP});
            } catch (const EVantrel& e) {
                error = e.Message();
            }
            disk.Free();
            const QString state = TenTenState(db);
            QVERIFY2(state == before || state == after,
                     qPrintable(QStringLiteral("%1 bytes free: %2 (%3)").arg(room).arg(state, error)));
            if (error.isEmpty()) {
                QCOMPARE(state, after);
                break;
            }
            ++failures;
        }
        // The disk was too full at first, so the failure was met on the way.
        QVERIFY(failures > 0);
    }

    // File > Update Data Files (Ctrl+D) opens a new dialog over the main window each time.
    void MenuOpensTheDialog()
    {
        TRosterFixture f;
        f.home.WriteSettings({QStringLiteral("Grid=FN31PR")});
        TfrmMain window(f.prompts);
        window.show();
        auto* action = window.findChild<QAction*>(QStringLiteral("mnuUpdateDataFiles"));
        QCOMPARE(action->shortcut(), QKeySequence(QStringLiteral("Ctrl+D")));
        for (int i = 0; i < 2; ++i) {
            QString title;
            bool ticked = false;
            QTimer::singleShot(0, [&] {
                QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
                auto* dialog = qobject_cast<TfrmDataUpdate*>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                QCOMPARE(dialog->parentWidget(), &window);
                title = dialog->windowTitle();
                ticked = dialog->findChild<QCheckBox*>(QStringLiteral("cbVP"))->isChecked();
                dialog->findChild<QCheckBox*>(QStringLiteral("cbVP"))->setChecked(false);
                QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Button2")), Qt::LeftButton);
            });
            action->trigger();
            QCOMPARE(title, QStringLiteral("Data Update"));
            QVERIFY(ticked);
        }
        QVERIFY(f.server.Requests().isEmpty());
        window.close();
    }

    void UnsetServerNamesTheKey_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("tenten");
        QTest::addColumn<bool>("epc");
        QTest::newRow("roster server") << SettingKeys::RosterServer << true << false;
        QTest::newRow("epc server") << SettingKeys::EPCServer << false << true;
    }

    void UnsetServerNamesTheKey()
    {
        QFETCH(QString, key);
        QFETCH(bool, tenten);
        QFETCH(bool, epc);
        TRosterFixture f;
        f.settings->SaveSetting(key, QString());
        f.prompts.AnswerMessage(MsgButton::OK);
        f.Run(tenten, false, epc, false);
        const QString message = f.prompts.Messages().last();
        QVERIFY2(message.contains(key + QStringLiteral("=")) &&
                     message.contains(QStringLiteral("Vantrel.cfg")),
                 qPrintable(message));
        QVERIFY(f.server.Requests().isEmpty());
    }
};

VANTREL_TEST(TestRosterUpdate)
#include "tst_RosterUpdate.moc"
