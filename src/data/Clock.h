#pragma once

#include <QDateTime>
#include <functional>

// The one source of "now" for the program. Windows and clients take a TClock so that tests can set the
// time; the program passes SystemClock.
using TClock = std::function<QDateTime()>;

inline QDateTime SystemNow()
{
    return QDateTime::currentDateTime();
}
