#include "TfrmMain.h"

#include "ui_TfrmMain.h"

#include "data/Errors.h"
#include "data/Paths.h"
#include "ui/Prompts.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStyleFactory>
#include <QUrl>

namespace {

const QString kFirstRunText = QStringLiteral(
    "We have detected this is a new installation.  If a previous\nwork folder exists you will be giving the "
    "option "
    "to etiher copy\nor move that folder.  Otherwise, the new work folder will be created\nwith new blank "
    "databases");

const QString kOlderFolderText = QStringLiteral("An older data folder exists.  Woudl you like to copy or "
                                                "move that folder\nClick Yes to COPY the folder, click "
                                                "No to MOVE the folder, or cancel to create a new folder");

// Copies a folder with all its files and subfolders; files that cannot be copied are skipped.
void CopyFolder(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    const QDir source(from);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = QDir(to).filePath(source.relativeFilePath(path));
        if (it.fileInfo().isDir()) {
            QDir().mkpath(target);
        } else {
            QFile::copy(path, target);
        }
    }
}

// Moves the whole contents of a folder into another (created as needed) and removes the first.
void MoveFolder(const QString& from, const QString& to)
{
    const QString source = QDir::cleanPath(from);
    const QString target = QDir::cleanPath(to);
    QDir().mkpath(QFileInfo(target).absolutePath());
    if (!QFileInfo::exists(target) && QDir().rename(source, target)) {
        return;
    }
    // Another file system, or a target that exists already: copy everything, then remove the old folder.
    QDir().mkpath(target);
    QDirIterator it(source, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    const QDir base(source);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString dest = QDir(target).filePath(base.relativeFilePath(path));
        if (it.fileInfo().isDir()) {
            QDir().mkpath(dest);
        } else {
            QFile::remove(dest);
            QFile file(path);
            if (!file.copy(dest)) {
                throw EVantrel(file.errorString());
            }
        }
    }
    if (!QDir(source).removeRecursively()) {
        throw EVantrel(
            QStringLiteral("Unable to remove the folder %1").arg(QDir::toNativeSeparators(source)));
    }
}

// A colour of the settings file: 0x00BBGGRR for an RGB colour; system colours carry 0xFF in the high
// byte and have no RGB value of their own.
std::optional<QColor> RgbOf(int value)
{
    const auto v = static_cast<quint32>(value);
    if ((v & 0xFF000000u) != 0) {
        return std::nullopt;
    }
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

} // namespace

TfrmMain::TfrmMain(IPrompts& prompts, QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::TfrmMain>()), fPrompts(prompts),
      fSettings(Paths::WorkFolder() + QStringLiteral("Vantrel.cfg"))
{
    ui->setupUi(this);
    FormCreate();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::FormCreate()
{
    // The window keeps its designed size: the two halves and the status bar are laid out for it.
    setFixedSize(size());
    ConnectMenu();
    try {
        // 1. Menus use a 14-point font.
        QFont menuFont = ui->MainMenu1->font();
        menuFont.setPointSize(14);
        ui->MainMenu1->setFont(menuFont);
        for (QMenu* menu : ui->MainMenu1->findChildren<QMenu*>()) {
            menu->setFont(menuFont);
        }
        // 2. Paths under the user's profile.
        fFLDigiLogFile = Paths::DefaultFldigiLogFile();
        // 3. First run: create the work folder.
        if (!QDir(Paths::WorkFolder()).exists()) {
            CreateWorkFolder();
        }
        // 4. Off-line logging starts off.
        fofflinelogging = false;
        // 6, 7. Open the databases; a database error is reported and start-up goes on.
        try {
            fDM.OpenLogs(Paths::WorkFolder() + QStringLiteral("logs.db"));
            fDM.OpenConfig(Paths::WorkFolder() + QStringLiteral("config.db"));
        } catch (const EDatabaseError& e) {
            ShowCenteredMessage(fPrompts, this, QStringLiteral("Exception raised with message") + e.Message(),
                                MsgKind::Error, MsgButton::OK);
        }
        // 8. An empty logs database gets its `config` table.
        if (fDM.GetLogTables().isEmpty()) {
            fDM.CreateConfig();
        }
        // 9, 10. Lists and the theme menu.
        BuildThemeMenu();
        // 11. Settings.
        ReadSettings();
        // 12, 13. Start-up lists.
        fCountries = fDM.GetCountries();
        fStates = fDM.GetStates();
        fModes = fDM.GetModes();
        fEvents = fDM.GetEvents();
        GetCountyList(QStringLiteral("AZ"));
        // 14. The entry form's boxes.
        const QString mode = ui->cboMode->currentText();
        ui->cboQTH->clear();
        ui->cboQTH->addItems(fStates);
        ui->cboMode->clear();
        ui->cboMode->addItems(fModes);
        ui->cboMode->setCurrentIndex(int(fModes.indexOf(mode)));
        ui->cboMode->setEditText(mode);
        ui->cboCounty->clear();
        ui->cboCounty->addItems(fCounties);
        // 15. The debug switch keeps "Show XML" hidden unless VANTREL_DEBUG asks for it.
        fdebug = qEnvironmentVariableIntValue("VANTREL_DEBUG") != 0;
        // 16. The list of open logs.
        DoOpen();
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
            CopyFolder(older, work);
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
    const QString shipped = Paths::ShippedFile(QStringLiteral("config.db"));
    const QString target = work + QStringLiteral("config.db");
    if (!QFileInfo::exists(target)) {
        QFile file(shipped);
        if (!file.copy(target)) {
            throw EVantrel(file.errorString() + QStringLiteral(" (") + QDir::toNativeSeparators(shipped) +
                           ')');
        }
        // The copy keeps the shipped file's permissions; the work copy must be writable.
        QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner | QFile::ReadOwner);
    }
}

void TfrmMain::ReadSettings()
{
    fOrvanePath = fSettings.GetSetting(SettingKeys::OrvanePath, Paths::DefaultOrvanePath());
    fFCCPath = fSettings.GetSetting(SettingKeys::FCCPath, Paths::DefaultFCCPath());
    fServerPort = fSettings.GetSetting(SettingKeys::ServerPort, 8888);
    const int top = fSettings.GetSetting(SettingKeys::Top, y());
    const int left = fSettings.GetSetting(SettingKeys::Left, x());
    move(left, top);
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
    fSettings.SaveSetting(SettingKeys::Color, fColor);
    fSettings.SaveSetting(SettingKeys::Theme, fCurTheme);
    fSettings.SaveSetting(SettingKeys::LastMode, ui->cboMode->currentText());
}

void TfrmMain::ApplyWindowColors()
{
    QPalette pal = palette();
    if (const auto background = RgbOf(fColor)) {
        pal.setColor(QPalette::Window, *background);
    }
    if (const auto text = RgbOf(fForeColor)) {
        pal.setColor(QPalette::WindowText, *text);
        QPalette us = ui->rbUS->palette();
        us.setColor(QPalette::WindowText, *text);
        ui->rbUS->setPalette(us);
    }
    setPalette(pal);
}

void TfrmMain::BuildThemeMenu()
{
    fThemes = QStyleFactory::keys();
    std::sort(fThemes.begin(), fThemes.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    fThemeGroup = new QActionGroup(this);
    fThemeGroup->setExclusive(true);
    ui->mnuThemes->clear();
    for (const QString& name : fThemes) {
        QAction* action = ui->mnuThemes->addAction(name);
        action->setCheckable(true);
        fThemeGroup->addAction(action);
        connect(action, &QAction::triggered, this, [this, action] {
            RunGuarded(fPrompts, this, [&] { SetTheme(action->text().remove('&')); });
        });
    }
}

void TfrmMain::SetTheme(const QString& name)
{
    fCurTheme = name;
    const qsizetype index = fThemes.indexOf(name);
    if (index >= 0) {
        QApplication::setStyle(QStyleFactory::create(name));
        fThemeGroup->actions().at(index)->setChecked(true);
    }
    const bool plain = name == QStringLiteral("Windows");
    ui->mnuForgroundColor->setEnabled(plain);
    ui->mnuBackgroundColor->setEnabled(plain);
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
    connect(ui->mnuOpen, &QAction::triggered, this,
            [this] { RunGuarded(fPrompts, this, [&] { DoOpen(); }); });
    connect(ui->mnuAutoCheckUpdate, &QAction::triggered, this,
            [this](bool checked) { RunGuarded(fPrompts, this, [&] { SetAutoCheckUpdate(checked); }); });
    connect(ui->mnuContents, &QAction::triggered, this, [this] { mnuContentsClick(); });
    // The whole Options menu waits for a current log.
    ui->mnuOptions->setEnabled(false);
    for (QAction* action : ui->mnuOptions->actions()) {
        action->setEnabled(false);
    }
}

void TfrmMain::mnuContentsClick()
{
    const QString help = Paths::ShippedFile(QStringLiteral("vantrel.pdf"));
    if (!QFileInfo::exists(help) || !QDesktopServices::openUrl(QUrl::fromLocalFile(help))) {
        ShowCenteredMessage(
            fPrompts, this,
            QStringLiteral("Unable to open the help document %1").arg(QDir::toNativeSeparators(help)),
            MsgKind::Error, MsgButton::OK);
    }
}

void TfrmMain::FormActivate()
{
    if (!fFirstActivation) {
        return;
    }
    fFirstActivation = false;
    // The quiet check for a newer version runs here once the update subsystem is in place.
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
    fDM.CloseLogs();
    fDM.CloseConfig();
    RunGuarded(fPrompts, this, [&] { WriteSettings(); });
    event->accept();
}
