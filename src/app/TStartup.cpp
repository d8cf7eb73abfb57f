#include "TStartup.h"

#include "data/Errors.h"
#include "data/FolderCopy.h"
#include "data/Paths.h"
#include "data/Prompts.h"
#include "data/TDM.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kFirstRunText =
    QStringLiteral("We have detected this is a new installation.  If a previous\n"
                   "work folder exists you will be giving the option to etiher copy\n"
                   "or move that folder.  Otherwise, the new work folder will be created\n"
                   "with new blank databases");

const QString kOlderFolderText = QStringLiteral(
    "An older data folder exists.  Woudl you like to copy or move that folder\n"
    "Click Yes to COPY the folder, click No to MOVE the folder, or cancel to create a new folder");

const QString kReadOnlyFolderText = QStringLiteral(
    "The work folder %1 cannot be written to. Vantrel keeps its logs there and writes a journal beside "
    "logs.db with every contact, so no log is opened from a read-only folder and logging is off.\n"
    "Give your user write access to the folder (or copy the folder to a writable place and set VANTREL_HOME "
    "to it), then start Vantrel again.");

const QString kLogsOpenText = QStringLiteral(
    "The logs database %1 cannot be opened: %2.\nNo contact can be logged until it opens. Close Vantrel, "
    "move logs.db out of the work folder (keep it: it may still hold your logs) and start Vantrel again to "
    "begin a new logs database, or put back a backup copy of logs.db.");

const QString kConfigOpenText = QStringLiteral(
    "The reference database %1 cannot be opened: %2.\nClose Vantrel, move config.db out of the work folder "
    "and start Vantrel again: a copy of the reference database shipped with Vantrel is then put in its "
    "place.");

const QString kConfigReplacedText = QStringLiteral(
    "The reference database %1 was missing, so a copy of the one shipped with Vantrel has been put in its "
    "place. Rosters downloaded and reference tables edited before are not in it.");

const QString kEmptyLogsText = QStringLiteral(
    "The logs database %1 was empty (0 bytes) and has been set up as a new logs database. If it held your "
    "logs, close Vantrel and put back a backup copy of logs.db.");

// Copies the reference database shipped with the program into the work folder.
void CopyShippedReferenceDatabase(const QString& target)
{
    const QString shipped = Paths::ShippedFile(QStringLiteral("config.db"));
    QFile file(shipped);
    if (!file.copy(target)) {
        throw EVantrel(file.errorString() + QStringLiteral(" (") + QDir::toNativeSeparators(shipped) + ')');
    }
    // The copy keeps the shipped file's permissions; the work copy must be writable.
    QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner | QFile::ReadOwner);
}

} // namespace

TStartup::TStartup(IPrompts& prompts, QWidget* window, TDM& dm) : fPrompts(prompts), fWindow(window), fDM(dm)
{}

bool TStartup::PrepareWorkFolder()
{
    // First run: create the work folder.
    const QString work = Paths::WorkFolder();
    if (!QDir(work).exists()) {
        CreateWorkFolder();
    }
    // SQLite writes its journal beside the database: a read-only folder cannot hold a log safely.
    if (!QFileInfo(work).isWritable()) {
        emit LogsUnavailable();
        ShowCenteredMessage(fPrompts, fWindow, kReadOnlyFolderText.arg(QDir::toNativeSeparators(work)),
                            MsgKind::Error, MsgButton::OK);
        return false;
    }
    return true;
}

TStartup::TOpened TStartup::OpenDatabases()
{
    // The reference database is never created empty: a missing one is replaced by the shipped copy.
    const QString work = Paths::WorkFolder();
    const QString config = work + QStringLiteral("config.db");
    if (!QFileInfo::exists(config)) {
        CopyShippedReferenceDatabase(config);
        ShowCenteredMessage(fPrompts, fWindow, kConfigReplacedText.arg(QDir::toNativeSeparators(config)),
                            MsgKind::Information, MsgButton::OK);
    }
    // Open the databases; an error is reported with the file and what to do, and start-up goes
    // on without the steps that need that database.
    const QString logs = work + QStringLiteral("logs.db");
    const bool logsWasEmpty = QFileInfo(logs).isFile() && QFileInfo(logs).size() == 0;
    TOpened opened;
    try {
        fDM.OpenLogs(logs);
        opened.logs = true;
    } catch (const EDatabaseError& e) {
        ShowCenteredMessage(fPrompts, fWindow,
                            QStringLiteral("Exception raised with message") +
                                kLogsOpenText.arg(QDir::toNativeSeparators(logs), e.Message()),
                            MsgKind::Error, MsgButton::OK);
        emit LogsUnavailable();
    }
    try {
        fDM.OpenConfig(config);
        opened.config = true;
    } catch (const EDatabaseError& e) {
        ShowCenteredMessage(fPrompts, fWindow,
                            QStringLiteral("Exception raised with message") +
                                kConfigOpenText.arg(QDir::toNativeSeparators(config), e.Message()),
                            MsgKind::Error, MsgButton::OK);
    }
    // An empty logs database gets its `config` table.
    if (opened.logs && fDM.GetLogTables().isEmpty()) {
        fDM.CreateConfig();
        if (logsWasEmpty) {
            ShowCenteredMessage(fPrompts, fWindow, kEmptyLogsText.arg(QDir::toNativeSeparators(logs)),
                                MsgKind::Information, MsgButton::OK);
        }
    }
    return opened;
}

void TStartup::CreateWorkFolder()
{
    const QString work = Paths::WorkFolder();
    const QString older = Paths::OlderFolder();
    ShowCenteredMessage(fPrompts, fWindow, kFirstRunText, MsgKind::Information, MsgButton::OK);
    if (QDir(older).exists()) {
        const MsgButton answer =
            ShowCenteredMessage(fPrompts, fWindow, kOlderFolderText, MsgKind::Information,
                                MsgButton::Yes | MsgButton::No | MsgButton::Cancel);
        if (answer == MsgButton::Yes) {
            CopyTree(older, work, false);
            return;
        }
        if (answer == MsgButton::No) {
            MoveFolder(older, work);
            return;
        }
    }
    if (!QDir().mkpath(work)) {
        throw EVantrel(QStringLiteral("Unable to create the folder %1").arg(QDir::toNativeSeparators(work)));
    }
    const QString target = work + QStringLiteral("config.db");
    if (!QFileInfo::exists(target)) {
        CopyShippedReferenceDatabase(target);
    }
}
