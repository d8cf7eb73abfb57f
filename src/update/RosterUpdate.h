#pragma once

#include "RosterFiles.h"

#include "data/Errors.h"

#include <QList>
#include <QMap>
#include <QString>
#include <functional>

class TDM;
class TSettings;

// The four club rosters the lookups consult, in the order they must load: the Ten-Ten load empties
// `tenten` (every VP number with it) and the VP load writes into the rows it created.
enum class TRoster
{
    TenTen,
    VP,
    EPC,
    P070
};

// Where a roster is published and where its download is kept in the work folder.
struct TRosterSource
{
    QString url;
    QString file;
};

// The file of the work folder that keeps a roster's download ("1010.dat", "vp.dat", "epc1.dat", "p070.dat").
QString RosterFile(TRoster roster);

// The source of a roster from the server settings ("RosterServer", "EPCServer", "P070Url"). Throws
// EVantrel naming the setting when it is empty.
TRosterSource RosterSource(TRoster roster, const TSettings& settings);

// How a roster load went: the lines of the file and the damaged lines left out.
struct TRosterResult
{
    int lines = 0;
    int skipped = 0;
};

// Downloads a roster into its file of the work folder (DownloadFile): throws "Error downloading URL: …"
// with the reason when the download fails, an HTTP error status included.
void DownloadRoster(TRoster roster, const TSettings& settings);

// The roster's name for the operator: "Ten-Ten", "VP", "EPC", "070".
QString RosterName(TRoster roster);

// How many member, damaged and foreign lines a roster's downloaded text holds (the EPC list as published,
// before FormatEPCFile rewrites it).
TRosterCount CountRoster(TRoster roster, const QString& text);

// Reads a downloaded roster file and throws ERosterRefused when it cannot be that roster (RosterProblem):
// an empty file, a web page, random bytes, a file with no member line or more bad lines than members.
// The message names the file, the address it came from (when given) and what is wrong.
void CheckRoster(TRoster roster, const QString& file, const QString& url = QString());

// A downloaded file that is not the roster it should be.
class ERosterRefused : public EVantrel
{
public:
    using EVantrel::EVantrel;
};

// What a roster load tells as it goes: the lines done of a roster's file (once with 0 before the first
// line, then after every line) and each roster once it is lasting in the database.
struct TRosterHooks
{
    std::function<void(TRoster roster, int done, int total)> progress;
    std::function<void(TRoster roster)> completed;
};

// Replaces the ticked roster tables from the downloaded files of the work folder, in the order Ten-Ten,
// VP, EPC, 070. The Ten-Ten roster and its VP numbers change in one transaction (the Ten-Ten load empties
// `tenten`, every VP number with it, and the VP load fills the rows it made), so a failure, a full disk or
// a kill between them leaves both as they were; EPC and 070 each load in a transaction of their own. A
// damaged line is skipped and counted; a file that is not its roster (CheckRoster) and any other failure
// throw and leave the roster being loaded as it was. LoadEPC first rewrites "epc1.dat" in place with
// FormatEPCFile.
QMap<TRoster, TRosterResult> LoadRosters(TDM& dm, const QList<TRoster>& rosters,
                                         const TRosterHooks& hooks = {});
