#include "AppFixture.h"
#include "common/TestRegistry.h"
#include "gui/process/TfrmProcessLog.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QListWidget>

// Options > Process Contest from the main window: the dialog opens for the current log and reads the
// main window's counters when OK is pressed.
class TestProcessContest : public QObject
{
    Q_OBJECT

private slots:
    void ProcessCurrentLog()
    {
        TAppFixture f;
        auto* dialog = new TfrmProcessLog(
            f.prompts, f.window->DM(), f.window->Mysettings(),
            [&f] {
                return TScoreCounters{f.window->ctx_with(), f.window->ctx_without(), f.window->totalpoints()};
            },
            f.window.get());
        f.window->SetProcessLog(dialog);
        f.window->SetClock([] { return QDateTime(QDate(2024, 6, 1), QTime(12, 0)); });
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Winter Phone"));
        f.Type(QStringLiteral("W1AW"), QStringLiteral("1234"));
        f.window->DoLog();
        f.Type(QStringLiteral("K2XYZ"));
        f.window->DoLog();

        const QString folder = f.home.Root() + QStringLiteral("/out");
        QDir().mkpath(folder);
        f.prompts.AnswerFolder(folder);
        // The process flag is confirmed, then the closing message.
        f.prompts.AnswerMessage(MsgButton::Yes);
        f.prompts.AnswerMessage(MsgButton::OK);
        TAppFixture::OnNextModal([&](QDialog* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Process Log - N0CALL_2024_Winter_Phone"));
            d->findChild<QPushButton*>(QStringLiteral("btnBrowse"))->click();
            d->findChild<QCheckBox*>(QStringLiteral("cbProcessFlag"))->click();
            d->findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
        });
        f.window->findChild<QAction*>(QStringLiteral("mnuProcessContest"))->trigger();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(f.prompts.Messages().size(), 2);
        QCOMPARE(f.prompts.Messages().last(), QStringLiteral("Submission files written to ") + folder + '/');
        QFile log(folder + QStringLiteral("/N0CALL_2024_Winter_Phone.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        QVERIFY(text.contains("CONTACTS WITH TEN TEN: 1\nCONTACTS WITHOUT TEN TEN: 1\nTOTAL CONTACTS: 2\n"
                              "CLAIMED SCORE: 3\n"));
        QVERIFY(QFile::exists(folder + QStringLiteral("/N0CALL_2024_Winter_Phone.dup")));
        // The processed log leaves the list of open logs.
        f.window->DoOpen();
        QCOMPARE(f.Find<QListWidget>("ListBox1")->count(), 0);
    }
};

VANTREL_TEST(TestProcessContest)
#include "tst_ProcessContest.moc"
