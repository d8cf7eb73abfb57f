#include "OpenDocument.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

void OpenDocument(QObject* owner, const QString& path, std::function<void()> failed)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty()) {
        auto* process = new QProcess(owner);
        // xdg-open's own messages go to the terminal the program was started from, if any.
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        QObject::connect(process, &QProcess::finished, owner,
                         [process, failed](int exitCode, QProcess::ExitStatus status) {
                             process->deleteLater();
                             if (status != QProcess::NormalExit || exitCode != 0) {
                                 failed();
                             }
                         });
        QObject::connect(process, &QProcess::errorOccurred, owner,
                         [process, failed](QProcess::ProcessError error) {
                             if (error == QProcess::FailedToStart) {
                                 process->deleteLater();
                                 failed();
                             }
                         });
        process->start(opener, {path});
        return;
    }
#endif
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
        failed();
    }
}
