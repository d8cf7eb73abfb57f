#include "FolderCopy.h"

#include "Errors.h"
#include "Paths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <atomic>

namespace {

std::atomic<int> gCopies{0};

// A "-wal", "-shm" or "-journal" file that belongs to a database file.
bool IsCompanion(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("-(wal|shm|journal)\\z"),
                                            QRegularExpression::CaseInsensitiveOption);
    return Paths::IsDatabaseFile(name) && pattern.match(name).hasMatch();
}

} // namespace

bool CopyDatabase(const QString& from, const QString& to)
{
    const QString name = QStringLiteral("copy%1").arg(gCopies++);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(from);
        if (db.open()) {
            QSqlQuery q(db);
            ok = q.prepare(QStringLiteral("VACUUM INTO ?"));
            if (ok) {
                q.addBindValue(to);
                ok = q.exec();
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

void CopyTree(const QString& from, const QString& to, bool everyFile)
{
    QDir().mkpath(to);
    const QString target = QDir::cleanPath(QFileInfo(to).absoluteFilePath());
    QDirIterator it(from, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    const QDir source(from);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString copy = QDir(to).filePath(source.relativeFilePath(path));
        // A target inside the source folder is not copied into itself.
        const QString absolute = QDir::cleanPath(it.fileInfo().absoluteFilePath());
        if (absolute == target || absolute.startsWith(target + '/')) {
            continue;
        }
        if (it.fileInfo().isDir()) {
            QDir().mkpath(copy);
            continue;
        }
        if (IsCompanion(it.fileName())) {
            continue;
        }
        if (everyFile) {
            QFile::remove(copy);
        }
        if (Paths::IsDatabaseFile(it.fileName()) && !QFileInfo::exists(copy)) {
            if (CopyDatabase(path, copy)) {
                continue;
            }
            // Not a database SQLite can read: copied as it stands, in place of what the attempt left.
            QFile::remove(copy);
        }
        QFile file(path);
        if (!file.copy(copy) && everyFile) {
            throw EVantrel(file.errorString());
        }
    }
}

void MoveFolder(const QString& from, const QString& to)
{
    const QString source = QDir::cleanPath(from);
    const QString target = QDir::cleanPath(to);
    QDir().mkpath(QFileInfo(target).absolutePath());
    if (!QFileInfo::exists(target) && QDir().rename(source, target)) {
        return;
    }
    // Another file system, or a target that exists already: copy everything, then remove the old folder.
    CopyTree(source, target, true);
    if (!QDir(source).removeRecursively()) {
        throw EVantrel(
            QStringLiteral("Unable to remove the folder %1").arg(QDir::toNativeSeparators(source)));
    }
}
