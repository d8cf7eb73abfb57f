#include "app/TfrmMain.h"
#include "common/TScriptedPrompts.h"
#include "common/TTestHome.h"
#include "common/TTestHttpServer.h"
#include "common/TestRegistry.h"
#include "data/TDM.h"
#include "data/TSettings.h"
#include "update/TfrmDataUpdate.h"
#include "update/UpdateSettings.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
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
