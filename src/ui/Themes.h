#pragma once

#include <QPalette>
#include <QString>
#include <QStringList>

// The named looks of the program. "Windows" is the plain platform look; every other theme is the Fusion
// style with a palette of its own: "Sky" (the default, light blue), "Fusion" (Fusion's own colours),
// "Night" (dark grey for night operating), "Red Night" (dim red on black, kind to dark-adapted eyes) and
// "High Contrast" (white and yellow on black).
namespace Themes {

inline const QString kDefault = QStringLiteral("Sky");
inline const QString kPlain = QStringLiteral("Windows");

// The theme names, sorted without regard to letter case.
QStringList Names();
bool IsTheme(const QString& name);
// The palette of a theme (the style's own palette for "Windows" and "Fusion").
QPalette Palette(const QString& name);
// The small style sheet of a theme (empty for most).
QString StyleSheet(const QString& name);
// The colour of the edges of fields, buttons and check boxes drawn under a palette: set off from both the
// window and the inside of a field.
QColor FieldEdge(const QPalette& palette);
// Applies a theme to every window of the program: style, palette and style sheet. An unknown name
// applies the default theme. Returns the name of the theme applied.
QString Apply(const QString& name);
// Sets the font size of every menu and menu bar of the program, now and after any later theme change.
void SetMenuFont(int pointSize);

} // namespace Themes
