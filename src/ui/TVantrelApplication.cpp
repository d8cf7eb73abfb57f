#include "TVantrelApplication.h"

#include "ProgramIcon.h"
#include "data/Errors.h"

#include <QMessageBox>

TVantrelApplication::TVantrelApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Vantrel"));
    setApplicationVersion(QStringLiteral(VANTREL_VERSION));
    setWindowIcon(ProgramIcon());
    // Ties the running windows to the installed desktop entry (vantrel.desktop), so that task bars show
    // them with the menu's name and icon.
    setDesktopFileName(QStringLiteral("vantrel"));
}

bool TVantrelApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const EVantrel& e) {
        QMessageBox::critical(activeWindow(), QStringLiteral("Error"), e.Message());
    } catch (const std::exception& e) {
        QMessageBox::critical(activeWindow(), QStringLiteral("Error"), QString::fromLocal8Bit(e.what()));
    }
    return false;
}
