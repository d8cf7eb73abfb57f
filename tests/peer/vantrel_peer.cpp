// A second process for the tests that check what another program sees of the database files:
//   peek <db>                 opens the database, reads it, closes it (as a backup tool or the sqlite3
//                             shell would) and prints the number of schema objects;
//   calls <db> <table>        prints the call signs of a log table, one a line;
//   program <work> <picker>   plays the program: opens <work>/logs.db as the program does, logs K1ABC,
//                             shows the real picker (open, save or folder) over the work folder until it
//                             has listed the folder, prints "ready"; on a line from the test logs K2DEF
//                             and prints "logged", then waits to be killed;
//   rosters <config.db>       loads the Ten-Ten and VP rosters from the work folder's downloads into
//                             <config.db> as the roster update does; once the first VP line is in,
//                             prints "loading" and waits to be killed;
//   licence <source> <folder> starts a licence import of <source> into <folder>; once its partial files
//                             are on the disk, prints "importing" and waits to be killed;
//   position <work> <host> <port> <database> <user> <password> <log> <name>
//                             an operating position sharing <log> through the server (joining it when
//                             <work>/logs.db does not hold it), driven by lines on its input:
//                             "wait" prints "in step <contacts>" once it is in step with the server;
//                             "burst <n> <prefix>" logs n contacts <prefix>1... and prints "acked <call>"
//                             as each one is stored, sharing all the while; "quit" ends it.
#include "data/TDM.h"
#include "data/tLogRecord.h"
#include "lookup/TLicenceImport.h"
#include "sync/TSharedLog.h"
#include "ui/FileDialogs.h"
#include "update/RosterUpdate.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QSocketNotifier>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QThread>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

const QString kTable = QStringLiteral("W1AW_2026_General_Log");

int Peek(const QString& path, const QString& table)
{
    int status = 1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("peer"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            if (table.isEmpty()) {
                if (q.exec(QStringLiteral("select count(*) from sqlite_master")) && q.next()) {
                    std::printf("%d\n", q.value(0).toInt());
                    status = 0;
                }
            } else if (q.exec(QStringLiteral("select _call from \"%1\" order by pkey").arg(table))) {
                while (q.next()) {
                    std::printf("%s\n", qPrintable(q.value(0).toString()));
                }
                status = 0;
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("peer"));
    return status;
}

void Log(TDM& dm, const char* call)
{
    tLogRecord rec;
    rec.call = QString::fromLatin1(call);
    dm.LogAddRecord(rec, kTable);
}

// Shows the picker until its file model has listed the folder and every row has been drawn and typed.
void ShowPicker(const QString& work, const QString& picker)
{
    const TPickerKind kind = picker == QStringLiteral("open")   ? TPickerKind::OpenFile
                             : picker == QStringLiteral("save") ? TPickerKind::SaveFile
                                                                : TPickerKind::Folder;
    std::unique_ptr<QFileDialog> dialog(CreateFileDialog(
        nullptr, kind, QStringLiteral("Recall Info"), work,
        QStringLiteral("User File (*.scr)|*.SCR|All Files (*.*)|*.*"), QStringLiteral("scr")));
    dialog->setViewMode(QFileDialog::Detail);
    auto* files = dialog->findChild<QFileSystemModel*>();
    bool loaded = false;
    QObject::connect(files, &QFileSystemModel::directoryLoaded, [&](const QString&) { loaded = true; });
    dialog->show();
    QElapsedTimer clock;
    clock.start();
    while (!loaded && clock.elapsed() < 10000) {
        QTest::qWait(10);
    }
    files->setFilter(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    QTest::qWait(300);
    const QModelIndex root = files->index(work);
    for (int row = 0; row < files->rowCount(root); ++row) {
        for (int column = 0; column < files->columnCount(root); ++column) {
            const QModelIndex index = files->index(row, column, root);
            files->data(index, Qt::DisplayRole);
            files->data(index, Qt::DecorationRole);
        }
    }
    dialog->grab();
    QTest::qWait(300);
    dialog->reject();
}

int Program(const QString& work, const QString& picker)
{
    TDM dm;
    dm.OpenLogs(work + QStringLiteral("logs.db"));
    dm.CreateConfig();
    dm.CreateNewLogTable(kTable);
    Log(dm, "K1ABC");
    ShowPicker(work, picker);
    std::printf("ready\n");
    std::fflush(stdout);
    std::string line;
    std::getline(std::cin, line);
    Log(dm, "K2DEF");
    std::printf("logged\n");
    std::fflush(stdout);
    // The test ends this process with a kill, as a crash or power cut would.
    for (;;) {
        QThread::sleep(1);
    }
}

int Position(const QStringList& args)
{
    const QString work = args[2];
    TDM dm;
    dm.OpenLogs(work + QStringLiteral("/logs.db"));
    if (dm.GetLogTables().isEmpty()) {
        dm.CreateConfig();
    }
    TShareSettings settings;
    settings.host = args[3];
    settings.port = args[4].toInt();
    settings.database = args[5];
    settings.user = args[6];
    settings.password = args[7];
    settings.log = args[8];
    settings.position = args[9];
    TSharedLog share(dm);
    share.Start(settings);
    const QString table = settings.log;
    const auto count = [&] {
        if (!dm.GetLogTables().contains(table)) {
            return 0;
        }
        QSqlQuery q(dm.condb());
        q.exec(QStringLiteral("select count(*) from \"%1\"").arg(table));
        return q.next() ? q.value(0).toInt() : 0;
    };
    bool waiting = false;
    const auto report = [&] {
        if (waiting && share.Status().inStep) {
            waiting = false;
            std::printf("in step %d\n", count());
            std::fflush(stdout);
        }
    };
    QObject::connect(&share, &TSharedLog::StatusChanged, report);
    const auto handle = [&](const QString& line) {
        const QStringList words = line.split(' ', Qt::SkipEmptyParts);
        if (words.value(0) == QStringLiteral("wait")) {
            waiting = true;
            report();
        } else if (words.value(0) == QStringLiteral("burst")) {
            const int n = words.value(1).toInt();
            for (int i = 1; i <= n; ++i) {
                tLogRecord rec;
                rec.date = QStringLiteral("2026-06-13");
                rec.time = QStringLiteral("15:00");
                rec.call = words.value(2) + QString::number(i);
                rec.mode = QStringLiteral("CW");
                dm.LogAddRecord(rec, table);
                std::printf("acked %s\n", qPrintable(rec.call));
                std::fflush(stdout);
                QCoreApplication::processEvents();
            }
        } else if (words.value(0) == QStringLiteral("quit")) {
            QCoreApplication::exit(0);
        }
    };
    QByteArray pending;
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        const ssize_t got = ::read(0, buffer, sizeof buffer);
        if (got <= 0) {
            input.setEnabled(false);
            QCoreApplication::exit(0);
            return;
        }
        pending.append(buffer, got);
        qsizetype end = 0;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(end)).trimmed();
            pending.remove(0, end + 1);
            handle(line);
        }
    });
    return QCoreApplication::exec();
}

int Rosters(const QString& config)
{
    TDM dm;
    dm.OpenConfig(config);
    TRosterHooks hooks;
    hooks.progress = [](TRoster roster, int done, int) {
        if (roster == TRoster::VP && done == 1) {
            std::printf("loading\n");
            std::fflush(stdout);
            // The test ends this process with a kill halfway through the update.
            for (;;) {
                QThread::sleep(1);
            }
        }
    };
    LoadRosters(dm, {TRoster::TenTen, TRoster::VP}, hooks);
    return 0;
}

int Licence(const QString& source, const QString& folder)
{
    TLicenceImport licenceImport(source, folder);
    licenceImport.SetProgress([](int) {
        std::printf("importing\n");
        std::fflush(stdout);
        // The test ends this process with a kill, or leaves it running while another import starts.
        for (;;) {
            QThread::sleep(1);
        }
    });
    licenceImport.Run();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    try {
        if (args.size() == 3 && args[1] == QStringLiteral("peek")) {
            return Peek(args[2], QString());
        }
        if (args.size() == 4 && args[1] == QStringLiteral("calls")) {
            return Peek(args[2], args[3]);
        }
        if (args.size() == 4 && args[1] == QStringLiteral("program")) {
            return Program(args[2], args[3]);
        }
        if (args.size() == 10 && args[1] == QStringLiteral("position")) {
            return Position(args);
        }
        if (args.size() == 3 && args[1] == QStringLiteral("rosters")) {
            return Rosters(args[2]);
        }
        if (args.size() == 4 && args[1] == QStringLiteral("licence")) {
            return Licence(args[2], args[3]);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    std::fprintf(stderr,
                 "usage: vantrel_peer peek <db> | calls <db> <table> | program <work> <picker> | rosters "
                 "<config.db> | licence <source> <folder> | position <work> <host> <port> <database> <user> "
                 "<password> <log> <name>\n");
    return 2;
}
