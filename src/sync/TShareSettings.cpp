#include "TShareSettings.h"

#include "data/MyFunc.h"
#include "data/TSettings.h"

#include <QSysInfo>

QString TShareSettings::Problem() const
{
    if (log.trimmed().isEmpty()) {
        return QStringLiteral("No log is named for sharing: open the log to share first.");
    }
    if (database.trimmed().isEmpty()) {
        return QStringLiteral("Enter the name of the database on the server.");
    }
    if (user.trimmed().isEmpty()) {
        return QStringLiteral("Enter the user name for the server.");
    }
    if (port < 1 || port > 65535) {
        return QStringLiteral("The port must be a number from 1 to 65535.");
    }
    if (!TlsModes().contains(tlsMode)) {
        return QStringLiteral("The TLS mode must be one of %1.").arg(TlsModes().join(QStringLiteral(", ")));
    }
    if (position.trimmed().isEmpty()) {
        return QStringLiteral("Enter a name for this position.");
    }
    return QString();
}

QStringList TlsModes()
{
    return {QStringLiteral("disable"), QStringLiteral("allow"),     QStringLiteral("prefer"),
            QStringLiteral("require"), QStringLiteral("verify-ca"), QStringLiteral("verify-full")};
}

QString DefaultPositionName()
{
    const QString host = QSysInfo::machineHostName().trimmed();
    return host.isEmpty() ? QStringLiteral("Position") : host;
}

TShareSettings ReadShareSettings(const TSettings& settings)
{
    TShareSettings s;
    s.host = settings.GetSetting(SettingKeys::ShareHost, QString());
    s.port = settings.GetSetting(SettingKeys::SharePort, 5432);
    s.database = settings.GetSetting(SettingKeys::ShareDatabase, QString());
    s.user = settings.GetSetting(SettingKeys::ShareUser, QString());
    s.password = DecodeText(settings.GetSetting(SettingKeys::SharePassword, QString()));
    s.tlsMode = settings.GetSetting(SettingKeys::ShareTLSMode, QStringLiteral("prefer")).trimmed().toLower();
    s.position = settings.GetSetting(SettingKeys::SharePosition, QString()).trimmed();
    if (s.position.isEmpty()) {
        s.position = DefaultPositionName();
    }
    s.log = settings.GetSetting(SettingKeys::ShareLog, QString()).trimmed();
    s.joinAtStart = settings.GetSetting(SettingKeys::ShareAtStart, false);
    return s;
}

void SaveShareSettings(TSettings& settings, const TShareSettings& s)
{
    settings.SaveSetting(SettingKeys::ShareHost, s.host);
    settings.SaveSetting(SettingKeys::SharePort, s.port);
    settings.SaveSetting(SettingKeys::ShareDatabase, s.database);
    settings.SaveSetting(SettingKeys::ShareUser, s.user);
    settings.SaveSetting(SettingKeys::SharePassword, EncodeText(s.password));
    settings.SaveSetting(SettingKeys::ShareTLSMode, s.tlsMode);
    settings.SaveSetting(SettingKeys::SharePosition, s.position);
    settings.SaveSetting(SettingKeys::ShareLog, s.log);
    settings.SaveSetting(SettingKeys::ShareAtStart, s.joinAtStart);
}
