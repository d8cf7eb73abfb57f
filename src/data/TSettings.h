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
    // Writes several keys (their values as stored text) in one write of the file: all or none.
    void SaveSettings(const QList<std::pair<QString, QString>>& entries);

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
// Where the panels beside the entry form (statistics, band map) were, open or closed: Qt's window state
// in Base64.
inline const QString Panels = QStringLiteral("Panels");
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
// Whether each link is switched on when the program starts.
inline const QString ServerAtStart = QStringLiteral("ServerAtStart");
inline const QString WSJTXAtStart = QStringLiteral("WSJTXAtStart");
inline const QString FLDigiAtStart = QStringLiteral("FLDigiAtStart");
inline const QString RigAtStart = QStringLiteral("RigAtStart");

// The DX cluster: its host (empty: no cluster) and port, the commands sent after the login (separated by
// ";"), whether it connects at start, and the minutes a spot stays on the band map.
inline const QString ClusterHost = QStringLiteral("ClusterHost");
inline const QString ClusterPort = QStringLiteral("ClusterPort");
inline const QString ClusterCommands = QStringLiteral("ClusterCommands");
inline const QString ClusterAutoStart = QStringLiteral("ClusterAutoStart");
inline const QString ClusterSpotAge = QStringLiteral("ClusterSpotAge");

inline const QString ShareHost = QStringLiteral("ShareHost");
inline const QString SharePort = QStringLiteral("SharePort");
inline const QString ShareDatabase = QStringLiteral("ShareDatabase");
inline const QString ShareUser = QStringLiteral("ShareUser");
inline const QString SharePassword = QStringLiteral("SharePassword");
inline const QString ShareTLSMode = QStringLiteral("ShareTLSMode");
inline const QString SharePosition = QStringLiteral("SharePosition");
inline const QString ShareLog = QStringLiteral("ShareLog");
inline const QString ShareAtStart = QStringLiteral("ShareAtStart");

inline const QString StatsOffTime = QStringLiteral("StatsOffTime");
// The contact typed into the entry form and not yet logged, with the log it belongs to.
inline const QString DraftContact = QStringLiteral("DraftContact");
} // namespace SettingKeys
