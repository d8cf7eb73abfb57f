#pragma once

#include "app/LogContact.h"
#include "app/TCurrentLog.h"
#include "data/Clock.h"
#include "data/Prompts.h"
#include "data/TDM.h"
#include "data/TSettings.h"
#include "gui/app/TContactEdits.h"
#include "gui/app/TEntryForm.h"
#include "gui/app/TLookupPanel.h"
#include "process/SubmissionLog.h"

#include <QMainWindow>
#include <QSet>
#include <QStringList>
#include <exception>
#include <memory>
#include <optional>

class IPrompts;
class TLookup;
class TfrmProcessLog;
class TProgramUpdate;
class TDupeListModel;
class TRecentContactsModel;
class QTimer;
class QComboBox;
class QLineEdit;
class QMenu;
class TStatisticsRoom;
class TStationSettingsRoom;
class TClusterRoom;
class TShareRoom;
class TThemeRoom;
class TStationLinks;
class TStationLinksRoom;

namespace Ui {
class TfrmMain;
}

// The main window: its layout, its menus and the handlers of the items that are the window's own (the log
// list, a new log, the log's setup, the program's update, the help), the status bar with the counters and
// the clock, and the wiring of the rooms that do the work: the current log (TCurrentLog), the entry form
// (TEntryForm), the lookup panel (TLookupPanel), the contact edits (TContactEdits), start-up (TStartup),
// the links to the station's other programs (TStationLinks, TStationLinksRoom), the theme (TThemeRoom) and
// the capabilities beside the entry form (WireCapabilities). Creating it runs the whole start-up
// (FormCreate); closing it keeps the draft, closes the databases and writes the window settings.
class TfrmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit TfrmMain(IPrompts& prompts, QWidget* parent = nullptr);
    ~TfrmMain() override;

    TDM& DM() { return fDM; }
    TSettings& Settings() { return fSettings; }
    TMysettings& Mysettings() { return fSettings.Mysettings; }
    IPrompts& Prompts() { return fPrompts; }

    // The start-up lists, loaded from config.db.
    const QStringList& Countries() const { return fCountries; }
    const QStringList& States() const { return fStates; }
    const QStringList& Modes() const { return fModes; }
    const QStringList& Events() const { return fEvents; }
    const QStringList& Counties() const { return fCounties; }

    // Program-wide settings read at start-up.
    QString OrvanePath() const { return fOrvanePath; }
    void SetOrvanePath(const QString& path);
    QString FCCPath() const { return fFCCPath; }
    void SetFCCPath(const QString& path);
    QString Grid() const { return fGrid; }
    void SetGrid(const QString& grid);
    // The theme and the window's own colours.
    TThemeRoom& ThemeRoom() { return *fThemes; }
    bool AutoCheckUpdate() const { return fAutoCheckUpdate; }
    void SetAutoCheckUpdate(bool value);
    bool Debug() const { return fdebug; }

    // Replaces the county list with the counties of one state.
    void GetCountyList(const QString& state);

    // Shows the list of open logs.
    void DoOpen();
    // Selects the log of a line of the log list and makes it current.
    void ListBox1Click();
    // Creates a new log through the setup dialog (File > New).
    void DoNewLog();
    // Edits the current log's configuration (Options > Setup).
    void mnuSetupClick();
    // True once a log is current.
    bool HasCurrentLog() const { return fLog.IsCurrent(); }
    TCurrentLog& CurrentLog() { return fLog; }

    // The entry form (see TEntryForm).
    TEntryForm& EntryForm() { return *fEntry; }
    // Logs the contact of the entry form into the current log (Log button, Enter, and the feeds).
    void DoLog() { fEntry->DoLog(); }
    // True when the contact of the entry form is a duplicate in the current log.
    bool DupeCheck() { return fEntry->DupeCheck(); }
    // Empties the entry form for the next contact.
    void ClearEntries() { fEntry->ClearEntries(); }

    // The single point to call whenever the current log's table has changed (a contact logged by the
    // form, a feed or an import, or edited or removed): refreshes the recent-contacts list and the dupe
    // list, and tells LogChanged.
    void LogTableChanged();
    TRecentContactsModel& RecentContacts() { return fEdits->RecentContacts(); }
    // The contact edits: the recent-contacts list, edit, delete, undo, reopen and the ADIF import.
    TContactEdits& ContactEdits() { return *fEdits; }
    void EditContact(int row) { fEdits->EditContact(row); }

    // Score counters of the current log, shown in the status bar.
    int ctx_with() const { return fLog.ctx_with(); }
    int ctx_without() const { return fLog.ctx_without(); }
    int ctx_epc() const { return fLog.ctx_epc(); }
    int ctx_070() const { return fLog.ctx_070(); }
    int totalpoints() const { return fLog.totalpoints(); }
    void Setctx_with(int value) { fLog.Setctx_with(value); }
    // Sets the five counters from the current log's table.
    void RecountScores() { fLog.RecountScores(); }
    // Brings the counters, the recent contacts and the dupe list up to date when another program (a
    // script's ADIF import, a second copy of the program) has changed "logs.db" since the window last
    // looked: at every clock tick, whenever the window is activated and before the log is processed.
    void FollowLogFile();
    // The counters as Process Contest reads them: first brought up to date with the log file.
    TScoreCounters CurrentScore()
    {
        FollowLogFile();
        return fLog.Score();
    }

    bool OfflineLogging() const { return fEntry->OfflineLogging(); }
    void SetOfflineLogging(bool value) { fEntry->SetOfflineLogging(value); }
    bool AutoLookup() const { return fEntry->AutoLookup(); }
    bool AutoFill() const { return fEntry->AutoFill(); }
    bool UseAutoLook() const { return fEntry->UseAutoLook(); }
    void SetUseAutoLook(bool value) { fEntry->SetUseAutoLook(value); }

    // The lookup panel: the form's call sign looked up, with bearing and distance; with AutoFill the form
    // is filled from what it found.
    TLookupPanel& LookupPanel() { return *fLookupPanel; }
    TLookup& Lookup() { return *fLookup; }
    // The contest-processing dialog, created once after the main window and kept for the run.
    void SetProcessLog(TfrmProcessLog* dialog) { fProcessLog = dialog; }
    // Options > Process Contest: the processing dialog for the current log.
    void mnuProcessContestClick();

    // Options > Display Log: the current log in the table window; the counters are recounted from the
    // table once the window closes, so they stay true after edits and deletions.
    void mnuDisplayLogClick();
    // File > Update Database: the reference table named by the chosen item's hint text.
    void Events1Click(QAction* item);
    // Help > About.
    void mnuAboutClick();
    // File > Update Data Files: the roster update dialog, modal.
    void mnuUpdateFilesClick();
    // The program's own update (TProgramUpdate): the version check with its questions (quiet: no message
    // when the program is current) and the installer download; a started installer closes the window.
    bool NewVersionAvailable();
    void UpdateCheck(bool quiet);
    void InstallUpdate();
    TProgramUpdate& ProgramUpdate() { return *fProgramUpdate; }

    // Asks for the own grid locator (Options > Update Grid Locator).
    void mnuUpdateGridLocatorClick();
    void mnuBuildLicenceDataClick();

    // File > Import ADIF…: the contacts of another program's ADIF file into the current log.
    void mnuImportADIFClick() { fEdits->mnuImportADIFClick(); }

    // The links to the station's other programs (logging server, WSJT-X / JTDX, FLdigi, rig control) and
    // their menus, labels and the feeds' note in the status bar.
    TStationLinks& StationLinks() { return *fLinks; }
    TStationLinksRoom& StationLinksRoom() { return *fLinksRoom; }

    // The clock: every second the status bar date and time and, unless off-line logging is on, the
    // entry form's Date and Time. Tests set the clock and call the tick.
    void SetClock(TClock clock) { fClock = std::move(clock); }
    QDateTime Now() const { return fClock(); }
    void tmr1Timer();

    // What the rooms of WireCapabilities reach: a menu by its object name ("mnuDisplay"), the status bar,
    // the entry form's call sign and mode.
    QMenu* MenuNamed(const QString& name) const;
    QWidget* StatusPanel() const;
    QLineEdit* CallsignField() const;
    QComboBox* ModeBox() const;
    // Puts a call sign into the entry form as if typed and left (the dupe list, the lookup follow) and,
    // when one is given, selects the mode; the call sign field gets the focus.
    void TakeCall(const QString& call, const QString& mode);
    // The last lookup's failure, empty while lookups work.
    QString LookupProblem() const;
    TStatisticsRoom& StatisticsRoom() { return *fStatisticsRoom; }
    TStationSettingsRoom& StationSettingsRoom() { return *fStationSettingsRoom; }
    TClusterRoom& ClusterRoom() { return *fClusterRoom; }
    TShareRoom& ShareRoom() { return *fShareRoom; }

signals:
    // The current log's contacts changed: a contact logged by the form or a feed, an import, an edit or a
    // removal, another program's change seen in the file, or another log made current. Emitted once per
    // change, after the window has shown it. What follows the log (a statistics panel, a band map, a
    // sync to a server) connects here; such capabilities are wired in WireCapabilities.
    void LogChanged();
    // A link to another program changed: the logging server, WSJT-X, FLdigi or rig control switched on or
    // off, or a lookup failed or worked again.
    void LinksChanged();
    // The window is closing: the databases close right after.
    void Closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void FormCreate();
    // The one place where capabilities beside the entry form are wired to the window: their docks, their
    // menu items and their connections to LogChanged.
    void WireCapabilities();
    void DetachWidgets();
    void ReadSettings();
    void WriteSettings();
    void FormActivate();
    void ConnectMenu();
    void ConnectTablesAndAppearance();
    void mnuContentsClick();
    void CheckforUpdate1Click();
    void ConnectEntryForm();
    // An event handler that shows the error of the action it runs instead of letting it leave the handler.
    template <typename... Args> auto Guarded(void (TfrmMain::*handler)(Args...))
    {
        return
            [this, handler](Args... args) { RunGuarded(fPrompts, this, [&] { (this->*handler)(args...); }); };
    }
    void MakeLogCurrent(const TDM::TLogCounts& counts);
    void ConnectStationLinks();
    void ShowCounters();
    void SetOptionsEnabled(bool enabled);
    // True when a key is the shortcut of a menu item that can run now.
    bool IsMenuShortcut(const class QKeyEvent& key) const;
    bool eventFilter(QObject* watched, QEvent* event) override;

    std::unique_ptr<Ui::TfrmMain> ui;
    IPrompts& fPrompts;
    TDM fDM;
    TSettings fSettings;
    TCurrentLog fLog{fDM, fSettings.Mysettings};
    TClock fClock = SystemNow;

    QStringList fCountries;
    QStringList fStates;
    QStringList fModes;
    QStringList fEvents;
    QStringList fCounties;

    QString fOrvanePath;
    QString fFCCPath;
    bool fAutoCheckUpdate = false;
    QString fGrid;
    bool fdebug = false;
    bool fFirstActivation = true;
    bool fWorkFolderReadOnly = false;
    std::unique_ptr<TLookup> fLookup;
    std::unique_ptr<TProgramUpdate> fProgramUpdate;
    TfrmProcessLog* fProcessLog = nullptr;
    QTimer* tmr1 = nullptr;

    std::unique_ptr<TContactEdits> fEdits;
    std::unique_ptr<TEntryForm> fEntry;
    std::unique_ptr<TLookupPanel> fLookupPanel;
    std::unique_ptr<TThemeRoom> fThemes;
    std::unique_ptr<TStationLinks> fLinks;
    std::unique_ptr<TStationLinksRoom> fLinksRoom;

    // The capabilities beside the entry form; they go before the members above that they use.
    std::unique_ptr<TStatisticsRoom> fStatisticsRoom;
    std::unique_ptr<TStationSettingsRoom> fStationSettingsRoom;
    std::unique_ptr<TClusterRoom> fClusterRoom;
    std::unique_ptr<TShareRoom> fShareRoom;
};
