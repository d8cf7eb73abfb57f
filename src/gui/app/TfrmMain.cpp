#include "TfrmMain.h"

#include "ui_TfrmMain.h"

#include "TClusterRoom.h"
#include "TContactEdits.h"
#include "TDupeListModel.h"
#include "TEntryForm.h"
#include "TLookupPanel.h"
#include "TRecentContactsModel.h"
#include "TShareRoom.h"
#include "TStationLinksRoom.h"
#include "TStationSettingsRoom.h"
#include "TStatisticsRoom.h"
#include "TThemeRoom.h"
#include "TfrmBuildLicenceData.h"
#include "TfrmSetup.h"
#include "app/ADIFImport.h"
#include "app/TStartup.h"
#include "app/TStationLinks.h"
#include "data/Errors.h"
#include "data/LogRules.h"
#include "data/MyFunc.h"
#include "data/Paths.h"
#include "data/Prompts.h"
#include "gui/common/OpenDocument.h"
#include "gui/common/TAboutBox.h"
#include "gui/common/TFlowLayout.h"
#include "gui/common/Themes.h"
#include "gui/common/WindowFit.h"
#include "gui/data/TfrmDatabases.h"
#include "gui/data/TfrmLogTable.h"
#include "gui/process/TfrmProcessLog.h"
#include "gui/update/ProgramUpdate.h"
#include "gui/update/TfrmDataUpdate.h"
#include "lookup/TLookup.h"

#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QKeyEvent>
#include <QListWidget>
#include <QLocale>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>

namespace {

// The least size the main window opens at: the entry form and the recent contacts of a log fit without
// scrolling.
constexpr QSize kUsableSize(820, 620);

} // namespace

TfrmMain::TfrmMain(IPrompts& prompts, QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::TfrmMain>()), fPrompts(prompts),
      fSettings(Paths::WorkFolder() + QStringLiteral("Vantrel.cfg"))
{
    ui->setupUi(this);
    // The status panels take a second row in a narrow window rather than widen it.
    TFlowLayout::Replace(ui->pnlStatus);
    connect(&fLog, &TCurrentLog::CountersChanged, this, &TfrmMain::ShowCounters);
    connect(&fLog, &TCurrentLog::TableKeptAside, this, [this](const QString& name, const QString& aside) {
        ShowCenteredMessage(
            fPrompts, this,
            QStringLiteral(
                "Converting %1 to the current layout found a table temp_table, left in logs.db by an "
                "earlier conversion that did not finish. It may hold the only copy of a log's "
                "contacts, so it has been kept under the name %2.")
                .arg(name, aside),
            MsgKind::Information, MsgButton::OK);
    });
    // Every window of the program fits the screen it opens on and gives the focus back when it closes.
    WindowFit::Install();
    // The lookup dispatcher exists from the start; it opens nothing until the first lookup.
    fLookup = std::make_unique<TLookup>(fDM, fSettings, fPrompts, this, [this] { return fClock(); });
    fProgramUpdate = std::make_unique<TProgramUpdate>(fSettings, fPrompts, this);
    ConnectEntryForm();
    ConnectStationLinks();
    FormCreate();
    fEntry->ConnectDraft();
    WireCapabilities();
    // The clock runs from the creation of the window to its end.
    tmr1 = new QTimer(this);
    tmr1->setInterval(1000);
    connect(tmr1, &QTimer::timeout, this, &TfrmMain::tmr1Timer);
    // The counters follow what other programs change in the log file within a second.
    connect(tmr1, &QTimer::timeout, this, Guarded(&TfrmMain::FollowLogFile));
    tmr1->start();
    tmr1Timer();
}

TfrmMain::~TfrmMain()
{
    DetachWidgets();
}

void TfrmMain::WireCapabilities()
{
    // Each capability is a room of its own: it adds its dock, its menu items and its part of the status
    // bar, and follows the log through LogChanged. The station settings come first: they switch on the
    // links the others follow (the rig for the band map).
    fStationSettingsRoom = std::make_unique<TStationSettingsRoom>(*this);
    fStatisticsRoom = std::make_unique<TStatisticsRoom>(*this);
    fClusterRoom = std::make_unique<TClusterRoom>(*this);
    fShareRoom = std::make_unique<TShareRoom>(*this);
    // The statistics and the band map share one column beside the entry form, as tabs, so that with both
    // open the form keeps its width on a small screen.
    auto* statistics = findChild<QDockWidget*>(QStringLiteral("dockStatistics"));
    auto* bandMap = findChild<QDockWidget*>(QStringLiteral("dockBandMap"));
    if (statistics && bandMap) {
        tabifyDockWidget(statistics, bandMap);
        // The panel the operator opens comes to the front of the tabs, once it has taken its place there.
        for (QDockWidget* dock : {statistics, bandMap}) {
            connect(dock->toggleViewAction(), &QAction::triggered, dock, [dock](bool on) {
                if (on) {
                    QTimer::singleShot(0, dock, &QDockWidget::raise);
                }
            });
        }
    }
    // What starts with the program; a settings file that cannot be read has been reported already.
    if (fWorkFolderReadOnly) {
        return;
    }
    try {
        // The panels come back where the operator left them.
        restoreState(QByteArray::fromBase64(fSettings.GetSetting(SettingKeys::Panels, "").toLatin1()));
        fStationSettingsRoom->StartLinks();
        fClusterRoom->Start();
        fShareRoom->Start();
    } catch (const EVantrel& e) {
        fLinksRoom->ShowNote(e.Message());
    }
}

QMenu* TfrmMain::MenuNamed(const QString& name) const
{
    return ui->MainMenu1->findChild<QMenu*>(name);
}

QWidget* TfrmMain::StatusPanel() const
{
    return ui->pnlStatus;
}

QLineEdit* TfrmMain::CallsignField() const
{
    return ui->txtCallsign;
}

QComboBox* TfrmMain::ModeBox() const
{
    return ui->cboMode;
}

void TfrmMain::TakeCall(const QString& call, const QString& mode)
{
    ui->txtCallsign->setText(call);
    fEntry->txtCallsignExit();
    if (!mode.isEmpty()) {
        fEntry->SelectMode(mode);
        ui->cboMode->setEditText(ui->cboMode->currentIndex() >= 0 ? ui->cboMode->currentText() : mode);
    }
    ui->txtCallsign->setFocus();
}

QString TfrmMain::LookupProblem() const
{
    return fLookupPanel->Problem();
}

void TfrmMain::DetachWidgets()
{
    // The widgets outlive the databases and the members their signals and key handling reach: a field that
    // loses the focus as the window goes (a state typed into the QTH box is then picked) is not handled.
    const std::initializer_list<QObject*> handlers = {this, fEntry.get(), fEdits.get(), fLookupPanel.get()};
    for (QWidget* w : findChildren<QWidget*>()) {
        for (QObject* handler : handlers) {
            w->removeEventFilter(handler);
            QObject::disconnect(w, nullptr, handler, nullptr);
        }
    }
}

void TfrmMain::FormCreate()
{
    // The window is laid out and resizable. Its contents scroll when the screen is smaller than they need
    // (a small screen or a large scale factor), so that no control is ever cut off.
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("scrollMain"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(takeCentralWidget());
    setCentralWidget(scroll);
    ConnectMenu();
    try {
        // 1. Menus use a 14-point font.
        Themes::SetMenuFont(14);
        // 2. Paths under the user's profile: the links take FLdigi's log file there when they are made.
        // 3. First run: create the work folder; a read-only one holds no log.
        TStartup startup(fPrompts, this, fDM);
        connect(&startup, &TStartup::LogsUnavailable, this, [this] {
            ui->mnuNew->setEnabled(false);
            ui->mnuOpen->setEnabled(false);
        });
        if (!startup.PrepareWorkFolder()) {
            fWorkFolderReadOnly = true;
            return;
        }
        // 4. Off-line logging starts off.
        fEntry->SetOfflineLogging(false);
        // 5 to 8. The databases.
        const TStartup::TOpened opened = startup.OpenDatabases();
        const bool logsOpen = opened.logs;
        const bool configOpen = opened.config;
        // 9, 10. Lists and the theme menu.
        fThemes->BuildMenu();
        // 11. Settings.
        ReadSettings();
        // 12, 13. Start-up lists.
        if (configOpen) {
            fCountries = fDM.GetCountries();
            fStates = fDM.GetStates();
            fModes = fDM.GetModes();
            fEvents = fDM.GetEvents();
            GetCountyList(QStringLiteral("AZ"));
            // 14. The entry form's boxes.
            const QString mode = ui->cboMode->currentText();
            TEntryForm::FillBox(ui->cboQTH, fStates);
            TEntryForm::FillBox(ui->cboMode, fModes);
            TEntryForm::SelectItem(ui->cboMode, mode);
            ui->cboMode->setEditText(mode);
            TEntryForm::FillBox(ui->cboCounty, fCounties);
        }
        // 15. The debug switch keeps "Show XML" hidden unless VANTREL_DEBUG asks for it.
        fdebug = qEnvironmentVariableIntValue("VANTREL_DEBUG") != 0;
        // 16. The list of open logs.
        if (logsOpen) {
            DoOpen();
        }
    } catch (const EVantrel& e) {
        ShowCenteredMessage(fPrompts, this, e.Message(), MsgKind::Error, MsgButton::OK);
    }
}

void TfrmMain::ReadSettings()
{
    fOrvanePath = fSettings.GetSetting(SettingKeys::OrvanePath, Paths::DefaultOrvanePath());
    fFCCPath = fSettings.GetSetting(SettingKeys::FCCPath, Paths::DefaultFCCPath());
    const int top = fSettings.GetSetting(SettingKeys::Top, y());
    const int left = fSettings.GetSetting(SettingKeys::Left, x());
    const int width = fSettings.GetSetting(SettingKeys::Width, 0);
    const int height = fSettings.GetSetting(SettingKeys::Height, 0);
    // A size saved at another scale factor or on another screen may be too small to work in: the window
    // opens at least at a usable size, and never larger than the free area of its screen; once shown it
    // lies wholly on that screen.
    QSize size = width > 0 && height > 0 ? QSize(width, height) : this->size();
    size = size.expandedTo(kUsableSize);
    move(left, top);
    if (const QScreen* screen = WindowFit::ScreenFor(this)) {
        size = size.boundedTo(screen->availableGeometry().size());
    }
    resize(size);
    fThemes->ReadColors();
    fLinks->ReadSettings();
    fThemes->SetTheme(fSettings.GetSetting(SettingKeys::Theme, "Sky"));
    SetAutoCheckUpdate(fSettings.GetSetting(SettingKeys::AutoCheckUpdate, false));
    fGrid = fSettings.GetSetting(SettingKeys::Grid, fGrid);
    if (fGrid.isEmpty()) {
        if (const auto answer = fPrompts.Input(this, QStringLiteral("Grid Square"),
                                               QStringLiteral("Enter Maidenhead Grid Locator x6"), fGrid)) {
            fGrid = *answer;
            fSettings.SaveSetting(SettingKeys::Grid, fGrid);
        }
    }
    ui->StaticText1->setText(QStringLiteral("Grid Square: ") + fGrid);
    ui->cboMode->setEditText(fSettings.GetSetting(SettingKeys::LastMode, ui->cboMode->currentText()));
}

void TfrmMain::WriteSettings()
{
    fSettings.SaveSetting(SettingKeys::Left, x());
    fSettings.SaveSetting(SettingKeys::Top, y());
    const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    fSettings.SaveSetting(SettingKeys::Width, normal.width());
    fSettings.SaveSetting(SettingKeys::Height, normal.height());
    fThemes->WriteSettings();
    fSettings.SaveSetting(SettingKeys::LastMode, ui->cboMode->currentText());
    fSettings.SaveSetting(SettingKeys::Panels, QString::fromLatin1(saveState().toBase64()));
}

void TfrmMain::mnuAboutClick()
{
    TAboutBox box(fPrompts, this);
    box.exec();
}

void TfrmMain::mnuDisplayLogClick()
{
    if (!HasCurrentLog() || Mysettings().TableName.isEmpty()) {
        ShowCenteredMessage(fPrompts, this,
                            QStringLiteral("No log is open. Select a log in the Logs list or create one with "
                                           "File > New before displaying it."),
                            MsgKind::Error, MsgButton::OK);
        return;
    }
    {
        TfrmLogTable form(fPrompts, fDM, this);
        form.Execute(Mysettings().TableName);
    }
    RecountScores();
}

void TfrmMain::Events1Click(QAction* item)
{
    TfrmDatabases form(fPrompts, fDM, this);
    form.Execute(item->statusTip());
}

void TfrmMain::ConnectTablesAndAppearance()
{
    connect(ui->mnuDisplayLog, &QAction::triggered, this, Guarded(&TfrmMain::mnuDisplayLogClick));
    // The nine reference tables share one handler; each item carries its table name as its hint.
    for (QAction* item : ui->mnuUpdateDatabase->actions()) {
        connect(item, &QAction::triggered, this,
                [this, item] { RunGuarded(fPrompts, this, [&] { Events1Click(item); }); });
    }
    connect(ui->mnuAbout, &QAction::triggered, this, Guarded(&TfrmMain::mnuAboutClick));
}

void TfrmMain::SetAutoCheckUpdate(bool value)
{
    fAutoCheckUpdate = value;
    fSettings.SaveSetting(SettingKeys::AutoCheckUpdate, value);
    ui->mnuAutoCheckUpdate->setChecked(value);
}

void TfrmMain::SetOrvanePath(const QString& path)
{
    fOrvanePath = path;
    fSettings.SaveSetting(SettingKeys::OrvanePath, path);
}

void TfrmMain::SetFCCPath(const QString& path)
{
    fFCCPath = path;
    fSettings.SaveSetting(SettingKeys::FCCPath, path);
}

void TfrmMain::SetGrid(const QString& grid)
{
    fGrid = grid;
    fSettings.SaveSetting(SettingKeys::Grid, grid);
    ui->StaticText1->setText(QStringLiteral("Grid Square: ") + fGrid);
}

void TfrmMain::GetCountyList(const QString& state)
{
    fCounties = fDM.GetCountyList(state);
}

void TfrmMain::DoOpen()
{
    fEntry->ClearEntries();
    ui->TextBox3->hide();
    ui->btnShowXML->hide();
    ui->ListBox1->show();
    const QStringList tables = fDM.GetTables();
    ui->PageControl1->setCurrentIndex(0);
    ui->PageControl1->setTabText(0, QStringLiteral("Logs"));
    ui->ListBox1->clear();
    ui->ListBox1->addItems(tables);
    // The list takes the keyboard, the open log (else the first) chosen: arrows and Enter open a log.
    if (!tables.isEmpty()) {
        const qsizetype current = HasCurrentLog() ? tables.indexOf(Mysettings().TableName) : -1;
        ui->ListBox1->setCurrentRow(int(std::max<qsizetype>(current, 0)));
    }
    ui->ListBox1->setFocus();
}

void TfrmMain::ConnectMenu()
{
    connect(ui->mnuExit, &QAction::triggered, this, &QWidget::close);
    // Ctrl+Q quits as well, as in most programs.
    ui->mnuExit->setShortcuts({ui->mnuExit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q)});
    connect(ui->mnuOpen, &QAction::triggered, this, Guarded(&TfrmMain::DoOpen));
    connect(ui->mnuAutoCheckUpdate, &QAction::triggered, this, Guarded(&TfrmMain::SetAutoCheckUpdate));
    connect(ui->mnuContents, &QAction::triggered, this, &TfrmMain::mnuContentsClick);
    connect(ui->mnuNew, &QAction::triggered, this, Guarded(&TfrmMain::DoNewLog));
    connect(ui->mnuSetup, &QAction::triggered, this, Guarded(&TfrmMain::mnuSetupClick));
    connect(ui->mnuOffLineLogging, &QAction::triggered, fEntry.get(), &TEntryForm::mnuOffLineLoggingClick);
    connect(ui->mnuProcessContest, &QAction::triggered, this, Guarded(&TfrmMain::mnuProcessContestClick));
    connect(ui->mnuUpdateGridLocator, &QAction::triggered, this,
            Guarded(&TfrmMain::mnuUpdateGridLocatorClick));
    connect(ui->mnuBuildLicenceData, &QAction::triggered, this, Guarded(&TfrmMain::mnuBuildLicenceDataClick));
    ConnectTablesAndAppearance();
    connect(ui->mnuUpdateDataFiles, &QAction::triggered, this, Guarded(&TfrmMain::mnuUpdateFilesClick));
    connect(ui->mnuCheckForUpdate, &QAction::triggered, this, Guarded(&TfrmMain::CheckforUpdate1Click));
    // The whole Options menu, and the contact edits, wait for a current log.
    SetOptionsEnabled(false);
}

void TfrmMain::SetOptionsEnabled(bool enabled)
{
    // An item that works without a log (marked "withoutLog") keeps the menu open.
    bool menuEnabled = enabled;
    for (QAction* action : ui->mnuEdit->actions()) {
        action->setEnabled(enabled);
    }
    for (QAction* action : ui->mnuOptions->actions()) {
        const bool withoutLog = action->property("withoutLog").toBool();
        action->setEnabled(enabled || withoutLog);
        menuEnabled = menuEnabled || withoutLog;
    }
    ui->mnuOptions->setEnabled(menuEnabled);
}

void TfrmMain::mnuContentsClick()
{
    // The operator can always read the manual: when it cannot be shown, the message says where it is.
    const QString help = Paths::HelpDocument();
    if (help.isEmpty()) {
        ShowCenteredMessage(
            fPrompts, this,
            QStringLiteral("The help document vantrel.pdf was not found. It belongs in one of "
                           "these places:\n") +
                Paths::HelpDocumentPlaces().join('\n'),
            MsgKind::Error, MsgButton::OK);
        return;
    }
    OpenDocument(this, help, [this, help] {
        ShowCenteredMessage(
            fPrompts, this,
            QStringLiteral("No program could show the help document (that needs xdg-utils and "
                           "a PDF viewer).\nThe help document is here:\n") +
                QDir::toNativeSeparators(help),
            MsgKind::Error, MsgButton::OK);
    });
}

void TfrmMain::FormActivate()
{
    RunGuarded(fPrompts, this, [this] { FollowLogFile(); });
    if (!fFirstActivation) {
        return;
    }
    fFirstActivation = false;
    // The quiet check for a newer version, once the window is up: its questions need a shown window.
    if (fAutoCheckUpdate) {
        QTimer::singleShot(0, this, [this] { RunGuarded(fPrompts, this, [this] { UpdateCheck(true); }); });
    }
}

void TfrmMain::mnuUpdateFilesClick()
{
    TfrmDataUpdate dialog(fDM, fSettings, fPrompts, this);
    dialog.exec();
    fClusterRoom->RostersChanged();
}

void TfrmMain::CheckforUpdate1Click()
{
    UpdateCheck(false);
}

bool TfrmMain::NewVersionAvailable()
{
    return fProgramUpdate->NewVersionAvailable();
}

void TfrmMain::UpdateCheck(bool quiet)
{
    if (fProgramUpdate->UpdateCheck(quiet)) {
        close();
    }
}

void TfrmMain::InstallUpdate()
{
    if (fProgramUpdate->InstallUpdate()) {
        close();
    }
}

bool TfrmMain::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate) {
        FormActivate();
    }
    return QMainWindow::event(event);
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    emit Closing();
    // What is typed and not logged is kept for the next start.
    if (!fWorkFolderReadOnly) {
        RunGuarded(fPrompts, this, [&] { fEntry->SaveDraft(); });
    }
    DetachWidgets();
    fDM.CloseLogs();
    fDM.CloseConfig();
    // Nothing is written into a read-only work folder.
    if (!fWorkFolderReadOnly) {
        RunGuarded(fPrompts, this, [&] { WriteSettings(); });
    }
    event->accept();
}

// ---- Log selection and new logs ----

void TfrmMain::ListBox1Click()
{
    QListWidgetItem* item = ui->ListBox1->currentItem();
    if (!item) {
        return;
    }
    const QString name = item->text();
    // The dupe list shows rows of the log that was current.
    fEntry->ClearDupes();
    fEdits->RecentContacts().Clear();
    const TDM::TLogCounts counts = fLog.Open(name, fClock().date());
    MakeLogCurrent(counts);
    ui->ListBox1->clear();
}

void TfrmMain::MakeLogCurrent(const TDM::TLogCounts& counts)
{
    const TMysettings& rec = Mysettings();
    setWindowTitle(QStringLiteral("Vantrel - ") + rec.TableName);
    const bool openSeason = rec.ContestName == Events::OpenSeason;
    for (QWidget* w : {static_cast<QWidget*>(ui->txtEPC), static_cast<QWidget*>(ui->lblEPC),
                       static_cast<QWidget*>(ui->txtP070), static_cast<QWidget*>(ui->lbl070),
                       static_cast<QWidget*>(ui->lblEpcPoints), static_cast<QWidget*>(ui->lbl070points)}) {
        w->setVisible(openSeason);
    }
    fLog.SetCounters(counts);
    // What the panel showed belongs to the log that was current before.
    ui->TextBox3->clear();
    ui->lblBD->clear();
    fEntry->ClearDupes();
    SetOptionsEnabled(true);
    ui->mnuOffLineLogging->setEnabled(true);
    ui->PageControl1->setTabText(0, QStringLiteral("Lookup"));
    ui->ListBox1->hide();
    ui->TextBox3->show();
    ui->btnShowXML->setVisible(fdebug);
    fEntry->SetUseAutoLook(rec.LookupType != 0);
    emit LinksChanged();
    ui->pnlEntry->show();
    ui->lblFirstStart->hide();
    ui->grpRecent->show();
    fLog.SetCurrent();
    fEntry->NewLogCurrent(rec.ContestMode);
    LogTableChanged();
    fEntry->RestoreDraft();
    ui->txtCallsign->setFocus();
}

void TfrmMain::DoNewLog()
{
    TfrmSetup dialog(fPrompts, fSettings, Mysettings(), fOrvanePath, fFCCPath, this);
    dialog.PrepareNew(fEvents, fModes);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const QString table = FormTableName(dialog.CallSignText(), Now().date().year(), dialog.EventText());
    if (fDM.TableExists(table)) {
        ShowCenteredMessage(fPrompts, this,
                            QStringLiteral("A table with this configuration all ready exists"),
                            MsgKind::Warning, MsgButton::OK);
        return;
    }
    TMysettings& rec = Mysettings();
    const TMysettings before = rec;
    dialog.StoreIntoRecord();
    TEntryForm::SelectItem(ui->cboMode, rec.ContestMode);
    rec.TableName = table;
    try {
        fDM.CreateLog(rec);
    } catch (...) {
        // Nothing was stored: the record goes back to the log that was current.
        rec = before;
        throw;
    }
    MakeLogCurrent(TDM::TLogCounts());
}

void TfrmMain::mnuSetupClick()
{
    TfrmSetup dialog(fPrompts, fSettings, Mysettings(), fOrvanePath, fFCCPath, this);
    dialog.PrepareSetup(fEvents, fModes);
    if (dialog.exec() == QDialog::Accepted) {
        dialog.StoreIntoRecord();
        fEntry->SetUseAutoLook(Mysettings().LookupType != 0);
        emit LinksChanged();
    }
    fDM.UpdateConfigRecord(Mysettings());
}

// ---- Counters, status bar and clock ----

void TfrmMain::ShowCounters()
{
    ui->lblQsoWith->setText(QStringLiteral("Qso`s With: ") + QString::number(fLog.ctx_with()));
    ui->lblQsoWithout->setText(QStringLiteral("Qso`s Without: ") + QString::number(fLog.ctx_without()));
    ui->lbl070points->setText(QStringLiteral("P070: ") + QString::number(fLog.ctx_070()));
    ui->lblEpcPoints->setText(QStringLiteral("EPC: ") + QString::number(fLog.ctx_epc()));
    ui->lblTotalPoints->setText(QStringLiteral("Total Points: ") + QString::number(fLog.totalpoints()));
}

void TfrmMain::FollowLogFile()
{
    if (fLog.FollowLogFile()) {
        LogTableChanged();
    }
}

void TfrmMain::tmr1Timer()
{
    const QDateTime utc = fClock().toUTC();
    const QLocale locale;
    ui->txtUTCDate->setText(' ' + locale.toString(utc.date(), QStringLiteral("MMMM dd yyyy")) + ' ');
    // The long time format of the locale, without its time-zone part: the zone is always UTC here.
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QLatin1Char('t')).replace(QStringLiteral("  "), QStringLiteral(" "));
    ui->txtUTCTime->setText(' ' + locale.toString(utc.time(), timeFormat.trimmed()) +
                            QStringLiteral(" UTC "));
    if (!fEntry->OfflineLogging()) {
        ui->txtDate->setText(utc.toString(QStringLiteral("yyyy-MM-dd")));
        ui->txtTime->setText(utc.toString(QStringLiteral("HH:mm")));
    }
}

void TfrmMain::ConnectEntryForm()
{
    fEntry = std::make_unique<TEntryForm>(*ui, fPrompts, fDM, fSettings, fLog,
                                          TEntryForm::TLists{fStates, fCountries, fCounties}, this);
    connect(fEntry.get(), &TEntryForm::Logged, this, &TfrmMain::LogTableChanged);
    connect(ui->ListBox1, &QListWidget::itemClicked, this, Guarded(&TfrmMain::ListBox1Click));
    connect(ui->ListBox1, &QListWidget::itemActivated, this, Guarded(&TfrmMain::ListBox1Click));
    fEdits = std::make_unique<TContactEdits>(*ui, fPrompts, fDM, fLog,
                                             TContactEdits::TLists{fStates, fCountries, fModes}, this);
    connect(fEdits.get(), &TContactEdits::ContactsChanged, this, &TfrmMain::LogTableChanged);
    connect(fEdits.get(), &TContactEdits::ContactsImported, this, [this] {
        fEntry->ClearDupes();
        LogTableChanged();
    });
    fThemes = std::make_unique<TThemeRoom>(*ui, fPrompts, fSettings, this);
    fLookupPanel = std::make_unique<TLookupPanel>(
        *ui, fPrompts, fDM, fLog, *fLookup, [this] { return fGrid; }, [this] { return fLinks->FeedBusy(); },
        this);
    connect(fLookupPanel.get(), &TLookupPanel::Found, fEntry.get(), &TEntryForm::FillFromLookup);
    connect(fLookupPanel.get(), &TLookupPanel::StateChanged, this, &TfrmMain::LinksChanged);
    fEntry->SetLookupPanel(fLookupPanel.get());
    ui->ListBox1->setStyleSheet(QStringLiteral("QListWidget::item { height: 22px; }"));
    // The menu's shortcuts win over the editing keys of the fields (Ctrl+A, Ctrl+E, Ctrl+D in a line edit).
    for (QWidget* w : findChildren<QWidget*>()) {
        if (w->focusPolicy() != Qt::NoFocus) {
            w->installEventFilter(this);
        }
    }
}

bool TfrmMain::IsMenuShortcut(const QKeyEvent& key) const
{
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
    const QKeySequence pressed(QKeyCombination(modifiers, Qt::Key(key.key())));
    // The items of the menu bar, its menus and their submenus.
    QList<QAction*> pending = ui->MainMenu1->actions();
    while (!pending.isEmpty()) {
        const QAction* action = pending.takeLast();
        if (!action->isEnabled() || !action->isVisible()) {
            continue;
        }
        if (const QMenu* menu = action->menu()) {
            pending += menu->actions();
        } else if (action->shortcuts().contains(pressed)) {
            return true;
        }
    }
    return false;
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        const auto& key = *static_cast<QKeyEvent*>(event);
        // Esc in the entry form empties it, whatever field holds the focus.
        const bool escape = key.key() == Qt::Key_Escape && key.modifiers() == Qt::NoModifier &&
                            ui->pnlEntry->isAncestorOf(qobject_cast<QWidget*>(watched));
        if (escape || IsMenuShortcut(key)) {
            // Not taken by the field: the key goes on to the menu or the form.
            event->ignore();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::mnuProcessContestClick()
{
    if (!fProcessLog) {
        return;
    }
    FollowLogFile();
    fProcessLog->SetTableName(Mysettings().TableName);
    fProcessLog->exec();
}

void TfrmMain::mnuUpdateGridLocatorClick()
{
    if (const auto answer = fPrompts.Input(this, QStringLiteral("Grid Square"),
                                           QStringLiteral("Enter Maidenhead Grid Locator x6"), fGrid)) {
        SetGrid(*answer);
    }
}

void TfrmMain::mnuBuildLicenceDataClick()
{
    // The data folder the log's lookup reads: the Orvane folder for the "Orvane" source, else the FCC one.
    const QString folder = Mysettings().LookupType == LookupTypes::Orvane
                               ? fSettings.GetSetting(SettingKeys::OrvanePath, Paths::DefaultOrvanePath())
                               : fSettings.GetSetting(SettingKeys::FCCPath, Paths::DefaultFCCPath());
    // Nothing of the program may hold the old files open while the import replaces them (Windows refuses to
    // replace an open file); the next lookup opens the new ones.
    fDM.SetLookupFile(fDM.conLookup().databaseName());
    fDM.SetPostalFile(fDM.conPostal().databaseName());
    TfrmBuildLicenceData dialog(fPrompts, folder, this);
    dialog.exec();
}

void TfrmMain::LogTableChanged()
{
    if (!HasCurrentLog() || Mysettings().TableName.isEmpty()) {
        fEdits->RecentContacts().Clear();
        return;
    }
    const qint64 newest = fEdits->RecentContacts().KeyAt(0);
    fEdits->RecentContacts().Refresh(fDM, Mysettings().TableName);
    // A contact just added is shown, even while older ones were scrolled into view.
    if (fEdits->RecentContacts().KeyAt(0) != newest) {
        ui->gridRecent->scrollToTop();
    }
    const QString call = ui->txtCallsign->text();
    if (!call.isEmpty()) {
        fEntry->DoDupes(call);
    }
    emit LogChanged();
}

void TfrmMain::ConnectStationLinks()
{
    connect(ui->mnuImportADIF, &QAction::triggered, this, Guarded(&TfrmMain::mnuImportADIFClick));
    fLinks =
        std::make_unique<TStationLinks>(fDM, fSettings, fLog, *fLookup, *fEntry, [this] { return fClock(); });
    fLinksRoom = std::make_unique<TStationLinksRoom>(
        *ui, fPrompts, *fLinks, fLog, [this] { return fClock(); }, this);
    connect(fLinks.get(), &TStationLinks::ContactsChanged, this, &TfrmMain::LogTableChanged);
    connect(fLinks.get(), &TStationLinks::LinksChanged, this, &TfrmMain::LinksChanged);
}
