#include "LogContact.h"

#include "data/LogEdits.h"
#include "data/TDM.h"
#include "data/TMysettings.h"

QString TDupeKey::Text() const
{
    const QChar unit(0x1f);
    if (mode) {
        return call + unit + *mode;
    }
    if (county) {
        return call + unit + *county;
    }
    return call;
}

TDupeKey DupeKeyOf(TDupeRule rule, const tLogRecord& rec)
{
    TDupeKey key{rec.call, std::nullopt, std::nullopt};
    switch (rule) {
    case TDupeRule::SameCallAndMode:
        key.mode = rec.mode;
        break;
    case TDupeRule::SameCallAndCounty:
        key.county = rec.uscounty;
        break;
    case TDupeRule::SameCall:
        break;
    }
    return key;
}

TContactScore ScoreForLog(const TMysettings& log, tLogRecord& rec)
{
    const TContactScore score = ScoreContact(log.ContestName, rec.tenten, rec.epc, rec.p070);
    rec.points = score.stored;
    return score;
}

bool IsDuplicateEntry(TDM& dm, const TMysettings& log, const TContactEntry& entry)
{
    const TDupeRule rule = DupeRuleOf(log.ContestName);
    const TDupeKey key = DupeKeyOf(rule, entry.rec);
    if (!entry.stored) {
        return dm.IsDupe(log.TableName, key.call, key.mode, key.county);
    }
    if (key == DupeKeyOf(rule, *entry.stored)) {
        return false;
    }
    return IsDupeOfOther(dm, log.TableName, entry.key, key.call, key.mode, key.county);
}

TLogResult LogContact(TDM& dm, const TMysettings& log, TContactEntry entry)
{
    TLogResult result;
    if (log.TableName.isEmpty()) {
        return result;
    }
    result.duplicate = IsDuplicateEntry(dm, log, entry);
    if (result.duplicate && entry.onDuplicate == TOnDuplicate::Refuse) {
        result.outcome = TLogResult::TOutcome::Duplicate;
        return result;
    }
    const TContactScore score = ScoreForLog(log, entry.rec);
    StoreContact(dm, log.TableName, entry.rec, entry.stored ? std::optional(entry.key) : std::nullopt);
    // The counters rise only once a new contact is stored.
    if (!entry.stored) {
        result.score = score;
    }
    result.outcome = TLogResult::TOutcome::Logged;
    return result;
}

void StoreContact(TDM& dm, const QString& table, const tLogRecord& rec, std::optional<qint64> key)
{
    if (key) {
        UpdateContact(dm, table, *key, rec);
    } else {
        dm.LogAddRecord(rec, table);
    }
}

TRemoteLogging RemoteContactLogging(TDM& dm)
{
    TRemoteLogging logging;
    logging.insert = [&dm](const QString& table, const tLogRecord& rec) { StoreContact(dm, table, rec); };
    logging.update = [&dm](const QString& table, qint64 key, const tLogRecord& rec) {
        StoreContact(dm, table, rec, key);
    };
    logging.erase = [&dm](const QString& table, qint64 key) { DeleteContact(dm, table, key); };
    return logging;
}
