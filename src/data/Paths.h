#pragma once

#include <QString>

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

// A file shipped with the program: the current directory first, then beside the executable, then the
// installed data folder. Returns the first existing path, or the current-directory path when none exists
// (so a missing file is reported under the name the operator would look for).
QString ShippedFile(const QString& name);

// True for an SQLite database file or one of its companions by name: "*.db", "*.db3", "*.sqlite",
// "*.sqlite3", each also with "-wal", "-shm" or "-journal" after it (letter case ignored). Such files are
// opened by SQLite only: the pickers never list them and no user file is read from or written to one.
bool IsDatabaseFile(const QString& path);

} // namespace Paths
