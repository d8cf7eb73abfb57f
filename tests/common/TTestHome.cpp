#include "TTestHome.h"

#include "data/Paths.h"

#include <QDir>
#include <QFile>

TTestHome::TTestHome() : fOldHome(qgetenv("HOME")), fOldVantrelHome(qgetenv("VANTREL_HOME"))
{
    QDir(fRoot.path()).mkpath(QStringLiteral("home"));
    qputenv("HOME", QFile::encodeName(fRoot.path() + QStringLiteral("/home")));
    qputenv("VANTREL_HOME", QFile::encodeName(fRoot.path() + QStringLiteral("/work")));
}

TTestHome::~TTestHome()
{
    qputenv("HOME", fOldHome);
    if (fOldVantrelHome.isNull()) {
        qunsetenv("VANTREL_HOME");
    } else {
        qputenv("VANTREL_HOME", fOldVantrelHome);
    }
}

QString TTestHome::Work() const
{
    return fRoot.path() + QStringLiteral("/work/");
}

QString TTestHome::Profile() const
{
    return fRoot.path() + QStringLiteral("/home");
}

void TTestHome::PrepareWorkFolder() const
{
    QDir().mkpath(Work());
    const QString target = Work() + QStringLiteral("config.db");
    QFile::copy(Paths::ShippedFile(QStringLiteral("config.db")), target);
    QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner);
}

void TTestHome::WriteSettings(const QStringList& lines) const
{
    QDir().mkpath(Work());
    QFile file(Work() + QStringLiteral("Vantrel.cfg"));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QStringLiteral("[Settings]\n").toUtf8());
        for (const QString& line : lines) {
            file.write((line + '\n').toUtf8());
        }
    }
}
