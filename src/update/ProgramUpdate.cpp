#include "ProgramUpdate.h"

#include "TfrmFileDownload.h"
#include "UpdateSettings.h"

#include "data/Errors.h"
#include "data/MyFunc.h"
#include "data/Paths.h"
#include "ui/Prompts.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QUrl>

namespace {

const QString kVersionPath = QStringLiteral("/download/vantrel_version");

QString ReadWholeText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw EVantrel(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    // The download kept it small; a file put there otherwise is read no further than a version can be.
    const QByteArray bytes = file.read(kVersionMaxBytes);
    QStringDecoder decoder(QStringConverter::encodingForData(bytes).value_or(QStringConverter::System));
    return decoder.decode(bytes);
}

} // namespace

TVersion ParseVersion(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("\\A[0-9]{1,9}\\z"));
    const QString trimmed = text.trimmed();
    const QStringList parts = trimmed.split('.');
    TVersion version{0, 0, 0, 0};
    for (qsizetype i = 0; i < parts.size() && i < 4; ++i) {
        if (!digits.match(parts[i]).hasMatch()) {
            QString shown = trimmed.left(60).simplified();
            if (trimmed.size() > 60) {
                shown += QStringLiteral("…");
            }
            throw EVantrel(QStringLiteral("The version received is not a version number: \"%1\"").arg(shown));
        }
        version[size_t(i)] = parts[i].toUInt();
    }
    return version;
}

bool IsNewerVersion(const TVersion& running, const TVersion& published)
{
    for (size_t i = 0; i < 4; ++i) {
        if (running[i] != published[i]) {
            return published[i] > running[i];
        }
    }
    return false;
}

TProgramUpdate::TProgramUpdate(TSettings& settings, IPrompts& prompts, QWidget* window)
    : fSettings(settings), fPrompts(prompts), fWindow(window),
      fRunningVersion(GetFileVersion(QCoreApplication::applicationFilePath()))
{}

QString TProgramUpdate::InstallerName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("vantrel_setup.exe");
#else
    return QStringLiteral("vantrel_setup.deb");
#endif
}

QString TProgramUpdate::InstallerPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::DownloadLocation) + '/' + InstallerName();
}

bool TProgramUpdate::NewVersionAvailable()
{
    const QString url = ServerUrl(fSettings, SettingKeys::RosterServer, kVersionPath);
    const QString local = Paths::WorkFolder() + QStringLiteral("vantrel_version");
    DownloadFile(url, local, 30000, kVersionMaxBytes);
    const TVersion running = ParseVersion(fRunningVersion);
    const TVersion published = ParseVersion(ReadWholeText(local));
    return IsNewerVersion(running, published);
}

bool TProgramUpdate::UpdateCheck(bool quiet)
{
    if (NewVersionAvailable()) {
        const MsgButton answer = ShowCenteredMessage(
            fPrompts, fWindow,
            QStringLiteral("A new version exists.  Would you like to download and install it?"),
            MsgKind::Information, MsgButton::Yes | MsgButton::No);
        return answer == MsgButton::Yes && InstallUpdate();
    }
    if (!quiet) {
        ShowCenteredMessage(fPrompts, fWindow, QStringLiteral("You have the current version"),
                            MsgKind::Information, MsgButton::OK);
    }
    return false;
}

bool TProgramUpdate::InstallUpdate()
{
    const QString url =
        ServerUrl(fSettings, SettingKeys::RosterServer, QStringLiteral("/download/") + InstallerName());
    const QString path = InstallerPath();
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        throw EVantrel(
            QStringLiteral("Unable to create the folder %1").arg(QDir::toNativeSeparators(folder)));
    }
    TfrmFileDownload dialog(fPrompts, fWindow, path, url);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    ShowCenteredMessage(
        fPrompts, fWindow,
        QStringLiteral("Download is complete, Click ok to begin installation. Program will close "
                       "automatically"),
        MsgKind::Confirmation, MsgButton::OK);
    // The platform opens the package with its installer; whether it could is not for the program to judge.
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    return true;
}
