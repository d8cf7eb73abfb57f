#include "TLookup.h"

#include "TFCCLookup.h"
#include "THamQTHxml.h"
#include "Tqrzxml.h"
#include "data/Errors.h"
#include "data/LicenceStore.h"
#include "data/LookupQueries.h"
#include "data/MyFunc.h"
#include "data/Paths.h"
#include "data/ReferenceLookup.h"
#include "data/TDM.h"
#include "data/TSettings.h"
#include "ui/Prompts.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The licence files belong to other programs: they are only read, and a missing one is never created.
const QString kReadOnly = QStringLiteral("QSQLITE_OPEN_READONLY");

} // namespace

TLookup::TLookup(TDM& dm, TSettings& settings, IPrompts& prompts, QWidget* window, TClock clock)
    : fDM(dm), fSettings(settings), fPrompts(prompts), fWindow(window), fClock(std::move(clock)),
      fTimeoutMs(TCallbookClient::kDefaultTimeoutMs), fHamUtil(prompts, window)
{}

TLookup::~TLookup() = default;

void TLookup::SetNetworkTimeout(int ms)
{
    fTimeoutMs = ms;
    if (fQRZ) {
        fQRZ->SetTimeout(ms);
    }
    if (fHamQTH) {
        fHamQTH->SetTimeout(ms);
    }
}

QString TLookup::GetQRZ_XML() const
{
    return fQRZ ? fQRZ->GetXML() : QString();
}

QString TLookup::GetCountry(const QString& callsign) const
{
    Q_UNUSED(callsign);
    return QString();
}

TFccRec TLookup::LookupCall(const QString& value, int index)
{
    TFccRec rec;
    const TMysettings& log = fSettings.Mysettings;
    switch (index) {
    case LookupTypes::QRZXML:
        if (!fQRZ) {
            fQRZ = std::make_unique<Tqrzxml>(fSettings, fClock);
            fQRZ->SetTimeout(fTimeoutMs);
        }
        rec = fQRZ->LookupCall(value, log.QRZXMLid, DecodeText(log.QRZXMLpass));
        break;
    case LookupTypes::Orvane:
    case LookupTypes::FCCLookup:
        rec = LicenceLookup(value, index);
        if (!rec.callsign.isEmpty()) {
            CompleteFromLocalData(rec);
        }
        break;
    case LookupTypes::HamQTHXML:
        if (!fHamQTH) {
            fHamQTH = std::make_unique<THamQTHxml>(fSettings, fClock);
            fHamQTH->SetTimeout(fTimeoutMs);
        }
        rec = fHamQTH->LookupCall(value, log.HamQTHid, DecodeText(log.HamQTHpass));
        break;
    default:
        // "None" and the sources without a lookup behind them find nothing.
        break;
    }
    // The roster numbers belong to the call sign the source returned; nothing found adds nothing.
    if (!rec.callsign.isEmpty()) {
        const TRosterNumbers numbers = FindRosterNumbers(fDM, rec.callsign);
        rec.tenten = numbers.tenten;
        rec.vp = numbers.vp;
        rec.P070 = numbers.p070;
        rec.EPC = numbers.epc;
    }
    return rec;
}

TFccRec TLookup::LookupLocal(const QString& value, int index)
{
    TFccRec rec;
    if ((index == LookupTypes::Orvane || index == LookupTypes::FCCLookup) &&
        QFileInfo(LicenceFile(index)).isFile()) {
        rec = LicenceLookup(value, index);
        if (!rec.callsign.isEmpty() && QFileInfo(fDM.conPostal().databaseName()).isFile()) {
            CompleteFromLocalData(rec);
        }
    }
    // The rosters know members the licence data does not (a DX member, a source without licence data).
    const QString call = rec.callsign.isEmpty() ? value.trimmed().toUpper() : rec.callsign;
    const TRosterNumbers numbers = FindRosterNumbers(fDM, call);
    rec.tenten = numbers.tenten;
    rec.vp = numbers.vp;
    rec.P070 = numbers.p070;
    rec.EPC = numbers.epc;
    if (rec.callsign.isEmpty() && !(numbers.tenten.isEmpty() && numbers.vp.isEmpty() &&
                                    numbers.p070.isEmpty() && numbers.epc.isEmpty())) {
        rec.callsign = call;
    }
    return rec;
}

QString TLookup::LicenceFile(int index) const
{
    const QString folder = QDir::fromNativeSeparators(
        index == LookupTypes::Orvane
            ? fSettings.GetSetting(SettingKeys::OrvanePath, Paths::DefaultOrvanePath())
            : fSettings.GetSetting(SettingKeys::FCCPath, Paths::DefaultFCCPath()));
    return QDir(folder).filePath(kLicenceFile);
}

TFccRec TLookup::LicenceLookup(const QString& value, int index)
{
    if (!FCCLookup) {
        FCCLookup = std::make_unique<TFCCLookup>(fDM);
    }
    const bool orvane = index == LookupTypes::Orvane;
    const QString licence = LicenceFile(index);
    const QString postal = QDir(QFileInfo(licence).path()).filePath(kPostalFile);
    if (!QFileInfo(licence).isFile()) {
        ShowCenteredMessage(fPrompts, fWindow,
                            orvane
                                ? QStringLiteral("Orvane data files does not exists.  Please install the "
                                                 "program to use this function")
                                : QStringLiteral("FCCLookup data files does not exists.  Please install the "
                                                 "program to use this function"),
                            MsgKind::Warning, MsgButton::OK);
        return TFccRec();
    }
    // Pointed afresh at every lookup, so a change of type or folder counts from the next lookup on.
    fDM.SetLookupFile(licence);
    fDM.conLookup().setConnectOptions(kReadOnly);
    fDM.SetPostalFile(postal);
    fDM.conPostal().setConnectOptions(kReadOnly);
    return FCCLookup->GetCall(value);
}

void TLookup::CompleteFromLocalData(TFccRec& rec)
{
    const QString postal = fDM.conPostal().databaseName();
    if (!QFileInfo(postal).isFile()) {
        throw EDatabaseError(
            QStringLiteral("The postal data file %1 does not exist").arg(QDir::toNativeSeparators(postal)));
    }
    if (const auto zip = FindZipCode(fDM, rec.zipcode.left(5))) {
        rec.county = zip->county;
        rec.latitude = zip->latitude;
        rec.longitude = zip->longitude;
        bool latOk = false;
        bool lonOk = false;
        const double latitude = zip->latitude.trimmed().toDouble(&latOk);
        const double longitude = zip->longitude.trimmed().toDouble(&lonOk);
        // A zip code without a usable position leaves the grid empty rather than placing it at 0, 0.
        if (latOk && lonOk) {
            rec.grid = fHamUtil.LatLongToLocator(latitude, longitude);
        }
    }
    const QString country = CountryOfCall(fDM, rec.callsign);
    if (!country.isEmpty()) {
        rec.country = country;
    }
}
