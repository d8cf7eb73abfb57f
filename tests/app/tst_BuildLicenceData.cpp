#include "AppFixture.h"
#include "app/TfrmBuildLicenceData.h"
#include "common/TLicenceDump.h"
#include "common/TestRegistry.h"
#include "data/LicenceStore.h"
#include "data/Paths.h"
#include "lookup/TLicenceImport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>

namespace {

QPushButton* Button(QWidget* dialog, const char* name)
{
    return dialog->findChild<QPushButton*>(QString::fromLatin1(name));
}

QLineEdit* Edit(QWidget* dialog, const char* name)
{
    return dialog->findChild<QLineEdit*>(QString::fromLatin1(name));
}

} // namespace

// Options > "Build Licence Data…": the dialog that runs the licence import off the window's thread.
class TestBuildLicenceData : public QObject
{
    Q_OBJECT

private slots:
    void BuildFromMenu_data();
    void BuildFromMenu();
    void ImportErrorShown();
    void RefusalShown();
    void SourceRequired();
};

void TestBuildLicenceData::BuildFromMenu_data()
{
    QTest::addColumn<int>("lookupType");
    QTest::addColumn<bool>("orvane");
    QTest::newRow("FCC Lookup: the FCC data folder") << 5 << false;
    QTest::newRow("Orvane: the Orvane data folder") << 4 << true;
    QTest::newRow("no lookup: the FCC data folder") << 0 << false;
}

void TestBuildLicenceData::BuildFromMenu()
{
    QFETCH(int, lookupType);
    QFETCH(bool, orvane);
    TAppFixture f;
    // Like the rest of the Options menu, the item waits for a current log.
    QVERIFY(!f.window->findChild<QAction*>(QStringLiteral("mnuBuildLicenceData"))->isEnabled());
    f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Winter Phone"), QStringLiteral("SSB"),
             [&](QDialog* d) {
                 d->findChild<QComboBox*>(QStringLiteral("cboLookDB"))->setCurrentIndex(lookupType);
             });
    f.prompts.AnswerMessage(MsgButton::OK);
    const QString zip = f.home.Root() + QStringLiteral("/l_amat.zip");
    LicenceDump::WriteZip(zip, LicenceDump::Sample());
    const QString folder = orvane ? Paths::DefaultOrvanePath() : Paths::DefaultFCCPath();
    bool ran = false;
    TAppFixture::OnNextModal([&](QDialog* d) {
        ran = true;
        QCOMPARE(Edit(d, "txtFolder")->text(), QDir::toNativeSeparators(folder));
        Edit(d, "txtSource")->setText(QDir::toNativeSeparators(zip));
        QSignalSpy finished(d, SIGNAL(ImportFinished()));
        Button(d, "btnBuild")->click();
        // While it runs only Cancel is offered.
        QVERIFY(!Button(d, "btnBuild")->isEnabled());
        QVERIFY(!Button(d, "btnClose")->isEnabled());
        QVERIFY(Button(d, "btnCancel")->isEnabled());
        QVERIFY(finished.wait(60000));
        QCOMPARE(d->findChild<QProgressBar*>(QStringLiteral("pbImport"))->value(), 100);
        QVERIFY(Button(d, "btnBuild")->isEnabled());
        QVERIFY(!Button(d, "btnCancel")->isEnabled());
        d->reject();
    });
    f.window->findChild<QAction*>(QStringLiteral("mnuBuildLicenceData"))->trigger();
    QVERIFY(ran);
    const QStringList messages = f.prompts.Messages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains(QStringLiteral("EN.dat: 10 lines read, 7 kept, 3 skipped")),
             qPrintable(messages[0]));
    QCOMPARE(f.prompts.Records().constLast().kind, MsgKind::Information);
    QVERIFY(QFile::exists(folder + QStringLiteral("/fccdata.db")));
    QVERIFY(QFile::exists(folder + QStringLiteral("/postal.db")));
}

void TestBuildLicenceData::ImportErrorShown()
{
    TTestHome home;
    TScriptedPrompts prompts;
    const QString notZip = home.Root() + QStringLiteral("/l_amat.zip");
    QFile file(notZip);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("no zip here");
    file.close();
    prompts.AnswerMessage(MsgButton::OK);
    TfrmBuildLicenceData dialog(prompts, home.Root() + QStringLiteral("/FCCLookup"));
    Edit(&dialog, "txtSource")->setText(notZip);
    QSignalSpy finished(&dialog, &TfrmBuildLicenceData::ImportFinished);
    Button(&dialog, "btnBuild")->click();
    QVERIFY(finished.wait(60000));
    QCOMPARE(prompts.Records().size(), 1);
    QCOMPARE(prompts.Records()[0].kind, MsgKind::Error);
    QVERIFY2(prompts.Records()[0].text.contains(notZip), qPrintable(prompts.Records()[0].text));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("lblStatus"))->text(),
             QStringLiteral("The licence data was not built; the old files are kept."));
    QVERIFY(!QFile::exists(home.Root() + QStringLiteral("/FCCLookup/fccdata.db")));
}

// A file with no usable licensee is refused and the dialog says why; the old data stays.
void TestBuildLicenceData::RefusalShown()
{
    TTestHome home;
    TScriptedPrompts prompts;
    const QString folder = home.Root() + QStringLiteral("/FCCLookup");
    const QString good = home.Root() + QStringLiteral("/l_amat.zip");
    LicenceDump::WriteZip(good, LicenceDump::Sample());
    TLicenceImport(good, folder).Run();
    const QString pages = home.Root() + QStringLiteral("/pages.zip");
    LicenceDump::WriteZip(pages, {{QStringLiteral("EN.dat"), "<html>\n<body>Moved</body>\n</html>\n"},
                                  {QStringLiteral("AM.dat"), "<html></html>\n"},
                                  {QStringLiteral("HD.dat"), "<html></html>\n"}});
    prompts.AnswerMessage(MsgButton::OK);
    TfrmBuildLicenceData dialog(prompts, folder);
    Edit(&dialog, "txtSource")->setText(pages);
    QSignalSpy finished(&dialog, &TfrmBuildLicenceData::ImportFinished);
    Button(&dialog, "btnBuild")->click();
    QVERIFY(finished.wait(60000));
    QCOMPARE(prompts.Records().size(), 1);
    QCOMPARE(prompts.Records()[0].kind, MsgKind::Error);
    QVERIFY2(prompts.Records()[0].text.startsWith(QStringLiteral(
                 "The new licence data would hold no licensee (EN.dat: 3 lines read, 0 kept, 3 skipped)")),
             qPrintable(prompts.Records()[0].text));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("lblStatus"))->text(),
             QStringLiteral("The licence data was not built; the old files are kept."));
    QCOMPARE(CountLicensees(folder + QStringLiteral("/fccdata.db")), 7);
}

void TestBuildLicenceData::SourceRequired()
{
    TTestHome home;
    TScriptedPrompts prompts;
    prompts.AnswerMessage(MsgButton::OK);
    TfrmBuildLicenceData dialog(prompts, home.Root());
    Edit(&dialog, "txtSource")->setText(home.Root() + QStringLiteral("/nowhere.zip"));
    Button(&dialog, "btnBuild")->click();
    QCOMPARE(
        prompts.Messages(),
        QStringList{QStringLiteral("Choose the FCC licence file l_amat.zip (or the folder it unzips to).")});
    QCOMPARE(prompts.Records()[0].kind, MsgKind::Warning);
    QVERIFY(!dialog.Running());
}

VANTREL_TEST(TestBuildLicenceData)
#include "tst_BuildLicenceData.moc"
