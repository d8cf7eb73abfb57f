#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QByteArray ReadFixture(const QString& relativePath)
{
    QFile file(QStringLiteral(VANTREL_FIXTURES "/") + relativePath);
    if (!file.open(QIODevice::ReadOnly)) {
        qFatal("missing fixture %s", qPrintable(relativePath));
    }
    return file.readAll();
}

bool WriteTestFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadTestFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
