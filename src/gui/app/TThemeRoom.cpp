#include "TThemeRoom.h"

#include "ui_TfrmMain.h"

#include "data/Prompts.h"
#include "data/TSettings.h"
#include "gui/common/Colors.h"
#include "gui/common/Themes.h"

#include <QActionGroup>
#include <optional>

TThemeRoom::TThemeRoom(Ui::TfrmMain& form, IPrompts& prompts, TSettings& settings, QWidget* window)
    : QObject(window), ui(&form), fPrompts(prompts), fSettings(settings), fWindow(window)
{
    // The state labels take their colours from ApplyStateColors, legible in every theme.
    for (QLabel* label : {ui->lblServerRunning, ui->lblWSJTXRunning, ui->lblOffLine}) {
        label->setStyleSheet(QStringLiteral("font-weight: bold;"));
    }
    connect(ui->mnuForgroundColor, &QAction::triggered, this,
            [this] { RunGuarded(fPrompts, fWindow, [&] { mnuForgroundColorClick(); }); });
    connect(ui->mnuBackgroundColor, &QAction::triggered, this,
            [this] { RunGuarded(fPrompts, fWindow, [&] { mnuBackgroundColorClick(); }); });
}

void TThemeRoom::ReadColors()
{
    fColor = fSettings.GetSetting(SettingKeys::Color, fColor);
    fForeColor = fSettings.GetSetting(SettingKeys::ForeColor, fForeColor);
    ApplyWindowColors();
}

void TThemeRoom::WriteSettings()
{
    fSettings.SaveSetting(SettingKeys::Color, fColor);
    fSettings.SaveSetting(SettingKeys::Theme, fCurTheme);
}

void TThemeRoom::ApplyWindowColors()
{
    // The window's own colours belong to the plain look; every other theme colours the window itself.
    if (fCurTheme != Themes::kPlain) {
        fWindow->setPalette(QPalette());
        ui->rbUS->setPalette(QPalette());
        ApplyStateColors();
        return;
    }
    QPalette pal = fWindow->palette();
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
    fWindow->setPalette(pal);
    ApplyStateColors();
}

void TThemeRoom::ApplyStateColors()
{
    // Green for a feed that is running, red for off-line logging: each as dark or as light as the
    // window's background needs for the text to be read.
    const QColor window = fWindow->palette().color(QPalette::Window);
    const auto paint = [&window](QLabel* label, const QColor& wanted) {
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, LegibleOn(wanted, window, 4.5));
        label->setPalette(p);
    };
    paint(ui->lblOffLine, QColor(192, 0, 0));
    paint(ui->lblServerRunning, QColor(0, 128, 0));
    paint(ui->lblWSJTXRunning, QColor(0, 128, 0));
}

void TThemeRoom::BuildMenu()
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
            RunGuarded(fPrompts, fWindow, [&] { SetTheme(action->text().remove('&')); });
        });
    }
}

void TThemeRoom::SetTheme(const QString& name)
{
    // A name that is not a theme (stored by another version, or edited by hand) gives the default.
    fCurTheme = Themes::Apply(name);
    fThemeGroup->actions().at(fThemes.indexOf(fCurTheme))->setChecked(true);
    const bool plain = fCurTheme == Themes::kPlain;
    ui->mnuForgroundColor->setEnabled(plain);
    ui->mnuBackgroundColor->setEnabled(plain);
    ApplyWindowColors();
}

void TThemeRoom::mnuForgroundColorClick()
{
    PickWindowColor(fForeColor, SettingKeys::ForeColor);
}

void TThemeRoom::mnuBackgroundColorClick()
{
    PickWindowColor(fColor, SettingKeys::Color);
}

// The colour picker starts from the colour picked last; the choice is stored at once and shown.
void TThemeRoom::PickWindowColor(int& setting, const QString& key)
{
    if (const auto color = fPrompts.Color(fWindow, fPickedColor)) {
        fPickedColor = *color;
        setting = ColorToSetting(*color);
        fSettings.SaveSetting(key, setting);
        ApplyWindowColors();
    }
}
