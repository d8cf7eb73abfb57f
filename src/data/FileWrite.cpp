#include "FileWrite.h"

#include <QSaveFile>

bool WriteAll(QIODevice& file, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const qint64 n = file.write(bytes.data(), bytes.size());
        if (n <= 0) {
            return false;
        }
        bytes = bytes.sliced(n);
    }
    return true;
}

QString ReplaceFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return file.errorString();
    }
    if (!WriteAll(file, bytes)) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit()) {
        return file.errorString();
    }
    return QString();
}
