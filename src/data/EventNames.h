#pragma once

#include <QString>

// Event names with rules of their own; compared exactly, letter case included.
namespace Events {
inline const QString OpenSeason = QStringLiteral("Open Season");
inline const QString WeakSignal = QStringLiteral("Weak Signal");
inline const QString GeneralLog = QStringLiteral("General Log");
inline const QString Mobile = QStringLiteral("Mobile");
inline const QString SpiritOf76 = QStringLiteral("Spirit Of 76");
} // namespace Events
