#include "app/TfrmMain.h"
#include "process/TfrmProcessLog.h"
#include "ui/Prompts.h"
#include "ui/TVantrelApplication.h"

int main(int argc, char* argv[])
{
    TVantrelApplication app(argc, argv);
    TRealPrompts prompts;
    TfrmMain mainWindow(prompts);
    // The processing dialog is created once, after the main window, and kept (hidden) for the run.
    auto* processLog = new TfrmProcessLog(
        prompts, mainWindow.DM(), mainWindow.Mysettings(),
        [&mainWindow] {
            return TScoreCounters{mainWindow.ctx_with(), mainWindow.ctx_without(), mainWindow.totalpoints()};
        },
        &mainWindow);
    mainWindow.SetProcessLog(processLog);
    mainWindow.show();
    return app.exec();
}
