// The settings file reader and writer over any file content: reading must not crash, and a value
// written must read back as written whatever else the file holds.
#include "data/Errors.h"
#include "data/TIniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Every run writes the file twice: a memory file system keeps that fast where there is one.
    static const QString folder =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    static const QString path =
        folder + QStringLiteral("/vantrel_fuzz_%1.cfg").arg(QCoreApplication::applicationPid());
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            abort();
        }
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    try {
        TIniFile ini(path);
        (void)ini.Read(QStringLiteral("Settings"), QStringLiteral("ServerPort"));
        (void)ini.Read(QStringLiteral("settings"), QStringLiteral("HAMqthXML_sessionID"));
        const QString value = QStringLiteral("K6VTR 8888 ä");
        ini.Write(QStringLiteral("Settings"), QStringLiteral("FuzzKey"), value);
        if (ini.Read(QStringLiteral("SETTINGS"), QStringLiteral("fuzzkey")) != value) {
            abort();
        }
    } catch (const EVantrel&) {
        // A file the reader refuses is a reported error, not a fault.
    }
    return 0;
}
