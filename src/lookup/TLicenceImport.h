#pragma once

#include "data/Errors.h"

#include <QString>
#include <atomic>
#include <functional>

// How one record file of an import went: lines read, rows kept, malformed lines skipped.
struct TRecordFileCount
{
    QString name;
    bool found = false;
    qint64 read = 0;
    qint64 kept = 0;
    qint64 skipped = 0;
    // Of the skipped lines, those longer than any record (never held in memory).
    qint64 tooLong = 0;
};

struct TImportSummary
{
    QString folder;
    // A daily update applied to existing data rather than a new build.
    bool update = false;
    TRecordFileCount en{QStringLiteral("EN.dat")};
    TRecordFileCount am{QStringLiteral("AM.dat")};
    TRecordFileCount hd{QStringLiteral("HD.dat")};
    // Licensee rows whose ZIP code the postal data knows, so their county is filled.
    qint64 withCounty = 0;
    // Unfinished files of an earlier import that was killed, removed from the folder.
    int staleRemoved = 0;

    // What was read, kept and skipped, file by file, for the operator.
    QString Text() const;
};

// An import stopped by the operator; the old data files are untouched.
class EImportCancelled : public EVantrel
{
public:
    using EVantrel::EVantrel;
};

// New licence data that must not replace the old: it holds no licensee, or far fewer than the data it
// would replace (unless forced). The old files are untouched.
class ELicenceRefused : public EVantrel
{
public:
    using EVantrel::EVantrel;
};

// Builds "fccdata.db" and "postal.db" in a data folder from the FCC's weekly amateur licence dump
// (l_amat.zip, or the folder it unzips to) and the postal data shipped with the program.
//
// The licence tables fcc_en, fcc_am and fcc_hd are keyed on the unique system identifier; fcc_en gets
// the county of its ZIP code from the postal data and an index on the call sign. Both files are
// written under temporary names in the target folder and renamed over the old ones only when complete,
// so a failed or cancelled import leaves the old files working. Malformed lines are skipped and counted.
//
// Run may be called on any thread; Cancel may be called from another one while it runs.
class TLicenceImport
{
public:
    // Progress in percent (0-100), called from the thread that runs the import.
    using TProgress = std::function<void(int percent)>;

    // postalSource: the built "postal.db" to copy and to read counties from; empty for the one shipped
    // with the program.
    TLicenceImport(const QString& source, const QString& folder, const QString& postalSource = QString());

    void SetProgress(TProgress progress) { fProgress = std::move(progress); }

    // Applies a daily update file (l_am_….zip: the same record files, holding only the licences that
    // changed) to the folder's existing "fccdata.db" instead of building a new one: each record replaces
    // the row of its unique system identifier or is added.
    void SetUpdate(bool update) { fUpdate = update; }

    // Replaces the old data even when the new holds far fewer licensees (never when it holds none).
    void SetForce(bool force) { fForce = force; }

    // Record lines are far shorter than this; a longer line is skipped and counted without being held.
    static constexpr qsizetype kMaxRecordLine = 8192;

    // Builds the two files. Throws EImportCancelled when cancelled, EVantrel (and its kinds) on a
    // source that cannot be read, a record file missing from it (a full dump), a folder that cannot be
    // written, or an update without a licence file to update. Throws ELicenceRefused when the new data holds
    // no licensee, or fewer than half the licensees of the data it would replace unless forced.
    TImportSummary Run();

    void Cancel() { fCancelled = true; }

private:
    // Throws ELicenceRefused when the new data must not replace the old.
    void CheckLicensees(qint64 licensees, const TImportSummary& summary) const;

    QString fSource;
    QString fFolder;
    QString fPostalSource;
    TProgress fProgress;
    bool fUpdate = false;
    bool fForce = false;
    std::atomic<bool> fCancelled{false};
};
