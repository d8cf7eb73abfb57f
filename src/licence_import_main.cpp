// vantrel-licence-import [--update] SOURCE FOLDER
//
// Builds the licence data files "fccdata.db" and "postal.db" in FOLDER from the FCC's weekly amateur
// licence dump SOURCE (l_amat.zip, or the folder it unzips to). With --update, SOURCE is a daily update
// file (l_am_….zip) applied to the existing "fccdata.db" of FOLDER. The old files in FOLDER are replaced
// only when the new ones are complete.

#include "lookup/TLicenceImport.h"

#include <QCoreApplication>
#include <QTextStream>
#include <csignal>

namespace {

TLicenceImport* gImport = nullptr;

// Ctrl+C cancels the import cleanly: the partial files are removed and the old ones stay.
void OnInterrupt(int)
{
    if (gImport) {
        gImport->Cancel();
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);
    const bool update = !args.isEmpty() && args.first() == QLatin1String("--update");
    if (update) {
        args.removeFirst();
    }
    if (args.size() != 2 || args[0].startsWith(QLatin1Char('-'))) {
        err << "usage: vantrel-licence-import [--update] SOURCE FOLDER\n"
               "  SOURCE    the FCC's amateur licence file l_amat.zip, or the folder it unzips to\n"
               "  FOLDER    the licence data folder that receives fccdata.db and postal.db\n"
               "  --update  SOURCE is a daily update file (l_am_....zip) applied to FOLDER's fccdata.db\n";
        return 2;
    }
    TLicenceImport import(args[0], args[1]);
    import.SetUpdate(update);
    gImport = &import;
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    int shown = -1;
    import.SetProgress([&](int percent) {
        if (percent / 10 != shown / 10) {
            shown = percent;
    err << percent << "%\n";
    err.flush();
}
});
try {
    out << import.Run().Text() << '\n';
} catch (const EImportCancelled& e) {
    err << e.Message() << '\n';
    return 130;
} catch (const EVantrel& e) {
    err << "vantrel-licence-import: " << e.Message() << '\n';
    return 1;
}
return 0;
}
