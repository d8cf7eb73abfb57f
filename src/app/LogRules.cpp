#include "LogRules.h"

#include "data/MyFunc.h"

QString FormTableName(const QString& callsign, int year, const QString& event)
{
    const QString raw = callsign + '_' + QString::number(year) + '_' + event;
    QString name;
    name.reserve(raw.size());
    // Every character outside A-Z a-z 0-9 _ becomes one "_", also one written as a surrogate pair.
    for (const char32_t c : raw.toUcs4()) {
        const bool plain =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        name += plain ? QChar(char16_t(c)) : QChar(u'_');
    }
    return name;
}

QString ContactTime(const QString& time)
{
    const QString text = time.trimmed();
    QString digits;
    if (text.size() == 4 || text.size() == 6) {
        digits = text;
    } else if ((text.size() == 5 || text.size() == 8) && text.at(2) == QLatin1Char(':') &&
               (text.size() == 5 || text.at(5) == QLatin1Char(':'))) {
        digits = text.left(2) + text.mid(3, 2) + text.mid(6);
    } else {
        return time;
    }
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return time;
        }
    }
    const int hours = digits.left(2).toInt();
    const int minutes = digits.mid(2, 2).toInt();
    const int seconds = digits.size() == 6 ? digits.mid(4, 2).toInt() : 0;
    if (hours > 23 || minutes > 59 || seconds > 59) {
        return time;
    }
    return digits.left(2) + QLatin1Char(':') + digits.mid(2, 2);
}

TContactScore ScoreContact(const QString& event, const QString& tenten, const QString& epc,
                           const QString& p070)
{
    TContactScore score;
    if (!IsInteger(tenten) || tenten == QStringLiteral("0")) {
        score.points = 1;
    } else {
        score.points = event == Events::WeakSignal ? 3 : 2;
        score.withTenTen = true;
    }
    if (event == Events::OpenSeason) {
        if (!epc.isEmpty()) {
            score.points += 1;
            score.withEpc = true;
        }
        if (!p070.isEmpty()) {
            score.points += 1;
            score.with070 = true;
        }
    }
    score.stored = event == Events::GeneralLog ? 0 : score.points;
    return score;
}

TDupeRule DupeRuleOf(const QString& event)
{
    if (event == Events::SpiritOf76) {
        return TDupeRule::SameCallAndMode;
    }
    if (event == Events::Mobile) {
        return TDupeRule::SameCallAndCounty;
    }
    return TDupeRule::SameCall;
}
