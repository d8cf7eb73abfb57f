#include "AppFixture.h"
#include "common/TestRegistry.h"
#include "data/Errors.h"
#include "data/MyFunc.h"
#include "gui/app/TfrmSetup.h"
#include "gui/common/TRealPrompts.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

namespace {

const QString kValidation = QStringLiteral("Validation Error!  You must have the following fields filled in "
                                           "with data.\nEvent, Inital Mode, Callsign, "
                                           "First and Last Name, Address, City, State and Zipcode.");
const QString kMobile = QStringLiteral("A Mobile Entry is only valid for the two Phone events or the Sprint "
                                       "Event. Please select another Entry Type.");
const QString kNotImplemented =
    QStringLiteral("This function has not been implemented and is reserved for future expansion");

} // namespace

// The setup dialog, new logs and Options > Setup.
class TestSetup : public QObject
{
    Q_OBJECT

private slots:
    void NewLogBecomesCurrent()
    {
        TAppFixture f;
        f.window->SetClock([] { return QDateTime(QDate(2024, 6, 1), QTime(12, 0)); });
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Open Season"));
        const QString table = QStringLiteral("N0CALL_2024_Open_Season");
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Vantrel - ") + table);
        QCOMPARE(f.window->Mysettings().TableName, table);
        QCOMPARE(f.window->DM().GetTables(), QStringList{table});
        QCOMPARE(f.Rows(table), 0);
        QCOMPARE(f.Scalar(QStringLiteral("select lastname from config")).toString(),
                 QStringLiteral("O'Neil"));
        QCOMPARE(f.Scalar(QStringLiteral("select entitytype||','||lookuptype from config")).toString(),
                 QStringLiteral("-1,-1"));
        QVERIFY(f.Find("pnlEntry")->isVisibleTo(f.window.get()));
        QVERIFY(f.Find("txtEPC")->isVisibleTo(f.window.get()));
        QVERIFY(f.Find("lblEpcPoints")->isVisibleTo(f.window.get()));
        QVERIFY(f.window->findChild<QMenu*>(QStringLiteral("mnuOptions"))->isEnabled());
        QVERIFY(f.window->findChild<QAction*>(QStringLiteral("mnuOffLineLogging"))->isEnabled());
        QCOMPARE(f.window->totalpoints() + f.window->ctx_with() + f.window->ctx_without(), 0);
        QCOMPARE(f.Combo("cboMode")->currentText(), QStringLiteral("SSB"));
        QVERIFY(f.prompts.Records().isEmpty());
    }

    // A second log with the same call, event and year is refused whatever its mode or entry type.
    void DuplicateNameRefused()
    {
        TAppFixture f;
        f.window->SetClock([] { return QDateTime(QDate(2024, 6, 1), QTime(12, 0)); });
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Open Season"));
        const QVariant before =
            f.Scalar(QStringLiteral("select group_concat(contestmode||tablename) from config"));
        f.prompts.AnswerMessage(MsgButton::OK);
        f.NewLog(
            QStringLiteral("N0CALL"), QStringLiteral("Open Season"), QStringLiteral("CW"),
            [](QDialog* d) { d->findChild<QComboBox*>(QStringLiteral("cboEntry"))->setCurrentIndex(1); });
        QCOMPARE(f.prompts.Messages(),
                 QStringList{QStringLiteral("A table with this configuration all ready exists")});
        QCOMPARE(f.prompts.Records().first().kind, MsgKind::Warning);
        QCOMPARE(f.Scalar(QStringLiteral("select group_concat(contestmode||tablename) from config")), before);
    }

    void PortableCallGivesSafeName()
    {
        TAppFixture f;
        f.window->SetClock([] { return QDateTime(QDate(2025, 1, 2), QTime(0, 5)); });
        f.NewLog(QStringLiteral("9a1a/m"), QStringLiteral("Spirit Of 76"));
        QCOMPARE(f.window->Mysettings().TableName, QStringLiteral("9A1A_M_2025_Spirit_Of_76"));
        QCOMPARE(f.window->Mysettings().Callsign, QStringLiteral("9A1A/M"));
        QVERIFY(!f.Find("txtEPC")->isVisibleTo(f.window.get()));
        f.Type(QStringLiteral("W1AW"));
        f.window->DoLog();
        QCOMPARE(f.Rows(QStringLiteral("9A1A_M_2025_Spirit_Of_76")), 1);
    }

    void ValidationKeepsDialogOpen()
    {
        TAppFixture f;
        f.prompts.AnswerMessage(MsgButton::OK);
        TAppFixture::OnNextModal([&](QDialog* d) {
            d->findChild<QComboBox*>(QStringLiteral("cboContest"))
                ->setEditText(QStringLiteral("Open Season"));
            d->findChild<QLineEdit*>(QStringLiteral("txtCallSign"))->setText(QStringLiteral("N0CALL"));
            d->findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
            QVERIFY(d->isVisible());
            QCOMPARE(f.prompts.Messages(), QStringList{kValidation});
            QCOMPARE(f.prompts.Records().first().kind, MsgKind::Error);
            d->findChild<QPushButton*>(QStringLiteral("btnCancel"))->click();
        });
        f.window->DoNewLog();
        QVERIFY(f.window->DM().GetTables().isEmpty());
        QVERIFY(!f.window->HasCurrentLog());
    }

    void EntryType_data()
    {
        QTest::addColumn<QString>("event");
        QTest::addColumn<int>("entry");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<bool>("operators");
        QTest::newRow("Mobie in a Sprint") << "Sprint" << 3 << false << false;
        QTest::newRow("Mobie in a Phone event") << "Winter Phone" << 3 << false << false;
        QTest::newRow("Mobie in Open Season") << "Open Season" << 3 << true << false;
        QTest::newRow("Club") << "Open Season" << 4 << false << true;
        QTest::newRow("QRP") << "Open Season" << 2 << false << false;
    }

    // The choice reaches the record at once unless refused; a refused Mobie still shows in the box, so
    // OK stores it.
    void EntryType()
    {
        QFETCH(QString, event);
        QFETCH(int, entry);
        QFETCH(bool, refused);
        QFETCH(bool, operators);
        TAppFixture f;
        if (refused) {
            f.prompts.AnswerMessage(MsgButton::OK);
        }
        f.window->Mysettings().EntityType = 77;
        f.NewLog(QStringLiteral("N0CALL"), event, QStringLiteral("SSB"), [&](QDialog* d) {
            d->findChild<QComboBox*>(QStringLiteral("cboEntry"))->setCurrentIndex(4);
            d->findChild<QComboBox*>(QStringLiteral("cboEntry"))->setCurrentIndex(entry);
            QCOMPARE(f.window->Mysettings().EntityType, refused ? 4 : entry);
            QCOMPARE(d->findChild<QLineEdit*>(QStringLiteral("txtOperators"))->isVisibleTo(d),
                     operators || refused);
        });
        QCOMPARE(f.prompts.Messages(), refused ? QStringList{kMobile} : QStringList());
        QCOMPARE(f.window->Mysettings().EntityType, entry);
        QCOMPARE(f.Scalar(QStringLiteral("select entitytype from config")).toInt(), entry);
    }

    void LookupSelection_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("account");
        QTest::addColumn<bool>("folder");
        QTest::addColumn<bool>("notImplemented");
        QTest::newRow("None") << 0 << false << false << false;
        QTest::newRow("QRZ CD") << 1 << false << false << true;
        QTest::newRow("QRZ XML") << 2 << true << false << false;
        QTest::newRow("Hamcall") << 3 << false << false << true;
        QTest::newRow("Orvane") << 4 << false << true << false;
        QTest::newRow("FCC Lookup") << 5 << false << true << false;
        QTest::newRow("Buckmaster CD") << 6 << false << false << true;
        QTest::newRow("HamQTH XML") << 7 << true << false << false;
    }

    void LookupSelection()
    {
        QFETCH(int, index);
        QFETCH(bool, account);
        QFETCH(bool, folder);
        QFETCH(bool, notImplemented);
        TAppFixture f;
        TMysettings& rec = f.window->Mysettings();
        rec.QRZXMLid = QStringLiteral("qrzuser");
        rec.QRZXMLpass = EncodeText(QStringLiteral("qrz;pass"));
        rec.HamQTHid = QStringLiteral("hamuser");
        rec.HamQTHpass = EncodeText(QStringLiteral("ham&pass"));
        QString orvane = QStringLiteral("/data/orvane");
        QString fcc = QStringLiteral("/data/fcc");
        TfrmSetup dialog(f.prompts, f.window->Settings(), rec, orvane, fcc);
        dialog.PrepareNew(f.window->Events(), f.window->Modes());
        if (notImplemented) {
            f.prompts.AnswerMessage(MsgButton::OK);
        }
        dialog.findChild<QComboBox*>(QStringLiteral("cboLookDB"))->setCurrentIndex(index);
        QCOMPARE(f.prompts.Messages(), notImplemented ? QStringList{kNotImplemented} : QStringList());
        auto* user = dialog.findChild<QLineEdit*>(QStringLiteral("txtUserID"));
        auto* password = dialog.findChild<QLineEdit*>(QStringLiteral("txtPassword"));
        auto* path = dialog.findChild<QLineEdit*>(QStringLiteral("txtDBPath"));
        QCOMPARE(user->isVisibleTo(&dialog), account);
        QCOMPARE(password->isVisibleTo(&dialog), account);
        QCOMPARE(dialog.findChild<QToolButton*>(QStringLiteral("btnShowPassword"))->isVisibleTo(&dialog),
                 account);
        QCOMPARE(path->isVisibleTo(&dialog), folder);
        if (index == 2 || index == 7) {
            QCOMPARE(user->text(), index == 2 ? QStringLiteral("qrzuser") : QStringLiteral("hamuser"));
            QCOMPARE(password->text(), index == 2 ? QStringLiteral("qrz;pass") : QStringLiteral("ham&pass"));
            QCOMPARE(password->echoMode(), QLineEdit::Password);
            // One "*" for each character.
            QCOMPARE(password->displayText(), QStringLiteral("********"));
            dialog.btnShowPasswordClick();
            QCOMPARE(password->echoMode(), QLineEdit::Normal);
            password->setText(QStringLiteral("new pass"));
            dialog.StoreIntoRecord();
            QCOMPARE(DecodeText(index == 2 ? rec.QRZXMLpass : rec.HamQTHpass), QStringLiteral("new pass"));
        }
        if (folder) {
            QCOMPARE(path->text(), index == 4 ? orvane : fcc);
            QCOMPARE(user->text(), QString());
            f.prompts.AnswerFolder(f.home.Root());
            dialog.btnPathClick();
            QCOMPARE(path->text(), f.home.Root());
            QCOMPARE(index == 4 ? orvane : fcc, f.home.Root());
            QCOMPARE(f.window->Settings().GetSetting(
                         index == 4 ? SettingKeys::OrvanePath : SettingKeys::FCCPath, ""),
                     f.home.Root());
        }
    }

    void SaveAndRecallUserFile()
    {
        TAppFixture f;
        QString orvane;
        QString fcc;
        TfrmSetup dialog(f.prompts, f.window->Settings(), f.window->Mysettings(), orvane, fcc);
        const QStringList fields{
            "N0CALL", "1234",  QStringLiteral("Zo\u00eb"), "O'Neil", "1 Main St", "Tucson",
            "AZ",     "85701", "n0call@example.org",       "77",     "567",       "89"};
        dialog.SetUserFileFields(fields);
        const QString path = f.home.Root() + QStringLiteral("/me.scr");
        f.prompts.AnswerSaveFile(path);
        dialog.Button2Click();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(bytes.count("\r\n"), 12);
        QVERIFY(bytes.endsWith("89\r\n"));
        QCOMPARE(f.prompts.Records().last().value, f.home.Work());
        // The file type as the picker shows it.
        const QString filter = QStringLiteral("User File (*.scr);;All Files (*.*)");
        QCOMPARE(DialogFilter(f.prompts.Records().last().text), filter);

        TfrmSetup empty(f.prompts, f.window->Settings(), f.window->Mysettings(), orvane, fcc);
        f.prompts.AnswerOpenFile(path);
        empty.Button1Click();
        QCOMPARE(empty.UserFileFields(), fields);
        QCOMPARE(DialogFilter(f.prompts.Records().last().text), filter);
    }

    // A multi-line paste into a one-line field arrives as one line: each line break, tab or other control
    // character becomes a blank. Folders are taken as they are.
    void PasteKeepsOneLine_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("kept");
        QTest::newRow("first name") << "txtFirstName"
                                    << "Jane\r\nQSO: 28000 CW"
                                    << "Jane  QSO: 28000 CW";
        QTest::newRow("address") << "txtAddress"
                                 << "1 Main St\nApt 4"
                                 << "1 Main St Apt 4";
        QTest::newRow("call sign, upper case") << "txtCallSign"
                                               << "k6vtr\n"
                                               << "K6VTR ";
        QTest::newRow("Ten-Ten number") << "txtTenTen" << QString::fromUtf8("123\t45\u2028") << "123 45 ";
        QTest::newRow("operators") << "txtOperators"
                                   << QStringLiteral("A").append(QChar(0x0B)).append(QChar(0x85)).append(u'B')
                                   << "A  B";
        QTest::newRow("plain text unchanged") << "txtCity"
                                              << "San Jos\u00e9"
                                              << "San Jos\u00e9";
    }
    void PasteKeepsOneLine()
    {
        QFETCH(QString, field);
        QFETCH(QString, pasted);
        QFETCH(QString, kept);
        TAppFixture f;
        QString orvane;
        QString fcc;
        TfrmSetup dialog(f.prompts, f.window->Settings(), f.window->Mysettings(), orvane, fcc);
        auto* edit = dialog.findChild<QLineEdit*>(field);
        QVERIFY(edit);
        QGuiApplication::clipboard()->setText(pasted);
        edit->clear();
        edit->paste();
        QCOMPARE(edit->text(), kept);
        edit->setText(pasted);
        QCOMPARE(edit->text(), kept);

        auto* folder = dialog.findChild<QLineEdit*>(QStringLiteral("txtDBPath"));
        folder->setText(QStringLiteral("/data/odd\tname"));
        QCOMPARE(folder->text(), QStringLiteral("/data/odd\tname"));
    }

    // Recall Info and Save Info never read or replace a database file, whatever name is chosen: reading
    // one would drop SQLite's locks on the open log, and saving would replace the log.
    void UserFileRefusesDatabaseFiles_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("name");
        QTest::newRow("recall logs.db") << false << "logs.db";
        QTest::newRow("recall its journal") << false << "logs.db-wal";
        QTest::newRow("save over logs.db") << true << "logs.db";
        QTest::newRow("save over config.db") << true << "config.db";
    }

    void UserFileRefusesDatabaseFiles()
    {
        QFETCH(bool, save);
        QFETCH(QString, name);
        TAppFixture f;
        f.window->SetClock([] { return QDateTime(QDate(2024, 6, 1), QTime(12, 0)); });
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Open Season"));
        QString orvane;
        QString fcc;
        TfrmSetup dialog(f.prompts, f.window->Settings(), f.window->Mysettings(), orvane, fcc);
        dialog.SetUserFileFields(QStringList(12, QStringLiteral("KEPT")));
        const QString path = f.home.Work() + name;
        const auto bytes = [&] {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        const QByteArray before = bytes();
        QVERIFY(!before.isEmpty());
        if (save) {
            f.prompts.AnswerSaveFile(path);
            QVERIFY_THROWS_EXCEPTION(EVantrel, dialog.Button2Click());
        } else {
            f.prompts.AnswerOpenFile(path);
            QVERIFY_THROWS_EXCEPTION(EVantrel, dialog.Button1Click());
        }
        QCOMPARE(bytes(), before);
        QCOMPARE(dialog.UserFileFields(), QStringList(12, QStringLiteral("KEPT")));
        QCOMPARE(f.Rows(QStringLiteral("N0CALL_2024_Open_Season")), 0);
    }

    // A short user file fills the fields it has and empties the rest; a byte-order mark selects the
    // encoding.
    void ShortUserFile()
    {
        TAppFixture f;
        QString orvane;
        QString fcc;
        TfrmSetup dialog(f.prompts, f.window->Settings(), f.window->Mysettings(), orvane, fcc);
        dialog.SetUserFileFields(QStringList(12, QStringLiteral("old")));
        const QString path = f.home.Root() + QStringLiteral("/short.scr");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\xEF\xBB\xBFK1ABC\r\n99\r\nJos\xC3\xA9\r\n");
        file.close();
        f.prompts.AnswerOpenFile(path);
        dialog.Button1Click();
        QStringList expected(12, QString());
        expected[0] = QStringLiteral("K1ABC");
        expected[1] = QStringLiteral("99");
        expected[2] = QStringLiteral("Jos\u00e9");
        QCOMPARE(dialog.UserFileFields(), expected);
    }

    // Options > Setup shows the stored values, cannot change the event or call, and rewrites the row on
    // Cancel too.
    void SetupOfCurrentLog()
    {
        TAppFixture f;
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Open Season"), QStringLiteral("SSB"),
                 [](QDialog* d) {
                     d->findChild<QComboBox*>(QStringLiteral("cboEntry"))->setCurrentIndex(4);
                     d->findChild<QLineEdit*>(QStringLiteral("txtOperators"))
                         ->setText(QStringLiteral("W1AW K2XYZ"));
                     d->findChild<QComboBox*>(QStringLiteral("cboLookDB"))->setCurrentIndex(0);
                 });
        f.window->DM().MarkLogProcessed(f.window->Mysettings().TableName);

        TAppFixture::OnNextModal([&](QDialog* d) {
            QVERIFY(!d->findChild<QComboBox*>(QStringLiteral("cboContest"))->isEnabled());
            QVERIFY(!d->findChild<QLineEdit*>(QStringLiteral("txtCallSign"))->isEnabled());
            QCOMPARE(d->findChild<QLineEdit*>(QStringLiteral("txtCallSign"))->text(),
                     QStringLiteral("N0CALL"));
            // A club entry shows its operators at once.
            QVERIFY(d->findChild<QLineEdit*>(QStringLiteral("txtOperators"))->isVisibleTo(d));
            QCOMPARE(d->findChild<QLineEdit*>(QStringLiteral("txtOperators"))->text(),
                     QStringLiteral("W1AW K2XYZ"));
            d->findChild<QComboBox*>(QStringLiteral("cboEntry"))->setCurrentIndex(2);
            d->findChild<QLineEdit*>(QStringLiteral("txtFirstName"))->setText(QStringLiteral("Changed"));
            d->findChild<QPushButton*>(QStringLiteral("btnCancel"))->click();
        });
        f.window->mnuSetupClick();
        QCOMPARE(f.Scalar(QStringLiteral("select entitytype||','||processed||','||firstname from config"))
                     .toString(),
                 QStringLiteral("2,0,Pat"));

        TAppFixture::OnNextModal([&](QDialog* d) {
            d->findChild<QComboBox*>(QStringLiteral("cboMode"))->setEditText(QStringLiteral("CW"));
            d->findChild<QComboBox*>(QStringLiteral("cboLookDB"))->setCurrentIndex(5);
            d->findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
        });
        f.window->mnuSetupClick();
        QCOMPARE(f.Scalar(QStringLiteral("select contestmode||','||lookuptype from config")).toString(),
                 QStringLiteral("CW,5"));
        QVERIFY(f.window->UseAutoLook());
        QCOMPARE(f.Combo("cboMode")->currentText(), QStringLiteral("SSB"));
    }

    void StoredUnimplementedSourceAnnouncedAgain()
    {
        TAppFixture f;
        f.prompts.AnswerMessage(MsgButton::OK);
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Sprint"), QStringLiteral("CW"), [](QDialog* d) {
            d->findChild<QComboBox*>(QStringLiteral("cboLookDB"))->setCurrentIndex(6);
        });
        f.prompts.AnswerMessage(MsgButton::OK);
        TAppFixture::OnNextModal([](QDialog* d) { d->reject(); });
        f.window->mnuSetupClick();
        QCOMPARE(f.prompts.Messages(), (QStringList{kNotImplemented, kNotImplemented}));
    }
};

VANTREL_TEST(TestSetup)
#include "tst_Setup.moc"
