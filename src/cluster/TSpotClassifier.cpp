#include "TSpotClassifier.h"

#include "data/Errors.h"
#include "data/LogRules.h"
#include "data/LookupQueries.h"
#include "data/TDM.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcCluster)

namespace {

// A flood of different calls keeps no more answers than this.
constexpr qsizetype kMostKept = 20000;

} // namespace

void TSpotClassifier::SetLog(const QString& table, const QString& event)
{
    fTable = table;
    fEvent = event;
    fStatus.clear();
}

TSpotStanding TSpotClassifier::Classify(const QString& call, const QString& mode)
{
    return {StatusOf(call, mode), MemberNumber(call)};
}

TSpotStatus TSpotClassifier::StatusOf(const QString& call, const QString& mode)
{
    const TDupeRule rule = DupeRuleOf(fEvent);
    const QString key = rule == TDupeRule::SameCallAndMode ? call + QLatin1Char(' ') + mode : call;
    if (const auto known = fStatus.constFind(key); known != fStatus.cend()) {
        return *known;
    }
    TSpotStatus status = TSpotStatus::New;
    if (!fTable.isEmpty()) {
        try {
            if (rule == TDupeRule::SameCallAndMode) {
                if (fDM.IsDupe(fTable, call, mode, std::nullopt)) {
                    status = TSpotStatus::Dupe;
                }
            } else if (fDM.IsDupe(fTable, call, std::nullopt, std::nullopt)) {
                status = rule == TDupeRule::SameCall ? TSpotStatus::Dupe : TSpotStatus::Worked;
            }
        } catch (const EVantrel& e) {
            qCWarning(lcCluster) << "spot not checked against the log:" << e.Message();
        }
    }
    if (fStatus.size() > kMostKept) {
        fStatus.clear();
    }
    fStatus.insert(key, status);
    return status;
}

QString TSpotClassifier::MemberNumber(const QString& call)
{
    if (const auto known = fMembers.constFind(call); known != fMembers.cend()) {
        return *known;
    }
    QString number;
    try {
        number = FindTenTenNumber(fDM, call);
    } catch (const EVantrel& e) {
        qCWarning(lcCluster) << "spot not looked up in the roster:" << e.Message();
    }
    if (fMembers.size() > kMostKept) {
        fMembers.clear();
    }
    fMembers.insert(call, number);
    return number;
}
