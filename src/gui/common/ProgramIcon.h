#pragma once

#include <QIcon>
#include <QPixmap>

// The program's own icon, drawn from its SVG source (vantrel.svg) at the sizes of the windows' icon.
QIcon ProgramIcon();
QPixmap ProgramPixmap(int size);

// Gives the application the program icon once its first window is on the screen (for that window and
// every later one). Decoding the pictures and handing them to the window system takes several
// milliseconds, which would otherwise delay the first window.
void SetProgramIconOnceShown();
