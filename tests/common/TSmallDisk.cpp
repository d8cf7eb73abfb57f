#include "TSmallDisk.h"

#include <QFile>
#include <QProcess>

#include <unistd.h>

namespace {

bool Mount(const QStringList& args, QString& reason)
{
    QProcess mount;
    mount.setProcessChannelMode(QProcess::MergedChannels);
    mount.start(QStringLiteral("mount"), args);
    if (!mount.waitForFinished(20000) || mount.exitStatus() != QProcess::NormalExit ||
        mount.exitCode() != 0) {
        reason = QStringLiteral("mount %1 failed: %2")
                     .arg(args.join(' '), QString::fromLocal8Bit(mount.readAll()).trimmed());
        return false;
    }
    return true;
}

} // namespace

TSmallDisk::TSmallDisk(int kilobytes)
{
    if (geteuid() != 0) {
        fReason = QStringLiteral("a small disk needs a tmpfs mount, which needs root");
        return;
    }
    fMounted =
        Mount({QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
               QStringLiteral("size=%1k,mode=0777").arg(kilobytes), QStringLiteral("tmpfs"), fDir.path()},
              fReason);
}

TSmallDisk::~TSmallDisk()
{
    if (fMounted) {
        QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), fDir.path()});
    }
}

bool TSmallDisk::Fill()
{
    QFile filler(Path() + QStringLiteral(".filler"));
    if (!filler.open(QIODevice::Append | QIODevice::Unbuffered)) {
        return false;
    }
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size()) {
    }
    // The last partial block, byte by byte.
    while (filler.write("x", 1) == 1) {
    }
    return true;
}

bool TSmallDisk::FillLeaving(qint64 bytes)
{
    if (!Fill()) {
        return false;
    }
    QFile filler(Path() + QStringLiteral(".filler"));
    return filler.resize(qMax<qint64>(0, filler.size() - bytes));
}

void TSmallDisk::Free()
{
    QFile::remove(Path() + QStringLiteral(".filler"));
}

bool TSmallDisk::MakeReadOnly()
{
    return fMounted && Mount({QStringLiteral("-o"), QStringLiteral("remount,ro"), fDir.path()}, fReason);
}
