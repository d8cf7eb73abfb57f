#include "TStatsEngine.h"

#include <algorithm>
#include <cstring>

namespace {

// Rounds toward minus infinity, for minutes before 1970.
qint64 FloorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
qint64 DaysFromCivil(int y, int m, int d)
{
    y -= m <= 2 ? 1 : 0;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool IsLeap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

QByteArrayView Trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t')) {
        text = text.sliced(1);
    }
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t')) {
        text.chop(1);
    }
    return text;
}

// The number written by the digits at [from, from + count) of a text; -1 when one of them is no digit.
int Digits(QByteArrayView text, qsizetype from, qsizetype count)
{
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') {
            return -1;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<qint64> DateDays(QByteArrayView date)
{
    int y = -1;
    int m = -1;
    int d = -1;
    if (date.size() == 10 && date[4] == '-' && date[7] == '-') {
        y = Digits(date, 0, 4);
        m = Digits(date, 5, 2);
        d = Digits(date, 8, 2);
    } else if (date.size() == 8) {
        y = Digits(date, 0, 4);
        m = Digits(date, 4, 2);
        d = Digits(date, 6, 2);
    }
    if (y < 1 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) {
        return std::nullopt;
    }
    return DaysFromCivil(y, m, d);
}

std::optional<int> DayMinute(QByteArrayView time)
{
    int h = -1;
    int m = -1;
    if ((time.size() == 5 || time.size() == 8) && time[2] == ':') {
        h = Digits(time, 0, 2);
        m = Digits(time, 3, 2);
        if (time.size() == 8 && (time[5] != ':' || Digits(time, 6, 2) < 0 || Digits(time, 6, 2) > 59)) {
            return std::nullopt;
        }
    } else if (time.size() == 4 && time[1] == ':') {
        h = Digits(time, 0, 1);
        m = Digits(time, 2, 2);
    } else if (time.size() == 4) {
        h = Digits(time, 0, 2);
        m = Digits(time, 2, 2);
    }
    if (h < 0 || h > 23 || m < 0 || m > 59) {
        return std::nullopt;
    }
    return h * 60 + m;
}

} // namespace

std::optional<TMinute> ContactMinute(QByteArrayView date, QByteArrayView time)
{
    const std::optional<qint64> days = DateDays(Trimmed(date));
    if (!days) {
        return std::nullopt;
    }
    const std::optional<int> minute = DayMinute(Trimmed(time));
    if (!minute) {
        return std::nullopt;
    }
    return *days * 1440 + *minute;
}

TMinute MinuteOf(const QDateTime& moment)
{
    return FloorDiv(moment.toSecsSinceEpoch(), 60);
}

QDateTime MinuteTime(TMinute minute)
{
    return QDateTime::fromSecsSinceEpoch(minute * 60, Qt::UTC);
}

TMinute HourStart(TMinute minute)
{
    return FloorDiv(minute, 60) * 60;
}

TStatsEngine::TStatsEngine(int offTimeMinutes) : fThreshold(std::max(1, offTimeMinutes))
{
    Clear();
}

void TStatsEngine::Clear()
{
    fLoading = false;
    fContacts = 0;
    fTimed = 0;
    fTimedPoints = 0;
    fMinutes.clear();
    fHours.clear();
    fOff.clear();
    fOffTotal = 0;
    fBest = TBestHour();
    fModes.Clear();
    fQths.Clear();
    fLastMinute = fMinutes.end();
    fLastHour = fHours.end();
}

void TStatsEngine::BeginLoad()
{
    Clear();
    fLoading = true;
}

void TStatsEngine::EndLoad()
{
    fLoading = false;
    FindOffTimes();
    FindBestHour();
}

void TStatsEngine::TNameCounts::Clear()
{
    fEntries.clear();
    fSlots.assign(64, 0);
    fLast = -1;
}

void TStatsEngine::TNameCounts::Add(QByteArrayView name)
{
    const std::string_view key(name.data(), size_t(name.size()));
    if (fLast >= 0 && fEntries[size_t(fLast)].name == key) {
        ++fEntries[size_t(fLast)].count;
        return;
    }
    // A name of up to seven bytes (a mode, a state, many countries) is its own key: its bytes and its
    // length in one word, compared at once. A longer one is keyed by its FNV-1a hash and compared whole.
    quint64 hash = 0;
    const bool shortName = key.size() <= 7;
    if (shortName) {
        std::memcpy(&hash, key.data(), key.size());
        hash |= quint64(key.size()) << 56;
        hash *= 0x9E3779B97F4A7C15ull; // spreads the bytes over the slot bits
    } else {
        hash = 14695981039346656037ull;
        for (const char c : key) {
            hash = (hash ^ quint8(c)) * 1099511628211ull;
        }
    }
    const size_t mask = fSlots.size() - 1;
    size_t slot = (hash >> 32) & mask;
    for (; fSlots[slot] != 0; slot = (slot + 1) & mask) {
        TEntry& entry = fEntries[size_t(fSlots[slot] - 1)];
        if (entry.hash == hash && (shortName ? entry.name.size() <= 7 : entry.name == key)) {
            ++entry.count;
            fLast = fSlots[slot] - 1;
            return;
        }
    }
    fEntries.push_back(TEntry{hash, 1, std::string(key)});
    fLast = int(fEntries.size()) - 1;
    fSlots[slot] = fLast + 1;
    // At most half full: probes stay short.
    if (fEntries.size() * 2 > fSlots.size()) {
        fSlots.assign(fSlots.size() * 2, 0);
        const size_t grown = fSlots.size() - 1;
        for (size_t i = 0; i < fEntries.size(); ++i) {
            size_t at = (fEntries[i].hash >> 32) & grown;
            while (fSlots[at] != 0) {
                at = (at + 1) & grown;
            }
            fSlots[at] = int(i) + 1;
        }
    }
}

TBreakdown TStatsEngine::TNameCounts::Breakdown(int top) const
{
    std::vector<const TEntry*> entries;
    entries.reserve(fEntries.size());
    for (const TEntry& entry : fEntries) {
        entries.push_back(&entry);
    }
    const auto more = [](const TEntry* a, const TEntry* b) {
        return a->count != b->count ? a->count > b->count : a->name < b->name;
    };
    const size_t shown = std::min(entries.size(), size_t(std::max(0, top)));
    std::partial_sort(entries.begin(), entries.begin() + qsizetype(shown), entries.end(), more);
    TBreakdown result;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i < shown) {
            result.top.append({QString::fromUtf8(entries[i]->name.data(), qsizetype(entries[i]->name.size())),
                               entries[i]->count});
        } else {
            result.other += entries[i]->count;
        }
    }
    return result;
}

void TStatsEngine::Add(std::optional<TMinute> minute, int points, QByteArrayView mode, QByteArrayView qth)
{
    ++fContacts;
    if (!minute) {
        return;
    }
    const TMinute m = *minute;
    ++fTimed;
    fTimedPoints += points;

    bool newMinute = false;
    if (fLastMinute != fMinutes.end() && fLastMinute->first == m) {
        ++fLastMinute->second;
    } else if (fMinutes.empty() || fMinutes.rbegin()->first < m) {
        fLastMinute = fMinutes.emplace_hint(fMinutes.end(), m, 1);
        newMinute = true;
    } else {
        auto [it, inserted] = fMinutes.try_emplace(m, 0);
        ++it->second;
        fLastMinute = it;
        newMinute = inserted;
    }

    const qint64 hour = FloorDiv(m, 60);
    if (fLastHour == fHours.end() || fLastHour->first != hour) {
        fLastHour = fHours.try_emplace(
            fHours.empty() || fHours.rbegin()->first < hour ? fHours.end() : fHours.lower_bound(hour), hour);
    }
    ++fLastHour->second.contacts;
    fLastHour->second.points += points;

    fModes.Add(mode);
    fQths.Add(qth);

    if (fLoading) {
        return;
    }
    if (newMinute) {
        const auto it = fLastMinute;
        const bool hasPrev = it != fMinutes.begin();
        const auto next = std::next(it);
        const bool hasNext = next != fMinutes.end();
        if (hasPrev && hasNext) {
            RemoveGap(std::prev(it)->first, next->first);
        }
        if (hasPrev) {
            AddGap(std::prev(it)->first, m);
        }
        if (hasNext) {
            AddGap(m, next->first);
        }
    }
    BestHourAround(m);
}

void TStatsEngine::AddGap(TMinute from, TMinute to)
{
    if (to - from > fThreshold) {
        fOff.emplace(from, to);
        fOffTotal += to - from;
    }
}

void TStatsEngine::RemoveGap(TMinute from, TMinute to)
{
    if (to - from > fThreshold) {
        fOff.erase(from);
        fOffTotal -= to - from;
    }
}

void TStatsEngine::FindOffTimes()
{
    fOff.clear();
    fOffTotal = 0;
    auto it = fMinutes.begin();
    if (it == fMinutes.end()) {
        return;
    }
    for (auto next = std::next(it); next != fMinutes.end(); it = next++) {
        AddGap(it->first, next->first);
    }
}

void TStatsEngine::SetOffTimeThreshold(int minutes)
{
    minutes = std::max(1, minutes);
    if (minutes == fThreshold) {
        return;
    }
    fThreshold = minutes;
    FindOffTimes();
}

void TStatsEngine::FindBestHour()
{
    fBest = TBestHour();
    auto right = fMinutes.begin();
    int sum = 0;
    for (auto start = fMinutes.begin(); start != fMinutes.end(); ++start) {
        while (right != fMinutes.end() && right->first <= start->first + 59) {
            sum += right->second;
            ++right;
        }
        if (sum > fBest.contacts) {
            fBest = TBestHour{sum, start->first};
        }
        sum -= start->second;
    }
}

void TStatsEngine::BestHourAround(TMinute minute)
{
    // Only the windows holding the minute have changed; each starts at a contact's minute from minute - 59
    // to minute and ends before minute + 60.
    const auto end = fMinutes.upper_bound(minute + 59);
    auto right = fMinutes.lower_bound(minute - 59);
    int sum = 0;
    for (auto start = right; start != fMinutes.end() && start->first <= minute; ++start) {
        while (right != end && right->first <= start->first + 59) {
            sum += right->second;
            ++right;
        }
        if (sum > fBest.contacts || (sum == fBest.contacts && start->first < fBest.start)) {
            fBest = TBestHour{sum, start->first};
        }
        sum -= start->second;
    }
}

int TStatsEngine::InLastMinutes(TMinute now, int minutes) const
{
    int n = 0;
    for (auto it = fMinutes.lower_bound(now - minutes + 1); it != fMinutes.end() && it->first <= now; ++it) {
        n += it->second;
    }
    return n;
}

int TStatsEngine::InHourOf(TMinute minute) const
{
    const auto it = fHours.find(FloorDiv(minute, 60));
    return it == fHours.end() ? 0 : it->second.contacts;
}

TRate TStatsEngine::LastContacts(int n) const
{
    if (fMinutes.empty() || n <= 0) {
        return TRate();
    }
    const TMinute latest = fMinutes.rbegin()->first;
    int counted = 0;
    TMinute earliest = latest;
    for (auto it = fMinutes.rbegin(); it != fMinutes.rend() && counted < n; ++it) {
        counted += it->second;
        earliest = it->first;
    }
    return TRate{std::min(counted, n), latest - earliest + 1};
}

std::optional<TMinute> TStatsEngine::First() const
{
    return fMinutes.empty() ? std::nullopt : std::optional(fMinutes.begin()->first);
}

std::optional<TMinute> TStatsEngine::Last() const
{
    return fMinutes.empty() ? std::nullopt : std::optional(fMinutes.rbegin()->first);
}

qint64 TStatsEngine::TimeOn() const
{
    return fMinutes.empty() ? 0 : fMinutes.rbegin()->first - fMinutes.begin()->first - fOffTotal;
}

QList<TOffTime> TStatsEngine::OffTimes() const
{
    QList<TOffTime> list;
    list.reserve(qsizetype(fOff.size()));
    for (const auto& [from, to] : fOff) {
        list.append(TOffTime{from, to});
    }
    return list;
}

TBreakdown TStatsEngine::Modes(int top) const
{
    return fModes.Breakdown(top);
}

TBreakdown TStatsEngine::Qths(int top) const
{
    return fQths.Breakdown(top);
}
