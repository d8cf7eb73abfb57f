#include "Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace Paths {

namespace {

QString WithSeparator(QString path)
{
    if (!path.endsWith('/')) {
        path += '/';
    }
    return path;
}

} // namespace

QString WorkFolder()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:/Users/Public/Documents/Vantrel/");
#else
    const QString home = qEnvironmentVariable("VANTREL_HOME");
    if (!home.isEmpty()) {
        return WithSeparator(QDir::cleanPath(QDir(home).absolutePath()));
    }
    return WithSeparator(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                         QStringLiteral("/Vantrel"));
#endif
}

QString UserProfile()
{
#ifdef Q_OS_WIN
    return QDir::fromNativeSeparators(qEnvironmentVariable("USERPROFILE"));
#else
    return qEnvironmentVariable("HOME");
#endif
}

QString OlderFolder()
{
    return UserProfile() + QStringLiteral("/.vantrel/");
}

QString DefaultFldigiLogFile()
{
#ifdef Q_OS_WIN
    return UserProfile() + QStringLiteral("/fldigi.files/temp/log.adif");
#else
    return UserProfile() + QStringLiteral("/.fldigi/temp/log.adif");
#endif
}

QString DefaultOrvanePath()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\Users\\Public\\Documents\\Orvane");
#else
    return QDir::cleanPath(WorkFolder() + QStringLiteral("../Orvane"));
#endif
}

QString DefaultFCCPath()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\Users\\Public\\Documents\\FCCLookup");
#else
    return QDir::cleanPath(WorkFolder() + QStringLiteral("../FCCLookup"));
#endif
}

QString ShippedFile(const QString& name)
{
    const QString inCurrent = QDir::current().absoluteFilePath(name);
    if (QFileInfo::exists(inCurrent)) {
        return inCurrent;
    }
    const QString appDir = QCoreApplication::applicationDirPath();
    for (const QString& folder : {appDir, appDir + QStringLiteral("/../share/vantrel")}) {
        const QString candidate = QDir(folder).absoluteFilePath(name);
        if (!folder.isEmpty() && QFileInfo::exists(candidate)) {
            return QDir::cleanPath(candidate);
        }
    }
    return inCurrent;
}

bool IsDatabaseFile(const QString& path)
{
    static const QRegularExpression pattern(
        QStringLiteral("\\.(db|db3|sqlite|sqlite3)(-wal|-shm|-journal)?\\z"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern.match(QFileInfo(path).fileName()).hasMatch();
}

} // namespace Paths
