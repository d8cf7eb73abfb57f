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

QStringList ShippedDataFolders(const QString& appDir)
{
    return {QDir::currentPath(), appDir, QDir::cleanPath(appDir + QStringLiteral("/../share/vantrel"))};
}

QStringList ShippedDocFolders(const QString& appDir)
{
    return {QDir::currentPath(), appDir, QDir::cleanPath(appDir + QStringLiteral("/../share/doc/vantrel"))};
}

QString FirstExisting(const QString& name, const QStringList& folders)
{
    for (const QString& folder : folders) {
        if (folder.isEmpty()) {
            continue;
        }
        const QString candidate = QDir::cleanPath(QDir(folder).absoluteFilePath(name));
        if (QFileInfo(candidate).isFile()) {
            return candidate;
        }
    }
    return {};
}

QString ShippedFile(const QString& name)
{
    const QString found = FirstExisting(name, ShippedDataFolders(QCoreApplication::applicationDirPath()));
    return found.isEmpty() ? QDir::current().absoluteFilePath(name) : found;
}

namespace {

const QString kHelpName = QStringLiteral("vantrel.pdf");

} // namespace

QString HelpDocument()
{
    return FirstExisting(kHelpName, ShippedDocFolders(QCoreApplication::applicationDirPath()));
}

QStringList HelpDocumentPlaces()
{
    QStringList places;
    for (const QString& folder : ShippedDocFolders(QCoreApplication::applicationDirPath())) {
        const QString place =
            QDir::toNativeSeparators(QDir::cleanPath(QDir(folder).absoluteFilePath(kHelpName)));
        if (!folder.isEmpty() && !places.contains(place)) {
            places << place;
        }
    }
    return places;
}

bool IsDatabaseFile(const QString& path)
{
    static const QRegularExpression pattern(
        QStringLiteral("\\.(db|db3|sqlite|sqlite3)(-wal|-shm|-journal)?\\z"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern.match(QFileInfo(path).fileName()).hasMatch();
}

} // namespace Paths
