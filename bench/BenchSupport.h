#pragma once

#include <QRandomGenerator>
#include <QString>
#include <sys/resource.h>

// Shared pieces of the benchmark programs.
namespace BenchSupport {

// A realistic call sign: a US or DX prefix, a call-area digit and a two- or three-letter suffix.
inline QString RandomCall(QRandomGenerator& rng)
{
    static const char* const prefixes[] = {"K",  "W",  "N",  "AA", "AB", "AC", "KA", "KB", "KC", "KD", "KE",
                                           "KF", "KG", "KI", "KJ", "KK", "KN", "KO", "WA", "WB", "WD", "NA",
                                           "VE", "VA", "G",  "M",  "DL", "JA", "PY", "LU", "ZL", "VK", "EA",
                                           "F",  "I",  "ON", "PA", "OH", "SM", "LA", "OK", "SP", "HA", "YO"};
    QString call = QString::fromLatin1(prefixes[rng.bounded(int(std::size(prefixes)))]);
    call += QChar('0' + rng.bounded(10));
    const int letters = 2 + rng.bounded(2);
    for (int i = 0; i < letters; ++i) {
        call += QChar('A' + rng.bounded(26));
    }
    return call;
}

// Peak resident memory of this process so far, in megabytes.
inline double PeakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

} // namespace BenchSupport
