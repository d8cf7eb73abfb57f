#pragma once

#include "data/Clock.h"
#include "data/TDM.h"
#include "data/TSettings.h"

#include <QMainWindow>
#include <QStringList>
#include <memory>

class IPrompts;
class QActionGroup;

namespace Ui {
class TfrmMain;
}

// The main window: start-up and shutdown, the menu, the log list, the entry form and the status bar.
// Creating it runs the whole start-up (FormCreate); closing it closes the databases and writes the
// window settings.
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
    int ServerPort() const { return fServerPort; }
    QString Grid() const { return fGrid; }
    void SetGrid(const QString& grid);
    QString CurTheme() const { return fCurTheme; }
    void SetTheme(const QString& name);
    bool AutoCheckUpdate() const { return fAutoCheckUpdate; }
    void SetAutoCheckUpdate(bool value);
    bool Debug() const { return fdebug; }

    // Replaces the county list with the counties of one state.
    void GetCountyList(const QString& state);

    // Shows the list of open logs.
    void DoOpen();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void FormCreate();
    void CreateWorkFolder();
    void ReadSettings();
    void WriteSettings();
    void FormActivate();
    void BuildThemeMenu();
    void ConnectMenu();
    void ApplyWindowColors();
    void mnuContentsClick();

    std::unique_ptr<Ui::TfrmMain> ui;
    IPrompts& fPrompts;
    TDM fDM;
    TSettings fSettings;
    TClock fClock = SystemNow;

    QStringList fCountries;
    QStringList fStates;
    QStringList fModes;
    QStringList fEvents;
    QStringList fCounties;
    QStringList fThemes;
    QActionGroup* fThemeGroup = nullptr;

    QString fOrvanePath;
    QString fFCCPath;
    int fServerPort = 8888;
    int fColor = -16777201;
    int fForeColor = 128;
    QString fFLDigiLogFile;
    bool fFLDigiAutoLog = false;
    int fFldigiInterval = 1000;
    QString fCurTheme = QStringLiteral("Sky");
    bool fAutoCheckUpdate = false;
    QString fGrid;
    bool fdebug = false;
    bool fofflinelogging = false;
    bool fFirstActivation = true;
};
