#include "TSpotClassifier.h"

#include "data/Errors.h"
#include "data/LogRules.h"
#include "data/LookupQueries.h"
#include "data/TDM.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcCluster)

void TSpotClassifier::SetLog(const QString& table, const QString& event)
{
    fTable = table;
    fEvent = event;
    fKnown.clear();
}

TSpotStanding TSpotClassifier::Classify(const QString& call, const QString& mode)
{
    const TDupeRule rule = DupeRuleOf(fEvent);
    const QString key = rule == TDupeRule::SameCallAndMode ? call + QLatin1Char(' ') + mode : call;
    if (const auto known = fKnown.constFind(key); known != fKnown.cend()) {
        return *known;
    }
    TSpotStanding standing;
    if (!fTable.isEmpty()) {
        try {
            if (rule == TDupeRule::SameCallAndMode) {
                if (fDM.IsDupe(fTable, call, mode, std::nullopt)) {
                    standing.status = TSpotStatus::Dupe;
                }
            } else if (fDM.IsDupe(fTable, call, std::nullopt, std::nullopt)) {
                standing.status = rule == TDupeRule::SameCall ? TSpotStatus::Dupe : TSpotStatus::Worked;
            }
        } catch (const EVantrel& e) {
            qCWarning(lcCluster) << "spot not checked against the log:" << e.Message();
        }
    }
    try {
        standing.tenten = FindRosterNumbers(fDM, call).tenten;
    } catch (const EVantrel& e) {
        qCWarning(lcCluster) << "spot not looked up in the roster:" << e.Message();
    }
    // A flood of different calls keeps no more answers than this.
    if (fKnown.size() > 20000) {
        fKnown.clear();
    }
    fKnown.insert(key, standing);
    return standing;
}
