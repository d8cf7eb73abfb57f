#include "TLogProcessor.h"

#include "ADIFWriter.h"
#include "TTextCursor.h"

#include "data/Errors.h"
#include "data/LogQueries.h"
#include "data/MyFunc.h"
#include "data/TDM.h"

#include <QDir>

TOutputFile::TOutputFile(const QString& path) : fFile(path)
{
    // Unbuffered: a full disk fails the write itself, before the old file could be replaced.
    if (!fFile.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        fError = QStringLiteral("Cannot create file \"%1\". %2")
                     .arg(QDir::toNativeSeparators(path), fFile.errorString());
    }
    fBuffer.reserve(kWriteChunk + 4096);
}

void TOutputFile::Write(const QByteArray& bytes)
{
    fBuffer.append(bytes);
    Written();
}

void TOutputFile::Written()
{
    if (fBuffer.size() >= kWriteChunk) {
        Flush();
    }
}

void TOutputFile::Flush()
{
    if (fError.isEmpty() && fFile.write(fBuffer) != fBuffer.size()) {
        fError = QStringLiteral("Cannot write file \"%1\". %2")
                     .arg(QDir::toNativeSeparators(fFile.fileName()), fFile.errorString());
    }
    fBuffer.resize(0);
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
        // The log's own counters, which the database keeps as contacts change: no pass over the table.
        const TDM::TLogCounts counts = fDM.LogCounts(fTable);
        clubs.epc = counts.withEpc;
        clubs.p070 = counts.with070;
    }

    TOutputFile log(LogFileName());
    fADIF.reset();
    if (fOptions.adifexport) {
        fADIF = std::make_unique<TOutputFile>(ADIFFileName());
        fADIF->Write(ADIFHeader());
    }
    log.Write(SubmissionHeader(fOwn, fScore, clubs, fOptions.soapbox, fOptions.eol).toUtf8());
    fDupeSheet = TDupeSheet();

    const TQsoStation station(fOwn);
    const QByteArray stationCallsign = fOwn.Callsign.toUtf8();
    TCountryCodes dxcc([this](const QString& country) { return GetDXCCText(fDM, country); });
    const QByteArray eol = fOptions.eol.toUtf8();
    ForEachLogRow(fDM, fTable, ContactColumns(), [&](const TLogRowText& row) {
        const TContactText contact = ContactText(row);
        AppendQSOLine(log.Buffer(), station, contact, openSeason);
        log.Buffer().append(eol);
        log.Written();
        fDupeSheet.AddUtf8(contact.call);
        if (fADIF) {
            fADIF->Buffer().append('\n');
            AppendADIFRecord(fADIF->Buffer(), contact, fOptions.adifcomment, dxcc, stationCallsign);
            fADIF->Written();
        }
    });
    log.Write(QByteArrayLiteral("END_OF_LOG:") + fOptions.eol.toUtf8());

    log.Commit();
    CreateDupFile();
    if (fADIF) {
        ExportToADIF();
    }
    if (fOptions.moreFiles) {
        fOptions.moreFiles(fOptions.folder, fTable);
    }
    if (fOptions.processflag) {
        fDM.MarkLogProcessed(fTable);
    }
}

void TLogProcessor::CreateDupFile()
{
    TOutputFile dup(DupFileName());
    fDupeSheet.Write(fOwn.Callsign, fOwn.ContestName, [&](const QByteArray& piece) { dup.Write(piece); });
    dup.Commit();
}

// The records were written as the log was read; the export now replaces any older file.
void TLogProcessor::ExportToADIF()
{
    fADIF->Commit();
    fADIF.reset();
}
