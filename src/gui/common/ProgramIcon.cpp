#include "ProgramIcon.h"

#include <QPainter>
#include <QSvgRenderer>

QPixmap ProgramPixmap(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/vantrel/vantrel.svg"));
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addPixmap(ProgramPixmap(size));
    }
    return icon;
}
