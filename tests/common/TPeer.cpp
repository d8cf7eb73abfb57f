#include "TPeer.h"

#include <QElapsedTimer>

namespace TPeer {

QStringList Run(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral(VANTREL_PEER), args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

bool Peek(const QString& db)
{
    return !Run({QStringLiteral("peek"), db}).isEmpty();
}

QStringList Calls(const QString& db, const QString& table)
{
    return Run({QStringLiteral("calls"), db, table});
}

void Start(QProcess& process, const QStringList& args)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(VANTREL_PEER), args);
}

bool WaitForLine(QProcess& process, const QByteArray& line, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    QByteArray seen;
    while (clock.elapsed() < timeoutMs) {
        if (process.canReadLine() || process.waitForReadyRead(100)) {
            while (process.canReadLine()) {
                if (process.readLine().trimmed() == line) {
                    return true;
                }
            }
        }
        if (process.state() == QProcess::NotRunning) {
            return false;
        }
    }
    return false;
}

} // namespace TPeer
