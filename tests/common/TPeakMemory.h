#pragma once

#include <QtGlobal>

// The peak memory of this process (VmHWM) in bytes since the last ResetPeakMemory; -1 where the system
// does not tell.
qint64 PeakMemory();
void ResetPeakMemory();
