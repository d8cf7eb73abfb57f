#include "app/AppFixture.h"
#include "common/TestFiles.h"
#include "common/TestRegistry.h"
#include "feeds/FeedFixtures.h"
#include "feeds/TFLDigiPoller.h"
#include "gui/app/TRecentContactsModel.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QRadioButton>

namespace {

QByteArray Record(const QByteArray& call, const QByteArray& more = QByteArray())
{
    return "<QSO_DATE:8>20240615<TIME_ON:6>142305<CALL:" + QByteArray::number(call.size()) + ">" + call +
           "<MODE:3>PSK" + more + "<EOR>\n";
}

// A main window whose FLdigi log file lies in the test's own folder.
struct TFLDigiFixture : TAppFixture
{
    explicit TFLDigiFixture(bool autoLog, const QString& event = QStringLiteral("Winter Phone"))
        : TAppFixture({QStringLiteral("FLDigiAutoLog=") + (autoLog ? "1" : "0")})
    {
        const QString path = LogFile();
        // The settings file does not know this folder when the fixture is built: set it up as the
        // operator would.
        OnNextModal([path](QDialog* d) {
            d->findChild<QLineEdit*>(QStringLiteral("txtPath"))->setText(path);
            d->findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
        });
        window->StationLinksRoom().FLdigiSetup1Click();
        if (!event.isEmpty()) {
            NewLog(QStringLiteral("N0CALL"), event);
            window->ClearEntries();
        }
    }

    QString LogFile() const { return home.Root() + QStringLiteral("/log.adif"); }

    QStringList Rows(const QString& columns) const
    {
        QStringList rows;
        QSqlQuery q(window->DM().condb());
        q.exec(QStringLiteral("select %1 from \"%2\" order by pkey")
                   .arg(columns, window->Mysettings().TableName));
        while (q.next()) {
            rows << q.value(0).toString();
        }
        return rows;
    }
};

} // namespace

// FLdigi polling with real files: auto logging, form filling, and files that are left over, unreadable,
// half written or not a contact.
class TestFLDigi : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void AutoLogScoring_data()
    {
        QTest::addColumn<QString>("event");
        QTest::addColumn<QByteArray>("fields");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("counters"); // with, without, epc, 070, total
        QTest::newRow("Ten-Ten number")
            << "Winter Phone" << QByteArray("<TEN_TEN:4>1234") << 2 << "1 0 0 0 2";
        QTest::newRow("Weak Signal") << "Weak Signal" << QByteArray("<TEN_TEN:4>1234") << 3 << "1 0 0 0 3";
        QTest::newRow("no Ten-Ten number") << "Winter Phone" << QByteArray() << 1 << "0 1 0 0 1";
        QTest::newRow("Ten-Ten 0") << "Winter Phone" << QByteArray("<TEN_TEN:1>0") << 1 << "0 1 0 0 1";
        QTest::newRow("Open Season with EPC and 070")
            << "Open Season" << QByteArray("<TEN_TEN:4>1234<SRX_STRING:15>EPC:5678 070:90") << 4
            << "1 0 1 1 4";
        QTest::newRow("EPC outside Open Season")
            << "Winter Phone" << QByteArray("<SRX_STRING:8>EPC:5678") << 1 << "0 1 0 0 1";
        QTest::newRow("General Log stores 0")
            << "General Log" << QByteArray("<TEN_TEN:4>1234") << 0 << "1 0 0 0 2";
    }

    void AutoLogScoring()
    {
        QFETCH(QString, event);
        QFETCH(QByteArray, fields);
        QFETCH(int, stored);
        QFETCH(QString, counters);
        TFLDigiFixture f(true, event);
        f.window->StationLinks().SetFLDigiEnable(true);
        QVERIFY(WriteTestFile(f.LogFile(),
                              Record("w1abc", fields + "<STATE:2>CT<CNTY:11>CT,Hartford<NAME:5>Hiram")));
        f.window->StationLinks().FLDigiTimerTimer();
        QVERIFY(!QFile::exists(f.LogFile()));
        QCOMPARE(f.Rows(QStringLiteral(
                     "_call||'|'||_date||'|'||_time||'|'||_qth||'|'||_uscounty||'|'||_dxcc||'|'||"
                     "_points")),
                 QStringList{QStringLiteral("W1ABC|2024-06-15|14:23|CT|HARTFORD|291|%1").arg(stored)});
        const QString actual = QStringLiteral("%1 %2 %3 %4 %5")
                                   .arg(f.window->ctx_with())
                                   .arg(f.window->ctx_without())
                                   .arg(f.window->ctx_epc())
                                   .arg(f.window->ctx_070())
                                   .arg(f.window->totalpoints());
        QCOMPARE(actual, counters);
        // The entry form is not touched.
        QCOMPARE(f.Edit("txtCallsign")->text(), QString());
        QVERIFY(f.prompts.Messages().isEmpty());
        QCOMPARE(f.window->StationLinksRoom().FeedNote(), QString());
    }

    void AutoLogHasNoDupeCheck()
    {
        TFLDigiFixture f(true);
        f.window->StationLinks().SetFLDigiEnable(true);
        for (int i = 0; i < 2; ++i) {
            QVERIFY(WriteTestFile(f.LogFile(), Record("W1ABC", "<COUNTRY:7>England")));
            f.window->StationLinks().FLDigiTimerTimer();
        }
        QCOMPARE(f.Rows(QStringLiteral("_call||'|'||_qth||'|'||_dxcc")),
                 (QStringList{QStringLiteral("W1ABC|DX|291"), QStringLiteral("W1ABC|DX|291")}));
        // Pointed out, in the status bar.
        QCOMPARE(f.window->StationLinksRoom().FeedNote(),
                 QStringLiteral("W1ABC, logged from FLdigi, is a duplicate in this log (auto "
                                "logging logs it all the same)."));
        QVERIFY(f.prompts.Messages().isEmpty());
        // The recent-contacts list shows what was logged without the form.
        QCOMPARE(f.window->RecentContacts().rowCount(), 2);
    }

    void FillsTheForm_data()
    {
        QTest::addColumn<QByteArray>("fields");
        QTest::addColumn<QString>("form"); // call|name|tenten|epc|070|mode|US or DX|qth|county items
        QTest::newRow("US state")
            << QByteArray("<NAME:5>hiram<TEN_TEN:4>1234<STATE:2>az<SRX_STRING:15>EPC:5678 070:90")
            << "W1ABC|HIRAM|1234|5678|90|PSK|US|AZ|15";
        QTest::newRow("DX") << QByteArray("<NAME:4>John<COUNTRY:7>England") << "W1ABC|JOHN||||PSK|DX||0";
    }

    void FillsTheForm()
    {
        QFETCH(QByteArray, fields);
        QFETCH(QString, form);
        TFLDigiFixture f(false, QStringLiteral("Open Season"));
        f.Edit("txtComments")->setText(QStringLiteral("kept"));
        f.window->StationLinks().SetFLDigiEnable(true);
        QVERIFY(WriteTestFile(f.LogFile(), Record("w1abc", fields)));
        f.window->StationLinks().FLDigiTimerTimer();
        QVERIFY(!QFile::exists(f.LogFile()));
        const QString actual = QStringList{f.Edit("txtCallsign")->text(),
                                           f.Edit("txtName")->text(),
                                           f.Edit("txtTenTen")->text(),
                                           f.Edit("txtEPC")->text(),
                                           f.Edit("txtP070")->text(),
                                           f.Combo("cboMode")->currentText(),
                                           f.Find<QRadioButton>("rbUS")->isChecked() ? QStringLiteral("US")
                                                                                     : QStringLiteral("DX"),
                                           f.Combo("cboQTH")->currentText(),
                                           QString::number(f.Combo("cboCounty")->count())}
                                   .join(QLatin1Char('|'));
        QCOMPARE(actual, form);
        QCOMPARE(f.Edit("txtComments")->text(), QStringLiteral("kept"));
        QCOMPARE(f.Rows(QStringLiteral("_call")), QStringList());
    }

    // A contact fldigi wrote before polling was switched on is never deleted unread: it is taken as a new
    // one, as fldigi writes it (UTF-8 byte counts, the time with seconds).
    void LeftoverTakenWhenSwitchedOn()
    {
        TFLDigiFixture f(true);
        QVERIFY(WriteTestFile(f.LogFile(), Record("EA1OLD", QStringLiteral("<NAME:5>Jos\u00e9").toUtf8())));
        QAction* use = f.Find<QAction>("mnuUseFLDigi");
        use->trigger();
        QVERIFY(f.window->StationLinks().FLDigiEnable());
        QVERIFY(use->isChecked());
        QVERIFY(f.window->StationLinks().FLDigiTimer()->isActive());
        QVERIFY(QFile::exists(f.LogFile()));
        f.window->StationLinks().FLDigiTimerTimer();
        QCOMPARE(f.Rows(QStringLiteral("_call||'|'||_name||'|'||_time")),
                 QStringList{QStringLiteral("EA1OLD|JOS\u00c9|14:23")});
        QVERIFY(!QFile::exists(f.LogFile()));
        use->trigger();
        QVERIFY(!f.window->StationLinks().FLDigiEnable());
        QVERIFY(!use->isChecked());
        QVERIFY(!f.window->StationLinks().FLDigiTimer()->isActive());
    }

    void TimerPolls()
    {
        TFLDigiFixture f(true);
        f.window->StationLinks().SetFLDigiEnable(true);
        QCOMPARE(f.window->StationLinks().FLDigiTimer()->interval(), 1000);
        QVERIFY(WriteTestFile(f.LogFile(), Record("W1ABC")));
        QTRY_COMPARE_WITH_TIMEOUT(f.Rows(QStringLiteral("_call")), QStringList{QStringLiteral("W1ABC")},
                                  5000);
    }

    void UnreadableContactKeptAside()
    {
        TFLDigiFixture f(true);
        f.window->SetClock([] { return QDateTime(QDate(2024, 6, 15), QTime(14, 23, 5)); });
        f.window->StationLinks().SetFLDigiEnable(true);
        const QByteArray bad = "<CALL:five>W1ABC<EOR>";
        QVERIFY(WriteTestFile(f.LogFile(), bad));
        f.window->StationLinks().FLDigiTimerTimer();
        QVERIFY(!QFile::exists(f.LogFile()));
        const QString kept = f.home.Work() + QStringLiteral("fldigi-20240615-142305.adif");
        QFile file(kept);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), bad);
        // Said in the status bar, never in a box.
        QCOMPARE(f.window->StationLinksRoom().FeedProblems().size(), 1);
        QVERIFY(f.window->StationLinksRoom().FeedProblems().first().contains(QDir::toNativeSeparators(kept)));
        QVERIFY(f.prompts.Messages().isEmpty());
        QCOMPARE(f.Rows(QStringLiteral("_call")), QStringList());
        // A second one of the same second gets a name of its own.
        QVERIFY(WriteTestFile(f.LogFile(), "<NAME:3>Bob<EOR>"));
        f.window->StationLinks().FLDigiTimerTimer();
        QVERIFY(QFile::exists(f.home.Work() + QStringLiteral("fldigi-20240615-142305-2.adif")));
        QVERIFY(f.window->StationLinksRoom().FeedProblems().last().contains(QStringLiteral("no call sign")));
    }

    void HalfWrittenFileWaits()
    {
        TFLDigiFixture f(true);
        f.window->StationLinks().SetFLDigiEnable(true);
        const QByteArray whole = Record("W1ABC", "<NAME:5>Hiram");
        const QByteArray part = whole.left(whole.indexOf("<NAME"));
        QVERIFY(WriteTestFile(f.LogFile(), part));
        f.window->StationLinks().FLDigiTimerTimer();
        QVERIFY(QFile::exists(f.LogFile()));
        QCOMPARE(f.Rows(QStringLiteral("_call")), QStringList());
        // FLdigi finishes the record: the next tick takes it whole.
        QVERIFY(WriteTestFile(f.LogFile(), whole));
        f.window->StationLinks().FLDigiTimerTimer();
        QVERIFY(!QFile::exists(f.LogFile()));
        QCOMPARE(f.Rows(QStringLiteral("_call||'|'||_name")), QStringList{QStringLiteral("W1ABC|HIRAM")});
        // A file without an end-of-record marker that no longer changes is a contact too.
        QVERIFY(WriteTestFile(f.LogFile(), "<CALL:4>N0XX<NAME:3>Bob"));
        f.window->StationLinks().FLDigiTimerTimer();
        QVERIFY(QFile::exists(f.LogFile()));
        f.window->StationLinks().FLDigiTimerTimer();
        QVERIFY(!QFile::exists(f.LogFile()));
        QCOMPARE(f.Rows(QStringLiteral("_call")).last(), QStringLiteral("N0XX"));
        QVERIFY(f.prompts.Messages().isEmpty());
    }

    void TroubleReportedOnce()
    {
        TFLDigiFixture f(true, QString());
        f.window->StationLinks().SetFLDigiEnable(true);
        // No log open: the contact waits in its file, with one message however many ticks pass.
        QVERIFY(WriteTestFile(f.LogFile(), Record("W1ABC")));
        for (int i = 0; i < 3; ++i) {
            f.window->StationLinks().FLDigiTimerTimer();
        }
        QCOMPARE(f.window->StationLinksRoom().FeedProblems().size(), 1);
        QVERIFY(f.window->StationLinksRoom().FeedNote().startsWith(QStringLiteral("No log is open.")));
        QVERIFY(QFile::exists(f.LogFile()));
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Winter Phone"));
        f.window->StationLinks().FLDigiTimerTimer();
        QCOMPARE(f.Rows(QStringLiteral("_call")), QStringList{QStringLiteral("W1ABC")});
        QVERIFY(!QFile::exists(f.LogFile()));

        // A file that cannot be read (here a folder in its place): one message, then quiet retries.
        QVERIFY(QDir().mkdir(f.LogFile()));
        for (int i = 0; i < 3; ++i) {
            f.window->StationLinks().FLDigiTimerTimer();
        }
        QCOMPARE(f.window->StationLinksRoom().FeedProblems().size(), 2);
        QVERIFY(f.window->StationLinksRoom().FeedNote().startsWith(
            QStringLiteral("Unable to read the FLdigi log file")));
        QVERIFY(QDir().rmdir(f.LogFile()));
        QVERIFY(WriteTestFile(f.LogFile(), Record("K2XX")));
        f.window->StationLinks().FLDigiTimerTimer();
        QCOMPARE(f.Rows(QStringLiteral("_call")).last(), QStringLiteral("K2XX"));
        QCOMPARE(f.window->StationLinksRoom().FeedProblems().size(), 2);
        QVERIFY(f.prompts.Messages().isEmpty());
    }

    // A file far larger than a contact (a whole logbook, or no ADIF at all) is not read: it is reported once
    // and left as it is, and the contact fldigi writes next is taken.
    void LargeFileLeftAlone()
    {
        TFLDigiFixture f(true);
        f.window->StationLinks().SetFLDigiEnable(true);
        QByteArray junk(20 * 1024 * 1024, 'x');
        junk.replace(0, 20, "<CALL:5>W1BIG<EOR>\n");
        QVERIFY(WriteTestFile(f.LogFile(), junk));
        for (int i = 0; i < 3; ++i) {
            f.window->StationLinks().FLDigiTimerTimer();
        }
        QCOMPARE(QFileInfo(f.LogFile()).size(), junk.size());
        QCOMPARE(f.window->StationLinksRoom().FeedProblems().size(), 1);
        QVERIFY2(
            f.window->StationLinksRoom().FeedNote().contains(
                QStringLiteral("holds %1 bytes, far more than a contact: it was not read").arg(junk.size())),
            qPrintable(f.window->StationLinksRoom().FeedNote()));
        QCOMPARE(f.Rows(QStringLiteral("_call")), QStringList());
        QVERIFY(f.prompts.Messages().isEmpty());
        QVERIFY(WriteTestFile(f.LogFile(), Record("W1ABC")));
        f.window->StationLinks().FLDigiTimerTimer();
        QCOMPARE(f.Rows(QStringLiteral("_call")), QStringList{QStringLiteral("W1ABC")});
    }

    // With lookup on, an FLdigi contact gets what this computer's data knows of the call before it is
    // scored (auto logging) or shown (the form): roster numbers, the licence's name, state and county, a DX
    // call's country.
    void FilledFromLocalData()
    {
        TFLDigiFixture f(true, QString());
        FeedFixtures::WriteLicenceFolder(f.home.Root() + QStringLiteral("/FCCLookup"));
        f.window->Settings().SaveSetting(SettingKeys::FCCPath, f.home.Root() + QStringLiteral("/FCCLookup"));
        FeedFixtures::AddRosterMembers(f.window->DM());
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Open Season"), QStringLiteral("SSB"),
                 [](QDialog* d) {
                     d->findChild<QComboBox*>(QStringLiteral("cboLookDB"))
                         ->setCurrentIndex(LookupTypes::FCCLookup);
                 });
        f.Find<QCheckBox>("cbLookup")->setChecked(true);
        f.window->StationLinks().SetFLDigiEnable(true);
        QVERIFY(WriteTestFile(f.LogFile(), Record("k1abc")));
        f.window->StationLinks().FLDigiTimerTimer();
        QCOMPARE(
            f.Rows(QStringLiteral("_call||'|'||_name||'|'||_tenten||'|'||_vp||'|'||_epc||'|'||_p070||'|'||"
                                  "_qth||'|'||_uscounty||'|'||_points")),
            QStringList{QStringLiteral("K1ABC|Jane|12345|77|601|701|CT|Hartford|4")});
        QCOMPARE(f.window->totalpoints(), 4);

        // Into the form: the DX call's country from its prefix, its Ten-Ten number from the roster.
        QAction* setup = f.Find<QAction>("mnuFLdigiSetup");
        TAppFixture::OnNextModal([](QDialog* d) {
            d->findChild<QCheckBox*>(QStringLiteral("cbAutoLog"))->setChecked(false);
            d->findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
        });
        setup->trigger();
        f.window->ClearEntries();
        QVERIFY(WriteTestFile(f.LogFile(), Record("DL1ABC", "<NAME:4>Hans<COUNTRY:7>Germany")));
        f.window->StationLinks().FLDigiTimerTimer();
        QCOMPARE(f.Edit("txtTenTen")->text(), QStringLiteral("4321"));
        QCOMPARE(f.Edit("txtName")->text(), QStringLiteral("HANS"));
        QVERIFY(f.Find<QRadioButton>("rbDX")->isChecked());
        QCOMPARE(f.Combo("cboQTH")->currentText(), QStringLiteral("Germany"));
        QCOMPARE(f.window->StationLinksRoom().FeedNote(), QString());
    }

    void TestADIFKeepsTheFile()
    {
        TFLDigiFixture f(false);
        QVERIFY(WriteTestFile(f.LogFile(), Record("W1ABC")));
        f.Find<QAction>("mnuTestADIF")->trigger();
        QCOMPARE(f.Edit("txtCallsign")->text(), QStringLiteral("W1ABC"));
        QVERIFY(QFile::exists(f.LogFile()));
        QVERIFY(f.prompts.Messages().isEmpty());
    }

    void SetupDialog()
    {
        TFLDigiFixture f(false, QString());
        QCOMPARE(f.window->StationLinks().FldigiInterval(), 1000);
        QString shownPath;
        bool shownAutoLog = true;
        f.prompts.AnswerOpenFile(QStringLiteral("/tmp/elsewhere/log.adif"));
        TAppFixture::OnNextModal([&](QDialog* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("FLdigi Logging Setup"));
            shownPath = d->findChild<QLineEdit*>(QStringLiteral("txtPath"))->text();
            shownAutoLog = d->findChild<QCheckBox*>(QStringLiteral("cbAutoLog"))->isChecked();
            QVERIFY(d->findChild<QRadioButton*>(QStringLiteral("rb1000"))->isChecked());
            d->findChild<QPushButton*>(QStringLiteral("btnPath"))->click();
            d->findChild<QRadioButton*>(QStringLiteral("rb750"))->setChecked(true);
            d->findChild<QCheckBox*>(QStringLiteral("cbAutoLog"))->setChecked(true);
            d->findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
        });
        f.Find<QAction>("mnuFLdigiSetup")->trigger();
        QCOMPARE(shownPath, f.LogFile());
        QVERIFY(!shownAutoLog);
        QCOMPARE(f.prompts.Records().last().value, f.home.Root());
        QCOMPARE(f.window->StationLinks().FLDigiLogFile(), QStringLiteral("/tmp/elsewhere/log.adif"));
        QCOMPARE(f.window->StationLinks().FldigiInterval(), 750);
        QVERIFY(f.window->StationLinks().FLDigiAutoLog());
        // Stored at once, read at the next start.
        f.window.reset();
        f.window = std::make_unique<TfrmMain>(f.prompts);
        QCOMPARE(f.window->StationLinks().FLDigiLogFile(), QStringLiteral("/tmp/elsewhere/log.adif"));
        QCOMPARE(f.window->StationLinks().FldigiInterval(), 750);
        QVERIFY(f.window->StationLinks().FLDigiAutoLog());
        // Cancel changes nothing.
        TAppFixture::OnNextModal([](QDialog* d) {
            d->findChild<QRadioButton*>(QStringLiteral("rb500"))->setChecked(true);
            d->findChild<QPushButton*>(QStringLiteral("btnCancel"))->click();
        });
        f.window->StationLinksRoom().FLdigiSetup1Click();
        QCOMPARE(f.window->StationLinks().FldigiInterval(), 750);
    }

    void HiddenItemsKeepTheirShortcuts()
    {
        TFLDigiFixture f(true);
        QVERIFY(!f.Find<QAction>("mnuUseFLDigi")->isVisible());
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        f.Edit("txtCallsign")->setFocus();
        QTest::keyClick(f.Edit("txtCallsign"), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(f.window->StationLinks().FLDigiEnable());
        QTest::keyClick(f.Edit("txtCallsign"), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(!f.window->StationLinks().FLDigiEnable());
    }
};

VANTREL_TEST(TestFLDigi)
#include "tst_FLDigi.moc"
