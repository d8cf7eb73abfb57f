#pragma once

#include <QObject>

class IPrompts;
class QWidget;
class TDM;

// Start-up of the program's data: the work folder (made at the first run, from an older folder when the
// operator wants it copied or moved) and the two databases opened, each trouble told with the file and
// what to do. Start-up goes on without what could not be opened.
class TStartup : public QObject
{
    Q_OBJECT

public:
    // Which of the databases opened.
    struct TOpened
    {
        bool logs = false;
        bool config = false;
    };

    TStartup(IPrompts& prompts, QWidget* window, TDM& dm);

    // Makes the work folder at the first run; false, once told, when it cannot be written to (SQLite
    // writes its journal beside the database, so a read-only folder cannot hold a log safely).
    bool PrepareWorkFolder();
    // Opens the logs and the reference database: a missing reference database is replaced by the shipped
    // copy, an empty logs database gets its configuration table.
    TOpened OpenDatabases();

signals:
    // No log can be opened or made: the folder is read-only or the logs database does not open.
    void LogsUnavailable();

private:
    void CreateWorkFolder();

    IPrompts& fPrompts;
    QWidget* fWindow;
    TDM& fDM;
};
