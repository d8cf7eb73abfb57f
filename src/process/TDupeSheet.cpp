#include "TDupeSheet.h"

#include "Utf8.h"
#include "data/OneLine.h"

#include <algorithm>

namespace {

// Text is handed to the sink in pieces of about this size.
constexpr qsizetype kChunk = 256 * 1024;

char FoldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

} // namespace

std::optional<int> TDupeSheet::CallArea(QStringView call)
{
    for (qsizetype i = 0; i + 1 < call.size(); ++i) {
        const char16_t c = call.at(i).unicode();
        if (c >= u'0' && c <= u'9') {
            return int(c - u'0');
        }
    }
    return std::nullopt;
}

void TDupeSheet::Add(const QString& sign)
{
    // A call holding a comma or a control character would split or break its entry on the sheet: those
    // become blanks.
    const bool clean = OneLine::IsClean(sign) && !sign.contains(QLatin1Char(','));
    const QString call = clean ? sign : OneLine::Clean(sign).replace(QLatin1Char(','), QLatin1Char(' '));
    const auto area = CallArea(call);
    if (!area) {
        return;
    }
    TEntry entry{};
    entry.offset = quint32(fText.size());
    entry.ascii = std::all_of(call.begin(), call.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (entry.ascii) {
        AppendUtf8(fText, call);
    } else {
        fText.append(call.toUtf8());
    }
    const qsizetype size = fText.size() - entry.offset;
    entry.size = quint32(size);
    if (entry.ascii) {
        const char* p = fText.constData() + entry.offset;
        for (qsizetype i = 0; i < 8; ++i) {
            entry.key = (entry.key << 8) | quint8(i < size ? FoldAscii(p[i]) : 0);
        }
    }
    fAreas[*area].push_back(entry);
}

// The order of QString::compare without regard to case. For two ASCII calls that is the order of their
// case-folded bytes, shorter first when one begins the other; the keys decide whenever they differ (a
// shorter call pads its key with zero bytes, below every character but NUL, which is compared in full).
bool TDupeSheet::Less(const TEntry& a, const TEntry& b) const
{
    if (a.ascii && b.ascii) {
        if (a.key != b.key) {
            return a.key < b.key;
        }
        const char* x = fText.constData() + a.offset;
        const char* y = fText.constData() + b.offset;
        const quint32 common = std::min(a.size, b.size);
        for (quint32 i = 0; i < common; ++i) {
            const char cx = FoldAscii(x[i]);
            const char cy = FoldAscii(y[i]);
            if (cx != cy) {
                return cx < cy;
            }
        }
        return a.size < b.size;
    }
    const QString x = QString::fromUtf8(fText.constData() + a.offset, a.size);
    const QString y = QString::fromUtf8(fText.constData() + b.offset, b.size);
    return QString::compare(x, y, Qt::CaseInsensitive) < 0;
}

void TDupeSheet::Write(const QString& callsign, const QString& contestName,
                       const std::function<void(const QByteArray&)>& sink) const
{
    QByteArray out;
    out.reserve(kChunk + 4096);
    AppendUtf8(out,
               OneLine::Clean(callsign + QLatin1Char(' ') + contestName) + QStringLiteral(" Dupe Sheet\n"));
    for (int area = 0; area < 10; ++area) {
        std::vector<TEntry> calls = fAreas[area];
        std::stable_sort(calls.begin(), calls.end(),
                         [this](const TEntry& a, const TEntry& b) { return Less(a, b); });
        out.append("\n\nCall Area ");
        out.append(char('0' + area));
        out.append('\n');
        for (const TEntry& call : calls) {
            out.append(fText.constData() + call.offset, call.size);
            out.append(',');
            if (out.size() >= kChunk) {
                sink(out);
                out.resize(0);
            }
        }
    }
    sink(out);
}

QString TDupeSheet::Text(const QString& callsign, const QString& contestName) const
{
    QByteArray text;
    Write(callsign, contestName, [&](const QByteArray& piece) { text.append(piece); });
    return QString::fromUtf8(text);
}
