#include "ADIFImport.h"

#include "LogContact.h"

#include "data/TDM.h"
#include "data/TMysettings.h"
#include "process/ADIFRecordReader.h"

#include <QDate>
#include <QRegularExpression>
#include <QSqlQuery>

TADIFImport::TADIFImport(TDM& dm, const TMysettings& log)
    : fDM(dm), fLog(log), fRule(DupeRuleOf(log.ContestName))
{}

QString TADIFImport::DupeKey(const tLogRecord& rec) const
{
    return DupeKeyOf(fRule, rec).Text();
}

void TADIFImport::Read(QByteArrayView data, const std::function<void(qsizetype bytesRead)>& progress)
{
    fContacts.clear();
    fIsDuplicate.clear();
    fSkipped.clear();
    fRecords = 0;
    fDuplicates = 0;
    fCountries.Load(fDM);

    // The keys of the file's contacts not marked as duplicates yet, by the event's rule: a later contact
    // of the same key is a duplicate of the file itself. Whether the log holds them is asked once the
    // whole file is read (MarkLogDuplicates).
    QSet<QString> seen;

    // Dates, times, modes, places and names repeat from contact to contact: each distinct text is kept
    // once, which keeps a file of many contacts small in memory.
    QSet<QString> texts;
    const auto share = [&texts](QString& text) {
        if (text.isEmpty()) {
            return;
        }
        const auto it = texts.constFind(text);
        if (it != texts.constEnd()) {
            text = *it;
        } else {
            texts.insert(text);
        }
    };

    TADIFRecordReader reader(data);
    TADIFRecord record;
    tLogRecord rec;
    while (reader.Next(record)) {
        ++fRecords;
        const QString reason = ContactFromADIF(record, fCountries, rec);
        if (!reason.isEmpty()) {
            fSkipped.append({record.number, reason});
            continue;
        }
        ScoreForLog(fLog, rec);
        const QString key = DupeKey(rec);
        const bool again = seen.contains(key);
        if (!again) {
            seen.insert(key);
        }
        fIsDuplicate.append(again);
        if (again) {
            ++fDuplicates;
        }
        for (QString* text : {&rec.date, &rec.time, &rec.mode, &rec.qth, &rec.uscounty, &rec.name}) {
            share(*text);
        }
        fContacts.append(std::move(rec));
        if (progress && fRecords % 1000 == 0) {
            progress(reader.Position());
        }
    }
    MarkLogDuplicates();
    if (progress) {
        progress(data.size());
    }
}

void TADIFImport::MarkLogDuplicates()
{
    // The first contact of each key is a duplicate when the log holds its key: the same exact texts the
    // Log button compares. A file that is small beside the log asks the call index once per contact; a
    // larger one reads the log's calls once.
    QList<qsizetype> first;
    for (qsizetype i = 0; i < fContacts.size(); ++i) {
        if (!fIsDuplicate[i]) {
            first.append(i);
        }
    }
    if (first.isEmpty()) {
        return;
    }
    QSqlQuery& bounds = fDM.RunLogStatement(TDM::TLogStatement::DupeListBounds, fLog.TableName, {});
    const qint64 rows = bounds.next() && !bounds.value(2).toBool()
                            ? bounds.value(1).toLongLong() - bounds.value(0).toLongLong() + 1
                            : 0;
    bounds.finish();
    // One lookup on the index costs about as much as reading a few dozen rows of the whole log.
    constexpr qint64 kRowsPerLookup = 32;
    if (qint64(first.size()) * kRowsPerLookup < rows) {
        const std::optional<QString> none;
        for (qsizetype i : first) {
            const tLogRecord& rec = fContacts[i];
            const bool dupe =
                fDM.IsDupe(fLog.TableName, rec.call,
                           fRule == TDupeRule::SameCallAndMode ? std::optional(rec.mode) : none,
                           fRule == TDupeRule::SameCallAndCounty ? std::optional(rec.uscounty) : none);
            if (dupe) {
                fIsDuplicate[i] = true;
                ++fDuplicates;
            }
        }
        return;
    }
    QSet<QString> logged;
    fDM.ReadDupeColumns(fLog.TableName, [&](const QString& call, const QString& mode, const QString& county) {
        tLogRecord rec;
        rec.call = call;
        rec.mode = mode;
        rec.uscounty = county;
        logged.insert(DupeKey(rec));
    });
    for (qsizetype i : first) {
        if (logged.contains(DupeKey(fContacts[i]))) {
            fIsDuplicate[i] = true;
            ++fDuplicates;
        }
    }
}

int TADIFImport::Store(bool keepDuplicates, const std::function<void(qsizetype stored)>& progress)
{
    if (keepDuplicates || fDuplicates == 0) {
        fDM.LogAddRecords(fContacts, fLog.TableName, progress);
        return int(fContacts.size());
    }
    // The duplicates leave the list in place (no second copy of a large file's contacts).
    qsizetype kept = 0;
    for (qsizetype i = 0; i < fContacts.size(); ++i) {
        if (!fIsDuplicate[i]) {
            if (kept != i) {
                fContacts[kept] = std::move(fContacts[i]);
            }
            ++kept;
        }
    }
    fContacts.resize(kept);
    fIsDuplicate.fill(false, kept);
    fDM.LogAddRecords(fContacts, fLog.TableName, progress);
    return int(kept);
}

QString TADIFImport::Summary(int imported, bool keptDuplicates) const
{
    QString text = QStringLiteral("Records read: %1\nImported: %2\n").arg(fRecords).arg(imported);
    if (keptDuplicates) {
        text += QStringLiteral("Duplicates: %1 (imported as well)\n").arg(fDuplicates);
    } else {
        text += QStringLiteral("Duplicates: %1 (not imported)\n").arg(fDuplicates);
    }
    text += QStringLiteral("Skipped: %1").arg(fSkipped.size());
    constexpr int kShown = 20;
    for (int i = 0; i < fSkipped.size() && i < kShown; ++i) {
        text += QStringLiteral("\n  record %1: %2").arg(fSkipped[i].record).arg(fSkipped[i].reason);
    }
    if (fSkipped.size() > kShown) {
        text += QStringLiteral("\n  ... and %1 more").arg(fSkipped.size() - kShown);
    }
    return text;
}
