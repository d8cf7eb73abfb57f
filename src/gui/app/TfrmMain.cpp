#include "TfrmMain.h"

#include "ui_TfrmMain.h"

#include "TClusterRoom.h"
#include "TContactEdits.h"
#include "TDupeListModel.h"
#include "TEntryForm.h"
#include "TLookupPanel.h"
#include "TRecentContactsModel.h"
#include "TShareRoom.h"
#include "TStationSettingsRoom.h"
#include "TStatisticsRoom.h"
#include "TfrmBuildLicenceData.h"
#include "TfrmSetup.h"
#include "app/ADIFImport.h"
#include "app/FeedActions.h"
#include "app/TStartup.h"
#include "data/Errors.h"
#include "data/LogRules.h"
#include "data/MyFunc.h"
#include "data/Paths.h"
#include "data/Prompts.h"
#include "data/ReferenceLookup.h"
#include "feeds/ADIFReader.h"
#include "feeds/TFLDigiPoller.h"
#include "feeds/TFeedQueue.h"
#include "feeds/TLoggingServer.h"
#include "feeds/TRigControl.h"
#include "feeds/TWsjtxListener.h"
#include "gui/common/Colors.h"
#include "gui/common/OpenDocument.h"
#include "gui/common/TAboutBox.h"
#include "gui/common/Themes.h"
#include "gui/common/WindowFit.h"
#include "gui/data/TfrmDatabases.h"
#include "gui/data/TfrmLogTable.h"
#include "gui/feeds/TFLDigiConfig.h"
#include "gui/process/TfrmProcessLog.h"
#include "gui/update/ProgramUpdate.h"
#include "gui/update/TfrmDataUpdate.h"
#include "lookup/TLookup.h"
#include "process/ADIFRecordReader.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QKeyEvent>
#include <QListWidget>
#include <QLocale>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>

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
    ConnectStationPrograms();
    ConnectFeeds();
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
    }
    // What starts with the program; a settings file that cannot be read has been reported already.
    if (fWorkFolderReadOnly) {
        return;
    }
    try {
        fStationSettingsRoom->StartLinks();
        fClusterRoom->Start();
        fShareRoom->Start();
    } catch (const EVantrel& e) {
        ShowFeedProblem(e.Message());
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
        SelectMode(mode);
        ui->cboMode->setEditText(ui->cboMode->currentIndex() >= 0 ? ui->cboMode->currentText() : mode);
    }
    ui->txtCallsign->setFocus();
}

void TfrmMain::ReadLinkSettings()
{
    SetServerPort(fSettings.GetSetting(SettingKeys::ServerPort, fServerPort));
    fFLDigiLogFile = fSettings.GetSetting(SettingKeys::FLDigiLogFile, fFLDigiLogFile);
    fFLDigiAutoLog = fSettings.GetSetting(SettingKeys::FLDigiAutoLog, false);
    fFldigiInterval = fSettings.GetSetting(SettingKeys::FldigiFileChekInterval, fFldigiInterval);
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
        // 2. Paths under the user's profile.
        fFLDigiLogFile = Paths::DefaultFldigiLogFile();
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
        BuildThemeMenu();
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
    SetServerPort(fSettings.GetSetting(SettingKeys::ServerPort, 8888));
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
    fColor = fSettings.GetSetting(SettingKeys::Color, fColor);
    fForeColor = fSettings.GetSetting(SettingKeys::ForeColor, fForeColor);
    ApplyWindowColors();
    fFLDigiLogFile = fSettings.GetSetting(SettingKeys::FLDigiLogFile, fFLDigiLogFile);
    fFLDigiAutoLog = fSettings.GetSetting(SettingKeys::FLDigiAutoLog, false);
    fFldigiInterval = fSettings.GetSetting(SettingKeys::FldigiFileChekInterval, 1000);
    SetTheme(fSettings.GetSetting(SettingKeys::Theme, "Sky"));
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
    fSettings.SaveSetting(SettingKeys::Color, fColor);
    fSettings.SaveSetting(SettingKeys::Theme, fCurTheme);
    fSettings.SaveSetting(SettingKeys::LastMode, ui->cboMode->currentText());
}

void TfrmMain::ApplyWindowColors()
{
    // The window's own colours belong to the plain look; every other theme colours the window itself.
    if (fCurTheme != Themes::kPlain) {
        setPalette(QPalette());
        ui->rbUS->setPalette(QPalette());
        ApplyStateColors();
        return;
    }
    QPalette pal = palette();
    if (const auto background = ColorFromSetting(fColor)) {
        pal.setColor(QPalette::Window, *background);
    }
    // A text colour that cannot be read on the window's background (dark red on a dark window) is not
    // used: the labels keep the palette's own text colour, or take white or black where even that
    // cannot be read.
    const QColor window = pal.color(QPalette::Window);
    std::optional<QColor> text = ColorFromSetting(fForeColor);
    if (!text || !Legible(*text, window)) {
        text.reset();
        if (!Legible(pal.color(QPalette::WindowText), window)) {
            text = window.lightnessF() < 0.5 ? QColor(Qt::white) : QColor(Qt::black);
        }
    }
    if (text) {
        pal.setColor(QPalette::WindowText, *text);
        QPalette us = ui->rbUS->palette();
        us.setColor(QPalette::WindowText, *text);
        ui->rbUS->setPalette(us);
    }
    setPalette(pal);
    ApplyStateColors();
}

void TfrmMain::ApplyStateColors()
{
    // Green for a feed that is running, red for off-line logging: each as dark or as light as the
    // window's background needs for the text to be read.
    const QColor window = palette().color(QPalette::Window);
    const auto paint = [&window](QLabel* label, const QColor& wanted) {
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, LegibleOn(wanted, window, 4.5));
        label->setPalette(p);
    };
    paint(ui->lblOffLine, QColor(192, 0, 0));
    paint(ui->lblServerRunning, QColor(0, 128, 0));
    paint(ui->lblWSJTXRunning, QColor(0, 128, 0));
}

void TfrmMain::BuildThemeMenu()
{
    fThemes = Themes::Names();
    fThemeGroup = new QActionGroup(this);
    fThemeGroup->setExclusive(true);
    ui->mnuThemes->clear();
    for (const QString& name : fThemes) {
        // Alt and the theme's first letter choose it while the menu is open.
        QAction* action = ui->mnuThemes->addAction(QLatin1Char('&') + name);
        action->setCheckable(true);
        fThemeGroup->addAction(action);
        connect(action, &QAction::triggered, this, [this, action] {
            RunGuarded(fPrompts, this, [&] { SetTheme(action->text().remove('&')); });
        });
    }
}

void TfrmMain::SetTheme(const QString& name)
{
    // A name that is not a theme (stored by another version, or edited by hand) gives the default.
    fCurTheme = Themes::Apply(name);
    fThemeGroup->actions().at(fThemes.indexOf(fCurTheme))->setChecked(true);
    const bool plain = fCurTheme == Themes::kPlain;
    ui->mnuForgroundColor->setEnabled(plain);
    ui->mnuBackgroundColor->setEnabled(plain);
    ApplyWindowColors();
}

void TfrmMain::mnuForgroundColorClick()
{
    PickWindowColor(fForeColor, SettingKeys::ForeColor);
}

void TfrmMain::mnuBackgroundColorClick()
{
    PickWindowColor(fColor, SettingKeys::Color);
}

// The colour picker starts from the colour picked last; the choice is stored at once and shown.
void TfrmMain::PickWindowColor(int& setting, const QString& key)
{
    if (const auto color = fPrompts.Color(this, fPickedColor)) {
        fPickedColor = *color;
        setting = ColorToSetting(*color);
        fSettings.SaveSetting(key, setting);
        ApplyWindowColors();
    }
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
    connect(ui->mnuForgroundColor, &QAction::triggered, this, Guarded(&TfrmMain::mnuForgroundColorClick));
    connect(ui->mnuBackgroundColor, &QAction::triggered, this, Guarded(&TfrmMain::mnuBackgroundColorClick));
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
    // The state labels take their colours from ApplyStateColors, legible in every theme.
    for (QLabel* label : {ui->lblServerRunning, ui->lblWSJTXRunning, ui->lblOffLine}) {
        label->setStyleSheet(QStringLiteral("font-weight: bold;"));
    }
    fLookupPanel = std::make_unique<TLookupPanel>(
        *ui, fPrompts, fDM, fLog, *fLookup, [this] { return fGrid; }, [this] { return fFeedBusy; }, this);
    connect(fLookupPanel.get(), &TLookupPanel::Found, fEntry.get(), &TEntryForm::FillFromLookup);
    connect(fLookupPanel.get(), &TLookupPanel::StateChanged, this, &TfrmMain::LinksChanged);
    fEntry->SetLookupPanel(fLookupPanel.get());
    ui->ListBox1->setStyleSheet(QStringLiteral("QListWidget::item { height: 22px; }"));
    ui->lblServerRunning->hide();
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

// ---- Other programs of the station: ADIF files, WSJT-X / JTDX, rigctld ----

template <typename F> void TfrmMain::RunFeed(const QString& source, F&& action)
{
    const bool wasBusy = fFeedBusy;
    fFeedBusy = true;
    const auto done = qScopeGuard([&] { fFeedBusy = wasBusy; });
    try {
        action();
    } catch (const EVantrel& e) {
        ShowFeedProblem(source + QStringLiteral(": ") + e.Message());
    } catch (const std::exception& e) {
        ShowFeedProblem(source + QStringLiteral(": ") + QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowFeedProblem(source + QStringLiteral(": Unknown error"));
    }
}

void TfrmMain::ConnectStationPrograms()
{
    connect(ui->mnuImportADIF, &QAction::triggered, this, Guarded(&TfrmMain::mnuImportADIFClick));
    // A switch that fails stays as it was, its tick included.
    connect(ui->mnuRigControl, &QAction::triggered, this, [this] {
        RunGuarded(fPrompts, this, [&] { SetRigControlEnable(!fRigControlEnable); });
        ui->mnuRigControl->setChecked(fRigControlEnable);
    });
    connect(ui->mnuWSJTX, &QAction::triggered, this, [this] {
        RunGuarded(fPrompts, this, [&] { SetWSJTXEnable(!fWSJTXEnable); });
        ui->mnuWSJTX->setChecked(fWSJTXEnable);
    });

    fRig = std::make_unique<TRigControl>();
    connect(fRig.get(), &TRigControl::StateChanged, this, &TfrmMain::ShowRigState);
    connect(fRig.get(), &TRigControl::FrequencyChanged, this, &TfrmMain::ShowRigState);
    connect(fRig.get(), &TRigControl::ModeChanged, this, &TfrmMain::RigModeChanged);

    fFeedQueue = std::make_unique<TFeedQueue>();
    fWSJTX = std::make_unique<TWsjtxListener>(*fFeedQueue, [this](const QByteArray& adif) {
        RunFeed(QStringLiteral("WSJT-X"), [&] { LogReportedContact(adif); });
    });
}

void TfrmMain::SetRigControlEnable(bool value)
{
    if (value) {
        RefuseUnusableValues(fSettings, TLink::Rig);
        const QString host = fSettings.GetSetting(SettingKeys::RigHost, "127.0.0.1");
        const int port = fSettings.GetSetting(SettingKeys::RigPort, 4532);
        if (port < 1 || port > 65535) {
            throw EVantrel(
                QStringLiteral("The rigctld port %1 (setting RigPort) is no port number").arg(port));
        }
        fRig->Start(host, quint16(port));
    } else {
        fRig->Stop();
    }
    fRigControlEnable = value;
    ui->mnuRigControl->setChecked(value);
    ShowRigState();
    emit LinksChanged();
}

void TfrmMain::ShowRigState()
{
    QLabel* label = ui->lblRig;
    const QString where = fRig->Host() + QLatin1Char(':') + QString::number(fRig->Port());
    // Red on yellow: the operator must look (no rig, or a rig outside the band of the contest).
    const QString warning = QStringLiteral("color: rgb(192, 0, 0); background-color: rgb(255, 255, 160);");
    switch (fRig->State()) {
    case TRigControl::TState::Off:
        label->hide();
        label->clear();
        return;
    case TRigControl::TState::Connecting:
        label->setText(QStringLiteral(" Rig: connecting "));
        label->setToolTip(QStringLiteral("Connecting to rigctld at %1").arg(where));
        label->setStyleSheet(QString());
        break;
    case TRigControl::TState::Lost:
        // The status bar has room for the state; the address and the reason are in the tip.
        label->setText(QStringLiteral(" Rig: no connection, retrying "));
        label->setToolTip(
            QStringLiteral("No connection to rigctld at %1: %2").arg(where, fRig->LostReason()));
        label->setStyleSheet(warning);
        break;
    case TRigControl::TState::Connected: {
        const qint64 hertz = fRig->Frequency();
        label->setText(QStringLiteral(" Rig: ") + FrequencyText(hertz) + QLatin1Char(' '));
        label->setToolTip(IsTenMetres(hertz) ? QString()
                                             : QStringLiteral("The rig is outside the 10 m band"));
        label->setStyleSheet(IsTenMetres(hertz) ? QString() : warning);
        break;
    }
    }
    label->show();
}

void TfrmMain::RigModeChanged(const QString& mode)
{
    const QString formMode = FormModeForRig(mode, DigitalModeOfLog(Mysettings().ContestMode));
    if (formMode.isEmpty()) {
        return;
    }
    const int index = ui->cboMode->findText(formMode, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0) {
        ui->cboMode->setCurrentIndex(index);
    }
    ui->cboMode->setEditText(formMode);
}

void TfrmMain::SetWSJTXEnable(bool value)
{
    if (value) {
        RefuseUnusableValues(fSettings, TLink::Wsjtx);
        const int port = fSettings.GetSetting(SettingKeys::WSJTXPort, 2237);
        if (port < 1 || port > 65535) {
            throw EVantrel(
                QStringLiteral("The WSJT-X port %1 (setting WSJTXPort) is no port number").arg(port));
        }
        fWSJTX->Open(quint16(port), fSettings.GetSetting(SettingKeys::WSJTXGroup, ""),
                     fSettings.GetSetting(SettingKeys::WSJTXAllAddresses, false));
    } else {
        fWSJTX->Close();
    }
    fWSJTXEnable = value;
    ui->mnuWSJTX->setChecked(value);
    const QString group = fSettings.GetSetting(SettingKeys::WSJTXGroup, "");
    ui->lblWSJTXRunning->setText(QStringLiteral("WSJT-X - ") + (group.isEmpty() ? QString() : group + ':') +
                                 QString::number(fWSJTX->LocalPort()));
    ui->lblWSJTXRunning->setVisible(value);
    emit LinksChanged();
}

void TfrmMain::LogReportedContact(const QByteArray& adif)
{
    TADIFRecordReader reader(adif);
    TADIFRecord record;
    if (!reader.Next(record)) {
        return;
    }
    TCountryTable countries;
    countries.Load(fDM);
    tLogRecord rec;
    const QString reason = ContactFromADIF(record, countries, rec);
    if (!reason.isEmpty()) {
        ShowFeedProblem(
            QStringLiteral("The contact logged in WSJT-X could not be logged here: %1").arg(reason));
        return;
    }
    if (!HasCurrentLog() || Mysettings().TableName.isEmpty()) {
        ShowFeedProblem(
            QStringLiteral("%1, logged in WSJT-X, was not logged here: no log is open. Select a log "
                           "in the Logs list or create one with File > New.")
                .arg(rec.call));
        return;
    }
    CompleteFeedContact(rec, QStringLiteral("WSJT-X"));
    const TLogResult result = ::LogContact(fDM, Mysettings(), {rec});
    if (result.outcome == TLogResult::TOutcome::Duplicate) {
        ShowFeedProblem(
            QStringLiteral("%1, logged in WSJT-X, is a duplicate in this log and was not logged here.")
                .arg(rec.call));
        return;
    }
    RaiseCounters(result.score);
    LogTableChanged();
}

void TfrmMain::CompleteFeedContact(tLogRecord& rec, const QString& source)
{
    if (!AutoLookup() || rec.call.isEmpty()) {
        return;
    }
    TFccRec r;
    try {
        r = fLookup->LookupLocal(rec.call, Mysettings().LookupType);
    } catch (const EVantrel& e) {
        // The contact is logged as it came; the note says why nothing was added.
        ShowFeedProblem(QStringLiteral("%1: %2 was not looked up: %3").arg(source, rec.call, e.Message()));
        return;
    }
    const auto fill = [](QString& field, const QString& value) {
        if (field.isEmpty()) {
            field = value;
        }
    };
    fill(rec.tenten, r.tenten);
    fill(rec.vp, r.vp);
    // The EPC and 070 numbers count, and show in the form, in an Open Season log only.
    if (Mysettings().ContestName == Events::OpenSeason) {
        fill(rec.epc, r.EPC);
        fill(rec.p070, r.P070);
    }
    fill(rec.name, r.firstname.isEmpty() ? r.entityname : r.firstname);
    // "DX" (an FLdigi country without a state) stands for a country not yet named.
    if (rec.qth.isEmpty() || rec.qth == QStringLiteral("DX")) {
        if (r.country == QStringLiteral("United States") && !r.state.isEmpty()) {
            if (rec.qth.isEmpty()) {
                rec.qth = r.state;
                fill(rec.uscounty, r.county);
                rec.dxcc = 0;
            }
        } else {
            // The country of the call's prefix, as the entry form marks it for a typed call.
            const QString country = r.country.isEmpty() ? CountryOfCall(fDM, rec.call) : r.country;
            if (!country.isEmpty() && country != QStringLiteral("United States")) {
                rec.qth = country;
                rec.dxcc = GetDXCC(fDM, country);
            }
        }
    }
}

void TfrmMain::ShowFeedProblem(const QString& text)
{
    // What another program sent may be long, or look like markup: shown cut and as plain text.
    const auto cut = [](const QString& line, qsizetype length) {
        return line.size() > length ? line.left(length) + QChar(0x2026) : line;
    };
    fFeedProblems.append(fClock().toUTC().toString(QStringLiteral("HH:mm:ss ")) + cut(text, 400));
    constexpr int kKept = 20;
    while (fFeedProblems.size() > kKept) {
        fFeedProblems.removeFirst();
    }
    // A button takes "&" for a keyboard mnemonic: doubled, it is shown as written.
    QString note = cut(text.section(QLatin1Char('\n'), 0, 0), 120);
    note.replace(QLatin1Char('&'), QStringLiteral("&&"));
    lblFeedStatus->setText(QLatin1Char(' ') + note + QLatin1Char(' '));
    QStringList tip;
    for (const QString& line : fFeedProblems) {
        tip << line.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    }
    lblFeedStatus->setToolTip(QStringLiteral("<qt>") + tip.join(QStringLiteral("<br>")) +
                              QStringLiteral("<br><i>Click to put this note away.</i></qt>"));
    lblFeedStatus->show();
}

QString TfrmMain::FeedNote() const
{
    return lblFeedStatus->isHidden()
               ? QString()
               : lblFeedStatus->text().trimmed().replace(QStringLiteral("&&"), QStringLiteral("&"));
}

void TfrmMain::ShowFeedDrops()
{
    const qint64 contacts = fFeedQueue->DroppedContacts() - fReportedDroppedContacts;
    const qint64 others = fFeedQueue->DroppedOthers() - fReportedDroppedOthers;
    fReportedDroppedContacts = fFeedQueue->DroppedContacts();
    fReportedDroppedOthers = fFeedQueue->DroppedOthers();
    if (contacts > 0) {
        ShowFeedProblem(
            QStringLiteral("%1 contact(s) sent by other programs were lost: they arrived faster than "
                           "they could be logged (%2 other datagram(s) dropped as well).")
                .arg(contacts)
                .arg(others));
    } else if (others > 0) {
        ShowFeedProblem(
            QStringLiteral("%1 datagram(s) of other programs were dropped: they arrived faster than "
                           "they could be handled. No contact was lost.")
                .arg(others));
    }
}

// ---- Live logging feeds: the logging server and FLdigi polling ----

namespace {

const QString kPortMessage =
    QStringLiteral("This option will change the server port from the default of 8888 to\n"
                   "a port of your choosing. Make sure you de-conflit your port selection\n"
                   "with the list of wel-know and registered port from the extensive list at:\n"
                   "https://en.wikipedia.org/wiki/List_of_TCP_and_UDP_port_numbers");

const QString kNoLogForFLdigi = QStringLiteral(
    "No log is open. Select a log in the Logs list or create one with File > New: the FLdigi contact "
    "waits in its file until then.");

} // namespace

void TfrmMain::ConnectFeeds()
{
    // The server's datagrams share the feeds' ordered queue with the WSJT-X listener's.
    fServerSocket1 = std::make_unique<TLoggingServer>(
        *fFeedQueue, [this](const TServerCommand& command) { ServerSocket1UDPRead(command); });
    fFLDigi = std::make_unique<TFLDigiPoller>(Paths::WorkFolder(), [this] { return fClock(); });
    fFLDigiTimer = new QTimer(this);
    fFLDigiTimer->setObjectName(QStringLiteral("FLDigiTimer"));
    // Red on yellow, as the rig's warning: the operator must look, but nothing waits for an answer.
    lblFeedStatus = new QToolButton(ui->pnlStatus);
    lblFeedStatus->setObjectName(QStringLiteral("lblFeedStatus"));
    lblFeedStatus->setAutoRaise(true);
    lblFeedStatus->setFocusPolicy(Qt::NoFocus);
    lblFeedStatus->setStyleSheet(QStringLiteral(
        "QToolButton#lblFeedStatus { color: rgb(192, 0, 0); background-color: rgb(255, 255, 160); "
        "border: 1px solid rgb(192, 0, 0); }"));
    lblFeedStatus->hide();
    ui->pnlStatus->layout()->addWidget(lblFeedStatus);
    connect(lblFeedStatus, &QToolButton::clicked, lblFeedStatus, &QWidget::hide);
    connect(fFeedQueue.get(), &TFeedQueue::Dropped, this, &TfrmMain::ShowFeedDrops);
    connect(fFLDigiTimer, &QTimer::timeout, this, &TfrmMain::FLDigiTimerTimer);

    ui->mnuEnableServer->setCheckable(true);
    connect(ui->mnuConfigureServer, &QAction::triggered, this, Guarded(&TfrmMain::mnuServerConfigClick));
    connect(ui->mnuEnableServer, &QAction::triggered, this, Guarded(&TfrmMain::mnuServerEnableClick));
    connect(ui->mnuUseFLDigi, &QAction::triggered, this, [this] {
        RunGuarded(fPrompts, this, [&] { SetFLDigiEnable(!fEnableFLDigi); });
        ui->mnuUseFLDigi->setChecked(fEnableFLDigi);
    });
    connect(ui->mnuFLdigiSetup, &QAction::triggered, this, Guarded(&TfrmMain::FLdigiSetup1Click));
    connect(ui->mnuTestADIF, &QAction::triggered, this, Guarded(&TfrmMain::estADIF1Click));
    // The FLdigi items stay hidden in the menu, and a hidden action ignores its shortcut: the window
    // carries the two shortcuts itself.
    for (QAction* action : {ui->mnuUseFLDigi, ui->mnuFLdigiSetup}) {
        auto* shortcut = new QShortcut(action->shortcut(), this);
        connect(shortcut, &QShortcut::activated, action, &QAction::trigger);
    }
}

void TfrmMain::SetServerPort(int port)
{
    fServerPort = port;
    ui->lblServerRunning->setText(QStringLiteral("Server Running - ") + QString::number(port));
}

void TfrmMain::SetServerEnable(bool value)
{
    if (value) {
        RefuseUnusableValues(fSettings, TLink::Server);
        // A socket that cannot be opened leaves the flag, the label and the menu as they were.
        fServerSocket1->Open(quint16(fServerPort));
    } else {
        fServerSocket1->Close();
    }
    fServerEnable = value;
    ui->lblServerRunning->setVisible(value);
    ui->mnuConfigureServer->setEnabled(!value);
    ui->mnuEnableServer->setChecked(value);
    emit LinksChanged();
}

void TfrmMain::mnuServerEnableClick()
{
    // The menu ticks itself when clicked; the state is what counts.
    ui->mnuEnableServer->setChecked(fServerEnable);
    SetServerEnable(!fServerEnable);
}

void TfrmMain::mnuServerConfigClick()
{
    const QString answer = fPrompts.PortInput(this, QStringLiteral("Change Server Port"), kPortMessage,
                                              QString::number(fServerPort));
    const int port = IsInteger(answer) ? answer.toInt() : 0;
    if (port < 1 || port > 65535) {
        ShowCenteredMessage(fPrompts, this, QStringLiteral("Invalid port number, action terminated"),
                            MsgKind::Error, MsgButton::OK);
        return;
    }
    SetServerPort(port);
    fSettings.SaveSetting(SettingKeys::ServerPort, port);
}

void TfrmMain::ServerSocket1UDPRead(const TServerCommand& command)
{
    RunFeed(QStringLiteral("Logging server"), [&] { ApplyServerCommand(command, *this); });
}

void TfrmMain::SetFLDigiEnable(bool value)
{
    if (value) {
        RefuseUnusableValues(fSettings, TLink::Fldigi);
        // A contact FLdigi wrote before polling was switched on is taken at the first poll, as a new one.
        fFLDigi->SetPath(fFLDigiLogFile);
        fFLDigi->Restart();
        fFLDigiTimer->setInterval(fFldigiInterval);
        fFLDigiTimer->start();
    } else {
        fFLDigiTimer->stop();
    }
    fEnableFLDigi = value;
    ui->mnuUseFLDigi->setChecked(value);
    emit LinksChanged();
}

void TfrmMain::FLDigiTimerTimer()
{
    // One contact at a time: while a datagram or an earlier file is being handled (a message box may be
    // open), the file waits for a later tick.
    if (fFeedBusy || fServerSocket1->IsHandling()) {
        return;
    }
    fServerSocket1->SetHeld(true);
    TFLDigiPoller::TResult result;
    RunFeed(QStringLiteral("FLdigi"), [&] {
        fFLDigi->SetPath(fFLDigiLogFile);
        result = fFLDigi->Poll([this](const tLogRecord& rec) { ProcessAdifContact(rec); });
    });
    fServerSocket1->SetHeld(false);
    if (!result.message.isEmpty()) {
        ShowFeedProblem(result.message);
    }
}

void TfrmMain::ProcessAdifLog(const QByteArray& data)
{
    ProcessAdifContact(ProcessADIFLine(data));
}

void TfrmMain::ProcessAdifContact(const tLogRecord& contact)
{
    if (!HasCurrentLog()) {
        throw EVantrel(kNoLogForFLdigi);
    }
    tLogRecord rec = contact;
    CompleteFeedContact(rec, QStringLiteral("FLdigi"));
    if (fFLDigiAutoLog) {
        // Logged without a duplicate check, as auto logging does; a duplicate is pointed out.
        rec.dxcc = GetDXCC(fDM, rec.qth);
        const TLogResult result = ::LogContact(fDM, Mysettings(), {rec, TOnDuplicate::LogAnyway});
        if (result.outcome == TLogResult::TOutcome::NoLog) {
            throw EVantrel(kNoLogForFLdigi);
        }
        RaiseCounters(result.score);
        LogTableChanged();
        if (result.duplicate) {
            ShowFeedProblem(QStringLiteral("%1, logged from FLdigi, is a duplicate in this log (auto logging "
                                           "logs it all the same).")
                                .arg(rec.call));
        }
    } else {
        FillFormFromContact(rec, *this);
    }
    AutoLookupCall();
}

void TfrmMain::FLdigiSetup1Click()
{
    TFLDigiConfig dialog(fPrompts, fFLDigiLogFile, fFldigiInterval, fFLDigiAutoLog, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    // A new path and auto-log flag count from the next tick, a new interval from the next switching on.
    fFLDigiLogFile = dialog.Path();
    fFLDigiAutoLog = dialog.AutoLog();
    fFldigiInterval = dialog.Interval();
    fSettings.SaveSetting(SettingKeys::FLDigiLogFile, fFLDigiLogFile);
    fSettings.SaveSetting(SettingKeys::FLDigiAutoLog, fFLDigiAutoLog);
    fSettings.SaveSetting(SettingKeys::FldigiFileChekInterval, fFldigiInterval);
}

void TfrmMain::estADIF1Click()
{
    ProcessAdifLog(TFLDigiPoller::ReadLogFile(fFLDigiLogFile));
}

void TfrmMain::LogContact()
{
    // A LOG of the logging server: a contact that cannot be logged stays in the form, and the note says
    // why; the datagrams after it go on.
    switch (LogForm()) {
    case TLogResult::TOutcome::Logged:
        break;
    case TLogResult::TOutcome::NoLog:
        ShowFeedProblem(
            QStringLiteral("Logging server: %1 was not logged: no log is open. Select a log in the "
                           "Logs list or create one with File > New.")
                .arg(ui->txtCallsign->text()));
        break;
    case TLogResult::TOutcome::Duplicate:
        ShowFeedProblem(QStringLiteral("Logging server: %1 is a duplicate in this log and was not logged; it "
                                       "stays in the entry form.")
                            .arg(ui->txtCallsign->text()));
        break;
    }
}
