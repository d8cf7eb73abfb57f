#include "ProgramIcon.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWindow>

namespace {

// Watches the application's events until a window is exposed; the icon is set in the event loop's next
// pass, after that window has painted itself.
class TIconOnFirstExposure : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose) {
            const auto* window = qobject_cast<QWindow*>(watched);
            if (window && window->isExposed()) {
                qApp->removeEventFilter(this);
                QTimer::singleShot(0, qApp, [this] {
                    QApplication::setWindowIcon(ProgramIcon());
                    deleteLater();
                });
            }
        }
        return false;
    }
};

} // namespace

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

void SetProgramIconOnceShown()
{
    qApp->installEventFilter(new TIconOnFirstExposure(qApp));
}
