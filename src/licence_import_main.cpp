// vantrel-licence-import [--update] [--force] SOURCE FOLDER
//
// Builds the licence data files "fccdata.db" and "postal.db" in FOLDER from the FCC's weekly amateur
// licence dump SOURCE (l_amat.zip, or the folder it unzips to). With --update, SOURCE is a daily update
// file (l_am_….zip) applied to the existing "fccdata.db" of FOLDER. The old files in FOLDER are replaced
// only when the new ones are complete and hold licensees: new data with no licensee is refused, and so is
// new data with fewer than half the licensees of the old unless --force is given.

#include "lookup/TLicenceImport.h"

#include <QCoreApplication>
#include <QTextStream>
#include <csignal>
#include <exception>

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
    bool update = false;
    bool force = false;
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        if (args.first() == QLatin1String("--update")) {
            update = true;
        } else if (args.first() == QLatin1String("--force")) {
            force = true;
        } else {
            break;
        }
        args.removeFirst();
    }
    if (args.size() != 2 || args[0].startsWith(QLatin1Char('-'))) {
        err << "usage: vantrel-licence-import [--update] [--force] SOURCE FOLDER\n"
               "  SOURCE    the FCC's amateur licence file l_amat.zip, or the folder it unzips to\n"
               "  FOLDER    the licence data folder that receives fccdata.db and postal.db\n"
               "  --update  SOURCE is a daily update file (l_am_....zip) applied to FOLDER's fccdata.db\n"
               "  --force   replace the old data even when the new holds far fewer licensees\n";
        return 2;
    }
    TLicenceImport licenceImport(args[0], args[1]);
    licenceImport.SetUpdate(update);
    licenceImport.SetForce(force);
    gImport = &licenceImport;
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    int shown = -1;
    licenceImport.SetProgress([&](int percent) {
        if (percent / 10 != shown / 10) {
            shown = percent;
            err << percent << "%\n";
            err.flush();
        }
    });
    try {
        out << licenceImport.Run().Text() << '\n';
    } catch (const EImportCancelled& e) {
        err << e.Message() << '\n';
        return 130;
    } catch (const EVantrel& e) {
        err << "vantrel-licence-import: " << e.Message() << '\n';
        return 1;
    } catch (const std::exception& e) {
        // Whatever else fails (memory, the system), the partial files are gone by now: say so and fail.
        err << "vantrel-licence-import: " << e.what() << "; the old files are kept.\n";
        return 1;
    }
    return 0;
}
