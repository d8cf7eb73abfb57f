#include "TVantrelApplication.h"

#include "ProgramIcon.h"
#include "TRealPrompts.h"
#include "data/Errors.h"

TVantrelApplication::TVantrelApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Vantrel"));
    setApplicationVersion(QStringLiteral(VANTREL_VERSION));
    SetProgramIconOnceShown();
    // Ties the running windows to the installed desktop entry (vantrel.desktop), so that task bars show
    // them with the menu's name and icon.
    setDesktopFileName(QStringLiteral("vantrel"));
}

bool TVantrelApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const EVantrel& e) {
        // The program's own box: the error's text (which may quote a file or a server) as plain text.
        TRealPrompts().Message(activeWindow(), e.Message(), MsgKind::Error, MsgButton::OK);
    } catch (const std::exception& e) {
        TRealPrompts().Message(activeWindow(), QString::fromLocal8Bit(e.what()), MsgKind::Error,
                               MsgButton::OK);
    }
    return false;
}
