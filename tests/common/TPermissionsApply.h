#pragma once

#include <sys/fsuid.h>
#include <unistd.h>

// While it lives, file permissions apply to this thread even when the tests run as root: the thread's
// file-system user becomes "nobody", which drops root's right to read any file. A file of mode 000 then
// cannot be opened. (Folders the test uses must be open to everyone.)
class TPermissionsApply
{
public:
    TPermissionsApply()
    {
        if (geteuid() == 0) {
            setfsuid(65534);
            fChanged = true;
        }
    }
    ~TPermissionsApply()
    {
        if (fChanged) {
            setfsuid(0);
        }
    }
    TPermissionsApply(const TPermissionsApply&) = delete;
    TPermissionsApply& operator=(const TPermissionsApply&) = delete;

private:
    bool fChanged = false;
};
