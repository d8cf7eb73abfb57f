#pragma once

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

// Told the number of lines done and the number of lines of the file: once with 0 before the first line,
// then after every line.
using TRosterProgress = std::function<void(int done, int total)>;

// Downloads a roster into its file of the work folder (DownloadFile): throws "Error downloading URL: …"
// when the download fails, an HTTP error status included.
void DownloadRoster(TRoster roster, const TSettings& settings);

// Replace the roster tables from the downloaded files of the work folder, each in one transaction (see
// TRosterLoad): a damaged line is skipped and counted, any failure throws and leaves the tables as they
// were. LoadEPC first rewrites "epc1.dat" in place with FormatEPCFile.
TRosterResult LoadTenTen(TDM& dm, const QString& file, const TRosterProgress& progress = {});
TRosterResult LoadVP(TDM& dm, const QString& file, const TRosterProgress& progress = {});
TRosterResult LoadEPC(TDM& dm, const QString& file, const TRosterProgress& progress = {});
TRosterResult LoadP070(TDM& dm, const QString& file, const TRosterProgress& progress = {});
