#include "ADIFImport.h"

#include "LogContact.h"

#include "data/TDM.h"
#include "data/TMysettings.h"
#include "process/ADIFRecordReader.h"

#include <QDate>
#include <QRegularExpression>

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

    // What the log holds already, by the event's rule: the same exact texts the Log button compares.
    QSet<QString> logged;
    fDM.ReadDupeColumns(fLog.TableName, [&](const QString& call, const QString& mode, const QString& county) {
        tLogRecord rec;
        rec.call = call;
        rec.mode = mode;
        rec.uscounty = county;
        logged.insert(DupeKey(rec));
    });

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
        bool inserted = false;
        const QString key = DupeKey(rec);
        if (!logged.contains(key)) {
            logged.insert(key);
            inserted = true;
        }
        fIsDuplicate.append(!inserted);
        if (!inserted) {
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
    if (progress) {
        progress(data.size());
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
