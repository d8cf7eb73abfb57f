#pragma once

#include <QString>
#include <QTemporaryDir>

// A small file system of its own for one test (a tmpfs, mounted when the test runs as root): a disk that
// fills up, or one that turns read-only. Tests skip with Reason() when it cannot be mounted.
class TSmallDisk
{
public:
    explicit TSmallDisk(int kilobytes = 256);
    ~TSmallDisk();
    TSmallDisk(const TSmallDisk&) = delete;
    TSmallDisk& operator=(const TSmallDisk&) = delete;

    bool IsMounted() const { return fMounted; }
    QString Reason() const { return fReason; }
    // The mount point, ending in "/".
    QString Path() const { return fDir.path() + '/'; }

    // Fills the disk with a file of its own until nothing is left.
    bool Fill();
    // Fills the disk until about the given number of bytes is left (in whole pages of memory).
    bool FillLeaving(qint64 bytes);
    // Frees what Fill took.
    void Free();
    // Remounts the disk read-only.
    bool MakeReadOnly();

private:
    QTemporaryDir fDir;
    bool fMounted = false;
    QString fReason;
};
