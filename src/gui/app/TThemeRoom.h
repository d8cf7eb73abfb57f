#pragma once

#include <QColor>
#include <QObject>
#include <QStringList>

class IPrompts;
class QActionGroup;
class QWidget;
class TSettings;

namespace Ui {
class TfrmMain;
}

// The look of the main window: Display > Themes (one checked item per theme), and under the plain theme
// the window's own colours picked with Display > Forground Color and Background Color. The labels of the
// links and of off-line logging keep a colour that can be read on the window's background in every theme.
class TThemeRoom : public QObject
{
    Q_OBJECT

public:
    TThemeRoom(Ui::TfrmMain& form, IPrompts& prompts, TSettings& settings, QWidget* window);

    // Fills the Themes menu.
    void BuildMenu();
    // Reads the window's own colours from the settings and shows them.
    void ReadColors();
    // Stores the background colour and the theme.
    void WriteSettings();

    QString CurTheme() const { return fCurTheme; }
    // A name that is not a theme gives the default.
    void SetTheme(const QString& name);
    void mnuForgroundColorClick();
    void mnuBackgroundColorClick();

private:
    void PickWindowColor(int& setting, const QString& key);
    void ApplyWindowColors();
    void ApplyStateColors();

    Ui::TfrmMain* ui;
    IPrompts& fPrompts;
    TSettings& fSettings;
    QWidget* fWindow;
    QStringList fThemes;
    QActionGroup* fThemeGroup = nullptr;
    int fColor = -16777201;
    int fForeColor = 128;
    // The colour picker opens on the colour last picked in it during the run.
    QColor fPickedColor = Qt::black;
    QString fCurTheme = QStringLiteral("Sky");
};
