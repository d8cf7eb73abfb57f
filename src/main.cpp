#include "app/ADIFImportCommand.h"
#include "app/TfrmMain.h"
#include "process/TfrmProcessLog.h"
#include "ui/Prompts.h"
#include "ui/TVantrelApplication.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

const char* const kUsage =
    "usage: vantrel [Qt options]\n"
    "       vantrel --import-adif FILE --log TABLE [--keep-dupes]\n"
    "       vantrel --help | --version\n"
    "\n"
    "Without options, starts the logger's main window.\n"
    "\n"
    "  --import-adif FILE  import the contacts of an ADIF file into an open log, without a window\n"
    "  --log TABLE         the table name of the open log, as the log list shows it\n"
    "  --keep-dupes        import contacts that are duplicates in the log as well\n"
    "  --help, -h          show this text\n"
    "  --version           show the version\n"
    "\n"
    "The import exits with 0 when it imported a contact, 1 when it imported none, and 2 on wrong\n"
    "arguments or a failure. The work folder is $VANTREL_HOME, else ~/.local/share/Vantrel/.\n";

} // namespace

int main(int argc, char* argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    // Help and version are answered without a window (and without a display).
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        QTextStream(stdout) << kUsage;
        return 0;
    }
    if (args.contains(QStringLiteral("--version"))) {
        QTextStream(stdout) << "vantrel " << VANTREL_VERSION << '\n';
        return 0;
    }
    // A script's ADIF import runs without a window (and without a display).
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
        [&mainWindow] {
            return TScoreCounters{mainWindow.ctx_with(), mainWindow.ctx_without(), mainWindow.totalpoints()};
        },
        &mainWindow);
    mainWindow.SetProcessLog(processLog);
    mainWindow.show();
    return app.exec();
}
