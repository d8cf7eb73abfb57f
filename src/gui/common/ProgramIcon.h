#pragma once

#include <QIcon>
#include <QPixmap>

// The program's own icon, drawn from its SVG source (vantrel.svg) at the sizes of the windows' icon.
QIcon ProgramIcon();
QPixmap ProgramPixmap(int size);
