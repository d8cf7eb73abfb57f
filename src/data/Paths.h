#pragma once

#include <QString>
#include <QStringList>

// Where the program keeps and finds its files. On Windows the fixed public folders are used; elsewhere
// the work folder is $VANTREL_HOME when set, else the user's data folder + "/Vantrel/".
namespace Paths {

// The work folder, always ending in a separator.
QString WorkFolder();

// The older per-user data folder offered for copy or move on the first run, ending in a separator.
QString OlderFolder();

// The user's profile folder (USERPROFILE on Windows, HOME elsewhere), without a trailing separator.
QString UserProfile();

// FLdigi's temporary ADIF log file under the user's profile.
QString DefaultFldigiLogFile();

// Default folders of the separately installed licence data.
QString DefaultOrvanePath();
QString DefaultFCCPath();

// Folders searched, in order, for a file shipped with the program whose executable lies in appDir: the
// current directory, then appDir itself (a build keeps everything beside its programs), then the installed
// folder relative to appDir: `share/vantrel` for data, `share/doc/vantrel` for the help document.
QStringList ShippedDataFolders(const QString& appDir);
QStringList ShippedDocFolders(const QString& appDir);

// The first of folders that holds name, as a clean absolute path; empty when none does.
QString FirstExisting(const QString& name, const QStringList& folders);

// A data file shipped with the program ("config.db", "config.sql"). Returns the first existing path, or the
// current-directory path when none exists (so a missing file is reported under the name the operator would
// look for).
QString ShippedFile(const QString& name);

// True for an SQLite database file or one of its companions by name: "*.db", "*.db3", "*.sqlite",
// "*.sqlite3", each also with "-wal", "-shm" or "-journal" after it (letter case ignored). Such files are
// opened by SQLite only: the pickers never list them and no user file is read from or written to one.
bool IsDatabaseFile(const QString& path);

// The help document "vantrel.pdf": the first existing path, or empty when it is nowhere to be found.
QString HelpDocument();

// Where HelpDocument() looks, in order, for telling the operator where the file belongs.
QStringList HelpDocumentPlaces();

} // namespace Paths
