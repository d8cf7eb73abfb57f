#pragma once

#include "TIniFile.h"
#include "TMysettings.h"

// Program-wide settings: typed reads and writes of section "Settings" of "Vantrel.cfg". Reading never
// fails (a missing or unreadable value gives the default); every write reaches the disk at once.
class TSettings
{
public:
    explicit TSettings(const QString& path);

    QString GetSetting(const QString& key, const QString& def) const;
    QString GetSetting(const QString& key, const char* def) const
    {
        return GetSetting(key, QString::fromUtf8(def));
    }
    int GetSetting(const QString& key, int def) const;
    bool GetSetting(const QString& key, bool def) const;

    // Each throws EVantrel "Unable to write to <path>" when the file cannot be written.
    void SaveSetting(const QString& key, const QString& value);
    void SaveSetting(const QString& key, const char* value) { SaveSetting(key, QString::fromUtf8(value)); }
    void SaveSetting(const QString& key, int value);
    void SaveSetting(const QString& key, bool value);

    const QString& Path() const { return reg.Path(); }

    // The configuration record of the current log, created with the settings object.
    TMysettings Mysettings;

private:
    TIniFile reg;
};

// Setting keys, spelled as the settings file holds them.
namespace SettingKeys {
inline const QString OrvanePath = QStringLiteral("OrvanePath");
inline const QString FCCPath = QStringLiteral("FCCPath");
inline const QString ServerPort = QStringLiteral("ServerPort");
inline const QString Top = QStringLiteral("Top");
inline const QString Left = QStringLiteral("Left");
inline const QString Width = QStringLiteral("Width");
inline const QString Height = QStringLiteral("Height");
inline const QString Color = QStringLiteral("Color");
inline const QString ForeColor = QStringLiteral("Fore_color");
inline const QString FLDigiLogFile = QStringLiteral("FLDigiLogFile");
inline const QString FLDigiAutoLog = QStringLiteral("FLDigiAutoLog");
inline const QString FldigiFileChekInterval = QStringLiteral("FldigiFileChekInterval");
inline const QString Theme = QStringLiteral("Theme");
inline const QString AutoCheckUpdate = QStringLiteral("AutoCheckUpdate");
inline const QString Grid = QStringLiteral("Grid");
inline const QString LastMode = QStringLiteral("LastMode");
inline const QString QRZXMLSessionID = QStringLiteral("QRZXML_sessionID");
inline const QString QRZXMLSessionEXP = QStringLiteral("QRZXML_sessionEXP");
inline const QString HamQTHSessionID = QStringLiteral("HAMqthXML_sessionID");
inline const QString HamQTHSessionEXP = QStringLiteral("HAMqthXML_sessionEXP");
inline const QString WSJTXPort = QStringLiteral("WSJTXPort");
inline const QString WSJTXGroup = QStringLiteral("WSJTXGroup");
inline const QString WSJTXAllAddresses = QStringLiteral("WSJTXAllAddresses");
inline const QString RigHost = QStringLiteral("RigHost");
inline const QString RigPort = QStringLiteral("RigPort");
inline const QString StatsOffTime = QStringLiteral("StatsOffTime");
// The contact typed into the entry form and not yet logged, with the log it belongs to.
inline const QString DraftContact = QStringLiteral("DraftContact");
} // namespace SettingKeys
