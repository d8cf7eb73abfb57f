#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <array>

class TSettings;

// The links between Vantrel and the other programs of the station, and the on-line lookup services.
enum class TLink
{
    Server, // the UDP logging server
    Wsjtx,  // the WSJT-X / JTDX listener
    Fldigi, // the FLdigi log file poll
    Rig,    // rig control through rigctld
    Lookup, // the on-line services: call books, rosters
};
inline constexpr std::array kLinks{TLink::Server, TLink::Wsjtx, TLink::Fldigi, TLink::Rig, TLink::Lookup};

// The short name of a link as the status bar shows it: "UDP", "WSJT-X", "FLdigi", "Rig", "Lookup".
QString LinkName(TLink link);

// The values of the station settings that are typed as text, each kept under a settings key of its own.
enum class TStationField
{
    ServerPort,
    WsjtxPort,
    WsjtxGroup,
    FldigiFile,
    FldigiInterval,
    RigHost,
    RigPort,
    RosterServer,
    EpcServer,
    P070Url,
    QrzUrl,
    HamQthUrl,
};
inline constexpr int kStationFieldCount = int(TStationField::HamQthUrl) + 1;

// The switches of the station settings.
enum class TStationSwitch
{
    WsjtxAllAddresses,
    FldigiAutoLog,
    ServerAtStart,
    WsjtxAtStart,
    FldigiAtStart,
    RigAtStart,
};
inline constexpr int kStationSwitchCount = int(TStationSwitch::RigAtStart) + 1;

QString FieldKey(TStationField field);
QString SwitchKey(TStationSwitch sw);
// The link a value belongs to (the service addresses belong to Lookup).
TLink LinkOf(TStationField field);
// The "switch on at start" box of a link; Lookup has none.
bool HasStartSwitch(TLink link);
TStationSwitch StartSwitch(TLink link);

// Every value of the station's links and services as "Vantrel.cfg" holds it: the text of each field as
// stored (the default where the key is missing), so that a value typed by hand, wrong or right, is shown
// and stored back as it was written.
struct TStationSettings
{
    std::array<QString, kStationFieldCount> text;
    std::array<bool, kStationSwitchCount> switches{};

    QString& operator[](TStationField field) { return text[size_t(field)]; }
    const QString& operator[](TStationField field) const { return text[size_t(field)]; }
    bool& operator[](TStationSwitch sw) { return switches[size_t(sw)]; }
    bool operator[](TStationSwitch sw) const { return switches[size_t(sw)]; }

    // The number of a port or interval field; valid only when the field has passed its check.
    int Number(TStationField field) const;

    bool operator==(const TStationSettings&) const = default;
};

// The values of a first start: the program's defaults.
TStationSettings DefaultStationSettings();

// Reads the station settings from the settings file; a missing key gives its default.
TStationSettings ReadStationSettings(const TSettings& settings);

// Checks of single values: the reason a value cannot be used, for the operator, or empty when it can.
QString CheckPort(const QString& text);
QString CheckHost(const QString& text);
// An IPv4 multicast group; empty means none (the listener takes unicast).
QString CheckMulticastGroup(const QString& text);
// An interval of the FLdigi poll, 500 to 1500 ms.
QString CheckInterval(const QString& text);
QString CheckFilePath(const QString& text);
// A service address. The password travels to the call-book services, so theirs must be https.
QString CheckServiceAddress(TStationField field, const QString& text);

// The reason against each value that cannot be used, with the ports that two links would share.
QMap<TStationField, QString> CheckStationSettings(const TStationSettings& values);

// Stores the values into the settings file in one write: only the keys whose value differs from what
// the file holds are written, so every other line keeps its bytes. Throws EVantrel naming the first
// value that cannot be used (nothing is written then) or when the file cannot be written.
void SaveStationSettings(TSettings& settings, const TStationSettings& values);

// The links whose values differ: those that must start again, when on, to use the new values.
QList<TLink> ChangedLinks(const TStationSettings& before, const TStationSettings& after);

// A stored value that cannot be used, found when the program starts: the link it belongs to stays off
// (it is neither switched on at start nor listening on some other port) until the value is corrected.
struct TStationProblem
{
    TLink link;
    QString key;
    QString text; // for the operator: the key, the value, the reason and the file
};
QList<TStationProblem> StationProblems(const TStationSettings& values, const QString& path);

// True when no value of a link is in the list of problems.
bool LinkUsable(TLink link, const QList<TStationProblem>& problems);

// Throws EVantrel with the reason (the key, the value and the file) when a stored value of a link cannot be
// used, so that switching the link on refuses it instead of binding a port of the system's choice or
// polling without pause.
void RefuseUnusableValues(const TSettings& settings, TLink link);
