#include "TDupeSheet.h"

#include "data/OneLine.h"

#include <algorithm>

std::optional<int> TDupeSheet::CallArea(const QString& call)
{
    for (qsizetype i = 0; i + 1 < call.size(); ++i) {
        const char16_t c = call.at(i).unicode();
        if (c >= u'0' && c <= u'9') {
            return int(c - u'0');
        }
    }
    return std::nullopt;
}

void TDupeSheet::Add(const QString& call)
{
    if (const auto area = CallArea(call)) {
        fAreas[*area].append(call);
    }
}

QString TDupeSheet::Text(const QString& callsign, const QString& contestName) const
{
    QString text =
        OneLine::Clean(callsign + QLatin1Char(' ') + contestName) + QStringLiteral(" Dupe Sheet\n");
    for (int area = 0; area < 10; ++area) {
        QStringList calls = fAreas[area];
        std::stable_sort(calls.begin(), calls.end(), [](const QString& a, const QString& b) {
            return QString::compare(a, b, Qt::CaseInsensitive) < 0;
        });
        text += QStringLiteral("\n\nCall Area ") + QString::number(area) + QLatin1Char('\n');
        // A call holding a comma or a control character would split or break its entry: those become
        // blanks.
        for (const QString& call : calls) {
            OneLine::Append(text, QString(call).replace(QLatin1Char(','), QLatin1Char(' ')));
            text += QLatin1Char(',');
        }
    }
    return text;
}
