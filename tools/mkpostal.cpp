// Build-time tool: turns the compressed text source of the postal data into "postal.db".
// Usage: vantrel_mkpostal OUTPUT.db SOURCE.csv.gz

#include "data/Errors.h"
#include "data/LicenceStore.h"
#include "lookup/PostalText.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: vantrel_mkpostal OUTPUT.db SOURCE.csv.gz\n");
        return 2;
    }
    const QString output = args[1];
    const QString partial = output + QStringLiteral(".part");
    try {
        QFile::remove(partial);
        WritePostalDatabase(partial, ReadPostalText(args[2]));
        QFile::remove(output);
        if (!QFile::rename(partial, output)) {
            throw EVantrel(QStringLiteral("cannot rename %1 to %2").arg(partial, output));
        }
    } catch (const EVantrel& e) {
        QFile::remove(partial);
        std::fprintf(stderr, "vantrel_mkpostal: %s\n", e.what());
        return 1;
    }
    return 0;
}
