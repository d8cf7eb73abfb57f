#include "app/ADIFImportCommand.h"
#include "app/TfrmMain.h"
#include "process/TfrmProcessLog.h"
#include "ui/Prompts.h"
#include "ui/TVantrelApplication.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    // A script's ADIF import runs without a window (and without a display).
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    if (IsADIFImportCommand(args)) {
        QCoreApplication app(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        return RunADIFImportCommand(app.arguments().mid(1), out, err);
    }

    TVantrelApplication app(argc, argv);
    TRealPrompts prompts;
    TfrmMain mainWindow(prompts);
    // The processing dialog is created once, after the main window, and kept (hidden) for the run.
    auto* processLog = new TfrmProcessLog(
        prompts, mainWindow.DM(), mainWindow.Mysettings(),
        [&mainWindow] { return mainWindow.CurrentScore(); }, &mainWindow);
    mainWindow.SetProcessLog(processLog);
    mainWindow.show();
    return app.exec();
}
