#pragma once

#include "data/TSettings.h"

#include <QString>

// The addresses of the servers that publish the club rosters, the version file and the installer. They are
// settings of "Vantrel.cfg" and start empty: the operator sets them to the clubs' published addresses.
namespace SettingKeys {
// The Ten-Ten roster server as scheme and host (https://host): the roster files, the version file and the
// installer are fetched from fixed paths under it.
inline const QString RosterServer = QStringLiteral("RosterServer");
// The EPC club's server as scheme and host; the EPC roster's path is appended.
inline const QString EPCServer = QStringLiteral("EPCServer");
// The whole address of the CSV export of the 070 club's member list (document identifier and query included).
inline const QString P070Url = QStringLiteral("P070Url");
} // namespace SettingKeys

// The address of a server setting with a path appended (a trailing "/" of the setting is dropped). Throws
// EVantrel naming the key and the settings file when the setting is empty, so an unset address is a clear
// message rather than a request to nowhere.
QString ServerUrl(const TSettings& settings, const QString& key, const QString& path = QString());
