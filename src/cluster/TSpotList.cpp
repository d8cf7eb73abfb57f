#include "TSpotList.h"

#include <algorithm>

namespace {

// Lower frequency first; at one frequency the most recently heard first.
bool SpotBefore(const TBandSpot& a, const TBandSpot& b)
{
    if (a.spot.hertz != b.spot.hertz) {
        return a.spot.hertz < b.spot.hertz;
    }
    return a.lastHeard > b.lastHeard;
}

} // namespace

int TSpotList::IndexOf(const QString& call) const
{
    for (size_t i = 0; i < fSpots.size(); ++i) {
        if (fSpots[i].spot.call == call) {
            return int(i);
        }
    }
    return -1;
}

bool TSpotList::Add(const TSpot& spot, const QDateTime& heard)
{
    const QDateTime now = heard.toUTC();
    TBandSpot entry;
    const int at = IndexOf(spot.call);
    const bool added = at < 0;
    if (!added) {
        entry = std::move(fSpots[size_t(at)]);
        fSpots.erase(fSpots.begin() + at);
    } else {
        entry.firstHeard = now;
    }
    entry.spot = spot;
    entry.lastHeard = now;
    ++entry.count;
    entry.spotters.removeAll(spot.spotter);
    entry.spotters.prepend(spot.spotter);
    while (entry.spotters.size() > 10) {
        entry.spotters.removeLast();
    }
    if (added && fSpots.size() >= size_t(kMaxCalls)) {
        const auto oldest = std::min_element(fSpots.begin(), fSpots.end(), [](const auto& a, const auto& b) {
            return a.lastHeard < b.lastHeard;
        });
        fSpots.erase(oldest);
    }
    Insert(std::move(entry));
    return added;
}

void TSpotList::Insert(TBandSpot entry)
{
    const auto place = std::lower_bound(fSpots.begin(), fSpots.end(), entry, SpotBefore);
    fSpots.insert(place, std::move(entry));
}

int TSpotList::Expire(const QDateTime& now)
{
    const qsizetype before = qsizetype(fSpots.size());
    const QDateTime utc = now.toUTC();
    std::erase_if(fSpots, [&](const TBandSpot& s) { return s.lastHeard.secsTo(utc) > fMaxAgeSecs; });
    return int(before - qsizetype(fSpots.size()));
}
