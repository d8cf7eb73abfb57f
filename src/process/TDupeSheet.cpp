#include "TDupeSheet.h"

#include "TTextCursor.h"
#include "Utf8.h"
#include "data/OneLine.h"

#include <algorithm>

namespace {

char FoldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// CallArea of a call in UTF-8, where a digit is one byte: every byte but the last is looked at.
std::optional<int> CallAreaUtf8(QByteArrayView call)
{
    for (qsizetype i = 0; i + 1 < call.size(); ++i) {
        if (call[i] >= '0' && call[i] <= '9') {
            return int(call[i] - '0');
        }
    }
    return std::nullopt;
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

void TDupeSheet::Add(const QString& call)
{
    AddUtf8(call.toUtf8());
}

void TDupeSheet::AddUtf8(QByteArrayView sign)
{
    // A call holding a comma or a control character would split or break its entry on the sheet: those
    // become blanks.
    QByteArray cleaned;
    QByteArrayView call = sign;
    if (Utf8::HasBreak(sign) || sign.contains(',')) {
        TTextCursor(cleaned, sign.size()).AppendOneLine(sign);
        cleaned.replace(',', ' ');
        call = cleaned;
    }
    const auto area = CallAreaUtf8(call);
    if (!area) {
        return;
    }
    TEntry entry{};
    entry.offset = quint32(fText.size());
    entry.size = quint32(call.size());
    entry.ascii = std::all_of(call.begin(), call.end(), [](char c) { return quint8(c) < 0x80; });
    fText.append(call.data(), call.size());
    if (entry.ascii) {
        for (qsizetype i = 0; i < 8; ++i) {
            entry.key = (entry.key << 8) | quint8(i < call.size() ? FoldAscii(call[i]) : 0);
        }
    }
    fAreas[*area].push_back(entry);
}

// The order of QString::compare without regard to case. For two ASCII calls that is the order of their
// case-folded bytes, shorter first when one begins the other; the keys decide whenever they differ (a
// shorter call pads its key with zero bytes, below every character but NUL, which is compared in full).
int TDupeSheet::Compare(const TEntry& a, const TEntry& b) const
{
    if (a.ascii && b.ascii) {
        if (a.key != b.key) {
            return a.key < b.key ? -1 : 1;
        }
        const char* x = fText.constData() + a.offset;
        const char* y = fText.constData() + b.offset;
        const quint32 common = std::min(a.size, b.size);
        for (quint32 i = 0; i < common; ++i) {
            const char cx = FoldAscii(x[i]);
            const char cy = FoldAscii(y[i]);
            if (cx != cy) {
                return cx < cy ? -1 : 1;
            }
        }
        return a.size == b.size ? 0 : a.size < b.size ? -1 : 1;
    }
    const QString x = QString::fromUtf8(fText.constData() + a.offset, a.size);
    const QString y = QString::fromUtf8(fText.constData() + b.offset, b.size);
    return QString::compare(x, y, Qt::CaseInsensitive);
}

void TDupeSheet::SortCalls(std::vector<TEntry>& calls) const
{
    // Calls equal but for case stay in the order they were added.
    const auto less = [this](const TEntry& a, const TEntry& b) { return Compare(a, b) < 0; };
    if (!std::all_of(calls.cbegin(), calls.cend(), [](const TEntry& call) { return call.ascii; })) {
        std::stable_sort(calls.begin(), calls.end(), less);
        return;
    }
    // ASCII calls only, the common sheet: the keys order nearly every pair, at the cost of comparing two
    // numbers, and calls of one key are in the order they were added. Those calls are the same call when
    // none is longer than its key (a call holds no NUL, which the key uses for padding); else they are put
    // in order among themselves.
    std::sort(calls.begin(), calls.end(), [](const TEntry& a, const TEntry& b) {
        return a.key != b.key ? a.key < b.key : a.offset < b.offset;
    });
    for (auto first = calls.begin(); first != calls.end();) {
        auto last = first + 1;
        bool longer = first->size > sizeof(first->key);
        for (; last != calls.end() && last->key == first->key; ++last) {
            longer |= last->size > sizeof(last->key);
        }
        if (longer) {
            std::stable_sort(first, last, less);
        }
        first = last;
    }
}

void TDupeSheet::Write(const QString& callsign, const QString& contestName,
                       const std::function<void(const QByteArray&)>& sink) const
{
    QByteArray out;
    out.reserve(kWriteChunk + 4096);
    out.append((OneLine::Clean(callsign + QLatin1Char(' ') + contestName) + QStringLiteral(" Dupe Sheet\n"))
                   .toUtf8());
    for (int area = 0; area < 10; ++area) {
        std::vector<TEntry> calls = fAreas[area];
        SortCalls(calls);
        out.append("\n\nCall Area ");
        out.append(char('0' + area));
        out.append('\n');
        // The calls go out a piece at a time, each piece written through one cursor.
        for (auto first = calls.cbegin(); first != calls.cend();) {
            qsizetype room = 0;
            auto last = first;
            for (; last != calls.cend() && room < kWriteChunk; ++last) {
                room += last->size + 1;
            }
            {
                TTextCursor text(out, room);
                for (auto call = first; call != last; ++call) {
                    text.Append(QByteArrayView(fText.constData() + call->offset, call->size));
                    text.Append(',');
                }
            }
            if (out.size() >= kWriteChunk) {
                sink(out);
                out.resize(0);
            }
            first = last;
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
