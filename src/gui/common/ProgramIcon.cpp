#include "ProgramIcon.h"

QIcon ProgramIcon()
{
    // Rendered from vantrel.svg when the program was built, one picture a size (src/CMakeLists.txt).
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/vantrel/vantrel-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

QPixmap ProgramPixmap(int size)
{
    return ProgramIcon().pixmap(QSize(size, size), 1.0);
}
