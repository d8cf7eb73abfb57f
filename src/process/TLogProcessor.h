#pragma once

#include "SubmissionLog.h"
#include "TDupeSheet.h"

#include "data/TMysettings.h"

#include <QByteArray>
#include <QSaveFile>
#include <QString>
#include <functional>
#include <memory>

class TDM;

// What the operator chose in the processing dialog.
struct TProcessOptions
{
    QString folder;                     // destination folder ending in a separator; empty: current directory
    QString soapbox;                    // soapbox comments
    QString eol = QStringLiteral("\n"); // line end of the submission log
    bool adifexport = false;            // write the ADIF export
    bool adifcomment = false;           // repeat the club numbers in a comment field of each ADIF record
    bool processflag = false;           // mark the log processed afterwards
    // Writes further files into the folder after the three (before the log is marked processed); throws
    // on the first that cannot be written.
    std::function<void(const QString& folder, const QString& table)> moreFiles;
};

// A file written in one piece: the text goes to a temporary file beside it, which replaces the file of
// that name only on Commit, so a run that fails part way leaves the old file as it was. An error while
// creating or writing is kept and raised by Commit, so that the files before it are still written first.
class TOutputFile
{
public:
    explicit TOutputFile(const QString& path);
    void Write(const QByteArray& bytes);
    // The text not handed to the file yet: append to it, then call Written().
    QByteArray& Buffer() { return fBuffer; }
    void Written();
    // Replaces the file; throws EVantrel naming the file when it could not be created or written.
    void Commit();

private:
    void Flush();

    QSaveFile fFile;
    QByteArray fBuffer;
    QString fError;
};

// Turns a finished event log into its files, named after the log table, in the destination folder:
// the submission log (.log), the dupe sheet (.dup) and, when asked, the ADIF export (.adif) and further
// files (the charts); then marks the log processed when asked. All three files are UTF-8 without a byte-order
// mark and replace any file of their name. The table is read before any file is replaced, so a database error
// leaves every file as it was; a file that cannot be written stops the run there with its error, leaving the
// files written before it and doing none of the later steps. Memory stays small whatever the size of the log:
// the submission log and the ADIF export are written as the rows are read, and only the call signs are kept.
class TLogProcessor
{
public:
    TLogProcessor(TDM& dm, const TMysettings& own, const QString& table, const TScoreCounters& score,
                  const TProcessOptions& options);

    void ProcessTheLog();

    QString LogFileName() const { return fOptions.folder + fTable + QStringLiteral(".log"); }
    QString DupFileName() const { return fOptions.folder + fTable + QStringLiteral(".dup"); }
    QString ADIFFileName() const { return fOptions.folder + fTable + QStringLiteral(".adif"); }

private:
    void CreateDupFile();
    void ExportToADIF();

    TDM& fDM;
    const TMysettings& fOwn;
    QString fTable;
    TScoreCounters fScore;
    TProcessOptions fOptions;
    TDupeSheet fDupeSheet;
    std::unique_ptr<TOutputFile> fADIF; // the ADIF export being written, when asked for
};
