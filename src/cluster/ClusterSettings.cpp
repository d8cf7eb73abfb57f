#include "ClusterSettings.h"

#include "data/TSettings.h"

TClusterSettings ReadClusterSettings(const TSettings& settings, const QString& stationCall)
{
    TClusterSettings cluster;
    cluster.login.host = settings.GetSetting(SettingKeys::ClusterHost, "").trimmed();
    const int port = settings.GetSetting(SettingKeys::ClusterPort, 7300);
    cluster.login.port = port > 0 && port <= 65535 ? quint16(port) : quint16(7300);
    cluster.login.call = stationCall.trimmed().toUpper();
    for (const QString& command :
         settings.GetSetting(SettingKeys::ClusterCommands, "").split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (!command.trimmed().isEmpty()) {
            cluster.login.commands << command.trimmed();
        }
    }
    cluster.autoStart = settings.GetSetting(SettingKeys::ClusterAutoStart, false);
    cluster.spotAgeMinutes = std::max(1, settings.GetSetting(SettingKeys::ClusterSpotAge, 30));
    return cluster;
}
