#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sys/resource.h>

#include "data/Paths.h"

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

// The number of contacts of a run: "--contacts=N" on the command line, else the fallback. The argument is
// taken out of argv, so Google Benchmark does not see it.
inline int TakeContactsArgument(int& argc, char** argv, int fallback)
{
    int contacts = fallback;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--contacts=", 11) == 0) {
            contacts = std::atoi(argv[i] + 11);
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    return contacts > 0 ? contacts : fallback;
}

// Where generated logs are kept between runs: $VANTREL_BENCH_FIXTURES, else "bench-fixtures" in the build
// folder (beside the folder of the programs). Generating a million-contact log takes a while; it is done
// once and reused.
inline QString FixtureFolder()
{
    QString folder = qEnvironmentVariable("VANTREL_BENCH_FIXTURES");
    if (folder.isEmpty()) {
        folder = QCoreApplication::applicationDirPath() + QStringLiteral("/../bench-fixtures");
    }
    QDir().mkpath(folder);
    return QDir(folder).absolutePath() + QLatin1Char('/');
}

// The path of a generated fixture file, built by the generator when it is not there yet. The generator
// writes to the path it is given; the file gets its final name only when complete, so an interrupted
// generation is never reused.
inline QString Fixture(const QString& name, const std::function<void(const QString& path)>& generate)
{
    const QString path = FixtureFolder() + name;
    if (!QFileInfo::exists(path)) {
        const QString part = path + QStringLiteral(".part");
        for (const char* suffix : {"", "-wal", "-shm"}) {
            QFile::remove(part + QLatin1String(suffix));
        }
        std::printf("Generating %s (once; kept for later runs)\n", qPrintable(path));
        std::fflush(stdout);
        generate(part);
        if (!QFile::rename(part, path)) {
            std::fprintf(stderr, "Cannot rename %s\n", qPrintable(part));
            std::exit(1);
        }
    }
    return path;
}

// A work folder as a set-up start leaves it: the shipped config.db, a copy of the logs.db at `logs` (none
// given: the program creates its own) and Vantrel.cfg with the own locator and mode set, so that a start
// asks nothing. `moreSettings` are further lines of its [Settings] group.
inline void MakeWorkFolder(const QString& work, const QString& logs = QString(),
                           const QByteArray& moreSettings = QByteArray())
{
    QDir().mkpath(work);
    QStringList files = {QStringLiteral("config.db")};
    QFile::copy(Paths::ShippedFile(QStringLiteral("config.db")), work + QStringLiteral("config.db"));
    if (!logs.isEmpty()) {
        QFile::copy(logs, work + QStringLiteral("logs.db"));
        files << QStringLiteral("logs.db");
    }
    // The copies keep the read-only mode of the shipped and fixture files.
    for (const QString& file : files) {
        QFile::setPermissions(work + file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    QFile settings(work + QStringLiteral("Vantrel.cfg"));
    settings.open(QIODevice::WriteOnly);
    settings.write("[Settings]\nGrid=FN31PR\nLastMode=SSB\n" + moreSettings);
}

} // namespace BenchSupport
