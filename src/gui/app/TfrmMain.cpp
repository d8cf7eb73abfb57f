#include "TfrmMain.h"

#include "ui_TfrmMain.h"

#include "TClusterRoom.h"
#include "TDupeListModel.h"
#include "TRecentContactsModel.h"
#include "TShareRoom.h"
#include "TStationSettingsRoom.h"
#include "TStatisticsRoom.h"
#include "TfrmBuildLicenceData.h"
#include "TfrmEditContact.h"
#include "TfrmSetup.h"
#include "app/ADIFImport.h"
#include "app/FeedActions.h"
#include "data/Errors.h"
#include "data/FolderCopy.h"
#include "data/LogEdits.h"
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
#include "gui/common/TUpperCaseValidator.h"
#include "gui/common/Themes.h"
#include "gui/common/WindowFit.h"
#include "gui/data/TfrmDatabases.h"
#include "gui/data/TfrmLogTable.h"
#include "gui/feeds/TFLDigiConfig.h"
#include "gui/process/TfrmProcessLog.h"
#include "gui/update/ProgramUpdate.h"
#include "gui/update/TfrmDataUpdate.h"
#include "lookup/LookupText.h"
#include "lookup/TLookup.h"
#include "process/ADIFRecordReader.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QHeaderView>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QListWidget>
#include <QLocale>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

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

// The least size the main window opens at: the entry form and the recent contacts of a log fit without
// scrolling.
constexpr QSize kUsableSize(820, 620);

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

TfrmMain::TfrmMain(IPrompts& prompts, QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::TfrmMain>()), fPrompts(prompts),
      fSettings(Paths::WorkFolder() + QStringLiteral("Vantrel.cfg"))
{
    ui->setupUi(this);
    // Every window of the program fits the screen it opens on and gives the focus back when it closes.
    WindowFit::Install();
    // The lookup dispatcher exists from the start; it opens nothing until the first lookup.
    fLookup = std::make_unique<TLookup>(fDM, fSettings, fPrompts, this, [this] { return fClock(); });
    fProgramUpdate = std::make_unique<TProgramUpdate>(fSettings, fPrompts, this);
    ConnectEntryForm();
    ConnectStationPrograms();
    ConnectFeeds();
    FormCreate();
    ConnectDraft();
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
    txtCallsignExit();
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
    return lblLookupStatus->isHidden() ? QString() : lblLookupStatus->toolTip();
}

void TfrmMain::DetachWidgets()
{
    // The widgets outlive the databases and the members their signals and key handling reach: a field that
    // loses the focus as the window goes (a state typed into the QTH box is then picked) is not handled.
    for (QWidget* w : findChildren<QWidget*>()) {
        w->removeEventFilter(this);
        QObject::disconnect(w, nullptr, this, nullptr);
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
        // 3. First run: create the work folder.
        const QString work = Paths::WorkFolder();
        if (!QDir(work).exists()) {
            CreateWorkFolder();
        }
        // SQLite writes its journal beside the database: a read-only folder cannot hold a log safely.
        if (!QFileInfo(work).isWritable()) {
            fWorkFolderReadOnly = true;
            ui->mnuNew->setEnabled(false);
            ui->mnuOpen->setEnabled(false);
            ShowCenteredMessage(fPrompts, this, kReadOnlyFolderText.arg(QDir::toNativeSeparators(work)),
                                MsgKind::Error, MsgButton::OK);
            return;
        }
        // 4. Off-line logging starts off.
        SetOfflineLogging(false);
        // The reference database is never created empty: a missing one is replaced by the shipped copy.
        const QString config = work + QStringLiteral("config.db");
        if (!QFileInfo::exists(config)) {
            CopyShippedReferenceDatabase(config);
            ShowCenteredMessage(fPrompts, this, kConfigReplacedText.arg(QDir::toNativeSeparators(config)),
                                MsgKind::Information, MsgButton::OK);
        }
        // 6, 7. Open the databases; an error is reported with the file and what to do, and start-up goes
        // on without the steps that need that database.
        const QString logs = work + QStringLiteral("logs.db");
        const bool logsWasEmpty = QFileInfo(logs).isFile() && QFileInfo(logs).size() == 0;
        bool logsOpen = false;
        bool configOpen = false;
        try {
            fDM.OpenLogs(logs);
            logsOpen = true;
        } catch (const EDatabaseError& e) {
            ShowCenteredMessage(fPrompts, this,
                                QStringLiteral("Exception raised with message") +
                                    kLogsOpenText.arg(QDir::toNativeSeparators(logs), e.Message()),
                                MsgKind::Error, MsgButton::OK);
            ui->mnuNew->setEnabled(false);
            ui->mnuOpen->setEnabled(false);
        }
        try {
            fDM.OpenConfig(config);
            configOpen = true;
        } catch (const EDatabaseError& e) {
            ShowCenteredMessage(fPrompts, this,
                                QStringLiteral("Exception raised with message") +
                                    kConfigOpenText.arg(QDir::toNativeSeparators(config), e.Message()),
                                MsgKind::Error, MsgButton::OK);
        }
        // 8. An empty logs database gets its `config` table.
        if (logsOpen && fDM.GetLogTables().isEmpty()) {
            fDM.CreateConfig();
            if (logsWasEmpty) {
                ShowCenteredMessage(fPrompts, this, kEmptyLogsText.arg(QDir::toNativeSeparators(logs)),
                                    MsgKind::Information, MsgButton::OK);
            }
        }
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
            FillBox(ui->cboQTH, fStates);
            FillBox(ui->cboMode, fModes);
            SelectItem(ui->cboMode, mode);
            ui->cboMode->setEditText(mode);
            FillBox(ui->cboCounty, fCounties);
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

void TfrmMain::CreateWorkFolder()
{
    const QString work = Paths::WorkFolder();
    const QString older = Paths::OlderFolder();
    ShowCenteredMessage(fPrompts, this, kFirstRunText, MsgKind::Information, MsgButton::OK);
    if (QDir(older).exists()) {
        const MsgButton answer = ShowCenteredMessage(fPrompts, this, kOlderFolderText, MsgKind::Information,
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
    if (!fHasCurrentLog || Mysettings().TableName.isEmpty()) {
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
    ClearEntries();
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
    connect(ui->mnuUndoLastContact, &QAction::triggered, this, Guarded(&TfrmMain::UndoLastContact));
    connect(ui->mnuReopenProcessedLog, &QAction::triggered, this,
            Guarded(&TfrmMain::mnuReopenProcessedLogClick));
    connect(ui->mnuEditContact, &QAction::triggered, this,
            [this] { RunGuarded(fPrompts, this, [this] { EditContact(CurrentRecentRow()); }); });
    connect(ui->mnuDeleteContact, &QAction::triggered, this,
            [this] { RunGuarded(fPrompts, this, [this] { DeleteContact(CurrentRecentRow()); }); });
    connect(ui->mnuOpen, &QAction::triggered, this, Guarded(&TfrmMain::DoOpen));
    connect(ui->mnuAutoCheckUpdate, &QAction::triggered, this, Guarded(&TfrmMain::SetAutoCheckUpdate));
    connect(ui->mnuContents, &QAction::triggered, this, &TfrmMain::mnuContentsClick);
    connect(ui->mnuNew, &QAction::triggered, this, Guarded(&TfrmMain::DoNewLog));
    connect(ui->mnuSetup, &QAction::triggered, this, Guarded(&TfrmMain::mnuSetupClick));
    connect(ui->mnuOffLineLogging, &QAction::triggered, this, &TfrmMain::mnuOffLineLoggingClick);
    connect(ui->mnuProcessContest, &QAction::triggered, this, Guarded(&TfrmMain::mnuProcessContestClick));
    connect(ui->mnuUpdateGridLocator, &QAction::triggered, this,
            Guarded(&TfrmMain::mnuUpdateGridLocatorClick));
    connect(ui->mnuBuildLicenceData, &QAction::triggered, this, Guarded(&TfrmMain::mnuBuildLicenceDataClick));
    connect(ui->btnShowXML, &QPushButton::clicked, this, &TfrmMain::btnShowXMLClick);
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
        RunGuarded(fPrompts, this, [&] { SaveDraft(); });
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
    fDupeModel->clear();
    fRecentModel->Clear();
    if (const auto aside = fDM.CheckTable(name, fClock().date())) {
        ShowCenteredMessage(
            fPrompts, this,
            QStringLiteral(
                "Converting %1 to the current layout found a table temp_table, left in logs.db by an "
                "earlier conversion that did not finish. It may hold the only copy of a log's "
                "contacts, so it has been kept under the name %2.")
                .arg(name, *aside),
            MsgKind::Information, MsgButton::OK);
    }
    fDM.EnsureCallIndex(name);
    TMysettings rec = Mysettings();
    fDM.ReadConfigRecord(name, rec);
    // Only a log whose table can be counted becomes current; its counters start again from the table.
    const TDM::TLogCounts counts = fDM.LogCounts(name);
    Mysettings() = rec;
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
    SetCounters(counts);
    // What the panel showed belongs to the log that was current before.
    ui->TextBox3->clear();
    ui->lblBD->clear();
    fDupeModel->clear();
    SetOptionsEnabled(true);
    ui->mnuOffLineLogging->setEnabled(true);
    ui->PageControl1->setTabText(0, QStringLiteral("Lookup"));
    ui->ListBox1->hide();
    ui->TextBox3->show();
    ui->btnShowXML->setVisible(fdebug);
    SetUseAutoLook(rec.LookupType != 0);
    ui->pnlEntry->show();
    ui->lblFirstStart->hide();
    ui->grpRecent->show();
    fHasCurrentLog = true;
    fQTHChosen = false;
    // A form without a mode takes the log's own mode.
    if (ui->cboMode->currentText().isEmpty()) {
        SelectItem(ui->cboMode, rec.ContestMode);
        ui->cboMode->setEditText(rec.ContestMode);
    }
    LogTableChanged();
    RestoreDraft();
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
    SelectItem(ui->cboMode, rec.ContestMode);
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
        SetUseAutoLook(Mysettings().LookupType != 0);
    }
    fDM.UpdateConfigRecord(Mysettings());
}

// ---- Counters, status bar and clock ----

void TfrmMain::Setctx_with(int value)
{
    fctxwith = value;
    ui->lblQsoWith->setText(QStringLiteral("Qso`s With: ") + QString::number(value));
}

void TfrmMain::Setctx_without(int value)
{
    fctxwithout = value;
    ui->lblQsoWithout->setText(QStringLiteral("Qso`s Without: ") + QString::number(value));
}

void TfrmMain::Setctx_070(int value)
{
    fctx070 = value;
    ui->lbl070points->setText(QStringLiteral("P070: ") + QString::number(value));
}

void TfrmMain::Setctx_epc(int value)
{
    fctxepc = value;
    ui->lblEpcPoints->setText(QStringLiteral("EPC: ") + QString::number(value));
}

void TfrmMain::SetTotalpoints(int value)
{
    ftotalpoints = value;
    ui->lblTotalPoints->setText(QStringLiteral("Total Points: ") + QString::number(value));
}

void TfrmMain::RecountScores()
{
    SetCounters(fDM.LogCounts(Mysettings().TableName));
}

void TfrmMain::FollowLogFile()
{
    const std::optional<qint64> version = fDM.LogsDataVersion();
    if (!version || version == fLogsVersion) {
        return;
    }
    // Taken first: a log that cannot be counted is reported once, not at every tick.
    fLogsVersion = version;
    if (!fHasCurrentLog || Mysettings().TableName.isEmpty()) {
        return;
    }
    // The counts the database keeps change with every contact, whoever stores it.
    RecountScores();
    LogTableChanged();
}

TScoreCounters TfrmMain::CurrentScore()
{
    FollowLogFile();
    return TScoreCounters{fctxwith, fctxwithout, ftotalpoints};
}

void TfrmMain::SetCounters(const TDM::TLogCounts& counts)
{
    Setctx_with(counts.withTenTen);
    Setctx_without(counts.total - counts.withTenTen);
    Setctx_epc(counts.withEpc);
    Setctx_070(counts.with070);
    SetTotalpoints(counts.points);
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
    if (!fofflinelogging) {
        ui->txtDate->setText(utc.toString(QStringLiteral("yyyy-MM-dd")));
        ui->txtTime->setText(utc.toString(QStringLiteral("HH:mm")));
    }
}

// ---- Entry form ----

void TfrmMain::ConnectEntryForm()
{
    ui->txtCallsign->setValidator(new TUpperCaseValidator(ui->txtCallsign));
    ui->txtCallsign->installEventFilter(this);
    connect(ui->txtCallsign, &QLineEdit::textChanged, this, Guarded(&TfrmMain::DoDupes));
    connect(ui->rbUS, &QRadioButton::toggled, this, [this](bool checked) {
        // Tab lands on the marked QTH button only; the arrow keys reach the other one.
        ui->rbUS->setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus);
        ui->rbDX->setFocusPolicy(checked ? Qt::ClickFocus : Qt::StrongFocus);
        if (checked) {
            RunGuarded(fPrompts, this, [&] { rbUSClick(); });
        }
    });
    connect(ui->rbDX, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked) {
            RunGuarded(fPrompts, this, [&] { rbDXClick(); });
        }
    });
    connect(ui->cboQTH, &QComboBox::activated, this, Guarded(&TfrmMain::cboQTHClick));
    connect(ui->btnLog, &QPushButton::clicked, this, Guarded(&TfrmMain::btnLogClick));
    connect(ui->btnClear, &QPushButton::clicked, this, &TfrmMain::btnClearClick);
    connect(ui->cbLookup, &QCheckBox::toggled, this, &TfrmMain::cbLookupClick);
    connect(ui->cbAutoFill, &QCheckBox::toggled, this, &TfrmMain::cbAutofillClick);
    connect(ui->ListBox1, &QListWidget::itemClicked, this, Guarded(&TfrmMain::ListBox1Click));
    connect(ui->ListBox1, &QListWidget::itemActivated, this, Guarded(&TfrmMain::ListBox1Click));
    // Enter in the entry form logs the contact, as the Log button does; on a push button it presses that
    // button. Esc empties the form.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(key, ui->pnlEntry);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, Guarded(&TfrmMain::EntryFormEnter));
    }
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), ui->pnlEntry);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &TfrmMain::btnClearClick);
    // A QTH chosen by the operator (or filled in by a feed) is kept: the call sign's prefix no longer
    // changes it. Only the form's own clearing and the prefix choice itself leave it open.
    const auto chosen = [this] {
        if (!fSettingQTH) {
            fQTHChosen = true;
        }
    };
    connect(ui->rbUS, &QRadioButton::toggled, this, chosen);
    connect(ui->rbDX, &QRadioButton::toggled, this, chosen);
    connect(ui->cboQTH, &QComboBox::currentTextChanged, this, chosen);
    connect(ui->txtCallsign, &QLineEdit::textChanged, this, Guarded(&TfrmMain::PreselectQTH));
    SetMnemonics();
    ConnectRecentContacts();
    // The state labels take their colours from ApplyStateColors, legible in every theme.
    for (QLabel* label : {ui->lblServerRunning, ui->lblWSJTXRunning, ui->lblOffLine}) {
        label->setStyleSheet(QStringLiteral("font-weight: bold;"));
    }
    ui->TextBox3->setStyleSheet(QStringLiteral("QLabel#TextBox3 { padding: 6px; }"));
    ui->TextBox3->setAutoFillBackground(true);
    ui->TextBox3->setBackgroundRole(QPalette::Base);
    ui->TextBox3->setForegroundRole(QPalette::Text);
    lblLookupStatus = new QLabel(ui->pnlStatus);
    lblLookupStatus->setObjectName(QStringLiteral("lblLookupStatus"));
    lblLookupStatus->setFrameShape(QFrame::Panel);
    lblLookupStatus->setFrameShadow(QFrame::Sunken);
    lblLookupStatus->hide();
    ui->pnlStatus->layout()->addWidget(lblLookupStatus);

    fDupeModel = new TDupeListModel(this);
    ui->ListView1->setModel(fDupeModel);
    ui->ListBox1->setStyleSheet(QStringLiteral("QListWidget::item { height: 22px; }"));
    ui->lblServerRunning->hide();
    ui->lblOffLine->hide();
    // A click on the bearing label clears the form, as Clear does.
    ui->lblBD->installEventFilter(this);
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
    if (event->type() == QEvent::KeyPress && QTHChoiceKey(watched, *static_cast<QKeyEvent*>(event))) {
        return true;
    }
    if (watched == ui->lblBD && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && ui->lblBD->rect().contains(mouse->position().toPoint())) {
            ClearEntries();
        }
    }
    if (watched == ui->txtCallsign && event->type() == QEvent::FocusOut) {
        // A message box, a menu or another program taking the focus is not the operator leaving the field.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
            RunGuarded(fPrompts, this, [&] { txtCallsignExit(); });
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

tLogRecord TfrmMain::RecordFromForm()
{
    tLogRecord rec;
    rec.date = ui->txtDate->text();
    // A time typed with seconds (off-line logging) is kept as hours and minutes, as the clock writes it.
    rec.time = ContactTime(ui->txtTime->text());
    rec.call = ui->txtCallsign->text();
    rec.mode = ui->cboMode->currentText();
    rec.qth = ui->cboQTH->currentText();
    rec.tenten = ui->txtTenTen->text();
    rec.vp = ui->txtVP->text();
    rec.p070 = ui->txtP070->text();
    rec.epc = ui->txtEPC->text();
    rec.comment = ui->txtComments->text();
    rec.uscounty = ui->cboCounty->currentText();
    rec.name = ui->txtName->text();
    rec.dxcc = ui->rbUS->isChecked() ? 0 : GetDXCC(fDM, rec.qth);
    return rec;
}

bool TfrmMain::DupeCheck()
{
    TContactEntry entry;
    entry.rec.call = ui->txtCallsign->text();
    entry.rec.mode = ui->cboMode->currentText();
    entry.rec.uscounty = ui->cboCounty->currentText();
    return IsDuplicateEntry(fDM, Mysettings(), entry);
}

void TfrmMain::DoLog()
{
    switch (LogForm()) {
    case TLogResult::TOutcome::Logged:
        break;
    case TLogResult::TOutcome::NoLog:
        ShowCenteredMessage(fPrompts, this,
                            QStringLiteral("No log is open. Select a log in the Logs list or create one with "
                                           "File > New before logging a contact."),
                            MsgKind::Error, MsgButton::OK);
        break;
    case TLogResult::TOutcome::Duplicate:
        ShowCenteredMessage(fPrompts, this, QStringLiteral("Whoa there cowboy!!  This puppy is a DUPE!!!"),
                            MsgKind::Error, MsgButton::OK);
        break;
    }
}

TLogResult::TOutcome TfrmMain::LogForm()
{
    if (!fHasCurrentLog) {
        return TLogResult::TOutcome::NoLog;
    }
    const TLogResult result = ::LogContact(fDM, Mysettings(), {RecordFromForm()});
    if (result.Logged()) {
        RaiseCounters(result.score);
        ClearEntries();
        LogTableChanged();
    }
    return result.outcome;
}

void TfrmMain::RaiseCounters(const TContactScore& score)
{
    if (score.withTenTen) {
        Setctx_with(fctxwith + 1);
    } else {
        Setctx_without(fctxwithout + 1);
    }
    if (score.withEpc) {
        Setctx_epc(fctxepc + 1);
    }
    if (score.with070) {
        Setctx_070(fctx070 + 1);
    }
    SetTotalpoints(ftotalpoints + score.points);
}

void TfrmMain::DoDupes(const QString& call)
{
    ui->ListView1->setUpdatesEnabled(false);
    if (call.isEmpty() || !fHasCurrentLog) {
        fDupeModel->clear();
    } else {
        // While a call is typed its dupes are what the operator needs to see.
        ui->PageControl1->setCurrentIndex(1);
        fDupeModel->SetReader(std::make_unique<TDupeListReader>(fDM, Mysettings().TableName, call));
        ui->ListView1->setColumnWidth(0, 100);
        ui->ListView1->setColumnWidth(1, 65);
    }
    ui->ListView1->setUpdatesEnabled(true);
}

void TfrmMain::txtCallsignExit()
{
    if (!ui->txtCallsign->text().isEmpty()) {
        fDupeModel->clear();
    }
    if (fautolookup && fUseAutoLook) {
        LookupCallsign();
    } else {
        ShowPrefixCountry();
    }
}

void TfrmMain::SelectItem(QComboBox* box, const QString& text, Qt::CaseSensitivity cs)
{
    const int index = box->findText(text, cs == Qt::CaseSensitive ? Qt::MatchExactly | Qt::MatchCaseSensitive
                                                                  : Qt::MatchFixedString);
    box->setCurrentIndex(index);
    if (index < 0) {
        box->setEditText(QString());
    }
}

void TfrmMain::LookupCallsign()
{
    // A source that fails is reported here; the panel then keeps what it showed.
    TFccRec r;
    const int type = Mysettings().LookupType;
    try {
        r = fLookup->LookupCall(ui->txtCallsign->text(), type);
    } catch (...) {
        ShowLookupFailure(type, std::current_exception());
        return;
    }
    // The source answers again: a later failure is worth a box again.
    fFailedLookups.remove(type);
    const bool wasFailing = !lblLookupStatus->isHidden();
    lblLookupStatus->hide();
    if (wasFailing) {
        emit LinksChanged();
    }
    if (r.callsign.isEmpty()) {
        ui->TextBox3->clear();
    } else {
        const QString text = LookupText(r);
        if (fautofill) {
            ui->txtTenTen->setText(r.tenten);
            ui->txtVP->setText(r.vp);
            ui->txtName->setText(r.firstname.isEmpty() ? r.entityname : r.firstname);
            if (!ui->lblEPC->isHidden()) {
                ui->txtEPC->setText(r.EPC);
            }
            if (!ui->lbl070->isHidden()) {
                ui->txtP070->setText(r.P070);
            }
            const QString entityState = UsStateOfCountry(r.country);
            if (r.country == QStringLiteral("United States") || !entityState.isEmpty()) {
                ui->rbUS->setChecked(true);
                SelectItem(ui->cboQTH, r.state.isEmpty() ? entityState : r.state);
                if (ui->cboQTH->currentIndex() >= 0) {
                    cboQTHClick();
                    SelectItem(ui->cboCounty, r.county);
                }
            } else {
                ui->rbDX->setChecked(true);
                if (!r.country.isEmpty()) {
                    SelectItem(ui->cboQTH, r.country);
                }
            }
        }
        ui->TextBox3->setText(text);
    }
    // Bearing and distance need both ends: without the station's locator (or an own one) there is no line.
    if (r.grid.isEmpty() || fGrid.isEmpty()) {
        ui->lblBD->clear();
    } else {
        ui->lblBD->setText(BearingLine(fLookup->HamUtil(), fGrid, r.grid));
    }
    // The result is what the operator looks at next.
    ui->PageControl1->setCurrentIndex(0);
    repaint();
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

void TfrmMain::btnShowXMLClick()
{
    ShowCenteredMessage(fPrompts, this, fLookup->GetQRZ_XML(), MsgKind::Information, MsgButton::OK);
}

void TfrmMain::rbUSClick()
{
    ShowQTHChoice(fStates, true);
}

void TfrmMain::rbDXClick()
{
    ShowQTHChoice(fCountries, false);
}

void TfrmMain::ShowQTHChoice(const QStringList& items, bool us)
{
    FillBox(ui->cboQTH, items);
    ui->cboCounty->setVisible(us);
    ui->lblCounty->setVisible(us);
    ui->cboCounty->setEditText(QString());
}

void TfrmMain::FillBox(QComboBox* box, const QStringList& items)
{
    box->clear();
    box->addItems(items);
    box->setCurrentIndex(-1);
    box->setEditText(QString());
}

void TfrmMain::cboQTHClick()
{
    if (!ui->rbUS->isChecked()) {
        return;
    }
    GetCountyList(ui->cboQTH->currentText());
    FillBox(ui->cboCounty, fCounties);
}

void TfrmMain::ClearEntries()
{
    if (ui->pnlEntry->isHidden()) {
        return;
    }
    for (QLineEdit* field :
         {ui->txtCallsign, ui->txtName, ui->txtTenTen, ui->txtVP, ui->txtEPC, ui->txtP070}) {
        field->clear();
    }
    fSettingQTH = true;
    if (!ui->rbUS->isChecked()) {
        ui->rbUS->setChecked(true);
    }
    ui->cboQTH->setCurrentIndex(-1);
    ui->cboQTH->setEditText(QString());
    fSettingQTH = false;
    ui->cboCounty->clear();
    ui->cboCounty->setEditText(QString());
    ui->txtComments->clear();
    ui->lblBD->clear();
    ui->TextBox3->clear();
    fQTHChosen = false;
    fPreselectedState.clear();
    ui->txtCallsign->setFocus();
}

void TfrmMain::btnLogClick()
{
    DoLog();
}

void TfrmMain::btnClearClick()
{
    ClearEntries();
}

void TfrmMain::cbLookupClick(bool checked)
{
    fautolookup = checked;
}

void TfrmMain::cbAutofillClick(bool checked)
{
    fautofill = checked;
}

void TfrmMain::mnuOffLineLoggingClick()
{
    SetOfflineLogging(!fofflinelogging);
}

void TfrmMain::SetOfflineLogging(bool value)
{
    fofflinelogging = value;
    ui->lblOffLine->setVisible(value);
    ui->txtDate->setEnabled(value);
    ui->txtTime->setEnabled(value);
    ui->mnuOffLineLogging->setChecked(value);
}

void TfrmMain::SetUseAutoLook(bool value)
{
    fUseAutoLook = value;
    ui->cbLookup->setEnabled(value);
    ui->cbAutoFill->setEnabled(value);
    ui->lblBD->setVisible(value);
    emit LinksChanged();
}

// ---- The contact being typed ----

void TfrmMain::ConnectDraft()
{
    // Every change of the form is kept a moment later, so that a contact half typed survives quitting, a
    // crash or a power cut.
    fDraftTimer = new QTimer(this);
    fDraftTimer->setSingleShot(true);
    fDraftTimer->setInterval(300);
    connect(fDraftTimer, &QTimer::timeout, this, [this] {
        // A settings file that cannot be written is reported once, not at every pause in the typing.
        try {
            SaveDraft();
            fDraftSaveFailed = false;
        } catch (...) {
            if (!fDraftSaveFailed) {
                fDraftSaveFailed = true;
                ShowActionError(fPrompts, this, std::current_exception());
            }
        }
    });
    const auto changed = [this] {
        if (fHasCurrentLog && !fRestoringDraft) {
            fDraftTimer->start();
        }
    };
    for (QLineEdit* field : {ui->txtCallsign, ui->txtName, ui->txtTenTen, ui->txtVP, ui->txtEPC, ui->txtP070,
                             ui->txtComments, ui->txtDate, ui->txtTime}) {
        connect(field, &QLineEdit::textChanged, this, [this, field, changed] {
            // The clock rewrites the date and time every second; only typed ones belong to the contact.
            if ((field != ui->txtDate && field != ui->txtTime) || fofflinelogging) {
                changed();
            }
        });
    }
    for (QComboBox* box : {ui->cboMode, ui->cboQTH, ui->cboCounty}) {
        connect(box, &QComboBox::editTextChanged, this, changed);
    }
    connect(ui->rbDX, &QRadioButton::toggled, this, changed);
}

QString TfrmMain::DraftText() const
{
    const QStringList texts = {
        ui->txtCallsign->text(),   ui->txtName->text(),          ui->txtTenTen->text(),
        ui->txtVP->text(),         ui->txtEPC->text(),           ui->txtP070->text(),
        ui->cboQTH->currentText(), ui->cboCounty->currentText(), ui->txtComments->text()};
    const bool empty =
        std::all_of(texts.cbegin(), texts.cend(), [](const QString& t) { return t.isEmpty(); });
    if (!fHasCurrentLog || empty) {
        return QString();
    }
    QJsonObject draft{{QStringLiteral("log"), fSettings.Mysettings.TableName},
                      {QStringLiteral("call"), ui->txtCallsign->text()},
                      {QStringLiteral("name"), ui->txtName->text()},
                      {QStringLiteral("tenten"), ui->txtTenTen->text()},
                      {QStringLiteral("vp"), ui->txtVP->text()},
                      {QStringLiteral("epc"), ui->txtEPC->text()},
                      {QStringLiteral("p070"), ui->txtP070->text()},
                      {QStringLiteral("mode"), ui->cboMode->currentText()},
                      {QStringLiteral("dx"), ui->rbDX->isChecked()},
                      {QStringLiteral("qth"), ui->cboQTH->currentText()},
                      {QStringLiteral("county"), ui->cboCounty->currentText()},
                      {QStringLiteral("comment"), ui->txtComments->text()},
                      {QStringLiteral("qthChosen"), fQTHChosen}};
    if (fofflinelogging) {
        draft.insert(QStringLiteral("date"), ui->txtDate->text());
        draft.insert(QStringLiteral("time"), ui->txtTime->text());
    }
    return QString::fromUtf8(QJsonDocument(draft).toJson(QJsonDocument::Compact));
}

void TfrmMain::SaveDraft()
{
    fDraftTimer->stop();
    if (!fHasCurrentLog) {
        return;
    }
    const QString text = DraftText();
    if (text != fSettings.GetSetting(SettingKeys::DraftContact, QString())) {
        fSettings.SaveSetting(SettingKeys::DraftContact, text);
    }
}

void TfrmMain::RestoreDraft()
{
    const QJsonObject draft =
        QJsonDocument::fromJson(fSettings.GetSetting(SettingKeys::DraftContact, QString()).toUtf8()).object();
    if (draft.value(QStringLiteral("log")).toString() != Mysettings().TableName) {
        return;
    }
    fRestoringDraft = true;
    const auto done = qScopeGuard([this] { fRestoringDraft = false; });
    const auto text = [&draft](const char* key) { return draft.value(QLatin1String(key)).toString(); };
    if (draft.contains(QStringLiteral("date"))) {
        SetOfflineLogging(true);
        ui->txtDate->setText(text("date"));
        ui->txtTime->setText(text("time"));
    }
    ui->txtCallsign->setText(text("call"));
    ui->txtName->setText(text("name"));
    ui->txtTenTen->setText(text("tenten"));
    ui->txtVP->setText(text("vp"));
    ui->txtEPC->setText(text("epc"));
    ui->txtP070->setText(text("p070"));
    if (!text("mode").isEmpty()) {
        SelectItem(ui->cboMode, text("mode"));
        ui->cboMode->setEditText(text("mode"));
    }
    fSettingQTH = true;
    if (draft.value(QStringLiteral("dx")).toBool()) {
        ChooseDX();
    } else {
        ChooseUS();
    }
    SelectItem(ui->cboQTH, text("qth"));
    ui->cboQTH->setEditText(text("qth"));
    if (ui->rbUS->isChecked() && !text("qth").isEmpty()) {
        cboQTHClick();
    }
    ui->cboCounty->setEditText(text("county"));
    fSettingQTH = false;
    fQTHChosen = draft.value(QStringLiteral("qthChosen")).toBool();
    ui->txtComments->setText(text("comment"));
}

// ---- Keyboard ----

void TfrmMain::SetMnemonics()
{
    // Alt and the underlined letter reach each field of the entry form. The letters differ from those of
    // the menu bar (File, Edit, Options, Server, Display, Help), so that each Alt key has one meaning.
    const std::initializer_list<std::tuple<QLabel*, const char*, QWidget*>> labels = {
        {ui->lblDate, "&Date UTC", ui->txtDate},
        {ui->lblTime, "T&ime UTC", ui->txtTime},
        {ui->lblCallsign, "&Callsign", ui->txtCallsign},
        {ui->lblName, "&Name", ui->txtName},
        {ui->lblTenTen, "&Ten-Ten", ui->txtTenTen},
        {ui->lblVP, "&VP", ui->txtVP},
        {ui->lblMode, "&Mode", ui->cboMode},
        {ui->lblEPC, "E&PC", ui->txtEPC},
        {ui->lbl070, "0&70", ui->txtP070},
        {ui->lblCounty, "US Count&y", ui->cboCounty},
        {ui->lblComments, "Comment&s", ui->txtComments}};
    for (const auto& [label, text, buddy] : labels) {
        label->setText(QString::fromUtf8(text));
        label->setBuddy(buddy);
    }
    ui->rbUS->setText(QStringLiteral("QTH &US"));
    ui->rbDX->setText(QStringLiteral("QTH D&X"));
    ui->cbLookup->setText(QStringLiteral("Loo&kup"));
    ui->cbAutoFill->setText(QStringLiteral("&AutoFill"));
    // The QTH box has no label of its own: Alt+Q reaches it.
    auto* qth = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Q), ui->pnlEntry);
    qth->setContext(Qt::WindowShortcut);
    connect(qth, &QShortcut::activated, this, [this] {
        if (ui->pnlEntry->isVisible()) {
            ui->cboQTH->setFocus(Qt::ShortcutFocusReason);
        }
    });
}

void TfrmMain::EntryFormEnter()
{
    if (auto* button = qobject_cast<QPushButton*>(QApplication::focusWidget());
        button && ui->pnlEntry->isAncestorOf(button)) {
        button->click();
        return;
    }
    btnLogClick();
}

bool TfrmMain::QTHChoiceKey(QObject* watched, const QKeyEvent& key)
{
    if (watched != ui->rbUS && watched != ui->rbDX) {
        return false;
    }
    if (key.key() != Qt::Key_Up && key.key() != Qt::Key_Down && key.key() != Qt::Key_Left &&
        key.key() != Qt::Key_Right) {
        return false;
    }
    // The two choices stand side by side: Left or Up marks QTH US, Right or Down QTH DX, and the focus
    // moves with the mark.
    QRadioButton* target = key.key() == Qt::Key_Left || key.key() == Qt::Key_Up ? ui->rbUS : ui->rbDX;
    if (!target->isChecked()) {
        target->setChecked(true);
    }
    target->setFocus(Qt::OtherFocusReason);
    return true;
}

void TfrmMain::PreselectQTH()
{
    if (fQTHChosen || !fHasCurrentLog || ui->pnlEntry->isHidden()) {
        return;
    }
    const QString call = ui->txtCallsign->text();
    if (call.isEmpty()) {
        return;
    }
    const QString country = CountryOfCall(fDM, call);
    if (country.isEmpty()) {
        return;
    }
    fSettingQTH = true;
    const auto done = qScopeGuard([this] { fSettingQTH = false; });
    // Alaska and Hawaii (KL7, KH6, ...) are US states: QTH US, the state and its counties.
    const QString state = UsStateOfCountry(country);
    if (country == QStringLiteral("United States") || !state.isEmpty()) {
        if (!ui->rbUS->isChecked()) {
            ui->rbUS->setChecked(true);
        }
        if (!state.isEmpty() && ui->cboQTH->currentText() != state) {
            SelectItem(ui->cboQTH, state);
            cboQTHClick();
            fPreselectedState = state;
        } else if (state.isEmpty() && !fPreselectedState.isEmpty() &&
                   ui->cboQTH->currentText() == fPreselectedState) {
            // The call no longer begins with the state's prefix: its state goes again.
            SelectItem(ui->cboQTH, QString());
            FillBox(ui->cboCounty, QStringList());
            fPreselectedState.clear();
        }
        return;
    }
    if (!ui->rbDX->isChecked()) {
        ui->rbDX->setChecked(true);
    }
    if (ui->cboQTH->currentText() != country) {
        SelectItem(ui->cboQTH, country);
    }
}

// ---- Lookup failures ----

void TfrmMain::ShowPrefixCountry()
{
    const QString call = ui->txtCallsign->text();
    if (call.isEmpty() || !fHasCurrentLog) {
        return;
    }
    QString country;
    RunGuarded(fPrompts, this, [&] { country = CountryOfCall(fDM, call); });
    if (!country.isEmpty()) {
        ui->TextBox3->setText(call + QStringLiteral("\nCountry: ") + country);
    }
}

void TfrmMain::ShowLookupFailure(int lookupType, const std::exception_ptr& error)
{
    QString message;
    try {
        std::rethrow_exception(error);
    } catch (const EVantrel& e) {
        message = e.Message();
    } catch (const std::exception& e) {
        message = QString::fromLocal8Bit(e.what());
    } catch (...) {
        message = QStringLiteral("Unknown error");
    }
    // The first failure of a source is shown in a box; the next ones only here, so that a dead
    // service does not stop the operator at every call.
    // A lookup that a feed started never stops the feed with a box: the note below says it.
    if (!fFeedBusy && !fFailedLookups.contains(lookupType)) {
        fFailedLookups.insert(lookupType);
        ShowActionError(fPrompts, this, error);
    }
    const QString line = QStringLiteral("Lookup failed: ") + message.section(QLatin1Char('\n'), 0, 0);
    lblLookupStatus->setText(QLatin1Char(' ') + line + QLatin1Char(' '));
    lblLookupStatus->setToolTip(message);
    lblLookupStatus->show();
    emit LinksChanged();
    ShowPrefixCountry();
    const QString country = ui->TextBox3->text();
    ui->TextBox3->setText(country.isEmpty() ? line : country + QStringLiteral("\n\n") + line);
    ui->lblBD->clear();
}

// ---- Recent contacts ----

void TfrmMain::ConnectRecentContacts()
{
    fRecentModel = new TRecentContactsModel(this);
    QTableView* grid = ui->gridRecent;
    grid->setModel(fRecentModel);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->setWordWrap(false);
    const QFontMetrics fm = grid->fontMetrics();
    const int widths[] = {6, 10, 6, 14, 14, 7, 6, 6, 6, 6};
    for (int column = 0; column < int(std::size(widths)); ++column) {
        grid->setColumnWidth(column, fm.horizontalAdvance(QLatin1Char('M')) * widths[column] * 2 / 3 + 8);
    }
    connect(grid, &QTableView::activated, this, [this](const QModelIndex& index) {
        RunGuarded(fPrompts, this, [&] { EditContact(index.row()); });
    });
    // The Delete key alone: the platform's Delete binding may include Ctrl+D (X11), the menu's key for the
    // roster update, which would then do nothing while the list has the focus.
    auto* remove = new QShortcut(QKeySequence(Qt::Key_Delete), grid);
    remove->setContext(Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this,
            [this] { RunGuarded(fPrompts, this, [this] { DeleteContact(CurrentRecentRow()); }); });
    connect(ui->btnEditContact, &QPushButton::clicked, this,
            [this] { RunGuarded(fPrompts, this, [this] { EditContact(CurrentRecentRow()); }); });
    connect(ui->btnDeleteContact, &QPushButton::clicked, this,
            [this] { RunGuarded(fPrompts, this, [this] { DeleteContact(CurrentRecentRow()); }); });
    connect(ui->btnUndoLast, &QPushButton::clicked, this, Guarded(&TfrmMain::UndoLastContact));
}

int TfrmMain::CurrentRecentRow() const
{
    const QModelIndex index = ui->gridRecent->currentIndex();
    const QItemSelectionModel* selection = ui->gridRecent->selectionModel();
    return index.isValid() && selection && selection->isRowSelected(index.row()) ? index.row() : -1;
}

void TfrmMain::LogTableChanged()
{
    if (!fHasCurrentLog || Mysettings().TableName.isEmpty()) {
        fRecentModel->Clear();
        return;
    }
    const qint64 newest = fRecentModel->KeyAt(0);
    fRecentModel->Refresh(fDM, Mysettings().TableName);
    // A contact just added is shown, even while older ones were scrolled into view.
    if (fRecentModel->KeyAt(0) != newest) {
        ui->gridRecent->scrollToTop();
    }
    const QString call = ui->txtCallsign->text();
    if (!call.isEmpty()) {
        DoDupes(call);
    }
    emit LogChanged();
}

void TfrmMain::EditContact(int row)
{
    // With no line chosen, the contact logged last is the one to correct.
    if (row < 0 && fRecentModel->rowCount() > 0) {
        row = 0;
    }
    const qint64 key = fRecentModel->KeyAt(row);
    if (!fHasCurrentLog || key == 0) {
        ShowCenteredMessage(fPrompts, this,
                            QStringLiteral("Select a contact in the Recent Contacts list first."),
                            MsgKind::Information, MsgButton::OK);
        return;
    }
    const QString table = Mysettings().TableName;
    const std::optional<tLogRecord> stored = ReadContact(fDM, table, key);
    if (!stored) {
        LogTableChanged();
        return;
    }
    TfrmEditContact::TLists lists{fStates, fCountries, fModes,
                                  [this](const QString& state) { return fDM.GetCountyList(state); }};
    TfrmEditContact dialog(*stored, lists, Mysettings().ContestName == Events::OpenSeason, this);
    TContactEntry entry{*stored};
    entry.key = key;
    entry.stored = stored;
    dialog.SetAcceptCheck([&](const TfrmEditContact& d) {
        entry.rec = d.Record();
        bool dupe = false;
        if (!RunGuarded(fPrompts, this, [&] { dupe = IsDuplicateEntry(fDM, Mysettings(), entry); })) {
            return false;
        }
        if (dupe) {
            ShowCenteredMessage(fPrompts, this,
                                QStringLiteral("Whoa there cowboy!!  This puppy is a DUPE!!!"),
                                MsgKind::Error, MsgButton::OK);
            return false;
        }
        return true;
    });
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    entry.rec = dialog.Record();
    entry.rec.dxcc = dialog.IsUS() ? 0 : GetDXCC(fDM, entry.rec.qth);
    ::LogContact(fDM, Mysettings(), entry);
    RecountScores();
    LogTableChanged();
    ui->gridRecent->selectRow(row);
}

void TfrmMain::DeleteContact(int row)
{
    const qint64 key = fRecentModel->KeyAt(row);
    if (!fHasCurrentLog || key == 0) {
        ShowCenteredMessage(fPrompts, this,
                            QStringLiteral("Select a contact in the Recent Contacts list first."),
                            MsgKind::Information, MsgButton::OK);
        return;
    }
    const TRecentContact& c = fRecentModel->Contacts().at(row);
    const QString text = QStringLiteral("Delete the contact with %1 (%2 %3, %4) from the log?")
                             .arg(c.call, c.date, c.time, c.mode);
    if (ShowCenteredMessage(fPrompts, this, text, MsgKind::Confirmation, MsgButton::Yes | MsgButton::No) !=
        MsgButton::Yes) {
        return;
    }
    ::DeleteContact(fDM, Mysettings().TableName, key);
    RecountScores();
    LogTableChanged();
}

void TfrmMain::UndoLastContact()
{
    if (!fHasCurrentLog) {
        return;
    }
    const QString table = Mysettings().TableName;
    const std::optional<qint64> key = LastContactKey(fDM, table);
    if (!key) {
        ShowCenteredMessage(fPrompts, this, QStringLiteral("The log holds no contact to undo."),
                            MsgKind::Information, MsgButton::OK);
        return;
    }
    const std::optional<tLogRecord> last = ReadContact(fDM, table, *key);
    const QString text = QStringLiteral("Undo the last contact, %1 (%2 %3, %4)? It is removed from the log.")
                             .arg(last->call, last->date, last->time, last->mode);
    if (ShowCenteredMessage(fPrompts, this, text, MsgKind::Confirmation, MsgButton::Yes | MsgButton::No) !=
        MsgButton::Yes) {
        return;
    }
    ::DeleteContact(fDM, table, *key);
    RecountScores();
    LogTableChanged();
}

void TfrmMain::mnuReopenProcessedLogClick()
{
    const QStringList logs = ProcessedLogs(fDM);
    if (logs.isEmpty()) {
        ShowCenteredMessage(fPrompts, this, QStringLiteral("No log has been processed."),
                            MsgKind::Information, MsgButton::OK);
        return;
    }
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("frmReopenLog"));
    dialog.setWindowTitle(QStringLiteral("Reopen Processed Log"));
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("lstProcessedLogs"));
    list->addItems(logs);
    list->setCurrentRow(0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(list, &QListWidget::itemActivated, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Processed logs:"), &dialog));
    layout->addWidget(list);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted || !list->currentItem()) {
        return;
    }
    const QString table = list->currentItem()->text();
    ReopenLog(fDM, table);
    // The list of open logs, when it is shown, lists it at once.
    if (!ui->ListBox1->isHidden()) {
        ui->ListBox1->clear();
        ui->ListBox1->addItems(fDM.GetTables());
    }
    ShowCenteredMessage(fPrompts, this, table + QStringLiteral(" is open again: File > Open lists it."),
                        MsgKind::Information, MsgButton::OK);
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

void TfrmMain::mnuImportADIFClick()
{
    if (!fHasCurrentLog || Mysettings().TableName.isEmpty()) {
        ShowCenteredMessage(fPrompts, this,
                            QStringLiteral("No log is open. Select a log in the Logs list or create one with "
                                           "File > New before importing an ADIF file."),
                            MsgKind::Error, MsgButton::OK);
        return;
    }
    const QString path = fPrompts.OpenFile(this, QStringLiteral("Import ADIF"), Paths::UserProfile(),
                                           QStringLiteral("ADIF files|*.adi;*.adif|All files|*"));
    if (path.isEmpty()) {
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw EVantrel(QStringLiteral("Cannot open file \"%1\". %2")
                           .arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    const QByteArray bytes = file.readAll();
    file.close();

    // A file of more than a few thousand records takes a moment: a progress bar shows how far it is.
    constexpr qsizetype kProgressBytes = 1024 * 1024;
    std::unique_ptr<QProgressDialog> progress;
    if (bytes.size() > kProgressBytes) {
        progress = std::make_unique<QProgressDialog>(
            QStringLiteral("Importing ") + QFileInfo(path).fileName(), QString(), 0, 200, this);
        progress->setWindowTitle(QStringLiteral("Import ADIF"));
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(0);
        progress->setValue(0);
    }
    TADIFImport adif(fDM, Mysettings());
    adif.Read(bytes, [&](qsizetype read) {
        if (progress) {
            progress->setValue(int(100 * read / qMax<qsizetype>(bytes.size(), 1)));
        }
    });
    bool keepDuplicates = false;
    if (adif.Duplicates() > 0) {
        if (progress) {
            progress->hide();
        }
        // Enter answers No: duplicates go in only when the operator asks for them.
        const MsgButton answer = ShowCenteredMessage(
            fPrompts, this,
            QStringLiteral("%1 of the %2 contacts in the file are duplicates in this log.\n"
                           "Import the duplicates as well?")
                .arg(adif.Duplicates())
                .arg(adif.Contacts()),
            MsgKind::Confirmation, MsgButton::Yes | MsgButton::No | MsgButton::Cancel, MsgButton::No);
        if (answer == MsgButton::Cancel) {
            return;
        }
        keepDuplicates = answer == MsgButton::Yes;
        if (progress) {
            progress->show();
        }
    }
    const qsizetype toStore = keepDuplicates ? adif.Contacts() : adif.Contacts() - adif.Duplicates();
    int imported = 0;
    try {
        imported = adif.Store(keepDuplicates, [&](qsizetype stored) {
            if (progress) {
                progress->setValue(100 + int(100 * stored / qMax<qsizetype>(toStore, 1)));
            }
        });
    } catch (...) {
        progress.reset();
        throw;
    }
    progress.reset();
    RecountScores();
    fDupeModel->clear();
    LogTableChanged();
    ShowCenteredMessage(fPrompts, this,
                        QStringLiteral("ADIF import from %1\n\n").arg(QFileInfo(path).fileName()) +
                            adif.Summary(imported, keepDuplicates),
                        MsgKind::Information, MsgButton::OK);
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
    if (!fHasCurrentLog || Mysettings().TableName.isEmpty()) {
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
    if (!fautolookup || rec.call.isEmpty()) {
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
    if (!fHasCurrentLog) {
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

void TfrmMain::SetField(TField field, const QString& value)
{
    QLineEdit* edit = nullptr;
    switch (field) {
    case TField::Call:
        edit = ui->txtCallsign;
        break;
    case TField::Name:
        edit = ui->txtName;
        break;
    case TField::TenTen:
        edit = ui->txtTenTen;
        break;
    case TField::VP:
        edit = ui->txtVP;
        break;
    case TField::EPC:
        edit = ui->txtEPC;
        break;
    case TField::P070:
        edit = ui->txtP070;
        break;
    }
    edit->setText(value);
}

void TfrmMain::SetModeText(const QString& text)
{
    ui->cboMode->setEditText(text);
}

void TfrmMain::SelectMode(const QString& text)
{
    SelectItem(ui->cboMode, text, Qt::CaseInsensitive);
}

void TfrmMain::SelectQTH(const QString& text)
{
    SelectItem(ui->cboQTH, text, Qt::CaseInsensitive);
}

void TfrmMain::SelectCounty(const QString& text)
{
    SelectItem(ui->cboCounty, text, Qt::CaseInsensitive);
}

void TfrmMain::ChooseUS()
{
    // Selecting the button runs its click handling; an already selected one is run by hand.
    if (ui->rbUS->isChecked()) {
        rbUSClick();
    } else {
        ui->rbUS->setChecked(true);
    }
}

void TfrmMain::ChooseDX()
{
    if (ui->rbDX->isChecked()) {
        rbDXClick();
    } else {
        ui->rbDX->setChecked(true);
    }
}

void TfrmMain::QTHClick()
{
    cboQTHClick();
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

void TfrmMain::ClearForm()
{
    ClearEntries();
}

void TfrmMain::AutoLookupCall()
{
    if (fautolookup) {
        LookupCallsign();
    }
}
