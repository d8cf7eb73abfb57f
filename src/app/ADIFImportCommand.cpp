#include "ADIFImportCommand.h"

#include "ADIFImport.h"
#include "TCurrentLog.h"
#include "data/Errors.h"
#include "data/Paths.h"
#include "data/TDM.h"
#include "data/TMysettings.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

bool IsADIFImportCommand(const QStringList& args)
{
    return args.contains(QStringLiteral("--import-adif"));
}

int RunADIFImportCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    QString file;
    QString table;
    bool keepDuplicates = false;
    bool usage = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--import-adif") && i + 1 < args.size()) {
            file = args[++i];
        } else if (arg == QLatin1String("--log") && i + 1 < args.size()) {
            table = args[++i];
        } else if (arg == QLatin1String("--keep-dupes")) {
            keepDuplicates = true;
        } else {
            usage = true;
        }
    }
    if (usage || file.isEmpty() || table.isEmpty()) {
        err << "usage: vantrel --import-adif FILE --log TABLE [--keep-dupes]\n"
               "  FILE          an ADIF file (.adi) of contacts\n"
               "  TABLE         the table name of an open log, as the log list shows it\n"
               "  --keep-dupes  import contacts that are duplicates in the log as well\n";
        err.flush();
        return 2;
    }
    try {
        QFile adif(file);
        if (!adif.open(QIODevice::ReadOnly)) {
            throw EVantrel(QStringLiteral("Cannot open file \"%1\". %2")
                               .arg(QDir::toNativeSeparators(file), adif.errorString()));
        }
        const QByteArray bytes = adif.readAll();
        adif.close();

        const QString work = Paths::WorkFolder();
        if (!QFileInfo::exists(work + QStringLiteral("logs.db"))) {
            throw EVantrel(
                QStringLiteral("No logs database in the work folder %1").arg(QDir::toNativeSeparators(work)));
        }
        TDM dm;
        dm.OpenLogs(work + QStringLiteral("logs.db"));
        dm.OpenConfig(work + QStringLiteral("config.db"));
        if (!dm.GetTables().contains(table)) {
            throw EVantrel(QStringLiteral("There is no open log named %1").arg(table));
        }
        TMysettings log;
        TCurrentLog::ReadyLog(dm, table, log, QDate::currentDate());

        TADIFImport adifImport(dm, log);
        adifImport.Read(bytes);
        const int imported = adifImport.Store(keepDuplicates);
        out << "ADIF import from " << QDir::toNativeSeparators(file) << " into " << table << '\n'
            << adifImport.Summary(imported, keepDuplicates) << '\n';
        out.flush();
        dm.CloseLogs();
        dm.CloseConfig();
        return imported > 0 ? 0 : 1;
    } catch (const EVantrel& e) {
        err << e.Message() << '\n';
        err.flush();
        return 2;
    }
}
