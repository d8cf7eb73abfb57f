#include "StationSettings.h"

#include "data/Errors.h"
#include "data/Paths.h"
#include "data/TSettings.h"
#include "lookup/THamQTHxml.h"
#include "lookup/Tqrzxml.h"
#include "update/UpdateSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QUrl>

namespace {

constexpr std::array kPortFields{TStationField::ServerPort, TStationField::WsjtxPort, TStationField::RigPort};

// Whose port a port field is, for the reason given when two links share one.
QString PortOwner(TStationField field)
{
    switch (field) {
    case TStationField::ServerPort:
        return QStringLiteral("the logging server");
    case TStationField::WsjtxPort:
        return QStringLiteral("WSJT-X");
    default:
        return QStringLiteral("rigctld");
    }
}

bool IsHostLabel(QStringView label)
{
    if (label.isEmpty() || label.size() > 63 || label.startsWith('-') || label.endsWith('-')) {
        return false;
    }
    return std::all_of(label.begin(), label.end(), [](QChar c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
    });
}

// What the link does while a value of it is wrong, for the message at start.
QString StaysOff(TLink link)
{
    switch (link) {
    case TLink::Server:
        return QStringLiteral("The logging server stays off");
    case TLink::Wsjtx:
        return QStringLiteral("WSJT-X logging stays off");
    case TLink::Fldigi:
        return QStringLiteral("FLdigi polling stays off");
    case TLink::Rig:
        return QStringLiteral("Rig control stays off");
    case TLink::Lookup:
        break;
    }
    return QStringLiteral("The address is not used");
}

} // namespace

QString LinkName(TLink link)
{
    switch (link) {
    case TLink::Server:
        return QStringLiteral("UDP");
    case TLink::Wsjtx:
        return QStringLiteral("WSJT-X");
    case TLink::Fldigi:
        return QStringLiteral("FLdigi");
    case TLink::Rig:
        return QStringLiteral("Rig");
    case TLink::Lookup:
        break;
    }
    return QStringLiteral("Lookup");
}

QString FieldKey(TStationField field)
{
    switch (field) {
    case TStationField::ServerPort:
        return SettingKeys::ServerPort;
    case TStationField::WsjtxPort:
        return SettingKeys::WSJTXPort;
    case TStationField::WsjtxGroup:
        return SettingKeys::WSJTXGroup;
    case TStationField::FldigiFile:
        return SettingKeys::FLDigiLogFile;
    case TStationField::FldigiInterval:
        return SettingKeys::FldigiFileChekInterval;
    case TStationField::RigHost:
        return SettingKeys::RigHost;
    case TStationField::RigPort:
        return SettingKeys::RigPort;
    case TStationField::RosterServer:
        return SettingKeys::RosterServer;
    case TStationField::EpcServer:
        return SettingKeys::EPCServer;
    case TStationField::P070Url:
        return SettingKeys::P070Url;
    case TStationField::QrzUrl:
        return Tqrzxml::kUrlKey;
    case TStationField::HamQthUrl:
        break;
    }
    return THamQTHxml::kUrlKey;
}

QString SwitchKey(TStationSwitch sw)
{
    switch (sw) {
    case TStationSwitch::WsjtxAllAddresses:
        return SettingKeys::WSJTXAllAddresses;
    case TStationSwitch::FldigiAutoLog:
        return SettingKeys::FLDigiAutoLog;
    case TStationSwitch::ServerAtStart:
        return SettingKeys::ServerAtStart;
    case TStationSwitch::WsjtxAtStart:
        return SettingKeys::WSJTXAtStart;
    case TStationSwitch::FldigiAtStart:
        return SettingKeys::FLDigiAtStart;
    case TStationSwitch::RigAtStart:
        break;
    }
    return SettingKeys::RigAtStart;
}

TLink LinkOf(TStationField field)
{
    switch (field) {
    case TStationField::ServerPort:
        return TLink::Server;
    case TStationField::WsjtxPort:
    case TStationField::WsjtxGroup:
        return TLink::Wsjtx;
    case TStationField::FldigiFile:
    case TStationField::FldigiInterval:
        return TLink::Fldigi;
    case TStationField::RigHost:
    case TStationField::RigPort:
        return TLink::Rig;
    default:
        return TLink::Lookup;
    }
}

bool HasStartSwitch(TLink link)
{
    return link != TLink::Lookup;
}

TStationSwitch StartSwitch(TLink link)
{
    switch (link) {
    case TLink::Server:
        return TStationSwitch::ServerAtStart;
    case TLink::Wsjtx:
        return TStationSwitch::WsjtxAtStart;
    case TLink::Fldigi:
        return TStationSwitch::FldigiAtStart;
    default:
        return TStationSwitch::RigAtStart;
    }
}

int TStationSettings::Number(TStationField field) const
{
    return (*this)[field].trimmed().toInt();
}

TStationSettings DefaultStationSettings()
{
    TStationSettings values;
    values[TStationField::ServerPort] = QStringLiteral("8888");
    values[TStationField::WsjtxPort] = QStringLiteral("2237");
    values[TStationField::FldigiFile] = Paths::DefaultFldigiLogFile();
    values[TStationField::FldigiInterval] = QStringLiteral("1000");
    values[TStationField::RigHost] = QStringLiteral("127.0.0.1");
    values[TStationField::RigPort] = QStringLiteral("4532");
    values[TStationField::QrzUrl] = Tqrzxml::kDefaultUrl;
    values[TStationField::HamQthUrl] = THamQTHxml::kDefaultUrl;
    return values;
}

TStationSettings ReadStationSettings(const TSettings& settings)
{
    TStationSettings values = DefaultStationSettings();
    for (int f = 0; f < kStationFieldCount; ++f) {
        const auto field = TStationField(f);
        values[field] = settings.GetSetting(FieldKey(field), values[field]);
    }
    for (int s = 0; s < kStationSwitchCount; ++s) {
        const auto sw = TStationSwitch(s);
        values[sw] = settings.GetSetting(SwitchKey(sw), values[sw]);
    }
    return values;
}

QString CheckPort(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        return QStringLiteral("Enter a port number, 1 to 65535.");
    }
    bool ok = false;
    const qlonglong port = t.toLongLong(&ok);
    if (!ok) {
        return QStringLiteral("\"%1\" is no port number: enter 1 to 65535.").arg(t);
    }
    if (port < 1 || port > 65535) {
        return QStringLiteral("%1 is no port: ports are 1 to 65535.").arg(t);
    }
    return {};
}

QString CheckHost(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        return QStringLiteral("Enter a host name or address (127.0.0.1 for this computer).");
    }
    const QString wrong =
        QStringLiteral("\"%1\" is no host name or address: a name has letters, digits, hyphens and dots "
                       "(shack-pc.local), an address four numbers (192.168.1.20).")
            .arg(t);
    QHostAddress address;
    if (address.setAddress(t)) {
        return {};
    }
    QStringView name(t);
    if (name.endsWith('.')) {
        name.chop(1);
    }
    if (name.isEmpty() || name.size() > 253) {
        return wrong;
    }
    bool allNumbers = true;
    for (const QStringView label : name.split('.')) {
        if (!IsHostLabel(label)) {
            return wrong;
        }
        allNumbers =
            allNumbers && std::all_of(label.begin(), label.end(), [](QChar c) { return c.isDigit(); });
    }
    // Numbers alone that are no address (300.1.1.1) are a mistyped address, not a name.
    return allNumbers ? wrong : QString();
}

QString CheckMulticastGroup(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        return {};
    }
    const QHostAddress group(t);
    if (group.protocol() != QAbstractSocket::IPv4Protocol || !group.isMulticast()) {
        return QStringLiteral("\"%1\" is no IPv4 multicast group: use an address from 224.0.0.0 to "
                              "239.255.255.255 such as 239.255.0.1, or leave it empty to take WSJT-X's "
                              "messages sent to this computer alone.")
            .arg(t);
    }
    return {};
}

QString CheckInterval(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        return QStringLiteral("Enter the interval in milliseconds, 500 to 1500.");
    }
    bool ok = false;
    const qlonglong ms = t.toLongLong(&ok);
    if (!ok) {
        return QStringLiteral("\"%1\" is no number of milliseconds: enter 500 to 1500.").arg(t);
    }
    if (ms < 500 || ms > 1500) {
        return QStringLiteral("%1 ms is outside 500 to 1500 ms.").arg(t);
    }
    return {};
}

QString CheckFilePath(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        return QStringLiteral("Enter the path of FLdigi's log file.");
    }
    if (!QDir::isAbsolutePath(t)) {
        return QStringLiteral("\"%1\" is no whole path: enter it from the top folder (%2).")
            .arg(t, QDir::toNativeSeparators(Paths::DefaultFldigiLogFile()));
    }
    if (QFileInfo(t).isDir()) {
        return QStringLiteral("\"%1\" is a folder: enter the path of the log file in it.").arg(t);
    }
    return {};
}

QString CheckServiceAddress(TStationField field, const QString& text)
{
    const QString t = text.trimmed();
    const bool password = field == TStationField::QrzUrl || field == TStationField::HamQthUrl;
    const bool serverOnly = field == TStationField::RosterServer || field == TStationField::EpcServer;
    if (t.isEmpty()) {
        if (password) {
            return QStringLiteral("Enter the address of the service (the public one is %1).")
                .arg(field == TStationField::QrzUrl ? Tqrzxml::kDefaultUrl : THamQTHxml::kDefaultUrl);
        }
        // Not set yet: the action that needs it says so.
        return {};
    }
    if (std::any_of(t.begin(), t.end(), [](QChar c) { return c.isSpace(); })) {
        return QStringLiteral("\"%1\" is no web address: an address holds no spaces.").arg(t);
    }
    const QUrl url(t, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QStringLiteral("http") && scheme != QStringLiteral("https"))) {
        return QStringLiteral("\"%1\" is no web address: it begins with https:// (or http://).").arg(t);
    }
    if (password && scheme != QStringLiteral("https")) {
        return QStringLiteral("The password travels to this service: its address must begin with https://.");
    }
    if (url.host().isEmpty() || !CheckHost(url.host()).isEmpty()) {
        return QStringLiteral("\"%1\" names no server: https://server/… is expected.").arg(t);
    }
    if (!url.userInfo().isEmpty()) {
        return QStringLiteral(
            "Put no user name or password into the address: it is shown and sent as it is.");
    }
    if (serverOnly && (url.hasQuery() || url.hasFragment())) {
        return QStringLiteral(
            "Enter the server alone (https://server): the paths of the files are added to it.");
    }
    if (password && (url.hasQuery() || url.hasFragment())) {
        return QStringLiteral("The address takes no query (?…): the lookup adds its own.");
    }
    return {};
}

QMap<TStationField, QString> CheckStationSettings(const TStationSettings& values)
{
    QMap<TStationField, QString> reasons;
    const auto note = [&](TStationField field, const QString& reason) {
        if (!reason.isEmpty()) {
            reasons.insert(field, reason);
        }
    };
    for (const TStationField field : kPortFields) {
        note(field, CheckPort(values[field]));
    }
    note(TStationField::WsjtxGroup, CheckMulticastGroup(values[TStationField::WsjtxGroup]));
    note(TStationField::FldigiFile, CheckFilePath(values[TStationField::FldigiFile]));
    note(TStationField::FldigiInterval, CheckInterval(values[TStationField::FldigiInterval]));
    note(TStationField::RigHost, CheckHost(values[TStationField::RigHost]));
    for (const TStationField field :
         {TStationField::RosterServer, TStationField::EpcServer, TStationField::P070Url,
          TStationField::QrzUrl, TStationField::HamQthUrl}) {
        note(field, CheckServiceAddress(field, values[field]));
    }
    // Two links on one port: the second to open would fail, or each would take the other's datagrams.
    QList<TStationField> ports;
    for (const TStationField field : kPortFields) {
        if (!reasons.contains(field)) {
            ports.append(field);
        }
    }
    for (const TStationField field : ports) {
        for (const TStationField other : ports) {
            if (other != field && values.Number(other) == values.Number(field)) {
                reasons.insert(field, QStringLiteral("Port %1 is also the port of %2: each link needs one of "
                                                     "its own.")
                                          .arg(values.Number(field))
                                          .arg(PortOwner(other)));
                break;
            }
        }
    }
    for (int f = 0; f < kStationFieldCount; ++f) {
        const QString& text = values.text[size_t(f)];
        if (text.contains('\n') || text.contains('\r')) {
            reasons.insert(TStationField(f), QStringLiteral("A value holds no line break."));
        }
    }
    return reasons;
}

void SaveStationSettings(TSettings& settings, const TStationSettings& values)
{
    const auto reasons = CheckStationSettings(values);
    if (!reasons.isEmpty()) {
        throw EVantrel(QStringLiteral("%1: %2").arg(FieldKey(reasons.firstKey()), reasons.first()));
    }
    const TStationSettings stored = ReadStationSettings(settings);
    QList<std::pair<QString, QString>> entries;
    for (int f = 0; f < kStationFieldCount; ++f) {
        const auto field = TStationField(f);
        if (values[field] != stored[field]) {
            entries.append({FieldKey(field), values[field].trimmed()});
        }
    }
    for (int s = 0; s < kStationSwitchCount; ++s) {
        const auto sw = TStationSwitch(s);
        if (values[sw] != stored[sw]) {
            entries.append({SwitchKey(sw), values[sw] ? QStringLiteral("1") : QStringLiteral("0")});
        }
    }
    settings.SaveSettings(entries);
}

QList<TLink> ChangedLinks(const TStationSettings& before, const TStationSettings& after)
{
    QList<TLink> links;
    const auto add = [&](TLink link) {
        if (!links.contains(link)) {
            links.append(link);
        }
    };
    for (int f = 0; f < kStationFieldCount; ++f) {
        if (before.text[size_t(f)].trimmed() != after.text[size_t(f)].trimmed()) {
            add(LinkOf(TStationField(f)));
        }
    }
    if (before[TStationSwitch::WsjtxAllAddresses] != after[TStationSwitch::WsjtxAllAddresses]) {
        add(TLink::Wsjtx);
    }
    if (before[TStationSwitch::FldigiAutoLog] != after[TStationSwitch::FldigiAutoLog]) {
        add(TLink::Fldigi);
    }
    std::sort(links.begin(), links.end());
    return links;
}

QList<TStationProblem> StationProblems(const TStationSettings& values, const QString& path)
{
    QList<TStationProblem> problems;
    const auto reasons = CheckStationSettings(values);
    for (auto it = reasons.cbegin(); it != reasons.cend(); ++it) {
        const TLink link = LinkOf(it.key());
        const QString key = FieldKey(it.key());
        problems.append(
            {link, key,
             QStringLiteral("%1=%2 in %3: %4\n%5 until it is corrected in Options > Station "
                            "Settings.")
                 .arg(key, values[it.key()], QDir::toNativeSeparators(path), it.value(), StaysOff(link))});
    }
    return problems;
}

bool LinkUsable(TLink link, const QList<TStationProblem>& problems)
{
    return std::none_of(problems.begin(), problems.end(),
                        [link](const TStationProblem& p) { return p.link == link; });
}

void RefuseUnusableValues(const TSettings& settings, TLink link)
{
    QStringList reasons;
    for (const TStationProblem& problem : StationProblems(ReadStationSettings(settings), settings.Path())) {
        if (problem.link == link) {
            reasons << problem.text;
        }
    }
    if (!reasons.isEmpty()) {
        throw EVantrel(reasons.join('\n'));
    }
}
