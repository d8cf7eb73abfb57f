#include "TLogProcessor.h"

#include "ADIFWriter.h"
#include "Utf8.h"

#include "data/Errors.h"
#include "data/LogQueries.h"
#include "data/MyFunc.h"
#include "data/TDM.h"

#include <QDir>
#include <QHash>

namespace {

// Text is handed to the file in pieces of about this size.
constexpr qsizetype kChunk = 256 * 1024;

// The columns the three files use.
const QStringList kColumns = {"_date", "_time", "_call", "_tenten", "_vp",      "_epc",
                              "_p070", "_mode", "_name", "_qth",    "_uscounty"};

} // namespace

TOutputFile::TOutputFile(const QString& path) : fFile(path)
{
    // Unbuffered: a full disk fails the write itself, before the old file could be replaced.
    if (!fFile.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        fError = QStringLiteral("Cannot create file \"%1\". %2")
                     .arg(QDir::toNativeSeparators(path), fFile.errorString());
    }
    fBuffer.reserve(kChunk + 4096);
}

void TOutputFile::Write(const QByteArray& bytes)
{
    fBuffer.append(bytes);
    if (fBuffer.size() >= kChunk) {
        Flush();
    }
}

void TOutputFile::Flush()
{
    if (fError.isEmpty() && fFile.write(fBuffer) != fBuffer.size()) {
        fError = QStringLiteral("Cannot write file \"%1\". %2")
                     .arg(QDir::toNativeSeparators(fFile.fileName()), fFile.errorString());
    }
    fBuffer.clear();
}

void TOutputFile::Commit()
{
    Flush();
    if (fError.isEmpty() && !fFile.commit()) {
        fError = QStringLiteral("Cannot write file \"%1\". %2")
                     .arg(QDir::toNativeSeparators(fFile.fileName()), fFile.errorString());
    }
    if (!fError.isEmpty()) {
        throw EVantrel(fError);
    }
}

TLogProcessor::TLogProcessor(TDM& dm, const TMysettings& own, const QString& table,
                             const TScoreCounters& score, const TProcessOptions& options)
    : fDM(dm), fOwn(own), fTable(table), fScore(score), fOptions(options)
{}

void TLogProcessor::ProcessTheLog()
{
    const bool openSeason = IsOpenSeason(fOwn.ContestName);
    TClubCounts clubs;
    if (openSeason) {
        clubs.epc = fDM.CountNonEmpty(fTable, QStringLiteral("_epc"));
        clubs.p070 = fDM.CountNonEmpty(fTable, QStringLiteral("_p070"));
    }

    TOutputFile log(LogFileName());
    fADIF.reset();
    if (fOptions.adifexport) {
        fADIF = std::make_unique<TOutputFile>(ADIFFileName());
        fADIF->Write(ADIFHeader());
    }
    log.Write(SubmissionHeader(fOwn, fScore, clubs, fOptions.soapbox, fOptions.eol).toUtf8());
    fDupeSheet = TDupeSheet();

    // Country names repeat from contact to contact: each is looked up once per run.
    QHash<QString, QString> countries;
    const TCountryLookup dxcc = [&](const QString& country) {
        auto it = countries.constFind(country);
        if (it == countries.constEnd()) {
            it = countries.insert(country, GetDXCCText(fDM, country));
        }
        return *it;
    };

    QByteArray text;
    ForEachLogRow(fDM, fTable, kColumns, [&](const TLogRow& row) {
        text.clear();
        AppendUtf8(text, QSOLine(fOwn, row, openSeason));
        AppendUtf8(text, fOptions.eol);
        log.Write(text);
        fDupeSheet.Add(row.Value(QStringLiteral("_call")));
        if (fADIF) {
            text.clear();
            text.append('\n');
            AppendADIFRecord(text, row, fOptions.adifcomment, dxcc, fOwn.Callsign);
            fADIF->Write(text);
        }
    });
    log.Write(QByteArrayLiteral("END_OF_LOG:") + fOptions.eol.toUtf8());

    log.Commit();
    CreateDupFile();
    if (fADIF) {
        ExportToADIF();
    }
    if (fOptions.processflag) {
        fDM.MarkLogProcessed(fTable);
    }
}

void TLogProcessor::CreateDupFile()
{
    TOutputFile dup(DupFileName());
    dup.Write(fDupeSheet.Text(fOwn.Callsign, fOwn.ContestName).toUtf8());
    dup.Commit();
}

// The records were written as the log was read; the export now replaces any older file.
void TLogProcessor::ExportToADIF()
{
    fADIF->Commit();
    fADIF.reset();
}
