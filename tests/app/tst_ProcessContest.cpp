#include "AppFixture.h"
#include "common/TestRegistry.h"
#include "gui/app/TRecentContactsModel.h"
#include "gui/process/TfrmProcessLog.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QListWidget>
#include <QProcess>

namespace {

// Imports ADIF text into a log with a second copy of the program, as a script does while the window is open.
void ImportInAnotherProcess(const QString& folder, const QString& log, const QByteArray& adif)
{
    const QString path = folder + QStringLiteral("/other.adi");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(adif), adif.size());
    file.close();
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    process.setProcessEnvironment(env);
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/vantrel"),
                  QStringList{"--import-adif", path, "--log", log});
    QVERIFY(process.waitForFinished(30000));
    QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
             process.readAllStandardOutput() + process.readAllStandardError());
}

} // namespace

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

    // Contacts another program adds to the open log: the counters follow within a tick, and the header of
    // a log processed right after another import agrees with its own QSO lines.
    void CountersFollowAnotherProgram()
    {
        TAppFixture f;
        // The counters as the program hands them to the dialog.
        auto* dialog = new TfrmProcessLog(
            f.prompts, f.window->DM(), f.window->Mysettings(), [&f] { return f.window->CurrentScore(); },
            f.window.get());
        f.window->SetProcessLog(dialog);
        f.window->SetClock([] { return QDateTime(QDate(2024, 6, 1), QTime(12, 0)); });
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Winter Phone"));
        f.Type(QStringLiteral("W1AW"), QStringLiteral("1234"));
        f.window->DoLog();
        f.Type(QStringLiteral("K2XYZ"));
        f.window->DoLog();
        const QString table = f.window->Mysettings().TableName;

        ImportInAnotherProcess(f.home.Root(), table,
                               "<CALL:5>K1ABC<QSO_DATE:8>20240203<TIME_ON:4>1706<TEN_TEN:3>200<EOR>\n"
                               "<CALL:4>N0AA<QSO_DATE:8>20240203<TIME_ON:4>1707<EOR>\n");
        QTRY_COMPARE(f.window->ctx_with(), 2);
        QCOMPARE(f.window->ctx_without(), 2);
        QCOMPARE(f.window->totalpoints(), 6);
        QCOMPARE(f.window->RecentContacts().rowCount(), 4);

        // No tick between this import and the processing.
        ImportInAnotherProcess(f.home.Root(), table,
                               "<CALL:4>W5XX<QSO_DATE:8>20240203<TIME_ON:4>1708<TEN_TEN:3>300<EOR>\n");
        const QString folder = f.home.Root() + QStringLiteral("/out");
        QDir().mkpath(folder);
        f.prompts.AnswerFolder(folder);
        f.prompts.AnswerMessage(MsgButton::OK);
        TAppFixture::OnNextModal([&](QDialog* d) {
            d->findChild<QPushButton*>(QStringLiteral("btnBrowse"))->click();
            d->findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
        });
        f.window->findChild<QAction*>(QStringLiteral("mnuProcessContest"))->trigger();
        QFile log(folder + QStringLiteral("/N0CALL_2024_Winter_Phone.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        QCOMPARE(text.count("\nQSO: "), 5);
        QVERIFY2(text.contains("CONTACTS WITH TEN TEN: 3\nCONTACTS WITHOUT TEN TEN: 2\nTOTAL CONTACTS: 5\n"
                               "CLAIMED SCORE: 8\n"),
                 text.constData());
    }
};

VANTREL_TEST(TestProcessContest)
#include "tst_ProcessContest.moc"
